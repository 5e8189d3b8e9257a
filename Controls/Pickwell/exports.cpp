// The library's exports.
#include "Controls/Pickwell/PickwellModule.h"
#include "Controls/common/Exports.h"

CONTROLS_DEFINE_EXPORTS(pickwell::module)
