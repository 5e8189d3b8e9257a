#include "platform/win/ctlsupport.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/winstate.h"
#include "platform/codepage/codepage.h"


namespace platform::win::detail {

namespace {

HFONT fontOrDefault(HFONT font) { return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

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

void drawText(HDC hdc, HFONT font, const RECT &rect, const std::string &ansi, COLORREF color, int align,
              bool wrap, const RECT *clip, bool noPrefix)
{
    if (ansi.empty())
        return;
    const HGDIOBJ oldFont = SelectObject(hdc, fontOrDefault(font));
    const COLORREF oldColor = SetTextColor(hdc, color);
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    if (clip) {
        TEXTMETRICA tm;
        GetTextMetricsA(hdc, &tm);
        const int y = rect.top + (rect.bottom - rect.top - tm.tmHeight) / 2;
        ExtTextOutA(hdc, rect.left, y, ETO_CLIPPED, clip, ansi.data(), static_cast<UINT>(ansi.size()), nullptr);
    } else {
        RECT r = rect;
        UINT format = align == 1 ? DT_CENTER : align == 2 ? DT_RIGHT : DT_LEFT;
        format |= wrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
        if (noPrefix)
            format |= DT_NOPREFIX;
        DrawTextA(hdc, ansi.data(), static_cast<int>(ansi.size()), &r, format);
    }
    SetBkMode(hdc, oldMode);
    SetTextColor(hdc, oldColor);
    SelectObject(hdc, oldFont);
}

int textWidth(HWND hwnd, HFONT font, const std::string &ansi)
{
    const HDC hdc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(hdc, fontOrDefault(font));
    SIZE size;
    GetTextExtentPoint32A(hdc, ansi.data(), static_cast<int>(ansi.size()), &size);
    SelectObject(hdc, old);
    ReleaseDC(hwnd, hdc);
    return size.cx;
}

int lineHeight(HWND hwnd, HFONT font)
{
    const HDC hdc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(hdc, fontOrDefault(font));
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    SelectObject(hdc, old);
    ReleaseDC(hwnd, hdc);
    return tm.tmHeight;
}

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
