#include "storeFixture.h"

#include "talvik/store/clsDataDSrv.h"

#include <QDir>

using namespace storetest;
using talvik::clsDataDSrv;

namespace {

class ServiceRecord : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        talvik::StoreServices &s = talvik::storeServices();
        talvik::dataFolder = QStringLiteral("/data");
        s.getCsvFileAlarmInfo = [this](const QString &path, talvik::AlarmInfoTable &table) {
            askedPath = path;
            table.clear();
            for (const talvik::AlarmInfoRow &r : countRows)
                table.append(r);
            table.append({QStringLiteral("209901010000"), QString(), QString()});
            return countFile;
        };
    }
    QVector<talvik::AlarmInfoRow> countRows;
    bool countFile = true;
    QString askedPath;
};

const QString table = QStringLiteral("dDB.tran\\Kita\\2024年\\demand.csv");

} // namespace

TEST_F(ServiceRecord, CountsByHalfHourInAnyOrderNormalisedToFourCharacters)
{
    countRows = {{QStringLiteral("202405131000"), QStringLiteral("0003"), QStringLiteral("0001")},
                 {QStringLiteral("202405131030"), QStringLiteral("12"), QStringLiteral("x")}};
    clsDataDSrv d;
    d.setCustomer(QStringLiteral("Kita"));
    // After the shift: 10:30, 09:30, 11:00, 10:00 (out of order).
    d.setRecvData(block("2405131100", "0100"), 18);
    d.setRecvData(block("2405131000", "0200"), 18);
    d.setRecvData(block("2405131130", "0300"), 18);
    d.setRecvData(block("2405131030", "0400", true), 18);
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(askedPath, QStringLiteral("/data\\Kitaas.csv"));
    EXPECT_EQ(readFile(table), QByteArray("24051309300200202401020915" "00000000\r\n"
                                          "24051310000400202401020915" "00030001\r\n"
                                          "24051310300100202401020915" "0012-001\r\n"
                                          "24051311000300202401020915" "00000000\r\n"));
    QByteArray schema = expectedSchema4();
    schema.chop(2);
    schema += "Col5=created1 char Width 4\r\nCol6=created2 char Width 4\r\n\r\n";
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran\\Kita\\2024年\\schema.ini")), schema);
    EXPECT_EQ(logLines.value(0), QStringLiteral("情報データ読み込み(追加：4 更新：0)　　　-->　「Kita」"));
}

TEST_F(ServiceRecord, CountFileIsTheStoredCustomersOwnAndWithoutItTheCountsAreNone)
{
    // After a start-up import of 000000123, a device read stores Kita: the
    // counts are Kita's, never the start-up customer's.
    countFile = false;
    talvik::srvCustomer = QStringLiteral("000000123");
    clsDataDSrv d;
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2405131000", "0100", true), 18);
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(askedPath, QStringLiteral("/data\\Kita\\Kitaas.csv"));
    EXPECT_EQ(readFile(table), QByteArray("24051309300100202401020915-001-001\r\n"));
    // A file imported from the menu (no start-up number): beside the file.
    talvik::srvCustomer.clear();
    d.initData();
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2405131100", "0100", true), 18);
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(askedPath, QStringLiteral("/data\\Kitaas.csv"));
}

TEST_F(ServiceRecord, CountFileNamedInAnotherLetterCaseIsFound)
{
    // The real count-file reader on files as a Windows system names them.
    talvik::storeServices().getCsvFileAlarmInfo = talvik::StoreServices::programGetCsvFileAlarmInfo;
    talvik::dataFolder = home() + QStringLiteral("\\input");
    talvik::srvCustomer = QStringLiteral("123456789");
    writeFile(QStringLiteral("input\\123456789\\123456789AS.CSV"), "20240513,1000,3,1\r\n");
    writeFile(QStringLiteral("input\\Kita.CSV"), "");
    writeFile(QStringLiteral("input\\KITAAS.csv"), "20240513,1000,4,2\r\n");
    clsDataDSrv d;
    d.setCustomer(QStringLiteral("123456789"));
    d.setRecvData(block("2405131030", "0100", true), 18);
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran\\123456789\\2024年\\demand.csv")),
              QByteArray("24051310000100202401020915" "00030001\r\n"));
    talvik::srvCustomer.clear();
    d.initData();
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2405131030", "0100", true), 18);
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(readFile(table), QByteArray("24051310000100202401020915" "00040002\r\n"));
}

