#include "platform/archive/archive.h"

#include "platform/fileio/durable.h"
#include "platform/fileio/rawio.h"
#include "platform/fileio/stagedfile.h"

#include "platform/archive/data_decoder.h"
#include "platform/archive/entry_digests.h"
#include "platform/archive/lh5_decoder.h"
#include "platform/archive/lh5_encoder.h"
#include "platform/archive/lha_crc.h"
#include "platform/archive/lha_header.h"
#include "platform/archive/worker_pool.h"
#include "platform/codepage/codepage.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace platform::archive {

namespace {

namespace fs = std::filesystem;

fs::path toFsPath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QStringList splitEntryPath(const QString &entryPath)
{
    QString p = entryPath;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// CP932 components of an entry name given in Unicode.
QList<QByteArray> encodeParts(const QString &entryPath)
{
    QList<QByteArray> parts;
    for (const QString &part : splitEntryPath(entryPath)) {
        if (part == QLatin1String("..") || part == QLatin1String("."))
            fail(ErrorKind::BadName, QStringLiteral("アーカイブに格納できない名前です: %1").arg(entryPath));
        try {
            parts.append(platform::codepage::toAnsi(part));
        } catch (const platform::RuntimeError &) {
            fail(ErrorKind::BadName,
                 QStringLiteral("ファイル名にシフトJISで表せない文字があるため格納できません: %1").arg(entryPath));
        }
    }
    if (parts.isEmpty())
        fail(ErrorKind::BadName, QStringLiteral("アーカイブに格納する名前が空です"));
    return parts;
}

QString joinDisplay(const QStringList &parts)
{
    return parts.join(QLatin1Char('\\'));
}

QString lenientName(const LhaHeader &h)
{
    return platform::codepage::fromAnsiLenient(h.displayName);
}

ArchiveEntry toEntry(const LhaHeader &h)
{
    ArchiveEntry e;
    QStringList parts;
    for (const QByteArray &part : h.path.parts)
        parts.append(platform::codepage::fromAnsiLenient(part));
    e.path = joinDisplay(parts);
    e.directory = h.isDirectory();
    e.method = h.method;
    e.originalSize = h.originalSize;
    e.compressedSize = h.compressedSize;
    e.crc = h.crc;
    e.modified = h.modified;
    e.level = h.level;
    return e;
}

// Makes a folder with its missing parents; the system's error number on
// failure (a name too long, no permission), 0 when it is there.
int makeFolders(const QString &path)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (!ec)
        return 0;
    // An existing folder at the end counts as made (a file there does not).
    return QFileInfo(path).isDir() ? 0 : (ec.value() != 0 ? ec.value() : EIO);
}

void openArchive(QFile &file, const QString &archivePath)
{
    if (!QFileInfo(archivePath).isFile())
        fail(ErrorKind::FileNotFound, QStringLiteral("アーカイブが見つかりません: %1").arg(nativeName(archivePath)));
    if (!file.open(QIODevice::ReadOnly))
        fail(ErrorKind::ReadFailed,
             QStringLiteral("アーカイブを読み込めません: %1（%2）").arg(nativeName(archivePath), file.errorString()));
}

// Walks every header of an archive, checking that each entry's data lies
// inside the file, and calls visit(header) with the device positioned at the
// entry's data. The visitor may read; the walk seeks to the next header.
template <typename Visit>
void walkHeaders(QFile &file, const QString &archivePath, Visit visit)
{
    const QString name = nativeName(archivePath);
    const qint64 fileSize = file.size();
    bool first = true;
    for (;;) {
        LhaHeader h;
        if (readHeader(file, h, first, name) == HeaderRead::End)
            break;
        first = false;
        if (h.compressedSize > static_cast<std::uint64_t>(fileSize) ||
            h.dataOffset + static_cast<qint64>(h.compressedSize) > fileSize)
            fail(ErrorKind::Truncated,
                 QStringLiteral("アーカイブが途中で切れています（%1）: %2").arg(lenientName(h), name));
        visit(h);
        if (!file.seek(h.dataOffset + static_cast<qint64>(h.compressedSize)))
            fail(ErrorKind::ReadFailed, QStringLiteral("アーカイブを読み込めません: %1").arg(name));
    }
}

// An entry's components checked for extraction: no absolute path, drive,
// "..", link or undecodable name. "." components are dropped.
QStringList safeParts(const LhaHeader &h, const QString &archiveName)
{
    const QString shown = lenientName(h);
    auto unsafe = [&](const QString &why) {
        fail(ErrorKind::UnsafePath,
             QStringLiteral("安全でないパスの項目があるため展開しません（%1）: %2（%3）").arg(why, shown, archiveName));
    };
    if (h.isSymlink())
        unsafe(QStringLiteral("シンボリックリンク"));
    if (h.path.absolute)
        unsafe(QStringLiteral("絶対パス"));
    QStringList parts;
    for (const QByteArray &raw : h.path.parts) {
        QString part;
        try {
            part = platform::codepage::fromAnsi(raw);
        } catch (const platform::RuntimeError &) {
            fail(ErrorKind::BadName,
                 QStringLiteral("ファイル名がシフトJISとして読めません: %1（%2）").arg(shown, archiveName));
        }
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            unsafe(QStringLiteral("上位フォルダー"));
        if (part.contains(QLatin1Char(':')))
            unsafe(QStringLiteral("ドライブ指定"));
        if (part.contains(QChar(0)))
            unsafe(QStringLiteral("不正な文字"));
        if (h.isDirectory() && part.contains(QLatin1Char('|')))
            unsafe(QStringLiteral("シンボリックリンク"));
        parts.append(part);
    }
    if (parts.isEmpty() && !h.isDirectory())
        unsafe(QStringLiteral("名前がありません"));
    return parts;
}

bool startsWith(const QStringList &parts, const QStringList &root)
{
    if (root.size() > parts.size())
        return false;
    for (qsizetype i = 0; i < root.size(); ++i)
        if (parts[i] != root[i])
            return false;
    return true;
}

// Checks that moving the tree at src over dst replaces only files by files
// and merges folders into folders.
void checkMerge(const fs::path &src, const fs::path &dst)
{
    for (const fs::directory_entry &item : fs::directory_iterator(src)) {
        const fs::path target = dst / item.path().filename();
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(target, ec);
        if (!fs::exists(st))
            continue;
        if (item.is_directory()) {
            if (!fs::is_directory(st))
                fail(ErrorKind::WriteFailed,
                     QStringLiteral("同じ名前のファイルがあるためフォルダーを作れません: %1")
                         .arg(QString::fromStdString(target.string())));
            checkMerge(item.path(), target);
        } else if (!fs::is_regular_file(st)) {
            fail(ErrorKind::WriteFailed, QStringLiteral("同じ名前のフォルダーがあるためファイルを書けません: %1")
                                             .arg(QString::fromStdString(target.string())));
        }
    }
}

void mergeInto(const fs::path &src, const fs::path &dst, std::set<fs::path> &receivers)
{
    const std::vector<fs::directory_entry> items{fs::directory_iterator(src), fs::directory_iterator()};
    for (const fs::directory_entry &item : items) {
        const fs::path target = dst / item.path().filename();
        std::error_code ec;
        if (item.is_directory() && fs::is_directory(target, ec)) {
            mergeInto(item.path(), target, receivers);
            continue;
        }
        receivers.insert(dst);
        fs::rename(item.path(), target, ec);
        if (ec)
            fail(ErrorKind::WriteFailed, QStringLiteral("展開したファイルを移動できません: %1（%2）")
                                             .arg(QString::fromStdString(target.string()),
                                                  QString::fromLocal8Bit(ec.message().c_str())));
    }
}

} // namespace

