#pragma once
// Tells the user of a registry file that could not be read as a registry when
// the program started: which file; for a damaged one, the name it is kept
// under and that the settings stored there are back at their defaults; and,
// when the registry of this run is held in memory (the file could not be
// read or not be kept aside), that settings will not be saved, with the cause.
#include "platform/system/registry.h"

#include <QString>

namespace talvik {

// The text of the message; "" when there is no problem.
QString registryProblemText(const platform::system::RegistryReadProblem &problem);

// Shows the message in a box (owned by the window in front) when there is a
// problem; nothing otherwise.
void showRegistryProblem(const platform::system::RegistryReadProblem &problem);

} // namespace talvik