namespace {
QByteArray schema6()
{
    QByteArray schema = expectedSchema4();
    schema.chop(2);
    return schema + "Col5=created1 char Width 4\r\nCol6=created2 char Width 4\r\n\r\n";
}
} // namespace

TEST_F(ServiceRecord, MergeIntoATableWithoutCountColumnsKeepsOldRowsAndWritesSixColumns)
{
    // A year table as the ordinary data window writes it, for this customer,
    // once read both ways (straight from the file and through the driver).
    for (const bool byDriver : {false, true}) {
        SCOPED_TRACE(byDriver ? "driver" : "direct");
        writeFile(QStringLiteral("dDB.tran\\Kita\\2024年\\schema.ini"), expectedSchema4());
        // getdt gettm watt created, 26 characters.
        writeFile(table, "24051208000050202312311200\r\n"
                         "24051310000070202312311200\r\n");
        countRows = {{QStringLiteral("202405131000"), QStringLiteral("0003"), QStringLiteral("0001")}};
        messages.clear();
        clsDataDSrv d;
        d.setReadTablesByDriver(byDriver);
        d.setCustomer(QStringLiteral("Kita"));
        d.setRecvData(block("2405131030", "0100"), 18);           // replaces 10:00
        d.setRecvData(block("2405131100", "0200", true), 18);     // a new 10:30
        ASSERT_TRUE(d.fire(true)) << messages.join(u'|').toStdString();
        EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();
        EXPECT_EQ(readFile(table), QByteArray("24051208000050202312311200-001-001\r\n"
                                              "24051310000100202401020915" "00030001\r\n"
                                              "24051310300200202401020915" "00000000\r\n"));
        EXPECT_EQ(readFile(QStringLiteral("dDB.tran\\Kita\\2024年\\schema.ini")), schema6());
        EXPECT_FALSE(exists(QStringLiteral("dDB.dl\\unmerged.txt")));
        // The table view shows "-" for the old row's counts.
        auto &grid = window.grid;
        d.setDispData(grid, home() + QStringLiteral("\\dDB.tran\\Kita\\2024年"), 0);
        ASSERT_EQ(grid.Rows(), 4);
        EXPECT_EQ(grid.TextMatrix(1, 4), QStringLiteral("-"));
        EXPECT_EQ(grid.TextMatrix(2, 4), QStringLiteral("3"));
        EXPECT_EQ(grid.TextMatrix(2, 5), QStringLiteral("1"));
    }
}

TEST_F(ServiceRecord, OrdinaryMergeIntoASixColumnTableKeepsTheCounts)
{
    for (const bool byDriver : {false, true}) {
        SCOPED_TRACE(byDriver ? "driver" : "direct");
        writeFile(QStringLiteral("dDB.tran\\Kita\\2024年\\schema.ini"), schema6());
        writeFile(table, "24051208000050202312311200" "00070002\r\n"
                         "24051310000070202312311200" "-001-001\r\n");
        talvik::clsDataD d;
        d.setReadTablesByDriver(byDriver);
        d.setCustomer(QStringLiteral("Kita"));
        d.setRecvData(block("2405131030", "0100"), 18);
        d.setRecvData(block("2405131100", "0200", true), 18);
        ASSERT_TRUE(d.fire(true)) << messages.join(u'|').toStdString();
        EXPECT_EQ(readFile(table), QByteArray("24051208000050202312311200" "00070002\r\n"
                                              "24051310000100202401020915-001-001\r\n"
                                              "24051310300200202401020915-001-001\r\n"));
        EXPECT_EQ(readFile(QStringLiteral("dDB.tran\\Kita\\2024年\\schema.ini")), schema6());
        // A new year of the same customer gets the ordinary 4 columns.
        d.initData();
        d.setCustomer(QStringLiteral("Kita"));
        d.setRecvData(block("2501010100", "0300", true), 18);
        ASSERT_TRUE(d.fire(true));
        EXPECT_EQ(readFile(QStringLiteral("dDB.tran\\Kita\\2025年\\demand.csv")),
                  QByteArray("25010100300300202401020915\r\n"));
        EXPECT_EQ(readFile(QStringLiteral("dDB.tran\\Kita\\2025年\\schema.ini")), expectedSchema4());
        QDir(home() + QStringLiteral("/dDB.tran/Kita/2025年")).removeRecursively();
    }
}

