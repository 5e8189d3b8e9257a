// The -lh5- encoder against liblhasa's decoder: whatever we compress must
// come back byte for byte, including the degenerate one-code tables.
#include "platform/archive/data_decoder.h"
#include "platform/archive/lh5_encoder.h"
#include "platform/archive/lha_crc.h"
#include "test_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <thread>

using namespace platform::archive;

namespace {

QByteArray decodeWithLhasa(const QByteArray &method, const QByteArray &packed, std::uint64_t originalSize,
                           std::uint16_t *crc = nullptr)
{
    QByteArray copy = packed;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QByteArray out;
    const DecodeResult r = decodeData(method, buffer, static_cast<std::uint64_t>(packed.size()), originalSize,
                                      [&](const char *d, std::size_t n) { out.append(d, static_cast<qsizetype>(n)); },
                                      [&] { out.clear(); }, DecoderChoice::General);
    EXPECT_EQ(r.length, static_cast<std::uint64_t>(out.size()));
    if (crc)
        *crc = r.crc;
    return out;
}

void expectRoundTrip(const QByteArray &data, const char *what)
{
    const QByteArray packed = encodeLh5(data);
    std::uint16_t crc = 0;
    const QByteArray back = decodeWithLhasa("-lh5-", packed, static_cast<std::uint64_t>(data.size()), &crc);
    ASSERT_EQ(back.size(), data.size()) << what;
    EXPECT_TRUE(back == data) << what;
    EXPECT_EQ(crc, crc16(data)) << what;
}

} // namespace

TEST(Lh5Encoder, SmallAndDegenerateInputsRoundTrip)
{
    expectRoundTrip(QByteArray("A"), "one byte: a single literal code, no positions");
    expectRoundTrip(QByteArray("AB"), "two literals");
    expectRoundTrip(QByteArray("abcabcabcabc"), "one short match");
    expectRoundTrip(QByteArray(1000, 'z'), "one byte repeated: distance 1 matches");
    expectRoundTrip(QByteArray(70000, '\0'), "long run over more than one block");
    QByteArray twoSymbols;
    for (int i = 0; i < 5000; ++i)
        twoSymbols.append(i % 7 == 0 ? 'x' : 'y');
    expectRoundTrip(twoSymbols, "two-symbol alphabet");
}

TEST(Lh5Encoder, TextBinaryAndMixedDataRoundTrip)
{
    expectRoundTrip(archivetest::demandTable(2013, 17520), "a year of demand lines");
    expectRoundTrip(archivetest::randomBytes(300000, 7), "incompressible bytes");
    QByteArray mixed;
    for (int i = 0; i < 40; ++i) {
        mixed += archivetest::randomBytes(3000 + i * 17, static_cast<unsigned>(i));
        mixed += archivetest::demandTable(2000 + i, 200);
        mixed += QByteArray(i * 100, static_cast<char>(i));
    }
    expectRoundTrip(mixed, "random, text and runs mixed");
    // Matches whose source lies at the far edge of the 8 KiB dictionary.
    const QByteArray block = archivetest::randomBytes(8191, 99);
    expectRoundTrip(block + block + block, "repeats 8191 bytes apart");
    const QByteArray bigger = archivetest::randomBytes(8200, 98);
    expectRoundTrip(bigger + bigger, "repeats just beyond the dictionary");
}

TEST(Lh5Encoder, SkewedFrequenciesNeedLengthLimitedCodes)
{
    // Fibonacci-like symbol counts give a Huffman tree deeper than 16 bits
    // unless the lengths are limited.
    QByteArray data;
    long long a = 1, b = 1;
    for (int sym = 0; sym < 24; ++sym) {
        for (long long k = 0; k < a; ++k)
            data.append(static_cast<char>('A' + sym));
        const long long c = a + b;
        a = b;
        b = c;
        if (data.size() > 200000)
            break;
    }
    // Shuffle deterministically so that few matches form.
    QByteArray noise = archivetest::randomBytes(data.size(), 3);
    for (qsizetype i = data.size() - 1; i > 0; --i) {
        const qsizetype j = static_cast<unsigned char>(noise[i]) * 65536LL % (i + 1);
        std::swap(data[i], data[j]);
    }
    expectRoundTrip(data, "skewed literal frequencies");
}

TEST(Lh5Encoder, CompressesRepetitiveTables)
{
    const QByteArray table = archivetest::demandTable(2014, 17520);
    const QByteArray packed = encodeLh5(table);
    EXPECT_LT(packed.size(), table.size() / 3);
}

// A caller that packs many entries hands the encoder one buffer again and
// again, and the encoder keeps its tables from one entry to the next: each
// entry still comes out as if it were the first, whatever came before it.
TEST(Lh5Encoder, ABufferAndTablesUsedAgainGiveTheSameBytes)
{
    // Shorter entries before longer ones, so that what an earlier entry
    // left in the tables lies within reach of a later one.
    const QByteArray inputs[] = {QByteArray("abcabcabcabc"), archivetest::demandTable(2014, 300),
                                 archivetest::randomBytes(100000, 3), archivetest::demandTable(2013, 17520),
                                 QByteArray(), QByteArray(70000, '\0'), archivetest::demandTable(2015, 17520)};
    QByteArray reused = QByteArray(1 << 20, 'x'); // room and old bytes from an earlier entry
    for (const QByteArray &data : inputs) {
        encodeLh5(data.constData(), static_cast<std::size_t>(data.size()), reused);
        // A new thread starts with tables of its own.
        QByteArray fresh;
        std::thread([&] { fresh = encodeLh5(data); }).join();
        EXPECT_TRUE(reused == fresh) << data.size() << " bytes";
        EXPECT_TRUE(decodeWithLhasa("-lh5-", reused, static_cast<std::uint64_t>(data.size())) == data)
            << data.size() << " bytes";
    }
}
