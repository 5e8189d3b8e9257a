// The input mask: parsing (malformed masks refused), which characters each
// keyword takes, conversion, and the text and value of a filled mask.
#include "zobase7/FormatMask.h"

#include <gtest/gtest.h>

#include <map>

using zobase7::FormatMask;

namespace {

std::string sjis(const char *utf8)
{
    // The tests write CP932 literals as bytes; this table keeps them readable.
    static const std::map<std::string, std::string> table = {
        {"〒", "\x81\xA7"}, {"９", "\x82\x58"}, {"－", "\x81\x7C"}, {"１", "\x82\x50"},
        {"Ａ", "\x82\x60"}, {"ａ", "\x82\x81"}, {"Ｊ", "\x82\x69"}, {"あ", "\x82\xA0"},
        {"ア", "\x83\x41"}, {"Ｚ", "\x82\x79"}, {"漢", "\x8A\xBF"}, {"　", "\x81\x40"},
    };
    return table.at(utf8);
}

FormatMask parsed(const std::string &mask)
{
    FormatMask m;
    EXPECT_TRUE(FormatMask::parse(mask, &m)) << mask;
    return m;
}

TEST(FormatMask, ParsesTheTemplatesOfThePropertyPage)
{
    const std::vector<std::string> templates = {
        "&&&&&&&&&&", "999-99", "999-9999", sjis("〒") + " 999-99", sjis("〒") + " 999-9999;;{}",
        "99-9999-9999", "99(9999)9999", "(999)999-9999", "(999)999-99999;{9};{}",
        sjis("〒") + " " + sjis("９") + sjis("９") + sjis("９") + sjis("－") + sjis("９") + ";;{}",
    };
    for (const std::string &t : templates)
        parsed(t);
    FormatMask m = parsed("999-9999");
    EXPECT_EQ(m.slotCount(), 8);
    EXPECT_TRUE(m.isInput(0));
    EXPECT_FALSE(m.isInput(3));
    EXPECT_EQ(m.text("_"), "___-____");
}

TEST(FormatMask, RefusesMalformedMasksAndKeepsTheOldOne)
{
    FormatMask m = parsed("99");
    const std::vector<std::string> bad = {
        "",                 // nothing to enter
        "---",              // only literals
        "99{9",             // a brace in the template
        "9}9",
        "999;abc",          // a section that is not a brace group
        "999;{9",           // unterminated group
        "999;{9}x",         // text after a group
        "9;{};{};{}",       // a fourth section
        "99\\",             // a trailing escape
        "99\x82",           // a broken double-byte character
        std::string(257, '9'),
    };
    for (const std::string &b : bad) {
        EXPECT_FALSE(FormatMask::parse(b, &m)) << b;
        EXPECT_EQ(m.source(), "99") << "a refused mask leaves the old one";
    }
    EXPECT_TRUE(FormatMask::parse(std::string(256, '9'), &m));
    // An escaped keyword is a literal.
    FormatMask e = parsed("\\99");
    EXPECT_FALSE(e.isInput(0));
    EXPECT_EQ(e.text("_"), "9_");
}

TEST(FormatMask, KeywordsTakeTheirCharactersWithConversion)
{
    FormatMask::Options o;
    FormatMask m = parsed("9Aa#BXKH&");
    auto takes = [&](int slot, std::string ch, const std::string &expect) {
        std::string c = ch;
        bool ok = m.accept(slot, &c, o);
        if (expect.empty()) {
            EXPECT_FALSE(ok) << slot << " " << ch;
        } else {
            EXPECT_TRUE(ok) << slot << " " << ch;
            EXPECT_EQ(c, expect);
        }
    };
    takes(0, "7", "7");
    takes(0, "x", "");
    takes(0, sjis("１"), "1"); // a full-width digit becomes half-width
    takes(1, "q", "Q"); // upper-case position converts
    takes(2, "Q", "q");
    takes(3, "$", "$");
    takes(3, "a", "");
    takes(4, "1", "1");
    takes(4, "2", "");
    takes(5, "f", "f");
    takes(5, "g", "");
    takes(6, "\xB1", "\xB1");  // half-width katakana
    takes(6, "a", "");
    takes(7, sjis("あ"), ""); // H takes half-width characters only
    takes(8, sjis("漢"), sjis("漢"));
    takes(0, " ", " "); // AllowSpace lets a space stand anywhere
    o.allowSpace = false;
    takes(0, " ", "");
    o.autoConvert = false;
    takes(1, "q", "");
    takes(0, sjis("１"), "");
}

TEST(FormatMask, FullWidthKeywordsAndLookupTable)
{
    FormatMask::Options o;
    FormatMask m = parsed(sjis("９") + sjis("Ａ") + sjis("Ｊ") + sjis("Ｚ") + "?");
    std::string c = "5";
    ASSERT_TRUE(m.accept(0, &c, o));
    EXPECT_EQ(c, "\x82\x54") << "a half-width digit becomes full-width";
    c = "b";
    ASSERT_TRUE(m.accept(1, &c, o));
    EXPECT_EQ(c, "\x82\x61") << "full-width upper-case B";
    c = sjis("あ");
    EXPECT_TRUE(m.accept(2, &c, o));
    c = sjis("ア");
    EXPECT_FALSE(m.accept(2, &c, o)) << "katakana is not hiragana";
    c = "a";
    EXPECT_FALSE(m.accept(3, &c, o) && c == "a") << "Z takes full-width characters";
    o.lookupTable = "xyz";
    c = "y";
    EXPECT_TRUE(m.accept(4, &c, o));
    c = "w";
    EXPECT_FALSE(m.accept(4, &c, o));
}

TEST(FormatMask, ValueTextFieldsAndFullness)
{
    FormatMask::Options o;
    FormatMask m = parsed("(999)999-9999");
    EXPECT_FALSE(m.isFull());
    ASSERT_TRUE(m.setValue("0312", o));
    EXPECT_EQ(m.value(), "0312");
    EXPECT_EQ(m.text("_"), "(031)2__-____");
    EXPECT_FALSE(m.setValue("03x", o)) << "a character that does not fit";
    EXPECT_EQ(m.value(), "0312") << "a refused value changes nothing";
    EXPECT_FALSE(m.setValue("12345678901", o)) << "too many characters";
    ASSERT_TRUE(m.setValue("0312345678", o));
    EXPECT_TRUE(m.isFull());
    EXPECT_EQ(m.text("_"), "(031)234-5678");
    ASSERT_TRUE(m.setText("(06_)123-4567", "_", o));
    EXPECT_EQ(m.value(), "061234567");
    EXPECT_FALSE(m.setText("[06_]123-4567", "_", o)) << "literals must match";
    EXPECT_FALSE(m.setText("(06)", "_", o));
    EXPECT_EQ(m.fieldOf(0), 0);
    EXPECT_EQ(m.fieldOf(1), 0);
    EXPECT_EQ(m.fieldOf(4), 0) << "a literal belongs to the field before it";
    EXPECT_EQ(m.fieldOf(5), 1);
    EXPECT_EQ(m.fieldOf(9), 2);
    EXPECT_EQ(m.nextInput(4), 5);
    EXPECT_EQ(m.prevInput(5), 3);
    EXPECT_EQ(m.prevInput(1), -1);
    EXPECT_EQ(m.nextInput(13), 13);
}

} // namespace
