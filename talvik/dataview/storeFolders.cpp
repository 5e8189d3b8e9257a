#include "talvik/dataview/storeFolders.h"

#include "platform/fileio/durable.h"
#include "platform/fileio/linktree.h"
#include "platform/fileio/syncbatch.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/store/demandTable.h"
#include "talvik/store/stagingArea.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace talvik::storefolders {

namespace fio = platform::fileio;
using fio::faults::Step;

namespace {

constexpr qint64 kCopyChunk = 1 << 20;

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

QFileInfoList entriesOf(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
}

[[noreturn]] void readFailed(const QString &path, const QString &cause)
{
    platform::raise(platform::err::PathFileAccess,
                    u'"' + path + QStringLiteral("\" を読み込めませんでした。") + cause);
}

void makeFolder(const QString &path)
{
    fio::faults::faultPoint(Step::Create, path);
    if (::mkdir(encoded(path).constData(), 0777) != 0)
        throw fio::WriteError(path, errno);
}

void removeEntry(const QFileInfo &fi);

void removeEntries(const QString &folder)
{
    for (const QFileInfo &fi : entriesOf(folder))
        removeEntry(fi);
}

// Removes a file, or a folder with all it holds (a link is removed, never followed).
void removeEntry(const QFileInfo &fi)
{
    const QString path = fi.absoluteFilePath();
    const bool folder = fi.isDir() && !fi.isSymLink();
    if (folder)
        removeEntries(path);
    fio::faults::faultPoint(Step::Remove, path);
    if ((folder ? ::rmdir(encoded(path).constData()) : ::unlink(encoded(path).constData())) != 0)
        throw fio::WriteError(path, errno);
}

bool validCopyName(const QString &name)
{
    if (name.isEmpty() || QDir::isAbsolutePath(name) || name.contains(QLatin1String("..")) ||
        name.contains(QLatin1Char('\\')))
        return false;
    return name == kBackup || name == kBuilding || name.startsWith(kStagingPrefix);
}

} // namespace

QString pathIn(const QString &folder, const QString &name)
{
    return platform::shell::toNativePath(folder) + QLatin1Char('/') + name;
}

void copyFileDurably(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        readFailed(source, in.errorString());
    fio::DurableFile out(target);
    QByteArray chunk;
    for (;;) {
        chunk = in.read(kCopyChunk);
        if (chunk.isEmpty())
            break;
        out.write(chunk);
    }
    if (in.error() != QFileDevice::NoError)
        readFailed(source, in.errorString());
    out.commit();
}

