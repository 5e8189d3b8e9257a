// The archiver's speed-ups must not change a single byte: the -lh5- encoder
// against digests of its output before its match search was made faster,
// archives written with worker threads against those written on the calling
// thread alone, extraction with and without workers, and failures and
// cancellation while workers are busy.
#include "platform/archive/archive.h"
#include "platform/archive/lh5_encoder.h"
#include "platform/archive/lha_crc.h"
#include "test_support.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

using namespace platform::archive;

namespace {

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

} // namespace

// The digests were taken from the encoder as it stood before its match
// search and CRC were reworked; the format allows many encodings of the same
// data, and archives must stay byte for byte what they were.
TEST(Lh5EncoderOutput, SameBytesAsTheEarlierEncoder)
{
    QByteArray mixed;
    for (int i = 0; i < 40; ++i) {
        mixed += archivetest::demandTable(2000 + i, 200);
        mixed += archivetest::randomBytes(3000, static_cast<unsigned>(i));
    }
    QByteArray counters;
    for (int i = 0; i < 20000; ++i)
        counters += QByteArray::number(i % 97).rightJustified(6, '0');
    const struct {
        const char *what;
        QByteArray data;
        const char *digest;
        std::uint16_t crc;
    } cases[] = {
        {"a year of demand lines", archivetest::demandTable(2013, 17520), "4414b53650838859c75d8bed496018c69b6d4f77fe877cc9be6755f3eb1679c0", 9368},
        {"incompressible bytes", archivetest::randomBytes(300000, 7), "8a2847e172594c73f940b1f7b1ce4a7b89458a20a5d758017811bb143f66212e", 5601},
        {"tables and noise", mixed, "6289a89f65bc64d1664c5ffef293149c4c056d9f508c65c3b48d5b09224778e8", 37767},
        {"one long run", QByteArray(70000, '\0'), "0dcd0d52762990ed34186fd336979e23709d91d2476137ce5c7f3105708e7a16", 0},
        {"short repeating counters", counters, "c3fdd75cae19118c3d24c55abcc222e4a927ac6d83e488567f531b271805a08f", 2174},
        {"three bytes", QByteArray("abc"), "785aa1d947e79da656f284a538fb287ce8638f2a2acb17e94096fe8c2823a409", 38712},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(sha256(encodeLh5(c.data)).toStdString(), std::string(c.digest)) << c.what;
        EXPECT_EQ(crc16(c.data), c.crc) << c.what;
    }
}
