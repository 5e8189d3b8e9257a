#pragma once
// Drop-down windows: a WS_POPUP window shown next to a control, as a combo
// box shows its list.
//
// The drop-down belongs to the top-level window that holds its anchor (that
// window is its owner for the window system), so a modal dialog holding the
// anchor does not block it and the window manager keeps it above the dialog.
// It never takes the activation or the focus: the anchor keeps the keys.
//
// While it is shown, a mouse press outside the drop-down and outside the
// anchor window, and the anchor's top-level window moving, resizing, hiding
// or losing the activation, send WM_CANCELMODE to the drop-down. A press that
// dismisses the drop-down goes no further, as when the list holds the mouse
// capture.
#include "platform/win/wintypes.h"

namespace platform::win {

// Shows popup (a top-level WS_POPUP window) as the drop-down of anchor and
// starts watching for its dismissal. FALSE when either is not a window.
BOOL ShowDropDown(HWND popup, HWND anchor);
// Hides the drop-down and stops watching (destroying it does the same).
BOOL HideDropDown(HWND popup);
// TRUE while popup is shown as a drop-down.
BOOL IsDropDownShown(HWND popup);

} // namespace platform::win