// ---------------------------------------------------------------- writer

// The -lh5- entries of an earlier archive, by stored name. Read once on the
// calling thread; the jobs only read it.
struct ArchiveWriter::Earlier {
    struct Entry {
        std::uint64_t originalSize = 0;
        std::uint64_t compressedSize = 0;
        std::uint16_t crc = 0;
        qint64 dataOffset = 0;
    };
    QString archivePath;
    QHash<QByteArray, Entry> entries; // components joined with "\\", CP932
    // Digests of the entries, where this process wrote or extracted the
    // archive and it has not changed since; null otherwise.
    std::shared_ptr<const KnownEntries> known;
    mutable std::atomic<int> taken{0}; // entries that took their data from here
};

namespace {

QByteArray storedKey(const QList<QByteArray> &parts, const QByteArray &fileName)
{
    QByteArray key;
    for (const QByteArray &part : parts)
        key += part + '\\';
    return key + fileName;
}

// The packed data of the earlier archive's entry of the same name when it
// decodes to exactly `data`; empty otherwise. Size and CRC only choose the
// candidate: the bytes read are decoded and compared, so a changed file (even
// one of the same size and CRC) or an archive changed or damaged since it was
// indexed only costs the packing. Any failure here is no failure of the entry.
QByteArray earlierPacking(const ArchiveWriter::Earlier *earlier, const QList<QByteArray> &parts,
                          const QByteArray &fileName, const QByteArray &data, std::uint16_t crc)
{
    if (!earlier)
        return {};
    const auto found = earlier->entries.constFind(storedKey(parts, fileName));
    if (found == earlier->entries.cend() || found->originalSize != static_cast<std::uint64_t>(data.size()) ||
        found->crc != crc || found->compressedSize >= static_cast<std::uint64_t>(data.size()))
        return {};
    QFile file(earlier->archivePath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(found->dataOffset))
        return {};
    const QByteArray packed = file.read(static_cast<qint64>(found->compressedSize));
    if (packed.size() != static_cast<qsizetype>(found->compressedSize))
        return {};
    std::size_t at = 0;
    bool same = true;
    std::uint64_t compared = 0;
    const Lh5DecodeResult r = decodeLh5Family(
        13,
        [&](char *buffer, std::size_t size) {
            const std::size_t n = std::min<std::size_t>(size, static_cast<std::size_t>(packed.size()) - at);
            std::memcpy(buffer, packed.constData() + at, n);
            at += n;
            return n;
        },
        found->originalSize,
        [&](const char *chunk, std::size_t size) {
            if (same && (compared + size > static_cast<std::uint64_t>(data.size()) ||
                         std::memcmp(chunk, data.constData() + compared, size) != 0))
                same = false;
            compared += size;
        });
    if (!r.sound || !same || compared != static_cast<std::uint64_t>(data.size()))
        return {};
    ++earlier->taken;
    return packed;
}

// The stored data of a known entry of the earlier archive when its bytes
// still have the digest taken when the entry was written or decoded; empty
// otherwise.
QByteArray knownPacking(const QString &archivePath, const KnownEntry &known)
{
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(known.dataOffset))
        return {};
    const QByteArray packed = file.read(static_cast<qint64>(known.compressedSize));
    if (packed.size() != static_cast<qsizetype>(known.compressedSize) || contentDigest(packed) != known.packedDigest)
        return {};
    return packed;
}

