// The SQL functions on extreme values: date serials beyond the date type,
// infinities and NaN are refused with the driver's error, never converted
// with overflowing arithmetic; the text functions take extreme positions and
// lengths without harm.
#include "platform/runtime/runtime_error.h"
#include "platform/textdb/jetfunctions.h"
#include "platform/textdb/textdb.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>

using namespace platform::textdb;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

const QString dateRefusal = QStringLiteral("FORMAT: 日付に変換できない値です。");

// The error a call raises; Number 0 when it raises none.
platform::RuntimeError errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const platform::RuntimeError &e) {
        return e;
    }
    return platform::RuntimeError(0, QString());
}

using talviktest::writeFile;

// A fixed-width table "x.txt" whose one column "v" holds the given texts.
class ExtremeTable : public ::testing::Test {
protected:
    void fill(const QList<QByteArray> &values)
    {
        ASSERT_TRUE(dir.isValid());
        writeFile(dir.path() + "/schema.ini",
                  "[x.txt]\r\nColNameHeader=False\r\nFormat=FixedLength\r\nCol1=v char Width 12\r\n"
                  "Col2=r Double Width 12\r\n");
        QByteArray rows;
        for (const QByteArray &v : values)
            rows += v.leftJustified(12, ' ') + v.leftJustified(12, ' ') + "\r\n";
        writeFile(dir.path() + "/x.txt", rows);
        invalidateTable(dir.path() + "/x.txt");
    }
    QStringList run(const QString &sql)
    {
        Connection cn;
        cn.Open(QStringLiteral("Driver={Text};DBQ=") + dir.path());
        Recordset rs;
        rs.Open(sql, cn);
        QStringList out;
        for (; !rs.Eof(); rs.MoveNext())
            out << rs.Fields(0).Value().toString();
        return out;
    }
    QTemporaryDir dir;
};

} // namespace

TEST(ExtremeValues, DateFormatsRefuseSerialsOutsideTheDateType)
{
    const QString fmt = QStringLiteral("yyyy/mm/dd hh:nn");
    const QVariant refused[] = {
        QVariant(9e307), QVariant(-9e307), QVariant(inf), QVariant(-inf),
        QVariant(std::numeric_limits<double>::quiet_NaN()), QVariant(2958466.0), QVariant(-657434.5),
        QVariant(qlonglong(std::numeric_limits<qlonglong>::max())),
        QVariant(qlonglong(std::numeric_limits<qlonglong>::min())),
        QVariant(QStringLiteral("9E+307")), QVariant(QStringLiteral(" -9E+307 ")), QVariant(QStringLiteral("1E+999")),
        QVariant(QStringLiteral("99999999999999")),
    };
    for (const QVariant &v : refused) {
        const auto e = errorOf([&] { jetFormat(v, fmt); });
        EXPECT_EQ(e.Number(), textdbErrorNumber) << v.toString().toStdString();
        EXPECT_EQ(e.Description(), dateRefusal) << v.toString().toStdString();
    }
    // The ends of the date type still format.
    EXPECT_EQ(jetFormat(2958465.5, fmt), QStringLiteral("9999/12/31 12:00"));
    EXPECT_EQ(jetFormat(-657434.0, fmt), QStringLiteral("100/01/01 00:00"));
    EXPECT_EQ(jetFormat(QStringLiteral("45425"), QStringLiteral("yyyy/mm/dd")), QStringLiteral("2024/05/13"));
}

TEST(ExtremeValues, NumericFormatsRefuseInfinityAndKeepHugeFiniteNumbers)
{
    EXPECT_EQ(errorOf([] { jetFormat(inf, QStringLiteral("0000")); }).Number(), textdbErrorNumber);
    EXPECT_EQ(errorOf([] { jetFormat(QStringLiteral("-1E+999"), QStringLiteral("#,##0")); }).Number(),
              textdbErrorNumber);
    const QString huge = jetFormat(9e307, QStringLiteral("0"));
    EXPECT_EQ(huge.size(), 308);
    EXPECT_TRUE(huge.startsWith(QStringLiteral("9")));
}

TEST_F(ExtremeTable, FormatOfAHugeDateFieldIsTheDriversError)
{
    fill({"240513", "9E+307"});
    for (const char *sql : {"Select Format(v,'yyyy/mm/dd') from x.txt", "Select Format(r,'aaa') from x.txt",
                            "Select Format(Val(v),'hh:nn') from x.txt"}) {
        const auto e = errorOf([&] { run(QString::fromLatin1(sql)); });
        EXPECT_EQ(e.Number(), textdbErrorNumber) << sql;
        EXPECT_EQ(e.Description(), dateRefusal) << sql;
    }
    EXPECT_EQ(run("Select Format(v,'yyyy/mm/dd') from x.txt where v = '240513'"), QStringList{"2024/05/13"});
}

TEST_F(ExtremeTable, TextFunctionsTakeExtremePositionsAndLengths)
{
    fill({"ABCDEF", "1E+999", "-9E+307"});
    EXPECT_EQ(run("Select Mid(v, 9223372036854775807) from x.txt"), (QStringList{"", "", ""}));
    EXPECT_EQ(run("Select Mid(v, 2, 9223372036854775807) from x.txt"), (QStringList{"BCDEF", "E+999", "9E+307"}));
    EXPECT_EQ(run("Select Mid(v, 1e300, 2) from x.txt"), (QStringList{"", "", ""}));
    EXPECT_EQ(errorOf([&] { run("Select Mid(v, -9223372036854775808, 2) from x.txt"); }).Number(), textdbErrorNumber);
    EXPECT_EQ(run("Select Left(v, 1e300) & Right(v, -1e300) from x.txt"), (QStringList{"ABCDEF", "1E+999", "-9E+307"}));
    EXPECT_EQ(run("Select Right(v, 9223372036854775807) from x.txt"), (QStringList{"ABCDEF", "1E+999", "-9E+307"}));
    const QStringList vals = run("Select Val(v) from x.txt");
    ASSERT_EQ(vals.size(), 3);
    EXPECT_EQ(vals[0], "0");
    EXPECT_EQ(vals[2], QString::number(-9e307));
    EXPECT_EQ(errorOf([&] { run("Select TimeValue(v) from x.txt"); }).Number(), textdbErrorNumber);
    EXPECT_EQ(errorOf([&] { run("Select TimeValue('99999999999:99999999') from x.txt"); }).Number(),
              textdbErrorNumber);
}
