#include "Controls/common/SuiteControlBase.h"

namespace controls {

using namespace platform::win;
using com::VARTYPE;

namespace {

constexpr VARTYPE kKeyArgs[] = {com::VT_BYREF | com::VT_I2, com::VT_I2};
constexpr VARTYPE kKeyPressArgs[] = {com::VT_BYREF | com::VT_I2};
constexpr VARTYPE kMouseArgs[] = {com::VT_I2, com::VT_I2, com::VT_I4, com::VT_I4};

// Types FireEvent knows beyond the enum of the automation layer.
constexpr VARTYPE kVtCy = 6;
constexpr VARTYPE kVtDate = 7;

constexpr uint32_t kButtonBits = 0x07;
constexpr uint32_t kButtonAndMarkBits = 0x3F;
constexpr uint32_t dblClickMark(int16_t button) { return static_cast<uint32_t>(button) << 3; }

POINT pointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// Fills one DISPPARAMS element from a typed argument; false when the
// argument's form does not fit the declared type.
bool fillArgument(VARTYPE type, const EventArg &arg, com::VARIANT &out)
{
    using Kind = EventArg::Kind;
    const Kind kind = arg.kind();
    if (type == com::VT_VARIANT) {
        if (kind != Kind::Variant)
            return false;
        out = arg.value(); // copied as it is, its own type included
        return true;
    }
    out.vt = type;
    if (type & com::VT_BYREF) {
        if (kind != Kind::Pointer)
            return false;
        out.byref = arg.value().byref;
        return true;
    }
    switch (type) {
    case com::VT_I2:
    case com::VT_BOOL:
        if (kind != Kind::Short)
            return false;
        out.iVal = arg.value().iVal;
        return true;
    case com::VT_I4:
    case com::VT_ERROR:
        if (kind != Kind::Long)
            return false;
        out.lVal = arg.value().lVal;
        return true;
    case com::VT_R4:
        if (kind != Kind::Float)
            return false;
        out.fltVal = arg.value().fltVal;
        return true;
    case com::VT_R8:
    case kVtDate:
        if (kind != Kind::Double)
            return false;
        out.dblVal = arg.value().dblVal;
        return true;
    case kVtCy:
        if (kind != Kind::Int64)
            return false;
        out.llVal = arg.value().llVal;
        return true;
    case com::VT_BSTR:
    case com::VT_DISPATCH:
    case com::VT_UNKNOWN:
        if (kind != Kind::Pointer)
            return false;
        out.byref = arg.value().byref;
        return true;
    default:
        return false;
    }
}

} // namespace

const EventDescriptor kClickEvent{DISPID_CLICK, 0, nullptr};
const EventDescriptor kDblClickEvent{DISPID_DBLCLICK, 0, nullptr};
const EventDescriptor kKeyDownEvent{DISPID_KEYDOWN, 2, kKeyArgs};
const EventDescriptor kKeyPressEvent{DISPID_KEYPRESS, 1, kKeyPressArgs};
const EventDescriptor kKeyUpEvent{DISPID_KEYUP, 2, kKeyArgs};
const EventDescriptor kMouseDownEvent{DISPID_MOUSEDOWN, 4, kMouseArgs};
const EventDescriptor kMouseMoveEvent{DISPID_MOUSEMOVE, 4, kMouseArgs};
const EventDescriptor kMouseUpEvent{DISPID_MOUSEUP, 4, kMouseArgs};
const EventDescriptor kMouseEnterEvent{0x33, 0, nullptr};
const EventDescriptor kMouseExitEvent{0x34, 0, nullptr};
const EventDescriptor kSpinUpEvent{0x35, 0, nullptr};
const EventDescriptor kSpinDownEvent{0x36, 0, nullptr};

int16_t ButtonsOfKeyFlags(DWORD keyFlags)
{
    int16_t buttons = 0;
    if (keyFlags & MK_LBUTTON)
        buttons |= kLeftButton;
    if (keyFlags & MK_RBUTTON)
        buttons |= kRightButton;
    if (keyFlags & MK_MBUTTON)
        buttons |= kMiddleButton;
    return buttons;
}

int16_t GetShiftState()
{
    int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= kShiftMask;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= kAltMask;
    return shift;
}

SuiteControlBase::SuiteControlBase()
{
    ResetMouseState();
}

SuiteControlBase::~SuiteControlBase()
{
    UnsubclassWindow();
}

void SuiteControlBase::ResetMouseState()
{
    ButtonState &= ~kButtonAndMarkBits;
    EventMask = 0;
}

void SuiteControlBase::SetEventSinks(const com::ConnectionPoint *point)
{
    if (!point) {
        m_sinks = nullptr;
        return;
    }
    m_sinks = [point] { return point->sinks(); };
}

bool SuiteControlBase::SubclassWindow(HWND window, WNDPROC proc)
{
    if (!proc || !IsWindow(window))
        return false;
    const LONG_PTR old = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    if (!old)
        return false;
    m_previousProc = reinterpret_cast<WNDPROC>(old);
    m_subclassProc = proc;
    m_subclassedWindow = window;
    Window = window;
    return true;
}

void SuiteControlBase::UnsubclassWindow()
{
    const HWND w = std::exchange(m_subclassedWindow, 0);
    if (w && IsWindow(w)
        && GetWindowLongPtrA(w, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(m_subclassProc))
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    m_subclassProc = nullptr;
}

int SuiteControlBase::DispatchBaseWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window = window;
    const UINT key = LOWORD(wParam);
    const UINT repeat = LOWORD(static_cast<std::uintptr_t>(lParam));
    const UINT flags = HIWORD(static_cast<std::uintptr_t>(lParam));
    switch (message) {
    case WM_CANCELMODE:
        OnCancelMode();
        return 1;
    case WM_NCLBUTTONDOWN:
        CallDefaultProc(message, wParam, lParam);
        if (stillWindow(window)) {
            ButtonState |= kLeftButton;
            ButtonState &= ~dblClickMark(kLeftButton);
        }
        return 1;
    case WM_NCLBUTTONUP:
        CallDefaultProc(message, wParam, lParam);
        if (stillWindow(window) && (ButtonState & kButtonBits))
            ButtonState &= ~(kLeftButton | dblClickMark(kLeftButton));
        return 1;
    case WM_KEYDOWN:
        OnKeyDown(key, repeat, flags);
        return 1;
    case WM_KEYUP:
        OnKeyUp(key, repeat, flags);
        return 1;
    case WM_CHAR:
        OnChar(key, repeat, flags);
        return 1;
    case WM_SYSKEYDOWN:
        OnSysKeyDown(key, repeat, flags);
        return 1;
    case WM_SYSKEYUP:
        OnSysKeyUp(key, repeat, flags);
        return 1;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 1;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 1;
    case WM_LBUTTONUP:
        OnLButtonUp(wParam, lParam);
        return 1;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(wParam, lParam);
        return 1;
    case WM_RBUTTONDOWN:
        OnRButtonDown(wParam, lParam);
        return 1;
    case WM_RBUTTONUP:
        OnRButtonUp(wParam, lParam);
        return 1;
    case WM_RBUTTONDBLCLK:
        OnRButtonDblClk(wParam, lParam);
        return 1;
    case WM_MBUTTONDOWN:
        OnMButtonDown(wParam, lParam);
        return 1;
    case WM_MBUTTONUP:
        OnMButtonUp(wParam, lParam);
        return 1;
    case WM_MBUTTONDBLCLK:
        OnMButtonDblClk(wParam, lParam);
        return 1;
    default:
        return 0;
    }
}

// ---- overridable defaults

void SuiteControlBase::PreTranslateKeyDown(int16_t &, int16_t) {}
void SuiteControlBase::PreTranslateKeyUp(int16_t &, int16_t) {}
void SuiteControlBase::PreTranslateChar(int16_t &, int16_t) {}
bool SuiteControlBase::IsClickPoint(POINT) { return true; }
bool SuiteControlBase::IsClickDownPoint(POINT) { return false; }
bool SuiteControlBase::IsDblClickPoint(POINT point) { return IsClickPoint(point); }

LRESULT SuiteControlBase::CallDefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!Window || !IsWindow(Window))
        return 0;
    return CallWindowProcA(m_previousProc, Window, message, wParam, lParam);
}

