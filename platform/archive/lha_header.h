#pragma once
// LHA entry headers: reading of header levels 0, 1 and 2 (with their extended
// headers) and writing of level-2 headers. Names stay CP932 bytes here; paths
// are split with the Shift-JIS rule that a byte after a lead byte is a trail
// byte even when it equals "\".
#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <cstdint>

namespace platform::archive {

struct LhaPath {
    QList<QByteArray> parts; // components, CP932 bytes, no empty ones
    bool absolute = false;   // the name began with a separator
};

// Splits a stored name at "\", "/" and 0xFF; a 0x5C that follows a CP932 lead
// byte belongs to the character and is not a separator.
LhaPath splitStoredPath(const QByteArray &raw);

struct LhaHeader {
    QByteArray method;             // five characters, e.g. "-lh5-"
    std::uint64_t compressedSize = 0;
    std::uint64_t originalSize = 0;
    std::int64_t modified = 0;     // seconds since 1970 (UTC)
    bool modifiedIsLocal = false;  // taken from an MS-DOS time stamp (local time)
    std::uint16_t attribute = 0x20;
    int level = 2;
    std::uint16_t crc = 0;
    bool hasCrc = true;
    char osId = 'M';
    std::uint16_t unixMode = 0;
    bool hasUnixMode = false;
    LhaPath path;                  // where the entry goes
    QByteArray displayName;        // the stored name joined with "\", for messages

    qint64 headerOffset = 0;       // position of the header in the archive
    qint64 headerLength = 0;       // bytes of the header including extended headers
    qint64 dataOffset = 0;         // position of the entry's data

    bool isDirectory() const { return method == "-lhd-"; }
    bool isSymlink() const;
};

enum class HeaderRead { Entry, End };

// Reads the header at the device's position and leaves the device at the
// entry's data. Throws ArchiveError: NotArchive when the first header is not
// one, Truncated when the archive ends inside a header, BrokenHeader on a bad
// checksum or CRC, UnsupportedMethod for header level 3 and beyond.
HeaderRead readHeader(QIODevice &in, LhaHeader &header, bool first, const QString &archiveName);

// A level-2 header for an entry whose directory components and file name are
// CP932 bytes (an empty file name for a directory entry).
QByteArray makeLevel2Header(const QByteArray &method, std::uint32_t compressedSize,
                            std::uint32_t originalSize, std::uint32_t modified, std::uint16_t crc,
                            const QList<QByteArray> &directory, const QByteArray &fileName,
                            std::uint16_t attribute);

// An MS-DOS date and time stamp (local time) as seconds since 1970.
std::int64_t fromDosTime(std::uint32_t dos);

} // namespace platform::archive
