#pragma once
// Errors of the archiver: a run-time error whose Japanese description names
// the cause, with a kind that the command-line entry turns into its result code.
#include "platform/runtime/runtime_error.h"

#include <QString>

namespace platform::archive {

enum class ErrorKind {
    BadCommand = 1,     // command line not understood
    FileNotFound,       // archive or source missing
    ReadFailed,         // a file could not be read
    WriteFailed,        // a file or folder could not be written
    NotArchive,         // the file is not an LHA archive
    Truncated,          // the archive ends inside an entry
    BrokenHeader,       // a header checksum or CRC does not match
    CrcError,           // the data of an entry does not match its CRC
    UnsupportedMethod,  // compression method or header level unknown
    UnsafePath,         // absolute path, drive, "..", link, or outside the expected root
    BadName,            // a name cannot be held in the archive's code page
    NoEntries,          // nothing to add, or nothing under the expected root
};

class ArchiveError : public platform::RuntimeError {
public:
    ArchiveError(ErrorKind kind, const QString &description);
    ErrorKind kind() const { return m_kind; }

private:
    ErrorKind m_kind;
};

// Run-time error number used for a kind (321 "invalid file format" for damaged
// or foreign archives, 53 file not found, 75 path/file access, 5 bad command).
int runtimeNumberOf(ErrorKind kind);

[[noreturn]] void fail(ErrorKind kind, const QString &description);

} // namespace platform::archive
