#pragma once
// Pieces every object of this layer and of the control libraries repeats:
// QueryInterface over a list of interfaces, a reference count that deletes
// the object at zero, and IDispatch answered from a member table.
#include "platform/com/automation.h"

#include <atomic>
#include <initializer_list>

namespace platform::com {

// One interface an object hands out: the IID asked for and the pointer given.
struct InterfaceEntry {
    const IID &iid;
    void *pointer;
};

// QueryInterface over entries (the first whose IID matches); a match
// AddRefs self.
inline HRESULT queryInterfaceIn(IUnknown *self, const IID &iid, void **object,
                                std::initializer_list<InterfaceEntry> entries)
{
    if (!object)
        return E_POINTER;
    for (const InterfaceEntry &e : entries) {
        if (iid == e.iid) {
            *object = e.pointer;
            self->AddRef();
            return S_OK;
        }
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// A getter's work: value into *out, E_POINTER without out.
template <class T, class V>
HRESULT outValue(T *out, const V &value)
{
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}

// A string getter's work: a new BSTR of text into *out, E_POINTER without out.
inline HRESULT outString(BSTR *out, const QString &text)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocQString(text);
    return S_OK;
}

// Derives from the interfaces and counts references for all of them; the
// last Release deletes the object.
template <class... Interfaces>
class RefCounted : public Interfaces... {
public:
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override
    {
        const uint32_t left = --m_refs;
        if (!left)
            delete this;
        return left;
    }

private:
    std::atomic<uint32_t> m_refs{0};
};

// A class object that lives as long as its module (a static): it counts no
// references, refuses aggregation and makes each object with create(iid,
// object); LockServer goes to lock when one is given.
class StaticClassFactory final : public IClassFactory {
public:
    using Create = HRESULT (*)(const IID &iid, void **object);
    using Lock = void (*)(bool lock);
    explicit StaticClassFactory(Create create, Lock lock = nullptr) : m_create(create), m_lock(lock) {}

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = iid == IID_IUnknown || iid == IID_IClassFactory ? static_cast<IClassFactory *>(this) : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT CreateInstance(IUnknown *outer, const IID &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return m_create(iid, object);
    }
    HRESULT LockServer(bool lock) override
    {
        if (m_lock)
            m_lock(lock);
        return S_OK;
    }

private:
    Create m_create;
    Lock m_lock;
};

// Makes a T and hands out its interface iid (the object goes when that
// fails); the usual `create` of a class object or an object-map row.
template <class T>
HRESULT createObject(const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<T> p(new T());
    return p->QueryInterface(iid, object);
}

// What GetTypeInfoCount answers without a place for the count.
enum class NullCount { Pointer, Ok };

// Derives from a dual interface (or IDispatch itself) and answers its
// IDispatch part from Derived::dispatchTable() (a DispatchTable<Derived>): no
// type information, names and calls through the table.
template <class Derived, class Interface, NullCount nullCount = NullCount::Pointer>
class DispatchImpl : public Interface {
public:
    HRESULT GetTypeInfoCount(uint32_t *count) override
    {
        if (!count)
            return nullCount == NullCount::Ok ? S_OK : E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *names, uint32_t count, LCID, DISPID *ids) override
    {
        return Derived::dispatchTable().getIDsOfNames(names, count, ids);
    }
    HRESULT Invoke(DISPID id, const IID &, LCID, uint16_t flags, DISPPARAMS *params, VARIANT *result,
                   EXCEPINFO *excep, uint32_t *) override
    {
        return Derived::dispatchTable().invoke(static_cast<Derived *>(this), id, flags, params, result, excep);
    }
};

} // namespace platform::com
