#pragma once
// What assistive tools see of a window: its widget answers Qt's
// accessibility queries with a role from its class (the system classes by
// their styles, other classes as registered), a name and, for fields, the
// window text as value.
#include "platform/win/wintypes.h"

#include <QAccessible>

namespace platform::win {

// Win32's accessibility events a window raises for assistive tools.
constexpr DWORD EVENT_OBJECT_SHOW = 0x8002;
constexpr DWORD EVENT_OBJECT_HIDE = 0x8003;
constexpr DWORD EVENT_OBJECT_SELECTION = 0x8006;
constexpr DWORD EVENT_OBJECT_STATECHANGE = 0x800A;
constexpr DWORD EVENT_OBJECT_VALUECHANGE = 0x800E;
constexpr LONG OBJID_CLIENT = -4;
constexpr LONG CHILDID_SELF = 0;

// Tells assistive tools that something of the window changed, as Win32's
// NotifyWinEvent does. For a combo box window (a window whose role is
// ComboBox and which answers CB_GETCOUNT, CB_GETLBTEXT, CB_GETCURSEL and
// CB_GETDROPPEDSTATE): EVENT_OBJECT_VALUECHANGE after its text changed,
// EVENT_OBJECT_SELECTION after its selected item changed, EVENT_OBJECT_SHOW /
// EVENT_OBJECT_HIDE when its list opened / closed. Other windows:
// EVENT_OBJECT_STATECHANGE and EVENT_OBJECT_VALUECHANGE. Does nothing while
// no assistive tool is listening.
void NotifyWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild);

// The role told for windows of a class that is not a system class (names
// compared without case). A class registered over another one (a
// superclass) registers its own role.
void SetClassAccessibleRole(const char *className, QAccessible::Role role);

namespace detail {
// Installs the interface for the windows' widgets; done by the first widget.
void installWindowAccessibility();
} // namespace detail

} // namespace platform::win
