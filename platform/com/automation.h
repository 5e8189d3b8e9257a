#pragma once
// Automation: BSTR, VARIANT with VariantChangeType, IDispatch answered from a
// table of members, IEnumVARIANT, connection points and property-notify
// sources, task memory.
//
// OLECHAR is char16_t. A BSTR points at UTF-16 text preceded by a 4-byte byte
// length and followed by a 2-byte terminator; a null BSTR is distinct from an
// empty one.
#include "platform/com/com.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform::com {

using OLECHAR = char16_t;
using BSTR = OLECHAR *;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using DISPID = int32_t;
using LCID = uint32_t;
using OLE_COLOR = uint32_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Automation error codes of the runtime (0x800A0000 + error number).
constexpr HRESULT CTL_E_ILLEGALFUNCTIONCALL = static_cast<HRESULT>(0x800A0005u);
constexpr HRESULT CTL_E_OUTOFMEMORY = static_cast<HRESULT>(0x800A0007u);
constexpr HRESULT CTL_E_INVALIDPROPERTYVALUE = static_cast<HRESULT>(0x800A017Cu);
constexpr HRESULT CTL_E_SETNOTSUPPORTED = static_cast<HRESULT>(0x800A017Fu);
constexpr HRESULT CTL_E_GETNOTSUPPORTEDATDESIGNTIME = static_cast<HRESULT>(0x800A018Au);
constexpr HRESULT CTL_E_PROPERTYNOTSUPPORTED = static_cast<HRESULT>(0x800A0189u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

// ---- task memory and BSTR

void *CoTaskMemAlloc(size_t bytes);
void CoTaskMemFree(void *block);
// A zero-terminated copy of text in task memory (the receiver frees it with
// CoTaskMemFree); null when there is no memory.
OLECHAR *CoTaskMemString(const QString &text);

BSTR SysAllocString(const OLECHAR *text);
BSTR SysAllocStringLen(const OLECHAR *text, uint32_t length); // text may be null: zero-filled
void SysFreeString(BSTR text);
uint32_t SysStringLen(BSTR text);     // characters; 0 for null
uint32_t SysStringByteLen(BSTR text); // bytes; 0 for null
BSTR SysAllocQString(const QString &text);
// A null BSTR gives a null QString; an empty one an empty, non-null QString.
QString bstrToQString(BSTR text);

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const QString &text) : m_p(SysAllocQString(text)) {}
    Bstr(const Bstr &o) : m_p(o.m_p ? SysAllocStringLen(o.m_p, SysStringLen(o.m_p)) : nullptr) {}
    Bstr(Bstr &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~Bstr() { SysFreeString(m_p); }
    Bstr &operator=(Bstr o) { std::swap(m_p, o.m_p); return *this; }
    static Bstr attach(BSTR p) { Bstr b; b.m_p = p; return b; }
    BSTR get() const { return m_p; }
    BSTR detach() { return std::exchange(m_p, nullptr); }
    BSTR copy() const { return m_p ? SysAllocStringLen(m_p, SysStringLen(m_p)) : nullptr; }
    BSTR *put() { SysFreeString(m_p); m_p = nullptr; return &m_p; }
    bool isNull() const { return m_p == nullptr; }
    uint32_t length() const { return SysStringLen(m_p); }
    QString toQString() const { return bstrToQString(m_p); }

private:
    BSTR m_p = nullptr;
};

// ---- interfaces

struct IDispatch;
struct SAFEARRAY;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    uint16_t wReserved1 = 0, wReserved2 = 0, wReserved3 = 0;
    union {
        int64_t llVal;
        int32_t lVal;
        uint32_t ulVal;
        int16_t iVal;
        uint16_t uiVal;
        int8_t cVal;
        uint8_t bVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown *punkVal;
        IDispatch *pdispVal;
        SAFEARRAY *parray;
        int16_t *piVal;
        int32_t *plVal;
        double *pdblVal;
        VARIANT_BOOL *pboolVal;
        BSTR *pbstrVal;
        IUnknown **ppunkVal;
        IDispatch **ppdispVal;
        VARIANT *pvarVal;
        void *byref;
    };
    VARIANT() : llVal(0) {}
};

