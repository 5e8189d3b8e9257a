#include "Controls/Pickwell/ComboWin.h"

#include <map>

namespace pickwell {

int16_t VkKeyScanA(char character)
{
    const unsigned char c = static_cast<unsigned char>(character);
    if (c >= 'a' && c <= 'z')
        return int16_t(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return int16_t(0x100 | c);
    if (c >= '0' && c <= '9')
        return int16_t(c);
    if (c == ' ')
        return 0x20;
    // Shifted digits of the Japanese layout.
    static const char shiftedDigits[] = "!\"#$%&'()";
    for (int i = 0; shiftedDigits[i]; ++i)
        if (shiftedDigits[i] == character)
            return int16_t(0x100 | ('1' + i));
    // Other keys of the Japanese layout (VK_OEM_*), plain and shifted.
    static const struct {
        char plain, shifted;
        int16_t key;
    } oem[] = {{'-', '=', 0xBD}, {'^', '~', 0xDE}, {'\\', '|', 0xDC}, {'@', '`', 0xC0}, {'[', '{', 0xDB},
               {';', '+', 0xBB}, {':', '*', 0xBA}, {']', '}', 0xDD}, {',', '<', 0xBC}, {'.', '>', 0xBE},
               {'/', '?', 0xBF}};
    for (const auto &k : oem) {
        if (k.plain == character)
            return k.key;
        if (k.shifted == character)
            return int16_t(0x100 | k.key);
    }
    if (c == '_')
        return int16_t(0x100 | 0xE2);
    return -1;
}

namespace {

std::map<win::HACCEL, std::vector<ACCEL>> &tables()
{
    static std::map<win::HACCEL, std::vector<ACCEL>> t;
    return t;
}

} // namespace

win::HACCEL CreateAcceleratorTableA(const ACCEL *entries, int count)
{
    if (!entries || count <= 0)
        return 0;
    static win::HACCEL next = 0x7000;
    const win::HACCEL h = ++next;
    tables()[h] = std::vector<ACCEL>(entries, entries + count);
    return h;
}

bool DestroyAcceleratorTable(win::HACCEL table)
{
    return tables().erase(table) > 0;
}

std::optional<std::vector<ACCEL>> AcceleratorEntries(win::HACCEL table)
{
    auto it = tables().find(table);
    if (it == tables().end())
        return std::nullopt;
    return it->second;
}

} // namespace pickwell
