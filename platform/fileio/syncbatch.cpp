#include "platform/fileio/syncbatch.h"

#include "platform/fileio/durable.h"
#include "platform/fileio/rawio.h"
#include "platform/shell/shell.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::fileio {

namespace {

// Enough syncs in flight for the file system to gather them into few
// commits; more threads gain nothing on one disk.
constexpr std::size_t kThreads = 8;
// How often finish() gives the caller its turn while it waits.
constexpr auto kWaitStep = std::chrono::milliseconds(5);

} // namespace

struct SyncBatch::State {
    struct Item {
        QString path;
        bool folder = false;
        int error = 0;
    };

    std::mutex mutex;
    std::condition_variable work;     // a sync was queued, or the batch ends
    std::condition_variable finished; // a sync is done
    std::deque<Item> items;           // in the order added; never shrinks while threads run
    std::size_t next = 0;             // first item not yet taken
    std::size_t doneCount = 0;
    bool closing = false;
    std::vector<std::thread> threads;

    void serve()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            work.wait(lock, [&] { return closing || next < items.size(); });
            if (closing)
                return;
            Item &item = items[next++];
            const QString path = item.path;
            const bool folder = item.folder;
            lock.unlock();
            const int e = syncPath(path, folder);
            lock.lock();
            item.error = e;
            ++doneCount;
            finished.notify_all();
        }
    }
};

SyncBatch::SyncBatch() : m_state(std::make_unique<State>()) {}

SyncBatch::~SyncBatch()
{
    {
        const std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->closing = true;
    }
    m_state->work.notify_all();
    for (std::thread &t : m_state->threads)
        t.join();
}

void SyncBatch::addFile(const QString &path)
{
    faults::faultPoint(faults::Step::Sync, path);
    add(path, false);
}

void SyncBatch::addFolder(const QString &path)
{
    const QString native = platform::shell::toNativePath(path);
    faults::faultPoint(faults::Step::SyncFolder, native);
    add(native, true);
}

void SyncBatch::add(const QString &path, bool folder)
{
    State &s = *m_state;
    {
        const std::lock_guard<std::mutex> lock(s.mutex);
        s.items.push_back({path, folder, 0});
        // Threads are started as syncs come, up to kThreads.
        if (s.threads.size() < kThreads)
            s.threads.emplace_back([state = m_state.get()] { state->serve(); });
    }
    s.work.notify_one();
}

void SyncBatch::finish(const std::function<void()> &whileWaiting)
{
    State &s = *m_state;
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        while (s.doneCount < s.items.size()) {
            if (!whileWaiting) {
                s.finished.wait(lock, [&] { return s.doneCount == s.items.size(); });
                break;
            }
            s.finished.wait_for(lock, kWaitStep, [&] { return s.doneCount == s.items.size(); });
            if (s.doneCount == s.items.size())
                break;
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    for (const State::Item &item : s.items)
        if (item.error != 0)
            throw WriteError(item.path, item.error);
}

} // namespace platform::fileio
