#pragma once
// The runtime's numeric conversions, each defined once here.
#include <QString>
#include <cstdint>

namespace platform {

// Val: the number at the start of the text (blanks skipped, digits, one sign,
// one decimal point, an exponent); 0 when the text does not start with one.
double Val(const QString &text);

// IsNumeric for texts: the whole text (blanks around it allowed) is a number.
bool IsNumeric(const QString &text);

// CInt: rounds to the nearest integer, halves to the even one; error 6
// (Overflow) outside -32768..32767, error 13 (Type mismatch) for a text that is
// not numeric.
std::int16_t CInt(double value);
std::int16_t CInt(const QString &text);

// CLng: the same rounding into 32 bits.
std::int32_t CLng(double value);
std::int32_t CLng(const QString &text);

// Format(value, "0000"): at least `digits` digits with leading zeros, the sign
// kept in front ("-001" for -1).
QString FormatZero(long long value, int digits);

} // namespace platform
