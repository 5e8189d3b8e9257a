#include "zobase7/RyxComboText.h"

#include "platform/codepage/codepage.h"

#include <algorithm>

namespace zobase7 {

namespace {
bool lead(char c) { return platform::codepage::isLeadByte(static_cast<unsigned char>(c)); }
} // namespace

std::string RyxComboText::sanitize(const std::string &cp932)
{
    std::string out;
    out.reserve(cp932.size());
    for (size_t i = 0; i < cp932.size(); ++i) {
        char c = cp932[i];
        if (lead(c)) {
            if (i + 1 >= cp932.size() || cp932[i + 1] == '\0')
                break; // a lead byte without its trail is dropped
            out.push_back(c);
            out.push_back(cp932[++i]);
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            continue;
        out.push_back(c);
    }
    return out;
}

bool RyxComboText::setText(const std::string &cp932)
{
    std::string clean = sanitize(cp932);
    if (clean.size() > kMaxBytes)
        return false;
    m_text = std::move(clean);
    ++m_version;
    m_caret = m_anchor = charCount();
    return true;
}

int RyxComboText::charCount() const
{
    int n = 0;
    for (size_t i = 0; i < m_text.size(); ++i, ++n)
        if (lead(m_text[i]))
            ++i;
    return n;
}

int RyxComboText::byteOfChar(int ci) const
{
    if (ci <= 0)
        return 0;
    size_t i = 0;
    for (int n = 0; n < ci && i < m_text.size(); ++n)
        i += lead(m_text[i]) ? 2 : 1;
    return static_cast<int>(std::min(i, m_text.size()));
}

int RyxComboText::charOfByte(int b) const
{
    int n = 0;
    size_t i = 0;
    while (i < m_text.size()) {
        size_t w = lead(m_text[i]) ? 2 : 1;
        if (static_cast<size_t>(b) < i + w)
            return n;
        i += w;
        ++n;
    }
    return n;
}

std::string RyxComboText::charAt(int ci) const
{
    if (ci < 0 || ci >= charCount())
        return {};
    int b = byteOfChar(ci);
    return m_text.substr(static_cast<size_t>(b), static_cast<size_t>(byteOfChar(ci + 1) - b));
}

std::string RyxComboText::selectedText() const
{
    int b0 = byteOfChar(selStart());
    int b1 = byteOfChar(selEnd());
    return m_text.substr(static_cast<size_t>(b0), static_cast<size_t>(b1 - b0));
}

void RyxComboText::moveCaret(int ci, bool extend)
{
    m_caret = std::clamp(ci, 0, charCount());
    if (!extend)
        m_anchor = m_caret;
}

void RyxComboText::select(int start, int length)
{
    int n = charCount();
    int s = std::clamp(start, 0, n);
    int e = std::clamp(length < 0 ? n : s + length, s, n);
    m_anchor = s;
    m_caret = e;
}

bool RyxComboText::replaceSelection(const std::string &cp932)
{
    std::string add = sanitize(cp932);
    int b0 = byteOfChar(selStart());
    int b1 = byteOfChar(selEnd());
    int start = selStart();
    if (m_text.size() - static_cast<size_t>(b1 - b0) + add.size() > kMaxBytes)
        return false;
    m_text.replace(static_cast<size_t>(b0), static_cast<size_t>(b1 - b0), add);
    ++m_version;
    RyxComboText probe;
    probe.m_text = add;
    m_caret = m_anchor = start + probe.charCount();
    return true;
}

bool RyxComboText::type(const std::string &cp932, bool overwrite)
{
    const int caret = m_caret, anchor = m_anchor;
    if (overwrite && !hasSelection()) {
        RyxComboText probe;
        probe.m_text = sanitize(cp932);
        int n = std::min(probe.charCount(), charCount() - m_caret);
        m_anchor = m_caret;
        m_caret += n; // the characters to overwrite become the selection
    }
    if (replaceSelection(cp932))
        return true;
    m_caret = caret;
    m_anchor = anchor;
    return false;
}

bool RyxComboText::backspace()
{
    if (hasSelection()) {
        replaceSelection({});
        return true;
    }
    if (m_caret == 0)
        return false;
    m_anchor = m_caret - 1;
    replaceSelection({});
    return true;
}

bool RyxComboText::deleteForward()
{
    if (hasSelection()) {
        replaceSelection({});
        return true;
    }
    if (m_caret >= charCount())
        return false;
    m_anchor = m_caret + 1;
    replaceSelection({});
    return true;
}

} // namespace zobase7
