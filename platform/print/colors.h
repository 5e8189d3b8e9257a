#pragma once
// Colour values as the drawing and printing controls take them: a Long of the
// form 0x00BBGGRR, or an OLE system colour 0x800000nn (nn = system colour index).
#include <QColor>
#include <cstdint>

namespace platform::print {

// Builds 0x00BBGGRR from red, green and blue.
constexpr std::uint32_t RGB(int r, int g, int b)
{
    return std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) | (std::uint32_t(b & 0xFF) << 16);
}

// The colour of a Long colour value. System colours take the classic desktop
// defaults (for example 0x80000016, 3-D light, is RGB 227, 227, 227). An
// unknown system colour index or a value with other high bits raises error 380.
QColor oleColor(std::uint32_t value);

} // namespace platform::print