void VariantInit(VARIANT *v);
HRESULT VariantClear(VARIANT *v);
HRESULT VariantCopy(VARIANT *dest, const VARIANT *src);
// Converts between the types this layer knows: EMPTY, NULL, I1, UI1, I2, UI2,
// I4, UI4, R4, R8, BOOL, BSTR, ERROR, UNKNOWN, DISPATCH; a by-reference source
// is read through. DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW when it cannot.
HRESULT VariantChangeType(VARIANT *dest, const VARIANT *src, uint16_t flags, VARTYPE vt);

// Owns one VARIANT.
class Variant : public VARIANT {
public:
    Variant() = default;
    Variant(const VARIANT &o) { VariantCopy(this, &o); }
    Variant(const Variant &o) : VARIANT() { VariantCopy(this, &o); }
    Variant(Variant &&o) noexcept : VARIANT(o) { o.vt = VT_EMPTY; o.llVal = 0; }
    ~Variant() { VariantClear(this); }
    Variant &operator=(const Variant &o) { if (this != &o) VariantCopy(this, &o); return *this; }
    Variant &operator=(Variant &&o) noexcept
    {
        if (this != &o) { VariantClear(this); static_cast<VARIANT &>(*this) = o; o.vt = VT_EMPTY; o.llVal = 0; }
        return *this;
    }

    static Variant null() { Variant v; v.vt = VT_NULL; return v; }
    static Variant i2(int16_t x) { Variant v; v.vt = VT_I2; v.iVal = x; return v; }
    static Variant i4(int32_t x) { Variant v; v.vt = VT_I4; v.lVal = x; return v; }
    static Variant r8(double x) { Variant v; v.vt = VT_R8; v.dblVal = x; return v; }
    static Variant boolean(bool x) { Variant v; v.vt = VT_BOOL; v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE; return v; }
    static Variant str(const QString &s) { Variant v; v.vt = VT_BSTR; v.bstrVal = SysAllocQString(s); return v; }
    static Variant nullStr() { Variant v; v.vt = VT_BSTR; v.bstrVal = nullptr; return v; }
    static Variant dispatch(IDispatch *d); // AddRefs
    static Variant unknown(IUnknown *u);   // AddRefs
    static Variant missing() { Variant v; v.vt = VT_ERROR; v.scode = DISP_E_PARAMNOTFOUND; return v; }

    // The value as another type; throws nothing, gives ok false when it cannot.
    int32_t toInt(bool *ok = nullptr) const;
    QString toQString() const;
};

struct DISPPARAMS {
    VARIANT *rgvarg = nullptr;           // arguments in reverse order
    DISPID *rgdispidNamedArgs = nullptr; // DISPID_PROPERTYPUT for a put
    uint32_t cArgs = 0;
    uint32_t cNamedArgs = 0;
};

struct EXCEPINFO {
    uint16_t wCode = 0;
    BSTR bstrSource = nullptr;
    BSTR bstrDescription = nullptr;
    BSTR bstrHelpFile = nullptr;
    uint32_t dwHelpContext = 0;
    HRESULT scode = 0;
};
void clearExcepInfo(EXCEPINFO *e);

constexpr uint16_t DISPATCH_METHOD = 1;
constexpr uint16_t DISPATCH_PROPERTYGET = 2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 4;
constexpr uint16_t DISPATCH_PROPERTYPUTREF = 8;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr DISPID DISPID_NEWENUM = -4;

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(uint32_t *count) = 0;
    virtual HRESULT GetIDsOfNames(const IID &riid, const OLECHAR *const *names, uint32_t count, LCID lcid,
                                  DISPID *ids) = 0;
    virtual HRESULT Invoke(DISPID id, const IID &riid, LCID lcid, uint16_t flags, DISPPARAMS *params,
                           VARIANT *result, EXCEPINFO *excep, uint32_t *argErr) = 0;
};

