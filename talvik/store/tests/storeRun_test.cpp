#include "storeFixture.h"

#include "talvik/store/clsDataD.h"
#include "talvik/store/customerName.h"
#include "platform/forms/app.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/msgbox.h"
#include "platform/fileio/durable.h"
#include "platform/runtime/runtime_error.h"

#include <QFile>

using namespace storetest;
using talvik::clsDataD;

namespace {

class StoreRun : public StoreTest {};

// Fails on purpose while a year table is being rewritten.
class FailingWriter : public talvik::TableWriter {
public:
    int failAtLine = 50;
    QString pathPart = QStringLiteral("2023");

protected:
    void writeLine(platform::fileio::DurableFile &file, const QByteArray &line, int n) override
    {
        if (n == failAtLine && file.target().contains(pathPart) && file.target().contains(QStringLiteral("demand.csv")))
            throw platform::RuntimeError(platform::err::DeviceIO, QStringLiteral("書き込み失敗（試験）"));
        TableWriter::writeLine(file, line, n);
    }
};

const QString kita = QStringLiteral("\\dDB.tran\\Kita");

} // namespace

TEST_F(StoreRun, RequestFrames)
{
    clsDataD d;
    EXPECT_EQ(d.getSendCMD(), QByteArray("\x02RD\x03"));
    d.setIsReader(true);
    d.setCustomer(QStringLiteral("123456789"));
    d.setIsDel(true);
    EXPECT_EQ(d.getSendCMD(), QByteArray("\x02RD1234567891\x03"));
    d.setIsDel(false);
    EXPECT_EQ(d.getSendCMD(), QByteArray("\x02RD1234567890\x03"));
    EXPECT_TRUE(d.setRecvData(block("2405131000", "0123"), 18));
    EXPECT_EQ(d.count(), 1);
    d.getSendCMD(); // a new transfer starts empty
    EXPECT_EQ(d.count(), 0);
    d.initData();
    EXPECT_FALSE(d.isReader());
    EXPECT_FALSE(d.isDel());
}

TEST_F(StoreRun, BlockChecks)
{
    clsDataD d;
    EXPECT_TRUE(d.setRecvData(block("2402291000", "0123"), 18)); // leap day 2024
    d.setIdx(0);
    EXPECT_EQ(d.year() + d.month() + d.day() + d.hour() + d.minute() + d.watt(), QStringLiteral("24022910000123"));
    const char *bad[] = {"2302291000", "2400131000", "2413011000", "2404001000", "2404311000",
                         "2405132400", "2405131060", "24O5131000"};
    for (const char *t : bad)
        EXPECT_FALSE(d.setRecvData(block(t, "0123"), 18)) << t;
    EXPECT_FALSE(d.setRecvData(block("2405131000", "01A3"), 18));
    QByteArray wrongCommand = block("2405131000", "0123");
    wrongCommand[2] = 'S';
    EXPECT_FALSE(d.setRecvData(wrongCommand, 18));
    EXPECT_EQ(d.count(), 1);

    // A rejected last block still ends the transfer; a short block changes nothing.
    EXPECT_FALSE(d.setRecvData(block("2400011000", "0123", true), 18));
    EXPECT_TRUE(d.isETX());
    EXPECT_FALSE(d.setRecvData(block("2405131000", "0123").left(17), 17));
    EXPECT_TRUE(d.isETX());
    EXPECT_FALSE(d.setRecvData(block("2405131000", "0123"), 17));
    EXPECT_TRUE(d.isETX());
    EXPECT_EQ(d.count(), 1);
}