// An entry made on a worker thread: its header and data, and for an -lh5-
// entry what the digests say of it, so that a later archive can take its
// data unchanged.
} // namespace

struct ArchiveWriter::Packed {
    QByteArray bytes;
    QByteArray key;                  // stored name (see storedKey)
    qint64 headerLength = 0;
    std::optional<KnownEntry> known; // dataOffset set when written
};

namespace {

using PackedEntry = ArchiveWriter::Packed;

// Header and data of a file entry: CRC, -lh5- where it is smaller than the
// data, stored otherwise. The earlier archive's data is taken for a file
// whose content digest is the one known of its entry there (see
// entry_digests.h), or, where no digest is known, whose bytes its entry
// decodes to. Runs on worker threads: touches nothing shared (but the
// earlier archive's count of entries taken).
PackedEntry packData(const QList<QByteArray> &parts, const QByteArray &fileName, const QByteArray &data,
                     std::int64_t modified, const ArchiveWriter::Earlier *earlier = nullptr)
{
    PackedEntry result;
    result.key = storedKey(parts, fileName);
    QByteArray method = "-lh0-";
    QByteArray packed;
    QByteArray digest;
    std::optional<std::uint16_t> crc;
    if (!data.isEmpty()) {
        digest = contentDigest(data);
        const KnownEntry *known = nullptr;
        if (earlier && earlier->known) {
            const auto found = earlier->known->constFind(result.key);
            if (found != earlier->known->cend())
                known = &*found;
        }
        if (known) {
            // Equal digests and sizes prove equal content; the stored bytes
            // are checked against their own digest before they are taken.
            if (known->originalSize == static_cast<std::uint64_t>(data.size()) && known->digest == digest &&
                known->compressedSize < static_cast<std::uint64_t>(data.size())) {
                packed = knownPacking(earlier->archivePath, *known);
                if (!packed.isEmpty()) {
                    crc = known->crc;
                    ++earlier->taken;
                }
            }
        } else {
            crc = crc16(data);
            packed = earlierPacking(earlier, parts, fileName, data, *crc);
        }
        if (!crc)
            crc = crc16(data);
        if (packed.isEmpty()) {
            // Packed into the thread's own buffer, which keeps its room from
            // one entry to the next; `packed` shares it until this returns.
            thread_local QByteArray encoded;
            encodeLh5(data.constData(), static_cast<std::size_t>(data.size()), encoded);
            packed = encoded;
        }
        if (packed.size() < data.size())
            method = "-lh5-";
    } else {
        crc = crc16(data);
    }
    const QByteArray &stored = method == "-lh5-" ? packed : data;
    result.bytes = makeLevel2Header(method, static_cast<std::uint32_t>(stored.size()),
                                    static_cast<std::uint32_t>(data.size()),
                                    static_cast<std::uint32_t>(std::max<std::int64_t>(modified, 0)), *crc, parts,
                                    fileName, 0x20);
    result.headerLength = result.bytes.size();
    result.bytes.append(stored);
    if (method == "-lh5-")
        result.known = KnownEntry{digest, contentDigest(packed), static_cast<std::uint64_t>(data.size()),
                                  static_cast<std::uint64_t>(packed.size()), *crc, 0};
    return result;
}

// Reads a file to be archived and packs it (see packData).
PackedEntry packFile(const QList<QByteArray> &parts, const QByteArray &fileName, const QString &sourceFile,
                     const ArchiveWriter::Earlier *earlier)
{
    QFile in(sourceFile);
    if (!in.open(QIODevice::ReadOnly))
        fail(ErrorKind::ReadFailed,
             QStringLiteral("ファイルを読み込めません: %1（%2）").arg(nativeName(sourceFile), in.errorString()));
    if (in.size() >= static_cast<qint64>(std::numeric_limits<std::uint32_t>::max()))
        fail(ErrorKind::ReadFailed, QStringLiteral("ファイルが大きすぎて格納できません: %1").arg(nativeName(sourceFile)));
    // Read into the thread's own buffer, which keeps its room from one file
    // to the next: a new one for each file cost more in page faults, and in
    // telling the other processors each time it went back, than the reading.
    // A file that grows or shrinks while it is read is refused.
    thread_local QByteArray buffer;
    const qint64 expected = in.size();
    buffer.resize(static_cast<qsizetype>(expected));
    qint64 got = 0;
    while (got < expected) {
        const qint64 n = in.read(buffer.data() + got, expected - got);
        if (n <= 0)
            break;
        got += n;
    }
    char beyond;
    if (got != expected || in.read(&beyond, 1) != 0)
        fail(ErrorKind::ReadFailed,
             QStringLiteral("ファイルを読み込めません: %1（%2）").arg(nativeName(sourceFile), in.errorString()));
    return packData(parts, fileName, buffer, QFileInfo(in).lastModified().toSecsSinceEpoch(), earlier);
}

// An entry on its way into the archive.
struct QueuedEntry {
    bool done = false;
    PackedEntry entry;         // header and data
    std::exception_ptr error;  // why the entry could not be made
};

} // namespace

