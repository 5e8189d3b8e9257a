#pragma once
// What the X server holds for a test's windows when the test runs on the
// xcb platform: window ids, the WM_TRANSIENT_FOR property the window
// manager reads, and a close request as the window manager sends it.
#include <QtGlobal>

class QWidget;

namespace talviktest {

// True when the program runs on an X server.
bool onX11();
// The X window of a shown top-level widget; 0 off X or without one.
quint32 x11Window(QWidget *window);
// The WM_TRANSIENT_FOR property of an X window as the server holds it; 0
// when the window has none.
quint32 x11TransientFor(quint32 window);
// Sends WM_DELETE_WINDOW to the window, as a window manager does when the
// user clicks the close box; false off X.
bool x11RequestClose(QWidget *window);
// Ends a move or resize the window manager began for the window (on a
// press on its caption or border), as the release of a person's button
// does: a press made by a test never reaches the window manager, which then
// keeps the pointer and the keyboard. False off X.
bool x11EndMoveResize(QWidget *window);
// Writes the frame extents of the window (_NET_FRAME_EXTENTS) as a window
// manager does when it tells a frame, or a changed one, after the window's
// last configure; false off X.
bool x11TellFrameExtents(QWidget *window, int left, int right, int top, int bottom);
// Makes a top-level window the active one as a person's click on it does and
// waits for it. On X the window manager is asked (again every half second,
// as it may refuse while another window is being mapped), and the wait ends
// once the server's input focus is on the window and Qt has taken that
// activation: an activation only Qt believes in is undone by focus events
// of the window manager still on their way. Off X, Qt activates it. False
// when the window is not active within timeoutMs.
bool activateWindowAsAPersonDoes(QWidget *window, int timeoutMs = 5000);

} // namespace talviktest
