#include "Controls/Pickwell/ComboWin.h"

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

std::optional<std::vector<ACCEL>> AcceleratorEntries(win::HACCEL table)
{
    const int n = win::CopyAcceleratorTableA(table, nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::vector<ACCEL> out(static_cast<size_t>(n));
    out.resize(static_cast<size_t>(win::CopyAcceleratorTableA(table, out.data(), n)));
    return out;
}

} // namespace pickwell
