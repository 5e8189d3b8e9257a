#include "talvik/core/basComFunction.h"

#include "coreTestSupport.h"

#include "platform/codepage/codepage.h"
#include "platform/forms/constants.h"
#include "platform/forms/dialogscript.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace talvik;
using platform::forms::DialogScript;
using platform::forms::ShownDialog;
using talvik::testing::ProgramFolderTest;

TEST(ModelPredicates, Matrix)
{
    struct Case {
        const char *text;
        bool rdx9, t4kb, t4ka, t4kaV10, t4kaNotV10, t6ka;
    };
    const Case cases[] = {
        {"RDX-9 Ver.2.00", true, false, false, false, false, false},
        {"T4KA Ver.1.0", false, false, true, true, false, false},
        {"T4KA Ver.2.1", false, false, true, false, true, false},
        {"T4KB Ver.1.0", false, true, false, false, false, false},
        {"T6KA Ver.3.0", false, false, false, false, false, true},
        {"1.0 T4KA", false, false, true, true, false, false},     // position does not matter
        {"RDX-9 T4KA", true, false, true, false, true, false},    // several models at once
        {"t4ka 1.0 rdx-9 t6ka", false, false, false, false, false, false}, // case-sensitive
        {"T4K A 1.0", false, false, false, false, false, false},
        {"", false, false, false, false, false, false},
    };
    for (const Case &c : cases) {
        const QString v = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(isModelRdx9(v), c.rdx9);
        EXPECT_EQ(isModelT4kb(v), c.t4kb);
        EXPECT_EQ(isModelT4ka(v), c.t4ka);
        EXPECT_EQ(isModelT4kaV10(v), c.t4kaV10);
        EXPECT_EQ(isModelT4kaNotV10(v), c.t4kaNotV10);
        EXPECT_EQ(isModelT6ka(v), c.t6ka);
    }
}

