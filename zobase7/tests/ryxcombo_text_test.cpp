// The combo's edit text: characters addressed whole (double-byte CP932
// characters are never split), selection, insert and overwrite typing.
#include "zobase7/RyxComboText.h"

#include <gtest/gtest.h>

using zobase7::RyxComboText;

namespace {

// "aあb" in CP932: 'a', 0x82 0xA0, 'b'.
const std::string kMixed = "a\x82\xA0" "b";
const std::string kKan = "\x8A\xBF"; // 漢
const std::string kJi = "\x8E\x9A";  // 字

TEST(RyxComboText, CountsAndAddressesDoubleByteCharactersWhole)
{
    RyxComboText t;
    t.setText(kMixed);
    EXPECT_EQ(t.charCount(), 3);
    EXPECT_EQ(t.byteOfChar(1), 1);
    EXPECT_EQ(t.byteOfChar(2), 3);
    EXPECT_EQ(t.byteOfChar(9), 4);
    EXPECT_EQ(t.charOfByte(2), 1) << "the trail byte belongs to the double-byte character";
    EXPECT_EQ(t.charAt(1), "\x82\xA0");
    EXPECT_EQ(t.charAt(3), "");
    EXPECT_EQ(t.caret(), 3);
}

TEST(RyxComboText, SanitizeDropsLoneLeadByteAndControlBytes)
{
    EXPECT_EQ(RyxComboText::sanitize("ab\x82"), "ab");
    EXPECT_EQ(RyxComboText::sanitize("a\tb\r\n"), "ab");
    // A trail byte 0x5C ('\') stays part of its character.
    EXPECT_EQ(RyxComboText::sanitize("\x95\x5C"), "\x95\x5C");
    RyxComboText t;
    t.setText("x\x95\x5C");
    EXPECT_EQ(t.charCount(), 2);
}

TEST(RyxComboText, BackspaceAndDeleteRemoveWholeCharacters)
{
    RyxComboText t;
    t.setText(kMixed);
    t.moveCaret(2, false);
    ASSERT_TRUE(t.backspace());
    EXPECT_EQ(t.text(), "ab");
    EXPECT_EQ(t.caret(), 1);
    t.setText(kKan + kJi);
    t.moveCaret(0, false);
    ASSERT_TRUE(t.deleteForward());
    EXPECT_EQ(t.text(), kJi);
    t.moveCaret(0, false);
    EXPECT_FALSE(t.backspace()) << "nothing before the caret";
    t.moveCaret(1, false);
    EXPECT_FALSE(t.deleteForward()) << "nothing after the caret";
}

TEST(RyxComboText, InsertAndOverwriteTyping)
{
    RyxComboText t;
    t.setText("abcd");
    t.moveCaret(1, false);
    t.type("X", false);
    EXPECT_EQ(t.text(), "aXbcd");
    t.type(kKan, true); // overwrites 'b' with one double-byte character
    EXPECT_EQ(t.text(), "aX" + kKan + "cd");
    EXPECT_EQ(t.caret(), 3);
    t.moveCaret(2, false);
    t.type("yz", true); // overwrites the double-byte character and 'c'
    EXPECT_EQ(t.text(), "aXyzd");
    t.moveCaret(5, false);
    t.type("12", true); // at the end overwrite appends
    EXPECT_EQ(t.text(), "aXyzd12");
}

TEST(RyxComboText, SelectionIsReplacedByTypingAndRemovedByBackspace)
{
    RyxComboText t;
    t.setText(kMixed + "cd");
    t.select(1, 2);
    EXPECT_EQ(t.selectedText(), "\x82\xA0" "b");
    EXPECT_EQ(t.selStart(), 1);
    EXPECT_EQ(t.selLength(), 2);
    t.type("Q", true); // with a selection overwrite replaces just the selection
    EXPECT_EQ(t.text(), "aQcd");
    t.moveCaret(4, false);
    t.moveCaret(2, true); // extend leftwards
    EXPECT_EQ(t.selStart(), 2);
    EXPECT_EQ(t.selEnd(), 4);
    EXPECT_EQ(t.anchor(), 4);
    ASSERT_TRUE(t.backspace());
    EXPECT_EQ(t.text(), "aQ");
    t.select(5, 10);
    EXPECT_EQ(t.selStart(), 2);
    EXPECT_EQ(t.selLength(), 0) << "out-of-range selections are clamped";
    t.select(0, -1);
    EXPECT_EQ(t.selLength(), 2) << "a negative length selects to the end";
}

TEST(RyxComboText, NeverGrowsBeyondTheMaximum)
{
    RyxComboText t;
    EXPECT_FALSE(t.setText(std::string(RyxComboText::kMaxBytes + 1, 'a')));
    EXPECT_EQ(t.text(), "");
    ASSERT_TRUE(t.setText(std::string(RyxComboText::kMaxBytes - 1, 'a')));
    EXPECT_FALSE(t.type(kKan, false)) << "no room for two bytes";
    EXPECT_EQ(t.text().size(), RyxComboText::kMaxBytes - 1);
    EXPECT_EQ(t.caret(), static_cast<int>(RyxComboText::kMaxBytes - 1)) << "caret unchanged";
    t.moveCaret(0, false);
    EXPECT_TRUE(t.type(kKan, true)) << "overwriting one byte with two fits exactly";
    EXPECT_EQ(t.text().size(), RyxComboText::kMaxBytes);
    t.moveCaret(1, false);
    EXPECT_FALSE(t.type("b", false));
    EXPECT_EQ(t.caret(), 1);
    EXPECT_TRUE(t.type("b", true)) << "overwriting one byte with one stays in bounds";
}

} // namespace
