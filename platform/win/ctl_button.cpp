// The "BUTTON" class: push buttons, automatic check boxes and radio buttons,
// group boxes.
#include "platform/win/controls.h"
#include "platform/win/ctlsupport.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"

#include <string>

namespace platform::win::detail {

namespace {

struct Button {
    UINT check = BST_UNCHECKED;
    bool pushed = false;   // drawn pressed
    bool tracking = false; // the mouse button went down on it
    bool spaceDown = false;
    HFONT font = 0;
};

DWORD kind(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

bool isPush(DWORD k) { return k == BS_PUSHBUTTON || k == BS_DEFPUSHBUTTON; }
bool isRadio(DWORD k) { return k == BS_RADIOBUTTON || k == BS_AUTORADIOBUTTON; }

std::string textOf(HWND hwnd)
{
    std::string t(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    t.resize(static_cast<size_t>(GetWindowTextA(hwnd, t.data(), static_cast<int>(t.size()))));
    return t;
}

void setPushed(HWND hwnd, Button *b, bool pushed)
{
    if (b->pushed == pushed)
        return;
    b->pushed = pushed;
    InvalidateRect(hwnd, nullptr, FALSE);
}

// Checks an automatic radio button and clears the others of its group.
void checkRadioInGroup(HWND hwnd)
{
    const HWND parent = GetParent(hwnd);
    std::vector<HWND> siblings;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        siblings.push_back(c);
    auto at = std::find(siblings.begin(), siblings.end(), hwnd);
    if (at == siblings.end())
        return;
    auto first = at;
    while (first != siblings.begin() && !(GetWindowLongPtrA(*first, GWL_STYLE) & WS_GROUP))
        --first;
    auto end = at + 1;
    while (end != siblings.end() && !(GetWindowLongPtrA(*end, GWL_STYLE) & WS_GROUP))
        ++end;
    for (auto it = first; it != end; ++it)
        if (*it != hwnd && kind(*it) == BS_AUTORADIOBUTTON)
            SendMessageA(*it, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(hwnd, BM_SETCHECK, BST_CHECKED, 0);
}

void click(HWND hwnd)
{
    const DWORD k = kind(hwnd);
    if (k == BS_AUTOCHECKBOX)
        SendMessageA(hwnd, BM_SETCHECK, controlState<Button>(hwnd)->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    else if (k == BS_AUTORADIOBUTTON)
        checkRadioInGroup(hwnd);
    notifyParent(hwnd, BN_CLICKED);
}

void paint(HWND hwnd, Button *b)
{
    PAINTSTRUCT ps;
    const HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const DWORD k = kind(hwnd);
    const bool enabled = IsWindowEnabled(hwnd);
    const COLORREF textColor = GetSysColor(enabled ? kColorBtnText : kColorGrayText);
    const std::string text = textOf(hwnd);
    fillSys(hdc, rc, kColorBtnFace);
    if (isPush(k)) {
        RECT r = rc;
        if (k == BS_DEFPUSHBUTTON) {
            FrameRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        }
        DrawFrameControl(hdc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (b->pushed ? DFCS_PUSHED : 0) | DFCS_ADJUSTRECT);
        if (b->pushed)
            r = RECT{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
        drawText(hdc, b->font, r, text, textColor, 1, false, nullptr, false);
        if (GetFocus() == hwnd) {
            RECT focus{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
            DrawFocusRect(hdc, &focus);
        }
    } else if (k == BS_GROUPBOX) {
        const int h = lineHeight(hwnd, b->font);
        RECT frame{rc.left, rc.top + h / 2, rc.right, rc.bottom};
        DrawEdge(hdc, &frame, EDGE_ETCHED, BF_RECT);
        if (!text.empty()) {
            RECT label{rc.left + 8, rc.top, rc.left + 12 + textWidth(hwnd, b->font, text), rc.top + h};
            fillSys(hdc, label, kColorBtnFace);
            label.left += 2;
            drawText(hdc, b->font, label, text, textColor, 0, false, nullptr, false);
        }
    } else {
        // Check box or radio button: a 13-pixel box at the left, the text after it.
        const int size = 13;
        const int top = (rc.bottom - size) / 2;
        RECT box{rc.left, top, rc.left + size, top + size};
        DrawFrameControl(hdc, &box, DFC_BUTTON,
                         (isRadio(k) ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK) | (b->check == BST_CHECKED ? DFCS_CHECKED : 0)
                             | (b->pushed ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
        RECT label{rc.left + size + 4, rc.top, rc.right, rc.bottom};
        drawText(hdc, b->font, label, text, textColor, 0, false, nullptr, false);
        if (GetFocus() == hwnd && !text.empty()) {
            RECT focus{label.left - 1, rc.top, std::min<LONG>(rc.right, label.left + textWidth(hwnd, b->font, text) + 1),
                       rc.bottom};
            DrawFocusRect(hdc, &focus);
        }
    }
    EndPaint(hwnd, &ps);
}

} // namespace

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (LRESULT result; ownControlState<Button>(hwnd, msg, wParam, lParam, &result))
        return result;
    Button *b = controlState<Button>(hwnd);
    if (!b)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const DWORD k = kind(hwnd);
    switch (msg) {
    case WM_GETDLGCODE:
        if (k == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (k == BS_PUSHBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (k == BS_GROUPBOX)
            return DLGC_STATIC;
        return DLGC_BUTTON | (isRadio(k) ? DLGC_RADIOBUTTON : 0);
    case WM_SETFONT:
        b->font = static_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(b->font);
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (k == BS_GROUPBOX)
            return 0;
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        SetCapture(hwnd);
        b->tracking = true;
        setPushed(hwnd, b, true);
        return 0;
    case WM_MOUSEMOVE:
        if (b->tracking) {
            RECT rc;
            GetClientRect(hwnd, &rc);
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            setPushed(hwnd, b, x >= 0 && y >= 0 && x < rc.right && y < rc.bottom);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!b->tracking)
            return 0;
        b->tracking = false;
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        const bool inside = x >= 0 && y >= 0 && x < rc.right && y < rc.bottom;
        setPushed(hwnd, b, false);
        ReleaseCapture();
        // Released inside: a click. The parent may destroy the button.
        if (inside && IsWindow(hwnd))
            click(hwnd);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (b->tracking) {
            b->tracking = false;
            setPushed(hwnd, b, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && k != BS_GROUPBOX) {
            b->spaceDown = true;
            setPushed(hwnd, b, true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && b->spaceDown) {
            b->spaceDown = false;
            setPushed(hwnd, b, false);
            click(hwnd);
        }
        return 0;
    case WM_SETFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        b->spaceDown = false;
        if (b->tracking)
            ReleaseCapture();
        setPushed(hwnd, b, false);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case BM_GETCHECK:
        return isPush(k) || k == BS_GROUPBOX ? BST_UNCHECKED : b->check;
    case BM_SETCHECK:
        if (isPush(k) || k == BS_GROUPBOX)
            return 0;
        if (b->check != static_cast<UINT>(wParam)) {
            b->check = static_cast<UINT>(wParam);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        // A checked radio button is a tab stop, an unchecked one is not.
        if (k == BS_AUTORADIOBUTTON) {
            const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
            SetWindowLongPtrA(hwnd, GWL_STYLE, wParam == BST_CHECKED ? style | WS_TABSTOP : style & ~WS_TABSTOP);
        }
        return 0;
    case BM_GETSTATE:
        return (isPush(k) ? 0 : b->check) | (b->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
        setPushed(hwnd, b, wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        SetWindowLongPtrA(hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | (wParam & BS_TYPEMASK));
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(hwnd) && k != BS_GROUPBOX)
            click(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint(hwnd, b);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::win::detail
