// Every statement the store, the tree, the table view and the graphs run, on a
// small fixture table, compared with values worked out by hand.
#include "platform/runtime/runtime_error.h"
#include "platform/textdb/textdb.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform::textdb;

namespace {

const char *schema4 =
    "[demand.csv]\r\nColNameHeader=False\r\nFormat=FixedLength\r\nMaxScanRows=25\r\nCharacterSet=OEM\r\n"
    "DateTimeFormat=yyyy/mm/dd hh:nn:ss\r\nCurrencySymbol=\\\r\nCurrencyFormat=0\r\nCurrencyDigits=0\r\n"
    "CurrencyNegativeFormat=2\r\nDecimalSymbol=.\r\nNumberDigits=0\r\nNumberLeadingZeros=1\r\n"
    "Col1=getdt char Width 6\r\nCol2=gettm char Width 4\r\nCol3=watt char Width 4\r\nCol4=created char Width 12\r\n\r\n";

const char *schema6Extra = "Col5=created1 char Width 4\r\nCol6=created2 char Width 4\r\n\r\n";

// Rows out of order on purpose; the statements sort.
const char *rows4 =
    "2405131030012120240513103500\r\n"
    "2406121200150020240612123000\r\n"
    "2405131000012320240513103500\r\n"
    "2405132330099920240514000500\r\n"
    "2405010000010020240501003000\r\n"
    "2405131015005020240513103500\r\n"
    "2405020030020020240502010000\r\n";

using talviktest::writeFile;

QString connectionString(const QString &folder)
{
    return QStringLiteral("Provider=MSDASQL;Extended Properties=\"DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=")
           + folder + QStringLiteral("\"");
}

// All rows of a statement, each as its fields' texts.
QList<QStringList> query(const QString &folder, const QString &sql, QStringList *columns = nullptr)
{
    Connection cn;
    cn.Open(connectionString(folder), QString(), QString());
    Recordset rs;
    rs.Open(sql, cn, adOpenStatic, adLockReadOnly, adCmdText);
    QList<QStringList> out;
    if (columns)
        *columns = rs.columnNames();
    while (!rs.Eof()) {
        QStringList row;
        for (int i = 0; i < rs.FieldCount(); ++i)
            row << rs.Fields(i).Value().toString();
        out << row;
        rs.MoveNext();
    }
    rs.Close();
    cn.Close();
    return out;
}

QStringList column(const QList<QStringList> &rows, int c)
{
    QStringList out;
    for (const auto &r : rows)
        out << r.value(c);
    return out;
}

class TextDb : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + QStringLiteral("/2024年");
        ASSERT_TRUE(QDir().mkpath(folder));
        writeFile(folder + QStringLiteral("/schema.ini"), schema4);
        writeFile(folder + QStringLiteral("/demand.csv"), rows4);
    }
    QTemporaryDir dir;
    QString folder;
};

} // namespace

TEST_F(TextDb, StoreRunStatements)
{
    EXPECT_EQ(column(query(folder, QStringLiteral("Select distinct mid(getdt,1,2) from demand.csv Order by mid(getdt,1,2)")), 0),
              QStringList({"24"}));
    const auto rows = query(folder, QStringLiteral("Select getdt,gettm,watt,created from demand.csv Order by getdt,gettm"));
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows[0], QStringList({"240501", "0000", "0100", "202405010030"}));
    EXPECT_EQ(column(rows, 1), QStringList({"0000", "0030", "1000", "1015", "1030", "2330", "1200"}));
    EXPECT_EQ(rows[6], QStringList({"240612", "1200", "1500", "202406121230"}));
}

TEST_F(TextDb, TreeMonthAndDayLists)
{
    EXPECT_EQ(column(query(folder, QStringLiteral("Select  distinct Mid(getdt,3,2) from demand.csv order by Mid(getdt,3,2)")), 0),
              QStringList({"05", "06"}));
    const QString days = QStringLiteral("Select  distinct Mid(getdt,5,2) from ") + "demand.csv"
                         + " Where Mid(getdt,3,2) = '" + "05" + "' " + " order by Mid(getdt,5,2)";
    EXPECT_EQ(column(query(folder, days), 0), QStringList({"01", "02", "13"}));
}

