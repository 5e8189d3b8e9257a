#pragma once
// Window-layer pieces the combo needs that the shared window layer does not
// offer (yet): standard message numbers, hit-test codes, the border metric,
// the key scan of a character.
#include "platform/win/accel.h"
#include "platform/win/ole/oleidl.h"

#include <optional>
#include <vector>

namespace pickwell {

namespace win = platform::win;

constexpr win::UINT WM_SETFONT = 0x0030;
constexpr win::UINT WM_NCCALCSIZE = 0x0083;
constexpr win::UINT WM_NCHITTEST = 0x0084;
constexpr win::UINT WM_NCPAINT = 0x0085;
constexpr win::UINT WM_COMMAND = 0x0111;
constexpr win::UINT WM_COPY = 0x0301;
constexpr win::UINT EM_SCROLLCARET = 0x00B7;
constexpr win::UINT EM_SETREADONLY = 0x00CF;
constexpr win::UINT EM_POSFROMCHAR = 0x00D6;
constexpr win::UINT EM_CHARFROMPOS = 0x00D7;
constexpr win::LRESULT HTCLIENT = 1;
constexpr win::LRESULT HTBORDER = 18;

// GetSystemMetrics(SM_CYBORDER): one pixel.
constexpr int kBorderHeight = 1;

// VkKeyScanA of an ASCII character on the Japanese keyboard layout: the key
// code in the low byte, 0x100 when Shift is needed; -1 for a character no
// key types.
int16_t VkKeyScanA(char character);

// Accelerator tables are the window layer's: the host reads the table the
// control hands out.
using win::ACCEL;
using win::CreateAcceleratorTableA;
using win::DestroyAcceleratorTable;
using win::FALT;
using win::FCONTROL;
using win::FSHIFT;
using win::FVIRTKEY;
// The entries of a table; none for an unknown table.
std::optional<std::vector<ACCEL>> AcceleratorEntries(win::HACCEL table);

} // namespace pickwell
