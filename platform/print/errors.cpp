#include "platform/print/errors.h"

namespace platform::print {

void throwInvalidValue(const QString &property)
{
    throw RuntimeError(kInvalidPropertyValue, QStringLiteral("Invalid property value: %1").arg(property));
}

} // namespace platform::print
