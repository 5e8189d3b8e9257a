#include "platform/fileio/durable.h"

#include "platform/fileio/rawio.h"
#include "platform/shell/shell.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <atomic>
#include <limits>
#include <mutex>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::fileio {

namespace {

faults::FaultHook &faultHook()
{
    static faults::FaultHook hook;
    return hook;
}

// Steps of files written on several threads at once (extraction, linked
// trees) reach the hook one at a time: hooks are written for one thread.
int injected(faults::Step step, const QString &path, qint64 bytes)
{
    const faults::FaultHook &hook = faultHook();
    if (!hook)
        return 0;
    static std::mutex serial;
    const std::lock_guard<std::mutex> lock(serial);
    return hook(step, path, bytes);
}

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

int errorNumberFor(int systemError)
{
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return err::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return err::PermissionDenied;
    default:
        return err::PathFileAccess;
    }
}

constexpr char temporaryMarker[] = ".~tlv";

// "<name>.~tlv<pid>-<n>": unique in the folder, recognisable as a leftover.
QString temporaryNameFor(const QString &target)
{
    static std::atomic<unsigned> counter{0};
    return target + QLatin1String(temporaryMarker) + QString::number(::getpid()) + u'-'
           + QString::number(++counter);
}

// True while a process of that id exists (one we may not signal counts too).
bool processRuns(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// The writer's process id in a temporary name of `target` ("<pid>-<n>" after
// the marker), or 0 when the name is not one of that target's.
pid_t writerOf(const QByteArray &entry, const QByteArray &prefix)
{
    if (!entry.startsWith(prefix))
        return 0;
    const QByteArray rest = entry.mid(prefix.size());
    const qsizetype dash = rest.indexOf('-');
    if (dash <= 0 || dash == rest.size() - 1)
        return 0;
    bool pidOk = false;
    bool countOk = false;
    const qlonglong pid = rest.left(dash).toLongLong(&pidOk);
    rest.mid(dash + 1).toULongLong(&countOk);
    // Digits only: toLongLong would also accept a sign or blanks.
    for (const char c : rest)
        if ((c < '0' || c > '9') && c != '-')
            return 0;
    if (!pidOk || !countOk || pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return 0;
    return static_cast<pid_t>(pid);
}

// The writer's process id of a temporary name of any target
// ("<name>.~tlv<pid>-<n>" with a name before the marker), or 0.
pid_t writerOfAny(const QByteArray &entry)
{
    const qsizetype marker = entry.lastIndexOf(temporaryMarker);
    if (marker <= 0)
        return 0;
    return writerOf(entry, entry.left(marker + qsizetype(sizeof temporaryMarker) - 1));
}

QString parentOf(const QString &path)
{
    const QString parent = QFileInfo(path).path();
    return parent.isEmpty() ? QStringLiteral(".") : parent;
}

} // namespace

QString describeSystemError(int systemError)
{
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き領域が不足しています。");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎるか、ディスクの空き領域が不足しています。");
    case EACCES:
    case EPERM:
        return QStringLiteral("書き込みが許可されていません。");
    case EROFS:
        return QStringLiteral("読み取り専用のファイルシステムです。");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("フォルダが見つかりません。");
    case EIO:
        return QStringLiteral("入出力エラーが発生しました。");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("通常のファイルではないため開けません。");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名またはパスが長すぎます。");
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("同じ名前のファイルまたはフォルダーが既にあります。");
    default:
        return QString::fromLocal8Bit(std::strerror(systemError));
    }
}

WriteError::WriteError(const QString &path, int systemError)
    : RuntimeError(errorNumberFor(systemError),
                   u'"' + path + QStringLiteral("\" に書き込めませんでした。") + describeSystemError(systemError)),
      m_path(path), m_systemError(systemError)
{
}

QString WriteError::cause() const { return describeSystemError(m_systemError); }

void removeStaleTemporaries(const QString &path)
{
    const QString target = platform::shell::toNativePath(path);
    const QFileInfo info(target);
    const QByteArray folder = encoded(parentOf(target));
    const QByteArray prefix = encoded(info.fileName()) + temporaryMarker;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return; // the create below reports a folder that cannot be read
    QList<QByteArray> stale;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        const pid_t pid = writerOf(name, prefix);
        // A file of this process may belong to a write still under way.
        if (pid != 0 && pid != ::getpid() && !processRuns(pid))
            stale << name;
    }
    ::closedir(dir);
    for (const QByteArray &name : stale)
        ::unlink((folder + '/' + name).constData());
}

int removeStaleTemporariesBelow(const QString &folder)
{
    const QByteArray root = encoded(platform::shell::toNativePath(folder));
    int removed = 0;
    QList<QByteArray> pending{root};
    while (!pending.isEmpty()) {
        const QByteArray dirPath = pending.takeLast();
        DIR *dir = ::opendir(dirPath.constData());
        if (!dir)
            continue; // gone or unreadable: nothing of ours to clean there
        QList<QByteArray> stale;
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            const QByteArray path = dirPath + '/' + name;
            struct stat st {};
            if (::lstat(path.constData(), &st) != 0)
                continue;
            if (S_ISDIR(st.st_mode)) {
                pending.append(path);
                continue;
            }
            // Only regular files under a temporary name, and only those whose
            // writer is gone: a live process may still be writing.
            const pid_t pid = S_ISREG(st.st_mode) ? writerOfAny(name) : 0;
            if (pid != 0 && pid != ::getpid() && !processRuns(pid))
                stale << path;
        }
        ::closedir(dir);
        for (const QByteArray &path : stale)
            if (::unlink(path.constData()) == 0)
                ++removed;
    }
    return removed;
}

