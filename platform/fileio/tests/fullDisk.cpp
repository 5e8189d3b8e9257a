#include "platform/fileio/tests/fullDisk.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <cerrno>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::fileio::testsupport {

namespace {

// Mounts made by the tests live in a private mount namespace, so that none
// outlives the test process even when it crashes.
bool privateMounts()
{
    static const bool ok = [] {
        if (::geteuid() != 0)
            return false;
        if (::unshare(CLONE_NEWNS) != 0)
            return false;
        return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    return ok;
}

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

void setWritable(const QString &folder, bool writable)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList all{folder};
    while (it.hasNext())
        all << it.next();
    for (const QString &p : all) {
        struct stat st {};
        if (::stat(encoded(p).constData(), &st) != 0)
            continue;
        const mode_t mode = writable ? (st.st_mode | S_IWUSR) : (st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
        ::chmod(encoded(p).constData(), mode & 07777);
    }
}

} // namespace

FullDisk::FullDisk()
{
    mountOn(m_mountPoint.path());
    m_folder = m_root + QStringLiteral("/prog");
    QDir().mkpath(m_folder);
}

FullDisk::FullDisk(const QString &folder)
{
    QDir().mkpath(folder);
    mountOn(folder);
    m_folder = folder;
}

void FullDisk::mountOn(const QString &root)
{
    m_root = root;
    if (privateMounts()
        && ::mount("tmpfs", encoded(root).constData(), "tmpfs", 0, "size=8m,nr_inodes=4096") == 0)
        m_mounted = true;
}

FullDisk::~FullDisk()
{
    m_hook.reset();
    if (m_mounted)
        ::umount2(encoded(m_root).constData(), MNT_DETACH);
}

void FullDisk::fill()
{
    if (m_mounted) {
        // Fill the tmpfs to its last page; writes then fail with ENOSPC.
        QFile filler(m_root + QStringLiteral("/filler"));
        if (filler.open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QByteArray block(64 * 1024, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            const QByteArray byte(1, 'x');
            while (filler.write(byte) == 1 && filler.flush()) {
            }
        }
        return;
    }
    const QString prefix = m_root;
    m_hook = std::make_unique<faults::ScopedFaultHook>(
        [prefix](faults::Step step, const QString &path, qint64 bytes) {
            if (!path.startsWith(prefix))
                return 0;
            if (step == faults::Step::Write && bytes > 0)
                return ENOSPC;
            return 0;
        });
}

void FullDisk::release()
{
    m_hook.reset();
    if (m_mounted)
        QFile::remove(m_root + QStringLiteral("/filler"));
}

ReadOnlyFolder::ReadOnlyFolder(const QString &folder) : m_folder(folder)
{
    if (privateMounts() && ::mount(encoded(folder).constData(), encoded(folder).constData(), nullptr, MS_BIND, nullptr) == 0) {
        if (::mount(nullptr, encoded(folder).constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0) {
            m_mounted = true;
            return;
        }
        ::umount2(encoded(folder).constData(), MNT_DETACH);
    }
    setWritable(folder, false);
    if (::geteuid() == 0) {
        // Permissions do not stop root: refuse new files there through the hook.
        const QString prefix = folder;
        m_hook = std::make_unique<faults::ScopedFaultHook>(
            [prefix](faults::Step step, const QString &path, qint64) {
                return (step == faults::Step::Create || step == faults::Step::Rename) && path.startsWith(prefix)
                           ? EROFS : 0;
            });
    }
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    m_hook.reset();
    if (m_mounted)
        ::umount2(encoded(m_folder).constData(), MNT_DETACH);
    else
        setWritable(m_folder, true);
}

QMap<QString, QByteArray> snapshotFolder(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(path), f.readAll());
    }
    return files;
}

QStringList temporaryLeftovers(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (isTemporaryName(it.fileName()))
            found << path;
    }
    return found;
}

} // namespace platform::fileio::testsupport