struct ArchiveWriter::Pipeline {
    explicit Pipeline(int threads) : dataLimit(threads * 4), pool(threads) {}
    // Jobs waiting for room are let go before the pool waits for them.
    ~Pipeline()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            closing = true;
        }
        roomFreed.notify_all();
    }
    Pipeline(const Pipeline &) = delete;
    Pipeline &operator=(const Pipeline &) = delete;

    // Finished entries wait in memory until the calling thread writes them,
    // which it does only when it calls the writer (a save syncs its store
    // meanwhile). Past this many bytes held, a job other than the head's
    // waits before it packs: the head's job never waits and the jobs start
    // in archive order, so the head always gets done.
    static constexpr std::size_t kHeldLimit = std::size_t{16} << 20;

    std::mutex mutex;
    std::condition_variable finished;
    std::condition_variable roomFreed;
    std::size_t heldBytes = 0; // bytes of finished entries not yet written
    bool closing = false;
    std::deque<std::shared_ptr<QueuedEntry>> queue; // in archive order
    std::exception_ptr failure;                     // raised once: the writer is then unusable
    // Entries in flight before an addData waits: each holds its data. Files
    // are read by the job itself, so that a queued file costs only its name.
    const std::size_t dataLimit;
    // Last member: destroyed first, so that no job outlives the rest.
    WorkerPool pool;
};

ArchiveWriter::ArchiveWriter(const QString &archivePath)
    : m_path(archivePath), m_file(std::make_unique<platform::fileio::DurableFile>(archivePath))
{
    if (const int threads = workerThreadCount(); threads > 1)
        m_pipeline = std::make_unique<Pipeline>(threads);
}

// An archive not committed is discarded: the jobs not started are dropped,
// running ones are waited for, and the temporary file goes.
ArchiveWriter::~ArchiveWriter() = default;

void ArchiveWriter::writeBytes(const QByteArray &bytes)
{
    if (!m_file)
        fail(ErrorKind::WriteFailed, QStringLiteral("アーカイブは既に閉じられています: %1").arg(nativeName(m_path)));
    m_file->write(bytes);
}

void ArchiveWriter::writeFinished(Wait wait)
{
    if (!m_pipeline)
        return;
    Pipeline &p = *m_pipeline;
    if (p.failure)
        std::rethrow_exception(p.failure);
    for (;;) {
        std::shared_ptr<QueuedEntry> head;
        {
            std::unique_lock<std::mutex> lock(p.mutex);
            if (p.queue.empty())
                return;
            head = p.queue.front();
            if (!head->done) {
                if (wait == Wait::None || (wait == Wait::WhileFull && p.queue.size() < p.dataLimit))
                    return;
                p.finished.wait(lock, [&] { return head->done; });
            }
            p.queue.pop_front();
            p.heldBytes -= static_cast<std::size_t>(head->entry.bytes.size());
        }
        p.roomFreed.notify_all();
        try {
            if (head->error)
                std::rethrow_exception(head->error);
            writeEntry(head->entry);
        } catch (...) {
            p.failure = std::current_exception();
            throw;
        }
    }
}

void ArchiveWriter::writeEntry(const Packed &entry)
{
    const qint64 at = m_file ? m_file->size() : 0;
    writeBytes(entry.bytes);
    if (entry.known) {
        KnownEntry known = *entry.known;
        known.dataOffset = at + entry.headerLength;
        m_known.insert(entry.key, std::move(known));
    }
}

void ArchiveWriter::addPacked(std::function<Packed()> pack, bool holdsData)
{
    if (!m_pipeline) {
        writeEntry(pack());
        ++m_count;
        return;
    }
    writeFinished(holdsData ? Wait::WhileFull : Wait::None);
    auto entry = std::make_shared<QueuedEntry>();
    {
        const std::lock_guard<std::mutex> lock(m_pipeline->mutex);
        m_pipeline->queue.push_back(entry);
    }
    Pipeline *p = m_pipeline.get();
    p->pool.submit([p, entry, pack = std::move(pack)]() {
        {
            std::unique_lock<std::mutex> lock(p->mutex);
            p->roomFreed.wait(lock, [&] {
                return p->heldBytes < Pipeline::kHeldLimit || p->closing || p->queue.front() == entry;
            });
        }
        Packed bytes;
        std::exception_ptr error;
        try {
            bytes = pack();
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(p->mutex);
            entry->entry = std::move(bytes);
            entry->error = error;
            entry->done = true;
            p->heldBytes += static_cast<std::size_t>(entry->entry.bytes.size());
        }
        p->finished.notify_all();
    });
    ++m_count;
}

void ArchiveWriter::addReady(QByteArray bytes)
{
    if (m_pipeline) {
        writeFinished(Wait::None);
        const std::lock_guard<std::mutex> lock(m_pipeline->mutex);
        if (!m_pipeline->queue.empty()) {
            auto entry = std::make_shared<QueuedEntry>();
            entry->entry.bytes = std::move(bytes);
            entry->done = true;
            m_pipeline->heldBytes += static_cast<std::size_t>(entry->entry.bytes.size());
            m_pipeline->queue.push_back(std::move(entry));
            ++m_count;
            return;
        }
    }
    writeBytes(bytes);
    ++m_count;
}

void ArchiveWriter::writeReady() { writeFinished(Wait::None); }

void ArchiveWriter::flush() { writeFinished(Wait::All); }

namespace {

// The entry name's components; a name that cannot be stored is raised only
// after the entries before it (flushed by `flush`), as when each entry is
// written as it comes.
template <typename Flush>
QList<QByteArray> encodePartsInOrder(const QString &entryPath, Flush flush)
{
    try {
        return encodeParts(entryPath);
    } catch (const ArchiveError &) {
        flush();
        throw;
    }
}

} // namespace

