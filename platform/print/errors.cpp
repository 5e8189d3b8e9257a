#include "platform/print/errors.h"

namespace platform::print {

void throwInvalidValue(const QString &property)
{
    throw RuntimeError(kInvalidPropertyValue, errorDescription(kInvalidPropertyValue, property));
}

} // namespace platform::print
