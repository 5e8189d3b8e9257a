#pragma once
// OLE colours and the system colour table.
#include "platform/com/automation.h"

namespace platform::com {

using COLORREF = uint32_t; // 0x00BBGGRR

// The system colour indexes 0 (COLOR_SCROLLBAR) to 24 (COLOR_INFOBK).
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int kSystemColourCount = 25;

// The colour of a system index; 0 for an index outside the table.
COLORREF GetSysColor(int index);
// Tests and hosts may set the table (a colour scheme).
void setSysColor(int index, COLORREF colour);

// 0x00BBGGRR as it is; 0x800000nn the system colour nn (nn <= 0x18);
// 0x01 palette indexes and 0x02 palette-relative values give their RGB part.
// E_INVALIDARG for anything else.
HRESULT OleTranslateColor(OLE_COLOR colour, void *palette, COLORREF *out);

} // namespace platform::com
