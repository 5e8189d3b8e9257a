#include "platform/com/olecolor.h"

namespace platform::com {

namespace {
COLORREF g_sys[kSystemColourCount] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
    0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
    0x000000, 0x544E43, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF,
};
} // namespace

COLORREF GetSysColor(int index)
{
    return index >= 0 && index < kSystemColourCount ? g_sys[index] : 0;
}

void setSysColor(int index, COLORREF colour)
{
    if (index >= 0 && index < kSystemColourCount)
        g_sys[index] = colour & 0xFFFFFF;
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
        if (index >= kSystemColourCount)
            return E_INVALIDARG;
        c = g_sys[index];
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
