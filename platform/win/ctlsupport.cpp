#include "platform/win/ctlsupport.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/winstate.h"
#include "platform/codepage/codepage.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace platform::win::detail {

namespace {

// The face used for control text: the dialog font is a 9 pt gothic, 12
// pixels at 96 dpi.
QFont controlFont(HGDIOBJ)
{
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(12);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

} // namespace

void notifyParent(HWND control, WORD code)
{
    const HWND parent = GetParent(control);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), static_cast<LPARAM>(control));
}

void fillSys(HDC hdc, const RECT &rect, int sysColor)
{
    FillRect(hdc, &rect, GetSysColorBrush(sysColor));
}

void drawText(HWND hwnd, HGDIOBJ font, const RECT &rect, const std::string &ansi, COLORREF color, int align,
              bool wrap, const RECT *clip)
{
    auto w = find(hwnd);
    if (!w || w->surface.isNull() || ansi.empty())
        return;
    QPainter p(&w->surface);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    const QRect r(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    QRect c = r;
    if (clip)
        c = c.intersected(QRect(clip->left, clip->top, clip->right - clip->left, clip->bottom - clip->top));
    p.setClipRect(c);
    p.setFont(controlFont(font));
    p.setPen(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
    const int h = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
    p.drawText(r, h | (wrap ? Qt::AlignTop | Qt::TextWordWrap : Qt::AlignVCenter | Qt::TextSingleLine),
               codepage::fromAnsiLenient(QByteArray(ansi.data(), static_cast<int>(ansi.size()))));
}

int textWidth(HGDIOBJ font, const std::string &ansi)
{
    const QFontMetrics m(controlFont(font));
    return m.horizontalAdvance(codepage::fromAnsiLenient(QByteArray(ansi.data(), static_cast<int>(ansi.size()))));
}

int lineHeight(HGDIOBJ font) { return QFontMetrics(controlFont(font)).height(); }

int charSize(const std::string &text, size_t at)
{
    if (at + 1 < text.size() && codepage::isLeadByte(static_cast<unsigned char>(text[at])))
        return 2;
    return 1;
}

size_t previousChar(const std::string &text, size_t at)
{
    size_t i = 0, last = 0;
    while (i < at && i < text.size()) {
        last = i;
        i += static_cast<size_t>(charSize(text, i));
    }
    return last;
}

} // namespace platform::win::detail
