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
#include "platform/win/controls.h"
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

using win::BS_OWNERDRAW;
using win::DRAWITEMSTRUCT;
using win::NMHDR;
using win::NMUPDOWN;
using win::ODA_DRAWENTIRE;
using win::ODS_DISABLED;
using win::ODS_FOCUS;
using win::ODS_SELECTED;
using win::ODT_BUTTON;
using win::ODT_STATIC;
using win::UDN_DELTAPOS;
using win::WM_DRAWITEM;
using win::WM_NOTIFY;

// Registers the three classes (once).
void RegisterComboPageClasses();

// The edit window inside an editable combo (0 for another window).
win::HWND EditComboEditWindow(win::HWND combo);
// The drop-down list part of an editable combo.
win::HWND EditComboListWindow(win::HWND combo);

} // namespace pickwell
