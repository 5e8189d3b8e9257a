// A minimal in-process server whose attach entry fails while the
// environment variable TALVIK_PROBE_REFUSE is set.
#include "platform/com/com.h"

#include <cstdlib>

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

PROBE_EXPORT platform::com::HRESULT DllGetClassObject(const platform::com::CLSID &, const platform::com::IID &,
                                                      void **object)
{
    if (object)
        *object = nullptr;
    return platform::com::CLASS_E_CLASSNOTAVAILABLE;
}

PROBE_EXPORT platform::com::HRESULT DllRegisterServer()
{
    return platform::com::S_OK;
}

PROBE_EXPORT bool DllProcessAttach()
{
    return std::getenv("TALVIK_PROBE_REFUSE") == nullptr;
}
