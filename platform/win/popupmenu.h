#pragma once
// Pop-up menus (context menus) for windows.
//
// A menu holds items with a command id and a CP932 text ("&" marks the
// access key), grayed items and separators. TrackPopupMenu shows it at a
// screen point for a window and returns at once; the chosen item's id
// reaches that window later as a posted WM_COMMAND (wParam = id, lParam 0).
// Closing the menu without a choice sends nothing. One menu is open at a
// time; a window's destruction closes its menu.
#include "platform/win/wintypes.h"

namespace platform::win {

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;

HMENU CreatePopupMenu();
// Adds an item at the end; FALSE for an unknown menu.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char *text);
// The menu's items are copied when it is shown, so it may go at once.
BOOL DestroyMenu(HMENU menu);
// Shows the menu at (x, y) on the screen for hwnd; FALSE when the menu or
// the window is unknown or the menu has no items.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND hwnd, const RECT *ignored);
// Closes the open pop-up menu (no command follows).
BOOL EndMenu();

} // namespace platform::win
