// Files of a tree staged under a private name: written where they stay,
// started over on request, synced; an existing file is never written over;
// failures and injected faults reach the caller as WriteError, and fault
// hooks are called one thread at a time even when files are written on
// several.
#include "platform/fileio/stagedfile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

using namespace platform::fileio;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(StagedFile, WritesStartsOverAndSyncs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("demand.csv");
    {
        StagedFile f(path);
        f.write("broken start", 12);
        f.truncate();
        EXPECT_EQ(f.size(), 0);
        f.write("2401010000", 10);
        f.write("0123\r\n", 6);
        f.setModified(1700000000);
        f.startWriteback();
        f.sync();
        EXPECT_THROW(f.write("x", 1), WriteError) << "a synced file is closed";
    }
    EXPECT_EQ(contents(path), "24010100000123\r\n");
    EXPECT_EQ(QFileInfo(path).lastModified().toSecsSinceEpoch(), 1700000000);
}

TEST(StagedFile, NeverWritesOverAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.csv");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("kept");
    existing.close();
    try {
        StagedFile f(path);
        ADD_FAILURE() << "an existing file was opened";
    } catch (const WriteError &e) {
        EXPECT_EQ(e.systemError(), EEXIST);
        EXPECT_EQ(e.path(), path);
    }
    EXPECT_EQ(contents(path), "kept");
}

TEST(StagedFile, InjectedFaultsReachTheCaller)
{
    QTemporaryDir dir;
    for (const faults::Step failing : {faults::Step::Create, faults::Step::Write, faults::Step::Sync}) {
        const QString path = dir.filePath(QStringLiteral("f%1").arg(static_cast<int>(failing)));
        const faults::ScopedFaultHook hook([failing](faults::Step step, const QString &, qint64 bytes) {
            // A write fails once the file would pass 4 bytes: a full disk.
            if (step == faults::Step::Write)
                return failing == step && bytes > 4 ? ENOSPC : 0;
            return step == failing ? EIO : 0;
        });
        try {
            StagedFile f(path);
            f.write("1234", 4);
            f.write("5678", 4);
            f.sync();
            ADD_FAILURE() << "no error at step " << static_cast<int>(failing);
        } catch (const WriteError &e) {
            EXPECT_EQ(e.path(), path);
            EXPECT_EQ(e.systemError(), failing == faults::Step::Write ? ENOSPC : EIO);
        }
    }
}

TEST(StagedFile, FaultHooksAreCalledOneThreadAtATime)
{
    QTemporaryDir dir;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::atomic<int> calls{0};
    const faults::ScopedFaultHook hook([&](faults::Step, const QString &, qint64) {
        if (++inside > 1)
            overlapped = true;
        ++calls;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        --inside;
        return 0;
    });
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            try {
                for (int i = 0; i < 5; ++i) {
                    StagedFile f(dir.filePath(QStringLiteral("t%1-%2").arg(t).arg(i)));
                    f.write("data", 4);
                    f.sync();
                }
            } catch (...) {
                ++failures;
            }
        });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(calls.load(), 6 * 5 * 3); // create, write, sync of each file
    EXPECT_FALSE(overlapped.load());
}
