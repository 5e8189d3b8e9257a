// The durable write under faults: a full file system, a read-only folder and
// a failure injected at each step all leave the old file byte-identical, no
// temporary file behind, and raise an error that names the file and cause.
#include "platform/fileio/durable.h"
#include "platform/fileio/tests/fullDisk.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::fileio;
using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::ReadOnlyFolder;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;

namespace {

// writeFile here is the durable write under test; the test's own files go
// past it.
constexpr auto &readAll = talviktest::readFile;
constexpr auto &put = talviktest::writeFile;

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

namespace {

// A child process that starts a durable write of `target`, writes part of it
// and then either dies by SIGKILL (a killed write) or waits on `hold` until
// the parent closes it (a write still under way). Returns its pid.
pid_t childWriting(const QString &target, bool die, int hold = -1, int parentEnd = -1)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (parentEnd >= 0)
            ::close(parentEnd);
        DurableFile file(target);
        file.write(QByteArray(4096, 'p'));
        if (die)
            ::raise(SIGKILL);
        char c;
        while (::read(hold, &c, 1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    return pid;
}

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The temporary file a process wrote for `fileName` ("" when there is none).
QString temporaryOf(const QString &folder, const QString &fileName, pid_t pid)
{
    const QString prefix = fileName + QStringLiteral(".~tlv%1-").arg(pid);
    for (const QString &name : namesIn(folder))
        if (name.startsWith(prefix))
            return name;
    return QString();
}

QString waitForTemporary(const QString &folder, const QString &fileName, pid_t pid)
{
    for (int i = 0; i < 500 && temporaryOf(folder, fileName, pid).isEmpty(); ++i)
        ::usleep(10000);
    return temporaryOf(folder, fileName, pid);
}

} // namespace

TEST(DurableWrite, StaleTemporariesOfDeadWritersGoLiveOnesStay)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("store.dmd"));
    const QString other = dir.filePath(QStringLiteral("other.cfg"));
    put(target, "old data set");

    // Two writes killed half way: one of this target, one of another file.
    const pid_t killed = childWriting(target, true);
    const pid_t killedOther = childWriting(other, true);
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(::waitpid(killedOther, &status, 0), killedOther);
    const QString deadTemp = temporaryOf(dir.path(), QStringLiteral("store.dmd"), killed);
    const QString otherTemp = temporaryOf(dir.path(), QStringLiteral("other.cfg"), killedOther);
    ASSERT_FALSE(deadTemp.isEmpty()) << namesIn(dir.path()).join(' ').toStdString();
    ASSERT_FALSE(otherTemp.isEmpty());

    // A write of the same target still under way in a running process.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t live = childWriting(target, false, pipeFds[0], pipeFds[1]);
    ::close(pipeFds[0]);
    const QString liveTemp = waitForTemporary(dir.path(), QStringLiteral("store.dmd"), live);
    ASSERT_FALSE(liveTemp.isEmpty());

    // Names that only look alike are not the program's temporary files.
    put(dir.filePath(QStringLiteral("store.dmd.~tlvx1-1")), "user");
    put(dir.filePath(QStringLiteral("store.dmd.~tlv-1")), "user");
    put(dir.filePath(QStringLiteral("my store.dmd.~tlv%1-1").arg(killed)), "user");

    writeFile(target, "new data set");
    EXPECT_EQ(readAll(target), "new data set");
    QStringList names = namesIn(dir.path());
    EXPECT_FALSE(names.contains(deadTemp)) << "the killed write's file stays beside its target";
    EXPECT_TRUE(names.contains(liveTemp)) << "a running write lost its temporary file";
    EXPECT_TRUE(names.contains(otherTemp)) << "only the target's own leftovers go";
    EXPECT_TRUE(names.contains(QStringLiteral("store.dmd.~tlvx1-1")));
    EXPECT_TRUE(names.contains(QStringLiteral("store.dmd.~tlv-1")));
    EXPECT_TRUE(names.contains(QStringLiteral("my store.dmd.~tlv%1-1").arg(killed)));

