// The dedicated CSV: export lines and bytes, the reading of import lines into
// RD blocks with the refusals, and the data window's export and import
// commands against a fresh store.
#include "dataWindowFixture.h"
#include "talvik/dataview/csvFormat.h"
#include "platform/fileio/durable.h"

#include "platform/forms/constants.h"
#include "platform/forms/flexgrid.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/customerName.h"
#include "talvik/store/dataWindow.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QStringList>
#include <gtest/gtest.h>

using talvik::CsvLine;

namespace {

QByteArray block(const char *yymmddhhmmwatt)
{
    QByteArray b = talvik::csvNewFrame();
    b.replace(3, 14, yymmddhhmmwatt);
    return b;
}

int runtimeErrorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const platform::RuntimeError &e) {
        return e.Number();
    }
    return 0;
}

} // namespace

// ---- numeric value of a field ----

TEST(CsvNumericValue, ReadsTheLeadingNumberAndIgnoresBlanks)
{
    bool digits = false;
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral("12.3"), &digits), 12.3);
    EXPECT_TRUE(digits);
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral(" 1 2\t3 ")), 123);
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral("-5")), -5);
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral("+7")), 7);
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral(".5")), 0.5);
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral("1.2.3")), 1.2);
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral("10:30")), 10);
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral("20240514(火)")), 20240514);
    // No exponent: reading stops at the letter.
    EXPECT_DOUBLE_EQ(talvik::csvNumericValue(QStringLiteral("1e3")), 1);
}

TEST(CsvNumericValue, NoDigitsGivesZeroAndSaysSo)
{
    for (const char *text : {"", "abc", "-", ".", " \t", "+."}) {
        bool digits = true;
        EXPECT_EQ(talvik::csvNumericValue(QString::fromLatin1(text), &digits), 0) << text;
        EXPECT_FALSE(digits) << text;
    }
}

// ---- export ----

TEST(CsvExport, LineFromGridCells)
{
    EXPECT_EQ(talvik::csvExportLine(QStringLiteral("2024年05月13日"), QStringLiteral("10時00分"),
                                    QStringLiteral("12.3")),
              QStringLiteral("20240513,1000,0123"));
    EXPECT_EQ(talvik::csvExportLine(QStringLiteral("2024年05月13日"), QStringLiteral("00時30分"),
                                    QStringLiteral("0.0")),
              QStringLiteral("20240513,0030,0000"));
    EXPECT_EQ(talvik::csvExportLine(QStringLiteral("2024年12月31日"), QStringLiteral("23時30分"),
                                    QStringLiteral("999.9")),
              QStringLiteral("20241231,2330,9999"));
    // Halves go to the even number.
    EXPECT_EQ(talvik::csvExportLine(QStringLiteral("2024年01月01日"), QStringLiteral("00時00分"),
                                    QStringLiteral("0.25")),
              QStringLiteral("20240101,0000,0002"));
    // The service-mode date keeps its weekday; 月 and 日 vanish wherever they stand.
    EXPECT_EQ(talvik::csvExportLine(QStringLiteral("2024年05月14日(火)"), QStringLiteral("10時00分"),
                                    QStringLiteral("1.0")),
              QStringLiteral("20240514(火),1000,0010"));
    EXPECT_EQ(talvik::csvExportLine(QStringLiteral("2024年05月13日(月)"), QStringLiteral("10時00分"),
                                    QStringLiteral("1.0")),
              QStringLiteral("20240513(),1000,0010"));
}

TEST(CsvExport, DemandBeyondSixteenBitsIsAnOverflow)
{
    EXPECT_EQ(runtimeErrorOf([] {
                  talvik::csvExportLine(QStringLiteral("2024年05月13日"), QStringLiteral("10時00分"),
                                        QStringLiteral("3276.8"));
              }),
              platform::err::Overflow);
    EXPECT_EQ(talvik::csvExportLine(QStringLiteral("2024年05月13日"), QStringLiteral("10時00分"),
                                    QStringLiteral("3276.7")),
              QStringLiteral("20240513,1000,32767"));
}

