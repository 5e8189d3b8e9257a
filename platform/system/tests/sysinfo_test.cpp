#include "platform/runtime/runtime_error.h"
#include "platform/system/osversion.h"
#include "platform/system/process.h"
#include "platform/system/wmi.h"
#include "system_fixture.h"

#include <QElapsedTimer>

using namespace platform::system;

using SysInfoTest = SystemFixture;

TEST_F(SysInfoTest, VersionQueryDefaultsTo61AndFollowsTheSetting)
{
    OSVERSIONINFO info;
    EXPECT_FALSE(GetVersionEx(info)); // size field not set
    info.dwOSVersionInfoSize = kOsVersionInfoSize;
    ASSERT_TRUE(GetVersionEx(info));
    EXPECT_EQ(info.dwMajorVersion, 6u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    // The environment says 5.0 (or is unreadable) unless a version was set.
    qputenv("TALVIK_OS_VERSION", "5");
    ASSERT_TRUE(GetVersionEx(info));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
    qputenv("TALVIK_OS_VERSION", "five");
    EXPECT_FALSE(GetVersionEx(info));
    // A version set holds over the environment, which it leaves as it is.
    setOsVersion(5, 1);
    ASSERT_TRUE(GetVersionEx(info));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);
    EXPECT_EQ(qgetenv("TALVIK_OS_VERSION"), QByteArray("five"));
    setOsVersion(0, 0);
    EXPECT_FALSE(GetVersionEx(info));
    qunsetenv("TALVIK_OS_VERSION");
    ASSERT_TRUE(GetVersionEx(info));
    EXPECT_EQ(info.dwMajorVersion, 6u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
}

TEST_F(SysInfoTest, WmiNamesEveryUsbAdapterAndHonoursLike)
{
    listAdapters({QStringLiteral("a"), QStringLiteral("b")});
    plug(QStringLiteral("a"));
    plug(QStringLiteral("b"));
    const SWbemServices wmi = GetObject(QStringLiteral("winmgmts:\\\\.\\root\\cimv2"));
    const QList<SWbemObject> rows =
        wmi.ExecQuery(QStringLiteral("SELECT * FROM Win32_PnPEntity WHERE NAME LIKE 'USB Serial Port%'"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].Property(QStringLiteral("Name")).toString(), QStringLiteral("USB Serial Port (COM5)"));
    EXPECT_EQ(rows[1].Property(QStringLiteral("name")).toString(), QStringLiteral("USB Serial Port (COM6)"));
    try {
        rows[0].Property(QStringLiteral("NoSuch"));
        ADD_FAILURE() << "an unknown property must raise";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), 438);
        EXPECT_EQ(e.Description(), QStringLiteral("オブジェクトは、このプロパティまたはメソッドをサポートしていません。"));
    }
    EXPECT_EQ(wmi.ExecQuery(QStringLiteral("select * from Win32_PnPEntity where Name like 'usb serial port (com6)'")).size(), 1);
    EXPECT_TRUE(wmi.ExecQuery(QStringLiteral("SELECT * FROM Win32_PnPEntity WHERE Name LIKE 'Mouse%'")).isEmpty());

    try {
        wmi.ExecQuery(QStringLiteral("SELECT Name FROM"));
        FAIL() << "a broken query must raise";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), -2147217385);
    }
    EXPECT_THROW(wmi.ExecQuery(QStringLiteral("SELECT * FROM Win32_Nothing")), platform::RuntimeError);
    EXPECT_THROW(GetObject(QStringLiteral("winmgmts:\\\\.\\root\\default")), platform::RuntimeError);
    qputenv("TALVIK_WMI_UNAVAILABLE", "1");
    try {
        GetObject(QStringLiteral("winmgmts:\\\\.\\root\\cimv2"));
        FAIL() << "a missing service must raise";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), 429);
        EXPECT_EQ(e.Description(), QStringLiteral("ActiveX コンポーネントはオブジェクトを作成できません。"));
    }
}

TEST(LikeMatch, Wildcards)
{
    EXPECT_TRUE(likeMatch(QStringLiteral("USB Serial Port (COM3)"), QStringLiteral("USB Serial Port%")));
    EXPECT_TRUE(likeMatch(QStringLiteral("abc"), QStringLiteral("a_c")));
    EXPECT_TRUE(likeMatch(QStringLiteral("abc"), QStringLiteral("%")));
    EXPECT_TRUE(likeMatch(QString(), QStringLiteral("%")));
    EXPECT_FALSE(likeMatch(QStringLiteral("abcd"), QStringLiteral("a_c")));
    EXPECT_FALSE(likeMatch(QStringLiteral("xUSB Serial Port"), QStringLiteral("USB%")));
}

TEST_F(SysInfoTest, ProcessesStartAndReportTheirEnd)
{
    PROCESS_INFORMATION info;
    uint32_t error = 0;
    EXPECT_FALSE(CreateProcess(QStringLiteral("cscript.exe \"/nowhere/CDM.vbs\""), true, info, error));
    EXPECT_EQ(error, 2u);

    ASSERT_TRUE(CreateProcess(QStringLiteral("/bin/sh -c \"sleep 0.3; exit 3\""), true, info, error));
    const int64_t h = OpenProcess(PROCESS_QUERY_INFORMATION, info.dwProcessId);
    ASSERT_NE(h, 0);
    uint32_t code = 0;
    ASSERT_TRUE(GetExitCodeProcess(h, code));
    EXPECT_EQ(code, STILL_ACTIVE);
    QElapsedTimer t;
    t.start();
    while (GetExitCodeProcess(h, code) && code == STILL_ACTIVE && t.elapsed() < 10000)
        Sleep(20);
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_FALSE(GetExitCodeProcess(h, code));
}
