#include "talvik/core/clsLogs.h"

#include "coreTestSupport.h"

#include "platform/codepage/codepage.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/core/basComVariables.h"

#include <QDir>

using namespace talvik;
using platform::forms::ListBox;

namespace {

class LogWindow : public platform::forms::Form {
public:
    ListBox lstLogs{this, QStringLiteral("lstLogs")};
};

// A clock that starts at a fixed time and advances one minute per reading.
clsLogs::Clock steppingClock(QDateTime start)
{
    auto now = std::make_shared<QDateTime>(start);
    return [now] {
        const QDateTime t = *now;
        *now = now->addSecs(60);
        return t;
    };
}

class LogTest : public talvik::testing::ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("dDB.tran")));
    }
    QString logFile() { return path(QStringLiteral("dDB.tran/download.log")); }

    LogWindow window;
    ListBox *list = &window.lstLogs;
};

} // namespace

TEST_F(LogTest, DefaultFileIsTheWorkingFoldersLog)
{
    clsLogs logs;
    EXPECT_EQ(logs.logPath(), home.path() + QStringLiteral("\\dDB.tran\\download.log"));
    logs.SetPath(home.path() + QStringLiteral("\\dDB\\download.log"));
    EXPECT_EQ(logs.logPath(), home.path() + QStringLiteral("\\dDB\\download.log"));
}

TEST_F(LogTest, AddPutsTheDatedEntryOnTop)
{
    clsLogs logs(steppingClock(QDateTime(QDate(2013, 7, 5), QTime(9, 3, 59))));
    logs.add(list, QStringLiteral("情報データ読み込み(Kita) 追加：48 更新：0"));
    logs.add(list, QStringLiteral("second"));
    ASSERT_EQ(list->ListCount(), 2);
    EXPECT_EQ(list->List(0), QStringLiteral("2013/07/05 09:04    second"));
    EXPECT_EQ(list->List(1), QStringLiteral("2013/07/05 09:03    情報データ読み込み(Kita) 追加：48 更新：0"));
    EXPECT_EQ(clsLogs::entryLine(QDateTime(QDate(2026, 12, 8), QTime(23, 0)), QString()),
              QStringLiteral("2026/12/08 23:00    "));
}

TEST_F(LogTest, SixHundredEntriesKeepTheNewestFiveHundred)
{
    clsLogs logs(steppingClock(QDateTime(QDate(2013, 1, 1), QTime(0, 0))));
    for (int i = 0; i < 600; ++i)
        logs.add(list, QStringLiteral("entry %1").arg(i));
    logs.toFile(list);

    const QByteArray bytes = readBytes(logFile());
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 500);
    EXPECT_EQ(bytes.count('\n'), 500);
    const QStringList lines = QString::fromLatin1(bytes.chopped(2)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 500);
    EXPECT_EQ(lines.front(), QStringLiteral("2013/01/01 09:59    entry 599"));
    EXPECT_EQ(lines[1], QStringLiteral("2013/01/01 09:58    entry 598"));
    EXPECT_EQ(lines.back(), QStringLiteral("2013/01/01 01:40    entry 100"));

    // The list itself keeps everything, is usable again, and shows item 0.
    EXPECT_EQ(list->ListCount(), 600);
    EXPECT_EQ(list->ListIndex(), 0);
    EXPECT_TRUE(list->Enabled());
    EXPECT_TRUE(list->Visible());
}

TEST_F(LogTest, EmptyListGivesAnEmptyFile)
{
    writeBytes(logFile(), "old\r\n");
    clsLogs logs;
    logs.toFile(list);
    EXPECT_EQ(readBytes(logFile()), QByteArray());
    EXPECT_EQ(list->ListIndex(), -1);
}