void ArchiveWriter::addDirectory(const QString &entryPath, std::int64_t modified)
{
    const QList<QByteArray> parts = encodePartsInOrder(entryPath, [this] { flush(); });
    addReady(makeLevel2Header("-lhd-", 0, 0, static_cast<std::uint32_t>(std::max<std::int64_t>(modified, 0)), 0, parts,
                              QByteArray(), 0x10));
}

void ArchiveWriter::addData(const QString &entryPath, const QByteArray &data, std::int64_t modified)
{
    QList<QByteArray> parts = encodePartsInOrder(entryPath, [this] { flush(); });
    QByteArray fileName = parts.takeLast();
    addPacked([parts = std::move(parts), fileName = std::move(fileName), data, modified]() {
        return packData(parts, fileName, data, modified);
    }, true);
}

void ArchiveWriter::addFile(const QString &entryPath, const QString &sourceFile)
{
    QList<QByteArray> parts = encodePartsInOrder(entryPath, [this] { flush(); });
    QByteArray fileName = parts.takeLast();
    addPacked([parts = std::move(parts), fileName = std::move(fileName), sourceFile, earlier = m_earlier]() {
        return packFile(parts, fileName, sourceFile, earlier.get());
    }, false);
}

void ArchiveWriter::reuseFrom(const QString &earlierArchive)
{
    m_earlier.reset();
    if (earlierArchive.isEmpty())
        return;
    auto earlier = std::make_shared<Earlier>();
    earlier->archivePath = earlierArchive;
    try {
        QFile file(earlierArchive);
        openArchive(file, earlierArchive);
        walkHeaders(file, earlierArchive, [&](const LhaHeader &h) {
            if (h.method == "-lh5-" && !h.path.absolute && !h.path.parts.isEmpty())
                earlier->entries.insert(h.path.parts.join('\\'),
                                        {h.originalSize, h.compressedSize, h.crc, h.dataOffset});
        });
    } catch (const std::exception &) {
        // An archive that cannot be read offers nothing: everything is packed.
        return;
    }
    earlier->known = knownEntries(earlierArchive);
    m_earlier = std::move(earlier);
}

int ArchiveWriter::reusedCount() const { return m_earlier ? m_earlier->taken.load() : 0; }

void ArchiveWriter::addRaw(const QByteArray &headerAndData) { addReady(headerAndData); }

void ArchiveWriter::commit()
{
    flush();
    writeBytes(QByteArray(1, '\0')); // end mark
    std::unique_ptr<platform::fileio::DurableFile> file = std::move(m_file);
    m_pipeline.reset();
    file->commit();
    // The archive as written is known to this process from now on.
    try {
        rememberArchive(m_path, identityOf(m_path), std::exchange(m_known, {}));
    } catch (const std::exception &) {
    }
}

// ---------------------------------------------------------------- listing

QList<ArchiveEntry> list(const QString &archivePath)
{
    QFile file(archivePath);
    openArchive(file, archivePath);
    QList<ArchiveEntry> entries;
    walkHeaders(file, archivePath, [&](const LhaHeader &h) { entries.append(toEntry(h)); });
    return entries;
}

// ---------------------------------------------------------------- adding

namespace {

struct NewEntry {
    QString name;   // "/" separated
    QString source; // file on disk
    bool directory;
};

void collect(const QString &folder, const QString &prefix, const AddOptions &options, std::vector<NewEntry> &out)
{
    const QDir dir(folder);
    const QDir::Filters common = QDir::Hidden | QDir::System | QDir::NoSymLinks | QDir::NoDotAndDotDot;
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files | common, QDir::Name)) {
        const QString name = options.keepPaths ? prefix + QLatin1Char('/') + fi.fileName() : fi.fileName();
        out.push_back({name, fi.absoluteFilePath(), false});
    }
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Dirs | common, QDir::Name)) {
        const QString name = prefix + QLatin1Char('/') + fi.fileName();
        if (options.directoryEntries && options.keepPaths)
            out.push_back({name, fi.absoluteFilePath(), true});
        collect(fi.absoluteFilePath(), name, options, out);
    }
}

QString fromWindowsPath(QString path)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

} // namespace

