#pragma once
// What zobase7's small sub-objects share: reference and module counting,
// IDispatch from a member table, a property-notify connection point for
// their changes, and persistence of a plain settings record to streams and
// property bags. A load works on a copy, so a failed load changes nothing.
#include "zobase7/include/zobase7_interfaces.h"

#include "platform/com/errorinfo.h"
#include "platform/com/loadrefusal.h"
#include "platform/com/objectbase.h"
#include "platform/com/persist.h"

#include <atomic>

namespace zobase7 {

using com::S_OK;
using com::S_FALSE;
using com::E_POINTER;
using com::E_INVALIDARG;
using com::E_NOTIMPL;
using com::FAILED;
using com::SUCCEEDED;

// Objects alive and server locks, for DllCanUnloadNow.
std::atomic<long> &objectCount();
std::atomic<long> &lockCount();

// Largest string a settings stream may hold (bytes, terminator included).
constexpr uint32_t kMaxSettingsString = 64u * 1024u;

// One load or save of a settings record, over a stream or a property bag.
// In a stream the values stand without names in call order: a 4-byte
// little-endian value for a number; for a string a 4-byte byte count (text
// bytes + 2, 0 for a null string) followed by UTF-16 text and terminator.
class SettingsExchange {
public:
    SettingsExchange(com::IStream *stream, bool loading) : m_stream(stream), m_loading(loading) {}
    SettingsExchange(com::IPropertyBag *bag, com::IErrorLog *log, bool loading)
        : m_bag(bag), m_log(log), m_loading(loading) {}

    bool loading() const { return m_loading; }
    bool ok() const { return m_ok; }
    // A value missing from a bag keeps the member; one that is there and
    // cannot be read fails the load.
    void number(const char16_t *name, int32_t *member);
    void text(const char16_t *name, com::Bstr *member);
    // Fails the load, naming the value (the first refusal is kept).
    void refuse(const QString &name, const QString &value);
    // On a load: a number outside lo..hi is refused.
    void check(const char16_t *name, int32_t value, int32_t lo, int32_t hi);
    const com::LoadRefusal &refusal() const { return m_refusal; }

private:
    com::IStream *m_stream = nullptr;
    com::IPropertyBag *m_bag = nullptr;
    com::IErrorLog *m_log = nullptr;
    bool m_loading = false;
    bool m_ok = true;
    com::LoadRefusal m_refusal;
};

// Derived provides: a `State` record, `static void exchange(State &,
// SettingsExchange &)`, `static State defaults()`, `static const CLSID
// &classId()`, `static const IID &primaryIid()`, `dispatchTable()` and may
// answer extra interfaces through `queryExtra`.
template <class Derived, class Interface, class State>
class SubObject : public com::DispatchImpl<Derived, Interface>,
                  public com::IConnectionPointContainer,
                  public com::IPersistStreamInit,
                  public com::IPersistPropertyBag,
                  public com::ISupportErrorInfo {
public:
    SubObject() : m_state(Derived::defaults()), m_notify(static_cast<Interface *>(this), com::IID_IPropertyNotifySink)
    {
        ++objectCount();
    }

    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        Interface *primary = this;
        auto *ps = static_cast<com::IPersistStreamInit *>(this);
        auto *pb = static_cast<com::IPersistPropertyBag *>(this);
        auto *cpc = static_cast<com::IConnectionPointContainer *>(this);
        auto *sei = static_cast<com::ISupportErrorInfo *>(this);
        if (object && static_cast<Derived *>(this)->queryExtra(iid, object)) {
            AddRef();
            return S_OK;
        }
        return com::queryInterfaceIn(primary, iid, object,
            {{com::IID_IUnknown, primary}, {com::IID_IDispatch, primary}, {Derived::primaryIid(), primary},
             {com::IID_IConnectionPointContainer, cpc}, {com::IID_IPersistStreamInit, ps},
             {com::IID_IPersistStream, ps}, {com::IID_IPersist, ps}, {com::IID_IPersistPropertyBag, pb},
             {com::IID_ISupportErrorInfo, sei}});
    }
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override
    {
        const uint32_t left = --m_refs;
        if (!left)
            delete static_cast<Derived *>(this);
        return left;
    }

    // IConnectionPointContainer
    HRESULT FindConnectionPoint(const com::IID &iid, com::IConnectionPoint **point) override
    {
        return m_notify.handOut(iid, point);
    }
    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(const com::IID &iid) override
    {
        return iid == Derived::primaryIid() ? S_OK : S_FALSE;
    }
    // IPersist, IPersistStreamInit, IPersistPropertyBag
    HRESULT GetClassID(com::CLSID *clsid) override
    {
        if (!clsid)
            return E_POINTER;
        *clsid = Derived::classId();
        return S_OK;
    }
    HRESULT IsDirty() override { return m_dirty ? S_OK : S_FALSE; }
    HRESULT GetSizeMax(uint64_t *) override { return E_NOTIMPL; }
    HRESULT InitNew() override
    {
        m_state = Derived::defaults();
        static_cast<Derived *>(this)->afterInitNew();
        m_dirty = false;
        return S_OK;
    }
    HRESULT Load(com::IStream *stream) override
    {
        if (!stream)
            return E_POINTER;
        SettingsExchange x(stream, true);
        return load(x);
    }
    HRESULT Save(com::IStream *stream, bool clearDirty) override
    {
        if (!stream)
            return E_POINTER;
        SettingsExchange x(stream, false);
        Derived::exchange(m_state, x);
        if (!x.ok())
            return com::STG_E_MEDIUMFULL;
        if (clearDirty)
            m_dirty = false;
        return S_OK;
    }
    HRESULT Load(com::IPropertyBag *bag, com::IErrorLog *log) override
    {
        if (!bag)
            return E_POINTER;
        SettingsExchange x(bag, log, true);
        return load(x);
    }
    HRESULT Save(com::IPropertyBag *bag, bool clearDirty, bool) override
    {
        if (!bag)
            return E_POINTER;
        SettingsExchange x(bag, nullptr, false);
        Derived::exchange(m_state, x);
        if (!x.ok())
            return com::E_FAIL;
        if (clearDirty)
            m_dirty = false;
        return S_OK;
    }

    const State &state() const { return m_state; }

protected:
    ~SubObject() { --objectCount(); }

    bool queryExtra(const com::IID &, void **) { return false; }
    void afterInitNew() {}

    // Stores a member and tells the sinks.
    template <class V>
    HRESULT setMember(V &member, V value, com::DISPID id)
    {
        member = value;
        changed(id);
        return S_OK;
    }
    void changed(com::DISPID id)
    {
        m_dirty = true;
        m_notify.fireOnChanged(id);
    }

    State m_state;

private:
    HRESULT load(SettingsExchange &x)
    {
        State copy = m_state;
        Derived::exchange(copy, x);
        if (!x.ok())
            return com::ReportLoadRefusal(x.loading() && !isBagExchange(x) ? com::STG_E_READFAULT : com::E_FAIL,
                                               x.refusal(), Derived::primaryIid(), QString());
        m_state = std::move(copy);
        m_dirty = false;
        m_notify.fireOnChanged(com::DISPID_UNKNOWN);
        return S_OK;
    }
    static bool isBagExchange(const SettingsExchange &) { return false; }

    com::ConnectionPoint m_notify;
    std::atomic<uint32_t> m_refs{0};
    bool m_dirty = false;
};

// A VARIANT_BOOL member from any non-zero / zero argument.
inline VARIANT_BOOL asBool(VARIANT_BOOL v) { return v ? com::VARIANT_TRUE : com::VARIANT_FALSE; }

} // namespace zobase7
