// The program in service mode as its own process, started with one argument
// and a "system2.ini" whose folder names the input tree: the driver plays
// the user (number dialog, tree, sorts, graph, PDF, CSV, data set, delete,
// close) and the process must end with code 0. A cancelled number ends the
// process before any window shows and creates no customer.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ProcessRun {
    int exitCode = -1;
    QString output;
};

class ServiceProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        home = dir.path() + QStringLiteral("/program");
        input = dir.path() + QStringLiteral("/input");
        out = dir.path() + QStringLiteral("/out");
        for (const QString &p : {home, input + QStringLiteral("/123456789"), out, dir.path() + QStringLiteral("/user")})
            ASSERT_TRUE(QDir().mkpath(p));
        write(input + QStringLiteral("/123456789/123456789.csv"),
              "20240105,1000,0123\r\n20240105,1030,0456\r\n20240105,1100,0078\r\n20240210,0900,0200\r\n");
        write(input + QStringLiteral("/123456789/123456789as.csv"),
              "20240105,1000,3,1\r\n20240105,1030,12,4\r\n20240105,1100,-,-\r\n20240210,0900,7,0\r\n");
        // The folder as a Windows path with a drive, as a user writes it.
        QString windowsPath = QStringLiteral("C:") + input;
        windowsPath.replace(u'/', u'\\');
        write(home + QStringLiteral("/system2.ini"),
              "[SYSTEM_INFO]\r\nINIT=1\r\nfolder=" + windowsPath.toLocal8Bit() + "\r\n");
        QFile::copy(qEnvironmentVariable("TALVIK_SOURCE_DIR") + QStringLiteral("/talvik/app/defaults/Serial.ini"),
                    home + QStringLiteral("/Serial.ini"));
    }

    void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    ProcessRun run(const QString &mode)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TALVIK_HOME"), home);
        env.insert(QStringLiteral("TALVIK_REGISTRY"), dir.path() + QStringLiteral("/registry.json"));
        env.insert(QStringLiteral("TALVIK_SERIAL_ADAPTERS"), dir.path() + QStringLiteral("/no-adapter"));
        env.insert(QStringLiteral("HOME"), dir.path() + QStringLiteral("/user"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SERVICE_E2E_MODE"), mode);
        env.insert(QStringLiteral("SERVICE_E2E_OUT"), out);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(SERVICE_E2E_DRIVER), {QStringLiteral("srv")});
        ProcessRun r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            r.output = QStringLiteral("<timed out>\n") + QString::fromUtf8(p.readAll());
            return r;
        }
        r.output = QString::fromUtf8(p.readAll());
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        return r;
    }

    QTemporaryDir dir;
    QString home, input, out;
};

} // namespace

TEST_F(ServiceProcess, ImportBrowseOutputsSaveDeleteAndCloseExitZero)
{
    const ProcessRun r = run(QStringLiteral("run"));
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_FALSE(r.output.contains(QStringLiteral(" FAIL "))) << r.output.toStdString();
    EXPECT_TRUE(r.output.contains(QStringLiteral("CHECK session ran ok"))) << r.output.toStdString();
    EXPECT_GE(r.output.count(QStringLiteral(" ok")), 20) << r.output.toStdString();
    // The log of the run was written when the window closed.
    QFile log(home + QStringLiteral("/dDB.tran/download.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("123456789"));
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("/report.pdf")).size() > 1000);
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/set.dmd")));
}

TEST_F(ServiceProcess, CancelledNumberExitsBeforeAnyWindowAndCreatesNoCustomer)
{
    const ProcessRun r = run(QStringLiteral("cancel"));
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_TRUE(r.output.contains(QStringLiteral("CHECK no window before the number ok"))) << r.output.toStdString();
    EXPECT_FALSE(r.output.contains(QStringLiteral(" FAIL "))) << r.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/dDB.tran/123456789")));
}

TEST_F(ServiceProcess, ImportIntoAYearTableOfTheOrdinaryWindowStoresEveryRowWithCounts)
{
    // The customer's year as the ordinary data window saved it: 4 columns.
    const QByteArray schema4 =
        "[demand.csv]\r\nColNameHeader=False\r\nFormat=FixedLength\r\nMaxScanRows=25\r\nCharacterSet=OEM\r\n"
        "DateTimeFormat=yyyy/mm/dd hh:nn:ss\r\nCurrencySymbol=\\\r\nCurrencyFormat=0\r\nCurrencyDigits=0\r\n"
        "CurrencyNegativeFormat=2\r\nDecimalSymbol=.\r\nNumberDigits=0\r\nNumberLeadingZeros=1\r\n"
        "Col1=getdt char Width 6\r\nCol2=gettm char Width 4\r\nCol3=watt char Width 4\r\n"
        "Col4=created char Width 12\r\n";
    const QString year = home + QStringLiteral("/dDB/123456789/2024年");
    ASSERT_TRUE(QDir().mkpath(year));
    write(year + QStringLiteral("/schema.ini"), schema4 + "\r\n");
    write(year + QStringLiteral("/demand.csv"), "24010409000100202312311200\r\n24010510000999202312311200\r\n");
    const ProcessRun r = run(QStringLiteral("import"));
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_FALSE(r.output.contains(QStringLiteral(" FAIL "))) << r.output.toStdString();
    EXPECT_TRUE(r.output.contains(QStringLiteral("CHECK table counts with the old row's none ok"))) << r.output.toStdString();
    QFile table(home + QStringLiteral("/dDB.tran/123456789/2024年/demand.csv"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = table.readAll().split('\n');
    ASSERT_EQ(lines.size(), 6) << "five rows and the end";
    // Every row 34 characters and CR; the acquisition time of the imported
    // rows is the time of the run.
    const QByteArray expected[] = {"24010409000100202312311200-001-001", "2401051000012320??????????" "00030001",
                                   "2401051030045620??????????" "00120004", "2401051100007820??????????" "-001-001",
                                   "2402100900020020??????????" "00070000"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(lines[i].size(), 35) << i;
        EXPECT_TRUE(lines[i].endsWith('\r')) << i;
        for (int c = 0; c < 34; ++c)
            if (expected[i][c] != '?') {
                EXPECT_EQ(lines[i][c], expected[i][c]) << "row " << i << " column " << c;
            }
    }
    QFile schema(home + QStringLiteral("/dDB.tran/123456789/2024年/schema.ini"));
    ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
    EXPECT_EQ(schema.readAll(), schema4 + "Col5=created1 char Width 4\r\nCol6=created2 char Width 4\r\n\r\n");
}
