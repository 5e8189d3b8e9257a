#include "platform/com/safearray.h"

#include <cstdlib>
#include <cstring>

namespace platform::com {

namespace {

uint32_t elementSize(VARTYPE vt)
{
    switch (vt) {
    case VT_UI1: return 1;
    case VT_I2:
    case VT_BOOL: return 2;
    case VT_I4: return 4;
    case VT_BSTR: return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(IUnknown *);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

uint8_t *slot(SAFEARRAY *a, uint32_t i)
{
    return static_cast<uint8_t *>(a->pvData) + size_t(i) * a->cbElements;
}

void clearSlot(SAFEARRAY *a, uint32_t i)
{
    uint8_t *p = slot(a, i);
    switch (a->vt) {
    case VT_BSTR: {
        BSTR s = nullptr;
        std::memcpy(&s, p, sizeof s);
        SysFreeString(s);
        break;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown *u = nullptr;
        std::memcpy(&u, p, sizeof u);
        if (u)
            u->Release();
        break;
    }
    case VT_VARIANT: VariantClear(reinterpret_cast<VARIANT *>(p)); break;
    default: break;
    }
    std::memset(p, 0, a->cbElements);
}

// Copies one element value into a cleared slot.
HRESULT copyIn(SAFEARRAY *a, uint8_t *dest, const void *value)
{
    switch (a->vt) {
    case VT_BSTR: {
        BSTR s = *static_cast<const BSTR *>(value);
        BSTR c = s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr;
        if (s && !c)
            return E_OUTOFMEMORY;
        std::memcpy(dest, &c, sizeof c);
        return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown *u = *static_cast<IUnknown *const *>(value);
        if (u)
            u->AddRef();
        std::memcpy(dest, &u, sizeof u);
        return S_OK;
    }
    case VT_VARIANT: {
        auto *v = reinterpret_cast<VARIANT *>(dest);
        VariantInit(v);
        return VariantCopy(v, static_cast<const VARIANT *>(value));
    }
    default:
        std::memcpy(dest, value, a->cbElements);
        return S_OK;
    }
}

HRESULT position(SAFEARRAY *a, const int32_t *index, uint32_t *i)
{
    if (!a || !index)
        return E_INVALIDARG;
    const int64_t off = int64_t(*index) - a->rgsabound[0].lLbound;
    if (off < 0 || off >= int64_t(a->rgsabound[0].cElements))
        return DISP_E_BADINDEX;
    *i = static_cast<uint32_t>(off);
    return S_OK;
}

} // namespace

SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t count)
{
    const uint32_t size = elementSize(vt);
    if (!size || count > (uint32_t(1) << 28))
        return nullptr;
    auto *a = new SAFEARRAY;
    a->vt = vt;
    a->cbElements = size;
    a->rgsabound[0].cElements = count;
    a->rgsabound[0].lLbound = lowerBound;
    a->pvData = std::calloc(count ? count : 1, size);
    if (!a->pvData) {
        delete a;
        return nullptr;
    }
    return a;
}

HRESULT SafeArrayDestroy(SAFEARRAY *a)
{
    if (!a)
        return S_OK;
    if (a->cLocks)
        return DISP_E_ARRAYISLOCKED;
    for (uint32_t i = 0; i < a->rgsabound[0].cElements; ++i)
        clearSlot(a, i);
    std::free(a->pvData);
    delete a;
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY *a, SAFEARRAY **copy)
{
    if (!a || !copy)
        return E_INVALIDARG;
    *copy = nullptr;
    SAFEARRAY *c = SafeArrayCreateVector(a->vt, a->rgsabound[0].lLbound, a->rgsabound[0].cElements);
    if (!c)
        return E_OUTOFMEMORY;
    for (uint32_t i = 0; i < a->rgsabound[0].cElements; ++i) {
        const HRESULT hr = copyIn(c, slot(c, i), slot(a, i));
        if (FAILED(hr)) {
            SafeArrayDestroy(c);
            return hr;
        }
    }
    *copy = c;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY *a, uint32_t dim, int32_t *bound)
{
    if (!a || !bound)
        return E_INVALIDARG;
    if (dim != 1)
        return DISP_E_BADINDEX;
    *bound = a->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY *a, uint32_t dim, int32_t *bound)
{
    if (!a || !bound)
        return E_INVALIDARG;
    if (dim != 1)
        return DISP_E_BADINDEX;
    *bound = int32_t(int64_t(a->rgsabound[0].lLbound) + a->rgsabound[0].cElements - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY *a, VARTYPE *vt)
{
    if (!a || !vt)
        return E_INVALIDARG;
    *vt = a->vt;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY *a, void **data)
{
    if (!a || !data)
        return E_INVALIDARG;
    ++a->cLocks;
    *data = a->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY *a)
{
    if (!a)
        return E_INVALIDARG;
    if (!a->cLocks)
        return E_UNEXPECTED;
    --a->cLocks;
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY *a, const int32_t *index, const void *value)
{
    uint32_t i = 0;
    HRESULT hr = position(a, index, &i);
    if (FAILED(hr))
        return hr;
    if (!value)
        return E_INVALIDARG;
    clearSlot(a, i);
    return copyIn(a, slot(a, i), value);
}

HRESULT SafeArrayGetElement(SAFEARRAY *a, const int32_t *index, void *value)
{
    uint32_t i = 0;
    HRESULT hr = position(a, index, &i);
    if (FAILED(hr))
        return hr;
    if (!value)
        return E_INVALIDARG;
    if (a->vt == VT_VARIANT)
        VariantInit(static_cast<VARIANT *>(value));
    return copyIn(a, static_cast<uint8_t *>(value), slot(a, i));
}

} // namespace platform::com
