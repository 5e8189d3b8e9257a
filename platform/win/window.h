#pragma once
// Windows, window classes and messages on Qt. Every window is backed by a
// QWidget; its handle is a 32-bit id in the window table. Sent messages call
// the window procedure at once (re-entrantly); posted messages and translated
// input wait in one FIFO queue that the Qt event loop pumps. Everything runs
// on the GUI thread.
#include "platform/win/wintypes.h"

class QWidget;
class QImage;

namespace platform::win {

// Window classes. Names compare case-insensitively (ASCII).
ATOM RegisterClassA(const WNDCLASSA *wc);
BOOL UnregisterClassA(const char *className, HINSTANCE instance);
BOOL GetClassInfoA(HINSTANCE instance, const char *className, WNDCLASSA *wc);
LONG_PTR GetClassLongPtrA(HWND hwnd, int index);
LONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value);
int GetClassNameA(HWND hwnd, char *buffer, int size);

// Creation and destruction. Creation sends WM_NCCREATE, WM_CREATE, WM_SIZE,
// WM_MOVE (and WM_SHOWWINDOW for WS_VISIBLE). Destruction sends WM_DESTROY
// to the window and then its descendants, and WM_NCDESTROY to the
// descendants first and the window last; the handle is invalid afterwards.
HWND CreateWindowExA(DWORD exStyle, const char *className, const char *windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void *param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND GetParent(HWND hwnd);
HWND SetParent(HWND child, HWND newParent);
BOOL IsChild(HWND parent, HWND hwnd);
HWND GetWindow(HWND hwnd, UINT cmd);
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_CHILD = 5;
int GetDlgCtrlID(HWND hwnd);
HWND GetDlgItem(HWND parent, int id);

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
inline LONG GetWindowLongA(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrA(hwnd, index)); }
inline LONG SetWindowLongA(HWND hwnd, int index, LONG value) { return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value)); }

BOOL SetWindowTextA(HWND hwnd, const char *text);
int GetWindowTextA(HWND hwnd, char *buffer, int size);
int GetWindowTextLengthA(HWND hwnd);

// Messages.
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Looks at the posted-message queue: hwnd 0 matches every message, -1
// (as HWND) only messages posted without a window; min = max = 0 takes any
// message number. WM_PAINT is not queued: painting follows Qt's paint cycle.
BOOL PeekMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
LRESULT DispatchMessageA(const MSG *msg);
BOOL TranslateMessage(const MSG *msg);
DWORD GetTickCount();
DWORD GetMessageTime();

// State.
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL IsWindowVisible(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL GetClientRect(HWND hwnd, RECT *rect);
// Screen coordinates.
BOOL GetWindowRect(HWND hwnd, RECT *rect);
BOOL ClientToScreen(HWND hwnd, POINT *point);
BOOL ScreenToClient(HWND hwnd, POINT *point);

HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Key state as the program's windows saw it: bit 15 down, bit 0 toggled.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);
BOOL IsDBCSLeadByte(BYTE b);

// Painting. The window draws into its client surface (a QImage of its client
// size); Qt shows the surface. WM_PAINT is sent from Qt's paint cycle or by
// UpdateWindow while part of the client area is invalid.
BOOL InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT *rect);
BOOL GetUpdateRect(HWND hwnd, RECT *rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT *ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT *ps);

// Bridges to Qt (for the hosting side and tests).
QWidget *WidgetOfWindow(HWND hwnd);
HWND WindowOfWidget(const QWidget *widget);
// The client surface the window paints into (null image for no window).
QImage WindowSurface(HWND hwnd);
// Delivers every posted message now waiting (tests and modal loops).
void PumpPostedMessages();
// A filter that sees each queued message before it is dispatched (the
// dialog manager's keyboard navigation); TRUE means it took the message.
using PreDispatchFilter = BOOL (*)(MSG *msg);
void SetPreDispatchFilter(PreDispatchFilter filter);
// Number of windows alive (tests check that nothing leaks).
int WindowCount();

} // namespace platform::win