TEST_F(ServiceRecord, NormaliseCount)
{
    EXPECT_EQ(clsDataDSrv::normaliseCount(QStringLiteral("7")), QStringLiteral("0007"));
    EXPECT_EQ(clsDataDSrv::normaliseCount(QStringLiteral("00012")), QStringLiteral("0012"));
    EXPECT_EQ(clsDataDSrv::normaliseCount(QStringLiteral(" 42 ")), QStringLiteral("0042"));
    EXPECT_EQ(clsDataDSrv::normaliseCount(QStringLiteral("123456")), QStringLiteral("9999"));
    EXPECT_EQ(clsDataDSrv::normaliseCount(QStringLiteral("-001")), QStringLiteral("-001"));
    EXPECT_EQ(clsDataDSrv::normaliseCount(QStringLiteral("")), QStringLiteral("-001"));
    EXPECT_EQ(clsDataDSrv::normaliseCount(QStringLiteral("1.5")), QStringLiteral("-001"));
}

TEST_F(ServiceRecord, TableShowsWeekdayAndCounts)
{
    countRows = {{QStringLiteral("202405131000"), QStringLiteral("0000"), QStringLiteral("0015")}};
    clsDataDSrv d;
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2405131030", "0123"), 18); // Monday
    d.setRecvData(block("2405192330", "0456"), 18); // Sunday
    d.initData();
    d.setCustomer(QStringLiteral("Kita"));
    d.setRecvData(block("2405131030", "0123"), 18);
    d.setRecvData(block("2405192330", "0456", true), 18);
    ASSERT_TRUE(d.fire(true));
    countFile = false;
    auto &grid = window.grid;
    d.setDispData(grid, home() + QStringLiteral("\\dDB.tran\\Kita\\2024年::2405"), 12);
    ASSERT_EQ(grid.Rows(), 3);
    ASSERT_EQ(grid.Cols(), 7);
    const QStringList header = {"監視年月日", "開始時間", "終了時間", "デマンド値［kW］", "注意件数", "限界件数", "取得日時"};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(grid.TextMatrix(0, c), header[c]);
    const QStringList row1 = {"2024年05月13日(月)", "10時00分", "10時30分", "12.3", "0", "15", "2024/01/02 09:15"};
    const QStringList row2 = {"2024年05月19日(日)", "23時00分", "23時30分", "45.6", "0", "0", "2024/01/02 09:15"};
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(grid.TextMatrix(1, c), row1[c]);
        EXPECT_EQ(grid.TextMatrix(2, c), row2[c]);
    }
    EXPECT_EQ(grid.cellBackColorAt(1, 3), 0xC0C0FFu);
    EXPECT_EQ(grid.cellBackColorAt(1, 4), 0u);
    // Widths from the window's text widths (100 twips per character here).
    EXPECT_EQ(grid.ColWidth(0), 2 * 800 + 270);
    EXPECT_EQ(grid.ColWidth(1), 2 * 500 - 90);
    EXPECT_EQ(grid.ColWidth(3), 2 * 700);
    EXPECT_EQ(grid.ColWidth(6), 2 * 900 - 90);
}
