#include "platform/archive/archive_error.h"

namespace platform::archive {

int runtimeNumberOf(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::BadCommand: return platform::err::InvalidProcedureCall;
    case ErrorKind::FileNotFound: return platform::err::FileNotFound;
    case ErrorKind::ReadFailed:
    case ErrorKind::WriteFailed: return platform::err::PathFileAccess;
    case ErrorKind::UnsafePath: return platform::err::PathFileAccess;
    case ErrorKind::BadName: return platform::err::InvalidProcedureCall;
    default: return 321;
    }
}

ArchiveError::ArchiveError(ErrorKind kind, const QString &description)
    : platform::RuntimeError(runtimeNumberOf(kind), description), m_kind(kind)
{
}

void fail(ErrorKind kind, const QString &description)
{
    throw ArchiveError(kind, description);
}

} // namespace platform::archive
