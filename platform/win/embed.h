#pragma once
// Windows that live inside a plain Qt widget: a window made without a parent
// window (a top-level one) whose backing widget is put into a QWidget of a
// form, so that Qt lays the form out and the window layer runs inside it.
#include "platform/win/wintypes.h"

class QWidget;

namespace platform::win {

// Puts the backing widget of a top-level window (no WS_CHILD, no parent
// window) into host. The window's position then counts from host's top-left
// corner; its screen position (GetWindowRect, ClientToScreen) follows host's.
// FALSE for a child window, an unknown handle or a null host.
BOOL EmbedWindowInWidget(HWND hwnd, QWidget *host);

} // namespace platform::win