TEST_F(StoreRun, MergeAcrossAYearBoundaryIsByteExact)
{
    // 2023 already holds two rows; 31 Dec 23:30 is replaced, 23:00 is kept.
    writeFile(kita + QStringLiteral("\\2023年\\schema.ini"), expectedSchema4());
    writeFile(kita + QStringLiteral("\\2023年\\demand.csv"),
              "23123123300111202312312359\r\n"
              "23123123000222202312312330\r\n");
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    d.getSendCMD();
    // Device stamps are the ends of the half hours.
    ASSERT_TRUE(d.setRecvData(block("2401010000", "0456"), 18)); // -> 231231 2330 (replaces)
    ASSERT_TRUE(d.setRecvData(block("2401010030", "0100"), 18)); // -> 240101 0000
    ASSERT_TRUE(d.setRecvData(block("2312311900", "0300"), 18)); // -> 231231 1830 (new)
    ASSERT_TRUE(d.setRecvData(block("2401010100", "0200", true), 18)); // -> 240101 0030
    ASSERT_TRUE(d.fire(true));

    EXPECT_EQ(readFile(kita + QStringLiteral("\\2023年\\demand.csv")),
              QByteArray("23123123000222202312312330\r\n"
                         "23123123300456202401020915\r\n"
                         "23123118300300202401020915\r\n"));
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2024年\\demand.csv")),
              QByteArray("24010100000100202401020915\r\n"
                         "24010100300200202401020915\r\n"));
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2024年\\schema.ini")), expectedSchema4());
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2023年\\schema.ini")), expectedSchema4());
    // Staging holds the shifted keys in reception order.
    EXPECT_EQ(readFile(QStringLiteral("dDB.dl\\demand.csv")),
              QByteArray("23123123300456202401020915\r\n"
                         "24010100000100202401020915\r\n"
                         "23123118300300202401020915\r\n"
                         "24010100300200202401020915\r\n"));
    EXPECT_EQ(logLines, QStringList({QStringLiteral("情報データ読み込み(追加：3 更新：1)　　　-->　「Kita」")}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    // The tree was rebuilt with both years.
    EXPECT_TRUE(window.view.Exists(kita + QStringLiteral("\\2024年")));
    EXPECT_TRUE(window.view.Exists(kita + QStringLiteral("\\2023年")));
    EXPECT_EQ(wait.msg, QStringLiteral("データ階層の構築中です。　しばらくお待ちください・・・・"));
}

TEST_F(StoreRun, SameHalfHourTwiceKeepsTheLaterValueAndEmptyRunLogsZero)
{
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2405131030", "0100"), 18);
    d.setRecvData(block("2405131030", "0200"), 18);
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2024年\\demand.csv")), QByteArray("24051310000200202401020915\r\n"));
    // Storing the same again counts as updated.
    ASSERT_TRUE(d.fire(true));
    clsDataD empty;
    empty.setCustomer(QStringLiteral("Kita"));
    ASSERT_TRUE(empty.fire(true));
    EXPECT_EQ(readFile(QStringLiteral("dDB.dl\\demand.csv")), QByteArray());
    EXPECT_EQ(logLines, QStringList({QStringLiteral("情報データ読み込み(追加：1 更新：0)　　　-->　「Kita」"),
                                     QStringLiteral("情報データ読み込み(追加：0 更新：1)　　　-->　「Kita」"),
                                     QStringLiteral("情報データ読み込み(追加：0 更新：0)　　　-->　「Kita」")}));
}

TEST_F(StoreRun, RejectedMonthZeroBlockLeavesTheOthersStored)
{
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    EXPECT_TRUE(d.setRecvData(block("2405131030", "0100"), 18));
    EXPECT_FALSE(d.setRecvData(block("2400131030", "0999"), 18));
    EXPECT_FALSE(d.setRecvData(block("2405001030", "0999"), 18));
    EXPECT_TRUE(d.setRecvData(block("2405131100", "0200", true), 18));
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2024年\\demand.csv")),
              QByteArray("24051310000100202401020915\r\n24051310300200202401020915\r\n"));
    EXPECT_FALSE(exists(kita + QStringLiteral("\\2000年")));
}

TEST_F(StoreRun, FortyThousandRecordsAreAllStored)
{
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    QDateTime t(QDate(2022, 1, 1), QTime(0, 30), Qt::UTC);
    for (int i = 0; i < 40000; ++i, t = t.addSecs(1800)) {
        const QByteArray stamp = t.toString(QStringLiteral("yyMMddHHmm")).toLatin1();
        ASSERT_TRUE(d.setRecvData(block(stamp.constData(), "0123"), 18));
    }
    EXPECT_EQ(d.count(), 40000);
    ASSERT_TRUE(d.fire(true));
    qsizetype lines = 0;
    for (const char *y : {"2022", "2023", "2024"})
        lines += readFile(kita + u'\\' + QString::fromLatin1(y) + QStringLiteral("年\\demand.csv")).count('\n');
    EXPECT_EQ(lines, 40000);
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2022年\\demand.csv")).count('\n'), 17520);
    EXPECT_EQ(logLines.value(0), QStringLiteral("情報データ読み込み(追加：40000 更新：0)　　　-->　「Kita」"));
}

TEST_F(StoreRun, FailedRewriteLeavesTheOldTableAndReportsFailure)
{
    QByteArray old;
    for (int i = 0; i < 120; ++i)
        old += QStringLiteral("2312%1%20123202312312359\r\n")
                   .arg(1 + i / 48, 2, 10, QLatin1Char('0'))
                   .arg(QTime(0, 0).addSecs(1800 * (i % 48)).toString(QStringLiteral("HHmm")))
                   .toLatin1();
    writeFile(kita + QStringLiteral("\\2023年\\schema.ini"), expectedSchema4());
    writeFile(kita + QStringLiteral("\\2023年\\demand.csv"), old);
    FailingWriter failing;
    clsDataD d;
    d.setTableWriter(&failing);
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2312311000", "0999"), 18);
    d.setRecvData(block("2401011000", "0999", true), 18);
    EXPECT_FALSE(d.fire(true));
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2023年\\demand.csv")), old);
    EXPECT_FALSE(exists(kita + QStringLiteral("\\2023年\\demand.csv.new")));
    EXPECT_TRUE(logLines.isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("書き込み失敗")));
    // Staging stays for the next run, which succeeds once writing works.
    EXPECT_EQ(readFile(QStringLiteral("dDB.dl\\demand.csv")).count('\n'), 2);
    d.setTableWriter(nullptr);
    EXPECT_TRUE(d.fire(true));
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2023年\\demand.csv")).count('\n'), 121);
}

