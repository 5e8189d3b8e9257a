#include "platform/archive/entry_digests.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <xxhash.h>

namespace platform::archive {

namespace {

struct Remembered {
    QString path; // canonical
    FileIdentity identity;
    std::shared_ptr<const KnownEntries> entries;
};

constexpr std::size_t kKept = 4;

std::mutex g_mutex;
std::vector<Remembered> g_archives; // the latest last

QString canonical(const QString &path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

// The canonical (big-endian) form, the same bytes on every machine.
QByteArray digestBytes(XXH128_hash_t hash)
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, hash);
    return QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest);
}

} // namespace

QByteArray contentDigest(const char *data, std::size_t size)
{
    return digestBytes(XXH3_128bits(data, size));
}

// The library's state is opaque to its users: it makes and frees it.
struct ContentHasher::State {
    State() : state(XXH3_createState())
    {
        if (!state)
            throw std::bad_alloc();
    }
    ~State() { XXH3_freeState(state); }
    State(const State &) = delete;
    State &operator=(const State &) = delete;
    XXH3_state_t *state;
};

ContentHasher::ContentHasher() : m_state(std::make_unique<State>())
{
    reset();
}

ContentHasher::~ContentHasher() = default;

void ContentHasher::add(const char *data, std::size_t size)
{
    XXH3_128bits_update(m_state->state, data, size);
}

void ContentHasher::reset()
{
    XXH3_128bits_reset(m_state->state);
}

QByteArray ContentHasher::result() const
{
    return digestBytes(XXH3_128bits_digest(m_state->state));
}

FileIdentity identityOf(const QString &path)
{
    struct stat st {};
    FileIdentity id;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return id;
    id.valid = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

void rememberArchive(const QString &path, const FileIdentity &seen, KnownEntries entries)
{
    const QString key = canonical(path);
    const std::lock_guard<std::mutex> lock(g_mutex);
    std::erase_if(g_archives, [&](const Remembered &r) { return r.path == key; });
    if (!seen.valid || identityOf(key) != seen)
        return;
    g_archives.push_back({key, seen, std::make_shared<const KnownEntries>(std::move(entries))});
    if (g_archives.size() > kKept)
        g_archives.erase(g_archives.begin());
}

std::shared_ptr<const KnownEntries> knownEntries(const QString &path)
{
    const QString key = canonical(path);
    const FileIdentity now = identityOf(key);
    const std::lock_guard<std::mutex> lock(g_mutex);
    for (const Remembered &r : g_archives)
        if (r.path == key)
            return now.valid && now == r.identity ? r.entries : nullptr;
    return nullptr;
}

void forgetArchives()
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_archives.clear();
}

void KnownCollector::add(const QByteArray &key, KnownEntry entry)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.insert(key, std::move(entry));
}

KnownEntries KnownCollector::take()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_entries, {});
}

} // namespace platform::archive