namespace {

// Writes the entries into `writer` (not committed). `entryRoot`, when given,
// names the one source folder in the entries in place of its own name.
QStringList writeEntries(ArchiveWriter &writer, const QString &archivePath, const QStringList &sources,
                         const QString &baseFolder, const AddOptions &options, bool keepExisting,
                         const QString &entryRoot = QString(), bool finish = true)
{
    if (sources.isEmpty())
        fail(ErrorKind::NoEntries, QStringLiteral("格納するファイルが指定されていません"));
    const QDir base(baseFolder.isEmpty() ? QDir::currentPath() : baseFolder);
    std::vector<NewEntry> entries;
    for (const QString &source : sources) {
        const QString absolute = QDir::cleanPath(base.absoluteFilePath(fromWindowsPath(source)));
        const QFileInfo fi(absolute);
        if (!fi.exists())
            fail(ErrorKind::FileNotFound, QStringLiteral("ファイルが見つかりません: %1").arg(nativeName(source)));
        QString name = base.relativeFilePath(absolute);
        if (name.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(name) || name == QLatin1String("."))
            name = fi.fileName();
        if (!options.keepPaths)
            name = fi.fileName();
        if (!entryRoot.isEmpty())
            name = fromWindowsPath(entryRoot);
        if (fi.isDir()) {
            if (options.directoryEntries && options.keepPaths)
                entries.push_back({name, absolute, true});
            if (options.recurse)
                collect(absolute, name, options, entries);
        } else {
            entries.push_back({name, absolute, false});
        }
    }

    // Later duplicates of a name are dropped; names compare as stored.
    QSet<QString> names;
    std::vector<NewEntry> unique;
    for (NewEntry &e : entries) {
        const QString key = joinDisplay(splitEntryPath(e.name));
        if (names.contains(key))
            continue;
        names.insert(key);
        unique.push_back(e);
    }

    // Entries of an existing archive are copied unless replaced. The old
    // archive is read completely before anything is written.
    std::vector<QByteArray> kept;
    if (keepExisting && QFileInfo::exists(archivePath)) {
        QFile old(archivePath);
        openArchive(old, archivePath);
        walkHeaders(old, archivePath, [&](const LhaHeader &h) {
            if (names.contains(lenientName(h)))
                return;
            old.seek(h.headerOffset);
            kept.push_back(old.read(h.headerLength + static_cast<qint64>(h.compressedSize)));
        });
    }

    for (const QByteArray &raw : kept)
        writer.addRaw(raw);
    QStringList written;
    for (const NewEntry &e : unique) {
        if (e.directory)
            writer.addDirectory(e.name, QFileInfo(e.source).lastModified().toSecsSinceEpoch());
        else
            writer.addFile(e.name, e.source);
        written.append(joinDisplay(splitEntryPath(e.name)) + (e.directory ? QStringLiteral("\\") : QString()));
    }
    // Every source file is read before the caller may move or change it;
    // unless it has asked to flush the writer itself.
    if (finish)
        writer.flush();
    return written;
}

} // namespace

QStringList addFiles(const QString &archivePath, const QStringList &sources, const QString &baseFolder,
                     const AddOptions &options)
{
    // The old archive is read before the writer is made: the writer's
    // temporary file does not touch it.
    ArchiveWriter writer(archivePath);
    const QStringList written = writeEntries(writer, archivePath, sources, baseFolder, options, true);
    writer.commit();
    return written;
}

void addFolder(const QString &archivePath, const QString &sourceFolder, const QString &baseFolder)
{
    const QDir base(baseFolder.isEmpty() ? QDir::currentPath() : baseFolder);
    if (!QFileInfo(base.absoluteFilePath(fromWindowsPath(sourceFolder))).isDir())
        fail(ErrorKind::FileNotFound, QStringLiteral("フォルダーが見つかりません: %1").arg(nativeName(sourceFolder)));
    // A fresh archive: whatever was at the path is replaced on commit.
    ArchiveWriter writer(archivePath);
    writeEntries(writer, archivePath, {sourceFolder}, baseFolder, AddOptions(), false);
    writer.commit();
}

std::unique_ptr<ArchiveWriter> prepareFolderArchive(const QString &archivePath, const QString &sourceFolder,
                                                    const QString &entryRoot, const QString &earlierArchive)
{
    if (!QFileInfo(sourceFolder).isDir())
        fail(ErrorKind::FileNotFound, QStringLiteral("フォルダーが見つかりません: %1").arg(nativeName(sourceFolder)));
    auto writer = std::make_unique<ArchiveWriter>(archivePath);
    writer->reuseFrom(earlierArchive);
    writeEntries(*writer, archivePath, {QFileInfo(sourceFolder).absoluteFilePath()}, QString(), AddOptions(), false,
                 entryRoot, false);
    return writer;
}

// ---------------------------------------------------------------- extraction

