// Our own -lh5-/-lh6-/-lh7- decoder against liblhasa's: the same bytes and
// CRC for every stream, sound or broken. Sound streams come from our
// encoder, from the independent jlha writer (the interoperation tests) and
// from hand-made blocks that use the format's corners; broken ones are cut
// and bit-flipped copies, where the decoder must fall back to liblhasa's
// verdict rather than make up its own.
#include "platform/archive/data_decoder.h"
#include "platform/archive/lh5_decoder.h"
#include "platform/archive/lh5_encoder.h"
#include "platform/archive/lha_crc.h"
#include "test_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace platform::archive;

namespace {

struct Decoded {
    QByteArray bytes;
    DecodeResult result;
};

Decoded decodeWith(DecoderChoice choice, const QByteArray &method, const QByteArray &packed,
                   std::uint64_t originalSize)
{
    QByteArray copy = packed;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Decoded d;
    d.result = decodeData(
        method, buffer, static_cast<std::uint64_t>(packed.size()), originalSize,
        [&](const char *p, std::size_t n) { d.bytes.append(p, static_cast<qsizetype>(n)); },
        [&] { d.bytes.clear(); }, choice);
    return d;
}

// Our decoder alone, without the fallback.
Lh5DecodeResult decodeOwn(int bits, const QByteArray &packed, std::uint64_t originalSize, QByteArray *out)
{
    qsizetype at = 0;
    return decodeLh5Family(
        bits,
        [&](char *buffer, std::size_t size) {
            const qsizetype n = std::min<qsizetype>(static_cast<qsizetype>(size), packed.size() - at);
            std::memcpy(buffer, packed.constData() + at, static_cast<std::size_t>(n));
            at += n;
            return static_cast<std::size_t>(n);
        },
        originalSize, [&](const char *p, std::size_t n) { out->append(p, static_cast<qsizetype>(n)); });
}

// Both decoders give the same bytes, length and CRC.
void expectSameAsLiblhasa(const QByteArray &method, const QByteArray &packed, std::uint64_t originalSize,
                          const char *what)
{
    const Decoded ours = decodeWith(DecoderChoice::Fastest, method, packed, originalSize);
    const Decoded reference = decodeWith(DecoderChoice::General, method, packed, originalSize);
    EXPECT_EQ(ours.result.length, reference.result.length) << what;
    EXPECT_EQ(ours.result.crc, reference.result.crc) << what;
    EXPECT_TRUE(ours.bytes == reference.bytes) << what;
    EXPECT_EQ(ours.result.length, static_cast<std::uint64_t>(ours.bytes.size())) << what;
}

// Data whose matches use every length and distance class of -lh5-: text,
// long runs, noise, and repeats from near the far end of the window.
QList<QPair<const char *, QByteArray>> samples()
{
    QList<QPair<const char *, QByteArray>> s;
    s.append({"one byte", QByteArray("x")});
    s.append({"short text", QByteArray("abcabcabcabcabd demand 0123 demand 0123")});
    s.append({"year table", archivetest::benchYearTable(2024, 7)});
    s.append({"zeros", QByteArray(300000, '\0')});
    s.append({"noise", archivetest::randomBytes(150000, 3)});
    QByteArray far = archivetest::randomBytes(8190, 11);
    far += far.left(4000) + archivetest::randomBytes(100, 12) + far.mid(1, 8100);
    s.append({"repeats near the window's end", far});
    QByteArray mixed;
    for (int i = 0; i < 40; ++i)
        mixed += i % 3 == 0 ? archivetest::randomBytes(5000, static_cast<unsigned>(i)) : archivetest::demandTable(2020 + i % 5, 200);
    s.append({"mixed", mixed});
    return s;
}

// Writes bits most significant first, for hand-made streams.
class Bits {
public:
    void put(int n, std::uint32_t v)
    {
        for (int i = n - 1; i >= 0; --i) {
            m_acc = (m_acc << 1) | ((v >> i) & 1);
            if (++m_count == 8) {
                m_out.append(static_cast<char>(m_acc));
                m_acc = 0;
                m_count = 0;
            }
        }
    }
    QByteArray bytes()
    {
        QByteArray out = m_out;
        if (m_count > 0)
            out.append(static_cast<char>(m_acc << (8 - m_count)));
        return out;
    }

private:
    QByteArray m_out;
    std::uint32_t m_acc = 0;
    int m_count = 0;
};

} // namespace

TEST(Lh5Decoder, DecodesOurEncodersOutputByteForByteAsLiblhasaDoes)
{
    for (const auto &[what, data] : samples()) {
        const QByteArray packed = encodeLh5(data);
        QByteArray own;
        const Lh5DecodeResult r = decodeOwn(13, packed, static_cast<std::uint64_t>(data.size()), &own);
        EXPECT_TRUE(r.sound) << what << ": our decoder refused a sound stream";
        EXPECT_TRUE(own == data) << what;
        const Decoded reference = decodeWith(DecoderChoice::General, "-lh5-", packed, static_cast<std::uint64_t>(data.size()));
        EXPECT_TRUE(reference.bytes == data) << what;
        const Decoded ours = decodeWith(DecoderChoice::Fastest, "-lh5-", packed, static_cast<std::uint64_t>(data.size()));
        EXPECT_EQ(ours.result.crc, crc16(data)) << what;
        EXPECT_EQ(ours.result.crc, reference.result.crc) << what;
    }
}

