// Cursors: the system cursors as handles mapped to Qt's cursor shapes,
// SetCursor on the window the mouse is over, WM_SETCURSOR's default
// handling, the cursor position and WindowFromPoint.
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"
#include "platform/win/winstate.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>

namespace platform::win {
using namespace detail;

namespace {

struct SystemCursor {
    int id;
    Qt::CursorShape shape;
};

constexpr SystemCursor kCursors[] = {
    {32512, Qt::ArrowCursor},     {32513, Qt::IBeamCursor},   {32514, Qt::WaitCursor},
    {32515, Qt::CrossCursor},     {32516, Qt::UpArrowCursor}, {32640, Qt::SizeAllCursor},
    {32641, Qt::ArrowCursor},     {32642, Qt::SizeFDiagCursor},
    {32643, Qt::SizeBDiagCursor}, {32644, Qt::SizeHorCursor}, {32645, Qt::SizeVerCursor},
    {32646, Qt::SizeAllCursor},   {32648, Qt::ForbiddenCursor}, {32649, Qt::PointingHandCursor},
    {32650, Qt::BusyCursor},      {32651, Qt::WhatsThisCursor},
};

// System cursor handles: a fixed base plus the row in the table.
constexpr HCURSOR kCursorBase = 0x50000;
constexpr HCURSOR kCursorEnd = kCursorBase + 2 * (sizeof kCursors / sizeof kCursors[0]);

bool isSystemCursor(HCURSOR h) { return h >= kCursorBase && h < kCursorEnd && (h - kCursorBase) % 2 == 0; }

struct CursorState {
    HCURSOR current = kCursorBase; // the arrow
    HWND mouseWindow = 0;
};

CursorState &cursorState()
{
    static CursorState s;
    return s;
}

void applyCursor(HWND hwnd, HCURSOR h)
{
    QWidget *w = WidgetOfWindow(hwnd);
    if (!w)
        return;
    w->setCursor(QCursor(static_cast<Qt::CursorShape>(CursorShapeOf(h))));
}

} // namespace

namespace detail {

void noteMouseWindow(HWND hwnd)
{
    // The cursor is one for the screen: a window the mouse enters shows it
    // until someone sets another.
    CursorState &s = cursorState();
    if (s.mouseWindow != hwnd)
        applyCursor(hwnd, s.current);
    s.mouseWindow = hwnd;
}

LRESULT defSetCursor(WindowData &w, WPARAM wParam, LPARAM lParam)
{
    // A child asks its parent first; a parent that sets the cursor ends it.
    if ((w.style & WS_CHILD) && w.parent && SendMessageA(w.parent, WM_SETCURSOR, wParam, lParam))
        return TRUE;
    const LRESULT hit = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam)));
    if (hit == HTCLIENT) {
        auto self = find(w.handle);
        if (!self || !self->cls->cursor)
            return FALSE;
        SetCursor(self->cls->cursor);
        return TRUE;
    }
    if (hit == HTERROR || hit == HTNOWHERE)
        return FALSE;
    SetCursor(LoadCursorA(0, IDC_ARROW));
    return TRUE;
}

} // namespace detail

HCURSOR LoadCursorA(HINSTANCE instance, const char *name)
{
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    if (instance || id > 0xFFFF)
        return 0;
    for (size_t i = 0; i < sizeof kCursors / sizeof kCursors[0]; ++i)
        if (kCursors[i].id == static_cast<int>(id))
            return kCursorBase + static_cast<HCURSOR>(2 * i);
    return 0;
}

int CursorShapeOf(HCURSOR h)
{
    if (!h)
        return Qt::BlankCursor;
    if (!isSystemCursor(h))
        return Qt::ArrowCursor;
    return kCursors[(h - kCursorBase) / 2].shape;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    CursorState &s = cursorState();
    if (cursor && !isSystemCursor(cursor))
        return s.current; // not a cursor: nothing changes
    const HCURSOR old = s.current;
    s.current = cursor;
    if (IsWindow(s.mouseWindow))
        applyCursor(s.mouseWindow, cursor);
    return old;
}

HCURSOR GetCursor() { return cursorState().current; }

BOOL DestroyCursor(HCURSOR cursor) { return isSystemCursor(cursor) ? TRUE : FALSE; }

BOOL GetCursorPos(POINT *point)
{
    if (!point)
        return FALSE;
    const QPoint p = QCursor::pos();
    *point = POINT{p.x(), p.y()};
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    QCursor::setPos(x, y);
    return TRUE;
}

HWND WindowFromPoint(POINT point)
{
    QWidget *w = QApplication::widgetAt(QPoint(point.x, point.y));
    for (; w; w = w->parentWidget())
        if (const HWND h = WindowOfWidget(w); h && IsWindowVisible(h))
            return h;
    return 0;
}

} // namespace platform::win