TEST(CsvExport, ImageBytesAreCp932WithCrLf)
{
    platform::forms::MSHFlexGrid grid;
    grid.setCols(5);
    grid.setRows(1);
    EXPECT_TRUE(talvik::csvExportImage(grid).isEmpty()); // header row alone: no lines

    grid.setRows(4);
    const QStringList rows[] = {
        {QStringLiteral("2024年05月13日"), QStringLiteral("10時00分"), QStringLiteral("10時30分"), QStringLiteral("12.3"),
         QStringLiteral("2024/05/13 11:02")},
        {QStringLiteral("2024年05月13日"), QStringLiteral("10時30分"), QStringLiteral("11時00分"), QStringLiteral("0.0"),
         QString()},
        {QStringLiteral("2024年05月14日(火)"), QStringLiteral("00時00分"), QStringLiteral("00時30分"),
         QStringLiteral("999.9"), QString()},
    };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            grid.setTextMatrix(r + 1, c, rows[r][c]);
    const QByteArray expected = QByteArray("20240513,1000,0123\r\n"
                                           "20240513,1030,0000\r\n"
                                           "20240514(\x89\xCE),0000,9999\r\n");
    EXPECT_EQ(talvik::csvExportImage(grid), expected);
}

TEST(CsvExport, ProposedFileAndCustomerNames)
{
    EXPECT_EQ(talvik::csvDefaultFileName(QStringLiteral("Kita 2013年07月")), QStringLiteral("Kita.CSV"));
    EXPECT_EQ(talvik::csvDefaultFileName(QStringLiteral("Kita 2013年07月25日")), QStringLiteral("Kita.CSV"));
    EXPECT_EQ(talvik::csvDefaultFileName(QStringLiteral("Kita")), QStringLiteral("Kita.CSV"));
    EXPECT_EQ(talvik::csvDefaultFileName(QString()), QString());

    EXPECT_EQ(talvik::csvCustomerFromPath(QStringLiteral("/home/u/Data.CSV.csv")), QStringLiteral("Data"));
    EXPECT_EQ(talvik::csvCustomerFromPath(QStringLiteral("C:\\dir\\北工場.Csv")), QStringLiteral("北工場"));
    EXPECT_EQ(talvik::csvCustomerFromPath(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(talvik::csvCustomerFromPath(QStringLiteral("/x/.csv")), QString());
}

// ---- lines ----

TEST(CsvLines, EveryLineEndIsAccepted)
{
    const QList<QByteArray> expected = {"a", "b", "c"};
    EXPECT_EQ(talvik::csvSplitLines("a\r\nb\r\nc\r\n"), expected);
    EXPECT_EQ(talvik::csvSplitLines("a\nb\nc\n"), expected);
    EXPECT_EQ(talvik::csvSplitLines("a\rb\rc\r"), expected);
    EXPECT_EQ(talvik::csvSplitLines("a\r\nb\nc"), expected); // last line without an end
    EXPECT_EQ(talvik::csvSplitLines("a\n\r\nb"), (QList<QByteArray>{"a", "", "b"}));
    EXPECT_EQ(talvik::csvSplitLines("a\r\rb"), (QList<QByteArray>{"a", "", "b"}));
    EXPECT_TRUE(talvik::csvSplitLines("").isEmpty());
}

TEST(CsvLines, GoodLinesFillTheBlock)
{
    QByteArray frame = talvik::csvNewFrame();
    ASSERT_EQ(frame.size(), 18);
    EXPECT_EQ(talvik::csvLineToBlock("20240513,1000,0123", frame), CsvLine::Block);
    EXPECT_EQ(frame, block("24051310000123"));
    // Short fields are padded; blanks are ignored; the time 10:30 reads as 10.
    EXPECT_EQ(talvik::csvLineToBlock(" 20240513 , 930 ,5", frame), CsvLine::Block);
    EXPECT_EQ(frame, block("24051309300005"));
    EXPECT_EQ(talvik::csvLineToBlock("20240513,10:30,12", frame), CsvLine::Block);
    EXPECT_EQ(frame, block("24051300100012"));
    // The service-mode export's weekday stops the date's value.
    EXPECT_EQ(talvik::csvLineToBlock("20240514(\x89\xCE),0000,9999", frame), CsvLine::Block);
    EXPECT_EQ(frame, block("24051400009999"));
    // Decimal values are rounded half to even.
    EXPECT_EQ(talvik::csvLineToBlock("20240513,1000,12.5", frame), CsvLine::Block);
    EXPECT_EQ(frame, block("24051310000012"));
}

TEST(CsvLines, LinesThatCannotBeOneRecordAreRejected)
{
    QByteArray frame = talvik::csvNewFrame();
    ASSERT_EQ(talvik::csvLineToBlock("20240513,1000,0123", frame), CsvLine::Block);
    const QByteArray before = frame;
    for (const char *line : {
             "20240513",            // one field
             "20240513,1100",       // two fields: never the previous line's demand
             "20240513,,0123",      // a field without digits
             "20240513,1000,x",     //
             "2024051,930,5",       // seven-digit date
             "202405131,1000,0123", // nine digits: not cut to the last six
             "19991231,1000,0123",  // outside 2000-2099
             "-20240513,1000,0123", //
             "20240513,12345,0123", // five-digit time
             "20240513,-5,0123",    //
             "20240513,1000,12345", // five-digit demand: not cut to 1234
             "20240513,1000,-5",    //
         }) {
        EXPECT_EQ(talvik::csvLineToBlock(line, frame), CsvLine::Rejected) << line;
        EXPECT_EQ(frame, before) << line; // nothing half written
    }
}

TEST(CsvLines, SixDigitDatesGiveTheSameRecordAsEightDigitOnes)
{
    QByteArray eight = talvik::csvNewFrame();
    ASSERT_EQ(talvik::csvLineToBlock("20240513,1000,0123", eight), CsvLine::Block);
    QByteArray six = talvik::csvNewFrame();
    ASSERT_EQ(talvik::csvLineToBlock("240513,1000,0123", six), CsvLine::Block);
    EXPECT_EQ(six, eight);
    // Fewer digits are padded with zeros, as the date field is formatted.
    QByteArray shorter = talvik::csvNewFrame();
    ASSERT_EQ(talvik::csvLineToBlock("10513,0930,0005", shorter), CsvLine::Block);
    EXPECT_EQ(shorter.mid(3, 14), QByteArray("01051309300005"));
    // Another century is never cut to a 20YY date.
    QByteArray other = talvik::csvNewFrame();
    EXPECT_EQ(talvik::csvLineToBlock("19991231,1000,0123", other), CsvLine::Rejected);
    EXPECT_EQ(talvik::csvLineToBlock("1000000,1000,0123", other), CsvLine::Rejected);
}

TEST(CsvLines, EmptyTooLongAndOverflowingLines)
{
    QByteArray frame = talvik::csvNewFrame();
    EXPECT_EQ(talvik::csvLineToBlock("", frame), CsvLine::Empty);
    EXPECT_EQ(talvik::csvLineToBlock(" \t ", frame), CsvLine::Empty);
    EXPECT_EQ(talvik::csvLineToBlock("20240513,1000,0123,1", frame), CsvLine::TooManyFields);
    EXPECT_EQ(talvik::csvLineToBlock("20240513,1000,0123,", frame), CsvLine::TooManyFields);
    EXPECT_EQ(runtimeErrorOf([&] { talvik::csvLineToBlock("99999999999,1000,0123", frame); }),
              platform::err::Overflow);
    EXPECT_EQ(runtimeErrorOf([&] { talvik::csvLineToBlock("20240513,1000,2147483648", frame); }),
              platform::err::Overflow);
}

// ---- reading a file image into the record ----

TEST(CsvRead, BlocksReachTheRecordAndRefusalsAreCounted)
{
    talvik::clsDataD record;
    record.initData();
    int refused = 0;
    // LF line ends, an empty line, a line the record refuses (month 13), a
    // short line and a CR-only line end.
    const QByteArray image = "20240513,1000,0123\n"
                             "\n"
                             "20241313,1000,0001\n"
                             "20240513,1030\n"
                             "20240229,2330,0456\r"
                             "20230229,0000,0001\r\n";
    const talvik::CsvReadCounts counts = talvik::csvReadBlocks(image, record, [&] { ++refused; });
    EXPECT_EQ(counts.lines, 6);
    EXPECT_EQ(counts.accepted, 2);
    EXPECT_EQ(counts.rejected, 3); // month 13, the short line, 29 Feb 2023
    EXPECT_EQ(refused, 3);
    ASSERT_EQ(record.count(), 2);
    record.setIdx(1);
    EXPECT_EQ(record.year() + record.month() + record.day() + record.hour() + record.minute(),
              QStringLiteral("2402292330"));
    EXPECT_EQ(record.watt(), QStringLiteral("0456"));
}

TEST(CsvRead, FourFieldsRefuseTheFileAfterTheBlocksBefore)
{
    talvik::clsDataD record;
    record.initData();
    const QByteArray image = "20240513,1000,0123\r\n20240513,1030,0001,9\r\n20240513,1100,0002\r\n";
    EXPECT_EQ(runtimeErrorOf([&] { talvik::csvReadBlocks(image, record, {}); }), platform::err::TypeMismatch);
    // The earlier block stays unmerged in the record; the caller does not fire.
    EXPECT_EQ(record.count(), 1);
}

TEST(CsvRead, CountsGoBeyondSixteenBits)
{
    talvik::clsDataD record;
    record.initData();
    QByteArray image;
    // 40,000 half hours from 1 January 2024.
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < 40000; ++i)
        image += start.addSecs(qint64(i) * 1800).toString(QStringLiteral("yyyyMMdd,HHmm")).toLatin1() + ",0001\r\n";
    const talvik::CsvReadCounts counts = talvik::csvReadBlocks(image, record, {});
    EXPECT_EQ(counts.accepted, 40000);
    EXPECT_EQ(record.count(), 40000);
}

// ---- the data window's commands ----

namespace {

class CsvWindowTest : public dwtest::DataWindowTest {
protected:
    void SetUp() override
    {
        DataWindowTest::SetUp();
        m_savedDir = QDir::currentPath();
        makeStore();
        // The store run logs through the window's log, as the program does.
        talvik::storeServices().addLog = [](platform::forms::ListBox *list, const QString &text) {
            talvik::appLogsAdd(list, text);
        };
        QObject::connect(&wait, &platform::forms::Form::Loaded, [this] { ++waitLoads; });
        talvik::waitForm = &wait;
        loadWindow(); // the window becomes the wait dialog's parent
    }
    void TearDown() override
    {
        if (wait.isLoaded())
            wait.Unload();
        DataWindowTest::TearDown();
        talvik::waitForm = nullptr;
        QDir::setCurrent(m_savedDir);
    }

    // The table lines of a year without their acquisition time.
    QList<QByteArray> tableRecords(const QString &yearFolder) const
    {
        QList<QByteArray> records;
        for (const QByteArray &line : talvik::csvSplitLines(readFile(yearFolder + QStringLiteral("/demand.csv"))))
            if (!line.isEmpty())
                records << line.left(14);
        return records;
    }

    // Imports `bytes` from a file named `fileName` (the customer dialog
    // double answers); `answerBox` answers one message box expected after it.
    void importFile(const QString &fileName, const QByteArray &bytes, int answerBox = -1)
    {
        writeFile(QStringLiteral("in/") + fileName, bytes);
        script->chooseFile(path(QStringLiteral("in/") + fileName));
        if (answerBox >= 0)
            script->answerNext(answerBox);
        w->importCsvFile();
    }

    int logCount(const QString &text) { return int(logTexts().count(text)); }

    talvik::frmWait wait;
    int waitLoads = 0;

private:
    QString m_savedDir;
};

} // namespace

TEST_F(CsvWindowTest, ExportWritesTheTableAndImportBringsItBack)
{
    clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年"));
    ASSERT_EQ(w->mfgData().Rows(), 4);
    script->chooseFile(path(QStringLiteral("out/東京工場.CSV")));
    QDir().mkpath(path(QStringLiteral("out")));
    waitLoads = 0;
    w->writeCsvFile();

    ASSERT_FALSE(script->shown().isEmpty());
    const platform::forms::ShownDialog &save = script->shown().first();
    EXPECT_EQ(save.kind, platform::forms::ShownDialog::SaveFile);
    EXPECT_EQ(save.prompt, QStringLiteral("東京工場.CSV")); // caption up to its blank
    EXPECT_EQ(save.title, QStringLiteral("ＣＳＶ出力"));
    EXPECT_EQ(save.filter, QString());
    const QByteArray exported = readFile(QStringLiteral("out/東京工場.CSV"));
    EXPECT_EQ(exported, QByteArray("20240105,1000,0123\r\n20240105,1030,0456\r\n20240210,0900,0200\r\n"));
    EXPECT_EQ(QDir(path(QStringLiteral("out"))).entryList(QDir::Files), QStringList{QStringLiteral("東京工場.CSV")});
    EXPECT_EQ(QDir(platform::shell::CurDir()).canonicalPath(), QDir(platform::shell::desktopFolder()).canonicalPath());
    // The wait dialog kept the window disabled while writing, and is gone.
    EXPECT_EQ(waitLoads, 1);
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(w->Enabled());

    // Into a new customer named after the file.
    importFile(QStringLiteral("北工場.CSV.csv"), exported);
    EXPECT_EQ(dialogs.lastAddCustom, QStringLiteral("北工場"));
    EXPECT_EQ(dialogs.lastCustom, QStringLiteral("北工場"));
    const platform::forms::ShownDialog &open = script->shown().last();
    EXPECT_EQ(open.kind, platform::forms::ShownDialog::OpenFile);
    EXPECT_EQ(open.filter, QStringLiteral("専用CSV(*.CSV)|*.CSV"));
    EXPECT_EQ(open.style, 530436);
    EXPECT_EQ(tableRecords(QStringLiteral("dDB.tran/北工場/2024年")), tableRecords(QStringLiteral("dDB.tran/東京工場/2024年")));
    EXPECT_TRUE(w->dataChanged());
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\北工場\\2024年")));
    const QStringList logs = logTexts();
    EXPECT_TRUE(logs.contains(QStringLiteral("お客さま名の新規作成　「北工場」")));
    EXPECT_TRUE(logs.contains(QStringLiteral("情報データ読み込み(追加：3 更新：0)　　　-->　「北工場」")));
    EXPECT_EQ(logCount(talvik::kCsvRejectedLog), 0);
    EXPECT_TRUE(script->verify());

    // Again into the existing customer: every record an update, no new folder.
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("北工場");
        return true;
    };
    importFile(QStringLiteral("again.csv"), exported);
    EXPECT_EQ(logCount(QStringLiteral("お客さま名の新規作成　「北工場」")), 1);
    EXPECT_TRUE(logTexts().contains(QStringLiteral("情報データ読み込み(追加：0 更新：3)　　　-->　「北工場」")));
}

