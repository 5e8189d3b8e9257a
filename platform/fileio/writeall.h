#pragma once
// Writing a whole buffer to a file descriptor, shared by the durable write
// and the staged files: every partial write continued, EINTR retried, a
// write that takes nothing counted as a full disk.
#include <QtGlobal>

namespace platform::fileio {

// Writes size bytes; adds what was written to *written. Returns 0, or the
// errno value of the failure (part of the data may be written then).
int writeAll(int fd, const char *data, qint64 size, qint64 *written);

} // namespace platform::fileio
