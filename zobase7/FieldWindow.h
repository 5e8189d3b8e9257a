#pragma once
// The plain field window both classes start from: it paints its background
// and its text in one line, keeps the font it is given (WM_SETFONT) and
// tells dialogs that it takes characters and arrow keys.
#include "platform/win/wintypes.h"

namespace zobase7 {

// Window extra bytes of both classes: the font at offset 0, then room for
// per-window state.
constexpr int kFieldFontOffset = 0;
constexpr int kFieldWindowExtraBytes = 2 * static_cast<int>(sizeof(platform::win::LONG_PTR));

platform::win::LRESULT ComboFieldProc(platform::win::HWND hwnd, platform::win::UINT msg, platform::win::WPARAM wParam,
                                      platform::win::LPARAM lParam);
platform::win::LRESULT NumberFieldProc(platform::win::HWND hwnd, platform::win::UINT msg, platform::win::WPARAM wParam,
                                       platform::win::LPARAM lParam);

} // namespace zobase7