void SuiteControlBase::FireEvent(const EventDescriptor &event, std::initializer_list<EventArg> args)
{
    const int32_t count = event.argumentCount;
    if (count < 0 || count > kMaxEventArguments || static_cast<size_t>(count) != args.size()
        || (count > 0 && !event.argumentTypes))
        return;
    com::VARIANT argv[kMaxEventArguments];
    int32_t index = 0;
    for (const EventArg &arg : args) {
        // The first argument goes into the last element (DISPPARAMS order).
        if (!fillArgument(event.argumentTypes[index], arg, argv[count - 1 - index]))
            return;
        ++index;
    }
    com::DISPPARAMS params;
    params.rgvarg = count > 0 ? argv : nullptr;
    params.cArgs = static_cast<uint32_t>(count);
    if (!m_sinks)
        return;
    // A copy: a sink may disconnect, or destroy the window, while called.
    const std::vector<com::ComPtr<com::IUnknown>> sinks = m_sinks();
    for (const com::ComPtr<com::IUnknown> &sink : sinks) {
        com::ComPtr<com::IDispatch> dispatch;
        if (!sink || com::FAILED(sink->QueryInterface(com::IID_IDispatch, dispatch.putVoid())) || !dispatch)
            continue;
        dispatch->Invoke(event.dispid, com::IID_NULL, LOCALE_USER_DEFAULT, com::DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr);
    }
}

