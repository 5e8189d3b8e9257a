#pragma once
// The private messages of the "RyxNumberLgtX" numeric field, as the property
// pages of both control libraries send them. Values travel as VARIANTs
// through lParam: the getters write a VT_R8, the setters take any VARIANT
// that converts to a number (the pages give VT_R8 limits and VT_I2 values).
#include "platform/win/wintypes.h"

namespace zobase7::number {

namespace win = platform::win;

constexpr win::UINT Prepare = 0x1159;           // wParam 1: before every value exchange
constexpr win::UINT SetAlignH = 0x1111;         // wParam 0 left, 1 right, 2 centre
constexpr win::UINT SetAlignV = 0x1113;         // wParam 0 top, 1 bottom, 2 centre
constexpr win::UINT SetAppearance = 0x111D;     // wParam 0 flat, 1 3D
constexpr win::UINT SetBorderStyle = 0x111F;    // wParam 0 none, 1 fixed single
constexpr win::UINT Setup1123 = 0x1123;
constexpr win::UINT SetMousePointer = 0x1125;
constexpr win::UINT GetMargins = 0x1116;        // answer MAKELONG(top, bottom)
constexpr win::UINT SetMargins = 0x1117;        // wParam MAKELONG(top, bottom)
constexpr win::UINT SetSpinEnabled = 0x1132;
constexpr win::UINT SetButtonLayout = 0x113E;
constexpr win::UINT SetSpinVisible = 0x1140;
constexpr win::UINT SetSpinWrap = 0x1174;
constexpr win::UINT GetValue = 0x3006;          // lParam VARIANT* receives VT_R8
constexpr win::UINT SetValue = 0x3007;          // lParam const VARIANT*
constexpr win::UINT Setup300D = 0x300D;
constexpr win::UINT Setup3017 = 0x3017;
constexpr win::UINT Setup3019 = 0x3019;
constexpr win::UINT GetMinimum = 0x3021;        // lParam VARIANT* receives VT_R8
constexpr win::UINT SetMinimum = 0x3022;        // lParam const VARIANT*
constexpr win::UINT GetMaximum = 0x3023;
constexpr win::UINT SetMaximum = 0x3024;
constexpr win::UINT SetIntegerDigits = 0x4002;  // wParam: digits a typed number may have (0: no limit)
constexpr win::UINT Setup4006 = 0x4006;
constexpr win::UINT Setup400B = 0x400B;

// Limits of a field nobody configured.
constexpr double kDefaultMinimum = -2147483648.0;
constexpr double kDefaultMaximum = 2147483647.0;

} // namespace zobase7::number