TEST_F(TextDb, TableViewStatementForAMonth)
{
    const QString sql =
        QStringLiteral("Select '20' & MID(getdt,1,2) & '年' & MID(getdt,3,2) & '月' & MID(getdt,5,2) & '日' as 監視年月日,")
        + "Format(TimeValue(MID(gettm,1,2) & ':' & MID(gettm,3,2) & ':00'),'HH時nn分' )  as 開始時間, "
        + "Format(TimeValue(MID(gettm,1,2) & ':' & MID(gettm,3,2) & ':00') + TIMEVALUE( '00:30:00 ' ),'HH時nn分' )  as 終了時間, "
        + "FORMAT(VAL(MID(watt,1,3)),'##0') & '.' & MID(watt,4,1) as デマンド値［kW］ ,"
        + "MID(created,1,4) & '/' & MID(created,5,2) & '/' & MID(created,7,2) & ' ' & MID(created,9,2) & ':' & MID(created,11,2) as 取得日時 "
        + "From " + "demand.csv" + " WHERE getdt like '" + "2405" + "%' " + " order by getdt,gettm";
    QStringList cols;
    const auto rows = query(folder, sql, &cols);
    EXPECT_EQ(cols, QStringList({"監視年月日", "開始時間", "終了時間", "デマンド値［kW］", "取得日時"}));
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0], QStringList({"2024年05月01日", "00時00分", "00時30分", "10.0", "2024/05/01 00:30"}));
    EXPECT_EQ(rows[1], QStringList({"2024年05月02日", "00時30分", "01時00分", "20.0", "2024/05/02 01:00"}));
    EXPECT_EQ(rows[2][3], QStringLiteral("12.3"));
    EXPECT_EQ(rows[3][3], QStringLiteral("5.0"));
    EXPECT_EQ(rows[5], QStringList({"2024年05月13日", "23時30分", "00時00分", "99.9", "2024/05/14 00:05"}));
    // Without a filter (a year node) the June row comes last.
    QString year = sql;
    year.replace(QStringLiteral(" WHERE getdt like '2405%' "), QStringLiteral(" "));
    const auto all = query(folder, year);
    ASSERT_EQ(all.size(), 7);
    EXPECT_EQ(all[6][3], QStringLiteral("150.0"));
}

TEST_F(TextDb, GraphStatements)
{
    const QString monthMax = QStringLiteral("Select Mid(getdt,5,2) as 監視日,MAX(watt) as 電力量 ") + "From " + "demand.csv"
                             + " " + "Where getdt like '" + "2405" + "%' " + "Group By Mid(getdt,5,2)";
    EXPECT_EQ(query(folder, monthMax),
              QList<QStringList>({{"01", "0100"}, {"02", "0200"}, {"13", "0999"}}));
    QString monthAvg = monthMax;
    monthAvg.replace(QStringLiteral("MAX("), QStringLiteral("AVG("));
    EXPECT_EQ(query(folder, monthAvg), QList<QStringList>({{"01", "100"}, {"02", "200"}, {"13", "323.25"}}));

    const QString yearMax = QStringLiteral("Select Mid(getdt,3,2) as 監視月,MAX(watt) as 電力量 ") + "From " + "demand.csv"
                            + " " + "Group By Mid(getdt,3,2)";
    EXPECT_EQ(query(folder, yearMax), QList<QStringList>({{"05", "0999"}, {"06", "1500"}}));
    QString yearAvg = yearMax;
    yearAvg.replace(QStringLiteral("MAX("), QStringLiteral("AVG("));
    EXPECT_EQ(query(folder, yearAvg), QList<QStringList>({{"05", "265.5"}, {"06", "1500"}}));

    const QString day = QStringLiteral("Select Left(gettm,2) & ':' & Mid(gettm,3,2) as 監視時間,watt as 電力量［KW］, ")
                        + "'20' & Left(getdt,2) & '年' & Mid(getdt,3,2) & '月' & Mid(getdt,5,2) & '日' as 検索用日付,"
                        + "Left(gettm,2) & '時' & Mid(gettm,3,2) & '分' as 検索用時間 " + "From " + "demand.csv" + " "
                        + "Where getdt = '" + "240513" + "' " + "Order by gettm";
    QStringList cols;
    const auto rows = query(folder, day, &cols);
    EXPECT_EQ(cols, QStringList({"監視時間", "電力量［KW］", "検索用日付", "検索用時間"}));
    EXPECT_EQ(rows, QList<QStringList>({{"10:00", "0123", "2024年05月13日", "10時00分"},
                                         {"10:15", "0050", "2024年05月13日", "10時15分"},
                                         {"10:30", "0121", "2024年05月13日", "10時30分"},
                                         {"23:30", "0999", "2024年05月13日", "23時30分"}}));
}