TEST(TreeKeys, LevelsAndCaptionsOfEveryNodeKind)
{
    struct Case {
        QString key;
        int level;
        QString caption;
    };
    const Case cases[] = {
        {QStringLiteral("\\dDB.tran"), 0, QStringLiteral("ルート")},
        {QStringLiteral("\\dDB.tran\\Kita"), 1, QStringLiteral("Kita")},
        {QStringLiteral("\\dDB.tran\\Kita\\2013年"), 2, QStringLiteral("Kita 2013年")},
        {QStringLiteral("\\dDB.tran\\Kita\\2013年::1307"), 3, QStringLiteral("Kita 2013年07月")},
        {QStringLiteral("\\dDB.tran\\Kita\\2013年::130725"), 4, QStringLiteral("Kita 2013年07月25日")},
        {QStringLiteral("\\dDB.tran\\北の森\\2009年::0901"), 3, QStringLiteral("北の森 2009年01月")},
        {QStringLiteral("\\dDB.tran\\A社\\2020年::200229"), 4, QStringLiteral("A社 2020年02月29日")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        EXPECT_EQ(getTreeKeyLevel(c.key), c.level);
        EXPECT_EQ(getTreeKeyCaption(c.key), c.caption);
    }
}

TEST(TreeKeys, MalformedKeysNeitherCrashNorClaimADeeperLevel)
{
    // No path part after the root.
    EXPECT_EQ(getTreeKeyLevel(QString()), 0);
    EXPECT_EQ(getTreeKeyLevel(QStringLiteral("\\dDB.tran\\")), 0);
    EXPECT_EQ(getTreeKeyCaption(QString()), QStringLiteral("ルート"));
    // Three or more parts: level 0, empty caption.
    EXPECT_EQ(getTreeKeyLevel(QStringLiteral("\\dDB.tran\\Kita\\2013年\\extra")), 0);
    EXPECT_EQ(getTreeKeyCaption(QStringLiteral("\\dDB.tran\\Kita\\2013年\\extra")), QString());
    // A suffix of other than four characters counts as a day; missing digits stay empty.
    EXPECT_EQ(getTreeKeyLevel(QStringLiteral("\\dDB.tran\\Kita\\2013年::13")), 4);
    EXPECT_EQ(getTreeKeyCaption(QStringLiteral("\\dDB.tran\\Kita\\2013年::13")), QStringLiteral("Kita 2013年月日"));
    EXPECT_EQ(getTreeKeyLevel(QStringLiteral("\\dDB.tran\\Kita\\2013年::")), 4);
    // The root key compares exactly.
    EXPECT_EQ(getTreeKeyLevel(QStringLiteral("\\ddb.tran")), 0);
}

TEST(Numbers, DaysInMonthAcrossLeapRules)
{
    EXPECT_EQ(daysInMonth(2000, 2), 29); // multiple of 400
    EXPECT_EQ(daysInMonth(1900, 2), 28); // multiple of 100 only
    EXPECT_EQ(daysInMonth(2100, 2), 28);
    EXPECT_EQ(daysInMonth(2012, 2), 29); // multiple of 4
    EXPECT_EQ(daysInMonth(2013, 2), 28);
    EXPECT_EQ(daysInMonth(2013, 13), 0);
    EXPECT_EQ(daysInMonth(2013, 0), 0);
    EXPECT_EQ(daysInMonth(2013, -1), 0);
    const int expected[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(daysInMonth(2013, m), expected[m - 1]) << m;
}

TEST(Numbers, TryParseIntegerRoundsHalfToEvenAndRefusesOverflow)
{
    std::int16_t v = 123;
    EXPECT_FALSE(tryParseInteger(QStringLiteral("40000"), v));
    EXPECT_EQ(v, 123);
    EXPECT_FALSE(tryParseInteger(QString(), v));
    EXPECT_FALSE(tryParseInteger(QStringLiteral("abc"), v));
    EXPECT_FALSE(tryParseInteger(QStringLiteral("-32769"), v));
    EXPECT_EQ(v, 123);
    EXPECT_TRUE(tryParseInteger(QStringLiteral("12.5"), v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(tryParseInteger(QStringLiteral("13.5"), v));
    EXPECT_EQ(v, 14);
    EXPECT_TRUE(tryParseInteger(QStringLiteral("-32768"), v));
    EXPECT_EQ(v, -32768);
    EXPECT_TRUE(tryParseInteger(QStringLiteral("0019"), v));
    EXPECT_EQ(v, 19);
}

TEST(BusyFlag, SetAndClear)
{
    commBusy = false;
    setBusy(QStringLiteral("cmdRead_Click"));
    EXPECT_TRUE(commBusy);
    setBusy(QStringLiteral("again"));
    EXPECT_TRUE(commBusy);
    clearBusy(QStringLiteral("cmdData_Click"));
    EXPECT_FALSE(commBusy);
}

using FileRoutines = ProgramFolderTest;

TEST_F(FileRoutines, ExistenceDeletionAndParent)
{
    const QString dDB = home.path() + QStringLiteral("\\dDB");
    EXPECT_FALSE(folderExists(dDB));
    EXPECT_FALSE(fileExists(QString()));
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("dDB/Kita/2013年")));
    writeBytes(path(QStringLiteral("dDB/Kita/2013年/demand.csv")), "x");
    EXPECT_TRUE(folderExists(dDB));
    EXPECT_FALSE(fileExists(dDB));
    EXPECT_TRUE(fileExists(dDB + QStringLiteral("\\Kita\\2013年\\demand.csv")));

    // Read-only contents do not stop it; a missing folder is skipped silently.
    QFile::setPermissions(path(QStringLiteral("dDB/Kita/2013年/demand.csv")), QFileDevice::ReadOwner);
    deleteFolderIfExists(dDB);
    EXPECT_FALSE(folderExists(dDB));
    deleteFolderIfExists(dDB);
    deleteFolderIfExists(home.path() + QStringLiteral("\\dDB.dl"));

    EXPECT_EQ(getParentFolderName(QStringLiteral("\\dDB.tran\\Kita\\2013年")), QStringLiteral("\\dDB.tran\\Kita"));
    EXPECT_EQ(getParentFolderName(home.path() + QStringLiteral("/dDB.tran/download.log")),
              home.path() + QStringLiteral("/dDB.tran"));
}

using IniRoutines = ProgramFolderTest;

TEST_F(IniRoutines, ReadsAndWritesBesideTheProgram)
{
    writeBytes(path(QStringLiteral("system2.ini")), "[SYSTEM_INFO]\r\nINIT=0\r\nfolder=  C:\\Data  \r\n");
    EXPECT_EQ(getIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT")),
              QStringLiteral("0"));
    EXPECT_EQ(getIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("folder")),
              QStringLiteral("C:\\Data"));

    DialogScript script;
    writeIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), QStringLiteral("1"));
    EXPECT_EQ(readBytes(path(QStringLiteral("system2.ini"))),
              QByteArray("[SYSTEM_INFO]\r\nINIT=1\r\nfolder=  C:\\Data  \r\n"));
    writeIniString(QStringLiteral("\\Graph.ini"), QStringLiteral("グラフ"), QStringLiteral("スケール"), QStringLiteral("1"));
    EXPECT_EQ(readBytes(path(QStringLiteral("Graph.ini"))),
              platform::codepage::toAnsi(QStringLiteral("[グラフ]\r\nスケール=1\r\n")));
    EXPECT_TRUE(script.shown().isEmpty());
    EXPECT_TRUE(script.verify());
}

