// Header reading: levels 0, 1 and 2, Shift-JIS-aware path splitting, the
// checks that tell a damaged header from a good one.
#include "platform/archive/archive_error.h"
#include "platform/archive/lha_crc.h"
#include "platform/archive/lha_header.h"
#include "platform/codepage/codepage.h"
#include "test_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace platform::archive;
using platform::codepage::toAnsi;

namespace {

struct Parsed {
    LhaHeader header;
    ErrorKind error{};
    bool failed = false;
};

Parsed parse(QByteArray bytes, bool first = true)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    Parsed p;
    try {
        EXPECT_EQ(readHeader(b, p.header, first, "test.lzh"), HeaderRead::Entry);
    } catch (const ArchiveError &e) {
        p.failed = true;
        p.error = e.kind();
    }
    return p;
}

QList<QByteArray> ansiParts(std::initializer_list<const char *> parts)
{
    QList<QByteArray> out;
    for (const char *p : parts)
        out.append(toAnsi(QString::fromUtf8(p)));
    return out;
}

} // namespace

TEST(LhaCrc, MatchesTheArcCheckValue)
{
    EXPECT_EQ(crc16(QByteArray("123456789")), 0xBB3D);
    EXPECT_EQ(crc16(QByteArray()), 0);
    // Continuing over pieces gives the CRC of the whole.
    EXPECT_EQ(crc16(QByteArray("6789"), crc16(QByteArray("12345"))), 0xBB3D);
}

TEST(StoredPath, BackslashAfterALeadByteIsPartOfTheCharacter)
{
    // "ソフト\表.txt": ソ = 83 5C, 表 = 95 5C.
    const LhaPath p = splitStoredPath(toAnsi(QStringLiteral("ソフト\\表.txt")));
    EXPECT_FALSE(p.absolute);
    EXPECT_EQ(p.parts, ansiParts({"ソフト", "表.txt"}));
    // Trailing separator of a folder name, doubled separators, 0xFF and "/".
    EXPECT_EQ(splitStoredPath(toAnsi(QStringLiteral("dDB\\A社\\"))).parts, ansiParts({"dDB", "A社"}));
    EXPECT_EQ(splitStoredPath(QByteArray("a\xff" "b/c\\\\d")).parts, (QList<QByteArray>{"a", "b", "c", "d"}));
    EXPECT_TRUE(splitStoredPath(QByteArray("\\etc\\x")).absolute);
    // A lone lead byte at the very end stays a byte of the name.
    EXPECT_EQ(splitStoredPath(QByteArray("x\x83")).parts, (QList<QByteArray>{QByteArray("x\x83")}));
    // Half-width kana are single bytes: the "\" after them separates.
    EXPECT_EQ(splitStoredPath(toAnsi(QStringLiteral("ｿ\\a"))).parts, ansiParts({"ｿ", "a"}));
}

TEST(HeaderLevels, Level0NameWithShiftJisBackslashes)
{
    const QByteArray name = toAnsi(QStringLiteral("dDB\\ソフト表\\表.csv"));
    const Parsed p = parse(archivetest::level0Entry(name, "data"));
    ASSERT_FALSE(p.failed);
    EXPECT_EQ(p.header.level, 0);
    EXPECT_EQ(p.header.method, QByteArray("-lh0-"));
    EXPECT_EQ(p.header.path.parts, ansiParts({"dDB", "ソフト表", "表.csv"}));
    EXPECT_EQ(p.header.originalSize, 4u);
    EXPECT_EQ(p.header.compressedSize, 4u);
    EXPECT_EQ(p.header.crc, crc16(QByteArray("data")));
    EXPECT_TRUE(p.header.modifiedIsLocal);
}

TEST(HeaderLevels, Level1ExtendedDirectoryAndNameAndUnixMode)
{
    const QByteArray dir = toAnsi(QStringLiteral("dDB")) + '\xff' + toAnsi(QStringLiteral("ソ")) + '\xff';
    const QByteArray entry = archivetest::level1Entry("-lh0-", "", "xyz",
                                                      {{0x01, toAnsi(QStringLiteral("表"))}, {0x02, dir},
                                                       {0x50, QByteArray("\xa4\x81", 2)}});
    const Parsed p = parse(entry);
    ASSERT_FALSE(p.failed);
    EXPECT_EQ(p.header.level, 1);
    EXPECT_EQ(p.header.path.parts, ansiParts({"dDB", "ソ", "表"}));
    // Skip size minus the extended headers gives the data length.
    EXPECT_EQ(p.header.compressedSize, 3u);
    EXPECT_EQ(p.header.dataOffset, entry.size() - 3);
    EXPECT_TRUE(p.header.hasUnixMode);
    EXPECT_FALSE(p.header.isSymlink());

    const Parsed link = parse(archivetest::level1Entry("-lhd-", "l|target", "", {{0x50, QByteArray("\xff\xa1", 2)}}));
    ASSERT_FALSE(link.failed);
    EXPECT_TRUE(link.header.isSymlink());
}

TEST(HeaderLevels, Level2WrittenHeadersReadBack)
{
    const QByteArray h = makeLevel2Header("-lh5-", 10, 20, 1374714000, 0x1234, ansiParts({"dDB", "ソフト"}),
                                          toAnsi(QStringLiteral("表.csv")), 0x20);
    const Parsed p = parse(h + QByteArray(10, 'x'));
    ASSERT_FALSE(p.failed);
    EXPECT_EQ(p.header.level, 2);
    EXPECT_EQ(p.header.path.parts, ansiParts({"dDB", "ソフト", "表.csv"}));
    EXPECT_EQ(p.header.compressedSize, 10u);
    EXPECT_EQ(p.header.originalSize, 20u);
    EXPECT_EQ(p.header.crc, 0x1234);
    EXPECT_EQ(p.header.modified, 1374714000);
    EXPECT_EQ(p.header.dataOffset, h.size());

    // A header whose size would end in a zero byte is padded so that it does
    // not read as the end mark; find such a name length.
    for (int n = 1; n < 300; ++n) {
        const QByteArray padded = makeLevel2Header("-lh0-", 0, 0, 0, 0, {}, QByteArray(n, 'a'), 0x20);
        EXPECT_NE(padded[0], '\0');
        const Parsed q = parse(padded);
        ASSERT_FALSE(q.failed) << n;
        EXPECT_EQ(q.header.path.parts.value(0).size(), n);
    }
}

