#pragma once
// Helpers both control libraries' tests use: an object's stream form as
// bytes and back, and a registry text as the tests' registry holds it.
#include "platform/com/persist.h"
#include "platform/com/stream.h"
#include "platform/system/registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace controls::testing {

using namespace platform::com;

inline std::vector<uint8_t> saveToBytes(IUnknown *object)
{
    ComPtr<IPersistStream> p;
    EXPECT_EQ(object->QueryInterface(IID_IPersistStream, p.putVoid()), S_OK);
    ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, true, s.put());
    EXPECT_EQ(p->Save(s.get(), true), S_OK);
    return streamBytes(s.get());
}

inline HRESULT loadFromBytes(IUnknown *object, const std::vector<uint8_t> &bytes)
{
    ComPtr<IPersistStream> p;
    object->QueryInterface(IID_IPersistStream, p.putVoid());
    ComPtr<IStream> s = streamFromBytes(bytes);
    return p->Load(s.get());
}

// The text of a value below HKEY_CLASSES_ROOT, or "<no key>" / "<no value>".
inline QString regText(const QString &key, const QString &value = QString())
{
    namespace sys = platform::system;
    sys::RegKey k;
    if (sys::RegOpenKeyEx(sys::RootKey::ClassesRoot, key, k) != sys::ERROR_SUCCESS)
        return QStringLiteral("<no key>");
    uint32_t type = 0;
    QByteArray data;
    const long rc = sys::RegQueryValueEx(k, value, type, data);
    sys::RegCloseKey(k);
    return rc == sys::ERROR_SUCCESS ? sys::regSzText(data) : QStringLiteral("<no value>");
}

} // namespace controls::testing
