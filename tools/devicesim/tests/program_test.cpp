// The talvik-devicesim program: options, hex frame log, link removed on SIGTERM.
#include "tools/devicesim/frame.h"
#include "tools/devicesim/tests/rawclient.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

bool waitFor(const std::function<bool()> &cond, int ms)
{
    for (int i = 0; i < ms / 10; ++i) {
        if (cond())
            return true;
        devicesim::test::pump(10);
    }
    return cond();
}

bool isLink(const QString &path)
{
    struct stat st {};
    return ::lstat(path.toLocal8Bit().constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

TEST(Program, ServesLogsAndCleansUpOnSigterm)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyPROG");
    QProcess p;
    p.start(QStringLiteral(DEVICESIM_PROGRAM),
            {"--model", "T4KA-1.0", "--link", link, "--days", "1", "--end", "202403150930", "--fault",
             "RT:badbcc"});
    ASSERT_TRUE(p.waitForStarted(3000));
    ASSERT_TRUE(waitFor([&] { return isLink(link); }, 3000));

    {
        devicesim::test::RawClient host(link);
        ASSERT_TRUE(host.isOpen());
        host.sendFrame("RV");
        const auto r = host.read(2000);
        EXPECT_EQ(r.text(), QByteArray("RVT4KA Ver1.0     "));
        host.sendFrame("RT");
        EXPECT_FALSE(host.read(2000).bccOk);   // the fault from the command line
    }

    p.terminate();
    ASSERT_TRUE(p.waitForFinished(3000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(isLink(link));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("RX 02 52 56 03 05"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("TX 02 52 56 54 34 4B 41"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("fault badbcc"))) << err.toStdString();
}

TEST(Program, RefusesBadOptions)
{
    QProcess p;
    p.start(QStringLiteral(DEVICESIM_PROGRAM), {"--model", "T9ZZ", "--link", "/tmp/never"});
    ASSERT_TRUE(p.waitForFinished(3000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("unknown model")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/never")));
}
