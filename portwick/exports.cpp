// The four entries of the in-process server.
#include "portwick/Class1.h"

#include "platform/system/process.h"

#define PORTWICK_EXPORT extern "C" __attribute__((visibility("default")))

namespace com = platform::com;

namespace portwick {
namespace {

// The one class factory; it lives as long as the library and is not counted.
class Class1Factory final : public com::IClassFactory {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        if (!object)
            return com::E_POINTER;
        if (iid == com::IID_IUnknown || iid == com::IID_IClassFactory) {
            *object = static_cast<com::IClassFactory *>(this);
            AddRef();
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }

    HRESULT CreateInstance(com::IUnknown *outer, const com::IID &iid, void **object) override
    {
        if (!object)
            return com::E_POINTER;
        *object = nullptr;
        if (outer)
            return com::CLASS_E_NOAGGREGATION;
        com::ComPtr<Class1> instance(new Class1());
        return instance->QueryInterface(iid, object);
    }

    HRESULT LockServer(bool lock) override
    {
        if (lock)
            ++g_lockCount;
        else
            --g_lockCount;
        return com::S_OK;
    }
};

Class1Factory g_factory;

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
