#include "platform/com/automation.h"

#include <algorithm>

#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/com/safearray.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform::com {

const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IEnumVARIANT = {0x00020404, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IConnectionPoint = {0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_IConnectionPointContainer = {0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_IPropertyNotifySink = {0x9BFBBC02, 0xEFF1, 0x101A, {0x84, 0xED, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_NULL = {};
const GUID GUID_NULL = {};

// ---- task memory and BSTR

void *CoTaskMemAlloc(size_t bytes)
{
    return std::malloc(bytes ? bytes : 1);
}

void CoTaskMemFree(void *block)
{
    std::free(block);
}

OLECHAR *CoTaskMemString(const QString &text)
{
    auto *p = static_cast<OLECHAR *>(CoTaskMemAlloc((size_t(text.size()) + 1) * sizeof(OLECHAR)));
    if (!p)
        return nullptr;
    std::copy(text.utf16(), text.utf16() + text.size(), p);
    p[text.size()] = 0;
    return p;
}

BSTR SysAllocStringLen(const OLECHAR *text, uint32_t length)
{
    if (length > (std::numeric_limits<uint32_t>::max() - 8) / 2)
        return nullptr;
    const size_t bytes = size_t(length) * 2;
    auto *block = static_cast<uint8_t *>(std::malloc(4 + bytes + 2));
    if (!block)
        return nullptr;
    const uint32_t prefix = static_cast<uint32_t>(bytes);
    std::memcpy(block, &prefix, 4);
    auto *s = reinterpret_cast<OLECHAR *>(block + 4);
    if (text)
        std::memcpy(s, text, bytes);
    else
        std::memset(s, 0, bytes);
    s[length] = 0;
    return s;
}

BSTR SysAllocString(const OLECHAR *text)
{
    if (!text)
        return nullptr;
    uint32_t n = 0;
    while (text[n])
        ++n;
    return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(reinterpret_cast<uint8_t *>(text) - 4);
}

uint32_t SysStringByteLen(BSTR text)
{
    if (!text)
        return 0;
    uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<uint8_t *>(text) - 4, 4);
    return prefix;
}

uint32_t SysStringLen(BSTR text)
{
    return SysStringByteLen(text) / 2;
}

BSTR SysAllocQString(const QString &text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), static_cast<uint32_t>(text.size()));
}

QString bstrToQString(BSTR text)
{
    if (!text)
        return QString();
    const uint32_t n = SysStringLen(text);
    if (n == 0)
        return QString(QLatin1String(""));
    return QString(reinterpret_cast<const QChar *>(text), static_cast<qsizetype>(n));
}

// ---- VARIANT

void VariantInit(VARIANT *v)
{
    if (v) {
        v->vt = VT_EMPTY;
        v->llVal = 0;
    }
}

HRESULT VariantClear(VARIANT *v)
{
    if (!v)
        return E_POINTER;
    if (!(v->vt & VT_BYREF) && (v->vt & VT_ARRAY)) {
        const HRESULT hr = SafeArrayDestroy(v->parray);
        if (FAILED(hr))
            return hr;
    } else if (!(v->vt & VT_BYREF)) {
        switch (v->vt) {
        case VT_BSTR:
            SysFreeString(v->bstrVal);
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (v->punkVal)
                v->punkVal->Release();
            break;
        default:
            break;
        }
    }
    v->vt = VT_EMPTY;
    v->llVal = 0;
    return S_OK;
}

HRESULT VariantCopy(VARIANT *dest, const VARIANT *src)
{
    if (!dest || !src)
        return E_POINTER;
    if (dest == src)
        return S_OK;
    VARIANT copy = *src;
    if (!(src->vt & VT_BYREF)) {
        if (src->vt == VT_BSTR && src->bstrVal) {
            copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (!copy.bstrVal)
                return E_OUTOFMEMORY;
        } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal) {
            src->punkVal->AddRef();
        } else if ((src->vt & VT_ARRAY) && src->parray) {
            const HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
            if (FAILED(hr))
                return hr;
        }
    }
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

namespace {

// A by-reference source read as its plain value (no ownership taken).
bool readThrough(const VARIANT *src, VARIANT &plain)
{
    plain = VARIANT();
    if (!(src->vt & VT_BYREF)) {
        plain = *src;
        return true;
    }
    if (!src->byref)
        return false;
    const VARTYPE base = src->vt & VT_TYPEMASK;
    plain.vt = base;
    switch (base) {
    case VT_I2: plain.iVal = *src->piVal; break;
    case VT_I4: plain.lVal = *src->plVal; break;
    case VT_R8: plain.dblVal = *src->pdblVal; break;
    case VT_BOOL: plain.boolVal = *src->pboolVal; break;
    case VT_BSTR: plain.bstrVal = *src->pbstrVal; break;
    case VT_UNKNOWN: plain.punkVal = *src->ppunkVal; break;
    case VT_DISPATCH: plain.pdispVal = *src->ppdispVal; break;
    case VT_VARIANT: return readThrough(src->pvarVal, plain);
    default: return false;
    }
    return true;
}

bool asDouble(const VARIANT &v, double &out, HRESULT &hr)
{
    switch (v.vt) {
    case VT_EMPTY: out = 0; return true;
    case VT_I1: out = v.cVal; return true;
    case VT_UI1: out = v.bVal; return true;
    case VT_I2: out = v.iVal; return true;
    case VT_UI2: out = v.uiVal; return true;
    case VT_I4: out = v.lVal; return true;
    case VT_UI4: out = v.ulVal; return true;
    case VT_R4: out = v.fltVal; return true;
    case VT_R8: out = v.dblVal; return true;
    case VT_BOOL: out = v.boolVal ? -1 : 0; return true;
    case VT_BSTR: {
        const QString s = bstrToQString(v.bstrVal).trimmed();
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
            out = -1;
            return true;
        }
        if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
            out = 0;
            return true;
        }
        bool ok = false;
        out = s.toDouble(&ok);
        if (!ok || !std::isfinite(out))
            hr = DISP_E_TYPEMISMATCH;
        return ok && std::isfinite(out);
    }
    default:
        hr = DISP_E_TYPEMISMATCH;
        return false;
    }
}

// Banker's rounding, as the runtime rounds a fraction to an integer.
double roundEven(double x)
{
    return std::nearbyint(x);
}

template <class I>
bool fitInteger(double d, I &out)
{
    const double r = roundEven(d);
    // NaN compares false with every bound: it fits no integer either.
    if (!(r >= double(std::numeric_limits<I>::min()) && r <= double(std::numeric_limits<I>::max())))
        return false;
    out = static_cast<I>(r);
    return true;
}

QString numberText(const VARIANT &v)
{
    switch (v.vt) {
    case VT_R4: return QString::number(double(v.fltVal), 'g', 7);
    case VT_R8: return QString::number(v.dblVal, 'g', 15);
    case VT_BOOL: return v.boolVal ? QStringLiteral("True") : QStringLiteral("False");
    case VT_UI4: return QString::number(v.ulVal);
    default: {
        double d = 0;
        HRESULT hr = S_OK;
        asDouble(v, d, hr);
        return QString::number(static_cast<qint64>(d));
    }
    }
}

} // namespace

