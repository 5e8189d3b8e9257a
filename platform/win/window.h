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

// Redraws: RDW_INVALIDATE/RDW_VALIDATE the rectangle or region (client
// coordinates; null = all), RDW_ERASE, RDW_FRAME repaints the non-client
// area, RDW_ALLCHILDREN passes the area on to the children, RDW_UPDATENOW
// paints at once.
BOOL RedrawWindow(HWND hwnd, const RECT *rect, HRGN region, UINT flags);
// Moves the client pixels; the uncovered part is returned in update /
// updateRect and, with SW_INVALIDATE, added to the update region (SW_ERASE
// asks for WM_ERASEBKGND). SW_SCROLLCHILDREN moves the children as well.
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN update, RECT *updateRect,
                   UINT flags);
BOOL ScrollDC(HDC hdc, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN update, RECT *updateRect);

// Non-client area. The default procedure answers WM_NCCALCSIZE with the
// frame of the styles (WS_BORDER 1, WS_DLGFRAME 3, WS_THICKFRAME 4, plus
// WS_EX_STATICEDGE 1 and WS_EX_CLIENTEDGE 2; WS_CAPTION adds an 18-pixel
// caption band on top), WM_NCHITTEST with HTCLIENT, HTCAPTION, HTBORDER or
// HTNOWHERE (HTCLOSE on a caption's close box with WS_SYSMENU, HTLEFT...
// on a sizing frame), and WM_NCPAINT by drawing that frame. Top-level
// windows with WS_POPUP or WS_CAPTION are frameless Qt windows that draw
// their own frame and caption; a click on their caption or sizing frame
// starts Qt's system move or resize, and on the close box sends
// WM_SYSCOMMAND SC_CLOSE (the default procedure sends WM_CLOSE). An
// overlapped top-level window without caption bits keeps Qt's decoration.
// SetWindowPos with SWP_FRAMECHANGED asks again after a style change.
HDC GetWindowDC(HWND hwnd);
BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle);
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
int GetSystemMetrics(int index);

// Cursors: the system cursors of LoadCursorA(0, IDC_...) map to Qt's cursor
// shapes. SetCursor sets the cursor of the window the mouse was last over.
// Mouse moves (and button presses) send WM_SETCURSOR (wParam the window,
// lParam MAKELPARAM(hit-test code, mouse message)); the default procedure
// asks a child's parent first, then uses the class cursor in the client
// area and the arrow elsewhere.
inline const char *MAKEINTRESOURCEA(int id) { return reinterpret_cast<const char *>(static_cast<std::uintptr_t>(id & 0xFFFF)); }
inline const char *const IDC_ARROW = MAKEINTRESOURCEA(32512);
inline const char *const IDC_IBEAM = MAKEINTRESOURCEA(32513);
inline const char *const IDC_WAIT = MAKEINTRESOURCEA(32514);
inline const char *const IDC_CROSS = MAKEINTRESOURCEA(32515);
inline const char *const IDC_UPARROW = MAKEINTRESOURCEA(32516);
inline const char *const IDC_SIZE = MAKEINTRESOURCEA(32640);
inline const char *const IDC_ICON = MAKEINTRESOURCEA(32641);
inline const char *const IDC_SIZENWSE = MAKEINTRESOURCEA(32642);
inline const char *const IDC_SIZENESW = MAKEINTRESOURCEA(32643);
inline const char *const IDC_SIZEWE = MAKEINTRESOURCEA(32644);
inline const char *const IDC_SIZENS = MAKEINTRESOURCEA(32645);
inline const char *const IDC_SIZEALL = MAKEINTRESOURCEA(32646);
inline const char *const IDC_NO = MAKEINTRESOURCEA(32648);
inline const char *const IDC_HAND = MAKEINTRESOURCEA(32649);
inline const char *const IDC_APPSTARTING = MAKEINTRESOURCEA(32650);
inline const char *const IDC_HELP = MAKEINTRESOURCEA(32651);
// Only the system cursors (instance 0, an IDC_ value) exist; 0 otherwise.
HCURSOR LoadCursorA(HINSTANCE instance, const char *name);
// Returns the previous cursor; 0 hides the cursor.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// System cursors are shared and stay; TRUE for them, FALSE for unknown handles.
BOOL DestroyCursor(HCURSOR cursor);
BOOL GetCursorPos(POINT *point);
BOOL SetCursorPos(int x, int y);
// The deepest visible window at the screen point, 0 over no window.
HWND WindowFromPoint(POINT point);
// The Qt shape of a cursor handle (for the hosting side and tests).
int CursorShapeOf(HCURSOR cursor);

// The caret: one per thread, owned by a window. It starts hidden; ShowCaret
// and HideCaret count (shown when every HideCaret is matched). It blinks by
// inverting its rectangle on the image Qt shows for the window, not on the
// client surface the window paints. Destroying the owner destroys it; losing
// the focus does not (the window destroys it in WM_KILLFOCUS).
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT *point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT milliseconds);

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
