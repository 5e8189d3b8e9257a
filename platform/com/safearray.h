#pragma once
// One-dimensional SAFEARRAYs of the element types the controls exchange:
// VT_UI1, VT_I2, VT_I4, VT_BOOL, VT_BSTR, VT_VARIANT, VT_UNKNOWN, VT_DISPATCH.
#include "platform/com/automation.h"

namespace platform::com {

constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);

struct SAFEARRAYBOUND {
    uint32_t cElements = 0;
    int32_t lLbound = 0;
};

struct SAFEARRAY {
    uint16_t cDims = 1;
    uint16_t fFeatures = 0;
    uint32_t cbElements = 0;
    uint32_t cLocks = 0;
    void *pvData = nullptr;
    SAFEARRAYBOUND rgsabound[1];
    VARTYPE vt = VT_EMPTY; // element type
};

// Null for an element type outside the list or a size that cannot be had.
SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t count);
// Frees the elements (strings, variants, references) and the array.
HRESULT SafeArrayDestroy(SAFEARRAY *array);
HRESULT SafeArrayCopy(SAFEARRAY *array, SAFEARRAY **copy);
HRESULT SafeArrayGetLBound(SAFEARRAY *array, uint32_t dim, int32_t *bound);
HRESULT SafeArrayGetUBound(SAFEARRAY *array, uint32_t dim, int32_t *bound);
HRESULT SafeArrayGetVartype(SAFEARRAY *array, VARTYPE *vt);
HRESULT SafeArrayAccessData(SAFEARRAY *array, void **data);
HRESULT SafeArrayUnaccessData(SAFEARRAY *array);
// Copies in or out: a BSTR or VARIANT is duplicated, an interface AddRef'ed.
HRESULT SafeArrayPutElement(SAFEARRAY *array, const int32_t *index, const void *value);
HRESULT SafeArrayGetElement(SAFEARRAY *array, const int32_t *index, void *value);

} // namespace platform::com
