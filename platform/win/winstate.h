#pragma once
// Internal state of the window layer, shared by its source files.
#include "platform/win/wintypes.h"

#include <QImage>
#include <QPointer>
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

// Called from the widget's paint event: sends WM_PAINT while invalid.
void paintFromQt(HWND hwnd);

// Key state table (bit 15 down, bit 0 toggle).
void setKeyDown(int vk, bool down);

// Device contexts (gdi.cpp).
HDC createWindowDC(HWND hwnd, const QRegion &clip);
// A DC over the whole window area (non-client included).
HDC createFrameDC(HWND hwnd, const QRegion &clip);
void releaseDC(HDC hdc);
void fillRegion(HWND hwnd, const QRegion &region, HBRUSH brush);

} // namespace platform::win::detail