struct IEnumVARIANT : IUnknown {
    virtual HRESULT Next(uint32_t count, VARIANT *items, uint32_t *fetched) = 0;
    virtual HRESULT Skip(uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumVARIANT **copy) = 0;
};

struct IConnectionPointContainer;
struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(IID *iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer **container) = 0;
    virtual HRESULT Advise(IUnknown *sink, uint32_t *cookie) = 0;
    virtual HRESULT Unadvise(uint32_t cookie) = 0;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT FindConnectionPoint(const IID &iid, IConnectionPoint **point) = 0;
};

struct IPropertyNotifySink : IUnknown {
    virtual HRESULT OnChanged(DISPID id) = 0;
    virtual HRESULT OnRequestEdit(DISPID id) = 0;
};

extern const IID IID_IDispatch;
extern const IID IID_IEnumVARIANT;
extern const IID IID_IConnectionPoint;
extern const IID IID_IConnectionPointContainer;
extern const IID IID_IPropertyNotifySink;
extern const IID IID_NULL;
extern const GUID GUID_NULL;

// ---- helpers for objects

// An enumerator over a copy of VARIANTs.
class EnumVariant final : public IEnumVARIANT {
public:
    explicit EnumVariant(std::vector<Variant> items) : m_items(std::move(items)) {}
    HRESULT QueryInterface(const IID &iid, void **object) override;
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override;
    HRESULT Next(uint32_t count, VARIANT *items, uint32_t *fetched) override;
    HRESULT Skip(uint32_t count) override;
    HRESULT Reset() override { m_pos = 0; return S_OK; }
    HRESULT Clone(IEnumVARIANT **copy) override;

private:
    std::vector<Variant> m_items;
    size_t m_pos = 0;
    uint32_t m_refs = 0;
};

// One connection point held inside an object; its reference count is the
// owner's. Sinks are kept by cookie (never 0).
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IUnknown *owner, const IID &iid) : m_owner(owner), m_iid(iid) {}
    ~ConnectionPoint();
    HRESULT QueryInterface(const IID &iid, void **object) override;
    uint32_t AddRef() override { return m_owner->AddRef(); }
    uint32_t Release() override { return m_owner->Release(); }
    HRESULT GetConnectionInterface(IID *iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer **container) override;
    HRESULT Advise(IUnknown *sink, uint32_t *cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;

    const IID &iid() const { return m_iid; }
    // FindConnectionPoint of a container whose only point this is: this
    // point, with a reference, for its own IID; CONNECT_E_NOCONNECTION else.
    HRESULT handOut(const IID &iid, IConnectionPoint **point);
    // The sinks now connected (a copy: a sink may disconnect while called).
    std::vector<ComPtr<IUnknown>> sinks() const;
    // For IPropertyNotifySink points.
    void fireOnChanged(DISPID id) const;
    void fireOnRequestEdit(DISPID id) const;
    // For event (dispatch) points: calls each sink's IDispatch::Invoke with
    // DISPATCH_METHOD and the arguments, given in natural order and passed
    // reversed as Automation wants. A by-reference argument lets a handler
    // write back into the caller's storage.
    void fireEvent(DISPID id, const std::vector<VARIANT> &args) const;
    size_t count() const { return m_sinks.size(); }

private:
    IUnknown *m_owner;
    IID m_iid;
    std::map<uint32_t, IUnknown *> m_sinks;
    uint32_t m_next = 1;
};

