// The "EDIT" class, single-line: CP932 text whose double-byte characters
// stay whole, a caret and a selection, typing through WM_CHAR, a limit,
// read-only and digits-only styles, and the EN_ notifications.
#include "platform/win/controls.h"
#include "platform/win/ctlsupport.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"

#include <algorithm>
#include <string>

namespace platform::win::detail {

namespace {

constexpr size_t kDefaultLimit = 30000;
constexpr size_t kNoLimit = 0x7FFFFFFE;
constexpr int kMargin = 2;

struct Edit {
    std::string text;
    size_t anchor = 0; // the fixed end of the selection
    size_t caret = 0;  // the moving end, where the caret is
    size_t limit = kDefaultLimit;
    int scroll = 0;        // pixels of text scrolled out at the left
    int pendingLead = -1;  // lead byte of a double-byte character waiting for its trail
    bool selecting = false;
    HFONT font = 0;
};

DWORD styleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)); }

size_t selStart(const Edit &e) { return std::min(e.anchor, e.caret); }
size_t selEnd(const Edit &e) { return std::max(e.anchor, e.caret); }

// The nearest character boundary at or before `at`.
size_t snap(const std::string &text, size_t at)
{
    at = std::min(at, text.size());
    size_t i = 0;
    while (i < at) {
        const size_t next = i + static_cast<size_t>(charSize(text, i));
        if (next > at)
            break;
        i = next;
    }
    return i;
}

int clientWidth(HWND hwnd)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    return rc.right - rc.left;
}

// Keeps the caret inside the visible part of an auto-scrolling edit.
void scrollToCaret(HWND hwnd, Edit *e)
{
    const int visible = std::max(1, clientWidth(hwnd) - 2 * kMargin);
    const int x = textWidth(hwnd, e->font, e->text.substr(0, e->caret));
    if (x - e->scroll > visible)
        e->scroll = x - visible;
    if (x < e->scroll)
        e->scroll = std::max(0, x - visible / 3);
    if (!(styleOf(hwnd) & ES_AUTOHSCROLL))
        e->scroll = 0;
}

// The text area inside the border.
RECT innerRect(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    const int border = (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : (styleOf(hwnd) & WS_BORDER) ? 1 : 0;
    return RECT{r.left + border, r.top + border, r.right - border, r.bottom - border};
}

// The system caret follows the caret position while the edit has the focus.
void placeCaret(HWND hwnd, Edit *e)
{
    if (GetFocus() != hwnd)
        return;
    const RECT inner = innerRect(hwnd);
    const int h = lineHeight(hwnd, e->font);
    SetCaretPos(inner.left + kMargin - e->scroll + textWidth(hwnd, e->font, e->text.substr(0, e->caret)),
                inner.top + (inner.bottom - inner.top - h) / 2);
}

void changed(HWND hwnd, Edit *e)
{
    scrollToCaret(hwnd, e);
    placeCaret(hwnd, e);
    DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e->text.c_str()));
    InvalidateRect(hwnd, nullptr, TRUE);
    notifyParent(hwnd, EN_UPDATE);
    if (IsWindow(hwnd))
        notifyParent(hwnd, EN_CHANGE);
}

// Replaces the selection with `insert`. Typing refuses text past the limit
// or (without ES_AUTOHSCROLL) past the width of the field; a replacement by
// message keeps what fits within the limit.
bool replaceSelection(HWND hwnd, Edit *e, std::string insert, bool typed)
{
    const size_t start = selStart(*e), end = selEnd(*e);
    const size_t room = e->limit - std::min(e->limit, e->text.size() - (end - start));
    if (insert.size() > room) {
        if (typed) {
            notifyParent(hwnd, EN_MAXTEXT);
            return false;
        }
        insert.resize(snap(insert, room));
    }
    std::string next = e->text.substr(0, start) + insert + e->text.substr(end);
    if (typed && !(styleOf(hwnd) & ES_AUTOHSCROLL) && !insert.empty()
        && textWidth(hwnd, e->font, next) > clientWidth(hwnd) - 2 * kMargin) {
        notifyParent(hwnd, EN_MAXTEXT);
        return false;
    }
    if (next == e->text && start == end)
        return false;
    e->text = std::move(next);
    e->anchor = e->caret = start + insert.size();
    changed(hwnd, e);
    return true;
}

