#pragma once
// What this process knows of the file entries of the archives it wrote or
// extracted: a strong digest of each entry's content and of its stored data,
// with where that data lies. A later archive that holds a file of the same
// name takes the stored data as it is when the file's digest is the one
// known and the stored bytes still have theirs; it neither decodes the old
// entry nor packs the file again. The knowledge holds only while the archive
// file is the one it was taken from (device, inode, size, change and
// modification times).
#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

#include <sys/types.h>

namespace platform::archive {

struct KnownEntry {
    QByteArray digest;       // of the entry's content (see contentDigest)
    QByteArray packedDigest; // of its stored data
    std::uint64_t originalSize = 0;
    std::uint64_t compressedSize = 0;
    std::uint16_t crc = 0;
    qint64 dataOffset = 0;   // position of the stored data in the archive
};

// By stored name: the CP932 components joined with "\".
using KnownEntries = QHash<QByteArray, KnownEntry>;

// XXH3-128. The digests tell whether a table in the working folder still
// holds what an entry was made of; they never leave the process and guard
// against no one crafting a collision (whoever can write the tables can
// change the store itself). What they must do is tell any change apart, and
// for that a well-mixed 128-bit hash is as good as a cryptographic one (two
// different tables agree by chance with a probability of about 2^-128), at
// some fifteen times BLAKE2b's speed: hashing was a sixth of the packing.
QByteArray contentDigest(const char *data, std::size_t size);
inline QByteArray contentDigest(const QByteArray &data)
{
    return contentDigest(data.constData(), static_cast<std::size_t>(data.size()));
}

// The same digest of data handed over in pieces.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;

    void add(const char *data, std::size_t size);
    void reset();
    QByteArray result() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// A file as the file system identifies it; `valid` false when it cannot be
// examined.
struct FileIdentity {
    bool valid = false;
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool operator==(const FileIdentity &) const = default;
};
FileIdentity identityOf(const QString &path);

// Records the entries of the archive at `path`, provided the file is still
// the one `seen` describes (taken before its entries were read or after
// they were written). Replaces what was known of that path. Only a few
// archives are kept, the latest.
void rememberArchive(const QString &path, const FileIdentity &seen, KnownEntries entries);
// What is known of the archive at `path`, or null when nothing is or the
// file has changed since.
std::shared_ptr<const KnownEntries> knownEntries(const QString &path);
// Forgets every archive (tests).
void forgetArchives();

// Collects entries from several worker threads.
class KnownCollector {
public:
    void add(const QByteArray &key, KnownEntry entry);
    KnownEntries take();

private:
    std::mutex m_mutex;
    KnownEntries m_entries;
};

} // namespace platform::archive
