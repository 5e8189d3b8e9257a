#pragma once
// OLE colour numbers: 0x00BBGGRR for a plain colour, 0x800000nn for system
// colour nn (0x8000000F button face, 0x80000005 window background ...).
#include <QColor>

namespace platform::forms {

constexpr quint32 vbBlack = 0x000000;
constexpr quint32 vbWhite = 0xFFFFFF;
constexpr quint32 vbRed = 0x0000FF;
constexpr quint32 vbGreen = 0x00FF00;
constexpr quint32 vbBlue = 0xFF0000;
constexpr quint32 vbYellow = 0x00FFFF;
constexpr quint32 vbButtonFace = 0x8000000F;
constexpr quint32 vbWindowBackground = 0x80000005;
constexpr quint32 vbWindowText = 0x80000008;
constexpr quint32 vbButtonText = 0x80000012;
constexpr quint32 vbHighlight = 0x8000000D;
constexpr quint32 vbHighlightText = 0x8000000E;
constexpr quint32 vbGrayText = 0x80000011;

// The colour an OLE colour number stands for. System colours resolve through
// the application palette; an unknown system colour index or a value with
// other high bits raises run-time error 380 (invalid property value).
QColor oleColorToQColor(quint32 ole);
// The OLE colour number of a plain colour (alpha ignored).
quint32 qColorToOleColor(const QColor &color);
// RGB(r, g, b) of the original.
constexpr quint32 RGB(int r, int g, int b)
{
    return quint32(r & 0xFF) | (quint32(g & 0xFF) << 8) | (quint32(b & 0xFF) << 16);
}

} // namespace platform::forms
