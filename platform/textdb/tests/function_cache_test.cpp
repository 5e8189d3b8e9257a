// The SQL functions remember results by their arguments: a statement over
// more distinct values than the memory holds, run twice, gives every row the
// value the function itself computes, for ASCII and Japanese text, numbers
// and texts of the same digits alike.
#include "platform/textdb/jetfunctions.h"
#include "platform/textdb/textdb.h"

#include <QFile>
#include <QTemporaryDir>
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
