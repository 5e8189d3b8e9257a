// The real shared library: registration rows, creation by ProgID, error
// info crossing from the library to its caller, unregistration.
#include "LumafoldTestSupport.h"

#include "Controls/Container/Container3D.h"

#include "platform/system/registry.h"

#include <QDir>
#include <QTemporaryDir>

#include <dlfcn.h>

using namespace lumafold;
using namespace lumafold::testing;
namespace sys = platform::system;

namespace {

class LumafoldLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module().detach(); // creation must reach the library
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        ASSERT_EQ(registerServerLibrary(QString::fromUtf8(LUMAFOLD_LIBRARY)), S_OK);
        m_handle = dlopen(LUMAFOLD_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(m_handle, nullptr);
    }
    void TearDown() override
    {
        if (m_handle)
            dlclose(m_handle);
        qunsetenv("TALVIK_REGISTRY");
    }
    QTemporaryDir m_dir;
    void *m_handle = nullptr;
};

struct Row {
    const char *clsid, *caption, *progId, *viProgId;
};
const Row kRows[] = {
    {"{C281721D-3F5E-43E0-B06E-12A3114D4CB4}", "Brenwold Container3D Effect Object 7.0", "Ryx.Cont_Effect7.7",
     "Ryx.Cont_Effect7"},
    {"{81804F6B-DB6D-4EEB-854E-AD4091AF74D1}", "Brenwold Container3D Effects Collection Object 7.0",
     "Ryx.Cont_Effects7.7", "Ryx.Cont_Effects7"},
    {"{24EC532F-BB1B-4687-9A7A-A95C2CAF68D3}", "Brenwold Container3D Child Object 7.0", "Ryx.Cont_Child7.7",
     "Ryx.Cont_Child7"},
    {"{2E2CD4CD-7317-47B2-8F8E-3D3B4428E674}", "Brenwold Container3D Childs Collection Object 7.0",
     "Ryx.Cont_Childs7.7", "Ryx.Cont_Childs7"},
};

} // namespace

