#pragma once
// The LHA archiver: writing archives of folders (level-2 headers, -lh5- or
// stored data, CP932 names with "\" separators, an entry for every folder),
// listing them, and extracting them safely: only entries under the expected
// root, never outside the destination, and nothing written unless every CRC
// checked out. Failures throw ArchiveError with a Japanese description.
#include "platform/archive/archive_error.h"
#include "platform/archive/entry_digests.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace platform::fileio {
class DurableFile;
}

namespace platform::archive {

struct ArchiveEntry {
    QString path;                // components joined with "\"
    bool directory = false;
    QByteArray method;           // "-lh5-", "-lhd-" ...
    std::uint64_t originalSize = 0;
    std::uint64_t compressedSize = 0;
    std::uint16_t crc = 0;
    std::int64_t modified = 0;   // seconds since 1970 (UTC)
    int level = 2;
};

// Writes a new archive through the durable write. Nothing appears at the
// archive path until commit(); an existing file there is replaced only then,
// once the new one is on disk. A failed write raises platform::fileio::
// WriteError (number and Japanese description naming the file and the cause)
// and leaves an existing file byte for byte as it was.
//
// Files and data are compressed on worker threads (see setWorkerThreads) and
// written in the order they were added, so that the archive holds exactly
// the bytes the calling thread alone would write. A failure of an entry
// (an unreadable file, a failed write) is raised by the add call or flush()
// that reaches it in that order, after every entry before it was written.
class ArchiveWriter {
public:
    explicit ArchiveWriter(const QString &archivePath);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter &) = delete;
    ArchiveWriter &operator=(const ArchiveWriter &) = delete;

    // entryPath: components separated by "\" or "/".
    void addDirectory(const QString &entryPath, std::int64_t modified);
    void addData(const QString &entryPath, const QByteArray &data, std::int64_t modified);
    void addFile(const QString &entryPath, const QString &sourceFile);
    // Copies an entry of another archive as it is stored (header and data).
    void addRaw(const QByteArray &headerAndData);
    // Files added after this call whose bytes an -lh5- entry of the same
    // name in `earlierArchive` holds take that entry's packed data instead of
    // being packed again (a new header is written). Where this process wrote
    // or extracted the earlier archive and it is unchanged since, a file is
    // taken as unchanged when its content digest is the one known of the
    // entry, and the entry's stored bytes still have their own digest (see
    // entry_digests.h); elsewhere the entry is read, decoded and compared
    // with the file. A changed file, or an earlier archive that is missing,
    // damaged or changed, only costs the packing. "" reuses nothing.
    void reuseFrom(const QString &earlierArchive);
    // Entries that took their data from the earlier archive so far.
    int reusedCount() const;
    // Writes the entries packed so far to the temporary file, in order,
    // without waiting for any; raises the first failure among them. Finished
    // entries are held in memory only up to a limit, past which the workers
    // wait: a caller that does other work while they pack calls this now and
    // then, so that the packing goes on meanwhile.
    void writeReady();
    // Waits until every entry added so far is read and written to the
    // temporary file; raises the first failure among them.
    void flush();
    void commit();

    int entryCount() const { return m_count; }

    struct Earlier;
    struct Packed;

private:
    struct Pipeline;

    void writeBytes(const QByteArray &bytes);
    // Writes an entry and notes where its data went.
    void writeEntry(const Packed &entry);
    // Queues an entry whose bytes `pack` makes on a worker thread.
    // holdsData: the job carries the data (addData), so that only a few
    // may wait at a time.
    void addPacked(std::function<Packed()> pack, bool holdsData);
    // Queues an entry whose bytes are known.
    void addReady(QByteArray bytes);
    // Writes the finished entries at the head of the queue, waiting for the
    // head as `wait` says: not at all, while too many entries hold their
    // data, or until every queued entry is written.
    enum class Wait { None, WhileFull, All };
    void writeFinished(Wait wait);

    QString m_path;
    std::unique_ptr<platform::fileio::DurableFile> m_file;
    int m_count = 0;
    std::unique_ptr<Pipeline> m_pipeline; // null when no worker threads are used
    std::shared_ptr<Earlier> m_earlier;   // null when nothing is reused
    KnownEntries m_known;                 // digests of the entries written, for a later archive
};

// Worker threads that compress and decompress entries: 0 (the default) as
// many as the processors this process may run on, 1 none (all on the
// calling thread).
void setWorkerThreads(int count);

// Lists the entries of an archive (every header checked, data not decoded).
QList<ArchiveEntry> list(const QString &archivePath);

// Adds sourceFolder with all its files and folders, the entry names being the
// paths relative to baseFolder ("dDB\..." for the store folder "dDB").
void addFolder(const QString &archivePath, const QString &sourceFolder, const QString &baseFolder);

// Packs sourceFolder with all its files and folders into a new archive whose
// entry names begin with entryRoot in place of the folder's own name
// ("dDB.new" archived as "dDB\..."). The writer is returned before its
// commit(), so that the caller decides when the archive takes its path; an
// archive not committed leaves the path as it was. The files may still be
// being read and packed on the worker threads when it returns: the caller
// calls flush() (which also raises a failure of that) before it moves or
// changes the folder, and may do other work meanwhile. Files that an
// earlier archive holds unchanged take its packed data (see reuseFrom).
std::unique_ptr<ArchiveWriter> prepareFolderArchive(const QString &archivePath, const QString &sourceFolder,
                                                    const QString &entryRoot, const QString &earlierArchive = QString());

struct AddOptions {
    bool recurse = true;           // descend into folders
    bool directoryEntries = true;  // an entry for every folder (keeps empty ones)
    bool keepPaths = true;         // store paths relative to the base folder
};

// Adds files and folders (paths relative to baseFolder or absolute) to an
// archive. When the archive exists its entries are kept unless a new entry of
// the same name replaces them. Returns the names of the entries written.
QStringList addFiles(const QString &archivePath, const QStringList &sources, const QString &baseFolder,
                     const AddOptions &options = AddOptions());

struct ExtractOptions {
    // Only entries whose first components equal one of these names are
    // written (components separated by "\" or "/"); empty: every entry. When
    // none of the archive's entries is selected the extraction fails.
    QStringList roots;
    bool keepPaths = true;         // false: every file lands in the destination itself
};

// Extracts into destination. Every header is checked first (any unsafe name
// refuses the whole archive), then the selected entries are decoded into a
// temporary folder inside the destination, and only when every CRC matched
// are they moved into place, replacing files of the same name. Every file and
// folder written is synced to disk before that, and the folders that received
// them after it: what the extraction wrote is durable when it returns.
// Files are decoded on worker threads (see setWorkerThreads); a failure is
// the one of the first failing entry in archive order. Returns the names of
// the entries written.
QStringList extract(const QString &archivePath, const QString &destination,
                    const ExtractOptions &options = ExtractOptions());

} // namespace platform::archive
