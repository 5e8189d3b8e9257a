#pragma once
// Internal state of the window layer, shared by its source files.
#include "platform/win/wintypes.h"

#include <QImage>
#include <QPointer>
#include <QPointF>
#include <QRect>
#include <QRegion>

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::win::detail {

class WindowWidget;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = 0;
    HICON icon = 0;
    HCURSOR cursor = 0;
    HBRUSH background = 0;
    int wndExtra = 0;
    std::vector<unsigned char> clsExtra;
};

struct WindowData {
    HWND handle = 0;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    HWND parent = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    HINSTANCE instance = 0;
    std::vector<unsigned char> extra;
    std::string text;
    QRect rect; // relative to the parent's client area; screen for top-level windows
    QRect client; // the client area within the window (window coordinates)
    bool ncDirty = true; // the non-client area waits for WM_NCPAINT
    std::vector<HWND> children; // creation order
    QPointer<WindowWidget> widget;
    QImage surface; // the client area
    QImage frame;   // the whole window when it has a non-client area
    QRegion update;
    bool erasePending = false;
    bool destroying = false;
};

std::shared_ptr<WindowData> find(HWND hwnd);

// Input translated by the backing widgets enters the queue here and is
// delivered at once, after what was already waiting.
void postInput(const MSG &msg);
void deliverInput();

// Focus bookkeeping when Qt moves its focus on its own.
void qtFocusIn(HWND hwnd);
void qtFocusOut(HWND hwnd);
bool inSetFocus();

// WM_PARENTNOTIFY for a button press over a child window (screen point).
void parentNotifyMouse(HWND hwnd, UINT message, POINT screen);

// Called from the widget's paint event: sends WM_PAINT while invalid.
void paintFromQt(HWND hwnd);

// The screen point of the last mouse input a backing widget saw (where an
// in-process drag starts).
void noteMouseScreenPoint(const QPointF &global);
POINT lastMouseScreenPoint();

// Key state table (bit 15 down, bit 0 toggle).
void setKeyDown(int vk, bool down);

// Non-client area (nonclient.cpp).
// Asks the window for its client area (WM_NCCALCSIZE) and adopts it: the
// surfaces follow and children's widgets move with the client origin.
// Returns true when the client size changed.
bool calcClientArea(HWND hwnd, bool sizing);
// The widget geometry of a window: its rectangle in the parent widget.
QRect widgetGeometry(const WindowData &w);
QPoint windowOriginOnScreen(const WindowData &w);
LRESULT defNcCalcSize(WindowData &w, WPARAM wParam, LPARAM lParam);
LRESULT defNcHitTest(WindowData &w, LPARAM lParam);
void defNcPaint(WindowData &w);
// WM_NCLBUTTONDOWN on the caption or sizing frame of a top-level window
// starts Qt's system move or resize; WM_NCLBUTTONUP on the close box sends
// WM_SYSCOMMAND SC_CLOSE.
LRESULT defNcButton(WindowData &w, UINT msg, WPARAM hit);
// Sends WM_NCPAINT when the frame waits for it.
void paintFrame(HWND hwnd);
// Keeps w.surface at the client size and w.frame at the window size when
// there is a non-client area.
void resizeSurfaces(WindowData &w);

// Cursors and the caret (cursor.cpp, caret.cpp).
LRESULT defSetCursor(WindowData &w, WPARAM wParam, LPARAM lParam);
void noteMouseWindow(HWND hwnd);
// Inverts the caret on the image Qt shows for the window (window coordinates).
void drawCaret(HWND hwnd, QImage &shown);
void windowGone(HWND hwnd);

// Device contexts (gdi.cpp).
HDC createWindowDC(HWND hwnd, const QRegion &clip);
// A DC over the whole window area (non-client included).
HDC createFrameDC(HWND hwnd, const QRegion &clip);
void releaseDC(HDC hdc);
void fillRegion(HWND hwnd, const QRegion &region, HBRUSH brush);

} // namespace platform::win::detail
