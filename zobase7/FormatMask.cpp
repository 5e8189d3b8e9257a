#include "zobase7/FormatMask.h"

#include "platform/codepage/codepage.h"

#include <cctype>
#include <utility>

namespace zobase7 {

namespace {

using Kind = FormatMask::Kind;

bool lead(char c) { return platform::codepage::isLeadByte(static_cast<unsigned char>(c)); }

int codeOf(const std::string &ch)
{
    if (ch.size() == 1)
        return static_cast<unsigned char>(ch[0]);
    if (ch.size() == 2)
        return (static_cast<unsigned char>(ch[0]) << 8) | static_cast<unsigned char>(ch[1]);
    return -1;
}

std::string charOfCode(int code)
{
    if (code < 0x100)
        return std::string(1, static_cast<char>(code));
    return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

const std::pair<int, Kind> kKeywords[] = {
    {'&', Kind::Any},       {'?', Kind::Lookup},        {'A', Kind::Upper},   {'a', Kind::Lower},
    {'9', Kind::Digit},     {'#', Kind::DigitSign},     {'@', Kind::Symbol},  {'B', Kind::Binary},
    {'X', Kind::Hex},       {'K', Kind::Kana},          {'H', Kind::HalfAny},
    {0x8195, Kind::FAny},   {0x8148, Kind::FLookup},    {0x8260, Kind::FUpper}, {0x8281, Kind::FLower},
    {0x8258, Kind::FDigit}, {0x8194, Kind::FDigitSign}, {0x8197, Kind::FSymbol}, {0x8261, Kind::FBinary},
    {0x8277, Kind::FHex},   {0x826A, Kind::FKana},      {0x8267, Kind::FHalfAny}, {0x8279, Kind::FullAny},
    {0x8269, Kind::Hiragana},
};

bool isFullWidthKind(Kind k) { return k >= Kind::FAny && k != Kind::Literal; }

// Full-width forms of ASCII: 0x21..0x7E <-> U+FF01..U+FF5E (space <-> U+3000).
std::string toFullWidth(int code)
{
    if (code == ' ')
        return charOfCode(0x8140);
    if (code < 0x21 || code > 0x7E)
        return {};
    QString s(QChar(static_cast<char16_t>(code + 0xFEE0)));
    if (code == '\\')
        s = QString(QChar(0xFFE5)); // the yen sign stands for the backslash in CP932
    if (!platform::codepage::isAnsiEncodable(s))
        return {};
    QByteArray b = platform::codepage::toAnsi(s);
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

int toHalfWidth(const std::string &ch)
{
    if (ch.size() != 2)
        return -1;
    QString s = platform::codepage::fromAnsiLenient(QByteArray(ch.data(), 2));
    if (s.size() != 1)
        return -1;
    char16_t u = s.at(0).unicode();
    if (u == 0x3000)
        return ' ';
    if (u == 0xFFE5)
        return '\\';
    if (u >= 0xFF01 && u <= 0xFF5E)
        return u - 0xFEE0;
    return -1;
}

bool fitsHalf(Kind k, int c, const FormatMask::Options &o)
{
    if (c < 0 || c > 0xFF)
        return false;
    switch (k) {
    case Kind::Any:
    case Kind::HalfAny:
        return true;
    case Kind::Lookup:
        return o.lookupTable.empty() || o.lookupTable.find(static_cast<char>(c)) != std::string::npos;
    case Kind::Upper:
        return c >= 'A' && c <= 'Z';
    case Kind::Lower:
        return c >= 'a' && c <= 'z';
    case Kind::Digit:
        return c >= '0' && c <= '9';
    case Kind::DigitSign:
        return (c >= '0' && c <= '9') || std::string_view("+-$%\\,.").find(static_cast<char>(c)) != std::string_view::npos;
    case Kind::Symbol:
        return c >= 0x21 && c <= 0x7E && !std::isalnum(c);
    case Kind::Binary:
        return c == '0' || c == '1';
    case Kind::Hex:
        return std::isxdigit(c) != 0;
    case Kind::Kana:
        return c >= 0xA1 && c <= 0xDF;
    default:
        return false;
    }
}

Kind halfOf(Kind k)
{
    switch (k) {
    case Kind::FAny: return Kind::Any;
    case Kind::FLookup: return Kind::Lookup;
    case Kind::FUpper: return Kind::Upper;
    case Kind::FLower: return Kind::Lower;
    case Kind::FDigit: return Kind::Digit;
    case Kind::FDigitSign: return Kind::DigitSign;
    case Kind::FSymbol: return Kind::Symbol;
    case Kind::FBinary: return Kind::Binary;
    case Kind::FHex: return Kind::Hex;
    default: return k;
    }
}

bool fitsFull(Kind k, const std::string &ch, const FormatMask::Options &o)
{
    if (ch.size() != 2)
        return false;
    int code = codeOf(ch);
    switch (k) {
    case Kind::FAny:
    case Kind::FullAny:
    case Kind::FHalfAny:
        return true;
    case Kind::FLookup:
        return o.lookupTable.empty() || o.lookupTable.find(ch) != std::string::npos;
    case Kind::FKana:
        return (code >= 0x8340 && code <= 0x8396) || code == 0x815B;
    case Kind::Hiragana:
        return (code >= 0x829F && code <= 0x82F1) || code == 0x815B;
    default: {
        // the other full-width kinds hold the full-width forms of their
        // half-width characters
        int half = toHalfWidth(ch);
        return half > 0 && fitsHalf(halfOf(k), half, o);
    }
    }
}

} // namespace

std::vector<std::string> FormatMask::splitChars(const std::string &cp932)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < cp932.size(); ++i) {
        if (lead(cp932[i])) {
            if (i + 1 >= cp932.size())
                break;
            out.push_back(cp932.substr(i, 2));
            ++i;
        } else {
            out.push_back(cp932.substr(i, 1));
        }
    }
    return out;
}

bool FormatMask::parse(const std::string &mask, FormatMask *out)
{
    // A broken double-byte character anywhere makes the mask malformed.
    for (size_t i = 0; i < mask.size(); ++i) {
        if (lead(mask[i])) {
            if (i + 1 >= mask.size())
                return false;
            ++i;
        }
    }
    std::vector<std::string> chars = splitChars(mask);
    if (chars.size() > 256)
        return false;

    FormatMask result;
    result.m_source = mask;
    size_t i = 0;
    for (; i < chars.size(); ++i) {
        const std::string &ch = chars[i];
        if (ch == ";")
            break;
        if (ch == "{" || ch == "}")
            return false;
        Slot slot;
        if (ch == "\\") {
            if (i + 1 >= chars.size())
                return false;
            slot.literal = chars[++i];
        } else {
            int code = codeOf(ch);
            slot.literal = ch;
            for (const auto &[k, kind] : kKeywords) {
                if (k == code) {
                    slot.kind = kind;
                    slot.literal.clear();
                    break;
                }
            }
        }
        result.m_slots.push_back(std::move(slot));
    }
    // Up to two more sections, each empty or one brace group.
    int sections = 1;
    while (i < chars.size()) {
        ++i; // the ';'
        if (++sections > 3)
            return false;
        if (i >= chars.size() || chars[i] == ";")
            continue;
        if (chars[i] != "{")
            return false;
        size_t j = i + 1;
        while (j < chars.size() && chars[j] != "}" && chars[j] != "{" && chars[j] != ";")
            ++j;
        if (j >= chars.size() || chars[j] != "}")
            return false;
        i = j + 1;
        if (i < chars.size() && chars[i] != ";")
            return false;
    }
    bool anyInput = false;
    for (const Slot &s : result.m_slots)
        anyInput = anyInput || s.kind != Kind::Literal;
    if (!anyInput)
        return false;
    *out = std::move(result);
    return true;
}

bool FormatMask::isInput(int slot) const
{
    return slot >= 0 && slot < slotCount() && m_slots[static_cast<size_t>(slot)].kind != Kind::Literal;
}

bool FormatMask::accept(int slot, std::string *ch, const Options &o) const
{
    if (!isInput(slot) || !ch || ch->empty())
        return false;
    Kind k = m_slots[static_cast<size_t>(slot)].kind;
    int code = codeOf(*ch);
    bool full = isFullWidthKind(k);
    if (*ch == " " || code == 0x8140) {
        if (!o.allowSpace)
            return false;
        *ch = full ? charOfCode(0x8140) : std::string(" ");
        return true;
    }
    if (k == Kind::Any || k == Kind::FAny)
        return true; // any character, single- or double-byte, as it is
    if (k == Kind::Lookup || k == Kind::FLookup)
        return o.lookupTable.empty() || o.lookupTable.find(*ch) != std::string::npos;
    if (!full) {
        if (ch->size() == 2 && o.autoConvert) {
            int half = toHalfWidth(*ch);
            if (half > 0)
                code = half;
        }
        if (code > 0xFF)
            return false;
        if (o.autoConvert && k == Kind::Upper && code >= 'a' && code <= 'z')
            code -= 0x20;
        if (o.autoConvert && k == Kind::Lower && code >= 'A' && code <= 'Z')
            code += 0x20;
        if (!fitsHalf(k, code, o))
            return false;
        *ch = charOfCode(code);
        return true;
    }
    std::string candidate = *ch;
    if (ch->size() == 1 && o.autoConvert) {
        int c = code;
        if (k == Kind::FUpper && c >= 'a' && c <= 'z')
            c -= 0x20;
        if (k == Kind::FLower && c >= 'A' && c <= 'Z')
            c += 0x20;
        candidate = toFullWidth(c);
    } else if (ch->size() == 2 && o.autoConvert && (k == Kind::FUpper || k == Kind::FLower)) {
        int half = toHalfWidth(*ch);
        if (k == Kind::FUpper && half >= 'a' && half <= 'z')
            candidate = toFullWidth(half - 0x20);
        if (k == Kind::FLower && half >= 'A' && half <= 'Z')
            candidate = toFullWidth(half + 0x20);
    }
    if (!fitsFull(k, candidate, o))
        return false;
    *ch = candidate;
    return true;
}

bool FormatMask::put(int slot, const std::string &ch, const Options &o)
{
    std::string c = ch;
    if (!accept(slot, &c, o))
        return false;
    m_slots[static_cast<size_t>(slot)].value = c;
    return true;
}

void FormatMask::clearSlot(int slot)
{
    if (isInput(slot))
        m_slots[static_cast<size_t>(slot)].value.clear();
}

void FormatMask::clearAll()
{
    for (Slot &s : m_slots)
        s.value.clear();
}

int FormatMask::nextInput(int slot) const
{
    for (int i = slot < 0 ? 0 : slot; i < slotCount(); ++i)
        if (isInput(i))
            return i;
    return slotCount();
}

int FormatMask::prevInput(int slot) const
{
    for (int i = (slot > slotCount() ? slotCount() : slot) - 1; i >= 0; --i)
        if (isInput(i))
            return i;
    return -1;
}

int FormatMask::fieldOf(int slot) const
{
    int field = -1;
    bool inField = false;
    for (int i = 0; i < slotCount() && i <= slot; ++i) {
        bool input = isInput(i);
        if (input && !inField)
            ++field;
        inField = input;
    }
    return field < 0 ? 0 : field;
}

std::string FormatMask::text(const std::string &prompt) const
{
    std::string out;
    for (const Slot &s : m_slots) {
        if (s.kind == Kind::Literal)
            out += s.literal;
        else
            out += s.value.empty() ? prompt : s.value;
    }
    return out;
}

std::string FormatMask::value() const
{
    std::string out;
    for (const Slot &s : m_slots)
        if (s.kind != Kind::Literal)
            out += s.value;
    return out;
}

bool FormatMask::isFull() const
{
    for (const Slot &s : m_slots)
        if (s.kind != Kind::Literal && s.value.empty())
            return false;
    return true;
}

bool FormatMask::setValue(const std::string &cp932, const Options &o)
{
    FormatMask copy = *this;
    copy.clearAll();
    int slot = copy.nextInput(0);
    for (const std::string &ch : splitChars(cp932)) {
        if (slot >= copy.slotCount() || !copy.put(slot, ch, o))
            return false;
        slot = copy.nextInput(slot + 1);
    }
    *this = std::move(copy);
    return true;
}

bool FormatMask::setText(const std::string &cp932, const std::string &prompt, const Options &o)
{
    std::vector<std::string> chars = splitChars(cp932);
    if (static_cast<int>(chars.size()) != slotCount())
        return false;
    FormatMask copy = *this;
    copy.clearAll();
    for (int i = 0; i < slotCount(); ++i) {
        const std::string &ch = chars[static_cast<size_t>(i)];
        if (!copy.isInput(i)) {
            if (ch != copy.m_slots[static_cast<size_t>(i)].literal)
                return false;
        } else if (ch != prompt && !copy.put(i, ch, o)) {
            return false;
        }
    }
    *this = std::move(copy);
    return true;
}

} // namespace zobase7