namespace {

// Writes a new file of the tree being built: every write checked, no sync
// yet (syncTree syncs the whole tree once it is complete). The kernel copies
// the data where it can.
void copyIntoNewTree(const QString &source, const QString &target)
{
    const int in = ::open(encoded(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        readFailed(source, fio::describeSystemError(errno));
    struct stat st {};
    if (::fstat(in, &st) != 0) {
        const int e = errno;
        ::close(in);
        readFailed(source, fio::describeSystemError(e));
    }
    int out = -1;
    auto fail = [&](int e) {
        ::close(in);
        if (out >= 0)
            ::close(out);
        throw fio::WriteError(target, e);
    };
    try {
        fio::faults::faultPoint(Step::Create, target);
        out = ::open(encoded(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out < 0)
            fail(errno);
        fio::faults::faultPoint(Step::Write, target, st.st_size);
    } catch (const fio::WriteError &e) {
        fail(e.systemError());
    }
    qint64 written = 0;
    bool kernelCopy = true;
    QByteArray buffer;
    for (;;) {
        ssize_t n;
        if (kernelCopy) {
            n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(kCopyChunk), 0);
            if (n < 0 && written == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail(errno);
        } else {
            buffer.resize(kCopyChunk);
            n = ::read(in, buffer.data(), static_cast<size_t>(buffer.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int e = errno;
                ::close(in);
                ::close(out);
                readFailed(source, fio::describeSystemError(e));
            }
            const char *data = buffer.constData();
            for (ssize_t left = n; left > 0;) {
                const ssize_t w = ::write(out, data, static_cast<size_t>(left));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    fail(w < 0 ? errno : ENOSPC);
                data += w;
                left -= w;
            }
        }
        if (n == 0)
            break;
        written += n;
    }
    ::close(in);
    if (written != st.st_size)
        fail(EIO); // the source changed while it was copied
    // Start writing the data back now, so that the sync at the end finds
    // little left to do.
    ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
    if (::close(out) != 0)
        throw fio::WriteError(target, errno);
}

// Reads up to `size` bytes, fewer only at the end of the file; -1 on error.
ssize_t readFully(int fd, char *buffer, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// True when both names lead to one file: the working copy shares the files
// it has not changed with the committed store.
bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    return ::stat(encoded(a).constData(), &sa) == 0 && ::stat(encoded(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// True when both files hold the same bytes. Compared a piece at a time in
// two buffers kept for the next call: a store's files are compared one
// after the other on every save.
bool sameContent(const QString &a, const QString &b)
{
    constexpr std::size_t kPiece = 256 * 1024;
    thread_local std::vector<char> bufferA(kPiece), bufferB(kPiece);
    const int fa = ::open(encoded(a).constData(), O_RDONLY | O_CLOEXEC);
    if (fa < 0)
        return false;
    const int fb = ::open(encoded(b).constData(), O_RDONLY | O_CLOEXEC);
    if (fb < 0) {
        ::close(fa);
        return false;
    }
    bool same = false;
    struct stat sa {}, sb {};
    if (::fstat(fa, &sa) == 0 && ::fstat(fb, &sb) == 0 && sa.st_size == sb.st_size) {
        for (;;) {
            const ssize_t x = readFully(fa, bufferA.data(), kPiece);
            const ssize_t y = readFully(fb, bufferB.data(), kPiece);
            if (x < 0 || y < 0 || x != y || std::memcmp(bufferA.data(), bufferB.data(), static_cast<std::size_t>(x)) != 0)
                break;
            if (x == 0) {
                same = true;
                break;
            }
        }
    }
    ::close(fa);
    ::close(fb);
    return same;
}

// Gives `target` the file `existing` of the committed store by a second
// name; false where the file system cannot, nothing then being created.
bool linkExisting(const QString &existing, const QString &target)
{
    fio::faults::faultPoint(Step::Create, target);
    if (::link(encoded(existing).constData(), encoded(target).constData()) == 0)
        return true;
    const int e = errno;
    if (e == EXDEV || e == EPERM || e == EMLINK || e == EOPNOTSUPP || e == ENOSYS)
        return false;
    throw fio::WriteError(target, e);
}

} // namespace

void copyIntoTemporaryTree(const QString &source, const QString &target, const QString &unchangedFrom)
{
    makeFolder(target);
    for (const QFileInfo &fi : entriesOf(source)) {
        const QString to = target + QLatin1Char('/') + fi.fileName();
        const QString previous = unchangedFrom.isEmpty() ? QString() : unchangedFrom + QLatin1Char('/') + fi.fileName();
        if (fi.isDir()) {
            copyIntoTemporaryTree(fi.absoluteFilePath(), to, previous);
            continue;
        }
        // The temporary file of a write that a crash cut short is no part of
        // the store: it never goes into the committed store or the data set.
        if (fio::isTemporaryName(fi.fileName()))
            continue;
        // A file the committed store holds unchanged is shared with it: the
        // stores never change a file in place, they only gain or lose names.
        const QFileInfo old(previous);
        if (!previous.isEmpty() && old.isFile() && !old.isSymLink() && old.size() == fi.size() &&
            (sameFile(fi.absoluteFilePath(), previous) || sameContent(fi.absoluteFilePath(), previous)) &&
            linkExisting(previous, to))
            continue;
        copyIntoNewTree(fi.absoluteFilePath(), to);
    }
}

namespace {

// Asks for the write-back of every file of a tree, without waiting for it.
void startWriteBack(const QString &folder)
{
    for (const QFileInfo &fi : entriesOf(folder)) {
        if (fi.isSymLink())
            continue;
        if (fi.isDir()) {
            startWriteBack(fi.absoluteFilePath());
        } else {
            const int fd = ::open(encoded(fi.absoluteFilePath()).constData(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
                ::close(fd);
            }
        }
    }
}

// Queues the syncs of a tree: each folder after what it holds.
void syncEach(const QString &folder, fio::SyncBatch &batch, const std::function<void()> &between)
{
    for (const QFileInfo &fi : entriesOf(folder)) {
        if (fi.isSymLink())
            continue;
        if (fi.isDir()) {
            syncEach(fi.absoluteFilePath(), batch, between);
        } else {
            batch.addFile(fi.absoluteFilePath());
            if (between)
                between();
        }
    }
    batch.addFolder(folder);
    if (between)
        between();
}

} // namespace

void syncTree(const QString &folder, const std::function<void()> &between)
{
    // All data are queued for the disk first, then the files and folders are
    // synced several at a time: one at a time, each sync of a folder or of a
    // file that only gained a name waited for a commit of its own.
    startWriteBack(folder);
    fio::SyncBatch batch;
    syncEach(folder, batch, between);
    batch.finish(between);
}

void removeTree(const QString &folder)
{
    const QString path = platform::shell::toNativePath(folder);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return;
    removeEntry(info);
    fio::syncFolder(QFileInfo(path).path());
}

void discardFolder(const QString &programFolder, const QString &folder)
{
    const QString trash = pathIn(programFolder, kDiscarded);
    removeTree(trash);
    fio::renameDurably(folder, trash);
    removeTree(trash);
}

namespace {
bool g_exchangeAvailable = true;
} // namespace

void setExchangeAvailable(bool available) { g_exchangeAvailable = available; }

bool exchangeFolders(const QString &a, const QString &b)
{
    if (!g_exchangeAvailable)
        return false;
    const QString from = platform::shell::toNativePath(a);
    const QString to = platform::shell::toNativePath(b);
    fio::faults::faultPoint(Step::Rename, from);
    if (::renameat2(AT_FDCWD, encoded(from).constData(), AT_FDCWD, encoded(to).constData(), RENAME_EXCHANGE) != 0) {
        const int e = errno;
        if (e == EINVAL || e == ENOSYS || e == ENOTSUP)
            return false;
        throw fio::WriteError(from, e);
    }
    fio::syncFolder(QFileInfo(to).path());
    if (QFileInfo(from).path() != QFileInfo(to).path())
        fio::syncFolder(QFileInfo(from).path());
    return true;
}

void beginSwap(const QString &programFolder, const QString &completeCopy)
{
    fio::writeFile(pathIn(programFolder, kJournal), completeCopy.toUtf8() + "\n");
}

void endSwap(const QString &programFolder)
{
    removeTree(pathIn(programFolder, kJournal));
}

QString recoverCommittedStore(const QString &programFolder)
{
    // Stores still being deleted by the worker are its own until it is done.
    fio::waitForBackgroundRemovals();
    const QString program = platform::shell::toNativePath(programFolder);
    QString restored;
    const QString journal = pathIn(program, kJournal);
    if (QFileInfo::exists(journal)) {
        QFile f(journal);
        const QString name =
            f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
        const QString copy = pathIn(program, name);
        if (validCopyName(name) && QFileInfo(copy).isDir()) {
            const QString committed = pathIn(program, kCommitted);
            if (QFileInfo::exists(committed))
                discardFolder(program, committed);
            fio::renameDurably(copy, committed);
            restored = name == kBackup
                           ? QStringLiteral("保存が中断されていたため、保存前のデータ（dDB.tmp）を dDB に戻しました。")
                           : QStringLiteral("データセットのオープンが中断されていたため、オープン前のデータを dDB に戻しました。");
        }
        endSwap(program);
    }
    // Folders under temporary names never hold the trusted store.
    removeTree(pathIn(program, kBuilding));
    removeTree(pathIn(program, kDiscarded));
    for (const QString &name : QDir(program).entryList({kStagingPrefix + u'*'}, QDir::Dirs | QDir::Hidden))
        removeTree(pathIn(program, name));
    // A journal whose write was cut short.
    for (const QString &name : QDir(program).entryList({kJournal + u'*'}, QDir::Files | QDir::Hidden))
        if (fio::isTemporaryName(name))
            removeTree(pathIn(program, name));
    // Temporary files of writes whose process was killed (a read, an import,
    // a save) are of no use once their process is gone; those of a process
    // still running are left to it. The stores are walked once per program
    // start: a temporary that appears later belongs to this process (never
    // stale while it runs) or to another one killed meanwhile, whose files
    // the next start removes, as does the next durable write of their name.
    static QSet<QString> cleared;
    if (!cleared.contains(program)) {
        for (const QString &store : {kCommitted, kWorking, kBackup, talvik::stagingFolderName, talvik::staging::keptFolderName})
            fio::removeStaleTemporariesBelow(pathIn(program, store));
        cleared.insert(program);
    }
    return restored;
}

} // namespace talvik::storefolders
