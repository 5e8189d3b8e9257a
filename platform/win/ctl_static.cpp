// The "STATIC" class: left, centred or right text, a bitmap, an etched
// horizontal line.
#include "platform/win/controls.h"
#include "platform/win/ctlsupport.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"

#include <string>

namespace platform::win::detail {

namespace {

struct Static {
    HFONT font = 0;
    HGDIOBJ image = 0;
};

void paint(HWND hwnd, Static *s)
{
    PAINTSTRUCT ps;
    const HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const DWORD type = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)) & SS_TYPEMASK;
    fillSys(hdc, rc, kColorBtnFace);
    if (type == SS_ETCHEDHORZ) {
        RECT line{rc.left, rc.top, rc.right, rc.top + 2};
        DrawEdge(hdc, &line, EDGE_ETCHED, BF_TOP);
    } else if (type == SS_BITMAP) {
        BITMAP bm;
        if (s->image && GetObjectA(s->image, sizeof bm, &bm)) {
            const HDC mem = CreateCompatibleDC(hdc);
            const HGDIOBJ old = SelectObject(mem, s->image);
            BitBlt(hdc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
    } else if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
        std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
        text.resize(static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
        const COLORREF color = GetSysColor(IsWindowEnabled(hwnd) ? kColorWindowText : kColorGrayText);
        drawText(hdc, s->font, rc, text, color, static_cast<int>(type), true, nullptr,
                 (GetWindowLongPtrA(hwnd, GWL_STYLE) & SS_NOPREFIX) != 0);
    }
    EndPaint(hwnd, &ps);
}

} // namespace

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (LRESULT result; ownControlState<Static>(hwnd, msg, wParam, lParam, &result))
        return result;
    Static *s = controlState<Static>(hwnd);
    if (!s)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETFONT:
        s->font = static_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(s->font);
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case STM_SETIMAGE: {
        if (wParam != IMAGE_BITMAP)
            return 0;
        const HGDIOBJ old = s->image;
        s->image = static_cast<HGDIOBJ>(lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return static_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
        return wParam == IMAGE_BITMAP ? static_cast<LRESULT>(s->image) : 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint(hwnd, s);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::win::detail
