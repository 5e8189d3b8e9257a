#pragma once
// The base of both windowed controls: turns the keyboard and mouse messages
// of the control's window into the stock events (Click, DblClick, KeyDown,
// KeyPress, KeyUp, MouseDown, MouseMove, MouseUp), keeps the mouse capture
// consistent across buttons, joins a double-byte character that arrives as
// two WM_CHARs into one KeyPress, and raises any event of the control's
// outgoing dispatch interface from a small descriptor (FireEvent).
//
// The derived control gives the sinks to call (SetEventSinks, usually its
// event connection point) and the window procedure to fall back on
// (SubclassWindow or SetPreviousWindowProc). Its message map calls
// DispatchBaseWindowMessage. Every raising step may destroy the window: the
// handlers check the window before they touch state again.
#include "platform/com/automation.h"
#include "platform/win/window.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace controls {

namespace win = platform::win;
namespace com = platform::com;

// One event of the outgoing interface: dispid, argument count and the
// argument types in declaration order (at most 32 arguments).
struct EventDescriptor {
    int32_t dispid;
    int32_t argumentCount;
    const com::VARTYPE *argumentTypes;
};

constexpr int kMaxEventArguments = 32;

// The standard rows shared by both libraries.
extern const EventDescriptor kClickEvent;     // -600, no arguments
extern const EventDescriptor kDblClickEvent;  // -601, no arguments
extern const EventDescriptor kKeyDownEvent;   // -602, KeyCode VT_BYREF|VT_I2, Shift VT_I2
extern const EventDescriptor kKeyPressEvent;  // -603, KeyAscii VT_BYREF|VT_I2
extern const EventDescriptor kKeyUpEvent;     // -604, as KeyDown
extern const EventDescriptor kMouseDownEvent; // -605, Button VT_I2, Shift VT_I2, X VT_I4, Y VT_I4
extern const EventDescriptor kMouseMoveEvent; // -606, as MouseDown
extern const EventDescriptor kMouseUpEvent;   // -607, as MouseDown
extern const EventDescriptor kMouseEnterEvent; // 0x33, no arguments
extern const EventDescriptor kMouseExitEvent;  // 0x34, no arguments
extern const EventDescriptor kSpinUpEvent;     // 0x35, no arguments
extern const EventDescriptor kSpinDownEvent;   // 0x36, no arguments

constexpr int32_t DISPID_CLICK = -600;
constexpr int32_t DISPID_DBLCLICK = -601;
constexpr int32_t DISPID_KEYDOWN = -602;
constexpr int32_t DISPID_KEYPRESS = -603;
constexpr int32_t DISPID_KEYUP = -604;
constexpr int32_t DISPID_MOUSEDOWN = -605;
constexpr int32_t DISPID_MOUSEMOVE = -606;
constexpr int32_t DISPID_MOUSEUP = -607;

constexpr com::LCID LOCALE_USER_DEFAULT = 0x400;

// EventMask bits.
constexpr uint8_t kEventClick = 0x01;
constexpr uint8_t kEventDblClick = 0x02;
constexpr uint8_t kEventKeyDown = 0x04;
constexpr uint8_t kEventKeyPress = 0x08;
constexpr uint8_t kEventKeyUp = 0x10;
constexpr uint8_t kEventMouseDown = 0x20;
constexpr uint8_t kEventMouseMove = 0x40;
constexpr uint8_t kEventMouseUp = 0x80;

// Mouse buttons (Button argument and ButtonState bits 0-2).
constexpr int16_t kLeftButton = 1;
constexpr int16_t kRightButton = 2;
constexpr int16_t kMiddleButton = 4;

// Shift mask of key and mouse events.
constexpr int16_t kShiftMask = 1;
constexpr int16_t kCtrlMask = 2;
constexpr int16_t kAltMask = 4;

// Marker that RepostChar posts to find the end of the re-queued messages.
constexpr win::UINT kRepostCharMarker = 0x379;

// IViewObjectEx::GetViewStatus of both controls: opaque, solid background.
constexpr uint32_t VIEWSTATUS_OPAQUE = 1;
constexpr uint32_t VIEWSTATUS_SOLIDBKGND = 2;
constexpr uint32_t kControlViewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;

// One argument of FireEvent, typed. The descriptor's VARTYPE decides which
// form it must have: VT_VARIANT a whole VARIANT, any VT_BYREF type a
// pointer, VT_I2/VT_BOOL a 16-bit value, VT_I4/VT_ERROR a 32-bit value,
// VT_R4 a float, VT_R8/VT_DATE a double, VT_CY a 64-bit value,
// VT_BSTR/VT_DISPATCH/VT_UNKNOWN a pointer. An argument of another form
// makes FireEvent raise nothing.
class EventArg {
public:
    enum class Kind { Short, Long, Float, Double, Int64, Pointer, Variant };

    EventArg(int16_t v) : m_kind(Kind::Short) { m_value.iVal = v; }
    EventArg(int32_t v) : m_kind(Kind::Long) { m_value.lVal = v; }
    EventArg(float v) : m_kind(Kind::Float) { m_value.fltVal = v; }
    EventArg(double v) : m_kind(Kind::Double) { m_value.dblVal = v; }
    EventArg(int64_t v) : m_kind(Kind::Int64) { m_value.llVal = v; }
    EventArg(const com::VARIANT &v) : m_kind(Kind::Variant), m_value(v) {}
    template <class T>
    EventArg(T *p) : m_kind(Kind::Pointer) { m_value.byref = const_cast<void *>(static_cast<const void *>(p)); }

