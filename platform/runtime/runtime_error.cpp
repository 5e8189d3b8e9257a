#include "runtime_error.h"

namespace platform {

RuntimeError::RuntimeError(int number, const QString &description, const QString &source)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description),
      m_source(source)
{
}

QString errorDescription(int number)
{
    switch (number) {
    case err::InvalidProcedureCall: return QStringLiteral("Invalid procedure call or argument");
    case err::Overflow: return QStringLiteral("Overflow");
    case err::SubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case err::TypeMismatch: return QStringLiteral("Type mismatch");
    case err::FileNotFound: return QStringLiteral("File not found");
    case err::DeviceIO: return QStringLiteral("Device I/O error");
    case err::FileAlreadyExists: return QStringLiteral("File already exists");
    case err::DiskFull: return QStringLiteral("Disk full");
    case err::PermissionDenied: return QStringLiteral("Permission denied");
    case err::PathFileAccess: return QStringLiteral("Path/File access error");
    case err::PathNotFound: return QStringLiteral("Path not found");
    case err::ObjectRequired: return QStringLiteral("Object required");
    case err::CancelError: return QStringLiteral("Cancel was selected.");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

void raise(int number, const QString &description)
{
    throw RuntimeError(number, description.isEmpty() ? errorDescription(number) : description);
}

} // namespace platform
