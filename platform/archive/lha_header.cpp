#include "platform/archive/lha_header.h"

#include "platform/archive/archive_error.h"
#include "platform/archive/lha_crc.h"
#include "platform/codepage/codepage.h"

#include <QDateTime>

namespace platform::archive {

namespace {

std::uint16_t le16(const QByteArray &b, qsizetype at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

std::uint32_t le32(const QByteArray &b, qsizetype at)
{
    return static_cast<std::uint32_t>(le16(b, at)) | (static_cast<std::uint32_t>(le16(b, at + 2)) << 16);
}

std::uint64_t le64(const QByteArray &b, qsizetype at)
{
    return static_cast<std::uint64_t>(le32(b, at)) | (static_cast<std::uint64_t>(le32(b, at + 4)) << 32);
}

void put16(QByteArray &b, std::uint16_t v)
{
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}

void put32(QByteArray &b, std::uint32_t v)
{
    put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}

bool plausibleMethod(const QByteArray &m)
{
    if (m.size() != 5 || m[0] != '-' || m[4] != '-')
        return false;
    for (int i = 1; i < 4; ++i) {
        const unsigned char c = static_cast<unsigned char>(m[i]);
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// Reads exactly n bytes or reports how the archive is broken.
QByteArray readExactly(QIODevice &in, qint64 n, bool first, const QString &archiveName)
{
    const QByteArray b = in.read(n);
    if (b.size() != n) {
        if (first)
            fail(ErrorKind::NotArchive, QStringLiteral("LHA形式のアーカイブではありません: %1").arg(archiveName));
        fail(ErrorKind::Truncated, QStringLiteral("アーカイブが途中で切れています（ヘッダーの途中）: %1").arg(archiveName));
    }
    return b;
}

[[noreturn]] void brokenHeader(bool first, const QString &archiveName, const QString &what)
{
    if (first)
        fail(ErrorKind::NotArchive, QStringLiteral("LHA形式のアーカイブではありません: %1").arg(archiveName));
    fail(ErrorKind::BrokenHeader, QStringLiteral("アーカイブのヘッダーが壊れています（%1）: %2").arg(what, archiveName));
}

// The header CRC (extended header 0x00) covers the whole header as stored,
// with its own two bytes counted as zero. Its header checksum or layout has
// already shown the file to be an archive, so a mismatch names the entry.
void checkHeaderCrc(const QByteArray &whole, qsizetype crcAt, const LhaHeader &h, const QString &archiveName)
{
    const std::uint16_t stored = le16(whole, crcAt);
    QByteArray zeroed = whole;
    zeroed[crcAt] = 0;
    zeroed[crcAt + 1] = 0;
    if (crc16(zeroed) != stored)
        brokenHeader(false, archiveName,
                     QStringLiteral("ヘッダーCRC: %1").arg(platform::codepage::fromAnsiLenient(h.displayName)));
}

struct Extended {
    QByteArray fileName;
    QByteArray directory;
    bool hasFileName = false;
    bool hasDirectory = false;
};

// Takes one extended header (type byte and data, without the size fields).
void applyExtended(LhaHeader &h, Extended &ext, unsigned char type, const QByteArray &data)
{
    switch (type) {
    case 0x01:
        ext.fileName = data;
        ext.hasFileName = true;
        break;
    case 0x02:
        ext.directory = data;
        ext.hasDirectory = true;
        break;
    case 0x40:
        if (data.size() >= 2)
            h.attribute = le16(data, 0);
        break;
    case 0x42:
        if (data.size() >= 16) {
            h.compressedSize = le64(data, 0);
            h.originalSize = le64(data, 8);
        }
        break;
    case 0x50:
        if (data.size() >= 2) {
            h.unixMode = le16(data, 0);
            h.hasUnixMode = true;
        }
        break;
    case 0x54:
        if (data.size() >= 4) {
            h.modified = le32(data, 0);
            h.modifiedIsLocal = false;
        }
        break;
    default:
        break;
    }
}

void finishName(LhaHeader &h, const QByteArray &baseName, const Extended &ext)
{
    const QByteArray name = ext.hasFileName ? ext.fileName : baseName;
    QByteArray stored;
    if (ext.hasDirectory) {
        stored = ext.directory;
        if (!stored.isEmpty() && static_cast<unsigned char>(stored.back()) != 0xFF)
            stored.append(static_cast<char>(0xFF));
    }
    stored.append(name);
    h.path = splitStoredPath(stored);
    QByteArray display;
    for (const QByteArray &part : h.path.parts) {
        if (!display.isEmpty())
            display.append('\\');
        display.append(part);
    }
    h.displayName = h.path.absolute ? QByteArray("\\") + display : display;
}

} // namespace

bool LhaHeader::isSymlink() const
{
    return hasUnixMode && (unixMode & 0xF000) == 0xA000;
}

LhaPath splitStoredPath(const QByteArray &raw)
{
    LhaPath path;
    QByteArray current;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (platform::codepage::isLeadByte(c) && i + 1 < raw.size()) {
            current.append(raw[i]);
            current.append(raw[i + 1]);
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || c == 0xFF) {
            if (i == 0)
                path.absolute = true;
            if (!current.isEmpty())
                path.parts.append(current);
            current.clear();
            continue;
        }
        current.append(raw[i]);
    }
    if (!current.isEmpty())
        path.parts.append(current);
    return path;
}

HeaderRead readHeader(QIODevice &in, LhaHeader &h, bool first, const QString &archiveName)
{
    h = LhaHeader();
    h.headerOffset = in.pos();

    const QByteArray lead = in.read(1);
    if (lead.isEmpty()) {
        if (first)
            fail(ErrorKind::NotArchive, QStringLiteral("LHA形式のアーカイブではありません（空のファイル）: %1").arg(archiveName));
        fail(ErrorKind::Truncated, QStringLiteral("アーカイブが途中で切れています（終端がありません）: %1").arg(archiveName));
    }
    if (lead[0] == 0) {
        // End mark. A lone end mark is an empty archive; anything else that
        // starts with a zero byte is not an archive.
        if (first && !in.atEnd())
            fail(ErrorKind::NotArchive, QStringLiteral("LHA形式のアーカイブではありません: %1").arg(archiveName));
        return HeaderRead::End;
    }

    QByteArray b = lead + readExactly(in, 21, first, archiveName);
    h.method = b.mid(2, 5);
    if (!plausibleMethod(h.method))
        brokenHeader(first, archiveName, QStringLiteral("圧縮形式"));
    h.level = static_cast<unsigned char>(b[20]);
    Extended ext;
    QByteArray baseName;
    QByteArray stored;      // the header as stored, where it carries a header CRC
    qsizetype crcAt = -1;   // position of that CRC in `stored`

    if (h.level == 0 || h.level == 1) {
        const int total = static_cast<unsigned char>(b[0]) + 2;
        if (total < 24)
            brokenHeader(first, archiveName, QStringLiteral("ヘッダー長"));
        b += readExactly(in, total - 22, first, archiveName);
        unsigned sum = 0;
        for (int i = 2; i < total; ++i)
            sum += static_cast<unsigned char>(b[i]);
        if ((sum & 0xFF) != static_cast<unsigned char>(b[1]))
            brokenHeader(first, archiveName, QStringLiteral("チェックサム"));
        const int nameLength = static_cast<unsigned char>(b[21]);
        const int needed = 22 + nameLength + (h.level == 0 ? 2 : 5);
        if (needed > total)
            brokenHeader(first, archiveName, QStringLiteral("ファイル名の長さ"));
        const std::uint32_t skip = le32(b, 7);
        h.originalSize = le32(b, 11);
        h.modified = fromDosTime(le32(b, 15));
        h.modifiedIsLocal = true;
        h.attribute = static_cast<unsigned char>(b[19]);
        baseName = b.mid(22, nameLength);
        h.crc = le16(b, 22 + nameLength);
        if (h.level == 0) {
            h.compressedSize = skip;
            if (total > 24 + nameLength)
                h.osId = b[24 + nameLength];
            else
                h.osId = 'M';
        } else {
            h.osId = b[24 + nameLength];
            std::uint16_t next = le16(b, total - 2);
            std::uint64_t extTotal = 0;
            // The whole header as stored (base header and every extended
            // header), for the header CRC that an extended header may carry.
            QByteArray whole = b;
            while (next != 0) {
                if (next < 3)
                    brokenHeader(false, archiveName, QStringLiteral("拡張ヘッダー"));
                const QByteArray e = readExactly(in, next, false, archiveName);
                const unsigned char type = static_cast<unsigned char>(e[0]);
                if (type == 0x00 && next >= 5 && crcAt < 0)
                    crcAt = whole.size() + 1;
                applyExtended(h, ext, type, e.mid(1, next - 3));
                whole += e;
                extTotal += next;
                next = le16(e, next - 2);
            }
            if (extTotal > skip)
                brokenHeader(false, archiveName, QStringLiteral("拡張ヘッダーの長さ"));
            h.compressedSize = skip - extTotal;
            stored = std::move(whole);
        }
    } else if (h.level == 2) {
        const int total = le16(b, 0);
        if (total < 26)
            brokenHeader(first, archiveName, QStringLiteral("ヘッダー長"));
        b += readExactly(in, total - 22, first, archiveName);
        h.compressedSize = le32(b, 7);
        h.originalSize = le32(b, 11);
        h.modified = le32(b, 15);
        h.crc = le16(b, 21);
        h.osId = b[23];
        std::uint16_t next = le16(b, 24);
        qsizetype at = 26;
        while (next != 0) {
            if (next < 3 || at + next > total)
                brokenHeader(first, archiveName, QStringLiteral("拡張ヘッダー"));
            const unsigned char type = static_cast<unsigned char>(b[at]);
            if (type == 0x00 && next >= 5)
                crcAt = at + 1;
            applyExtended(h, ext, type, b.mid(at + 1, next - 3));
            const qsizetype nextAt = at + next - 2;
            next = le16(b, nextAt);
            at = nextAt + 2;
        }
        stored = b;
    } else {
        if (first && h.level > 3)
            fail(ErrorKind::NotArchive, QStringLiteral("LHA形式のアーカイブではありません: %1").arg(archiveName));
        fail(ErrorKind::UnsupportedMethod,
             QStringLiteral("対応していないヘッダー形式です（レベル %1）: %2").arg(h.level).arg(archiveName));
    }

    finishName(h, baseName, ext);
    if (crcAt >= 0)
        checkHeaderCrc(stored, crcAt, h, archiveName);
    h.dataOffset = in.pos();
    h.headerLength = h.dataOffset - h.headerOffset;
    return HeaderRead::Entry;
}

QByteArray makeLevel2Header(const QByteArray &method, std::uint32_t compressedSize,
                            std::uint32_t originalSize, std::uint32_t modified, std::uint16_t crc,
                            const QList<QByteArray> &directory, const QByteArray &fileName,
                            std::uint16_t attribute)
{
    QByteArray dir;
    for (const QByteArray &part : directory) {
        dir.append(part);
        dir.append(static_cast<char>(0xFF));
    }

    QByteArray exts;
    auto addExt = [&exts](unsigned char type, const QByteArray &data) {
        put16(exts, static_cast<std::uint16_t>(data.size() + 3));
        exts.append(static_cast<char>(type));
        exts.append(data);
    };
    // Each extended header is preceded by its size (the previous header's
    // "next size" field); the chain ends with a zero size.
    QByteArray crcData(2, '\0');
    addExt(0x00, crcData);
    if (!fileName.isEmpty())
        addExt(0x01, fileName);
    if (!dir.isEmpty())
        addExt(0x02, dir);
    QByteArray attr;
    put16(attr, attribute);
    addExt(0x40, attr);
    put16(exts, 0);

    QByteArray h;
    put16(h, 0); // total size, filled in below
    h.append(method.left(5));
    put32(h, compressedSize);
    put32(h, originalSize);
    put32(h, modified);
    h.append(static_cast<char>(0x20));
    h.append(static_cast<char>(2));
    put16(h, crc);
    h.append('M');
    h.append(exts); // starts with the first extended header's size
    // A total size whose low byte is zero would read as the end mark.
    if ((h.size() & 0xFF) == 0)
        h.append('\0');
    if (h.size() > 0xFFFF)
        fail(ErrorKind::BadName, QStringLiteral("ファイル名が長すぎます"));
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>((h.size() >> 8) & 0xFF);
    // Header CRC: the first extended header (type 0x00) at offset 26.
    const std::uint16_t headerCrc = crc16(h);
    h[27] = static_cast<char>(headerCrc & 0xFF);
    h[28] = static_cast<char>(headerCrc >> 8);
    return h;
}

std::int64_t fromDosTime(std::uint32_t dos)
{
    const int second = static_cast<int>((dos & 0x1F) * 2);
    const int minute = static_cast<int>((dos >> 5) & 0x3F);
    const int hour = static_cast<int>((dos >> 11) & 0x1F);
    const int day = static_cast<int>((dos >> 16) & 0x1F);
    const int month = static_cast<int>((dos >> 21) & 0x0F);
    const int year = static_cast<int>((dos >> 25) & 0x7F) + 1980;
    const QDateTime t(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
    return t.isValid() ? t.toSecsSinceEpoch() : 0;
}

} // namespace platform::archive
