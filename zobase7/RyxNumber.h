#pragma once
// The "RyxNumberLgtX" numeric field: a one-line field that takes digits and
// a leading minus sign, keeps a minimum and a maximum, and answers the
// private messages of RyxNumberProtocol.h. It holds whatever number was
// typed or set, in range or not: the caller checks the range (the property
// pages compare the value with the limits before they put it).
//
// It tells its parent of changes as an edit field does: WM_COMMAND with
// MAKEWPARAM(id, EN_CHANGE) (and EN_SETFOCUS, EN_KILLFOCUS) and its handle.
#include "platform/win/wintypes.h"

namespace zobase7 {

platform::win::LRESULT RyxNumberWindowProc(platform::win::HWND hwnd, platform::win::UINT msg,
                                           platform::win::WPARAM wParam, platform::win::LPARAM lParam);

} // namespace zobase7
