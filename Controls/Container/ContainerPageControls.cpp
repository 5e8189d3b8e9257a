#include "Controls/Container/ContainerPageControls.h"

#include "platform/win/controls.h"

namespace lumafold {

using namespace platform::win;

namespace {

// Window long of the owner-drawn box: bit 0 pressed, bit 1 the mouse holds it.
constexpr int kStateLong = GWLP_USERDATA;
constexpr LONG_PTR kPressed = 1;
constexpr LONG_PTR kTracking = 2;

bool isButton(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_TABSTOP) != 0; }

void setPressed(HWND hwnd, bool pressed)
{
    LONG_PTR s = GetWindowLongPtrA(hwnd, kStateLong);
    const LONG_PTR n = pressed ? (s | kPressed) : (s & ~kPressed);
    if (n != s) {
        SetWindowLongPtrA(hwnd, kStateLong, n);
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void click(HWND hwnd)
{
    const HWND parent = GetParent(hwnd);
    const int id = GetDlgCtrlID(hwnd);
    SendMessageA(parent, WM_COMMAND, MAKELONG(id, BN_CLICKED), static_cast<LPARAM>(hwnd));
}

bool pointInside(HWND hwnd, LPARAM lParam)
{
    RECT r;
    GetClientRect(hwnd, &r);
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

LRESULT ownerDrawProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC hdc = BeginPaint(hwnd, &ps);
        DRAWITEMSTRUCT dis;
        dis.CtlType = isButton(hwnd) ? ODT_BUTTON : ODT_STATIC;
        dis.CtlID = UINT(GetDlgCtrlID(hwnd));
        dis.itemAction = ODA_DRAWENTIRE;
        if (GetWindowLongPtrA(hwnd, kStateLong) & kPressed)
            dis.itemState |= ODS_SELECTED;
        if (GetFocus() == hwnd)
            dis.itemState |= ODS_FOCUS;
        if (!IsWindowEnabled(hwnd))
            dis.itemState |= ODS_DISABLED;
        dis.hwndItem = hwnd;
        dis.hDC = hdc;
        GetClientRect(hwnd, &dis.rcItem);
        SendMessageA(GetParent(hwnd), WM_DRAWITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return isButton(hwnd) ? DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON : DLGC_STATIC;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        if (msg == WM_KILLFOCUS)
            setPressed(hwnd, false);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!isButton(hwnd))
            return 0;
        SetFocus(hwnd);
        SetCapture(hwnd);
        SetWindowLongPtrA(hwnd, kStateLong, GetWindowLongPtrA(hwnd, kStateLong) | kTracking);
        setPressed(hwnd, true);
        return 0;
    case WM_MOUSEMOVE:
        if (GetWindowLongPtrA(hwnd, kStateLong) & kTracking)
            setPressed(hwnd, pointInside(hwnd, lParam));
        return 0;
    case WM_LBUTTONUP: {
        const LONG_PTR s = GetWindowLongPtrA(hwnd, kStateLong);
        if (!(s & kTracking))
            return 0;
        SetWindowLongPtrA(hwnd, kStateLong, s & ~kTracking);
        const bool inside = pointInside(hwnd, lParam);
        setPressed(hwnd, false);
        ReleaseCapture();
        if (inside)
            click(hwnd);
        return 0;
    }
    case WM_CAPTURECHANGED:
        SetWindowLongPtrA(hwnd, kStateLong, GetWindowLongPtrA(hwnd, kStateLong) & ~kTracking);
        setPressed(hwnd, false);
        return 0;
    case WM_KEYDOWN:
        if (wParam == WPARAM(VK_SPACE) && isButton(hwnd))
            setPressed(hwnd, true);
        return 0;
    case WM_KEYUP:
        if (wParam == WPARAM(VK_SPACE) && (GetWindowLongPtrA(hwnd, kStateLong) & kPressed)) {
            setPressed(hwnd, false);
            click(hwnd);
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// The two arrows: the upper half and the lower half of the client area.
void spinHalves(HWND hwnd, RECT *up, RECT *down)
{
    RECT r;
    GetClientRect(hwnd, &r);
    const int mid = (r.top + r.bottom) / 2;
    *up = {r.left, r.top, r.right, mid};
    *down = {r.left, mid, r.right, r.bottom};
}

LRESULT spinProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // GWLP_USERDATA: 0 none pressed, 1 upper arrow, 2 lower arrow.
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC hdc = BeginPaint(hwnd, &ps);
        RECT up, down;
        spinHalves(hwnd, &up, &down);
        const LONG_PTR pressed = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
        const UINT inactive = IsWindowEnabled(hwnd) ? 0 : DFCS_INACTIVE;
        DrawFrameControl(hdc, &up, DFC_SCROLL, DFCS_SCROLLUP | inactive | (pressed == 1 ? DFCS_PUSHED : 0));
        DrawFrameControl(hdc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | inactive | (pressed == 2 ? DFCS_PUSHED : 0));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        RECT up, down;
        spinHalves(hwnd, &up, &down);
        const bool upper = GET_Y_LPARAM(lParam) < up.bottom;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, upper ? 1 : 2);
        InvalidateRect(hwnd, nullptr, FALSE);
        SetCapture(hwnd);
        NMUPDOWN nm;
        nm.hdr.hwndFrom = hwnd;
        nm.hdr.idFrom = UINT_PTR(GetDlgCtrlID(hwnd));
        nm.hdr.code = UDN_DELTAPOS;
        nm.iDelta = upper ? -1 : 1;
        SendMessageA(GetParent(hwnd), WM_NOTIFY, WPARAM(nm.hdr.idFrom), reinterpret_cast<LPARAM>(&nm));
        return 0;
    }
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd)
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

void RegisterPageControlClasses()
{
    static const bool done = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ownerDrawProc;
        wc.lpszClassName = kOwnerDrawClass;
        wc.hCursor = LoadCursorA(0, IDC_ARROW);
        RegisterClassA(&wc);
        WNDCLASSA sc{};
        sc.lpfnWndProc = spinProc;
        sc.lpszClassName = kSpinClass;
        sc.hCursor = LoadCursorA(0, IDC_ARROW);
        RegisterClassA(&sc);
        return true;
    }();
    (void)done;
}

} // namespace lumafold
