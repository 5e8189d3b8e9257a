#pragma once
// What the "RyxCombo" window tells assistive tools: it answers the combo box
// queries of the window layer (item count, item text, selected item, list
// open) and raises the accessibility events when its text, its selection or
// its list changes.
#include "zobase7/RyxComboState.h"

namespace zobase7::detail {

// Answers CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT (CP932), CB_GETCURSEL
// (the highlighted row while the list is open, else the selected item) and
// CB_GETDROPPEDSTATE; *handled is false for any other message.
LRESULT accessibleQuery(const RyxComboState &s, UINT msg, WPARAM wParam, LPARAM lParam, bool *handled);

// The text, the selected (or highlighted) row, the list's open state changed.
void announceText(const RyxComboState &s);
void announceSelection(const RyxComboState &s);
void announceList(const RyxComboState &s, bool open);

} // namespace zobase7::detail