TEST_F(StoreRun, UnreadableYearTableIsNotRewrittenFromAPartialLoad)
{
    writeFile(kita + QStringLiteral("\\2024年\\schema.ini"), "[other.csv]\r\nCol1=x char Width 1\r\n");
    writeFile(kita + QStringLiteral("\\2024年\\demand.csv"), "24051310000111202405131035\r\n");
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2405131100", "0999", true), 18);
    EXPECT_FALSE(d.fire(true));
    EXPECT_EQ(readFile(kita + QStringLiteral("\\2024年\\demand.csv")), QByteArray("24051310000111202405131035\r\n"));
    EXPECT_TRUE(logLines.isEmpty());
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(StoreRun, CsvImportTakesTimesAsTheyAre)
{
    clsDataD d;
    d.initData();
    d.setCustomer(QStringLiteral("南店"));
    d.setRecvData(block("2405131000", "0123"), 18);
    ASSERT_TRUE(d.fire(false));
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran\\南店\\2024年\\demand.csv")), QByteArray("24051310000123202401020915\r\n"));
}

TEST_F(StoreRun, BadCustomerNamesAndMissingWindowFail)
{
    clsDataD d;
    d.setRecvData(block("2405131000", "0123"), 18);
    d.setCustomer(QStringLiteral("..\\x"));
    EXPECT_FALSE(d.fire(true));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran")));
    d.setCustomer(QStringLiteral("Kita"));
    talvik::dataForm = nullptr;
    EXPECT_FALSE(d.fire(true));
}

TEST(CustomerName, Validator)
{
    using talvik::isValidCustomerName;
    EXPECT_TRUE(isValidCustomerName(QStringLiteral("北店 第2")));
    EXPECT_TRUE(isValidCustomerName(QStringLiteral("123456789")));
    for (const char *bad : {"", ".", "..", "a\\b", "a:b", "a/b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", " a",
                            "a ", "a.", ".a"})
        EXPECT_FALSE(isValidCustomerName(QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(isValidCustomerName(QStringLiteral("店😀")));
    EXPECT_FALSE(isValidCustomerName(QStringLiteral("\u3000店")));
    EXPECT_FALSE(talvik::validateCustomerName(QStringLiteral("a:b")).isEmpty());
    EXPECT_TRUE(talvik::isTreeKeySafeName(QStringLiteral("a b")));
    EXPECT_FALSE(talvik::isTreeKeySafeName(QStringLiteral("a:b")));
}

TEST_F(StoreRun, ProgramServicesShowErrorsInTheProgramsMessageBox)
{
    // The program's defaults: MsgBox (scripted here), DoEvents, appLogs.
    platform::forms::DialogScript script;
    const QString title = platform::forms::App::Title();
    platform::forms::App::setTitle(QStringLiteral("試験タイトル"));
    talvik::storeServices() = talvik::StoreServices();
    talvik::storeServices().waitForm = &wait;
    script.answerNext(platform::forms::vbOK);
    writeFile(kita + QStringLiteral("\\2023年\\schema.ini"), expectedSchema4());
    QByteArray old;
    for (int i = 0; i < 60; ++i)
        old += QStringLiteral("2312%1%20123202312312359\r\n")
                   .arg(1 + i / 48, 2, 10, QLatin1Char('0'))
                   .arg(QTime(0, 0).addSecs(1800 * (i % 48)).toString(QStringLiteral("HHmm")))
                   .toLatin1();
    writeFile(kita + QStringLiteral("\\2023年\\demand.csv"), old);
    FailingWriter failing;
    clsDataD d;
    d.setTableWriter(&failing);
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2312311000", "0999", true), 18);
    EXPECT_FALSE(d.fire(true));
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_TRUE(script.shown()[0].prompt.contains(QStringLiteral("書き込み失敗")));
    EXPECT_EQ(script.shown()[0].style, platform::forms::vbOKOnly);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("試験タイトル"));
    EXPECT_TRUE(script.verify());
    // No appLogs: nothing is logged and nothing fails for it.
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran\\download.log")));
    platform::forms::App::setTitle(title);
}