// ---- keys

void SuiteControlBase::FireKeyDown(int16_t &keyCode)
{
    if (!eventEnabled(kEventKeyDown))
        return;
    const HWND w = Window;
    const int16_t shift = GetKeyShiftState();
    FireEvent(kKeyDownEvent, {&keyCode, shift});
    if (w && GetFocus() == w && keyCode != 0)
        PreTranslateKeyDown(keyCode, shift);
}

void SuiteControlBase::FireKeyUp(int16_t &keyCode)
{
    if (!eventEnabled(kEventKeyUp))
        return;
    const HWND w = Window;
    const int16_t shift = GetKeyShiftState();
    FireEvent(kKeyUpEvent, {&keyCode, shift});
    if (stillWindow(w) && keyCode != 0)
        PreTranslateKeyUp(keyCode, shift);
}

void SuiteControlBase::OnSysKeyDown(UINT keyCode, UINT repeat, UINT flags)
{
    const HWND w = Window;
    int16_t code = static_cast<int16_t>(keyCode);
    FireKeyDown(code);
    if (stillWindow(w) && code != 0)
        CallDefaultProc(WM_SYSKEYDOWN, static_cast<uint16_t>(code), keyLParam(repeat, flags));
}

void SuiteControlBase::OnSysKeyUp(UINT keyCode, UINT repeat, UINT flags)
{
    const HWND w = Window;
    int16_t code = static_cast<int16_t>(keyCode);
    FireKeyUp(code);
    if (stillWindow(w) && code != 0)
        CallDefaultProc(WM_SYSKEYUP, static_cast<uint16_t>(code), keyLParam(repeat, flags));
}

void SuiteControlBase::OnKeyDown(UINT keyCode, UINT repeat, UINT flags)
{
    const HWND w = Window;
    int16_t code = static_cast<int16_t>(keyCode);
    if (keyCode == static_cast<UINT>(VK_SHIFT) && flags == 1)
        flags = 0;
    else
        FireKeyDown(code);
    if (stillWindow(w) && code != 0)
        CallDefaultProc(WM_KEYDOWN, static_cast<uint16_t>(code), keyLParam(repeat, flags));
}

void SuiteControlBase::OnKeyUp(UINT keyCode, UINT repeat, UINT flags)
{
    const HWND w = Window;
    int16_t code = static_cast<int16_t>(keyCode);
    if (keyCode == static_cast<UINT>(VK_SHIFT) && flags == 0xC001)
        flags = 0xC000;
    else
        FireKeyUp(code);
    if (stillWindow(w) && code != 0)
        CallDefaultProc(WM_KEYUP, static_cast<uint16_t>(code), keyLParam(repeat, flags));
}