size_t positionAt(HWND hwnd, Edit *e, int x)
{
    const int target = x - kMargin + e->scroll;
    size_t i = 0;
    int left = 0;
    while (i < e->text.size()) {
        const size_t next = i + static_cast<size_t>(charSize(e->text, i));
        const int right = textWidth(hwnd, e->font, e->text.substr(0, next));
        if (target < (left + right + 1) / 2)
            return i;
        left = right;
        i = next;
    }
    (void)hwnd;
    return e->text.size();
}

void moveCaret(HWND hwnd, Edit *e, size_t to, bool extend)
{
    e->caret = snap(e->text, to);
    if (!extend)
        e->anchor = e->caret;
    scrollToCaret(hwnd, e);
    placeCaret(hwnd, e);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void paint(HWND hwnd, Edit *e)
{
    PAINTSTRUCT ps;
    const HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const bool enabled = IsWindowEnabled(hwnd);
    const bool readOnly = styleOf(hwnd) & ES_READONLY;
    fillSys(hdc, rc, enabled && !readOnly ? kColorWindow : kColorBtnFace);
    RECT inner = rc;
    if (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
        DrawEdge(hdc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else if (styleOf(hwnd) & WS_BORDER)
        DrawEdge(hdc, &inner, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    // The caret is the system caret's (placeCaret).
    const COLORREF color = GetSysColor(enabled ? kColorWindowText : kColorGrayText);
    const int origin = inner.left + kMargin - e->scroll;
    const RECT textArea{origin, inner.top, origin + textWidth(hwnd, e->font, e->text) + 1, inner.bottom};
    drawText(hdc, e->font, textArea, e->text, color, 0, false, &inner);
    const bool focused = GetFocus() == hwnd;
    if (focused && selStart(*e) != selEnd(*e)) {
        const int x0 = origin + textWidth(hwnd, e->font, e->text.substr(0, selStart(*e)));
        const int x1 = origin + textWidth(hwnd, e->font, e->text.substr(0, selEnd(*e)));
        RECT sel{std::max(x0, inner.left), inner.top + 1, std::min(x1, inner.right), inner.bottom - 1};
        if (sel.right > sel.left) {
            fillSys(hdc, sel, kColorHighlight);
            drawText(hdc, e->font, RECT{x0, inner.top, x1 + 1, inner.bottom},
                     e->text.substr(selStart(*e), selEnd(*e) - selStart(*e)), GetSysColor(kColorHighlightText), 0,
                     false, &inner);
        }
    }
    EndPaint(hwnd, &ps);
}

void typeChar(HWND hwnd, Edit *e, unsigned ch)
{
    const DWORD style = styleOf(hwnd);
    if (e->pendingLead >= 0) {
        const std::string both{static_cast<char>(e->pendingLead), static_cast<char>(ch)};
        e->pendingLead = -1;
        if (!(style & (ES_READONLY | ES_NUMBER)))
            replaceSelection(hwnd, e, both, true);
        return;
    }
    if (ch == VK_BACK) {
        if (style & ES_READONLY)
            return;
        if (selStart(*e) == selEnd(*e)) {
            if (e->caret == 0)
                return;
            e->anchor = previousChar(e->text, e->caret);
        }
        replaceSelection(hwnd, e, std::string(), true);
        return;
    }
    if (ch < 0x20)
        return; // Tab, Enter, Esc and other control characters type nothing
    if (IsDBCSLeadByte(static_cast<BYTE>(ch))) {
        e->pendingLead = static_cast<int>(ch);
        return;
    }
    if (style & ES_READONLY)
        return;
    if ((style & ES_NUMBER) && (ch < '0' || ch > '9'))
        return;
    replaceSelection(hwnd, e, std::string(1, static_cast<char>(ch)), true);
}

} // namespace

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Edit *e = controlState<Edit>(hwnd);
    switch (msg) {
    case WM_NCCREATE: {
        auto *state = new Edit;
        const auto *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        if (cs && cs->lpszName)
            state->text = cs->lpszName;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(state));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    case WM_NCDESTROY:
        delete e;
        SetWindowLongPtrA(hwnd, 0, 0);
        return 0;
    }
    if (!e)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETFONT:
        e->font = static_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(e->font);
    case WM_SETTEXT: {
        e->text = lParam ? reinterpret_cast<const char *>(lParam) : "";
        e->anchor = e->caret = 0;
        e->scroll = 0;
        e->pendingLead = -1;
        changed(hwnd, e);
        return TRUE;
    }
    case WM_CHAR:
        typeChar(hwnd, e, static_cast<unsigned>(wParam & 0xFF));
        return 0;
    case WM_KEYDOWN: {
        const bool shift = GetKeyState(VK_SHIFT) & 0x8000;
        switch (static_cast<int>(wParam)) {
        case VK_LEFT:
            if (!shift && selStart(*e) != selEnd(*e))
                moveCaret(hwnd, e, selStart(*e), false);
            else
                moveCaret(hwnd, e, e->caret ? previousChar(e->text, e->caret) : 0, shift);
            break;
        case VK_RIGHT:
            if (!shift && selStart(*e) != selEnd(*e))
                moveCaret(hwnd, e, selEnd(*e), false);
            else
                moveCaret(hwnd, e, e->caret < e->text.size() ? e->caret + static_cast<size_t>(charSize(e->text, e->caret)) : e->caret, shift);
            break;
        case VK_HOME:
            moveCaret(hwnd, e, 0, shift);
            break;
        case VK_END:
            moveCaret(hwnd, e, e->text.size(), shift);
            break;
        case VK_DELETE:
            if (styleOf(hwnd) & ES_READONLY)
                break;
            if (selStart(*e) == selEnd(*e)) {
                if (e->caret >= e->text.size())
                    break;
                e->anchor = e->caret + static_cast<size_t>(charSize(e->text, e->caret));
            }
            replaceSelection(hwnd, e, std::string(), true);
            break;
        default:
            break;
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        moveCaret(hwnd, e, positionAt(hwnd, e, GET_X_LPARAM(lParam)), (wParam & MK_SHIFT) != 0);
        e->selecting = true;
        SetCapture(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        if (e->selecting)
            moveCaret(hwnd, e, positionAt(hwnd, e, GET_X_LPARAM(lParam)), true);
        return 0;
    case WM_LBUTTONUP:
        if (e->selecting) {
            e->selecting = false;
            ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        e->selecting = false;
        return 0;
    case WM_SETFOCUS:
        CreateCaret(hwnd, 0, 1, lineHeight(hwnd, e->font));
        placeCaret(hwnd, e);
        ShowCaret(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        notifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        e->pendingLead = -1;
        DestroyCaret();
        InvalidateRect(hwnd, nullptr, FALSE);
        notifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case EM_GETSEL: {
        const DWORD s = static_cast<DWORD>(selStart(*e)), t = static_cast<DWORD>(selEnd(*e));
        if (wParam)
            *reinterpret_cast<DWORD *>(wParam) = s;
        if (lParam)
            *reinterpret_cast<DWORD *>(lParam) = t;
        return MAKELONG(static_cast<WORD>(std::min<DWORD>(s, 0xFFFF)), static_cast<WORD>(std::min<DWORD>(t, 0xFFFF)));
    }
    case EM_SETSEL: {
        const auto start = static_cast<std::intptr_t>(static_cast<int>(wParam));
        const auto end = static_cast<std::intptr_t>(static_cast<int>(lParam));
        if (start < 0) {
            // -1 removes the selection and leaves the caret where it is.
            e->anchor = e->caret;
        } else {
            const size_t a = snap(e->text, static_cast<size_t>(start));
            const size_t b = end < 0 ? e->text.size() : snap(e->text, static_cast<size_t>(end));
            e->anchor = std::min(a, b);
            e->caret = std::max(a, b);
        }
        scrollToCaret(hwnd, e);
        placeCaret(hwnd, e);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case EM_REPLACESEL:
        replaceSelection(hwnd, e, lParam ? reinterpret_cast<const char *>(lParam) : "", false);
        return 0;
    case EM_LIMITTEXT:
        e->limit = wParam ? std::min<size_t>(wParam, kNoLimit) : kNoLimit;
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(e->limit);
    case EM_SETREADONLY: {
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        SetWindowLongPtrA(hwnd, GWL_STYLE, wParam ? style | ES_READONLY : style & ~static_cast<LONG_PTR>(ES_READONLY));
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint(hwnd, e);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::win::detail
