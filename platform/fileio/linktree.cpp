#include "platform/fileio/linktree.h"

#include "platform/fileio/durable.h"
#include "platform/shell/shell.h"

#include <QFile>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <exception>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::fileio {

namespace {

using faults::Step;

QString shown(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// Errors of link() after which a copy does the job.
bool cannotLink(int e)
{
    return e == EXDEV || e == EPERM || e == EMLINK || e == EOPNOTSUPP || e == ENOSYS;
}

void copyDurably(const std::string &source, const std::string &target)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw WriteError(shown(source), errno);
    DurableFile out(shown(target));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int e = errno;
            ::close(in);
            throw WriteError(shown(source), e);
        }
        if (n == 0)
            break;
        try {
            out.write(buffer, n);
        } catch (...) {
            ::close(in);
            throw;
        }
    }
    ::close(in);
    out.commit();
}

void linkOne(const std::string &source, const std::string &target)
{
    faults::faultPoint(Step::Create, shown(target));
    if (::link(source.c_str(), target.c_str()) == 0)
        return;
    const int e = errno;
    if (!cannotLink(e))
        throw WriteError(shown(target), e);
    copyDurably(source, target);
}

// The file type of a folder entry: from the entry where the file system
// gives it, else from lstat (links are not followed).
mode_t typeOf(const std::string &path, const struct dirent *entry)
{
    switch (entry->d_type) {
    case DT_DIR:
        return S_IFDIR;
    case DT_REG:
        return S_IFREG;
    case DT_UNKNOWN: {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
    }
    default:
        return 0; // links, devices and the like
    }
}

void linkFolder(const std::string &source, const std::string &target)
{
    faults::faultPoint(Step::Create, shown(target));
    if (::mkdir(target.c_str(), 0777) != 0)
        throw WriteError(shown(target), errno);
    DIR *dir = ::opendir(source.c_str());
    if (!dir)
        throw WriteError(shown(source), errno);
    try {
        errno = 0;
        while (const struct dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string from = source + '/' + name;
            const std::string to = target + '/' + name;
            const mode_t type = typeOf(from, entry);
            if (type == S_IFDIR)
                linkFolder(from, to);
            else if (type == S_IFREG && !isTemporaryName(QFile::decodeName(name.c_str())))
                linkOne(from, to);
            // Anything else (links, devices) is no part of a store.
            errno = 0;
        }
        if (errno != 0)
            throw WriteError(shown(source), errno);
    } catch (...) {
        ::closedir(dir);
        throw;
    }
    ::closedir(dir);
}

std::string native(const QString &path)
{
    return QFile::encodeName(platform::shell::toNativePath(path)).toStdString();
}

// The worker that deletes trees handed over by removeTreeInBackground: one
// thread, started with the first tree, ended with the process.
class Remover {
public:
    ~Remover()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void add(std::string path)
    {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(path));
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_changed.notify_all();
    }

    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopping, nothing left
            const std::string path = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
            lock.unlock();
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
            lock.lock();
            m_busy = false;
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

Remover &remover()
{
    static Remover r;
    return r;
}

} // namespace

void linkTree(const QString &source, const QString &target)
{
    linkFolder(native(source), native(target));
}

void linkTrees(const QList<QPair<QString, QString>> &trees, const std::function<void(int)> &made)
{
    const int count = static_cast<int>(trees.size());
    std::vector<std::string> sources, targets;
    for (const auto &[source, target] : trees) {
        sources.push_back(native(source));
        targets.push_back(native(target));
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> finished(static_cast<std::size_t>(count), 0);
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    int next = 0;
    auto work = [&] {
        for (;;) {
            int i;
            {
                std::lock_guard lock(mutex);
                if (next >= count)
                    return;
                i = next++;
            }
            std::exception_ptr failure;
            try {
                linkFolder(sources[static_cast<std::size_t>(i)], targets[static_cast<std::size_t>(i)]);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard lock(mutex);
                failures[static_cast<std::size_t>(i)] = failure;
                finished[static_cast<std::size_t>(i)] = 1;
            }
            changed.notify_all();
        }
    };
    // A few threads: more only queue up at the same folders and journal.
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    for (int t = 0; t < std::min(count, kThreads); ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error &) {
            break; // the calling thread does the rest
        }
    }
    std::exception_ptr raised;
    if (threads.empty())
        work();
    try {
        for (int i = 0; i < count; ++i) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return finished[static_cast<std::size_t>(i)] != 0; });
                if (failures[static_cast<std::size_t>(i)])
                    break;
            }
            if (made)
                made(i);
        }
    } catch (...) {
        raised = std::current_exception();
    }
    for (std::thread &t : threads)
        t.join();
    if (raised)
        std::rethrow_exception(raised);
    for (const std::exception_ptr &failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

void linkFile(const QString &source, const QString &target)
{
    linkOne(native(source), native(target));
}

void removeTreeInBackground(const QString &folder)
{
    remover().add(native(folder));
}

void waitForBackgroundRemovals() { remover().wait(); }

} // namespace platform::fileio
