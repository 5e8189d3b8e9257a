#pragma once
// Worker threads of the archiver: entries are compressed and decompressed on
// them while the calling thread keeps the archive's order. Jobs share nothing
// with the caller but what they are given and the result they hand back.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::archive {

// Number of worker threads to use (setWorkerThreads, or the processors
// this process may run on); 1 means none: everything runs on the calling thread.
int workerThreadCount();

class WorkerPool {
public:
    explicit WorkerPool(int threads);
    // Jobs not yet started are dropped; running ones are waited for.
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    // The job must not throw.
    void submit(std::function<void()> job);
    // Waits until every job submitted has run.
    void wait();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    int m_running = 0;
    std::deque<std::function<void()>> m_jobs;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace platform::archive