HRESULT VariantChangeType(VARIANT *dest, const VARIANT *src, uint16_t, VARTYPE vt)
{
    if (!dest || !src)
        return E_POINTER;
    VARIANT plain;
    if (!readThrough(src, plain))
        return DISP_E_BADVARTYPE;
    if (plain.vt == vt) {
        if (dest == src)
            return S_OK;
        return VariantCopy(dest, &plain);
    }
    VARIANT out;
    out.vt = vt;
    HRESULT hr = S_OK;
    if (plain.vt == VT_NULL && vt != VT_NULL)
        return DISP_E_TYPEMISMATCH;
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        break;
    case VT_BSTR:
        if (plain.vt == VT_EMPTY)
            out.bstrVal = SysAllocQString(QString());
        else if (plain.vt == VT_UNKNOWN || plain.vt == VT_DISPATCH || plain.vt == VT_ERROR)
            return DISP_E_TYPEMISMATCH;
        else
            out.bstrVal = SysAllocQString(numberText(plain));
        break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (plain.vt == VT_UNKNOWN || plain.vt == VT_DISPATCH) {
            if (!plain.punkVal) {
                out.punkVal = nullptr;
                break;
            }
            void *p = nullptr;
            const HRESULT q = plain.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p);
            if (FAILED(q))
                return DISP_E_TYPEMISMATCH;
            out.punkVal = static_cast<IUnknown *>(p);
            break;
        }
        if (plain.vt == VT_EMPTY) {
            out.punkVal = nullptr;
            break;
        }
        return DISP_E_TYPEMISMATCH;
    case VT_ERROR:
        if (plain.vt != VT_I4 && plain.vt != VT_UI4)
            return DISP_E_TYPEMISMATCH;
        out.scode = plain.lVal;
        break;
    default: {
        double d = 0;
        if (!asDouble(plain, d, hr))
            return hr;
        bool fits = true;
        switch (vt) {
        case VT_I1: fits = fitInteger(d, out.cVal); break;
        case VT_UI1: fits = fitInteger(d, out.bVal); break;
        case VT_I2: fits = fitInteger(d, out.iVal); break;
        case VT_UI2: fits = fitInteger(d, out.uiVal); break;
        case VT_I4: fits = fitInteger(d, out.lVal); break;
        case VT_UI4: fits = fitInteger(d, out.ulVal); break;
        case VT_R4:
            fits = std::fabs(d) <= std::numeric_limits<float>::max();
            out.fltVal = static_cast<float>(d);
            break;
        case VT_R8: out.dblVal = d; break;
        case VT_BOOL: out.boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
        default: return DISP_E_BADVARTYPE;
        }
        if (!fits)
            return DISP_E_OVERFLOW;
    }
    }
    if ((vt == VT_BSTR) && !out.bstrVal)
        return E_OUTOFMEMORY;
    VariantClear(dest);
    *dest = out;
    return S_OK;
}

