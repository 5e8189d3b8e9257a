#include "platform/system/portmap.h"
#include "platform/system/registry.h"
#include "system_fixture.h"

using namespace platform::system;

using PortMapTest = SystemFixture;

namespace {
QByteArray comDb()
{
    RegKey key;
    if (RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter"),
                     key) != ERROR_SUCCESS)
        return QByteArray();
    uint32_t type = 0;
    QByteArray data;
    RegQueryValueEx(key, QStringLiteral("ComDB"), type, data);
    return data;
}
} // namespace

TEST_F(PortMapTest, AdaptersKeepTheirNumbersAcrossPlugIns)
{
    listAdapters({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
    plug(QStringLiteral("first"));
    EXPECT_EQ(portForDevicePath(adapterPath(QStringLiteral("first"))), 5);
    plug(QStringLiteral("second"));
    EXPECT_EQ(portForDevicePath(adapterPath(QStringLiteral("second"))), 6);
    EXPECT_EQ(devicePathForPort(5), adapterPath(QStringLiteral("first")));
    EXPECT_EQ(devicePathForPort(6), adapterPath(QStringLiteral("second")));

    unplug(QStringLiteral("first"));
    EXPECT_EQ(devicePathForPort(5), QString());
    EXPECT_EQ(portForDevicePath(adapterPath(QStringLiteral("first"))), -1);
    // A new adapter does not take the number of an absent one.
    plug(QStringLiteral("third"));
    EXPECT_EQ(portForDevicePath(adapterPath(QStringLiteral("third"))), 7);
    plug(QStringLiteral("first"));
    EXPECT_EQ(portForDevicePath(adapterPath(QStringLiteral("first"))), 5);

    const QList<PortEntry> adapters = usbAdapters();
    ASSERT_EQ(adapters.size(), 3);
    for (const PortEntry &e : adapters) {
        EXPECT_TRUE(e.usbAdapter);
        EXPECT_TRUE(e.deviceKey.startsWith(QStringLiteral("PATH+")));
    }

    // Claimed in ComDB: the fixed ports 1-4 and the three adapters.
    const QByteArray db = comDb();
    ASSERT_EQ(db.size(), 32);
    EXPECT_EQ(static_cast<unsigned char>(db[0]), 0x7Fu);
    EXPECT_EQ(db.mid(1), QByteArray(31, '\0'));
}

TEST_F(PortMapTest, FixedPortsAndNumbersTheRegistryGives)
{
    EXPECT_EQ(devicePathForPort(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(devicePathForPort(4), QStringLiteral("/dev/ttyS3"));
    EXPECT_EQ(devicePathForPort(0), QString());
    EXPECT_EQ(devicePathForPort(257), QString());
    EXPECT_EQ(devicePathForPort(9), QString());
    EXPECT_EQ(portForDevicePath(QStringLiteral("/dev/ttyS2")), 3);
    EXPECT_EQ(portForDevicePath(QStringLiteral("/tmp/not-a-port")), -1);

    // An adapter whose PortName says COM3 takes number 3 over while plugged in.
    listAdapters({QStringLiteral("a")});
    plug(QStringLiteral("a"));
    const QString key = deviceKeyForAdapter(adapterPath(QStringLiteral("a")));
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine,
                         QStringLiteral("SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\") + key +
                             QStringLiteral("\\0000\\Device Parameters"),
                         QStringLiteral("PortName"), REG_SZ, regSz(QStringLiteral("COM3"))),
              ERROR_SUCCESS);
    EXPECT_EQ(devicePathForPort(3), adapterPath(QStringLiteral("a")));
    EXPECT_EQ(portForDevicePath(QStringLiteral("/dev/ttyS2")), -1);
    unplug(QStringLiteral("a"));
    EXPECT_EQ(devicePathForPort(3), QStringLiteral("/dev/ttyS2"));
}

TEST_F(PortMapTest, AnUnreadableComDbIsNeverOverwritten)
{
    const QByteArray odd("\xff\xff\xff\xff", 4);
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter"),
                         QStringLiteral("ComDB"), REG_BINARY, odd),
              ERROR_SUCCESS);
    listAdapters({QStringLiteral("a")});
    plug(QStringLiteral("a"));
    EXPECT_EQ(portForDevicePath(adapterPath(QStringLiteral("a"))), 5);
    EXPECT_EQ(comDb(), odd);
}
