#pragma once
// Helpers shared by the dialog manager and the built-in controls: parent
// notifications, per-window state kept in the window's extra bytes, and text
// drawing and measuring on a window's client surface.
#include "platform/win/window.h"

#include <string>

namespace platform::win::detail {

// WM_COMMAND (MAKEWPARAM(id, code), control) to the control's parent.
void notifyParent(HWND control, WORD code);

// The state object of a control, kept at offset 0 of its extra bytes.
template <class T>
T *controlState(HWND hwnd)
{
    return reinterpret_cast<T *>(GetWindowLongPtrA(hwnd, 0));
}

// Makes a control's state at WM_NCCREATE and deletes it at WM_NCDESTROY.
// True when msg was one of the two, with the answer in *result.
template <class T>
bool ownControlState(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new T));
        *result = DefWindowProcA(hwnd, msg, wParam, lParam);
        return true;
    }
    if (msg == WM_NCDESTROY) {
        delete controlState<T>(hwnd);
        SetWindowLongPtrA(hwnd, 0, 0);
        *result = 0;
        return true;
    }
    return false;
}

// Procedures of the built-in classes.
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboListProc(HWND, UINT, WPARAM, LPARAM);

// System colours the controls use.
constexpr int kColorWindow = 5;
constexpr int kColorWindowText = 8;
constexpr int kColorHighlight = 13;
constexpr int kColorHighlightText = 14;
constexpr int kColorBtnFace = 15;
constexpr int kColorGrayText = 17;
constexpr int kColorBtnText = 18;

// Fills a rectangle of the DC with a system colour.
void fillSys(HDC hdc, const RECT &rect, int sysColor);

// Text in the control's font (WM_SETFONT; the default GUI font when none
// was given), transparent. align: 0 left, 1 centre, 2 right. One line
// centred vertically, or with `wrap` lines broken at blanks from the top;
// '&' marks a mnemonic unless `noPrefix`. With `clip` the text is drawn from
// rect.left on one line and clipped to *clip instead of the rectangle.
void drawText(HDC hdc, HFONT font, const RECT &rect, const std::string &ansi, COLORREF color, int align,
              bool wrap = false, const RECT *clip = nullptr, bool noPrefix = true);
// Width in pixels of CP932 text in the font, and the font's line height.
int textWidth(HWND hwnd, HFONT font, const std::string &ansi);
int lineHeight(HWND hwnd, HFONT font);

// Number of bytes of the CP932 character starting at `at` (1 or 2; 1 for a
// lead byte without its trail).
int charSize(const std::string &text, size_t at);
// The start of the character before `at`.
size_t previousChar(const std::string &text, size_t at);

} // namespace platform::win::detail
