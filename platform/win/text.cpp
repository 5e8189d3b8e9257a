// Fonts and text: LOGFONTA mapped to QFont at 96 dpi, text metrics and
// extents of CP932 strings, TextOutA, ExtTextOutA and DrawTextA.
#include "platform/win/gdistate.h"
#include "platform/codepage/codepage.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

#include <cstring>

namespace platform::win {
using namespace detail;

namespace detail {

LOGFONTA stockFont(int which)
{
    LOGFONTA lf;
    lf.lfCharSet = 128; // SHIFTJIS_CHARSET
    lf.lfWeight = FW_NORMAL;
    switch (which) {
    case SYSTEM_FONT:
    case SYSTEM_FIXED_FONT:
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case DEVICE_DEFAULT_FONT:
        lf.lfHeight = 16;
        lf.lfWeight = which == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
        lf.lfPitchAndFamily = which == SYSTEM_FONT ? 0x22 : 0x31; // variable swiss / fixed modern
        break;
    default: // DEFAULT_GUI_FONT, ANSI_VAR_FONT
        lf.lfHeight = -12;
        lf.lfPitchAndFamily = 0x22;
        break;
    }
    return lf;
}

QFont fontOf(HFONT h)
{
    const GdiObject *o = object(h);
    const LOGFONTA lf = o && o->kind == Kind::Font ? o->logFont : stockFont(SYSTEM_FONT);
    QFont f = QApplication::font();
    const QString face = codepage::fromAnsiLenient(QByteArray(lf.lfFaceName, static_cast<int>(strnlen(lf.lfFaceName, sizeof lf.lfFaceName))));
    if (!face.isEmpty() && QFontDatabase::hasFamily(face))
        f.setFamily(face);
    else if ((lf.lfPitchAndFamily & 3) == 1 || (lf.lfPitchAndFamily & 0xF0) == 0x30)
        f.setStyleHint(QFont::Monospace);
    f.setStyleStrategy(QFont::NoAntialias);
    f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf.lfWeight ? lf.lfWeight : FW_NORMAL, 100, 900)));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    // Negative height: the character height (em) in pixels. Positive: the
    // cell height (ascent + descent), scaled from the font's own proportions.
    // Zero: a default size.
    int pixels = 12;
    if (lf.lfHeight < 0) {
        pixels = -lf.lfHeight;
    } else if (lf.lfHeight > 0) {
        QFont probe = f;
        probe.setPixelSize(100);
        const QFontMetrics m(probe);
        const int cell = std::max(1, m.ascent() + m.descent());
        pixels = std::max(1, static_cast<int>(lf.lfHeight * 100 / cell));
    }
    f.setPixelSize(std::max(1, pixels));
    return f;
}

} // namespace detail

} // namespace platform::win
