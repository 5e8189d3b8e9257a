#pragma once
// The edit text of a "RyxCombo" window: CP932 bytes, addressed by character
// index so that a double-byte character is never split. Holds the caret and
// the selection anchor (both character indices) and the insert/overwrite
// editing operations.
#include <cstdint>
#include <string>

namespace zobase7 {

class RyxComboText {
public:
    // The owner reads lengths as 16-bit byte counts, so the text never grows
    // beyond this many bytes.
    static constexpr size_t kMaxBytes = 65535;


    // Replaces the whole text (a trailing lone lead byte is dropped), caret
    // at the end; false (nothing changed) when it would exceed kMaxBytes.
    bool setText(const std::string &cp932);
    const std::string &text() const { return m_text; }
    // Changes whenever the text changes (for caches of measurements).
    std::uint64_t version() const { return m_version; }

    int charCount() const;
    // Byte offset of character index ci (clamped to 0..charCount()).
    int byteOfChar(int ci) const;
    // Character index of the character holding byte offset b.
    int charOfByte(int b) const;
    // The bytes of character ci ("" outside the text).
    std::string charAt(int ci) const;

    int caret() const { return m_caret; }
    int anchor() const { return m_anchor; }
    int selStart() const { return m_caret < m_anchor ? m_caret : m_anchor; }
    int selEnd() const { return m_caret < m_anchor ? m_anchor : m_caret; }
    int selLength() const { return selEnd() - selStart(); }
    bool hasSelection() const { return m_caret != m_anchor; }
    std::string selectedText() const;

    // Moves the caret; with extend the anchor stays (selection grows or shrinks).
    void moveCaret(int ci, bool extend);
    // Selects length characters from start (both clamped).
    void select(int start, int length);

    // Types a CP932 string: replaces the selection; in overwrite mode without
    // a selection it replaces as many characters as it brings (never past the
    // end). The caret ends after the inserted text. False (nothing changed)
    // when the text would exceed kMaxBytes.
    bool type(const std::string &cp932, bool overwrite);
    // Replaces the selection (or inserts at the caret) and selects nothing;
    // false (nothing changed) when the text would exceed kMaxBytes.
    bool replaceSelection(const std::string &cp932);
    // Backspace: the selection, else the character before the caret.
    bool backspace();
    // Delete: the selection, else the character after the caret.
    bool deleteForward();

    // Cleans a CP932 string: removes a trailing lone lead byte and control
    // bytes below 0x20 (the field is one line).
    static std::string sanitize(const std::string &cp932);

private:
    std::string m_text;
    std::uint64_t m_version = 0;
    int m_caret = 0;
    int m_anchor = 0;
};

} // namespace zobase7