TEST_F(TextDb, ServiceTableStatements)
{
    QByteArray schema(schema4);
    schema.chop(2); // the closing empty line goes after the count columns
    writeFile(folder + QStringLiteral("/schema.ini"), schema + schema6Extra);
    writeFile(folder + QStringLiteral("/demand.csv"),
              "24051310000123202405131035-001-001\r\n"
              "240513103001212024051310350012\x30\x30\x30\x30\r\n"
              "24051410000200202405141035\x30\x30\x30\x37\x30\x31\x30\x30\r\n");
    const auto raw = query(folder, QStringLiteral("Select getdt,gettm,watt,created,created1,created2 from demand.csv Order by getdt,gettm"));
    ASSERT_EQ(raw.size(), 3);
    EXPECT_EQ(raw[0], QStringList({"240513", "1000", "0123", "202405131035", "-001", "-001"}));

    const QString sql =
        QStringLiteral("Select '20' & MID(getdt,1,2) & '年' & MID(getdt,3,2) & '月' & MID(getdt,5,2) & '日(' & Format(getdt, 'aaa') & ')' as 監視年月日,")
        + "IIF(created1='-001','-',FORMAT(VAL(created1),'###0')) as 注意件数, "
        + "IIF(created2='-001','-',FORMAT(VAL(created2),'###0')) as 限界件数, "
        + "MID(created,1,4) & '/' & MID(created,5,2) & '/' & MID(created,7,2) & ' ' & MID(created,9,2) & ':' & MID(created,11,2) as 取得日時 "
        + "From " + "demand.csv" + " " + " order by getdt,gettm";
    const auto rows = query(folder, sql);
    EXPECT_EQ(rows, QList<QStringList>({{"2024年05月13日(月)", "-", "-", "2024/05/13 10:35"},
                                         {"2024年05月13日(月)", "12", "0", "2024/05/13 10:35"},
                                         {"2024年05月14日(火)", "7", "100", "2024/05/14 10:35"}}));
    const auto graph = query(folder, QStringLiteral("Select Mid(getdt,5,2) as 監視日,MAX(watt) as 電力量,FORMAT(VAL(MAX(created1)),'###0') as 注意件数, FORMAT(VAL(MAX(created2)),'###0') as 限界件数 From demand.csv Where getdt like '2405%' Group By Mid(getdt,5,2)"));
    EXPECT_EQ(graph, QList<QStringList>({{"13", "0123", "12", "0"}, {"14", "0200", "7", "100"}}));
}

TEST_F(TextDb, EmptyTableAndRecordsetNavigation)
{
    writeFile(folder + QStringLiteral("/demand.csv"), QByteArray());
    Connection cn;
    cn.Open(connectionString(folder));
    Recordset rs;
    rs.Open(QStringLiteral("Select getdt,gettm,watt,created from demand.csv Order by getdt,gettm"), cn);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_THROW(rs.Fields(0), platform::RuntimeError);
    rs.Close();

    writeFile(folder + QStringLiteral("/demand.csv"), rows4);
    rs.Open(QStringLiteral("Select getdt as d, watt from demand.csv Where gettm = '1000'"), cn);
    EXPECT_FALSE(rs.Eof());
    EXPECT_FALSE(rs.Bof());
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields(QStringLiteral("D")).Value().toString(), QStringLiteral("240513"));
    EXPECT_EQ(rs.Fields(QStringLiteral("watt")).Name(), QStringLiteral("watt"));
    EXPECT_THROW(rs.Fields(QStringLiteral("nope")), platform::RuntimeError);
    EXPECT_THROW(rs.Fields(5), platform::RuntimeError);
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.MoveNext(), platform::RuntimeError);
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields(1).Value().toString(), QStringLiteral("0123"));
}

