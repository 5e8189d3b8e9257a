// Syncs of many files and folders at once: announced to the fault hook on
// the calling thread in the order added, the first failure in that order
// raised, and the caller given its turn while it waits.
#include "platform/fileio/durable.h"
#include "platform/fileio/syncbatch.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <stdexcept>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform::fileio;

namespace {

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct Announced {
    faults::Step step;
    QString path;
    std::thread::id thread;
};

} // namespace

TEST(SyncBatch, EverySyncIsAnnouncedOnTheCallingThreadInTheOrderAdded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    std::vector<Announced> expected;
    for (int i = 0; i < 30; ++i) {
        const QString file = dir.filePath(QString("sub/t%1.csv").arg(i));
        put(file, QByteArray::number(i));
        expected.push_back({faults::Step::Sync, file, std::this_thread::get_id()});
    }
    expected.push_back({faults::Step::SyncFolder, dir.filePath("sub"), std::this_thread::get_id()});
    expected.push_back({faults::Step::SyncFolder, dir.path(), std::this_thread::get_id()});

    std::vector<Announced> seen;
    const faults::ScopedFaultHook hook([&](faults::Step step, const QString &path, qint64) {
        seen.push_back({step, path, std::this_thread::get_id()});
        return 0;
    });
    SyncBatch batch;
    for (const Announced &a : expected) {
        if (a.step == faults::Step::Sync)
            batch.addFile(a.path);
        else
            batch.addFolder(a.path);
    }
    batch.finish();
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].step, expected[i].step) << i;
        EXPECT_EQ(seen[i].path, expected[i].path) << i;
        EXPECT_EQ(seen[i].thread, expected[i].thread) << i;
    }
}

TEST(SyncBatch, TheFirstFailureInTheOrderAddedIsRaised)
{
    QTemporaryDir dir;
    const QString present = dir.filePath("present.csv");
    put(present, "x");
    // Two syncs that fail: the earlier one is told, whichever ends first.
    {
        SyncBatch batch;
        batch.addFile(present);
        batch.addFile(dir.filePath("gone.csv"));
        batch.addFolder(dir.filePath("no-folder"));
        batch.addFile(present);
        try {
            batch.finish();
            FAIL() << "no failure raised";
        } catch (const WriteError &e) {
            EXPECT_EQ(e.path(), dir.filePath("gone.csv"));
            EXPECT_EQ(e.systemError(), ENOENT);
        }
    }
    // A fault injected at a sync is raised when it is added; nothing after
    // it is announced, and the batch ends cleanly.
    int announced = 0;
    const faults::ScopedFaultHook hook([&](faults::Step, const QString &path, qint64) {
        ++announced;
        return path.endsWith("second.csv") ? EIO : 0;
    });
    SyncBatch batch;
    batch.addFile(present);
    try {
        batch.addFile(dir.filePath("second.csv"));
        FAIL() << "the injected fault was not raised";
    } catch (const WriteError &e) {
        EXPECT_EQ(e.systemError(), EIO);
    }
    EXPECT_EQ(announced, 2);
}

// A sync that cannot end before the caller acts (the open of a pipe waits
// for a writer): finish() gives the caller its turn until it does, and what
// the caller raises ends the wait.
TEST(SyncBatch, TheCallerGetsItsTurnWhileTheSyncsRun)
{
    QTemporaryDir dir;
    for (const bool raise : {false, true}) {
        SCOPED_TRACE(raise);
        const QString pipe = dir.filePath(raise ? "raise.fifo" : "plain.fifo");
        ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        int turns = 0;
        int writer = -1;
        const auto turn = [&] {
            if (++turns == 3) {
                // The batch's thread waits in open() for this end of the pipe.
                writer = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                ASSERT_GE(writer, 0) << errno;
                if (raise)
                    throw std::runtime_error("the caller's own failure");
            }
        };
        SyncBatch batch;
        batch.addFile(pipe);
        if (raise) {
            EXPECT_THROW(batch.finish(turn), std::runtime_error);
        } else {
            batch.finish(turn);
        }
        EXPECT_GE(turns, 3);
        if (writer >= 0)
            ::close(writer);
    }
}
