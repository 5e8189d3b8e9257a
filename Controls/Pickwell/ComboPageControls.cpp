#include "Controls/Pickwell/ComboPageControls.h"

#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pickwell {

using namespace platform::win;

namespace {

constexpr int kListPartId = 1000;
constexpr int kEditPartId = 1001;
constexpr int kArrowWidth = 16;

// ---- editable combo

struct EditCombo {
    HWND list = 0;
    HWND edit = 0;
    WNDPROC editProc = nullptr; // the edit's own procedure (subclassed)
    bool setting = false;       // the combo writes the edit itself
};

constexpr int kVkF4 = 0x73;

EditCombo *editCombo(HWND hwnd)
{
    return reinterpret_cast<EditCombo *>(GetWindowLongPtrA(hwnd, 0));
}

void notifyParent(HWND hwnd, WORD code)
{
    SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), static_cast<LPARAM>(hwnd));
}

void layoutEditCombo(HWND hwnd, EditCombo *ec)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    MoveWindow(ec->list, 0, 0, w, h, TRUE);
    // The edit covers the list's text part; the list's arrow stays free.
    MoveWindow(ec->edit, 2, 2, std::max(0, w - kArrowWidth - 4), std::max(0, h - 4), TRUE);
}

void setEditText(EditCombo *ec, const char *text)
{
    ec->setting = true;
    SetWindowTextA(ec->edit, text);
    ec->setting = false;
}

void copySelectionToEdit(EditCombo *ec)
{
    const LRESULT at = SendMessageA(ec->list, CB_GETCURSEL, 0, 0);
    if (at < 0)
        return;
    const LRESULT len = SendMessageA(ec->list, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
    if (len < 0)
        return;
    std::vector<char> buffer(static_cast<size_t>(len) + 1, '\0');
    SendMessageA(ec->list, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(buffer.data()));
    setEditText(ec, buffer.data());
}

// Picks the entry at index as a user's pick would.
void pickEntry(HWND combo, EditCombo *ec, int index)
{
    const int count = static_cast<int>(SendMessageA(ec->list, CB_GETCOUNT, 0, 0));
    if (count <= 0)
        return;
    index = std::clamp(index, 0, count - 1);
    if (index == static_cast<int>(SendMessageA(ec->list, CB_GETCURSEL, 0, 0)))
        return;
    SendMessageA(ec->list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    copySelectionToEdit(ec);
    SendMessageA(ec->edit, EM_SETSEL, 0, -1);
    notifyParent(combo, CBN_SELCHANGE);
}

// The edit part keeps the focus: Up and Down step through the entries, F4
// and Alt+Up/Down open the list, whose keys the edit then passes on.
LRESULT EditPartProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const HWND combo = GetParent(edit);
    EditCombo *ec = editCombo(combo);
    if (!ec || !ec->editProc)
        return DefWindowProcA(edit, msg, wParam, lParam);
    const bool dropped = SendMessageA(ec->list, CB_GETDROPPEDSTATE, 0, 0) != 0;
    const bool down = wParam == static_cast<WPARAM>(VK_DOWN);
    const bool up = wParam == static_cast<WPARAM>(VK_UP);
    if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && dropped) {
        // The open list takes the keys (arrows, Enter, Esc, F4, Alt+arrows).
        SendMessageA(ec->list, msg, wParam, lParam);
        return 0;
    }
    if (msg == WM_CHAR && dropped)
        return 0;
    if ((msg == WM_KEYDOWN && wParam == static_cast<WPARAM>(kVkF4)) || (msg == WM_SYSKEYDOWN && (down || up))) {
        SendMessageA(ec->list, CB_SHOWDROPDOWN, TRUE, 0);
        return 0;
    }
    if (msg == WM_KEYDOWN && (down || up)) {
        const int at = static_cast<int>(SendMessageA(ec->list, CB_GETCURSEL, 0, 0));
        pickEntry(combo, ec, at < 0 ? 0 : at + (down ? 1 : -1));
        return 0;
    }
    // Focus moving to another window closes the list (showing the list
    // itself may report a loss of focus to no window).
    if (msg == WM_KILLFOCUS && dropped && wParam && static_cast<HWND>(wParam) != ec->list)
        SendMessageA(ec->list, CB_SHOWDROPDOWN, FALSE, 0);
    if (msg == WM_GETDLGCODE)
        return CallWindowProcA(ec->editProc, edit, msg, wParam, lParam) | DLGC_WANTARROWS
            | (dropped ? DLGC_WANTALLKEYS : 0);
    return CallWindowProcA(ec->editProc, edit, msg, wParam, lParam);
}

