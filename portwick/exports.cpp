// The four entries of the in-process server.
#include "portwick/Class1.h"

#include "platform/com/objectbase.h"
#include "platform/system/process.h"

#define PORTWICK_EXPORT extern "C" __attribute__((visibility("default")))

namespace com = platform::com;

namespace portwick {
namespace {

void lockModule(bool lock)
{
    if (lock)
        ++g_lockCount;
    else
        --g_lockCount;
}

// The one class factory; it lives as long as the library and is not counted.
com::StaticClassFactory g_factory(&com::createObject<Class1>, &lockModule);

} // namespace
} // namespace portwick

PORTWICK_EXPORT com::HRESULT DllGetClassObject(const com::CLSID &clsid, const com::IID &iid, void **object)
{
    if (!object)
        return com::E_POINTER;
    *object = nullptr;
    if (clsid != portwick::CLSID_Class1)
        return com::CLASS_E_CLASSNOTAVAILABLE;
    return portwick::g_factory.QueryInterface(iid, object);
}

PORTWICK_EXPORT com::HRESULT DllCanUnloadNow()
{
    return portwick::g_objectCount == 0 && portwick::g_lockCount == 0 ? com::S_OK : com::S_FALSE;
}

PORTWICK_EXPORT com::HRESULT DllRegisterServer()
{
    const QString path = platform::system::modulePath(reinterpret_cast<const void *>(&DllRegisterServer));
    return com::registerInprocServer(portwick::CLSID_Class1, QString::fromLatin1(portwick::kProgId),
                                     QString::fromLatin1(portwick::kProgId), path, QStringLiteral("Apartment"));
}

PORTWICK_EXPORT com::HRESULT DllUnregisterServer()
{
    return com::unregisterInprocServer(portwick::CLSID_Class1, QString::fromLatin1(portwick::kProgId));
}
