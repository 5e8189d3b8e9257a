#pragma once
// The one durable write of the program. Every file the program writes goes
// through here: the data goes to a temporary file in the target's folder,
// every write and the flush are checked, the file is synced, renamed over the
// target and the folder is synced. On any failure the temporary file is
// removed, the target stays byte-identical and a WriteError is raised for the
// caller to report.
//
// Paths may use "\" or "/" separators (see platform::shell::toNativePath).
#include "platform/runtime/runtime_error.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform::fileio {

// A failed file operation: a RuntimeError with number 61 (disk full), 70
// (permission denied) or 75 (path/file access error) and a Japanese
// description naming the file and the cause.
class WriteError : public platform::RuntimeError {
public:
    WriteError(const QString &path, int systemError);

    const QString &path() const { return m_path; }
    // The errno value behind the failure.
    int systemError() const { return m_systemError; }
    // The cause alone, in Japanese ("ディスクの空き領域が不足しています。").
    QString cause() const;

private:
    QString m_path;
    int m_systemError;
};

// The cause of an errno value, in Japanese.
QString describeSystemError(int systemError);

// A temporary file left by a write whose process ended without its rename
// (killed, crashed) is removed before its target is written again; files of
// running processes are never touched.
void removeStaleTemporaries(const QString &target);
// The same for every file below `folder` (at any depth): removes the
// temporary files of processes that are gone, whatever their target, and
// leaves every other file alone. Returns how many it removed.
int removeStaleTemporariesBelow(const QString &folder);

// A file being written durably. Nothing reaches the target until commit();
// destroying the object without a commit discards the temporary file.
// Creating one removes the stale temporary files of its target first.
class DurableFile {
public:
    explicit DurableFile(const QString &target);
    ~DurableFile();
    DurableFile(const DurableFile &) = delete;
    DurableFile &operator=(const DurableFile &) = delete;

    void write(const char *data, qint64 size);
    void write(const QByteArray &data) { write(data.constData(), data.size()); }
    // Sync, rename over the target, sync the folder. After a failure the
    // temporary file is gone and the target untouched.
    void commit();
    // Drops the temporary file; the target stays as it was.
    void discard();

    const QString &target() const { return m_target; }
    const QString &temporaryPath() const { return m_temp; }
    qint64 size() const { return m_written; }

private:
    [[noreturn]] void fail(int systemError, const QString &path);

    QString m_target;
    QString m_temp;
    int m_fd = -1;
    qint64 m_written = 0;
    qint64 m_writebackFrom = 0; // bytes before this were handed to the disk early
};

// Writes the whole file in one call.
void writeFile(const QString &target, const QByteArray &data);

// Why a durable write of `target` would be refused before any data went:
// its folder (or, where the write would create it, the nearest folder that
// exists) takes no new file (a read-only mount, no permission, a file in a
// folder's place). Empty when nothing stands in the way. Writes nothing;
// the fault hook is asked as for the Create step of a write of `target`.
QString writeRefusal(const QString &target);

// Renames a file or folder and syncs the folders involved, so that the new
// name survives a crash. Raises WriteError on failure.
void renameDurably(const QString &from, const QString &to);
// Syncs a folder's entries to disk.
void syncFolder(const QString &folder);

// True for the names DurableFile gives its temporary files, so that folder
// walkers and clean-ups can recognise leftovers of a crash.
bool isTemporaryName(const QString &fileName);

// Fault injection for tests. The hook sees every step before it runs; a
// non-zero return makes the step fail with that errno value (a write that
// fails after part of its data is written models a full disk). It may also
// end the process to model a crash at that point.
namespace faults {
// Remove: a file or folder being deleted by another layer (faultPoint only).
enum class Step { Create, Write, Sync, Rename, SyncFolder, Remove };
using FaultHook = std::function<int(Step step, const QString &path, qint64 bytes)>;
void setFaultHook(FaultHook hook);
// Asks the hook about a step of another layer's file operation (a folder
// rename or delete during a swap); raises WriteError when it injects a fault.
// `bytes`: for a write, the size the file reaches with it.
void faultPoint(Step step, const QString &path, qint64 bytes = 0);

// Installs a hook for the lifetime of the object.
class ScopedFaultHook {
public:
    explicit ScopedFaultHook(FaultHook hook) { setFaultHook(std::move(hook)); }
    ~ScopedFaultHook() { setFaultHook({}); }
    ScopedFaultHook(const ScopedFaultHook &) = delete;
    ScopedFaultHook &operator=(const ScopedFaultHook &) = delete;
};
} // namespace faults

} // namespace platform::fileio
