#include "platform/runtime/runtime_error.h"
#include "platform/textdb/dialect.h"

#include <gtest/gtest.h>

using namespace platform::textdb;

TEST(Dialect, ConcatenationLiteralsAndTableReference)
{
    const Translation t = translateStatement(
        QStringLiteral("Select '20' & MID(getdt,1,2) & '年&' as x From demand.csv  order by getdt"));
    EXPECT_EQ(t.table, QStringLiteral("demand.csv"));
    EXPECT_EQ(t.withTable(QStringLiteral("t1")),
              QStringLiteral("Select '20' || MID(getdt,1,2) || '年&' as x From t1  order by getdt"));
}

TEST(Dialect, QuotedTableNamesAndDoubleQuotedStrings)
{
    EXPECT_EQ(translateStatement(QStringLiteral("select * from [demand.csv] where a=\"it's\"")).withTable("t"),
              QStringLiteral("select * from t where a='it''s'"));
    EXPECT_EQ(translateStatement(QStringLiteral("select * from \"Demand.CSV\"")).table, QStringLiteral("Demand.CSV"));
    EXPECT_EQ(translateStatement(QStringLiteral("select [監視 日] from `demand.csv`")).withTable("t"),
              QStringLiteral("select \"監視 日\" from t"));
}

TEST(Dialect, LeftRightBecomeFunctionsButJoinWordsStay)
{
    EXPECT_EQ(translateStatement(QStringLiteral("Select Left(gettm,2), right (x,1) from d")).withTable("t"),
              QStringLiteral("Select JET_LEFT(gettm,2), JET_RIGHT (x,1) from t"));
}

TEST(Dialect, GroupByGetsAscendingOrderUnlessOrdered)
{
    EXPECT_EQ(translateStatement(QStringLiteral("Select Mid(getdt,3,2),MAX(watt) From demand.csv Group By Mid(getdt,3,2)"))
                  .withTable("t"),
              QStringLiteral("Select Mid(getdt,3,2),MAX(watt) From t Group By Mid(getdt,3,2) ORDER BY Mid(getdt,3,2)"));
    EXPECT_EQ(translateStatement(QStringLiteral("select a from d group by a having count(*)>1"))
                  .withTable("t"),
              QStringLiteral("select a from t group by a having count(*)>1 ORDER BY a"));
    EXPECT_EQ(translateStatement(QStringLiteral("select a from d group by a order by a desc")).withTable("t"),
              QStringLiteral("select a from t group by a order by a desc"));
    // A GROUP BY inside parentheses is not the statement's own.
    EXPECT_FALSE(translateStatement(QStringLiteral("select (select 1 from d group by a) from d"))
                     .withTable("t").contains(QStringLiteral("ORDER BY")));
}

TEST(Dialect, WideBlanksOutsideLiteralsAndErrors)
{
    EXPECT_EQ(translateStatement(QStringLiteral("select\u3000a from d where b='\u3000'")).withTable("t"),
              QStringLiteral("select a from t where b='\u3000'"));
    EXPECT_THROW(translateStatement(QStringLiteral("select 'abc from d")), platform::RuntimeError);
    EXPECT_THROW(translateStatement(QStringLiteral("select a from ")), platform::RuntimeError);
    EXPECT_THROW(translateStatement(QStringLiteral("select a from x, y where a in (select b from z)")),
                 platform::RuntimeError);
}