    Kind kind() const { return m_kind; }
    const com::VARIANT &value() const { return m_value; }

private:
    Kind m_kind;
    com::VARIANT m_value;
};

// The connected sinks of the outgoing interface, in connection order.
using EventSinkSource = std::function<std::vector<com::ComPtr<com::IUnknown>>()>;

// Shift mask from the key state: 1 Shift, 2 Ctrl, 4 Alt.
int16_t GetShiftState();
// The event's Button from a message's MK_ flags: 1 left, 2 right, 4 middle.
int16_t ButtonsOfKeyFlags(win::DWORD keyFlags);

class SuiteControlBase {
public:
    virtual ~SuiteControlBase();

    // Routes the input messages of the control's window to the handlers
    // below; returns 1 when the message was one of them, 0 otherwise.
    int DispatchBaseWindowMessage(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

    // ---- virtual operations, in slot order
    virtual void PreTranslateKeyDown(int16_t &keyCode, int16_t shift);
    virtual void PreTranslateKeyUp(int16_t &keyCode, int16_t shift);
    virtual void PreTranslateChar(int16_t &character, int16_t shift);
    virtual bool IsClickPoint(win::POINT releasePoint);
    virtual bool IsClickDownPoint(win::POINT downPoint);
    virtual bool IsDblClickPoint(win::POINT point);
    // Calls IDispatch::Invoke on each connected sink, in connection order,
    // with the arguments in declaration order (passed reversed, as
    // DISPPARAMS wants). By-reference arguments let a sink change the
    // caller's value. Results and failures of sinks are ignored.
    virtual void FireEvent(const EventDescriptor &event, std::initializer_list<EventArg> args);
    virtual void OnSysKeyDown(win::UINT keyCode, win::UINT repeat, win::UINT flags);
    virtual void OnSysKeyUp(win::UINT keyCode, win::UINT repeat, win::UINT flags);
    virtual void OnKeyDown(win::UINT keyCode, win::UINT repeat, win::UINT flags);
    virtual void OnKeyUp(win::UINT keyCode, win::UINT repeat, win::UINT flags);
    virtual void OnChar(win::UINT character, win::UINT repeat, win::UINT flags);
    virtual void OnMouseMove(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnLButtonDownNoDefault(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnLButtonDown(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnLButtonUp(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnLButtonDblClk(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnMButtonDown(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnMButtonUp(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnMButtonDblClk(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnRButtonDown(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnRButtonUp(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnRButtonDblClk(win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnCancelMode();
    // Passes the message to the window's previous procedure when a window
    // exists; 0 otherwise.
    virtual win::LRESULT CallDefaultProc(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

    // ---- raising steps, for the handlers and the derived controls
    void FireKeyDown(int16_t &keyCode);
    void FireKeyUp(int16_t &keyCode);
    void FireMouseDown(int16_t button, win::POINT point);
    void FireMouseUp(int16_t button, win::POINT point);
    void FireDblClick(int16_t button, win::POINT point);
    int16_t GetKeyShiftState() const { return GetShiftState(); }

    // Re-queues a changed character: the low byte of code goes to the window
    // as a WM_CHAR ahead of every message queued before. Bounded: it cycles
    // only the messages waiting when it starts and stops at an empty queue.
    static void RepostChar(win::HWND window, unsigned code);

    // ---- wiring by the derived control
    // Where the connected sinks of the outgoing interface come from.
    void SetEventSinks(EventSinkSource source) { m_sinks = std::move(source); }
    void SetEventSinks(const com::ConnectionPoint *point);
    // Installs proc as the window's procedure (GWLP_WNDPROC) and keeps the
    // one it replaces as the default procedure.
    bool SubclassWindow(win::HWND window, win::WNDPROC proc);
    // Puts the previous procedure back, if the window still has proc.
    void UnsubclassWindow();
    // For a superclassed window: the base class's procedure.
    void SetPreviousWindowProc(win::WNDPROC proc) { m_previousProc = proc ? proc : win::DefWindowProcA; }
    win::WNDPROC PreviousWindowProc() const { return m_previousProc; }
    // Forgets the window (the derived control calls it at WM_NCDESTROY).
    void DetachWindow() { Window = 0; }

    uint8_t EventMask = 0;
    uint32_t ButtonState = 0;
    win::HWND Window = 0;
    win::POINT DownPoint;

protected:
    SuiteControlBase();
    // Clears ButtonState bits 0-5 and EventMask.
    void ResetMouseState();

    bool eventEnabled(uint8_t bit) const { return (EventMask & bit) != 0; }
    // The window is alive and still the control's window.
    bool stillWindow(win::HWND window) const { return window && win::IsWindow(window) && Window == window; }

private:
    void fireMouseEvent(const EventDescriptor &event, int16_t button, win::POINT point);
    static win::LPARAM keyLParam(win::UINT repeat, win::UINT flags)
    {
        return static_cast<win::LPARAM>((static_cast<win::DWORD>(flags & 0xFFFF) << 16) | (repeat & 0xFFFF));
    }

    EventSinkSource m_sinks;
    win::WNDPROC m_previousProc = win::DefWindowProcA;
    win::WNDPROC m_subclassProc = nullptr;
    win::HWND m_subclassedWindow = 0;
    // The trail byte of a double-byte KeyPress that goes to the default
    // procedure as it is (its WM_CHAR is still queued): it raises nothing.
    win::HWND m_trailWindow = 0;
    int m_expectedTrail = -1;
};

} // namespace controls
