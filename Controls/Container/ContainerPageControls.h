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
#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"

namespace lumafold {

namespace win = platform::win;

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

constexpr const char *kOwnerDrawClass = "LumafoldOwnerDraw";
constexpr const char *kSpinClass = "LumafoldSpin";

// Registers both classes once (later calls do nothing).
void RegisterPageControlClasses();

} // namespace lumafold
