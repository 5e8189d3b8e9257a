// The real shared library: registration rows, creation by ProgID through
// CoCreateInstance, unregistration and the unload answer.
#include "PickwellTestSupport.h"

#include "platform/system/registry.h"

#include <QDir>
#include <QTemporaryDir>

#include <dlfcn.h>

using namespace pickwell;
using namespace pickwell::testing;
namespace sys = platform::system;

namespace {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Creation must reach the library, not this program's own copy.
        module().detach();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        ASSERT_EQ(registerServerLibrary(QString::fromUtf8(PICKWELL_LIBRARY)), S_OK);
        m_handle = dlopen(PICKWELL_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(m_handle, nullptr);
    }
    void TearDown() override
    {
        if (m_handle)
            dlclose(m_handle);
        qunsetenv("TALVIK_REGISTRY");
    }
    template <class F>
    F entry(const char *name)
    {
        return reinterpret_cast<F>(dlsym(m_handle, name));
    }

    QTemporaryDir m_dir;
    void *m_handle = nullptr;
};

} // namespace

TEST_F(LibraryTest, RegistersItsRowsAndRemovesThem)
{
    const QString item = QStringLiteral("CLSID\\{CB8724BB-E11C-45D8-AF0C-49C04B1387DB}");
    const QString collection = QStringLiteral("CLSID\\{6B4E533A-1F9E-439E-9E72-69DEA45FC1C6}");
    EXPECT_EQ(regText(item), QStringLiteral("ComboItem Class"));
    EXPECT_EQ(regText(item + QStringLiteral("\\ProgID")), QStringLiteral("Combo.ComboItem.1"));
    EXPECT_EQ(regText(item + QStringLiteral("\\VersionIndependentProgID")), QStringLiteral("Combo.ComboItem"));
    EXPECT_EQ(QDir(regText(item + QStringLiteral("\\InprocServer32"))).canonicalPath(),
              QDir(QString::fromUtf8(PICKWELL_LIBRARY)).canonicalPath());
    EXPECT_EQ(regText(item + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("both"));
    EXPECT_EQ(regText(QStringLiteral("Combo.ComboItem.1")), QStringLiteral("ComboItem Class"));
    EXPECT_EQ(regText(QStringLiteral("Combo.ComboItem.1\\CLSID")),
              QStringLiteral("{CB8724BB-E11C-45D8-AF0C-49C04B1387DB}"));
    EXPECT_EQ(regText(QStringLiteral("Combo.ComboItem")), QStringLiteral("BealObj Class"));
    EXPECT_EQ(regText(QStringLiteral("Combo.ComboItem\\CurVer")), QStringLiteral("Combo.ComboItem.1"));
    EXPECT_EQ(regText(collection), QStringLiteral("ComboItemCollection Class"));
    EXPECT_EQ(regText(collection + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("both"));
    EXPECT_EQ(regText(collection + QStringLiteral("\\ProgID")), QStringLiteral("<no key>"));

    auto unregister = entry<DllUnregisterServerFunc>("DllUnregisterServer");
    ASSERT_NE(unregister, nullptr);
    ASSERT_EQ(unregister(), S_OK);
    EXPECT_EQ(regText(item), QStringLiteral("<no key>"));
    EXPECT_EQ(regText(collection), QStringLiteral("<no key>"));
    EXPECT_EQ(regText(QStringLiteral("Combo.ComboItem")), QStringLiteral("<no key>"));
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(QStringLiteral("Combo.ComboItem"), &clsid), CO_E_CLASSSTRING);
    ComPtr<IUnknown> none;
    EXPECT_EQ(CoCreateInstance(CLSID_ComboItemCollection, nullptr, IID_IUnknown, none.putVoid()),
              REGDB_E_CLASSNOTREG);
}

TEST_F(LibraryTest, CreatesTheItemModelByProgIdAndFollowsTheLockCount)
{
    auto canUnload = entry<DllCanUnloadNowFunc>("DllCanUnloadNow");
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    {
        CLSID clsid;
        ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Combo.ComboItem"), &clsid), S_OK);
        ASSERT_EQ(clsid, CLSID_ComboItem);
        ComPtr<IDispatch> item;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IDispatch, item.putVoid()), S_OK);
        // Not this program's copy of the class: the object comes from the library.
        EXPECT_EQ(module().objectCount(), 0);
        EXPECT_EQ(canUnload(), S_FALSE);
        ComPtr<IDispatch> items;
        ASSERT_EQ(CoCreateInstance(CLSID_ComboItemCollection, nullptr, IID_IDispatch, items.putVoid()), S_OK);
        ASSERT_EQ(invokeByName(item.get(), QStringLiteral("Content"), DISPATCH_PROPERTYPUT,
                               {Variant::str(QStringLiteral("顧客A"))}, nullptr),
                  S_OK);
        ASSERT_EQ(invokeByName(items.get(), QStringLiteral("Add"), DISPATCH_METHOD, {Variant::dispatch(item.get())},
                               nullptr),
                  S_OK);
        Variant r;
        ASSERT_EQ(invokeByName(items.get(), QStringLiteral("Count"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
        EXPECT_EQ(r.lVal, 1);

        // The library loads its own items from a stream without the registry.
        std::vector<uint8_t> bytes = saveToBytes(items.get());
        auto unregister = entry<DllUnregisterServerFunc>("DllUnregisterServer");
        ASSERT_EQ(unregister(), S_OK);
        ComPtr<IComboItemCollection> copy;
        ASSERT_EQ(items->QueryInterface(IID_IComboItemCollection, copy.putVoid()), S_OK);
        ASSERT_EQ(loadFromBytes(copy.get(), bytes), S_OK);
        int32_t n = 0;
        copy->get_Count(&n);
        EXPECT_EQ(n, 2);
    }
    EXPECT_EQ(canUnload(), S_OK);

    auto getClassObject = entry<DllGetClassObjectFunc>("DllGetClassObject");
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_ComboItem, IID_IClassFactory, factory.putVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(true), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->LockServer(false);
    factory.reset();
    EXPECT_EQ(canUnload(), S_OK);
    ComPtr<IClassFactory> none;
    EXPECT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, none.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
}