TEST(Lh5Decoder, OneCodeTablesAndMatchesBeforeTheFirstByteAsLiblhasa)
{
    // Blocks of one-code tables only: every code is a match of length 5 at a
    // distance of 9 to 16, so the first ones reach before the data's start
    // (the window's initial contents). Then a block with a literal code.
    for (const int bits : {13, 15, 16}) {
        const QByteArray method = bits == 13 ? "-lh5-" : bits == 15 ? "-lh6-" : "-lh7-";
        const int pBits = bits == 13 ? 4 : 5;
        Bits b;
        b.put(16, 40);                 // codes in the block
        b.put(5, 0), b.put(5, 0);      // code-length code: one code
        b.put(9, 0), b.put(9, 256 + 2); // literal/length code: one code, length 5
        b.put(pBits, 0), b.put(pBits, 4); // position code: one code, 4 -> 8 + 3 bits
        for (int i = 0; i < 40; ++i)
            b.put(3, static_cast<std::uint32_t>(i * 5) & 7);
        b.put(16, 3);
        b.put(5, 0), b.put(5, 0);
        b.put(9, 0), b.put(9, 'Q');
        b.put(pBits, 0), b.put(pBits, 0);
        const QByteArray packed = b.bytes();
        const std::uint64_t size = 40 * 5 + 3;
        QByteArray own;
        EXPECT_TRUE(decodeOwn(bits, packed, size, &own).sound) << method.constData();
        EXPECT_EQ(own.size(), static_cast<qsizetype>(size)) << method.constData();
        EXPECT_TRUE(own.endsWith("QQQ")) << method.constData();
        expectSameAsLiblhasa(method, packed, size, method.constData());
    }
}

TEST(Lh5Decoder, IncompleteCodesAreLeftToLiblhasa)
{
    // A position code of one symbol sent as a table (length 6) rather than
    // in the one-code form: no encoder writes it, and liblhasa reads such a
    // code with fewer bits than its length. The literal/length code has "0"
    // for 'A' and "1" for a match of 5, so that the bits after each match
    // read differently when the position code takes fewer bits.
    Bits b;
    b.put(16, 6);
    b.put(5, 4), b.put(3, 0), b.put(3, 0), b.put(3, 1), b.put(2, 0), b.put(3, 1); // code-length code: 2 "0", 3 "1"
    b.put(9, 259);
    b.put(1, 0), b.put(9, 45);  // 65 zero lengths
    b.put(1, 1);                // 'A': length 1
    b.put(1, 0), b.put(9, 172); // 192 zero lengths
    b.put(1, 1);                // match of 5: length 1
    b.put(4, 1), b.put(3, 6);   // position code: symbol 0 alone, length 6
    for (int i = 0; i < 6; ++i)
        b.put(1, 1), b.put(6, 0);
    const QByteArray packed = b.bytes() + QByteArray(8, '\0');
    QByteArray own;
    EXPECT_FALSE(decodeOwn(13, packed, 30, &own).sound);
    expectSameAsLiblhasa("-lh5-", packed, 30, "incomplete position code");
    // The one-code forms, which are complete by definition, stay ours.
    Bits c;
    c.put(16, 4);
    c.put(5, 0), c.put(5, 0);
    c.put(9, 0), c.put(9, 'A');
    c.put(4, 0), c.put(4, 0);
    const QByteArray literals = c.bytes();
    own.clear();
    EXPECT_TRUE(decodeOwn(13, literals, 4, &own).sound);
    EXPECT_EQ(own, "AAAA");
}

TEST(Lh5Decoder, BrokenStreamsGiveExactlyWhatLiblhasaGives)
{
    const QByteArray data = archivetest::benchYearTable(2023, 5).left(120000) + archivetest::randomBytes(20000, 9);
    const QByteArray packed = encodeLh5(data);
    const auto size = static_cast<std::uint64_t>(data.size());

    // Cut short: our decoder notices the end of the data itself.
    for (const qsizetype keep : {qsizetype(0), qsizetype(1), qsizetype(7), packed.size() / 2, packed.size() - 1}) {
        QByteArray own;
        EXPECT_FALSE(decodeOwn(13, packed.left(keep), size, &own).sound) << keep;
        expectSameAsLiblhasa("-lh5-", packed.left(keep), size, "cut");
    }
    // Bit flips anywhere, most of all in the block headers at the start.
    std::mt19937 rng(42);
    for (int i = 0; i < 150; ++i) {
        QByteArray broken = packed;
        const qsizetype at = i < 60 ? static_cast<qsizetype>(rng() % 64) : static_cast<qsizetype>(rng() % packed.size());
        broken[at] = static_cast<char>(broken[at] ^ (1 << (rng() % 8)));
        SCOPED_TRACE(at);
        expectSameAsLiblhasa("-lh5-", broken, size, "flipped");
    }
    // A longer original size than the stream holds, and a shorter one.
    expectSameAsLiblhasa("-lh5-", packed, size + 1000, "longer");
    expectSameAsLiblhasa("-lh5-", packed, size / 3, "shorter");
}

TEST(Lh5Decoder, TakesOnlyItsOwnMethods)
{
    EXPECT_EQ(lh5FamilyDictionaryBits("-lh5-"), 13);
    EXPECT_EQ(lh5FamilyDictionaryBits("-lh6-"), 15);
    EXPECT_EQ(lh5FamilyDictionaryBits("-lh7-"), 16);
    for (const QByteArray m : {"-lh0-", "-lh1-", "-lh4-", "-lhd-", "-lzs-", "-lh8-"})
        EXPECT_EQ(lh5FamilyDictionaryBits(m), 0) << m.constData();
    // -lh4- still decodes (through liblhasa).
    EXPECT_TRUE(canDecode("-lh4-"));
}
