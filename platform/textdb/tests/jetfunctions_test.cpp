#include "platform/textdb/jetfunctions.h"

#include <gtest/gtest.h>

using namespace platform::textdb;

TEST(JetFunctions, MidCountsFromOne)
{
    EXPECT_EQ(jetMid(QStringLiteral("240513"), 1, 2), QStringLiteral("24"));
    EXPECT_EQ(jetMid(QStringLiteral("240513"), 5, 2), QStringLiteral("13"));
    EXPECT_EQ(jetMid(QStringLiteral("240513"), 5), QStringLiteral("13"));
    EXPECT_EQ(jetMid(QStringLiteral("240513"), 6, 9), QStringLiteral("3"));
    EXPECT_EQ(jetMid(QStringLiteral("240513"), 7, 1), QString());
}

TEST(JetFunctions, NumericFormats)
{
    EXPECT_EQ(jetFormat(12.0, QStringLiteral("##0")), QStringLiteral("12"));
    EXPECT_EQ(jetFormat(0.0, QStringLiteral("##0")), QStringLiteral("0"));
    EXPECT_EQ(jetFormat(0.0, QStringLiteral("###0")), QStringLiteral("0"));
    EXPECT_EQ(jetFormat(QStringLiteral("0123"), QStringLiteral("0000")), QStringLiteral("0123"));
    EXPECT_EQ(jetFormat(323.25, QStringLiteral("0000")), QStringLiteral("0323"));
    EXPECT_EQ(jetFormat(265.5, QStringLiteral("0000")), QStringLiteral("0266"));
    EXPECT_EQ(jetFormat(-1.0, QStringLiteral("0000")), QStringLiteral("-0001"));
    EXPECT_EQ(jetFormat(1234567.0, QStringLiteral("#,##0")), QStringLiteral("1,234,567"));
    EXPECT_EQ(jetFormat(2.675, QStringLiteral("0.00")), QStringLiteral("2.68"));
    EXPECT_EQ(jetFormat(5.0, QStringLiteral("0.0kW")), QStringLiteral("5.0kW"));
    EXPECT_EQ(jetFormat(QStringLiteral("abc"), QStringLiteral("0000")), QStringLiteral("abc"));
    EXPECT_EQ(jetFormat(QVariant(), QStringLiteral("0000")), QString());
}

TEST(JetFunctions, TimeValueAndTimeFormats)
{
    ASSERT_TRUE(jetTimeValue(QStringLiteral("23:30:00")).has_value());
    EXPECT_DOUBLE_EQ(*jetTimeValue(QStringLiteral("12:00:00")), 0.5);
    EXPECT_DOUBLE_EQ(*jetTimeValue(QStringLiteral("00:30:00 ")), 1.0 / 48);
    EXPECT_FALSE(jetTimeValue(QStringLiteral("24:00:00")).has_value());
    EXPECT_FALSE(jetTimeValue(QStringLiteral("1030")).has_value());
    const double t = *jetTimeValue(QStringLiteral("23:30:00")) + *jetTimeValue(QStringLiteral("00:30:00"));
    EXPECT_EQ(jetFormat(t, QStringLiteral("HH時nn分")), QStringLiteral("00時00分"));
    EXPECT_EQ(jetFormat(*jetTimeValue(QStringLiteral("9:05:00")), QStringLiteral("HH時nn分")), QStringLiteral("09時05分"));
    EXPECT_EQ(jetFormat(QStringLiteral("10:30:00"), QStringLiteral("hh:mm")), QStringLiteral("10:30"));
}

TEST(JetFunctions, DateFormatsAndJapaneseWeekday)
{
    // 2024-05-13 is a Monday, 2000-01-01 a Saturday, 2023-12-31 a Sunday.
    EXPECT_EQ(jetFormat(QStringLiteral("240513"), QStringLiteral("aaa")), QStringLiteral("月"));
    EXPECT_EQ(jetFormat(QStringLiteral("000101"), QStringLiteral("aaa")), QStringLiteral("土"));
    EXPECT_EQ(jetFormat(QStringLiteral("231231"), QStringLiteral("aaaa")), QStringLiteral("日曜日"));
    EXPECT_EQ(jetFormat(QStringLiteral("2024/05/13 10:35"), QStringLiteral("yyyy/mm/dd hh:nn")),
              QStringLiteral("2024/05/13 10:35"));
    // Date serial 45425 is 2024-05-13.
    EXPECT_EQ(jetFormat(45425.75, QStringLiteral("yyyy年m月d日 h時")), QStringLiteral("2024年5月13日 18時"));
    // An impossible YYMMDD stays as it is.
    EXPECT_EQ(jetFormat(QStringLiteral("241332"), QStringLiteral("aaa")), QStringLiteral("241332"));
}

TEST(JetFunctions, TimeValueAcceptsDatePrefixesAndAmPmAndRefusesMalformedTexts)
{
    const double half = 0.5;
    EXPECT_DOUBLE_EQ(*jetTimeValue(QStringLiteral("2024/05/13 12:00")), half);
    EXPECT_DOUBLE_EQ(*jetTimeValue(QStringLiteral("2024-5-3  12:00:00")), half);
    EXPECT_DOUBLE_EQ(*jetTimeValue(QStringLiteral(" 12:00 PM")), half);
    EXPECT_DOUBLE_EQ(*jetTimeValue(QStringLiteral("12:00am")), 0.0);
    EXPECT_DOUBLE_EQ(*jetTimeValue(QStringLiteral("1:2:3")), (3600 + 120 + 3) / 86400.0);
    for (const char *bad : {"", ":", "12:", "12:60", "12:00:60", "123:00", "12:000", "13:00 PM", "0:00 AM",
                            "12:00 XM", "12:00 P", "12:00 PMX", "2024/05/13", "2024/05/1312:00", "2024/05-13x 12:00",
                            "12-00", "a12:00"})
        EXPECT_FALSE(jetTimeValue(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(JetFunctions, AlternatingFormatsKeepTheirOwnKind)
{
    // Numeric and date formats in turn, as two columns of one row ask them.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(jetFormat(QStringLiteral("240513"), QStringLiteral("aaa")), QStringLiteral("月"));
        EXPECT_EQ(jetFormat(12.0, QStringLiteral("##0")), QStringLiteral("12"));
        EXPECT_EQ(jetFormat(0.5, QStringLiteral("HH時nn分")), QStringLiteral("12時00分"));
        EXPECT_EQ(jetFormat(QStringLiteral("20240513"), QStringLiteral("yyyy/mm/dd")), QStringLiteral("2024/05/13"));
    }
    // A date stays a calendar date whatever the zone rules of the machine.
    EXPECT_EQ(jetFormat(QStringLiteral("240331"), QStringLiteral("yyyy/mm/dd hh:nn")), QStringLiteral("2024/03/31 00:00"));
}
