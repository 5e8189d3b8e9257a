// The durable write under faults: a full file system, a read-only folder and
// a failure injected at each step all leave the old file byte-identical, no
// temporary file behind, and raise an error that names the file and cause.
#include "platform/fileio/durable.h"
#include "platform/fileio/tests/fullDisk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

using namespace platform::fileio;
using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::ReadOnlyFolder;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

} // namespace

TEST(DurableWrite, CreatesAndReplacesKeepingPermissions)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.ini"));
    writeFile(target, "first\r\n");
    EXPECT_EQ(readAll(target), "first\r\n");

    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    writeFile(target, QByteArray(200000, 'z'));
    EXPECT_EQ(readAll(target), QByteArray(200000, 'z'));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(temporaryLeftovers(dir.path()).isEmpty());

    // "\" separators are accepted as everywhere else in the program.
    writeFile(QDir::toNativeSeparators(target).replace(u'/', u'\\'), "x");
    EXPECT_EQ(readAll(target), "x");
}

TEST(DurableWrite, FullFileSystemLeavesOldFileAndReports)
{
    FullDisk disk;
    const QString target = disk.folder() + QStringLiteral("/system2.ini");
    const QByteArray old = "[SYSTEM]\r\nINIT=1\r\n";
    put(target, old);
    disk.fill();
    std::printf("full disk: %s\n", disk.real() ? "a filled tmpfs" : "modelled by the fault hook");

    // A small file and one larger than any buffer both fail the same way.
    for (const QByteArray &data : {QByteArray("[SYSTEM]\r\nINIT=0\r\n"), QByteArray(3 << 20, 'y')}) {
        try {
            writeFile(target, data);
            FAIL() << "a write on a full file system reported success (real tmpfs: " << disk.real() << ")";
        } catch (const WriteError &e) {
            EXPECT_EQ(e.Number(), platform::err::DiskFull);
            EXPECT_TRUE(e.Description().contains(target)) << e.Description().toStdString();
            EXPECT_TRUE(e.Description().contains(QStringLiteral("ディスクの空き領域が不足しています。")))
                << e.Description().toStdString();
        }
        EXPECT_EQ(readAll(target), old);
        EXPECT_TRUE(temporaryLeftovers(disk.folder()).isEmpty());
    }

    disk.release();
    writeFile(target, "after");
    EXPECT_EQ(readAll(target), "after");
}

TEST(DurableWrite, ReadOnlyFolderLeavesOldFileAndReports)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Serial.ini"));
    put(target, "old");
    {
        ReadOnlyFolder ro(dir.path());
        try {
            writeFile(target, "new");
            FAIL() << "a write into a read-only folder reported success";
        } catch (const WriteError &e) {
            EXPECT_EQ(e.Number(), platform::err::PermissionDenied);
            EXPECT_TRUE(e.Description().contains(QStringLiteral("Serial.ini")));
        }
    }
    EXPECT_EQ(readAll(target), "old");
    EXPECT_TRUE(temporaryLeftovers(dir.path()).isEmpty());
}

TEST(DurableWrite, FailureAtEachStepKeepsTheTarget)
{
    using faults::Step;
    for (Step failing : {Step::Create, Step::Write, Step::Sync, Step::Rename}) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("download.log"));
        put(target, "previous log");
        {
            faults::ScopedFaultHook hook([failing](Step step, const QString &, qint64) {
                return step == failing ? EIO : 0;
            });
            EXPECT_THROW(writeFile(target, "replacement"), WriteError) << int(failing);
        }
        EXPECT_EQ(readAll(target), "previous log") << int(failing);
        EXPECT_EQ(snapshotFolder(dir.path()).size(), 1) << int(failing);
    }
}

TEST(DurableWrite, FolderSyncFailureIsReportedAfterTheRename)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("t.txt"));
    faults::ScopedFaultHook hook([](faults::Step step, const QString &, qint64) {
        return step == faults::Step::SyncFolder ? EIO : 0;
    });
    EXPECT_THROW(writeFile(target, "data"), WriteError);
    EXPECT_EQ(readAll(target), "data");
    EXPECT_TRUE(temporaryLeftovers(dir.path()).isEmpty());
}

TEST(DurableWrite, UncommittedFileIsDiscardedAndMissingFolderReported)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    put(target, "keep");
    {
        DurableFile f(target);
        f.write("partial");
        EXPECT_EQ(temporaryLeftovers(dir.path()).size(), 1);
    }
    EXPECT_EQ(readAll(target), "keep");
    EXPECT_TRUE(temporaryLeftovers(dir.path()).isEmpty());

    try {
        writeFile(dir.filePath(QStringLiteral("no/such/file")), "x");
        FAIL();
    } catch (const WriteError &e) {
        EXPECT_EQ(e.systemError(), ENOENT);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("フォルダが見つかりません。")));
    }
}

TEST(DurableWrite, RenameDurably)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("dDB.new/a"));
    renameDurably(dir.filePath(QStringLiteral("dDB.new")), dir.filePath(QStringLiteral("dDB")));
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("dDB/a"))).exists());
    EXPECT_THROW(renameDurably(dir.filePath(QStringLiteral("missing")), dir.filePath(QStringLiteral("x"))),
                 WriteError);
}
