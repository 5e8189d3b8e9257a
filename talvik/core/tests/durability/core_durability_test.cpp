// The core's file writers on a full file system: "system2.ini" through
// writeIniString and the operation log "download.log", short and long. The
// old file stays byte-identical, no temporary file is left, the failure is
// reported.
#include "talvik/core/basComFunction.h"
#include "talvik/core/clsLogs.h"

#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <optional>

using namespace talvik;
using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;

namespace {

class LogWindow : public platform::forms::Form {
public:
    platform::forms::ListBox lstLogs{this, QStringLiteral("lstLogs")};
};

// A full file system as the program folder (TALVIK_HOME), with scripted
// message boxes.
class CoreOnFullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedHome = qgetenv("TALVIK_HOME");
        qputenv("TALVIK_HOME", disk.folder().toUtf8());
        platform::forms::DialogScript::setUnexpectedDialogHandler(
            [](const QString &report) { ADD_FAILURE() << report.toStdString(); });
        script.emplace();
    }
    void TearDown() override
    {
        script.reset();
        platform::forms::DialogScript::setUnexpectedDialogHandler({});
        if (m_savedHome.isEmpty())
            qunsetenv("TALVIK_HOME");
        else
            qputenv("TALVIK_HOME", m_savedHome);
    }
    void put(const QString &relative, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(disk.folder() + u'/' + relative).path());
        QFile f(disk.folder() + u'/' + relative);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // Fills the disk and checks afterwards that nothing changed.
    void expectUnchangedAfter(const std::function<void()> &action)
    {
        const auto before = snapshotFolder(disk.folder());
        disk.fill();
        action();
        EXPECT_EQ(snapshotFolder(disk.folder()), before) << (disk.real() ? "tmpfs" : "modelled");
        EXPECT_TRUE(temporaryLeftovers(disk.folder()).isEmpty());
    }

    FullDisk disk;
    std::optional<platform::forms::DialogScript> script;

private:
    QByteArray m_savedHome;
};

} // namespace

TEST_F(CoreOnFullDisk, System2IniKeepsItsKeysAndTheFailureIsShownWithItsCause)
{
    const QByteArray old("[SYSTEM_INFO]\r\nINIT=0\r\nfolder=C:\\data\r\n");
    put(QStringLiteral("system2.ini"), old);
    script->answerNext(platform::forms::vbOK);
    expectUnchangedAfter([] {
        writeIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"),
                       QStringLiteral("1"));
    });
    ASSERT_EQ(script->shown().size(), 1);
    const QString prompt = script->shown()[0].prompt;
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("初期化ファイル設定の不正\r\n"))) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("system2.ini\r\n[SYSTEM_INFO]　INIT\r\n"))) << prompt.toStdString();
    EXPECT_TRUE(prompt.endsWith(QStringLiteral("ディスクの空き領域が不足しています。"))) << prompt.toStdString();
    // The next start still finds its keys.
    EXPECT_EQ(getIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("folder")),
              QStringLiteral("C:\\data"));
    EXPECT_TRUE(script->verify());
}

TEST_F(CoreOnFullDisk, ShortAndLongLogsStayAsTheyWereAndTheCallerHearsOfIt)
{
    // A short log fits in any write buffer; a long one does not.
    for (const int lines : {3, 500}) {
        SCOPED_TRACE(lines);
        QByteArray old;
        for (int i = 0; i < lines; ++i)
            old += platform::codepage::toAnsi(QStringLiteral("2024/05/13 10:%1    古い行 %2\r\n")
                                                  .arg(i % 60, 2, 10, QLatin1Char('0'))
                                                  .arg(i));
        disk.release();
        put(QStringLiteral("dDB.tran/download.log"), old);

        LogWindow window;
        clsLogs logs;
        logs.read(&window.lstLogs);
        ASSERT_EQ(window.lstLogs.ListCount(), lines);
        logs.add(&window.lstLogs, QString(200, u'新'));
        bool raised = false;
        expectUnchangedAfter([&] {
            try {
                logs.toFile(&window.lstLogs);
            } catch (const platform::fileio::WriteError &e) {
                raised = true;
                EXPECT_EQ(e.Number(), platform::err::DiskFull);
                EXPECT_TRUE(e.Description().contains(QStringLiteral("download.log"))) << e.Description().toStdString();
                EXPECT_TRUE(e.Description().endsWith(QStringLiteral("ディスクの空き領域が不足しています。")));
            }
        });
        EXPECT_TRUE(raised);
        EXPECT_TRUE(window.lstLogs.Enabled());
        EXPECT_TRUE(window.lstLogs.Visible());
        EXPECT_EQ(window.lstLogs.ListIndex(), 0);
    }
}