Variant Variant::dispatch(IDispatch *d)
{
    Variant v;
    v.vt = VT_DISPATCH;
    v.pdispVal = d;
    if (d)
        d->AddRef();
    return v;
}

Variant Variant::unknown(IUnknown *u)
{
    Variant v;
    v.vt = VT_UNKNOWN;
    v.punkVal = u;
    if (u)
        u->AddRef();
    return v;
}

int32_t Variant::toInt(bool *ok) const
{
    Variant out;
    const HRESULT hr = VariantChangeType(&out, this, 0, VT_I4);
    if (ok)
        *ok = SUCCEEDED(hr);
    return SUCCEEDED(hr) ? out.lVal : 0;
}

QString Variant::toQString() const
{
    Variant out;
    if (FAILED(VariantChangeType(&out, this, 0, VT_BSTR)))
        return QString();
    return bstrToQString(out.bstrVal);
}

void clearExcepInfo(EXCEPINFO *e)
{
    if (!e)
        return;
    SysFreeString(e->bstrSource);
    SysFreeString(e->bstrDescription);
    SysFreeString(e->bstrHelpFile);
    *e = EXCEPINFO();
}

// ---- EnumVariant

HRESULT EnumVariant::QueryInterface(const IID &iid, void **object)
{
    return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {IID_IEnumVARIANT, this}});
}

uint32_t EnumVariant::Release()
{
    const uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT EnumVariant::Next(uint32_t count, VARIANT *items, uint32_t *fetched)
{
    if (!items && count)
        return E_POINTER;
    uint32_t n = 0;
    while (n < count && m_pos < m_items.size()) {
        VariantInit(&items[n]);
        VariantCopy(&items[n], &m_items[m_pos]);
        ++n;
        ++m_pos;
    }
    if (fetched)
        *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT EnumVariant::Skip(uint32_t count)
{
    const size_t left = m_items.size() - m_pos;
    if (count > left) {
        m_pos = m_items.size();
        return S_FALSE;
    }
    m_pos += count;
    return S_OK;
}

HRESULT EnumVariant::Clone(IEnumVARIANT **copy)
{
    if (!copy)
        return E_POINTER;
    auto *e = new EnumVariant(m_items);
    e->m_pos = m_pos;
    e->AddRef();
    *copy = e;
    return S_OK;
}

// ---- ConnectionPoint

ConnectionPoint::~ConnectionPoint()
{
    for (auto &entry : m_sinks)
        entry.second->Release();
}

HRESULT ConnectionPoint::QueryInterface(const IID &iid, void **object)
{
    return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {IID_IConnectionPoint, this}});
}

