#pragma once
// Steps of the "RyxCombo" window shared by its source files: the window
// procedure and input (RyxComboWindow.cpp) and the private messages
// (RyxComboMessages.cpp).
#include "zobase7/FormatMask.h"
#include "zobase7/RyxComboState.h"

#include <memory>
#include <string>

namespace zobase7::detail {

// The sign-extended low 16 bits of a message parameter.
int lowShort(WPARAM v);
RyxComboGeometry geometryOf(const RyxComboState &s);
// Scrolls to the caret, moves it and asks for a repaint.
void repaint(RyxComboState &s);

FormatMask::Options maskOptions(const RyxComboState &s);
// Shows the mask's template with its characters and puts the caret at caret.
void showMask(RyxComboState &s, int caret);
std::string currentValue(const RyxComboState &s);
std::string displayText(const RyxComboState &s);
bool editable(const RyxComboState &s);
// After a change of the text: repaint, ZON_CHANGE, and AutoSelect for typing.
void textChanged(const std::shared_ptr<RyxComboState> &s, bool typed);
void setSelected(const std::shared_ptr<RyxComboState> &s, int index, bool notifyOwner);
// The owner sets the text (or the value); false when it is refused.
bool setFromOwner(RyxComboState &s, const char *text, bool asValue);
// Copies text and a terminator into buffer (if any); answers the byte length.
LRESULT giveText(const std::string &text, LPARAM buffer);
void clearAll(const std::shared_ptr<RyxComboState> &s);
// Puts CP932 text in place of the selection (through the input mask when
// there is one); false, nothing changed, when a character does not fit.
bool replaceSelectionWith(RyxComboState &s, const std::string &cp932);
// The first position of the mask's next (or previous) field from the caret;
// -1 when there is none (or no mask).
int nextFieldStart(const RyxComboState &s, bool forward);
bool moveField(RyxComboState &s, bool forward);
// Whether the Tab key (Shift+Tab with Shift held) stays in the window: with
// TabAction 1 while the mask has a field in that direction.
bool wantsTab(const RyxComboState &s);
void selectStep(const std::shared_ptr<RyxComboState> &s, int delta);

// Messages the window sends itself as notifications (passed on to the parent).
bool isNotification(UINT msg);
// The private messages; *handled is false for any other message.
LRESULT protocol(const std::shared_ptr<RyxComboState> &sp, UINT msg, WPARAM wParam, LPARAM lParam, bool *handled);

} // namespace zobase7::detail
