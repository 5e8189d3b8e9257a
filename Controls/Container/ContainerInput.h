#pragma once
// The pointer pieces the container needs and the window layer does not
// offer: the cursor position in screen coordinates, the window under a
// screen point, and the cursor shown over a window.
#include "platform/win/wintypes.h"

#include <QImage>

namespace lumafold::input {

namespace win = platform::win;

void cursorPosition(win::POINT *point);
// The deepest window whose backing widget lies under the screen point; 0 for none.
win::HWND windowFromPoint(win::POINT point);
// The system cursor of a MousePointer value 1..15; false for any other value.
bool setSystemCursor(win::HWND hwnd, int pointer);
// A cursor made from an icon image; an empty image shows the arrow.
bool setIconCursor(win::HWND hwnd, const QImage &icon);

} // namespace lumafold::input