namespace {

// Syncs a folder's entries to disk.
void syncFolderOrFail(const fs::path &folder)
{
    if (const int e = platform::fileio::syncPath(QFile::decodeName(folder.c_str()), true))
        fail(ErrorKind::WriteFailed, QStringLiteral("展開先に書き込めません: %1（%2）")
                                         .arg(nativeName(QFile::decodeName(folder.c_str())),
                                              platform::fileio::describeSystemError(e)));
}

// Syncs every folder of a freshly extracted tree, on the workers where there
// are any; the first failure in walking order is raised.
void syncFolders(const fs::path &root, WorkerPool *pool)
{
    std::vector<fs::path> folders{root};
    for (const fs::directory_entry &item : fs::recursive_directory_iterator(root))
        if (item.is_directory() && !item.is_symlink())
            folders.push_back(item.path());
    if (!pool) {
        for (const fs::path &folder : folders)
            syncFolderOrFail(folder);
        return;
    }
    std::vector<std::exception_ptr> failures(folders.size());
    for (std::size_t i = 0; i < folders.size(); ++i)
        pool->submit([&folders, &failures, i]() {
            try {
                syncFolderOrFail(folders[i]);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        });
    pool->wait();
    for (const std::exception_ptr &failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

// True when two selected entries name the same path, or a file lies where
// another entry needs a folder.
template <typename PlannedList>
bool overlappingTargets(const PlannedList &selected)
{
    QSet<QString> files, folders;
    for (const auto &p : selected) {
        const QString relative = p.parts.join(QLatin1Char('/'));
        const QStringList components = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QString prefix;
        for (qsizetype k = 0; k + 1 < components.size(); ++k) {
            prefix += (k ? QStringLiteral("/") : QString()) + components[k];
            folders.insert(prefix);
        }
        const QString whole = components.join(QLatin1Char('/'));
        if (p.header.isDirectory()) {
            folders.insert(whole);
        } else if (files.contains(whole)) {
            return true;
        } else {
            files.insert(whole);
        }
    }
    for (const QString &f : files)
        if (folders.contains(f))
            return true;
    return false;
}

// Files decoded but not yet synced, kept open so that their writeback runs
// while other entries are decoded; synced together once every entry is
// decoded. At most kMaxOpen wait at a time: beyond that the oldest is synced
// at once, so that an archive of many files does not run out of descriptors.
class PendingSyncs {
public:
    struct Item {
        std::size_t index;                                // archive order
        QString entry;                                    // the entry's name, as messages show it
        std::unique_ptr<platform::fileio::StagedFile> file;
    };

    // Takes a written file; may return the oldest waiting one to be synced
    // by the caller now.
    std::optional<Item> add(Item item)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_items.push_back(std::move(item));
        if (m_items.size() <= kMaxOpen)
            return std::nullopt;
        Item oldest = std::move(m_items.front());
        m_items.pop_front();
        return oldest;
    }

    std::deque<Item> takeAll()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_items, {});
    }

private:
    static constexpr std::size_t kMaxOpen = 256;
    std::mutex m_mutex;
    std::deque<Item> m_items;
};

void syncEntry(const PendingSyncs::Item &item)
{
    try {
        item.file->sync();
    } catch (const platform::fileio::WriteError &e) {
        fail(ErrorKind::WriteFailed, QStringLiteral("ファイルを書き込めません: %1（%2）").arg(item.entry, e.cause()));
    }
}

// Decodes one file entry from `archive` into `target` and checks its length
// and CRC; sets its modification time and starts its writeback. Runs on
// worker threads: uses only its arguments. The file is handed to `pending`,
// which syncs it later: the tree counts as extracted only after that.
template <typename PlannedEntry>
void extractEntry(QFile &archive, const QString &name, const PlannedEntry &p, std::size_t index,
                  const QString &target, PendingSyncs &pending, KnownCollector &known)
{
    const LhaHeader &h = p.header;
    const QString entry = joinDisplay(p.parts);
    std::unique_ptr<platform::fileio::StagedFile> out;
    DecodeResult r;
    // The content's digest, for a later archive that takes this entry's data.
    const bool packed = h.method == "-lh5-";
    ContentHasher digest;
    try {
        // Where an earlier entry of the same name was written (entries that
        // overlap run in archive order on the calling thread), the later one
        // replaces it, as each entry replaces a file of the destination.
        if (::unlink(QFile::encodeName(target).constData()) != 0 && errno != ENOENT)
            throw platform::fileio::WriteError(target, errno);
        out = std::make_unique<platform::fileio::StagedFile>(target);
        if (!archive.seek(h.dataOffset))
            fail(ErrorKind::ReadFailed, QStringLiteral("アーカイブを読み込めません: %1").arg(name));
        r = decodeData(
            h.method, archive, h.compressedSize, h.originalSize,
            [&](const char *data, std::size_t len) {
                out->write(data, static_cast<qint64>(len));
                if (packed)
                    digest.add(data, len);
            },
            [&] {
                out->truncate();
                digest.reset();
            });
    } catch (const platform::fileio::WriteError &e) {
        fail(ErrorKind::WriteFailed, QStringLiteral("ファイルを書き込めません: %1（%2）").arg(entry, e.cause()));
    }
    if (r.length != h.originalSize || r.crc != h.crc)
        fail(ErrorKind::CrcError, QStringLiteral("CRCエラーです。データが壊れています（%1）: %2").arg(entry, name));
    if (packed && archive.seek(h.dataOffset)) {
        const QByteArray stored = archive.read(static_cast<qint64>(h.compressedSize));
        if (stored.size() == static_cast<qsizetype>(h.compressedSize))
            known.add(h.path.parts.join('\\'), {digest.result(), contentDigest(stored), h.originalSize,
                                                  h.compressedSize, h.crc, h.dataOffset});
    }
    out->setModified(h.modified);
    out->startWriteback();
    if (std::optional<PendingSyncs::Item> oldest = pending.add({index, entry, std::move(out)}))
        syncEntry(*oldest);
}

} // namespace