HRESULT ConnectionPoint::handOut(const IID &iid, IConnectionPoint **point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid != m_iid)
        return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID *iid)
{
    return outValue(iid, m_iid);
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer **container)
{
    if (!container)
        return E_POINTER;
    return m_owner->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(container));
}

HRESULT ConnectionPoint::Advise(IUnknown *sink, uint32_t *cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IUnknown *typed = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void **>(&typed))) || !typed)
        return CONNECT_E_CANNOTCONNECT;
    const uint32_t c = m_next++;
    m_sinks[c] = typed;
    *cookie = c;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(uint32_t cookie)
{
    const auto it = m_sinks.find(cookie);
    if (it == m_sinks.end())
        return CONNECT_E_NOCONNECTION;
    IUnknown *sink = it->second;
    m_sinks.erase(it);
    sink->Release();
    return S_OK;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::sinks() const
{
    std::vector<ComPtr<IUnknown>> out;
    for (const auto &entry : m_sinks)
        out.emplace_back(entry.second);
    return out;
}

void ConnectionPoint::fireOnChanged(DISPID id) const
{
    for (const ComPtr<IUnknown> &s : sinks())
        static_cast<IPropertyNotifySink *>(s.get())->OnChanged(id);
}

void ConnectionPoint::fireOnRequestEdit(DISPID id) const
{
    for (const ComPtr<IUnknown> &s : sinks())
        static_cast<IPropertyNotifySink *>(s.get())->OnRequestEdit(id);
}

void ConnectionPoint::fireEvent(DISPID id, const std::vector<VARIANT> &args) const
{
    for (const ComPtr<IUnknown> &s : sinks()) {
        ComPtr<IDispatch> d;
        if (FAILED(s->QueryInterface(IID_IDispatch, d.putVoid())))
            continue;
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params;
        params.rgvarg = reversed.empty() ? nullptr : reversed.data();
        params.cArgs = static_cast<uint32_t>(reversed.size());
        Variant result;
        EXCEPINFO excep;
        uint32_t argErr = 0;
        d->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &excep, &argErr);
        clearExcepInfo(&excep);
    }
}

// ---- dispatch tables

namespace dispatch_detail {

bool equalsIgnoringAsciiCase(const std::u16string &a, const OLECHAR *b)
{
    if (!b)
        return false;
    size_t i = 0;
    for (; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (!y)
            return false;
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return b[i] == 0;
}

HRESULT collectArgs(uint16_t flags, DISPPARAMS *params, std::vector<VARIANT *> &args)
{
    args.clear();
    if (!params)
        return S_OK;
    if (params->cArgs && !params->rgvarg)
        return E_POINTER;
    if (params->cNamedArgs > 1)
        return DISP_E_NONAMEDARGS;
    if (params->cNamedArgs == 1) {
        const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        if (!put || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
            params->cArgs == 0)
            return DISP_E_NONAMEDARGS;
        // The named value sits at rgvarg[0]; the positional ones follow in reverse.
        for (uint32_t i = params->cArgs; i-- > 1;)
            args.push_back(&params->rgvarg[i]);
        args.push_back(&params->rgvarg[0]);
        return S_OK;
    }
    for (uint32_t i = params->cArgs; i-- > 0;)
        args.push_back(&params->rgvarg[i]);
    return S_OK;
}

void clearErrorInfo()
{
    SetErrorInfo(0, nullptr);
}

HRESULT finish(HRESULT hr, EXCEPINFO *excep)
{
    if (SUCCEEDED(hr) || hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_TYPEMISMATCH || hr == DISP_E_BADPARAMCOUNT ||
        hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_OVERFLOW)
        return hr;
    if (excep) {
        clearExcepInfo(excep);
        excep->scode = hr;
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, info.put()) == S_OK && info) {
            info->GetSource(&excep->bstrSource);
            info->GetDescription(&excep->bstrDescription);
        }
    }
    return DISP_E_EXCEPTION;
}

} // namespace dispatch_detail