TEST_F(CsvWindowTest, ImportTakesEveryLineEndAndRefusesLinesThatDoNotFit)
{
    importFile(QStringLiteral("mixed.csv"),
               "20240513,1000,0123\n"   // LF only
               "\n"                     // empty: skipped
               "20240513,1030,0456\r"   // CR only
               "20240513,1100\r\n"      // two fields
               "20240513\r\n"           // one field
               "20240513,1130,12345\r\n" // five-digit demand
               "202405131,1200,0001\r\n" // nine-digit date
               "20240513,2400,0001\r\n"  // hour 24
               "20240513,1260,0001\r\n"  // minute 60
               "20240532,1200,0001\r\n"  // day 32
               "20240513,1200,0789");    // last line without an end
    EXPECT_EQ(tableRecords(QStringLiteral("dDB.tran/mixed/2024年")),
              (QList<QByteArray>{"24051310000123", "24051310300456", "24051312000789"}));
    EXPECT_EQ(logCount(talvik::kCsvRejectedLog), 7);
    EXPECT_TRUE(logTexts().contains(QStringLiteral("情報データ読み込み(追加：3 更新：0)　　　-->　「mixed」")));
    EXPECT_TRUE(script->verify()); // no message box
}

TEST_F(CsvWindowTest, ImportOfAFileWithFourFieldsStoresNothing)
{
    importFile(QStringLiteral("four.csv"), "20240513,1000,0123\r\n20240513,1030,0456,\r\n", platform::forms::vbOK);
    ASSERT_EQ(script->shown().size(), 2);
    const platform::forms::ShownDialog &box = script->shown().last();
    EXPECT_EQ(box.prompt, QStringLiteral("ＣＳＶファイルを読み込めません。\rファイル内容が正しいことを確認して下さい。"));
    EXPECT_EQ(box.style, 16);
    EXPECT_EQ(box.title, QStringLiteral("Orvantis"));
    // The customer folder stays; no year table, no merge line.
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/four")));
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/four/2024年")));
    for (const QString &line : logTexts())
        EXPECT_FALSE(line.startsWith(QStringLiteral("情報データ読み込み("))) << line.toStdString();
    EXPECT_TRUE(script->verify());
}