QStringList extract(const QString &archivePath, const QString &destination, const ExtractOptions &options)
{
    const QString name = nativeName(archivePath);
    QFile file(archivePath);
    openArchive(file, archivePath);
    const FileIdentity identity = identityOf(archivePath);

    struct Planned {
        LhaHeader header;
        QStringList parts;
    };
    std::vector<Planned> selected;
    std::vector<QStringList> roots;
    for (const QString &root : options.roots)
        roots.push_back(splitEntryPath(root));

    // First pass: every header must be sound and every name safe, selected or not.
    walkHeaders(file, archivePath, [&](const LhaHeader &h) {
        QStringList parts = safeParts(h, name);
        if (!h.isDirectory() && !canDecode(h.method))
            fail(ErrorKind::UnsupportedMethod, QStringLiteral("対応していない圧縮形式です（%1）: %2（%3）")
                                                   .arg(QString::fromLatin1(h.method), lenientName(h), name));
        if (parts.isEmpty())
            return;
        bool wanted = roots.empty();
        for (const QStringList &root : roots)
            wanted = wanted || startsWith(parts, root);
        if (!wanted)
            return;
        if (!options.keepPaths) {
            if (h.isDirectory())
                return;
            parts = QStringList{parts.last()};
        }
        selected.push_back({h, parts});
    });
    if (!roots.empty() && selected.empty())
        fail(ErrorKind::NoEntries, QStringLiteral("アーカイブに「%1」のデータがありません: %2")
                                       .arg(options.roots.join(QStringLiteral("」「")), name));

    const QString destPath = QDir::cleanPath(QDir(destination.isEmpty() ? QDir::currentPath()
                                                                        : fromWindowsPath(destination))
                                                 .absolutePath());
    bool createdDestination = false;
    if (!QFileInfo(destPath).isDir()) {
        const int e = QFileInfo::exists(destPath) ? EEXIST : makeFolders(destPath);
        if (e != 0)
            fail(ErrorKind::WriteFailed, QStringLiteral("展開先フォルダーを作成できません: %1（%2）")
                                             .arg(nativeName(destPath), platform::fileio::describeSystemError(e)));
        createdDestination = true;
    }
    auto undoDestination = [&]() {
        if (createdDestination)
            QDir(destPath).removeRecursively();
    };

    QStringList written;
    try {
        QTemporaryDir temporary(destPath + QStringLiteral("/.lha-extract-XXXXXX"));
        if (!temporary.isValid())
            fail(ErrorKind::WriteFailed, QStringLiteral("展開先に書き込めません: %1").arg(nativeName(destPath)));
        const QDir work(temporary.path());

        // Failures by entry; the first in archive order is raised, as when
        // the entries are written one after the other.
        std::vector<std::exception_ptr> failures(selected.size());
        std::atomic<std::size_t> firstFailure{selected.size()};
        auto noteFailure = [&](std::size_t index) {
            failures[index] = std::current_exception();
            std::size_t seen = firstFailure.load();
            while (index < seen && !firstFailure.compare_exchange_weak(seen, index)) {
            }
        };
        // Declared after what its jobs use, so that it is gone before them.
        // Files are decoded on worker threads unless two entries would write
        // the same path or a file where a folder goes: those keep the order
        // in which the entries overwrite each other.
        PendingSyncs pending;
        KnownCollector known;
        std::optional<WorkerPool> pool;
        if (const int threads = workerThreadCount(); threads > 1 && !overlappingTargets(selected))
            pool.emplace(threads);

        // Each entry makes its own folder: on the workers, where the file
        // system's waits for its journal overlap each other and the
        // decoding, instead of holding up the calling thread one by one.
        auto extractOne = [&](std::size_t i, QFile &archive) {
            const Planned &p = selected[i];
            const QString target = work.filePath(p.parts.join(QLatin1Char('/')));
            const QString folder = p.header.isDirectory() ? target : QFileInfo(target).path();
            if (const int e = makeFolders(folder))
                fail(ErrorKind::WriteFailed, QStringLiteral("フォルダーを作成できません: %1（%2）")
                                                 .arg(joinDisplay(p.parts), platform::fileio::describeSystemError(e)));
            if (!p.header.isDirectory())
                extractEntry(archive, name, p, i, target, pending, known);
        };
        for (std::size_t i = 0; i < selected.size() && i < firstFailure.load(); ++i) {
            written.append(joinDisplay(selected[i].parts) +
                           (selected[i].header.isDirectory() ? QStringLiteral("\\") : QString()));
            if (!pool) {
                extractOne(i, file);
                continue;
            }
            pool->submit([&, i]() {
                if (i > firstFailure.load())
                    return; // an earlier entry failed: nothing after it counts
                try {
                    QFile own(archivePath);
                    if (!selected[i].header.isDirectory() && !own.open(QIODevice::ReadOnly))
                        fail(ErrorKind::ReadFailed,
                             QStringLiteral("アーカイブを読み込めません: %1（%2）").arg(name, own.errorString()));
                    extractOne(i, own);
                } catch (...) {
                    noteFailure(i);
                }
            });
        }
        if (pool)
            pool->wait();
        if (firstFailure.load() < selected.size())
            std::rethrow_exception(failures[firstFailure.load()]);
        // Every file on the disk before the folders that name them, and
        // before the tree moves into place; their writeback began as each
        // was written, so these waits overlap what is left of it.
        std::deque<PendingSyncs::Item> unsynced = pending.takeAll();
        if (pool) {
            for (const PendingSyncs::Item &item : unsynced)
                pool->submit([&, item = &item]() {
                    try {
                        syncEntry(*item);
                    } catch (...) {
                        noteFailure(item->index);
                    }
                });
            pool->wait();
            if (firstFailure.load() < selected.size())
                std::rethrow_exception(failures[firstFailure.load()]);
        } else {
            for (const PendingSyncs::Item &item : unsynced)
                syncEntry(item);
        }
        unsynced.clear();
        try {
            syncFolders(toFsPath(temporary.path()), pool ? &*pool : nullptr);
        } catch (const fs::filesystem_error &e) {
            fail(ErrorKind::WriteFailed, QStringLiteral("展開先に書き込めません: %1（%2）")
                                             .arg(nativeName(destPath), QString::fromLocal8Bit(e.what())));
        }
        pool.reset();

        // Every entry checked out: move the tree into place.
        const fs::path from = toFsPath(temporary.path());
        const fs::path to = toFsPath(destPath);
        std::set<fs::path> receivers; // folders that gained names
        try {
            checkMerge(from, to);
            mergeInto(from, to, receivers);
        } catch (const fs::filesystem_error &e) {
            fail(ErrorKind::WriteFailed, QStringLiteral("展開先に書き込めません: %1（%2）")
                                             .arg(nativeName(destPath), QString::fromLocal8Bit(e.what())));
        }
        for (const fs::path &folder : receivers)
            syncFolderOrFail(folder);
        // Every entry decoded with its CRC: what they hold is known.
        rememberArchive(archivePath, identity, known.take());
    } catch (...) {
        undoDestination();
        throw;
    }
    return written;
}

} // namespace platform::archive
