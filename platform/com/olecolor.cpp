#include "platform/com/olecolor.h"

#include "platform/com/comrt/comrt.h"

namespace platform::com {

namespace {
// The scheme lives in the process-wide runtime library, shared by every copy
// of this layer.
COLORREF *sysColours()
{
    static COLORREF *const table = [] {
        int count = 0;
        COLORREF *t = talvik_com_sys_colours(&count);
        return count >= kSystemColourCount ? t : nullptr;
    }();
    return table;
}
} // namespace

COLORREF GetSysColor(int index)
{
    return index >= 0 && index < kSystemColourCount && sysColours() ? sysColours()[index] : 0;
}

void setSysColor(int index, COLORREF colour)
{
    if (index >= 0 && index < kSystemColourCount && sysColours())
        sysColours()[index] = colour & 0xFFFFFF;
}

HRESULT OleTranslateColor(OLE_COLOR colour, void *, COLORREF *out)
{
    const uint32_t kind = colour >> 24;
    COLORREF c = 0;
    switch (kind) {
    case 0x00:
        c = colour;
        break;
    case 0x80: {
        const uint32_t index = colour & 0xFFFFFF;
        if (index >= kSystemColourCount || !sysColours())
            return E_INVALIDARG;
        c = sysColours()[index];
        break;
    }
    case 0x01:
    case 0x02:
        c = colour & 0xFFFFFF;
        break;
    default:
        return E_INVALIDARG;
    }
    if (out)
        *out = c;
    return S_OK;
}

} // namespace platform::com
