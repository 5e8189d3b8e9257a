// The command line decides the mode: any argument, even an empty one,
// selects the service mode. The program is started as a separate process
// with its real arguments, since the decision is made from them.
#include "appFixture.h"

#include "platform/forms/app.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/settings/frmImportCustomSrv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTimer>

using namespace talvik;
namespace forms = platform::forms;

namespace {

const char kProbeOutput[] = "TALVIK_PROBE_OUTPUT";

// Runs the probe below in a child whose arguments after the program name are
// exactly `arguments`; returns the mode it reported.
QString modeWithArguments(const QStringList &arguments, const QString &output)
{
    QFile::remove(output);
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments(arguments);
    // The test framework takes its selection from the environment, so the
    // command line holds nothing but the arguments under test.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GTEST_FILTER"), QStringLiteral("ModeProbe.*"));
    env.insert(QStringLiteral("GTEST_ALSO_RUN_DISABLED_TESTS"), QStringLiteral("1"));
    env.insert(QString::fromLatin1(kProbeOutput), output);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start();
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished(5000);
        return QStringLiteral("<timeout>");
    }
    QFile f(output);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<no report>");
}

} // namespace

class ModeProbe : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        // The process's own arguments, not a text set by a test.
        forms::App::clearCommand();
    }
};

// Run in a child by ServiceModeTest: starts the program and writes the mode.
TEST_F(ModeProbe, DISABLED_StartAndReportTheMode)
{
    QFile ini(home() + QStringLiteral("/system2.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[SYSTEM_INFO]\r\nINIT=1\r\nfolder=/srv/input\r\n");
    ini.close();
    // Service mode asks for the customer number while its window loads: the
    // probe cancels it with a click, which ends the start-up. Any message box
    // takes its default answer.
    forms::DialogScript::setUnexpectedDialogHandler([](const QString &) {});
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        if (importCustomSrvForm && importCustomSrvForm->isModal()) {
            poll.stop();
            QTest::mouseClick(importCustomSrvForm->cmdCancel.widget(), Qt::LeftButton);
        }
    });
    poll.start();
    Main();
    poll.stop();
    QFile out(qEnvironmentVariable(kProbeOutput));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(srvMode ? "service" : "normal");
    out.write(" ");
    out.write(forms::App::Command().toUtf8());
}

using ServiceModeTest = AppFixture;

TEST_F(ServiceModeTest, AnEmptyArgumentSelectsTheServiceModeLikeAnyOther)
{
    const QString output = m_other.path() + QStringLiteral("/mode.txt");
    EXPECT_EQ(modeWithArguments({}, output), QStringLiteral("normal "));
    EXPECT_EQ(modeWithArguments({QString()}, output), QStringLiteral("service \"\""));
    EXPECT_EQ(modeWithArguments({QString(), QString()}, output), QStringLiteral("service \"\" \"\""));
    EXPECT_EQ(modeWithArguments({QStringLiteral("x")}, output), QStringLiteral("service x"));
    EXPECT_EQ(modeWithArguments({QStringLiteral("a b")}, output), QStringLiteral("service \"a b\""));
}

TEST_F(ServiceModeTest, FirstStartWipeAlsoDropsASaveJournalSoTheBackupStaysWiped)
{
    // A crash in a save left its journal; the first start wipes the store.
    ASSERT_TRUE(QDir().mkpath(home() + QStringLiteral("/dDB/old")));
    ASSERT_TRUE(QDir().mkpath(home() + QStringLiteral("/dDB.tmp/older")));
    QFile journal(home() + QStringLiteral("/dDB.swap"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write("dDB.tmp\n");
    journal.close();
    ASSERT_TRUE(Main());
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/dDB")));
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/dDB.swap")));
    EXPECT_EQ(iniValue(QStringLiteral("system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT")),
              QStringLiteral("1"));
}
