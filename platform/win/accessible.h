#pragma once
// What assistive tools see of a window: its widget answers Qt's
// accessibility queries with a role from its class (the system classes by
// their styles, other classes as registered), a name and, for fields, the
// window text as value.
#include "platform/win/wintypes.h"

#include <QAccessible>

namespace platform::win {

// The role told for windows of a class that is not a system class (names
// compared without case). A class registered over another one (a
// superclass) registers its own role.
void SetClassAccessibleRole(const char *className, QAccessible::Role role);

namespace detail {
// Installs the interface for the windows' widgets; done by the first widget.
void installWindowAccessibility();
} // namespace detail

} // namespace platform::win