// Member table for IDispatch. Each entry answers one name and dispid; its
// handler receives the arguments in natural order (first argument first; a
// put's value last) and may fill the result.
template <class T>
struct DispatchMember {
    const char16_t *name;
    DISPID id;
    uint16_t flags; // the DISPATCH_ kinds the member answers
    std::function<HRESULT(T *self, uint16_t kind, std::vector<VARIANT *> &args, VARIANT *result)> call;
};

// Generic parts of a table-driven Invoke.
namespace dispatch_detail {
HRESULT namesToIds(const std::vector<std::pair<std::u16string, DISPID>> &names, const OLECHAR *const *names_,
                   uint32_t count, DISPID *ids);
// Orders the arguments naturally, checks the named put argument; fills args.
HRESULT collectArgs(uint16_t flags, DISPPARAMS *params, std::vector<VARIANT *> &args);
// A failed member with error info becomes DISP_E_EXCEPTION with EXCEPINFO.
HRESULT finish(HRESULT hr, EXCEPINFO *excep);
bool equalsIgnoringAsciiCase(const std::u16string &a, const OLECHAR *b);
void clearErrorInfo();
} // namespace dispatch_detail

template <class T>
class DispatchTable {
public:
    explicit DispatchTable(std::vector<DispatchMember<T>> members) : m_members(std::move(members)) {}

    HRESULT getIDsOfNames(const OLECHAR *const *names, uint32_t count, DISPID *ids) const
    {
        if (!names || !ids || count == 0)
            return E_POINTER;
        HRESULT hr = S_OK;
        for (uint32_t i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        const DispatchMember<T> *m = find(names[0]);
        if (!m)
            return DISP_E_UNKNOWNNAME;
        ids[0] = m->id;
        if (count > 1)
            hr = DISP_E_UNKNOWNNAME; // argument names are not offered
        return hr;
    }

    HRESULT invoke(T *self, DISPID id, uint16_t flags, DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep) const
    {
        std::vector<VARIANT *> args;
        HRESULT hr = dispatch_detail::collectArgs(flags, params, args);
        if (FAILED(hr))
            return hr;
        for (const DispatchMember<T> &m : m_members) {
            if (m.id != id)
                continue;
            uint16_t kind = 0;
            for (uint16_t k : {DISPATCH_PROPERTYPUTREF, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYGET, DISPATCH_METHOD})
                if ((flags & k) && (m.flags & k)) {
                    kind = k;
                    break;
                }
            if (!kind)
                continue;
            // A member's error object is its own; none is left from before.
            dispatch_detail::clearErrorInfo();
            Variant scratch;
            hr = m.call(self, kind, args, result ? result : &scratch);
            return dispatch_detail::finish(hr, excep);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    const DispatchMember<T> *find(const OLECHAR *name) const
    {
        for (const DispatchMember<T> &m : m_members)
            if (dispatch_detail::equalsIgnoringAsciiCase(m.name, name))
                return &m;
        return nullptr;
    }
    std::vector<DispatchMember<T>> m_members;
};

// Client side: calls a member by name through IDispatch. Arguments in natural
// order. Error texts of a failed call land in excep when given.
HRESULT invokeByName(IDispatch *object, const QString &name, uint16_t flags, std::vector<Variant> args,
                     VARIANT *result, EXCEPINFO *excep = nullptr);

// Argument conversion for handlers: the argument as the type, through
// VariantChangeType; DISP_E_TYPEMISMATCH when it cannot be converted.
HRESULT argI2(VARIANT *arg, int16_t *out);
HRESULT argI4(VARIANT *arg, int32_t *out);
HRESULT argBool(VARIANT *arg, VARIANT_BOOL *out);
HRESULT argBstr(VARIANT *arg, Bstr *out);     // a null BSTR stays null
HRESULT argObject(VARIANT *arg, IDispatch **out); // borrowed; Nothing gives nullptr
// A VARIANT argument read through one level of VT_BYREF | VT_VARIANT.
VARIANT *derefVariant(VARIANT *arg);

} // namespace platform::com