DurableFile::DurableFile(const QString &target)
    : m_target(platform::shell::toNativePath(target)), m_temp(temporaryNameFor(m_target))
{
    // A write killed before its rename left its temporary file; it is of no
    // use to anybody once its process is gone, and may be as large as a data set.
    removeStaleTemporaries(m_target);
    if (const int e = injected(faults::Step::Create, m_target, 0))
        throw WriteError(m_target, e);
    m_fd = ::open(encoded(m_temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw WriteError(m_target, errno);
    // The new file keeps the permissions of the one it replaces.
    struct stat st {};
    if (::stat(encoded(m_target).constData(), &st) == 0)
        ::fchmod(m_fd, st.st_mode & 07777);
}

DurableFile::~DurableFile() { discard(); }

void DurableFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(encoded(m_temp).constData());
    }
}

void DurableFile::fail(int systemError, const QString &path)
{
    discard();
    throw WriteError(path, systemError);
}

void DurableFile::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        throw WriteError(m_target, EBADF);
    if (const int e = injected(faults::Step::Write, m_target, m_written + size))
        fail(e, m_target);
    if (const int e = writeAll(m_fd, data, size, &m_written))
        fail(e, m_target);
    // A large file is handed to the disk while it is written, a piece at a
    // time, so that the sync in commit() has only the last piece to wait
    // for. Only a hint: the sync still checks everything.
    constexpr qint64 kWritebackPiece = qint64{1} << 20;
    if (m_written - m_writebackFrom >= kWritebackPiece) {
        ::sync_file_range(m_fd, m_writebackFrom, m_written - m_writebackFrom, SYNC_FILE_RANGE_WRITE);
        m_writebackFrom = m_written;
    }
}

void DurableFile::commit()
{
    if (m_fd < 0)
        throw WriteError(m_target, EBADF);
    if (const int e = injected(faults::Step::Sync, m_target, m_written))
        fail(e, m_target);
    // Delayed allocation can report a full disk only here, so both results count.
    if (::fsync(m_fd) != 0)
        fail(errno, m_target);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(encoded(m_temp).constData());
        throw WriteError(m_target, e);
    }
    int e = injected(faults::Step::Rename, m_target, m_written);
    if (e == 0 && std::rename(encoded(m_temp).constData(), encoded(m_target).constData()) != 0)
        e = errno;
    if (e != 0) {
        ::unlink(encoded(m_temp).constData());
        throw WriteError(m_target, e);
    }
    // The rename is done; a failed folder sync cannot undo it, but the caller
    // learns that the new name may not survive a crash.
    e = injected(faults::Step::SyncFolder, m_target, m_written);
    if (e == 0)
        e = syncPath(parentOf(m_target), true);
    if (e != 0)
        throw WriteError(m_target, e);
}

int syncPath(const QString &path, bool folder)
{
    const int fd = ::open(encoded(path).constData(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int rc = 0;
    if (::fsync(fd) != 0 && errno != EINVAL) // some file systems cannot sync a folder
        rc = errno;
    ::close(fd);
    return rc;
}

int writeAll(int fd, const char *data, qint64 size, qint64 *written)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= n;
        *written += n;
    }
    return 0;
}

void writeFile(const QString &target, const QByteArray &data)
{
    DurableFile file(target);
    file.write(data);
    file.commit();
}

QString writeRefusal(const QString &target)
{
    const QString native = platform::shell::toNativePath(target);
    if (const int e = injected(faults::Step::Create, native, 0))
        return describeSystemError(e);
    QString dir = QFileInfo(native).absolutePath();
    for (QString up = QFileInfo(dir).absolutePath(); !QFileInfo::exists(dir) && up != dir;
         up = QFileInfo(dir).absolutePath())
        dir = up;
    if (!QFileInfo(dir).isDir())
        return describeSystemError(ENOTDIR);
    if (::access(encoded(dir).constData(), W_OK | X_OK) != 0)
        return describeSystemError(errno);
    return QString();
}

void renameDurably(const QString &from, const QString &to)
{
    const QString source = platform::shell::toNativePath(from);
    const QString destination = platform::shell::toNativePath(to);
    int e = injected(faults::Step::Rename, source, 0);
    if (e == 0 && std::rename(encoded(source).constData(), encoded(destination).constData()) != 0)
        e = errno;
    if (e != 0)
        throw WriteError(source, e);
    e = injected(faults::Step::SyncFolder, destination, 0);
    if (e == 0)
        e = syncPath(parentOf(destination), true);
    if (e == 0 && parentOf(source) != parentOf(destination))
        e = syncPath(parentOf(source), true);
    if (e != 0)
        throw WriteError(destination, e);
}

void syncFolder(const QString &folder)
{
    const QString path = platform::shell::toNativePath(folder);
    int e = injected(faults::Step::SyncFolder, path, 0);
    if (e == 0)
        e = syncPath(path, true);
    if (e != 0)
        throw WriteError(path, e);
}

bool isTemporaryName(const QString &fileName)
{
    return fileName.contains(QLatin1String(temporaryMarker));
}

namespace faults {

void setFaultHook(FaultHook hook) { faultHook() = std::move(hook); }

void faultPoint(Step step, const QString &path, qint64 bytes)
{
    if (const int e = injected(step, path, bytes))
        throw WriteError(path, e);
}

} // namespace faults

} // namespace platform::fileio
