#pragma once
// The window classes of the base library. They are registered as global
// classes when the library is loaded, so that the control libraries find
// them with GetClassInfoA and superclass them, and unregistered when it is
// unloaded.
#include "platform/win/wintypes.h"

namespace zobase7 {

constexpr const char *kComboClassName = "RyxCombo";
constexpr const char *kNumberClassName = "RyxNumberLgtX";

// Registers every class; on a failure the ones already registered are
// unregistered again and false is returned.
bool RegisterWindowClasses(platform::win::HINSTANCE instance);
void UnregisterWindowClasses(platform::win::HINSTANCE instance);

} // namespace zobase7