TEST_F(IniRoutines, BlankValueWritesAndReportsNothing)
{
    DialogScript script;
    writeIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), QStringLiteral("   "));
    writeIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), QString());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("system2.ini"))));
    EXPECT_TRUE(script.shown().isEmpty());
}

TEST_F(IniRoutines, FailedWriteIsReportedAndTheCallerGoesOn)
{
    DialogScript script;
    script.answerNext(platform::forms::vbOK);
    script.answerNext(platform::forms::vbOK);
    writeIniString(QStringLiteral("\\missing\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), QStringLiteral("1"));
    // A value CP932 cannot hold is refused rather than written as "?".
    writeIniString(QStringLiteral("\\system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("folder"),
                   QString::fromUtf8("\xF0\x9F\x98\x80"));
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("初期化ファイル設定の不正\r\n") + home.path()
                                             + QStringLiteral("/missing/system2.ini\r\n[SYSTEM_INFO]　INIT\r\n")
                                             + QStringLiteral("フォルダが見つかりません。"));
    EXPECT_EQ(script.shown()[0].style, platform::forms::vbOKOnly);
    EXPECT_TRUE(script.shown()[1].prompt.startsWith(QStringLiteral("初期化ファイル設定の不正\r\n")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("system2.ini"))));
    EXPECT_TRUE(script.verify());
}

// The fatal path runs in a child process: the box is answered by the script,
// the child reports what it saw on stderr and must then end with the failure
// code without running the code after the call.
namespace {

// Runs getIniString under a script whose answer prints "box-ok" when the box
// shows the expected text; prints "went-on" if the call ever returns.
void fatalRead(const QString &home, const QString &section, const QString &key, bool insideEventLoop)
{
    const QString expected = QStringLiteral("初期化ファイル取得の不正により、プログラム終了します\r\n") + home
                             + QStringLiteral("/system2.ini\r\n[") + section + QStringLiteral("]　") + key;
    DialogScript script;
    script.answerNextWith([expected](const ShownDialog &box) {
        std::fprintf(stderr, box.prompt == expected ? "box-ok\n" : "box-wrong: %s\n", box.prompt.toUtf8().constData());
        return platform::forms::vbOK;
    });
    auto call = [&] {
        getIniString(QStringLiteral("\\system2.ini"), section, key);
        std::fprintf(stderr, "went-on\n");
    };
    if (insideEventLoop) {
        QEventLoop loop;
        QTimer::singleShot(0, call);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        call();
    }
    std::fflush(stderr);
    std::_Exit(0);
}

} // namespace

TEST_F(IniRoutines, MissingFileEndsTheProgramBeforeTheEventLoop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(fatalRead(home.path(), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), false),
                ::testing::ExitedWithCode(EXIT_FAILURE), "box-ok");
}

