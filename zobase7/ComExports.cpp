// The in-process server exports of zobase7's COM classes (Caption, DropDown,
// Spin, Key): class objects, the unload answer and the registration rows.
#include "zobase7/SubObjects.h"

#include "platform/system/process.h"

#define ZOBASE7_EXPORT extern "C" __attribute__((visibility("default")))

using namespace platform::com;

namespace {

struct ClassRow {
    const CLSID *clsid;
    const char *caption;
};

const ClassRow kClasses[] = {
    {&zobase7::CLSID_Caption, "Caption Class"},
    {&zobase7::CLSID_DropDown, "DropDown Class"},
    {&zobase7::CLSID_Spin, "Spin Class"},
    {&zobase7::CLSID_Key, "Key Class"},
};

} // namespace

ZOBASE7_EXPORT HRESULT DllGetClassObject(const CLSID &clsid, const IID &iid, void **object)
{
    return zobase7::getSubObjectClassObject(clsid, iid, object);
}

ZOBASE7_EXPORT HRESULT DllCanUnloadNow()
{
    return zobase7::objectCount() == 0 && zobase7::lockCount() == 0 ? S_OK : S_FALSE;
}

ZOBASE7_EXPORT HRESULT DllRegisterServer()
{
    const QString path = platform::system::modulePath(reinterpret_cast<const void *>(&DllRegisterServer));
    if (path.isEmpty())
        return SELFREG_E_CLASS;
    for (const ClassRow &c : kClasses) {
        const HRESULT hr = registerInprocServer(*c.clsid, QString(), QString::fromLatin1(c.caption), path,
                                                QStringLiteral("Apartment"));
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

ZOBASE7_EXPORT HRESULT DllUnregisterServer()
{
    HRESULT result = S_OK;
    for (const ClassRow &c : kClasses)
        if (const HRESULT hr = unregisterInprocServer(*c.clsid, QString()); FAILED(hr))
            result = hr;
    return result;
}
