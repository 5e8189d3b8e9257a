#pragma once
// Error numbers of the drawing and printing stand-ins, on top of the runtime's.
#include "platform/runtime/runtime_error.h"

namespace platform::print {

constexpr int kInvalidPropertyValue = 380;
constexpr int kPrinterError = 482;

// Raises 380 with its standard text, naming the property.
[[noreturn]] void throwInvalidValue(const QString &property);

} // namespace platform::print
