// The "LISTBOX" class (single selection) and the "COMBOBOX" class as a
// drop-down list whose open list is a pop-up window of the internal class
// "ComboLBox".
#include "platform/win/controls.h"
#include "platform/win/ctlsupport.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"

#include <QWidget>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace platform::win {
namespace detail {

namespace {

struct Item {
    std::string text;
    LPARAM data = 0;
};

// The item list both classes keep.
struct Items {
    std::vector<Item> items;
    int current = -1;

    int count() const { return static_cast<int>(items.size()); }
    bool valid(WPARAM index) const { return static_cast<int>(index) >= 0 && static_cast<int>(index) < count(); }

    LRESULT insert(int at, const char *text)
    {
        if (at < 0 || at > count())
            at = count();
        items.insert(items.begin() + at, Item{text ? text : "", 0});
        if (current >= at)
            ++current;
        return at;
    }
    LRESULT remove(WPARAM index)
    {
        if (!valid(index))
            return LB_ERR;
        const int i = static_cast<int>(index);
        items.erase(items.begin() + i);
        if (current == i)
            current = -1;
        else if (current > i)
            --current;
        return count();
    }
    LRESULT text(WPARAM index, LPARAM buffer) const
    {
        if (!valid(index))
            return LB_ERR;
        const std::string &t = items[index].text;
        if (buffer) {
            std::memcpy(reinterpret_cast<char *>(buffer), t.c_str(), t.size() + 1);
        }
        return static_cast<LRESULT>(t.size());
    }
};

// ---- list box ----

struct ListBox {
    Items list;
    int top = 0;
    HFONT font = 0;
    HWND combo = 0; // the combo a drop-down list belongs to
};

int itemHeight(HWND hwnd, HFONT font) { return lineHeight(hwnd, font) + 1; }

int visibleRows(HWND hwnd, const ListBox *lb)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    return std::max(1, (rc.bottom - rc.top) / itemHeight(hwnd, lb->font));
}

void ensureVisible(HWND hwnd, ListBox *lb, int index)
{
    if (index < 0)
        return;
    const int rows = visibleRows(hwnd, lb);
    if (index < lb->top)
        lb->top = index;
    else if (index >= lb->top + rows)
        lb->top = index - rows + 1;
}

void listPaint(HWND hwnd, ListBox *lb)
{
    PAINTSTRUCT ps;
    const HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    fillSys(hdc, rc, kColorWindow);
    const int h = itemHeight(hwnd, lb->font);
    for (int i = lb->top, y = 0; i < lb->list.count() && y < rc.bottom; ++i, y += h) {
        RECT row{0, y, rc.right, y + h};
        const bool selected = i == lb->list.current;
        if (selected)
            fillSys(hdc, row, kColorHighlight);
        row.left += 2;
        drawText(hdc, lb->font, row, lb->list.items[static_cast<size_t>(i)].text,
                 GetSysColor(selected ? kColorHighlightText : kColorWindowText), 0);
    }
    EndPaint(hwnd, &ps);
}

// Moves the selection as the user did; notifies when it changed.
void userSelect(HWND hwnd, ListBox *lb, int index)
{
    if (lb->list.count() == 0)
        return;
    index = std::clamp(index, 0, lb->list.count() - 1);
    ensureVisible(hwnd, lb, index);
    InvalidateRect(hwnd, nullptr, TRUE);
    if (index == lb->list.current)
        return;
    lb->list.current = index;
    if (!lb->combo && (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_NOTIFY))
        notifyParent(hwnd, LBN_SELCHANGE);
}

int rowAt(HWND hwnd, const ListBox *lb, LPARAM lParam)
{
    const int y = GET_Y_LPARAM(lParam);
    if (y < 0)
        return -1;
    const int i = lb->top + y / itemHeight(hwnd, lb->font);
    return i < lb->list.count() ? i : -1;
}

// ---- combo box ----

struct ComboBox {
    Items list;
    HWND dropped = 0; // the open list
    HFONT font = 0;
};

constexpr UINT kComboPick = WM_USER + 0x300; // from the open list: wParam = index

void closeUp(HWND hwnd, ComboBox *cb)
{
    if (!cb->dropped)
        return;
    const HWND list = cb->dropped;
    cb->dropped = 0;
    DestroyWindow(list);
    InvalidateRect(hwnd, nullptr, TRUE);
    notifyParent(hwnd, CBN_CLOSEUP);
}

void comboSelect(HWND hwnd, ComboBox *cb, int index)
{
    if (cb->list.count() == 0)
        return;
    index = std::clamp(index, 0, cb->list.count() - 1);
    if (index == cb->list.current)
        return;
    cb->list.current = index;
    InvalidateRect(hwnd, nullptr, TRUE);
    notifyParent(hwnd, CBN_SELCHANGE);
}

void dropDown(HWND hwnd, ComboBox *cb)
{
    if (cb->dropped)
        return;
    notifyParent(hwnd, CBN_DROPDOWN);
    if (!IsWindow(hwnd))
        return;
    RECT wr;
    GetWindowRect(hwnd, &wr);
    const int rows = std::clamp(cb->list.count(), 1, 8);
    const int height = rows * itemHeight(hwnd, cb->font) + 2;
    const HWND list = CreateWindowExA(0, "ComboLBox", "", WS_POPUP | WS_BORDER, wr.left, wr.bottom,
                                      wr.right - wr.left, height, 0, 0, 0, nullptr);
    if (!list)
        return;
    auto *lb = controlState<ListBox>(list);
    lb->combo = hwnd;
    lb->font = cb->font;
    lb->list.items = cb->list.items;
    lb->list.current = cb->list.current;
    ensureVisible(list, lb, lb->list.current);
    cb->dropped = list;
    // A bare list on the screen that never takes the focus from the combo.
    if (QWidget *w = WidgetOfWindow(list))
        w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    ShowWindow(list, SW_SHOWNA);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void comboPaint(HWND hwnd, ComboBox *cb)
{
    PAINTSTRUCT ps;
    const HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    fillSys(hdc, rc, kColorBtnFace);
    RECT field = rc;
    DrawEdge(hdc, &field, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const bool enabled = IsWindowEnabled(hwnd);
    const int buttonWidth = std::min(16, std::max(0, field.right - field.left));
    RECT text{field.left, field.top, field.right - buttonWidth, field.bottom};
    fillSys(hdc, text, enabled ? kColorWindow : kColorBtnFace);
    const bool focused = GetFocus() == hwnd && !cb->dropped;
    if (focused) {
        RECT sel{text.left + 1, text.top + 1, text.right - 1, text.bottom - 1};
        fillSys(hdc, sel, kColorHighlight);
    }
    if (cb->list.current >= 0) {
        RECT label{text.left + 3, text.top, text.right - 1, text.bottom};
        drawText(hdc, cb->font, label, cb->list.items[static_cast<size_t>(cb->list.current)].text,
                 GetSysColor(!enabled ? kColorGrayText : focused ? kColorHighlightText : kColorWindowText), 0);
    }
    RECT button{field.right - buttonWidth, field.top, field.right, field.bottom};
    DrawFrameControl(hdc, &button, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX | (cb->dropped ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
    EndPaint(hwnd, &ps);
}

} // namespace

LRESULT ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (LRESULT result; ownControlState<ListBox>(hwnd, msg, wParam, lParam, &result))
        return result;
    ListBox *lb = controlState<ListBox>(hwnd);
    if (!lb)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
        lb->font = static_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(lb->font);
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        const LRESULT at = lb->list.insert(msg == LB_ADDSTRING ? -1 : static_cast<int>(wParam),
                                           reinterpret_cast<const char *>(lParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        return at;
    }
    case LB_DELETESTRING: {
        const LRESULT left = lb->list.remove(wParam);
        lb->top = std::clamp(lb->top, 0, std::max(0, lb->list.count() - 1));
        InvalidateRect(hwnd, nullptr, TRUE);
        return left;
    }
    case LB_RESETCONTENT:
        lb->list.items.clear();
        lb->list.current = -1;
        lb->top = 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case LB_GETCOUNT:
        return lb->list.count();
    case LB_GETCURSEL:
        return lb->list.current;
    case LB_SETCURSEL:
        // A bad index (or -1) clears the selection; no notification.
        InvalidateRect(hwnd, nullptr, TRUE);
        if (!lb->list.valid(wParam)) {
            lb->list.current = -1;
            return LB_ERR;
        }
        lb->list.current = static_cast<int>(wParam);
        ensureVisible(hwnd, lb, lb->list.current);
        return lb->list.current;
    case LB_GETTEXT:
        return lb->list.text(wParam, lParam);
    case LB_GETTEXTLEN:
        return lb->list.text(wParam, 0);
    case LB_SETITEMDATA:
        if (!lb->list.valid(wParam))
            return LB_ERR;
        lb->list.items[wParam].data = lParam;
        return TRUE;
    case LB_GETITEMDATA:
        return lb->list.valid(wParam) ? lb->list.items[wParam].data : LB_ERR;
    case LB_GETTOPINDEX:
        return lb->top;
    case LB_SETTOPINDEX:
        if (!lb->list.valid(wParam))
            return LB_ERR;
        lb->top = static_cast<int>(wParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case LB_GETITEMHEIGHT:
        return itemHeight(hwnd, lb->font);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!lb->combo && GetFocus() != hwnd)
            SetFocus(hwnd);
        const int row = rowAt(hwnd, lb, lParam);
        if (row >= 0)
            userSelect(hwnd, lb, row);
        if (msg == WM_LBUTTONDBLCLK && row >= 0 && !lb->combo && (GetWindowLongPtrA(hwnd, GWL_STYLE) & LBS_NOTIFY))
            notifyParent(hwnd, LBN_DBLCLK);
        return 0;
    }
    case WM_KEYDOWN: {
        const int cur = lb->list.current;
        const int page = visibleRows(hwnd, lb);
        switch (static_cast<int>(wParam)) {
        case VK_UP: userSelect(hwnd, lb, cur < 0 ? 0 : cur - 1); break;
        case VK_DOWN: userSelect(hwnd, lb, cur < 0 ? 0 : cur + 1); break;
        case VK_HOME: userSelect(hwnd, lb, 0); break;
        case VK_END: userSelect(hwnd, lb, lb->list.count() - 1); break;
        case VK_PRIOR: userSelect(hwnd, lb, cur - page + 1); break;
        case VK_NEXT: userSelect(hwnd, lb, cur + page - 1); break;
        default: break;
        }
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        listPaint(hwnd, lb);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT ComboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ListBox *lb = controlState<ListBox>(hwnd);
    if (lb && lb->combo && (msg == WM_LBUTTONUP)) {
        // Releasing the mouse on an item picks it and closes the list.
        const int row = rowAt(hwnd, lb, lParam);
        if (row >= 0)
            SendMessageA(lb->combo, kComboPick, static_cast<WPARAM>(row), 0);
        return 0;
    }
    return ListBoxProc(hwnd, msg, wParam, lParam);
}

LRESULT ComboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ComboBox *cb = controlState<ComboBox>(hwnd);
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new ComboBox));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_DESTROY:
        if (cb && cb->dropped) {
            const HWND list = cb->dropped;
            cb->dropped = 0;
            DestroyWindow(list);
        }
        return 0;
    case WM_NCDESTROY:
        delete cb;
        SetWindowLongPtrA(hwnd, 0, 0);
        return 0;
    }
    if (!cb)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto listChanged = [&] {
        if (cb->dropped) {
            auto *lb = controlState<ListBox>(cb->dropped);
            lb->list = cb->list;
            InvalidateRect(cb->dropped, nullptr, TRUE);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
    };
    switch (msg) {
    case WM_GETDLGCODE:
        // While the list is open, Enter and Esc close it.
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (cb->dropped ? DLGC_WANTMESSAGE : 0);
    case WM_SETFONT:
        cb->font = static_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(cb->font);
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
        const LRESULT at = cb->list.insert(msg == CB_ADDSTRING ? -1 : static_cast<int>(wParam),
                                           reinterpret_cast<const char *>(lParam));
        listChanged();
        return at;
    }
    case CB_DELETESTRING: {
        const LRESULT left = cb->list.remove(wParam);
        listChanged();
        return left;
    }
    case CB_RESETCONTENT:
        cb->list.items.clear();
        cb->list.current = -1;
        listChanged();
        return CB_ERR + 1;
    case CB_GETCOUNT:
        return cb->list.count();
    case CB_GETCURSEL:
        return cb->list.current;
    case CB_SETCURSEL:
        cb->list.current = cb->list.valid(wParam) ? static_cast<int>(wParam) : -1;
        listChanged();
        return cb->list.current >= 0 ? cb->list.current : CB_ERR;
    case CB_GETLBTEXT:
        return cb->list.text(wParam, lParam);
    case CB_GETLBTEXTLEN:
        return cb->list.text(wParam, 0);
    case CB_SETITEMDATA:
        if (!cb->list.valid(wParam))
            return CB_ERR;
        cb->list.items[wParam].data = lParam;
        return TRUE;
    case CB_GETITEMDATA:
        return cb->list.valid(wParam) ? cb->list.items[wParam].data : CB_ERR;
    case CB_SHOWDROPDOWN:
        if (wParam)
            dropDown(hwnd, cb);
        else
            closeUp(hwnd, cb);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return cb->dropped ? TRUE : FALSE;
    case kComboPick:
        closeUp(hwnd, cb);
        comboSelect(hwnd, cb, static_cast<int>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        if (cb->dropped)
            closeUp(hwnd, cb);
        else
            dropDown(hwnd, cb);
        return 0;
    case WM_KEYDOWN: {
        const int cur = cb->list.current;
        if (cb->dropped) {
            auto *lb = controlState<ListBox>(cb->dropped);
            const int at = lb->list.current;
            switch (static_cast<int>(wParam)) {
            case VK_UP: userSelect(cb->dropped, lb, at < 0 ? 0 : at - 1); break;
            case VK_DOWN: userSelect(cb->dropped, lb, at < 0 ? 0 : at + 1); break;
            case VK_RETURN: SendMessageA(hwnd, kComboPick, static_cast<WPARAM>(at), 0); break;
            case VK_ESCAPE:
            case VK_F1 + 3: closeUp(hwnd, cb); break;
            default: break;
            }
            return 0;
        }
        const bool alt = GetKeyState(VK_MENU) & 0x8000;
        switch (static_cast<int>(wParam)) {
        case VK_UP:
        case VK_LEFT:
            if (alt)
                dropDown(hwnd, cb);
            else
                comboSelect(hwnd, cb, cur < 0 ? 0 : cur - 1);
            break;
        case VK_DOWN:
        case VK_RIGHT:
            if (alt)
                dropDown(hwnd, cb);
            else
                comboSelect(hwnd, cb, cur < 0 ? 0 : cur + 1);
            break;
        case VK_HOME: comboSelect(hwnd, cb, 0); break;
        case VK_END: comboSelect(hwnd, cb, cb->list.count() - 1); break;
        case VK_F1 + 3: dropDown(hwnd, cb); break; // F4
        default: break;
        }
        return 0;
    }
    case WM_SETFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        closeUp(hwnd, cb);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_ENABLE:
        if (!wParam)
            closeUp(hwnd, cb);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        comboPaint(hwnd, cb);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace detail

HWND GetComboDropDownList(HWND combo)
{
    char name[16] = {};
    GetClassNameA(combo, name, sizeof name);
    if (std::string(name) != "COMBOBOX")
        return 0;
    auto *cb = detail::controlState<detail::ComboBox>(combo);
    return cb ? cb->dropped : 0;
}

void RegisterBuiltinControlClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    struct Row {
        const char *name;
        WNDPROC proc;
        UINT style;
    };
    const Row rows[] = {
        {"BUTTON", detail::ButtonProc, CS_DBLCLKS | CS_PARENTDC},
        {"STATIC", detail::StaticProc, CS_PARENTDC},
        {"EDIT", detail::EditProc, CS_DBLCLKS | CS_PARENTDC},
        {"LISTBOX", detail::ListBoxProc, CS_DBLCLKS | CS_PARENTDC},
        {"COMBOBOX", detail::ComboBoxProc, CS_DBLCLKS | CS_PARENTDC},
        {"ComboLBox", detail::ComboListProc, CS_DBLCLKS},
    };
    for (const Row &r : rows) {
        WNDCLASSA wc;
        wc.style = r.style | CS_GLOBALCLASS;
        wc.lpfnWndProc = r.proc;
        wc.cbWndExtra = static_cast<int>(sizeof(LONG_PTR));
        wc.lpszClassName = r.name;
        RegisterClassA(&wc);
    }
}

namespace {
// The system classes exist as soon as the window layer is loaded.
const bool kRegistered = (RegisterBuiltinControlClasses(), true);
} // namespace

} // namespace platform::win