void SuiteControlBase::OnChar(UINT character, UINT repeat, UINT flags)
{
    const HWND w = Window;
    const LPARAM lParam = keyLParam(repeat, flags);

    // The trail byte of a double-byte character whose KeyPress was already
    // raised with its lead goes on to the default procedure unraised.
    const bool expectedTrail = m_expectedTrail >= 0 && m_trailWindow == w
                               && character == static_cast<UINT>(m_expectedTrail);
    m_expectedTrail = -1;
    m_trailWindow = 0;
    if (expectedTrail) {
        CallDefaultProc(WM_CHAR, character, lParam);
        return;
    }

    const bool lead = character <= 0xFF && IsDBCSLeadByte(static_cast<BYTE>(character));
    auto dropWaitingTrail = [&] {
        if (lead)
            PeekMessageA(nullptr, w, WM_CHAR, WM_CHAR, PM_REMOVE);
    };
    unsigned code = character & 0xFFFF;
    unsigned raised = code;
    if (eventEnabled(kEventKeyPress)) {
        MSG trail;
        const bool joined = lead && PeekMessageA(&trail, w, WM_CHAR, WM_CHAR, PM_NOREMOVE);
        if (joined)
            code = (character << 8) | (trail.wParam & 0xFF);
        raised = code;
        int16_t keyAscii = static_cast<int16_t>(code);
        const int16_t shift = GetKeyShiftState();
        FireEvent(kKeyPressEvent, {&keyAscii});
        code = static_cast<uint16_t>(keyAscii);
        if (!w || GetFocus() != w) {
            // The character was raised whole: its trail byte must not come
            // back later as a character of its own.
            if (joined && IsWindow(w))
                dropWaitingTrail();
            return;
        }
        if (code != 0) {
            int16_t translated = static_cast<int16_t>(code);
            PreTranslateChar(translated, shift);
            code = static_cast<uint16_t>(translated);
            if (!stillWindow(w))
                return;
        }
    }

    if (code == 0) {
        dropWaitingTrail(); // swallowed, both bytes of a double-byte character
        return;
    }
    if (code == raised) {
        // The trail byte, if any, stays queued and follows unraised.
        if (code > 0xFF) {
            m_trailWindow = w;
            m_expectedTrail = static_cast<int>(code & 0xFF);
        }
        CallDefaultProc(WM_CHAR, character, lParam);
        return;
    }
    const BYTE high = HIBYTE(code);
    dropWaitingTrail();
    if (high && IsDBCSLeadByte(high)) {
        // A replaced double-byte character: the new trail is queued ahead of
        // everything waiting, and the new lead goes to the default now.
        m_trailWindow = w;
        m_expectedTrail = static_cast<int>(code & 0xFF);
        RepostChar(w, code);
        CallDefaultProc(WM_CHAR, high, lParam);
    } else {
        CallDefaultProc(WM_CHAR, code, lParam);
    }
}

void SuiteControlBase::RepostChar(HWND window, unsigned code)
{
    if (!PostMessageA(window, kRepostCharMarker, 0, 0))
        return; // no window: nothing to put in front of
    PostMessageA(window, WM_CHAR, code & 0xFF, 1);
    // Everything before the marker moves behind the new character. Each
    // taken message goes to the back, behind the marker, so the marker is
    // reached after at most the messages waiting now; an empty queue also
    // ends the loop.
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
        if (m.hwnd == window && m.message == kRepostCharMarker)
            break;
        PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
    }
}

// ---- mouse

void SuiteControlBase::fireMouseEvent(const EventDescriptor &event, int16_t button, POINT point)
{
    FireEvent(event, {button, GetKeyShiftState(), static_cast<int32_t>(point.x), static_cast<int32_t>(point.y)});
}

void SuiteControlBase::FireMouseDown(int16_t button, POINT point)
{
    const HWND w = Window;
    if (!(ButtonState & kButtonBits) && GetCapture() != w)
        SetCapture(w);
    ButtonState |= static_cast<uint32_t>(button);
    if (eventEnabled(kEventMouseDown))
        fireMouseEvent(kMouseDownEvent, button, point);
    if (stillWindow(w)) {
        DownPoint = point;
        ButtonState &= ~dblClickMark(button);
    }
}

