#pragma once
// COM basics: GUIDs, HRESULTs, IUnknown reference counting, class factories,
// calls by member name, creation of in-process servers by CLSID or ProgID
// through the registry stand-in (HKCR\CLSID\{...}\InprocServer32 names the
// shared library, loaded with dlopen).
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace platform::com {

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x8004019Cu);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (braces optional); ok false when malformed.
    static GUID fromString(const QString &text, bool *ok = nullptr);
    QString toString() const; // upper case, with braces, as the registry keeps it
    bool isNull() const;
    friend bool operator==(const GUID &a, const GUID &b);
    friend bool operator!=(const GUID &a, const GUID &b) { return !(a == b); }
};
using IID = GUID;
using CLSID = GUID;

struct IUnknown {
    virtual HRESULT QueryInterface(const IID &iid, void **object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown *outer, const IID &iid, void **object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

enum class DispatchKind { Method, PropertyGet, PropertyPut };

struct IDispatchByName;

// Calls by member name (the late binding of the original). Names compare
// without regard to case. An object in an argument or a result travels as a
// QVariant holding an IDispatchByName*; an object returned in a result has
// been AddRef'ed for the caller, who releases it (see takeObject).
struct IDispatchByName : IUnknown {
    // The object's class name, as the runtime's TypeName reports it ("CommandButton").
    virtual HRESULT GetTypeName(QString *name) = 0;
    virtual HRESULT Invoke(const QString &member, DispatchKind kind, const QVariantList &args, QVariant *result) = 0;
};

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IDispatchByName;

// Owning smart pointer: AddRef on taking a raw pointer, Release on drop.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T *p) : m_p(p) { if (m_p) m_p->AddRef(); }
    ComPtr(const ComPtr &o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr &operator=(ComPtr o) { std::swap(m_p, o.m_p); return *this; }

    // Takes over a pointer that already carries a reference for us.
    static ComPtr attach(T *p) { ComPtr c; c.m_p = p; return c; }
    void reset() { if (m_p) std::exchange(m_p, nullptr)->Release(); }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    T &operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: releases what is held and gives the slot.
    T **put() { reset(); return &m_p; }
    void **putVoid() { return reinterpret_cast<void **>(put()); }

private:
    T *m_p = nullptr;
};

// A dispatch object whose members are functions, for hosts that offer
// windows, timers and controls to a server by name.
class DispatchObject : public IDispatchByName {
public:
    using Method = std::function<QVariant(const QVariantList &)>;
    using Getter = std::function<QVariant()>;
    using Setter = std::function<void(const QVariant &)>;

    explicit DispatchObject(QString typeName);

    void addMethod(const QString &name, Method method);
    void addProperty(const QString &name, Getter get, Setter set = {});

    HRESULT QueryInterface(const IID &iid, void **object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetTypeName(QString *name) override;
    // A member function that throws platform::RuntimeError gives DISP_E_EXCEPTION.
    HRESULT Invoke(const QString &member, DispatchKind kind, const QVariantList &args, QVariant *result) override;

    // The description of the last exception a member raised.
    QString lastErrorDescription() const { return m_lastError; }

protected:
    ~DispatchObject() override = default;

private:
    struct Member {
        Method method;
        Getter get;
        Setter set;
    };
    QString m_typeName;
    std::map<QString, Member> m_members; // keys in lower case
    std::atomic<uint32_t> m_refs{0};
    QString m_lastError;
};

// An object for a QVariant argument; AddRefs nothing.
QVariant objectVariant(IDispatchByName *object);
// The object held by a QVariant argument, or nullptr.
IDispatchByName *variantObject(const QVariant &value);
// Takes ownership of an object returned in a result.
ComPtr<IDispatchByName> takeObject(const QVariant &result);

// The runtime's CallByName: raises platform::RuntimeError 438 for a member the
// object lacks, 91 for a null object and 440 (with the member's own
// description when there is one) for any other failure.
QVariant CallByName(IDispatchByName *object, const QString &member, DispatchKind kind,
                    const QVariantList &args = {});

// Creation through the registry stand-in.
HRESULT CLSIDFromProgID(const QString &progId, CLSID *clsid);
HRESULT CoGetClassObject(const CLSID &clsid, const IID &iid, void **object);
HRESULT CoCreateInstance(const CLSID &clsid, IUnknown *outer, const IID &iid, void **object);
// Loads a server library and runs its DllRegisterServer (what regsvr32 does);
// unregister runs DllUnregisterServer. CO_E_DLLNOTFOUND when it cannot be loaded.
HRESULT registerServerLibrary(const QString &libraryPath);
// The cause of a failed registerServerLibrary: the description the library
// left in the error object (taking it), else the library and the HRESULT.
QString registrationFailure(const QString &libraryPath, HRESULT hr);
HRESULT unregisterServerLibrary(const QString &libraryPath);
// Asks every loaded server library whether it could be unloaded. Libraries
// stay loaded once loaded (their code may still be on a caller's stack or
// referenced by objects a host keeps), so this only returns how many said yes.
int CoFreeUnusedLibraries();

// Class objects registered in this module's copy of the layer; creation looks
// here before the registry, so that a library finds its own classes (as when
// it loads its sub-objects from a stream) without going through the registry.
HRESULT CoRegisterClassObject(const CLSID &clsid, IClassFactory *factory, uint32_t *cookie);
HRESULT CoRevokeClassObject(uint32_t cookie);

// The four exports of an in-process server.
using DllGetClassObjectFunc = HRESULT (*)(const CLSID &clsid, const IID &iid, void **object);
using DllCanUnloadNowFunc = HRESULT (*)();
using DllRegisterServerFunc = HRESULT (*)();
using DllUnregisterServerFunc = HRESULT (*)();
// The attach entry, called by the loader right after the library is loaded;
// false means the library does not load (the loader unloads it again).
using DllProcessAttachFunc = bool (*)();
constexpr const char *kAttachEntryName = "DllProcessAttach";

// Registration rows of an in-process server under HKEY_CLASSES_ROOT:
//   CLSID\{clsid}                  (default) = description
//   CLSID\{clsid}\InprocServer32   (default) = library path, ThreadingModel
//   CLSID\{clsid}\ProgID           (default) = progId
//   <progId>                       (default) = description
//   <progId>\CLSID                 (default) = {clsid}
// A failure leaves the cause in the error object (GetErrorInfo): the
// registry file that could not be written and why.
HRESULT registerInprocServer(const CLSID &clsid, const QString &progId, const QString &description,
                             const QString &libraryPath, const QString &threadingModel);
// SELFREG_E_CLASS with the error object set to the last failed write of the
// registry file (a registration's batch), for DllRegisterServer.
HRESULT registrationFailed(const QString &source);
HRESULT unregisterInprocServer(const CLSID &clsid, const QString &progId);

} // namespace platform::com

Q_DECLARE_METATYPE(platform::com::IDispatchByName *)