TEST_F(LogTest, Cp932RoundTrip)
{
    clsLogs logs(steppingClock(QDateTime(QDate(2013, 7, 25), QTime(14, 30))));
    const QString text = QStringLiteral("ﾃﾞｰﾀ保存　A社（北）～①");
    logs.add(list, text);
    logs.toFile(list);
    EXPECT_EQ(readBytes(logFile()),
              platform::codepage::toAnsi(QStringLiteral("2013/07/25 14:30    ") + text) + "\r\n");

    LogWindow other;
    clsLogs reader;
    reader.read(&other.lstLogs);
    ASSERT_EQ(other.lstLogs.ListCount(), 1);
    EXPECT_EQ(other.lstLogs.List(0), QStringLiteral("2013/07/25 14:30    ") + text);
}

TEST_F(LogTest, ReadThenToFileRewritesTheFileUnchanged)
{
    // Lines of any form are read as they stand, empty ones included.
    const QByteArray original = "2013/07/25 14:30    \x8f\xee\x95\xf1\r\n" // "情報"
                                "\r\n"
                                "free text \xb1\xb2\r\n"                     // half-width kana
                                "2012/01/01 00:00    x\r\n";
    writeBytes(logFile(), original);
    clsLogs logs;
    logs.read(list);
    ASSERT_EQ(list->ListCount(), 4);
    EXPECT_EQ(list->List(0), QStringLiteral("2013/07/25 14:30    情報"));
    EXPECT_EQ(list->List(1), QString());
    EXPECT_EQ(list->List(2), QStringLiteral("free text ｱｲ"));
    logs.toFile(list);
    EXPECT_EQ(readBytes(logFile()), original);

    // A file written with LF only is read line by line and saved with CR LF.
    writeBytes(logFile(), "a\nb\n");
    logs.read(list);
    ASSERT_EQ(list->ListCount(), 2);
    logs.toFile(list);
    EXPECT_EQ(readBytes(logFile()), QByteArray("a\r\nb\r\n"));
}

TEST_F(LogTest, ReadOfAMissingFileEmptiesTheList)
{
    list->AddItem(QStringLiteral("stale"));
    clsLogs logs;
    logs.read(list);
    EXPECT_EQ(list->ListCount(), 0);
}

TEST_F(LogTest, WriteFailureReachesTheCallerAndRestoresTheList)
{
    clsLogs logs;
    logs.SetPath(home.path() + QStringLiteral("\\missing\\download.log"));
    logs.add(list, QStringLiteral("x"));
    try {
        logs.toFile(list);
        ADD_FAILURE() << "no error raised";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), platform::err::PathNotFound);
    }
    EXPECT_TRUE(list->Enabled());
    EXPECT_TRUE(list->Visible());
    EXPECT_FALSE(QDir(path(QStringLiteral("missing"))).exists());
}

TEST_F(LogTest, UnencodableCharactersDoNotStopTheSave)
{
    clsLogs logs(steppingClock(QDateTime(QDate(2013, 7, 25), QTime(14, 30))));
    logs.add(list, QString::fromUtf8("A\xF0\x9F\x98\x80" "B\xC3\xA9"));
    logs.toFile(list);
    EXPECT_EQ(readBytes(logFile()), QByteArray("2013/07/25 14:30    A?B?\r\n"));
}

TEST_F(LogTest, NullListAndNullLogAreHarmless)
{
    writeBytes(logFile(), "kept\r\n");
    clsLogs logs;
    logs.read(nullptr);
    logs.add(nullptr, QStringLiteral("x"));
    logs.toFile(nullptr);
    EXPECT_EQ(readBytes(logFile()), QByteArray("kept\r\n"));

    clsLogs *saved = appLogs;
    appLogs = nullptr;
    appLogsAdd(list, QStringLiteral("nobody logs this"));
    EXPECT_EQ(list->ListCount(), 0);
    clsLogs current(steppingClock(QDateTime(QDate(2013, 7, 25), QTime(8, 0))));
    appLogs = &current;
    appLogsAdd(list, QStringLiteral("logged"));
    appLogsAdd(nullptr, QStringLiteral("no list"));
    appLogs = saved;
    ASSERT_EQ(list->ListCount(), 1);
    EXPECT_EQ(list->List(0), QStringLiteral("2013/07/25 08:00    logged"));
}
