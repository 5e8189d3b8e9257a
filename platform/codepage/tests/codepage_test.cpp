#include "platform/codepage/codepage.h"
#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

#include <iconv.h>

using namespace platform::codepage;

TEST(Codepage, RoundTripsJapaneseAndAscii)
{
    const QString text = QStringLiteral("通信設定 ｼﾘｱﾙ ABC-9　表ソ");
    const QByteArray bytes = toAnsi(text);
    // "表" is 95 5C and "ソ" is 83 5C: trail bytes equal to the backslash.
    EXPECT_TRUE(bytes.contains(QByteArray("\x95\x5c", 2)));
    EXPECT_TRUE(bytes.contains(QByteArray("\x83\x5c", 2)));
    // Half-width kana are single bytes.
    EXPECT_TRUE(bytes.contains(QByteArray("\xbc\xd8\xb1\xd9", 4)));
    EXPECT_EQ(fromAnsi(bytes), text);
}

TEST(Codepage, FullWidthBlankAndWindowsOnlyCharacters)
{
    EXPECT_EQ(toAnsi(QStringLiteral("　")), QByteArray("\x81\x40", 2));
    // Characters that CP932 has beyond JIS X 0208 (NEC row 13).
    EXPECT_EQ(toAnsi(QStringLiteral("①")), QByteArray("\x87\x40", 2));
    EXPECT_EQ(fromAnsi(QByteArray("\x87\x40", 2)), QStringLiteral("①"));
}

TEST(Codepage, UnencodableCharacterIsAnErrorNotAQuestionMark)
{
    EXPECT_FALSE(isAnsiEncodable(QStringLiteral("abc😀")));
    EXPECT_TRUE(isAnsiEncodable(QStringLiteral("お客さま")));
    try {
        toAnsi(QStringLiteral("abc😀"));
        FAIL() << "expected an error";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), 5);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("😀")));
    }
}

TEST(Codepage, InvalidBytesAreAnErrorOrReplacedWhenLenient)
{
    const QByteArray bad("A\x81", 2); // a lead byte without its trail byte
    EXPECT_THROW(fromAnsi(bad), platform::RuntimeError);
    EXPECT_EQ(fromAnsiLenient(QByteArray("A\x81\x40" "B\xff" "C", 6)), QStringLiteral("A　B\uFFFDC"));
}

TEST(Codepage, LeadBytes)
{
    EXPECT_TRUE(isLeadByte(0x83));
    EXPECT_TRUE(isLeadByte(0xE0));
    EXPECT_FALSE(isLeadByte(0x5C));
    EXPECT_FALSE(isLeadByte(0xB1)); // half-width kana
}

// Texts of plain ASCII skip the converter: each of the 128 codes, alone and
// within texts, converts as the CP932 converter itself converts it.
TEST(CodePageAscii, EveryAsciiCodeAsTheConverterHasIt)
{
    iconv_t toUnicode = iconv_open("UTF-8", "CP932");
    ASSERT_NE(toUnicode, reinterpret_cast<iconv_t>(-1));
    QByteArray all;
    for (int b = 0; b < 128; ++b) {
        char in = char(b), out[8] = {};
        char *inPtr = &in, *outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        ASSERT_NE(iconv(toUnicode, &inPtr, &inLeft, &outPtr, &outLeft), size_t(-1)) << b;
        const QString expected = QString::fromUtf8(out, qsizetype(sizeof out - outLeft));
        const QByteArray one(1, char(b));
        EXPECT_EQ(platform::codepage::fromAnsi(one), expected) << b;
        EXPECT_EQ(platform::codepage::toAnsi(expected), one) << b;
        all += one;
    }
    iconv_close(toUnicode);
    EXPECT_EQ(platform::codepage::toAnsi(platform::codepage::fromAnsi(all)), all);
    // One code past ASCII sends the whole text through the converter.
    EXPECT_EQ(platform::codepage::fromAnsi(QByteArray("2024,\x93\x8c\x8b\x9e")), QStringLiteral("2024,東京"));
    EXPECT_EQ(platform::codepage::toAnsi(QStringLiteral("a\\~東")), QByteArray("a\\~\x93\x8c"));
    EXPECT_THROW(platform::codepage::fromAnsi(QByteArray("ab\x81")), platform::RuntimeError);
}
