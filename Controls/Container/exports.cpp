// The library's exports.
#include "Controls/Container/LumafoldModule.h"
#include "Controls/common/Exports.h"

CONTROLS_DEFINE_EXPORTS(lumafold::module)
