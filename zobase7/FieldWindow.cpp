#include "zobase7/FieldWindow.h"

#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <vector>

namespace zobase7 {

namespace win = platform::win;

namespace {

// Fills the client area with the class background (the window colour when
// the class has none) and draws the window text in one line, vertically
// centred, two pixels in from the side it is aligned to.
void paintField(win::HWND hwnd, win::UINT alignment)
{
    win::PAINTSTRUCT ps;
    const win::HDC dc = win::BeginPaint(hwnd, &ps);
    if (!dc)
        return;
    win::RECT client;
    win::GetClientRect(hwnd, &client);
    win::HBRUSH brush = static_cast<win::HBRUSH>(win::GetClassLongPtrA(hwnd, win::GCLP_HBRBACKGROUND));
    if (!brush)
        brush = win::GetSysColorBrush(win::COLOR_WINDOW);
    win::FillRect(dc, &client, brush);

    const int length = win::GetWindowTextLengthA(hwnd);
    if (length > 0) {
        std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
        win::GetWindowTextA(hwnd, text.data(), length + 1);
        win::HGDIOBJ font = static_cast<win::HGDIOBJ>(win::GetWindowLongPtrA(hwnd, kFieldFontOffset));
        if (!font)
            font = win::GetStockObject(win::DEFAULT_GUI_FONT);
        const win::HGDIOBJ oldFont = win::SelectObject(dc, font);
        win::SetTextColor(dc, win::GetSysColor(win::COLOR_WINDOWTEXT));
        win::SetBkMode(dc, win::TRANSPARENT);
        win::RECT area{client.left + 2, client.top, client.right - 2, client.bottom};
        win::DrawTextA(dc, text.data(), -1, &area, alignment | win::DT_SINGLELINE | win::DT_VCENTER | win::DT_NOPREFIX);
        win::SelectObject(dc, oldFont);
    }
    win::EndPaint(hwnd, &ps);
}

win::LRESULT fieldProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::UINT alignment)
{
    switch (msg) {
    case win::WM_GETDLGCODE:
        return win::DLGC_WANTARROWS | win::DLGC_WANTCHARS;
    case win::WM_SETFONT:
        win::SetWindowLongPtrA(hwnd, kFieldFontOffset, static_cast<win::LONG_PTR>(wParam));
        if (win::LOWORD(static_cast<std::uintptr_t>(lParam)))
            win::InvalidateRect(hwnd, nullptr, win::TRUE);
        return 0;
    case win::WM_GETFONT:
        return win::GetWindowLongPtrA(hwnd, kFieldFontOffset);
    case win::WM_ERASEBKGND:
        return 1; // the whole client area is painted at WM_PAINT
    case win::WM_PAINT:
        paintField(hwnd, alignment);
        return 0;
    case win::WM_SETTEXT: {
        const win::LRESULT r = win::DefWindowProcA(hwnd, msg, wParam, lParam);
        win::InvalidateRect(hwnd, nullptr, win::TRUE);
        return r;
    }
    default:
        return win::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

win::LRESULT ComboFieldProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam)
{
    return fieldProc(hwnd, msg, wParam, lParam, win::DT_LEFT);
}

// Numbers stand to the right.
win::LRESULT NumberFieldProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam)
{
    return fieldProc(hwnd, msg, wParam, lParam, win::DT_RIGHT);
}

} // namespace zobase7
