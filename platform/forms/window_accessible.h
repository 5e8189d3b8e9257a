#pragma once
// What assistive tools see of a form's window: a frame named by its
// caption, or a dialog (modal while the form is shown modally). A window
// whose caption is empty is named by what it shows, where its form gives
// that name. A new caption is told as a change of the name.
class QWidget;

namespace platform::forms::detail {

// Gives the forms' windows their interface for assistive tools (once).
void installFormWindowAccessibility();

// Tells assistive tools that the window's name changed (its caption, or
// the name given to it).
void tellWindowNameChanged(QWidget *window);

} // namespace platform::forms::detail