TEST_F(CsvWindowTest, ImportOfAnEmptyFileStillRunsTheStore)
{
    importFile(QStringLiteral("empty.csv"), QByteArray());
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/empty")));
    EXPECT_TRUE(logTexts().contains(QStringLiteral("情報データ読み込み(追加：0 更新：0)　　　-->　「empty」")));
    EXPECT_TRUE(script->verify());
}

TEST_F(CsvWindowTest, ARefusedCustomerNameCreatesNothing)
{
    importFile(QStringLiteral("Kita..csv"), "20240513,1000,0123\r\n", platform::forms::vbOK); // proposes "Kita."
    ASSERT_EQ(script->shown().size(), 2);
    const platform::forms::ShownDialog &box = script->shown().last();
    EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("お客さま名「Kita.」は使用できません。\r"))) << box.prompt.toStdString();
    EXPECT_EQ(box.prompt.mid(box.prompt.indexOf(u'\r') + 1), talvik::validateCustomerName(QStringLiteral("Kita.")));
    EXPECT_EQ(box.style, 16);
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/Kita.")));
    EXPECT_FALSE(exists(QStringLiteral("dDB.dl")));
    EXPECT_FALSE(w->dataChanged());
    EXPECT_TRUE(script->verify());
}

TEST_F(CsvWindowTest, CancelledDialogsChangeNothing)
{
    script->cancelNextFileDialog();
    w->importCsvFile();
    EXPECT_TRUE(dialogs.calls.isEmpty());

    dialogs.onImport = [](QString &, const QString &) { return false; };
    importFile(QStringLiteral("later.csv"), "20240513,1000,0123\r\n");
    EXPECT_EQ(dialogs.calls, QStringList{QStringLiteral("importCustom")});
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/later")));
    EXPECT_FALSE(w->dataChanged());

    script->cancelNextFileDialog();
    w->writeCsvFile();
    EXPECT_TRUE(script->verify()); // no message for any cancel
    EXPECT_EQ(QDir(platform::shell::CurDir()).canonicalPath(), QDir(platform::shell::desktopFolder()).canonicalPath());
}

