#pragma once
// The file layer's own system calls, shared by the durable write, the staged
// files and the sync batch: a whole buffer written (every partial write
// continued, EINTR retried, a write that takes nothing counted as a full
// disk), and a file or folder synced.
#include <QString>
#include <QtGlobal>

namespace platform::fileio {

// Writes size bytes; adds what was written to *written. Returns 0, or the
// errno value of the failure (part of the data may be written then).
int writeAll(int fd, const char *data, qint64 size, qint64 *written);

// Opens `path` (a folder where `folder`) and syncs it. Returns 0, or the
// errno value of the failure; a file system that cannot sync a folder
// (EINVAL) counts as done. The fault hook is not asked.
int syncPath(const QString &path, bool folder);

} // namespace platform::fileio