TEST(HeaderLevels, DamagedHeadersAreTold)
{
    QByteArray l0 = archivetest::level0Entry("name.txt", "data");
    l0[10] = char(l0[10] ^ 0x01); // inside the checksummed range
    EXPECT_EQ(parse(l0, true).error, ErrorKind::NotArchive);
    EXPECT_EQ(parse(l0, false).error, ErrorKind::BrokenHeader);

    QByteArray l2 = makeLevel2Header("-lh0-", 0, 0, 0, 0, {}, "name.txt", 0x20);
    l2[l2.size() - 6] = char(l2[l2.size() - 6] ^ 0x20); // the header CRC no longer matches
    EXPECT_EQ(parse(l2, false).error, ErrorKind::BrokenHeader);

    // Cut inside the header.
    const QByteArray whole = makeLevel2Header("-lh0-", 0, 0, 0, 0, {}, "name.txt", 0x20);
    EXPECT_EQ(parse(whole.left(whole.size() - 3), false).error, ErrorKind::Truncated);
    // Not a method at all.
    EXPECT_EQ(parse(QByteArray("PK\x03\x04 this is a zip file, not an LHA archive"), true).error,
              ErrorKind::NotArchive);
    // Level 3 is known but not handled.
    QByteArray l3 = whole;
    l3[20] = 3;
    EXPECT_EQ(parse(l3, false).error, ErrorKind::UnsupportedMethod);
}

// Level-1 headers keep the names of folders and files in extended headers,
// outside the range of the base header's checksum; only the header CRC (an
// extended header of type 0x00) covers them.
TEST(HeaderLevels, Level1HeaderCrcCoversTheExtendedHeaders)
{
    const QByteArray folder = QByteArray("Kita\xff") + toAnsi(QStringLiteral("2024年")) + QByteArray("\xff");
    const QByteArray data = "demand";
    QByteArray entry = archivetest::level1Entry("-lh0-", "", data,
                                                {{0x00, QByteArray(2, '\0')}, {0x01, "schema.ini"}, {0x02, folder}});
    // The CRC of the whole header as stored, with its own field as zero.
    const qsizetype headerSize = entry.size() - data.size();
    const qsizetype crcAt = static_cast<unsigned char>(entry[0]) + 2 + 1; // after the first size's type byte
    const std::uint16_t crc = crc16(entry.left(headerSize));
    entry[crcAt] = char(crc & 0xFF);
    entry[crcAt + 1] = char(crc >> 8);

    const Parsed good = parse(entry, false);
    ASSERT_FALSE(good.failed);
    EXPECT_EQ(good.header.path.parts, ansiParts({"Kita", "2024年", "schema.ini"}));
    EXPECT_EQ(good.header.compressedSize, std::uint64_t(data.size()));

    // One byte of the folder name changed: "年" (94 4E) becomes "ｴN".
    QByteArray renamed = entry;
    const qsizetype nen = renamed.indexOf(toAnsi(QStringLiteral("年")));
    ASSERT_GT(nen, crcAt);
    renamed[nen] = char(0xB4);
    EXPECT_EQ(parse(renamed, false).error, ErrorKind::BrokenHeader);
    // Even as the first entry: its checksum shows it is an archive.
    EXPECT_EQ(parse(renamed, true).error, ErrorKind::BrokenHeader);

    // The stored CRC changed.
    QByteArray crcChanged = entry;
    crcChanged[crcAt] = char(crcChanged[crcAt] ^ 0x01);
    EXPECT_EQ(parse(crcChanged, false).error, ErrorKind::BrokenHeader);

    // A level-1 header without a header CRC still reads (nothing to check).
    const Parsed plain = parse(archivetest::level1Entry("-lh0-", "", data, {{0x01, "schema.ini"}, {0x02, folder}}), false);
    ASSERT_FALSE(plain.failed);
    EXPECT_EQ(plain.header.path.parts, ansiParts({"Kita", "2024年", "schema.ini"}));
}

// The damaged-header message names the entry as well as the archive.
TEST(HeaderLevels, HeaderCrcMessageNamesTheEntryAndTheArchive)
{
    QByteArray l2 = makeLevel2Header("-lh0-", 0, 0, 0, 0, ansiParts({"dDB", "北"}), "name.txt", 0x20);
    const qsizetype name = l2.indexOf("name.txt");
    ASSERT_GT(name, 0);
    l2[name + 1] = 'o'; // "nome.txt": the header CRC no longer matches
    QBuffer b(&l2);
    b.open(QIODevice::ReadOnly);
    LhaHeader h;
    try {
        readHeader(b, h, false, "set.dmd");
        FAIL() << "a damaged header was read";
    } catch (const ArchiveError &e) {
        EXPECT_EQ(e.kind(), ErrorKind::BrokenHeader);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("ヘッダーCRC"))) << e.Description().toStdString();
        EXPECT_TRUE(e.Description().contains(QStringLiteral("dDB\\北\\nome.txt"))) << e.Description().toStdString();
        EXPECT_TRUE(e.Description().contains(QStringLiteral("set.dmd"))) << e.Description().toStdString();
    }
}
