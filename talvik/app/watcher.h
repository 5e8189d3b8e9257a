#pragma once
// The program's port watcher object: Portwick.Class1, created on first use
// through the registry and named by the program-wide vcpWatcher from then on.
// When the class is not registered yet the library beside the program is
// registered first, as its installer would.
// Once created it also supplies the serial link's automatic port.
#include "portwick/portwickInterface.h"

namespace talvik {

// The watcher; raises platform::RuntimeError 429 when it cannot be created.
portwick::_Class1 &vcpWatcherObject();
// The watcher when it exists, else nullptr.
portwick::_Class1 *existingVcpWatcher();
// Releases the watcher (the program keeps it to its end; tests start afresh).
void releaseVcpWatcher();

} // namespace talvik
