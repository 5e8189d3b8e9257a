#pragma once
// The module-version text the About box and the controls' Version property
// show: the four 16-bit parts of the module's file version, the high and low
// word of the most significant double word and then of the least significant
// one, as "%d.%d.%d.%d".
#include "platform/com/resources.h"

#include <string>

namespace controls {

// Writes the text (CP932, plain ASCII digits) into `buffer`; a module without
// a version record leaves `buffer` as it was.
void GetModuleVersionString(const platform::com::ModuleResources &module, std::string &buffer);

} // namespace controls
