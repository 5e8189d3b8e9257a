// The SQL functions remember results by their arguments: a statement over
// more distinct values than the memory holds, run twice, gives every row the
// value the function itself computes, for ASCII and Japanese text, numbers
// and texts of the same digits alike.
#include "platform/textdb/jetfunctions.h"
#include "platform/runtime/numeric.h"
#include "platform/textdb/textdb.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace platform::textdb;

TEST(FunctionResults, RepeatedStatementsGiveWhatTheFunctionsCompute)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile schema(dir.path() + "/schema.ini");
        ASSERT_TRUE(schema.open(QIODevice::WriteOnly));
        schema.write("[t.txt]\r\nColNameHeader=False\r\nFormat=FixedLength\r\nCharacterSet=OEM\r\n"
                     "Col1=v char Width 10\r\nCol2=r Double Width 10\r\nCol3=tm char Width 4\r\n");
    }
    // 10,000 distinct values: more than the functions keep, so the memory is
    // emptied and filled again during the statement.
    constexpr int rows = 10000;
    QByteArray table;
    for (int i = 0; i < rows; ++i) {
        // Every third text is Japanese (CP932 bytes of "東京" then digits).
        QByteArray v = i % 3 == 0 ? QByteArray("\x93\x8c\x8b\x9e") + QByteArray::number(i) : QByteArray::number(i);
        const QByteArray r = QByteArray::number(i / 7.0, 'f', 3);
        const QByteArray tm = QByteArray::number(i % 24).rightJustified(2, '0') + (i % 2 ? "30" : "00");
        table += v.leftJustified(10, ' ') + r.leftJustified(10, ' ') + tm + "\r\n";
    }
    {
        QFile t(dir.path() + "/t.txt");
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write(table);
    }
    Connection cn;
    cn.Open(QStringLiteral("Driver={Text};DBQ=") + dir.path());
    const QString sql = QStringLiteral(
        "Select v, r, tm, Mid(v,2,3), Format(r,'##0.0'), Format(v,'0.00'), "
        "Format(TimeValue(MID(tm,1,2) & ':' & MID(tm,3,2) & ':00'),'HH時nn分'), Mid(v,3), Format(r,'0.00') from t.txt");
    for (int pass = 0; pass < 2; ++pass) {
        Recordset rs;
        rs.Open(sql, cn);
        int n = 0;
        for (; !rs.Eof(); rs.MoveNext(), ++n) {
            const QString v = rs.Fields(0).Value().toString();
            const QVariant r = rs.Fields(1).Value();
            const QString tm = rs.Fields(2).Value().toString();
            SCOPED_TRACE(v.toStdString());
            EXPECT_EQ(rs.Fields(3).Value().toString(), jetMid(v, 2, 3));
            EXPECT_EQ(rs.Fields(4).Value().toString(), jetFormat(r, QStringLiteral("##0.0")));
            EXPECT_EQ(rs.Fields(5).Value().toString(), jetFormat(QVariant(v), QStringLiteral("0.00")));
            const auto time = jetTimeValue(tm.left(2) + u':' + tm.mid(2, 2) + QStringLiteral(":00"));
            ASSERT_TRUE(time.has_value());
            EXPECT_EQ(rs.Fields(6).Value().toString(), jetFormat(QVariant(*time), QStringLiteral("HH時nn分")));
            EXPECT_EQ(rs.Fields(7).Value().toString(), jetMid(v, 3));
            EXPECT_EQ(rs.Fields(8).Value().toString(), jetFormat(r, QStringLiteral("0.00")));
            if (HasFailure())
                return;
        }
        EXPECT_EQ(n, rows);
    }
}

namespace {

// A one-row table to run statements of literals against.
class OneRow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile schema(dir.path() + "/schema.ini");
        ASSERT_TRUE(schema.open(QIODevice::WriteOnly));
        schema.write("[t.txt]\r\nColNameHeader=False\r\nFormat=FixedLength\r\nCharacterSet=OEM\r\n"
                     "Col1=v char Width 4\r\n");
        schema.close();
        QFile t(dir.path() + "/t.txt");
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write("0012\r\n");
        t.close();
        cn.Open(QStringLiteral("Driver={Text};DBQ=") + dir.path());
    }
    QList<QVariant> row(const QString &selectList)
    {
        Recordset rs;
        rs.Open(QStringLiteral("Select ") + selectList + QStringLiteral(" from t.txt"), cn);
        QList<QVariant> out;
        for (int i = 0; i < rs.FieldCount(); ++i)
            out << rs.Fields(i).Value();
        return out;
    }
    QTemporaryDir dir;
    Connection cn;
};

} // namespace

// VAL of a text gives exactly what Val gives, sign of zero included, for
// plain digits and for everything next to them that is read another way.
TEST_F(OneRow, ValOfTextIsValOfTheText)
{
    const QStringList texts{
        "0012", "-001", "+7", "  42", "\t-0", "-0", "0", "9999", "12.5", "12.", "1e3", "12E2", "12e",
        "123456789012345", "-123456789012345", "1234567890123456", "99999999999999999999", "", "-", "+",
        " ", "abc", "12abc", "12 34", "007x", "１２", "12東京", "- 5", "--5", ".5", "-.5"};
    QStringList calls;
    for (const QString &t : texts)
        calls << QStringLiteral("VAL('%1')").arg(t);
    const QList<QVariant> got = row(calls.join(u','));
    ASSERT_EQ(got.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i].toStdString());
        const double want = platform::Val(texts[i]);
        ASSERT_EQ(got[i].typeId(), QMetaType::Double);
        EXPECT_EQ(got[i].toDouble(), want);
        EXPECT_EQ(std::signbit(got[i].toDouble()), std::signbit(want));
    }
    // From the table's column and through the count column's format.
    EXPECT_EQ(row("VAL(v), FORMAT(VAL(v),'###0'), IIF(v='-001','-',FORMAT(VAL(v),'###0'))"),
              QList<QVariant>({12.0, "12", "12"}));
}

// A remembered result belongs to its own arguments only: a one-argument call
// whose text holds what a second argument would look like, and a number and a
// text of the same digits, each get their own result.
TEST_F(OneRow, RememberedResultsKeepArgumentsApart)
{
    const QList<QVariant> got = row(
        "FORMAT('5','0.00'), FORMAT('5' & char(0) & 't0.00'), FORMAT('5' & char(0) & 't0.00'), "
        "FORMAT(5,'0.00'), FORMAT('5','0.00'), FORMAT(5.0,'0'), FORMAT('5.0','0'), "
        "TIMEVALUE('10:30'), TIMEVALUE('10:30:00'), FORMAT('10:30','HH時nn分'), FORMAT(TIMEVALUE('10:30'),'HH時nn分')");
    ASSERT_EQ(got.size(), 11);
    EXPECT_EQ(got[0].toString(), "5.00");
    EXPECT_EQ(got[1].toString(), QString::fromUtf8("5\0t0.00", 7));
    EXPECT_EQ(got[2].toString(), QString::fromUtf8("5\0t0.00", 7));
    EXPECT_EQ(got[3].toString(), "5.00");
    EXPECT_EQ(got[4].toString(), "5.00");
    EXPECT_EQ(got[5].toString(), "5");
    EXPECT_EQ(got[6].toString(), "5");
    EXPECT_DOUBLE_EQ(got[7].toDouble(), 10.5 / 24);
    EXPECT_DOUBLE_EQ(got[8].toDouble(), 10.5 / 24);
    EXPECT_EQ(got[9].toString(), "10時30分");
    EXPECT_EQ(got[10].toString(), "10時30分");
}