TEST_F(LumafoldLibraryTest, RegistersItsFourObjectsAndRemovesThem)
{
    for (const Row &r : kRows) {
        const QString key = QStringLiteral("CLSID\\") + QLatin1String(r.clsid);
        const QString progId = QLatin1String(r.progId), vi = QLatin1String(r.viProgId);
        const QString caption = QString::fromUtf8(r.caption);
        EXPECT_EQ(regText(key), caption);
        EXPECT_EQ(regText(key + QStringLiteral("\\ProgID")), progId);
        EXPECT_EQ(regText(key + QStringLiteral("\\VersionIndependentProgID")), vi);
        EXPECT_EQ(regText(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
                  QStringLiteral("Apartment"));
        EXPECT_EQ(QDir(regText(key + QStringLiteral("\\InprocServer32"))).canonicalPath(),
                  QDir(QString::fromUtf8(LUMAFOLD_LIBRARY)).canonicalPath());
        EXPECT_EQ(regText(progId), caption);
        EXPECT_EQ(regText(progId + QStringLiteral("\\CLSID")), QLatin1String(r.clsid));
        EXPECT_EQ(regText(vi), caption);
        EXPECT_EQ(regText(vi + QStringLiteral("\\CLSID")), QLatin1String(r.clsid));
        EXPECT_EQ(regText(vi + QStringLiteral("\\CurVer")), progId);
    }
    auto unregister = reinterpret_cast<DllUnregisterServerFunc>(dlsym(m_handle, "DllUnregisterServer"));
    ASSERT_EQ(unregister(), S_OK);
    for (const Row &r : kRows) {
        EXPECT_EQ(regText(QStringLiteral("CLSID\\") + QLatin1String(r.clsid)), QStringLiteral("<no key>"));
        EXPECT_EQ(regText(QLatin1String(r.progId)), QStringLiteral("<no key>"));
        EXPECT_EQ(regText(QLatin1String(r.viProgId)), QStringLiteral("<no key>"));
    }
}

TEST_F(LumafoldLibraryTest, CollectionsComeFromTheLibraryAndTheirErrorsReachTheCaller)
{
    auto canUnload = reinterpret_cast<DllCanUnloadNowFunc>(dlsym(m_handle, "DllCanUnloadNow"));
    {
        CLSID clsid;
        ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Ryx.Cont_Effects7"), &clsid), S_OK);
        ComPtr<IEffects> effects;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IEffects, effects.putVoid()), S_OK);
        EXPECT_EQ(module().objectCount(), 0) << "made by the library, not this program's copy";
        EXPECT_EQ(canUnload(), S_FALSE);
        Variant r;
        ASSERT_EQ(invokeByName(effects.get(), QStringLiteral("Add"), DISPATCH_METHOD,
                               {Variant::missing(), Variant::str(QStringLiteral("Raised"))}, &r),
                  S_OK);
        ComPtr<IEffect> got;
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(effects->get_Item(Variant::i4(5), got.put()), E_INDEX_RANGE);
        EXPECT_EQ(takeError(), kIEffects + QStringLiteral("|Ryx.Cont_Effects7.7|ｲﾝﾃﾞｯｸｽが有効範囲にありません。"));

        CLSID childsId;
        ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Ryx.Cont_Childs7.7"), &childsId), S_OK);
        ComPtr<IChildren> childs;
        ASSERT_EQ(CoCreateInstance(childsId, nullptr, IID_IChildren, childs.putVoid()), S_OK);
        ComPtr<IChild> child;
        Bstr key(QStringLiteral("A"));
        ASSERT_EQ(childs->Add(Variant::missing(), key.get(), child.put()), S_OK);
        // Not handed an Effects collection by a container: 519.
        EXPECT_EQ(child->put_Effect(Variant::i4(1)), E_NOT_IN_COLLECTION);
        EXPECT_EQ(takeError(),
                  kIChild + QStringLiteral("|Ryx.Cont_Child7.7|指定したｵﾌﾞｼﾞｪｸﾄはｺﾚｸｼｮﾝ内に存在しません。"));

        ComPtr<IDispatch> effect;
        ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Ryx.Cont_Effect7"), &clsid), S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IDispatch, effect.putVoid()), S_OK);
        ASSERT_EQ(invokeByName(effect.get(), QStringLiteral("MarginTop"), DISPATCH_PROPERTYPUT, {Variant::i4(6000)},
                               nullptr),
                  S_OK);
        ASSERT_EQ(invokeByName(effect.get(), QStringLiteral("MarginTop"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
        EXPECT_EQ(r.iVal, 6000);
    }
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(LumafoldLibraryTest, RegistersTheContainerControlWithItsControlKeys)
{
    const QString clsid = QStringLiteral("{3A77E793-396D-4969-9042-BF62712266F5}");
    const QString key = QStringLiteral("CLSID\\") + clsid;
    const QString caption = QStringLiteral("Brenwold Container3D Control 7.0");
    EXPECT_EQ(regText(key), caption);
    EXPECT_EQ(regText(key + QStringLiteral("\\ProgID")), QStringLiteral("Ryx.Container3D7.7"));
    EXPECT_EQ(regText(key + QStringLiteral("\\VersionIndependentProgID")), QStringLiteral("Ryx.Container3D7"));
    EXPECT_EQ(regText(QStringLiteral("Ryx.Container3D7\\CurVer")), QStringLiteral("Ryx.Container3D7.7"));
    EXPECT_EQ(regText(QStringLiteral("Ryx.Container3D7.7\\CLSID")), clsid);
    EXPECT_EQ(regText(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("Apartment"));
    EXPECT_EQ(regText(key + QStringLiteral("\\Control")), QString());
    EXPECT_EQ(regText(key + QStringLiteral("\\Programmable")), QString());
    EXPECT_EQ(regText(key + QStringLiteral("\\MiscStatus\\1")), QStringLiteral("205201"));
    EXPECT_EQ(regText(key + QStringLiteral("\\TypeLib")), QStringLiteral("{5FB9825C-00A7-4366-B62F-8923BA683BFB}"));
    EXPECT_EQ(regText(key + QStringLiteral("\\Version")), QStringLiteral("7.0"));
    EXPECT_EQ(regText(key + QStringLiteral("\\verb\\0")), QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ(&R), 0, 2"));
    EXPECT_TRUE(regText(key + QStringLiteral("\\ToolboxBitmap32")).endsWith(QStringLiteral(", 1")));
    for (const char *category :
         {"{0DE86A52-2BAA-11CF-A229-00AA003D7352}", "{0DE86A53-2BAA-11CF-A229-00AA003D7352}",
          "{0DE86A57-2BAA-11CF-A229-00AA003D7352}", "{40FC6ED4-2438-11CF-A3DB-080036F12502}",
          "{40FC6ED5-2438-11CF-A3DB-080036F12502}", "{7DD95801-9882-11CF-9FA9-00AA006C42C4}",
          "{7DD95802-9882-11CF-9FA9-00AA006C42C4}", "{73D81210-DDBD-4FEF-9913-804E8A7E706D}"})
        EXPECT_EQ(regText(key + QStringLiteral("\\Implemented Categories\\") + QLatin1String(category)), QString())
            << category;

    // Created by ProgID from the library, as Talvik creates it.
    CLSID made;
    ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Ryx.Container3D7"), &made), S_OK);
    ComPtr<IContainer> control;
    ASSERT_EQ(CoCreateInstance(made, nullptr, IID_IContainer, control.putVoid()), S_OK);
    EXPECT_EQ(module().objectCount(), 0) << "made by the library";
    Bstr version;
    control->get_Version(version.put());
    EXPECT_EQ(version.toQString(), QStringLiteral("7.0.0.1"));
    control = {};

    auto unregister = reinterpret_cast<DllUnregisterServerFunc>(dlsym(m_handle, "DllUnregisterServer"));
    ASSERT_EQ(unregister(), S_OK);
    EXPECT_EQ(regText(key), QStringLiteral("<no key>"));
    EXPECT_EQ(regText(QStringLiteral("Ryx.Container3D7")), QStringLiteral("<no key>"));
}
