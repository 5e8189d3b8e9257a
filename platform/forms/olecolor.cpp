#include "platform/forms/olecolor.h"

#include "platform/runtime/runtime_error.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform::forms {

namespace {
// System colour indexes of the original and the palette roles that stand in
// for them.
bool systemColor(int index, QColor &color)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 0x00: color = QColor(0xC8, 0xC8, 0xC8); return true;             // scroll bars
    case 0x01: color = palette.color(QPalette::Dark); return true;        // desktop
    case 0x02: color = palette.color(QPalette::Highlight); return true;   // active title
    case 0x03: color = palette.color(QPalette::Mid); return true;         // inactive title
    case 0x04: color = palette.color(QPalette::Window); return true;      // menu bar
    case 0x05: color = palette.color(QPalette::Base); return true;        // window background
    case 0x06: color = palette.color(QPalette::Shadow); return true;      // window frame
    case 0x07: color = palette.color(QPalette::WindowText); return true;  // menu text
    case 0x08: color = palette.color(QPalette::Text); return true;        // window text
    case 0x09: color = palette.color(QPalette::HighlightedText); return true; // title text
    case 0x0A: color = palette.color(QPalette::Mid); return true;         // active border
    case 0x0B: color = palette.color(QPalette::Mid); return true;         // inactive border
    case 0x0C: color = palette.color(QPalette::Dark); return true;        // application workspace
    case 0x0D: color = palette.color(QPalette::Highlight); return true;
    case 0x0E: color = palette.color(QPalette::HighlightedText); return true;
    case 0x0F: color = palette.color(QPalette::Button); return true;      // button face
    case 0x10: color = palette.color(QPalette::Dark); return true;        // button shadow
    case 0x11: color = palette.color(QPalette::Disabled, QPalette::Text); return true; // gray text
    case 0x12: color = palette.color(QPalette::ButtonText); return true;
    case 0x13: color = palette.color(QPalette::WindowText); return true;  // inactive title text
    case 0x14: color = palette.color(QPalette::Light); return true;       // 3D highlight
    case 0x15: color = palette.color(QPalette::Shadow); return true;      // 3D dark shadow
    case 0x16: color = palette.color(QPalette::Midlight); return true;    // 3D light
    case 0x17: color = palette.color(QPalette::ToolTipText); return true; // info text
    case 0x18: color = palette.color(QPalette::ToolTipBase); return true; // info background
    default: return false;
    }
}
} // namespace

QColor oleColorToQColor(quint32 ole)
{
    if ((ole & 0xFF000000u) == 0x80000000u) {
        QColor color;
        if ((ole & 0x00FFFF00u) == 0 && systemColor(int(ole & 0xFFu), color))
            return color;
        platform::raise(platform::err::InvalidPropertyValue);
    }
    if ((ole & 0xFF000000u) != 0)
        platform::raise(platform::err::InvalidPropertyValue);
    return QColor(int(ole & 0xFFu), int((ole >> 8) & 0xFFu), int((ole >> 16) & 0xFFu));
}

quint32 qColorToOleColor(const QColor &color)
{
    return RGB(color.red(), color.green(), color.blue());
}

} // namespace platform::forms
