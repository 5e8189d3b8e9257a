#include "zobase7/RyxNumber.h"
#include "zobase7/FieldWindow.h"
#include "zobase7/RyxNumberProtocol.h"

#include "platform/com/automation.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zobase7 {

namespace win = platform::win;
namespace com = platform::com;
using namespace platform::win;

namespace {

constexpr int kStateOffset = static_cast<int>(sizeof(LONG_PTR)); // after the font
constexpr int kTextInset = 2;

struct NumberState {
    std::string text;    // digits with an optional leading "-"
    size_t caret = 0;
    bool allSelected = false;
    double minimum = number::kDefaultMinimum;
    double maximum = number::kDefaultMaximum;
    int digits = 0;
    int alignH = 1;      // right
    int alignV = 2;      // centre
    int borderStyle = 0;
    int appearance = 1;
    WORD marginTop = 0;
    WORD marginBottom = 0;
    bool focused = false;
};

NumberState *stateOf(HWND hwnd)
{
    return reinterpret_cast<NumberState *>(GetWindowLongPtrA(hwnd, kStateOffset));
}

void notifyParent(HWND hwnd, WORD code)
{
    const HWND parent = GetParent(hwnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                     static_cast<LPARAM>(hwnd));
}

int borderWidth(const NumberState &s)
{
    return s.borderStyle == 1 ? (s.appearance == 1 ? 2 : 1) : 0;
}

HGDIOBJ fontOf(HWND hwnd)
{
    const auto font = static_cast<HGDIOBJ>(GetWindowLongPtrA(hwnd, kFieldFontOffset));
    return font ? font : GetStockObject(DEFAULT_GUI_FONT);
}

// The rectangle the text stands in, inside the border and the margins.
RECT textArea(HWND hwnd, const NumberState &s)
{
    RECT r;
    GetClientRect(hwnd, &r);
    const int b = borderWidth(s);
    return RECT{r.left + b + kTextInset, r.top + b + s.marginTop, r.right - b - kTextInset,
                r.bottom - b - s.marginBottom};
}

int textWidth(HWND hwnd, const std::string &text)
{
    if (text.empty())
        return 0;
    const HDC dc = GetDC(0);
    const HGDIOBJ old = SelectObject(dc, fontOf(hwnd));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(0, dc);
    return size.cx;
}

int lineHeight(HWND hwnd)
{
    const HDC dc = GetDC(0);
    const HGDIOBJ old = SelectObject(dc, fontOf(hwnd));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(0, dc);
    return tm.tmHeight;
}

// Left edge of the text inside the area, by the horizontal alignment.
int textLeft(HWND hwnd, const NumberState &s, const RECT &area)
{
    const int w = textWidth(hwnd, s.text);
    switch (s.alignH) {
    case 0:
        return area.left;
    case 2:
        return area.left + (area.right - area.left - w) / 2;
    default:
        return area.right - w;
    }
}

int textTop(HWND hwnd, const NumberState &s, const RECT &area)
{
    const int h = lineHeight(hwnd);
    switch (s.alignV) {
    case 0:
        return area.top;
    case 1:
        return area.bottom - h;
    default:
        return area.top + (area.bottom - area.top - h) / 2;
    }
}

void placeCaret(HWND hwnd, NumberState &s)
{
    if (!s.focused)
        return;
    const RECT area = textArea(hwnd, s);
    SetCaretPos(textLeft(hwnd, s, area) + textWidth(hwnd, s.text.substr(0, s.caret)), textTop(hwnd, s, area));
}

void changed(HWND hwnd, NumberState &s)
{
    DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.text.c_str()));
    InvalidateRect(hwnd, nullptr, TRUE);
    placeCaret(hwnd, s);
    notifyParent(hwnd, EN_CHANGE);
}