LRESULT EditComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    EditCombo *ec = editCombo(hwnd);
    switch (msg) {
    case WM_CREATE: {
        ec = new EditCombo;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(ec));
        const bool disabled = GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_DISABLED;
        ec->list = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 0, 10, 10, hwnd,
                                   reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kListPartId)), 0, nullptr);
        ec->edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10,
                                   hwnd, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kEditPartId)), 0, nullptr);
        if (!ec->list || !ec->edit)
            return -1;
        ec->editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(ec->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditPartProc)));
        if (disabled) {
            EnableWindow(ec->list, FALSE);
            EnableWindow(ec->edit, FALSE);
        }
        layoutEditCombo(hwnd, ec);
        return 0;
    }
    case WM_NCDESTROY:
        delete ec;
        SetWindowLongPtrA(hwnd, 0, 0);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    default:
        break;
    }
    if (!ec)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_SIZE:
        layoutEditCombo(hwnd, ec);
        return 0;
    case WM_SETFOCUS:
        SetFocus(ec->edit);
        return 0;
    case WM_ENABLE:
        EnableWindow(ec->list, static_cast<BOOL>(wParam));
        EnableWindow(ec->edit, static_cast<BOOL>(wParam));
        return 0;
    case WM_SETFONT:
        SendMessageA(ec->list, msg, wParam, lParam);
        SendMessageA(ec->edit, msg, wParam, lParam);
        return 0;
    case WM_SETTEXT: {
        ec->setting = true;
        const LRESULT r = SendMessageA(ec->edit, msg, wParam, lParam);
        ec->setting = false;
        return r;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case EM_GETSEL:
    case EM_SETSEL:
        return SendMessageA(ec->edit, msg, wParam, lParam);
    case CB_LIMITTEXT:
        return SendMessageA(ec->edit, EM_LIMITTEXT, wParam, 0);
    case CB_SETEDITSEL: {
        const auto lo = static_cast<int16_t>(LOWORD(static_cast<std::uintptr_t>(lParam)));
        const auto hi = static_cast<int16_t>(HIWORD(static_cast<std::uintptr_t>(lParam)));
        SendMessageA(ec->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<LPARAM>(lo)), hi);
        return TRUE;
    }
    case CB_SETCURSEL: {
        const LRESULT r = SendMessageA(ec->list, msg, wParam, lParam);
        copySelectionToEdit(ec);
        return r;
    }
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_DELETESTRING:
    case CB_GETCOUNT:
    case CB_GETCURSEL:
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN:
    case CB_RESETCONTENT:
    case CB_SHOWDROPDOWN:
    case CB_GETDROPPEDSTATE:
    case CB_GETITEMDATA:
    case CB_SETITEMDATA:
        return SendMessageA(ec->list, msg, wParam, lParam);
    case WM_COMMAND: {
        const int id = LOWORD(static_cast<std::uintptr_t>(wParam));
        const WORD code = HIWORD(static_cast<std::uintptr_t>(wParam));
        if (id == kEditPartId && code == EN_CHANGE && !ec->setting)
            notifyParent(hwnd, CBN_EDITCHANGE);
        else if (id == kListPartId && code == CBN_SELCHANGE) {
            copySelectionToEdit(ec);
            notifyParent(hwnd, CBN_SELCHANGE);
        } else if (id == kListPartId && code == CBN_CLOSEUP && GetFocus() != ec->edit)
            SetFocus(ec->edit);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- owner-drawn button

struct OwnerButton {
    bool pressed = false;
    bool tracking = false;
    bool spaceDown = false;
};

void clicked(HWND hwnd)
{
    notifyParent(hwnd, BN_CLICKED);
}

LRESULT OwnerButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *b = reinterpret_cast<OwnerButton *>(GetWindowLongPtrA(hwnd, 0));
    switch (msg) {
    case WM_CREATE:
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new OwnerButton));
        return 0;
    case WM_NCDESTROY:
        delete b;
        SetWindowLongPtrA(hwnd, 0, 0);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC hdc = BeginPaint(hwnd, &ps);
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (b && b->pressed ? ODS_SELECTED : 0) | (GetFocus() == hwnd ? ODS_FOCUS : 0)
            | (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
        dis.hwndItem = hwnd;
        dis.hDC = hdc;
        GetClientRect(hwnd, &dis.rcItem);
        SendMessageA(GetParent(hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        if (!b || !IsWindowEnabled(hwnd))
            return 0;
        b->pressed = b->tracking = true;
        SetCapture(hwnd);
        SetFocus(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        if (!b || !b->tracking)
            return 0;
        b->tracking = b->pressed = false;
        ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom)
            clicked(hwnd);
        return 0;
    }
    case WM_KEYDOWN:
        if (b && wParam == static_cast<WPARAM>(VK_SPACE) && IsWindowEnabled(hwnd)) {
            b->spaceDown = b->pressed = true;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_KEYUP:
        if (b && wParam == static_cast<WPARAM>(VK_SPACE) && b->spaceDown) {
            b->spaceDown = b->pressed = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            clicked(hwnd);
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- up-down arrows

LRESULT UpDownProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC hdc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int mid = (rc.top + rc.bottom) / 2;
        const UINT inactive = IsWindowEnabled(hwnd) ? 0 : DFCS_INACTIVE;
        RECT up{rc.left, rc.top, rc.right, mid};
        RECT down{rc.left, mid, rc.right, rc.bottom};
        DrawFrameControl(hdc, &up, DFC_SCROLL, DFCS_SCROLLUP | inactive);
        DrawFrameControl(hdc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | inactive);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        if (!IsWindowEnabled(hwnd))
            return 0;
        RECT rc;
        GetClientRect(hwnd, &rc);
        NMUPDOWN nm;
        nm.hdr.hwndFrom = hwnd;
        nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
        nm.hdr.code = UDN_DELTAPOS;
        nm.iDelta = GET_Y_LPARAM(lParam) < (rc.top + rc.bottom) / 2 ? -1 : 1;
        SendMessageA(GetParent(hwnd), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
        return 0;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

void RegisterComboPageClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    struct Row {
        const char *name;
        WNDPROC proc;
    };
    for (const Row &r : {Row{kEditComboClass, &EditComboProc}, Row{kOwnerButtonClass, &OwnerButtonProc},
                         Row{kUpDownClass, &UpDownProc}}) {
        WNDCLASSA wc;
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = r.proc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.hbrBackground = static_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = r.name;
        RegisterClassA(&wc);
    }
}

HWND EditComboEditWindow(HWND combo)
{
    char name[32] = {};
    GetClassNameA(combo, name, sizeof name);
    if (std::string(name) != kEditComboClass)
        return 0;
    const EditCombo *ec = editCombo(combo);
    return ec ? ec->edit : 0;
}

HWND EditComboListWindow(HWND combo)
{
    char name[32] = {};
    GetClassNameA(combo, name, sizeof name);
    if (std::string(name) != kEditComboClass)
        return 0;
    const EditCombo *ec = editCombo(combo);
    return ec ? ec->list : 0;
}

} // namespace pickwell
