#pragma once
// Accelerator tables: a control hands its mnemonics to its host as a table
// (IOleControl::GetControlInfo); the host reads the entries to match keys.
// Tables live in this library, so a table made by a control library is
// readable by the program that hosts it.
#include "platform/win/wintypes.h"

#include <cstdint>

namespace platform::win {

using HACCEL = std::uint32_t;

constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
    BYTE fVirt = 0;
    WORD key = 0;
    WORD cmd = 0;
};

// A new table holding a copy of count entries; 0 when there are none.
HACCEL CreateAcceleratorTableA(const ACCEL *entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// Copies up to count entries into entries and answers how many it copied;
// with entries null, answers the table's size. 0 for an unknown table.
int CopyAcceleratorTableA(HACCEL table, ACCEL *entries, int count);
// Whether a key-down of virtual key vk with the shift mask (1 Shift, 2 Ctrl,
// 4 Alt) matches an entry of the table (virtual-key entries only); the
// entry's command goes to *cmd.
bool MatchAccelerator(HACCEL table, int vk, int shift, WORD *cmd = nullptr);

} // namespace platform::win
