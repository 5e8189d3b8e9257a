#pragma once
// Small window classes the combo's property pages use besides the window
// layer's built-in ones:
// - "PickwellEditCombo": an editable drop-down (an EDIT over a drop-down
//   list). It answers the CB_ messages the pages send and notifies its
//   parent with CBN_EDITCHANGE (typing) and CBN_SELCHANGE (a pick, which also
//   puts the item's text into the edit).
// - "PickwellOwnerButton": an owner-drawn push button; it asks its parent to
//   draw it with WM_DRAWITEM and reports clicks with BN_CLICKED.
// - "PickwellUpDown": a vertical pair of arrows that reports each click to
//   its parent as WM_NOTIFY UDN_DELTAPOS (up -1, down +1).
#include "platform/win/wintypes.h"

namespace pickwell {

namespace win = platform::win;

constexpr const char *kEditComboClass = "PickwellEditCombo";
constexpr const char *kOwnerButtonClass = "PickwellOwnerButton";
constexpr const char *kUpDownClass = "PickwellUpDown";

// The editable combo's messages beyond the list ones it passes on.
constexpr win::UINT CB_LIMITTEXT = 0x0141;
constexpr win::UINT CB_SETEDITSEL = 0x0142;
constexpr win::WORD CBN_EDITCHANGE = 5;
constexpr win::DWORD CBS_DROPDOWN = 0x0002;

// Owner drawing.
constexpr win::UINT WM_DRAWITEM = 0x002B;
constexpr win::UINT WM_NOTIFY = 0x004E;
constexpr win::UINT ODT_BUTTON = 4;
constexpr win::UINT ODA_DRAWENTIRE = 1;
constexpr win::UINT ODS_SELECTED = 0x0001;
constexpr win::UINT ODS_DISABLED = 0x0004;
constexpr win::UINT ODS_FOCUS = 0x0010;
constexpr win::DWORD BS_OWNERDRAW = 0x000B;

struct DRAWITEMSTRUCT {
    win::UINT CtlType = 0;
    win::UINT CtlID = 0;
    win::UINT itemID = 0;
    win::UINT itemAction = 0;
    win::UINT itemState = 0;
    win::HWND hwndItem = 0;
    win::HDC hDC = 0;
    win::RECT rcItem{};
    win::UINT_PTR itemData = 0;
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

// Registers the three classes (once).
void RegisterComboPageClasses();

// The edit window inside an editable combo (0 for another window).
win::HWND EditComboEditWindow(win::HWND combo);
// The drop-down list part of an editable combo.
win::HWND EditComboListWindow(win::HWND combo);

} // namespace pickwell
