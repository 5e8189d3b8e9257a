#pragma once
// The input mask of a "RyxCombo" window (its Format). A mask is up to three
// sections separated by ';': the template, then two optional sections that
// are empty or one group in braces ("999-9999;;{}"). In the template each
// keyword is one input position, anything else a literal shown as it is; a
// backslash makes the next character a literal.
//   half-width: & any character, ? a character of the lookup table,
//     A upper-case letter, a lower-case letter, 9 digit, # digit or one of
//     + - $ % \ , . , @ symbol, B binary digit, X hexadecimal digit,
//     K katakana, H any half-width character;
//   full-width: ＆ ？ Ａ ａ ９ ＃ ＠ Ｂ Ｘ Ｋ Ｈ as above in full width,
//     Ｚ any full-width character, Ｊ hiragana.
// A malformed mask (an unknown section, an unbalanced brace, a trailing
// backslash, a broken double-byte character, no input position, more than
// 256 characters) is refused and the old mask stays.
#include <string>
#include <vector>

namespace zobase7 {

class FormatMask {
public:
    enum class Kind {
        Literal, Any, Lookup, Upper, Lower, Digit, DigitSign, Symbol, Binary, Hex, Kana, HalfAny,
        FAny, FLookup, FUpper, FLower, FDigit, FDigitSign, FSymbol, FBinary, FHex, FKana, FHalfAny,
        FullAny, Hiragana
    };
    struct Slot {
        Kind kind = Kind::Literal;
        std::string literal; // the literal's CP932 bytes
        std::string value;   // the entered character ("" = empty)
    };
    struct Options {
        bool autoConvert = true;  // converts case and half/full width to fit the position
        bool allowSpace = true;   // a space may stand in any input position
        std::string lookupTable;  // CP932 characters accepted by ? and ？ ("" = any)
    };

    // Parses a mask; false when it is malformed (out untouched).
    static bool parse(const std::string &cp932Mask, FormatMask *out);

    bool isEmpty() const { return m_slots.empty(); }
    const std::string &source() const { return m_source; }
    const std::vector<Slot> &slots() const { return m_slots; }
    int slotCount() const { return static_cast<int>(m_slots.size()); }
    bool isInput(int slot) const;

    // Checks (and converts) one CP932 character for an input position.
    bool accept(int slot, std::string *ch, const Options &options) const;
    // Puts a character into an input position; false when refused.
    bool put(int slot, const std::string &ch, const Options &options);
    void clearSlot(int slot);
    void clearAll();

    // First input position at or after slot (slotCount() when none).
    int nextInput(int slot) const;
    // Last input position before slot (-1 when none).
    int prevInput(int slot) const;
    // Number of the field (run of input positions) holding slot, counted
    // from 0; literals count with the field before them.
    int fieldOf(int slot) const;

    // The field as shown while editing: literals, entered characters and the
    // prompt character in empty positions.
    std::string text(const std::string &prompt) const;
    // The entered characters only.
    std::string value() const;
    bool isFull() const;
    // Fills the input positions in order from a value; false (nothing
    // changed) when a character does not fit or there are too many.
    bool setValue(const std::string &cp932, const Options &options);
    // Takes a text laid out as the template (literals in place, the prompt
    // in empty positions); false (nothing changed) when it does not match.
    bool setText(const std::string &cp932, const std::string &prompt, const Options &options);

    // Splits CP932 bytes into characters (a broken trailing lead byte ends it).
    static std::vector<std::string> splitChars(const std::string &cp932);

private:
    std::string m_source;
    std::vector<Slot> m_slots;
};

} // namespace zobase7
