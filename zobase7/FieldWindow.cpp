#include "zobase7/FieldWindow.h"

#include "platform/win/gdi.h"
#include "platform/win/window.h"

namespace zobase7 {

namespace win = platform::win;

namespace {

// Fills the client area with the class background (the window colour when
// the class has none).
void paintField(win::HWND hwnd)
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
    win::EndPaint(hwnd, &ps);
}

win::LRESULT fieldProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam)
{
    switch (msg) {
    case kGetDlgCodeMessage:
        return kFieldDialogCode;
    case win::WM_ERASEBKGND:
        return 1; // the whole client area is painted at WM_PAINT
    case win::WM_PAINT:
        paintField(hwnd);
        return 0;
    case win::WM_SETTEXT: {
        const win::LRESULT r = win::DefWindowProcA(hwnd, msg, wParam, lParam);
        win::InvalidateRect(hwnd, nullptr, win::FALSE);
        return r;
    }
    default:
        return win::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

win::LRESULT ComboFieldProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam)
{
    return fieldProc(hwnd, msg, wParam, lParam);
}

win::LRESULT NumberFieldProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam)
{
    return fieldProc(hwnd, msg, wParam, lParam);
}

} // namespace zobase7
