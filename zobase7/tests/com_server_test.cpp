// zobase7 as an in-process server: registration of its four classes in a
// temporary registry and creation through it, as the control libraries
// create them when the suite base is registered.
#include "zobase7/include/zobase7_interfaces.h"

#include "platform/com/com.h"
#include "platform/system/registry.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace platform::com;
namespace sys = platform::system;

namespace {

QString regText(const QString &key, const QString &value = QString())
{
    sys::RegKey k;
    if (sys::RegOpenKeyEx(sys::RootKey::ClassesRoot, key, k) != sys::ERROR_SUCCESS)
        return QStringLiteral("<no key>");
    uint32_t type = 0;
    QByteArray data;
    const long rc = sys::RegQueryValueEx(k, value, type, data);
    sys::RegCloseKey(k);
    return rc == sys::ERROR_SUCCESS ? sys::regSzText(data) : QStringLiteral("<no value>");
}

} // namespace

TEST(Zobase7Server, RegistersItsClassesAndCreatesThemThroughTheRegistry)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("TALVIK_REGISTRY", (dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
    ASSERT_EQ(registerServerLibrary(QString::fromUtf8(ZOBASE7_LIBRARY)), S_OK);
    const QString key = QStringLiteral("CLSID\\") + zobase7::CLSID_Key.toString();
    EXPECT_EQ(regText(key), QStringLiteral("Key Class"));
    EXPECT_EQ(regText(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")), QStringLiteral("Apartment"));
    for (const CLSID *c : {&zobase7::CLSID_Caption, &zobase7::CLSID_DropDown, &zobase7::CLSID_Spin, &zobase7::CLSID_Key}) {
        ComPtr<IDispatch> object;
        EXPECT_EQ(CoCreateInstance(*c, nullptr, IID_IDispatch, object.putVoid()), S_OK) << c->toString().toStdString();
    }
    ComPtr<zobase7::IKey> key2;
    ASSERT_EQ(CoCreateInstance(zobase7::CLSID_Key, nullptr, zobase7::IID_IKey, key2.putVoid()), S_OK);
    ComPtr<zobase7::IKeyAssignment> assignment;
    EXPECT_EQ(key2->QueryInterface(zobase7::IID_IKeyAssignment, assignment.putVoid()), S_OK);
    key2.reset();
    assignment.reset();
    ASSERT_EQ(unregisterServerLibrary(QString::fromUtf8(ZOBASE7_LIBRARY)), S_OK);
    EXPECT_EQ(regText(key), QStringLiteral("<no key>"));
    qunsetenv("TALVIK_REGISTRY");
}