TEST_F(CsvWindowTest, ExportOfTheHeaderRowAloneWritesAnEmptyFile)
{
    w->mfgData().setRows(1);
    QDir().mkpath(path(QStringLiteral("out")));
    script->chooseFile(path(QStringLiteral("out/none.CSV")));
    w->writeCsvFile();
    EXPECT_EQ(script->shown().first().prompt, QString()); // no proposed name
    EXPECT_TRUE(exists(QStringLiteral("out/none.CSV")));
    EXPECT_EQ(readFile(QStringLiteral("out/none.CSV")), QByteArray());
    EXPECT_TRUE(script->verify());
}

TEST_F(CsvWindowTest, AFailedExportIsShownAndLeavesNoPartialFile)
{
    clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年"));
    ASSERT_EQ(w->mfgData().Rows(), 4);
    writeFile(QStringLiteral("out/old.CSV"), "previous\r\n");

    // A demand the 16-bit conversion cannot hold, in the last row.
    w->mfgData().setTextMatrix(3, 3, QStringLiteral("5000.0"));
    script->chooseFile(path(QStringLiteral("out/old.CSV")));
    // The message is not hidden behind the wait dialog: the window is usable.
    bool windowUsable = false;
    script->answerNextWith([&](const platform::forms::ShownDialog &) {
        windowUsable = !wait.isLoaded() && w->Enabled();
        return platform::forms::vbOK;
    });
    waitLoads = 0;
    w->writeCsvFile();
    EXPECT_TRUE(windowUsable);
    EXPECT_EQ(waitLoads, 1);
    ASSERT_EQ(script->shown().size(), 2);
    EXPECT_TRUE(script->shown().last().prompt.startsWith(QStringLiteral("ＣＳＶファイルを書き込めません。\r")));
    EXPECT_EQ(script->shown().last().style, 16);
    EXPECT_EQ(readFile(QStringLiteral("out/old.CSV")), QByteArray("previous\r\n"));
    EXPECT_EQ(QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.CSV")});

    // A folder that does not exist.
    w->mfgData().setTextMatrix(3, 3, QStringLiteral("20.0"));
    script->chooseFile(path(QStringLiteral("missing/new.CSV")));
    script->answerNext(platform::forms::vbOK);
    w->writeCsvFile();
    ASSERT_EQ(script->shown().size(), 4);
    EXPECT_TRUE(script->shown().last().prompt.startsWith(QStringLiteral("ＣＳＶファイルを書き込めません。\r")));
    EXPECT_TRUE(script->shown().last().prompt.endsWith(
        QStringLiteral("missing/new.CSV\" に書き込めませんでした。フォルダが見つかりません。")))
        << script->shown().last().prompt.toStdString();
    EXPECT_FALSE(exists(QStringLiteral("missing")));
    // The wait dialog is gone again and the window usable.
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(w->Enabled());
    EXPECT_TRUE(script->verify());
}

namespace {

// A table writer that fails for the customers' year tables (the store's
// merge), not for its staging table.
class YearTableFails : public talvik::TableWriter {
protected:
    void writeLine(platform::fileio::DurableFile &file, const QByteArray &line, int lineNumber) override
    {
        if (file.target().contains(QStringLiteral("年")))
            platform::raise(platform::err::DiskFull, QStringLiteral("ディスクの空き領域が不足しています。"));
        TableWriter::writeLine(file, line, lineNumber);
    }
};

} // namespace

// A failed store run into an existing customer ends as a failure: only the
// store's own message, no merge line, the table as it was, nothing busy, and
// the window still on the node it showed.
TEST_F(CsvWindowTest, AFailedStoreIntoAnExistingCustomerNeverEndsAsSuccess)
{
    clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年"));
    const QByteArray table = readFile(QStringLiteral("dDB.tran/東京工場/2024年/demand.csv"));
    YearTableFails failing;
    w->demandData->setTableWriter(&failing);
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("東京工場");
        return true;
    };
    writeFile(QStringLiteral("in/more.csv"), "20240513,1000,0123\r\n");
    script->chooseFile(path(QStringLiteral("in/more.csv")));
    script->answerNext(platform::forms::vbOK);
    const int logLines = int(logTexts().size());
    w->mnuFileInput_Click(0);

    ASSERT_EQ(script->shown().size(), 2); // the file dialog, the store's message
    EXPECT_TRUE(script->shown().last().prompt.contains(QStringLiteral("ディスクの空き領域が不足しています。")))
        << script->shown().last().prompt.toStdString();
    EXPECT_TRUE(script->verify());
    EXPECT_EQ(int(logTexts().size()), logLines);
    for (const QString &line : logTexts())
        EXPECT_FALSE(line.startsWith(QStringLiteral("情報データ読み込み("))) << line.toStdString();
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/東京工場/2024年/demand.csv")), table);
    EXPECT_FALSE(talvik::commBusy);
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(w->Enabled());
    EXPECT_EQ(w->currentKey, QStringLiteral("\\dDB.tran\\東京工場\\2024年"));
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    w->demandData->setTableWriter(nullptr);
}