    // Once the writer has ended, its file goes with the next write.
    ::close(pipeFds[1]);
    ASSERT_EQ(::waitpid(live, &status, 0), live);
    writeFile(target, "newer data set");
    names = namesIn(dir.path());
    EXPECT_FALSE(names.contains(liveTemp));
    EXPECT_TRUE(names.contains(otherTemp));
    writeFile(other, "cfg");
    EXPECT_FALSE(namesIn(dir.path()).contains(otherTemp));
    EXPECT_EQ(readAll(target), "newer data set");
}

// The start-up sweep of a store: leftovers of killed writes at any depth go,
// whatever their target; a running write's file and look-alikes stay.
TEST(DurableWrite, SweepBelowAFolderRemovesOnlyDeadWritersTemporaries)
{
    QTemporaryDir dir;
    const QString deep = dir.filePath(QStringLiteral("dDB.tran/A社/2024年"));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString table = deep + QStringLiteral("/demand.csv");
    const QString log = dir.filePath(QStringLiteral("dDB.tran/download.log"));
    put(table, "table");

    const pid_t killedTable = childWriting(table, true);
    const pid_t killedLog = childWriting(log, true);
    int status = 0;
    ASSERT_EQ(::waitpid(killedTable, &status, 0), killedTable);
    ASSERT_EQ(::waitpid(killedLog, &status, 0), killedLog);
    const QString deadTable = temporaryOf(deep, QStringLiteral("demand.csv"), killedTable);
    const QString deadLog = temporaryOf(dir.filePath(QStringLiteral("dDB.tran")), QStringLiteral("download.log"), killedLog);
    ASSERT_FALSE(deadTable.isEmpty());
    ASSERT_FALSE(deadLog.isEmpty());

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t live = childWriting(deep + QStringLiteral("/schema.ini"), false, pipeFds[0], pipeFds[1]);
    ::close(pipeFds[0]);
    const QString liveTemp = waitForTemporary(deep, QStringLiteral("schema.ini"), live);
    ASSERT_FALSE(liveTemp.isEmpty());

    const QStringList lookAlikes = {QStringLiteral("demand.csv.~tlvx1-1"), QStringLiteral(".~tlv%1-1").arg(killedTable),
                                    QStringLiteral("demand.csv.~tlv%1-").arg(killedTable),
                                    QStringLiteral("demand.csv.~tlv%1-2.bak").arg(killedTable)};
    for (const QString &name : lookAlikes)
        put(deep + u'/' + name, "user");
    // A folder under a temporary-looking name is not a file of the durable write.
    ASSERT_TRUE(QDir().mkpath(deep + QStringLiteral("/x.~tlv%1-3").arg(killedTable)));

    EXPECT_EQ(removeStaleTemporariesBelow(dir.filePath(QStringLiteral("dDB.tran"))), 2);
    const QStringList names = namesIn(deep);
    EXPECT_FALSE(names.contains(deadTable));
    EXPECT_FALSE(namesIn(dir.filePath(QStringLiteral("dDB.tran"))).contains(deadLog));
    EXPECT_TRUE(names.contains(liveTemp)) << "a running write lost its temporary file";
    for (const QString &name : lookAlikes)
        EXPECT_TRUE(names.contains(name)) << name.toStdString();
    EXPECT_TRUE(QFileInfo(deep + QStringLiteral("/x.~tlv%1-3").arg(killedTable)).isDir());
    EXPECT_EQ(readAll(table), "table");
    // A folder that is not there is nothing to sweep.
    EXPECT_EQ(removeStaleTemporariesBelow(dir.filePath(QStringLiteral("nothing"))), 0);

    ::close(pipeFds[1]);
    ASSERT_EQ(::waitpid(live, &status, 0), live);
}

TEST(DurableWrite, NamesTooLongAreToldAsSuch)
{
    QTemporaryDir dir;
    try {
        writeFile(dir.filePath(QString(300, u'n')), "x");
        FAIL() << "a name of 300 bytes was written";
    } catch (const WriteError &e) {
        EXPECT_EQ(e.systemError(), ENAMETOOLONG);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("長すぎます"))) << e.Description().toStdString();
    }
}
