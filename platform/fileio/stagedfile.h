#pragma once
// A file of a folder tree that is built under a private name (an
// extraction's temporary folder) and published as a whole by one rename of
// the tree. There is no temporary name per file: the file is written where
// it stays, every write checked, and its writeback to the disk begins as
// soon as its data is written (startWriteback), so that the sync() every
// file needs before the tree is renamed into place mostly finds the data on
// the disk already. Failures raise WriteError (see durable.h); the fault
// hook sees Create, Write and Sync, one call at a time even when files are
// written on several threads.
#include "platform/fileio/durable.h"

#include <QString>

#include <cstdint>

namespace platform::fileio {

class StagedFile {
public:
    // Creates the file, which must not exist.
    explicit StagedFile(const QString &path);
    // Closes the file if sync() did not; the file itself stays for the owner
    // of the tree to keep or remove.
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    void write(const char *data, qint64 size);
    // Back to an empty file, for a writer that starts over.
    void truncate();
    // Modification time in seconds since 1970 (UTC); ignored when <= 0.
    void setModified(std::int64_t seconds);
    // Asks the kernel to start writing what was written so far to the disk
    // without waiting for it. Where it cannot, sync() does all the work.
    void startWriteback();
    // Waits until data and metadata are on the disk, then closes the file.
    void sync();

    const QString &path() const { return m_path; }
    qint64 size() const { return m_written; }

private:
    [[noreturn]] void fail(int systemError);

    QString m_path;
    int m_fd = -1;
    qint64 m_written = 0;
};

} // namespace platform::fileio
