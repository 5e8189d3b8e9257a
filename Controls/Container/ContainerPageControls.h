#pragma once
// Two small window classes the container's property pages place in their
// dialogs beside the window layer's built-in controls:
// - "LumafoldOwnerDraw": an owner-drawn box. It asks its parent to draw it
//   with WM_DRAWITEM. With WS_TABSTOP it is an owner-drawn push button: a
//   left click released inside it, or Space, sends WM_COMMAND BN_CLICKED;
//   while pressed it is drawn with ODS_SELECTED, while focused ODS_FOCUS.
// - "LumafoldSpin": an up-down pair of arrows. A click on an arrow sends
//   WM_NOTIFY UDN_DELTAPOS to the parent with the step. The spin keeps the
//   default range of an up-down control, which runs from 100 down to 0, so
//   the upper arrow steps by -1 and the lower by +1.
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"

namespace lumafold {

namespace win = platform::win;

constexpr win::UINT WM_DRAWITEM = 0x002B;
constexpr win::UINT WM_NOTIFY = 0x004E;

constexpr win::UINT ODT_BUTTON = 4;
constexpr win::UINT ODT_STATIC = 5;
constexpr win::UINT ODA_DRAWENTIRE = 1;
constexpr win::UINT ODS_SELECTED = 0x0001;
constexpr win::UINT ODS_DISABLED = 0x0004;
constexpr win::UINT ODS_FOCUS = 0x0010;

struct DRAWITEMSTRUCT {
    win::UINT CtlType = 0;
    win::UINT CtlID = 0;
    win::UINT itemID = 0;
    win::UINT itemAction = 0;
    win::UINT itemState = 0;
    win::HWND hwndItem = 0;
    win::HDC hDC = 0;
    win::RECT rcItem{};
    std::uintptr_t itemData = 0;
};

struct NMHDR {
    win::HWND hwndFrom = 0;
    win::UINT_PTR idFrom = 0;
    win::UINT code = 0;
};

constexpr win::UINT UDN_DELTAPOS = static_cast<win::UINT>(-722);

struct NMUPDOWN {
    NMHDR hdr;
    int iPos = 0;
    int iDelta = 0;
};

constexpr const char *kOwnerDrawClass = "LumafoldOwnerDraw";
constexpr const char *kSpinClass = "LumafoldSpin";

// Registers both classes once (later calls do nothing).
void RegisterPageControlClasses();

} // namespace lumafold
