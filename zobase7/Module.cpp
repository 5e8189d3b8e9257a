// Start-up and shut-down of the base library: its window classes exist while
// it is loaded.
#include "zobase7/WindowClasses.h"

#include <dlfcn.h>

namespace zobase7 {
namespace {

platform::win::HINSTANCE moduleInstance()
{
    static const int anchor = 0;
    Dl_info info{};
    if (dladdr(&anchor, &info) && info.dli_fbase)
        return reinterpret_cast<platform::win::HINSTANCE>(info.dli_fbase);
    return 0;
}

// A global object: its destructor runs when the library is unloaded, and at
// process exit before the window layer's own state goes (it was registered
// for destruction after that state came to be).
struct ClassRegistration {
    ClassRegistration() : instance(moduleInstance()), registered(RegisterWindowClasses(instance)) {}
    ~ClassRegistration()
    {
        if (registered)
            UnregisterWindowClasses(instance);
    }
    platform::win::HINSTANCE instance;
    bool registered;
};

ClassRegistration registration;

} // namespace
} // namespace zobase7

// Whether the classes were registered at load (for the control libraries'
// start-up and for tests).
extern "C" __attribute__((visibility("default"))) bool ZoBase7ClassesRegistered()
{
    return zobase7::registration.registered;
}
