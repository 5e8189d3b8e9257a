#include "Controls/common/AboutLogo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace controls {

namespace {

// One character a pixel: w highlight, d shade, g shadow, . face, n the
// well, y the letter.
const char *const kLogo[kLogoSize] = {
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwd",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwdd",
    "ww............................dd",
    "ww............................dd",
    "ww............................dd",
    "ww............................dd",
    "ww....dddddddddddddddddddd....dd",
    "ww....dnnnnnnnnnnnnnnnnnnw....dd",
    "ww....dnnnnnnnnnnnnnnnnnnwgg..dd",
    "ww....dnnnnnnnnnnnnnnnnnnwgg..dd",
    "ww....dnnnyyyyyyyyyyyynnnwgg..dd",
    "ww....dnnnyyyyyyyyyyyynnnwgg..dd",
    "ww....dnnnyyyyyyyyyyyynnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnyyyynnnnnnnwgg..dd",
    "ww....dnnnnnnnnnnnnnnnnnnwgg..dd",
    "ww....dnnnnnnnnnnnnnnnnnnwgg..dd",
    "ww....dnnnnnnnnnnnnnnnnnnwgg..dd",
    "ww....dwwwwwwwwwwwwwwwwwwwgg..dd",
    "ww......gggggggggggggggggggg..dd",
    "ww......gggggggggggggggggggg..dd",
    "ww............................dd",
    "ww............................dd",
    "wddddddddddddddddddddddddddddddd",
    "dddddddddddddddddddddddddddddddd",
};

} // namespace

uint32_t SuiteLogoPixel(int x, int y)
{
    if (x < 0 || y < 0 || x >= kLogoSize || y >= kLogoSize)
        return 0;
    switch (kLogo[y][x]) {
    case 'w': return 0xFFFFFF;
    case 'd': return 0x404040;
    case 'g': return 0x909090;
    case 'n': return 0x1F3A68;
    case 'y': return 0xE8B830;
    default: return 0xD4D0C8;
    }
}

platform::win::HBITMAP CreateSuiteLogo()
{
    // Rows top down, each pixel blue, green, red, unused.
    std::vector<unsigned char> bits(static_cast<std::size_t>(kLogoSize) * kLogoSize * 4);
    for (int y = 0; y < kLogoSize; ++y)
        for (int x = 0; x < kLogoSize; ++x) {
            const uint32_t c = SuiteLogoPixel(x, y);
            unsigned char *p = &bits[(static_cast<std::size_t>(y) * kLogoSize + x) * 4];
            p[0] = static_cast<unsigned char>(c);
            p[1] = static_cast<unsigned char>(c >> 8);
            p[2] = static_cast<unsigned char>(c >> 16);
            p[3] = 0;
        }
    return platform::win::CreateBitmap(kLogoSize, kLogoSize, 1, 32, bits.data());
}

} // namespace controls
