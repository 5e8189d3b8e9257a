#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Numeric, ValReadsTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(Val(QStringLiteral("  12.5kW")), 12.5);
    EXPECT_DOUBLE_EQ(Val(QStringLiteral("-003")), -3);
    EXPECT_DOUBLE_EQ(Val(QStringLiteral("abc")), 0);
    EXPECT_DOUBLE_EQ(Val(QString()), 0);
    EXPECT_DOUBLE_EQ(Val(QStringLiteral("1e3x")), 1000);
    EXPECT_DOUBLE_EQ(Val(QStringLiteral("１２")), 0); // full-width digits are not numbers
}

TEST(Numeric, IsNumericNeedsTheWholeText)
{
    EXPECT_TRUE(IsNumeric(QStringLiteral(" 42 ")));
    EXPECT_TRUE(IsNumeric(QStringLiteral("-1.5")));
    EXPECT_FALSE(IsNumeric(QStringLiteral("42a")));
    EXPECT_FALSE(IsNumeric(QStringLiteral("")));
    EXPECT_FALSE(IsNumeric(QStringLiteral("-")));
}

TEST(Numeric, CIntRoundsHalfToEvenAndOverflows)
{
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(QStringLiteral("0012")), 12);
    try {
        CInt(QStringLiteral("40000"));
        FAIL();
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.Number(), err::Overflow);
    }
    EXPECT_THROW(CInt(QStringLiteral("1x")), RuntimeError);
    EXPECT_THROW(CInt(-32768.6), RuntimeError);
}

TEST(Numeric, FormatZeroKeepsTheSign)
{
    EXPECT_EQ(FormatZero(7, 4), QStringLiteral("0007"));
    EXPECT_EQ(FormatZero(12345, 4), QStringLiteral("12345"));
    EXPECT_EQ(FormatZero(-1, 4), QStringLiteral("-0001"));
    EXPECT_EQ(FormatZero(0, 2), QStringLiteral("00"));
}