size_t digitCount(const std::string &text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

// A number as the field shows it: whole numbers without a fraction.
std::string formatNumber(double v)
{
    char buffer[64];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(buffer, sizeof buffer, "%.0f", v);
    else
        std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
}

// The text as a number: empty or a lone "-" counts as 0.
double valueOf(const std::string &text)
{
    if (text.empty() || text == "-")
        return 0;
    return std::strtod(text.c_str(), nullptr);
}

bool readVariant(LPARAM lParam, double *out)
{
    const auto *v = reinterpret_cast<const com::VARIANT *>(lParam);
    if (!v)
        return false;
    com::VARIANT r;
    com::VariantInit(&r);
    if (com::VariantChangeType(&r, v, 0, com::VT_R8) != com::S_OK)
        return false;
    *out = r.dblVal;
    return std::isfinite(*out);
}

LRESULT writeVariant(LPARAM lParam, double value)
{
    auto *v = reinterpret_cast<com::VARIANT *>(lParam);
    if (!v)
        return 0;
    com::VariantClear(v);
    v->vt = com::VT_R8;
    v->dblVal = value;
    return 1;
}

// Typing: digits anywhere, a minus sign only in front; the selection (all
// of the text or nothing) is replaced.
void typeChar(HWND hwnd, NumberState &s, unsigned ch)
{
    if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_DISABLED)
        return;
    std::string text = s.text;
    size_t caret = s.caret;
    if (s.allSelected) {
        text.clear();
        caret = 0;
    }
    if (ch == 8) { // Backspace
        if (s.allSelected) {
            // the selection goes
        } else if (caret > 0) {
            text.erase(caret - 1, 1);
            --caret;
        } else {
            return;
        }
    } else if (ch >= '0' && ch <= '9') {
        if (caret == 0 && !text.empty() && text[0] == '-')
            return; // nothing in front of the sign
        if (s.digits > 0 && digitCount(text) >= static_cast<size_t>(s.digits))
            return;
        text.insert(caret, 1, static_cast<char>(ch));
        ++caret;
    } else if (ch == '-') {
        if (caret != 0 || (!text.empty() && text[0] == '-') || s.minimum >= 0)
            return;
        text.insert(0, 1, '-');
        caret = 1;
    } else {
        return;
    }
    s.text = text;
    s.caret = caret;
    s.allSelected = false;
    changed(hwnd, s);
}

void keyDown(HWND hwnd, NumberState &s, int vk)
{
    switch (vk) {
    case VK_LEFT:
        if (s.allSelected)
            s.caret = 0;
        else if (s.caret > 0)
            --s.caret;
        break;
    case VK_RIGHT:
        if (s.allSelected)
            s.caret = s.text.size();
        else if (s.caret < s.text.size())
            ++s.caret;
        break;
    case VK_HOME:
        s.caret = 0;
        break;
    case VK_END:
        s.caret = s.text.size();
        break;
    case VK_DELETE:
        if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_DISABLED)
            return;
        if (s.allSelected) {
            s.text.clear();
            s.caret = 0;
        } else if (s.caret < s.text.size()) {
            s.text.erase(s.caret, 1);
        } else {
            return;
        }
        s.allSelected = false;
        changed(hwnd, s);
        return;
    default:
        return;
    }
    s.allSelected = false;
    InvalidateRect(hwnd, nullptr, TRUE);
    placeCaret(hwnd, s);
}