TEST_F(TextDb, FailuresRaiseErrors)
{
    Connection cn;
    EXPECT_THROW(cn.Open(QStringLiteral("Provider=MSDASQL")), platform::RuntimeError);
    EXPECT_THROW(cn.Open(connectionString(dir.path() + QStringLiteral("/missing"))), platform::RuntimeError);
    cn.Open(connectionString(folder));
    Recordset rs;
    EXPECT_THROW(rs.Open(QStringLiteral("Select getdt from other.csv"), cn), platform::RuntimeError);
    EXPECT_THROW(rs.Open(QStringLiteral("Select nosuch from demand.csv"), cn), platform::RuntimeError);
    EXPECT_THROW(rs.Open(QStringLiteral("Select Format(TimeValue(watt),'hh') from demand.csv"), cn), platform::RuntimeError);
    QFile::remove(folder + QStringLiteral("/schema.ini"));
    EXPECT_THROW(rs.Open(QStringLiteral("Select getdt from demand.csv"), cn), platform::RuntimeError);
    try {
        rs.Open(QStringLiteral("Select getdt from demand.csv"), cn);
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), textdbErrorNumber);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("schema.ini")));
    }
}

TEST_F(TextDb, LoadsAreCachedUntilTheFileChanges)
{
    const QString sql = QStringLiteral("Select getdt,gettm,watt,created from demand.csv Order by getdt,gettm");
    query(folder, sql);
    const long loads = tableLoadCount();
    query(folder, sql);
    query(folder, QStringLiteral("Select  distinct Mid(getdt,3,2) from demand.csv order by Mid(getdt,3,2)"));
    EXPECT_EQ(tableLoadCount(), loads);

    // A rewrite of the same size through a new file is seen.
    QByteArray changed(rows4);
    changed.replace("0123", "0456");
    writeFile(folder + QStringLiteral("/demand.new"), changed);
    QFile::remove(folder + QStringLiteral("/demand.csv"));
    QFile::rename(folder + QStringLiteral("/demand.new"), folder + QStringLiteral("/demand.csv"));
    const auto rows = query(folder, QStringLiteral("Select watt from demand.csv Where gettm = '1000'"));
    EXPECT_EQ(rows, QList<QStringList>({{"0456"}}));
    EXPECT_EQ(tableLoadCount(), loads + 1);

    // An explicit invalidation forces a reload.
    invalidateTable(folder + QStringLiteral("\\demand.csv"));
    query(folder, sql);
    EXPECT_EQ(tableLoadCount(), loads + 2);
}

TEST_F(TextDb, FixedWidthReadingByBytesAndCase)
{
    // Short lines give empty trailing fields; LF-only lines are accepted; the
    // file name matches ignoring case.
    QFile::remove(folder + QStringLiteral("/demand.csv"));
    writeFile(folder + QStringLiteral("/DEMAND.CSV"), "2405131000\n\r\n240514100001\r\n");
    const auto rows = query(folder, QStringLiteral("Select getdt,gettm,watt,created from demand.csv Order by getdt"));
    EXPECT_EQ(rows, QList<QStringList>({{"240513", "1000", "", ""}, {"240514", "1000", "01", ""}}));
    // Backslash paths from the system's code work as DBQ.
    QString winPath = folder;
    winPath.replace(u'/', u'\\');
    EXPECT_EQ(folderOfConnectionString(connectionString(winPath + QStringLiteral("\\"))), folder);
}