HRESULT invokeByName(IDispatch *object, const QString &name, uint16_t flags, std::vector<Variant> args,
                     VARIANT *result, EXCEPINFO *excep)
{
    if (!object)
        return E_POINTER;
    Bstr n(name);
    const OLECHAR *names[1] = {n.get()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr))
        return hr;
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (size_t i = args.size(); i-- > 0;)
        reversed.push_back(args[i]);
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<uint32_t>(reversed.size());
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO local;
    uint32_t argErr = 0;
    hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, excep ? excep : &local, &argErr);
    clearExcepInfo(&local);
    // The copies in `reversed` share what `args` owns; args clears it.
    return hr;
}

// ---- argument conversion

VARIANT *derefVariant(VARIANT *arg)
{
    if (arg && arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal)
        return arg->pvarVal;
    return arg;
}

HRESULT argI2(VARIANT *arg, int16_t *out)
{
    Variant v;
    const HRESULT hr = VariantChangeType(&v, arg, 0, VT_I2);
    if (FAILED(hr))
        return hr;
    *out = v.iVal;
    return S_OK;
}

HRESULT argI4(VARIANT *arg, int32_t *out)
{
    Variant v;
    HRESULT hr = VariantChangeType(&v, arg, 0, VT_I4);
    if (hr == DISP_E_OVERFLOW) {
        // OLE_COLOR values above 0x7FFFFFFF arrive as unsigned.
        hr = VariantChangeType(&v, arg, 0, VT_UI4);
        if (FAILED(hr))
            return hr;
        *out = static_cast<int32_t>(v.ulVal);
        return S_OK;
    }
    if (FAILED(hr))
        return hr;
    *out = v.lVal;
    return S_OK;
}

HRESULT argBool(VARIANT *arg, VARIANT_BOOL *out)
{
    Variant v;
    const HRESULT hr = VariantChangeType(&v, arg, 0, VT_BOOL);
    if (FAILED(hr))
        return hr;
    *out = v.boolVal;
    return S_OK;
}

HRESULT argBstr(VARIANT *arg, Bstr *out)
{
    VARIANT *a = derefVariant(arg);
    if (a->vt == VT_BSTR) {
        *out = Bstr::attach(a->bstrVal ? SysAllocStringLen(a->bstrVal, SysStringLen(a->bstrVal)) : nullptr);
        return S_OK;
    }
    if (a->vt == (VT_BYREF | VT_BSTR)) {
        BSTR s = a->pbstrVal ? *a->pbstrVal : nullptr;
        *out = Bstr::attach(s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr);
        return S_OK;
    }
    Variant v;
    const HRESULT hr = VariantChangeType(&v, a, 0, VT_BSTR);
    if (FAILED(hr))
        return hr;
    *out = Bstr::attach(v.bstrVal);
    v.vt = VT_EMPTY;
    return S_OK;
}

HRESULT argObject(VARIANT *arg, IDispatch **out)
{
    VARIANT *a = derefVariant(arg);
    if (a->vt == VT_DISPATCH || a->vt == VT_UNKNOWN) {
        if (!a->punkVal) {
            *out = nullptr;
            return S_OK;
        }
        IDispatch *d = nullptr;
        if (FAILED(a->punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&d))))
            return DISP_E_TYPEMISMATCH;
        d->Release(); // borrowed: the argument holds it
        *out = d;
        return S_OK;
    }
    if (a->vt == (VT_BYREF | VT_DISPATCH)) {
        *out = a->ppdispVal ? *a->ppdispVal : nullptr;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

} // namespace platform::com
