// zoCombo from the real shared library: its registration rows, and creation
// by ProgID from a temporary registry after DllRegisterServer, hosted as the
// customer dialog hosts it (site, window definition, in-place activation).
#include "PickwellTestSupport.h"

#include "Controls/Pickwell/ComboInterfaces.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"

#include <QDir>
#include <QTemporaryDir>

using namespace pickwell;
using namespace pickwell::testing;

namespace {

const QString kComboKey = QStringLiteral("CLSID\\{6780C738-0307-4C00-98D6-CD876F29A24A}");

class ComboLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Creation must reach the library, not this program's own copy.
        module().detach();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        // Only the control library is registered: it binds zobase7 itself.
        ASSERT_EQ(registerServerLibrary(QString::fromUtf8(PICKWELL_LIBRARY)), S_OK);
    }
    void TearDown() override { qunsetenv("TALVIK_REGISTRY"); }
    QTemporaryDir m_dir;
};

QVariant prop(IDispatch *object, const QString &name)
{
    Variant r;
    EXPECT_EQ(invokeByName(object, name, DISPATCH_PROPERTYGET, {}, &r), S_OK) << name.toStdString();
    if (r.vt == VT_BSTR)
        return bstrToQString(r.bstrVal);
    if (r.vt == VT_BOOL)
        return r.boolVal != 0;
    return r.toInt();
}

} // namespace

TEST_F(ComboLibraryTest, RegistersTheControlsRows)
{
    EXPECT_EQ(regText(kComboKey), QStringLiteral("Brenwold Combo Control 7.0 Class"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\ProgID")), QStringLiteral("Brenwold.Combo7.7"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\VersionIndependentProgID")), QStringLiteral("Brenwold.Combo7"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("Apartment"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\MiscStatus")), QStringLiteral("0"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\MiscStatus\\1")), QStringLiteral("131473"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\verb\\0")), QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ(&R), 0, 2"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\DataFormats\\GetSet\\0")), QStringLiteral("1,1,1,3"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\TypeLib")), QStringLiteral("{9FE12C86-E790-4AAE-A65E-E0BE8C0DFD66}"));
    EXPECT_EQ(regText(kComboKey + QStringLiteral("\\Version")), QStringLiteral("7.0"));
    for (const char *k : {"Programmable", "Control", "Insertable"})
        EXPECT_NE(regText(kComboKey + QStringLiteral("\\") + QString::fromLatin1(k)), QStringLiteral("<no key>")) << k;
    EXPECT_TRUE(regText(kComboKey + QStringLiteral("\\ToolboxBitmap32")).endsWith(QStringLiteral(", 1")));
    EXPECT_EQ(regText(QStringLiteral("Brenwold.Combo7\\CurVer")), QStringLiteral("Brenwold.Combo7.7"));
    EXPECT_EQ(regText(QStringLiteral("Brenwold.Combo7.7\\CLSID")), QStringLiteral("{6780C738-0307-4C00-98D6-CD876F29A24A}"));
}

TEST_F(ComboLibraryTest, CreatedByProgIdWithItsSubObjects)
{
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Brenwold.Combo7"), &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_zoCombo);
    ComPtr<IDispatch> combo;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IDispatch, combo.putVoid()), S_OK);
    ComPtr<IPersistStreamInit> init;
    ASSERT_EQ(combo->QueryInterface(IID_IPersistStreamInit, init.putVoid()), S_OK);
    ASSERT_EQ(init->InitNew(), S_OK);
    // The sub-objects came from zobase7 although only Pickwell is registered.
    Variant spin;
    ASSERT_EQ(invokeByName(combo.get(), QStringLiteral("Spin"), DISPATCH_PROPERTYGET, {}, &spin), S_OK);
    ASSERT_EQ(spin.vt, VT_DISPATCH);
    ASSERT_NE(spin.pdispVal, nullptr);
    EXPECT_EQ(prop(spin.pdispVal, QStringLiteral("Delay")).toInt(), 100);
    EXPECT_EQ(prop(combo.get(), QStringLiteral("SortOrder")).toInt(), 2);
    EXPECT_EQ(prop(combo.get(), QStringLiteral("Version")).toString(), QStringLiteral("7.0.0.1"));
}

TEST_F(ComboLibraryTest, HostedAsTheCustomerDialogHostsIt)
{
    platform::win::ControlHostWidget host;
    host.resize(200, 24);
    ComPtr<PropertyBag> definition(new PropertyBag);
    definition->setValue(QStringLiteral("DropdownStyle"), Variant::i2(1));
    definition->setValue(QStringLiteral("SortOrder"), Variant::i2(2));
    definition->setValue(QStringLiteral("Value"), Variant::str(QString()));
    ASSERT_EQ(host.createControl(QStringLiteral("Brenwold.Combo7"), QStringLiteral("zoComboCustom"), definition.get()),
              S_OK);
    const platform::win::HWND hwnd = host.controlWindow();
    ASSERT_NE(hwnd, 0u);
    char cls[32] = {};
    platform::win::GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "ComboEdit");

    ComPtr<IDispatch> combo;
    ASSERT_EQ(host.queryControl(IID_IDispatch, combo.putVoid()), S_OK);
    EXPECT_EQ(prop(combo.get(), QStringLiteral("hWnd")).toInt(), int(hwnd));
    EXPECT_EQ(prop(combo.get(), QStringLiteral("Style")).toInt(), 1);
    // The dialog fills the items and sets AutoSelect.
    Variant items;
    ASSERT_EQ(invokeByName(combo.get(), QStringLiteral("Items"), DISPATCH_PROPERTYGET, {}, &items), S_OK);
    for (const QString &name : {QStringLiteral("本社"), QStringLiteral("支店")}) {
        CLSID itemClass;
        ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Combo.ComboItem"), &itemClass), S_OK);
        ComPtr<IDispatch> item;
        ASSERT_EQ(CoCreateInstance(itemClass, nullptr, IID_IDispatch, item.putVoid()), S_OK);
        ASSERT_EQ(invokeByName(item.get(), QStringLiteral("Content"), DISPATCH_PROPERTYPUT, {Variant::str(name)}, nullptr),
                  S_OK);
        ASSERT_EQ(invokeByName(items.pdispVal, QStringLiteral("Add"), DISPATCH_METHOD, {Variant::dispatch(item.get())},
                               nullptr),
                  S_OK);
    }
    ASSERT_EQ(invokeByName(combo.get(), QStringLiteral("AutoSelect"), DISPATCH_PROPERTYPUT, {Variant::boolean(true)},
                           nullptr),
              S_OK);
    EXPECT_EQ(prop(items.pdispVal, QStringLiteral("Count")).toInt(), 2);
    host.destroyControl();
    EXPECT_FALSE(platform::win::IsWindow(hwnd));
}
