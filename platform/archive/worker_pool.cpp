#include "platform/archive/worker_pool.h"

#include "platform/archive/archive.h"

#include <QThread>

#include <algorithm>
#include <atomic>

namespace platform::archive {

namespace {

std::atomic<int> g_threads{0};

// More threads than this bring nothing: the writer's in-order output and the
// disk become the limit.
constexpr int kMaxThreads = 16;

} // namespace

void setWorkerThreads(int count) { g_threads.store(std::max(count, 0)); }

int workerThreadCount()
{
    const int chosen = g_threads.load();
    if (chosen > 0)
        return std::min(chosen, kMaxThreads);
    // The processors this process may run on (its affinity), the same
    // count the PDF output's workers follow; not every processor of the machine.
    return std::clamp(QThread::idealThreadCount(), 1, kMaxThreads);
}

WorkerPool::WorkerPool(int threads)
{
    m_threads.reserve(static_cast<std::size_t>(threads));
    try {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { run(); });
    } catch (...) {
        // No thread could be started: the ones running still serve the jobs;
        // with none at all the caller's jobs would never run.
        if (m_threads.empty())
            throw;
    }
}

WorkerPool::~WorkerPool()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

void WorkerPool::submit(std::function<void()> job)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void WorkerPool::wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && m_running == 0; });
}

void WorkerPool::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_stop)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            ++m_running;
        }
        job();
        job = nullptr; // what the job holds goes before it counts as done
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            --m_running;
        }
        m_idle.notify_all();
    }
}

} // namespace platform::archive
