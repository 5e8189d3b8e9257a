#pragma once
// The plain field window both classes start from: it paints its background
// and its text and tells dialogs that it takes characters and arrow keys.
#include "platform/win/wintypes.h"

namespace zobase7 {

// Window extra bytes of both classes (room for per-window state).
constexpr int kFieldWindowExtraBytes = 2 * static_cast<int>(sizeof(platform::win::LONG_PTR));

// Answer to WM_GETDLGCODE: arrow keys and characters.
constexpr platform::win::UINT kGetDlgCodeMessage = 0x0087;
constexpr platform::win::LRESULT kFieldDialogCode = 0x0001 | 0x0080;

platform::win::LRESULT ComboFieldProc(platform::win::HWND hwnd, platform::win::UINT msg, platform::win::WPARAM wParam,
                                      platform::win::LPARAM lParam);
platform::win::LRESULT NumberFieldProc(platform::win::HWND hwnd, platform::win::UINT msg, platform::win::WPARAM wParam,
                                       platform::win::LPARAM lParam);

} // namespace zobase7