void SuiteControlBase::FireMouseUp(int16_t button, POINT point)
{
    const HWND w = Window;
    ButtonState &= ~static_cast<uint32_t>(button);
    if (!(ButtonState & kButtonBits) && w && GetCapture() == w)
        ReleaseCapture();
    if (eventEnabled(kEventMouseUp))
        fireMouseEvent(kMouseUpEvent, button, point);
    if (stillWindow(w) && eventEnabled(kEventClick) && button == kLeftButton
        && !(ButtonState & dblClickMark(button))
        && (IsClickPoint(point) || IsClickDownPoint(DownPoint)) && eventEnabled(kEventClick) && stillWindow(w))
        FireEvent(kClickEvent, {});
    if (stillWindow(w))
        ButtonState &= ~dblClickMark(button);
}

void SuiteControlBase::FireDblClick(int16_t button, POINT point)
{
    const HWND w = Window;
    if (GetCapture() != w)
        SetCapture(w);
    ButtonState |= static_cast<uint32_t>(button);
    if (button != kLeftButton || !eventEnabled(kEventDblClick))
        return;
    if (IsDblClickPoint(point))
        FireEvent(kDblClickEvent, {});
    if (stillWindow(w))
        ButtonState |= dblClickMark(kLeftButton);
}

void SuiteControlBase::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_MOUSEMOVE, wParam, lParam);
    if (stillWindow(w) && eventEnabled(kEventMouseMove))
        fireMouseEvent(kMouseMoveEvent, static_cast<int16_t>(ButtonState & kButtonBits), pointOf(lParam));
}

void SuiteControlBase::OnLButtonDownNoDefault(WPARAM, LPARAM lParam)
{
    FireMouseDown(kLeftButton, pointOf(lParam));
}

void SuiteControlBase::OnLButtonDown(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_LBUTTONDOWN, wParam, lParam);
    if (stillWindow(w))
        FireMouseDown(kLeftButton, pointOf(lParam));
}

void SuiteControlBase::OnLButtonUp(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_LBUTTONUP, wParam, lParam);
    if (stillWindow(w))
        FireMouseUp(kLeftButton, pointOf(lParam));
}

void SuiteControlBase::OnLButtonDblClk(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    if (!w || GetFocus() != w)
        return;
    CallDefaultProc(WM_LBUTTONDBLCLK, wParam, lParam);
    if (stillWindow(w))
        FireDblClick(kLeftButton, pointOf(lParam));
}

void SuiteControlBase::OnMButtonDown(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    FireMouseDown(kMiddleButton, pointOf(lParam));
    if (stillWindow(w))
        CallDefaultProc(WM_MBUTTONDOWN, wParam, lParam);
}

void SuiteControlBase::OnMButtonUp(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_MBUTTONUP, wParam, lParam);
    if (stillWindow(w))
        FireMouseUp(kMiddleButton, pointOf(lParam));
}

void SuiteControlBase::OnMButtonDblClk(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    FireDblClick(kMiddleButton, pointOf(lParam));
    if (stillWindow(w))
        CallDefaultProc(WM_MBUTTONDBLCLK, wParam, lParam);
}

void SuiteControlBase::OnRButtonDown(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    ButtonState &= ~static_cast<uint32_t>(kRightButton);
    if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000))
        ButtonState &= ~static_cast<uint32_t>(kLeftButton);
    FireMouseDown(kRightButton, pointOf(lParam));
    if (stillWindow(w))
        CallDefaultProc(WM_RBUTTONDOWN, wParam, lParam);
}

void SuiteControlBase::OnRButtonUp(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    CallDefaultProc(WM_RBUTTONUP, wParam, lParam);
    if (stillWindow(w))
        FireMouseUp(kRightButton, pointOf(lParam));
}

void SuiteControlBase::OnRButtonDblClk(WPARAM wParam, LPARAM lParam)
{
    const HWND w = Window;
    FireDblClick(kRightButton, pointOf(lParam));
    if (stillWindow(w) && GetFocus() == w)
        CallDefaultProc(WM_RBUTTONDBLCLK, wParam, lParam);
}

void SuiteControlBase::OnCancelMode()
{
    const HWND w = Window;
    CallDefaultProc(WM_CANCELMODE, 0, 0);
    if (!stillWindow(w) || !(ButtonState & kButtonAndMarkBits))
        return;
    if (GetCapture() == w)
        ReleaseCapture();
    ButtonState &= ~kButtonAndMarkBits;
}

} // namespace controls