TEST_F(IniRoutines, EmptyValueEndsTheProgramFromInsideTheEventLoop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    writeBytes(path(QStringLiteral("system2.ini")), "[SYSTEM_INFO]\r\nINIT=\r\n");
    EXPECT_EXIT(fatalRead(home.path(), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT"), true),
                ::testing::ExitedWithCode(EXIT_FAILURE), "box-ok");
}

TEST_F(IniRoutines, MissingKeyEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    writeBytes(path(QStringLiteral("system2.ini")), "[SYSTEM_INFO]\r\nINIT=1\r\n");
    EXPECT_EXIT(fatalRead(home.path(), QStringLiteral("SYSTEM_INFO"), QStringLiteral("folder"), false),
                ::testing::ExitedWithCode(EXIT_FAILURE), "box-ok");
}

using AlarmInfo = ProgramFolderTest;

TEST_F(AlarmInfo, TwoLinesGiveTwoRowsAndTheEndRow)
{
    writeBytes(path(QStringLiteral("1as.csv")), "20130725,0930,3,1\r\n20130725,1000, 0 ,2,extra\r\n");
    DialogScript script;
    EXPECT_TRUE(GetCsvFileAlarmInfo(home.path() + QStringLiteral("\\1as.csv")));
    ASSERT_EQ(alarmInfo.size(), 3u);
    EXPECT_EQ(alarmInfo[0].timeKey, QStringLiteral("201307250930"));
    EXPECT_EQ(alarmInfo[0].cautionCount, QStringLiteral("3"));
    EXPECT_EQ(alarmInfo[0].limitCount, QStringLiteral("1"));
    EXPECT_EQ(alarmInfo[1].timeKey, QStringLiteral("201307251000"));
    EXPECT_EQ(alarmInfo[1].cautionCount, QStringLiteral(" 0 ")); // taken as it stands
    EXPECT_EQ(alarmInfo[1].limitCount, QStringLiteral("2"));
    EXPECT_EQ(alarmInfo[2].timeKey, QStringLiteral("209901010000"));
    EXPECT_TRUE(script.shown().isEmpty());
}

TEST_F(AlarmInfo, MissingFileGivesOnlyTheEndRow)
{
    alarmInfo.assign(5, AlarmInfoRow{QStringLiteral("x"), {}, {}});
    EXPECT_FALSE(GetCsvFileAlarmInfo(path(QStringLiteral("none.csv"))));
    ASSERT_EQ(alarmInfo.size(), 1u);
    EXPECT_EQ(alarmInfo[0].timeKey, QStringLiteral("209901010000"));
}

TEST_F(AlarmInfo, ReadErrorKeepsFullRowsEndsWithTheEndRowAndReports)
{
    struct Case {
        QByteArray content;
        size_t rowsKept;
    };
    const Case cases[] = {
        {"20130725,0930,3,1\r\n20130725,1000,1\r\n20130725,1030,0,0\r\n", 1}, // short line
        {"20130725,0930,3,1\r\n\r\n20130725,1030,0,0\r\n", 1},                 // empty line inside
        {"20130725,0930,3,1\r\n20130725,1000,\x82,0\r\n", 1},                  // not CP932
        {"a,b\n", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content.toStdString());
        writeBytes(path(QStringLiteral("as.csv")), c.content);
        DialogScript script;
        script.answerNext(platform::forms::vbOK);
        EXPECT_FALSE(GetCsvFileAlarmInfo(path(QStringLiteral("as.csv"))));
        ASSERT_EQ(alarmInfo.size(), c.rowsKept + 1);
        if (c.rowsKept > 0) {
            EXPECT_EQ(alarmInfo[0].timeKey, QStringLiteral("201307250930"));
        }
        EXPECT_EQ(alarmInfo.back().timeKey, QStringLiteral("209901010000"));
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_TRUE(script.shown()[0].prompt.startsWith(QStringLiteral("GetCsvFileAlarmInfo: ")));
        EXPECT_GT(script.shown()[0].prompt.size(), QStringLiteral("GetCsvFileAlarmInfo: ").size());
    }
}

TEST_F(AlarmInfo, LfOnlyAndMissingFinalLineEnd)
{
    writeBytes(path(QStringLiteral("as.csv")), "20130725,0930,3,1\n20130725,1000,0,0");
    EXPECT_TRUE(GetCsvFileAlarmInfo(path(QStringLiteral("as.csv"))));
    ASSERT_EQ(alarmInfo.size(), 3u);
    EXPECT_EQ(alarmInfo[1].limitCount, QStringLiteral("0"));
}
