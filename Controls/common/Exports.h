#pragma once
// The four exports and the attach and detach entries of a control library,
// over its module; the attach also binds zobase7 (SuiteLoader.h). Used once
// per library: CONTROLS_DEFINE_EXPORTS(pickwell::module).
#include "Controls/common/ComModule.h"
#include "Controls/common/SuiteLoader.h"
#include "platform/system/process.h"

#define CONTROLS_EXPORT extern "C" __attribute__((visibility("default")))

#define CONTROLS_DEFINE_EXPORTS(moduleFunction)                                                                        \
    CONTROLS_EXPORT platform::com::HRESULT DllGetClassObject(const platform::com::CLSID &clsid,                       \
                                                             const platform::com::IID &iid, void **object)             \
    {                                                                                                                  \
        return moduleFunction().DllGetClassObject(clsid, iid, object);                                                 \
    }                                                                                                                  \
    CONTROLS_EXPORT platform::com::HRESULT DllCanUnloadNow()                                                          \
    {                                                                                                                  \
        return moduleFunction().DllCanUnloadNow();                                                                     \
    }                                                                                                                  \
    CONTROLS_EXPORT platform::com::HRESULT DllRegisterServer()                                                        \
    {                                                                                                                  \
        const QString path = platform::system::modulePath(reinterpret_cast<const void *>(&DllRegisterServer));       \
        if (path.isEmpty())                                                                                            \
            return platform::com::SELFREG_E_CLASS;                                                                     \
        return moduleFunction().DllRegisterServer(path);                                                               \
    }                                                                                                                  \
    CONTROLS_EXPORT platform::com::HRESULT DllUnregisterServer()                                                      \
    {                                                                                                                  \
        return moduleFunction().DllUnregisterServer();                                                                 \
    }                                                                                                                  \
    CONTROLS_EXPORT bool DllProcessAttach()                                                                            \
    {                                                                                                                  \
        return controls::LibraryProcessAttach(moduleFunction(), reinterpret_cast<const void *>(&DllProcessAttach));    \
    }                                                                                                                  \
    CONTROLS_EXPORT void DllProcessDetach()                                                                            \
    {                                                                                                                  \
        controls::LibraryProcessDetach(moduleFunction());                                                              \
    }