void paint(HWND hwnd, NumberState &s)
{
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd, &ps);
    if (!dc)
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    const bool disabled = GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_DISABLED;
    HBRUSH brush = static_cast<HBRUSH>(GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND));
    if (!brush || disabled)
        brush = GetSysColorBrush(disabled ? COLOR_BTNFACE : COLOR_WINDOW);
    FillRect(dc, &client, brush);
    if (s.borderStyle == 1) {
        RECT edge = client;
        if (s.appearance == 1)
            DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
        else
            FrameRect(dc, &edge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    if (!s.text.empty()) {
        const RECT area = textArea(hwnd, s);
        const HGDIOBJ oldFont = SelectObject(dc, fontOf(hwnd));
        const int x = textLeft(hwnd, s, area);
        const int y = textTop(hwnd, s, area);
        const bool highlight = s.allSelected && s.focused;
        if (highlight) {
            RECT sel{x, y, x + textWidth(hwnd, s.text), y + lineHeight(hwnd)};
            FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : highlight ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        SetBkMode(dc, TRANSPARENT);
        TextOutA(dc, x, y, s.text.c_str(), static_cast<int>(s.text.size()));
        SelectObject(dc, oldFont);
    }
    EndPaint(hwnd, &ps);
}

} // namespace

LRESULT RyxNumberWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    NumberState *s = stateOf(hwnd);
    if (!s) {
        if (msg != WM_NCCREATE)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        s = new NumberState;
        SetWindowLongPtrA(hwnd, kStateOffset, reinterpret_cast<LONG_PTR>(s));
        const auto *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        if (cs && cs->lpszName) {
            // Only a number is taken as the first text.
            const std::string name = cs->lpszName;
            char *end = nullptr;
            const double v = std::strtod(name.c_str(), &end);
            if (!name.empty() && end && *end == 0)
                s->text = formatNumber(v);
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, kStateOffset, 0);
        delete s;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CREATE:
        DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s->text.c_str()));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
        SetWindowLongPtrA(hwnd, kFieldFontOffset, static_cast<LONG_PTR>(wParam));
        if (LOWORD(static_cast<std::uintptr_t>(lParam)))
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrA(hwnd, kFieldFontOffset);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint(hwnd, *s);
        return 0;
    case WM_SETTEXT: {
        // Only a number (or nothing) is taken.
        const std::string text = lParam ? reinterpret_cast<const char *>(lParam) : "";
        if (!text.empty()) {
            char *end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            if (!end || *end != 0 || !std::isfinite(v))
                return FALSE;
            s->text = formatNumber(v);
        } else {
            s->text.clear();
        }
        s->caret = s->text.size();
        s->allSelected = false;
        changed(hwnd, *s);
        return TRUE;
    }
    case WM_SETFOCUS:
        s->focused = true;
        s->allSelected = !s->text.empty();
        s->caret = s->text.size();
        CreateCaret(hwnd, 0, 1, lineHeight(hwnd));
        placeCaret(hwnd, *s);
        ShowCaret(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        notifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        s->allSelected = false;
        DestroyCaret();
        InvalidateRect(hwnd, nullptr, TRUE);
        notifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_LBUTTONDOWN:
        if (GetFocus() != hwnd) {
            SetFocus(hwnd);
        } else {
            s->allSelected = false;
            s->caret = s->text.size();
            InvalidateRect(hwnd, nullptr, TRUE);
            placeCaret(hwnd, *s);
        }
        return 0;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_CHAR:
        typeChar(hwnd, *s, static_cast<unsigned>(wParam & 0xFF));
        return 0;
    case WM_KEYDOWN:
        keyDown(hwnd, *s, static_cast<int>(wParam));
        return 0;
    case EM_SETSEL: {
        // Everything (0, -1) or a caret position.
        const auto from = static_cast<long long>(static_cast<std::intptr_t>(wParam));
        const auto to = static_cast<long long>(static_cast<std::intptr_t>(lParam));
        s->allSelected = from == 0 && (to < 0 || to >= static_cast<long long>(s->text.size())) && !s->text.empty();
        s->caret = from < 0 ? s->text.size() : std::min<size_t>(static_cast<size_t>(from), s->text.size());
        InvalidateRect(hwnd, nullptr, TRUE);
        placeCaret(hwnd, *s);
        return 0;
    }
    case EM_GETSEL: {
        const DWORD start = s->allSelected ? 0 : static_cast<DWORD>(s->caret);
        const DWORD end = s->allSelected ? static_cast<DWORD>(s->text.size()) : static_cast<DWORD>(s->caret);
        if (wParam)
            *reinterpret_cast<DWORD *>(wParam) = start;
        if (lParam)
            *reinterpret_cast<DWORD *>(lParam) = end;
        return MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end));
    }

    // ---- the private messages
    case number::GetValue:
        return writeVariant(lParam, valueOf(s->text));
    case number::SetValue: {
        double v = 0;
        if (!readVariant(lParam, &v))
            return 0;
        s->text = formatNumber(v);
        s->caret = s->text.size();
        s->allSelected = false;
        changed(hwnd, *s);
        return 1;
    }
    case number::GetMinimum:
        return writeVariant(lParam, s->minimum);
    case number::GetMaximum:
        return writeVariant(lParam, s->maximum);
    case number::SetMinimum:
    case number::SetMaximum: {
        double v = 0;
        if (!readVariant(lParam, &v))
            return 0;
        (msg == number::SetMinimum ? s->minimum : s->maximum) = v;
        return 1;
    }
    case number::SetIntegerDigits:
        s->digits = std::clamp(static_cast<int>(wParam), 0, 15);
        return 0;
    case number::SetAlignH:
        s->alignH = std::clamp(static_cast<int>(wParam), 0, 2);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case number::SetAlignV:
        s->alignV = std::clamp(static_cast<int>(wParam), 0, 2);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case number::SetBorderStyle:
        s->borderStyle = wParam == 1 ? 1 : 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case number::SetAppearance:
        s->appearance = wParam == 1 ? 1 : 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case number::GetMargins:
        return MAKELONG(s->marginTop, s->marginBottom);
    case number::SetMargins:
        s->marginTop = LOWORD(static_cast<std::uintptr_t>(wParam));
        s->marginBottom = HIWORD(static_cast<std::uintptr_t>(wParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case number::Prepare:
    case number::Setup400B:
    case number::Setup1123:
    case number::SetMousePointer:
    case number::SetSpinEnabled:
    case number::SetButtonLayout:
    case number::SetSpinVisible:
    case number::SetSpinWrap:
    case number::Setup300D:
    case number::Setup3017:
    case number::Setup3019:
    case number::Setup4006:
        // Settings of the suite's field that change nothing here: the field
        // has no spin buttons and one mouse pointer.
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace zobase7
