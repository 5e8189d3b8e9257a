// Any bytes through our -lh5- encoder: the stream it makes must decode back
// to exactly those bytes, by our own decoder and by liblhasa's, with the
// CRC of the input. The first byte picks how often the input is repeated
// (up to four times, so that long matches and more than one block occur);
// the encoding into a buffer used before gives the same bytes as a fresh one.
#include "fuzzSupport.h"
#include "platform/archive/data_decoder.h"
#include "platform/archive/lh5_decoder.h"
#include "platform/archive/lh5_encoder.h"
#include "platform/archive/lha_crc.h"

#include <QBuffer>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace platform::archive;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int copies = 1 + data[0] % 4;
    const QByteArray once(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size - 1));
    QByteArray input;
    for (int i = 0; i < copies; ++i)
        input += once;

    const QByteArray packed = encodeLh5(input);
    static QByteArray reused; // keeps the room and bytes of the input before
    encodeLh5(input.constData(), static_cast<std::size_t>(input.size()), reused);
    FUZZ_CHECK(reused == packed);

    QByteArray own;
    qsizetype at = 0;
    const Lh5DecodeResult r = decodeLh5Family(
        13,
        [&](char *buffer, std::size_t n) {
            const qsizetype k = std::min<qsizetype>(static_cast<qsizetype>(n), packed.size() - at);
            std::memcpy(buffer, packed.constData() + at, static_cast<std::size_t>(k));
            at += k;
            return static_cast<std::size_t>(k);
        },
        static_cast<std::uint64_t>(input.size()), [&](const char *p, std::size_t n) { own.append(p, static_cast<qsizetype>(n)); });
    FUZZ_CHECK(r.sound || input.isEmpty());
    FUZZ_CHECK(own == input);

    QByteArray copy = packed;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QByteArray general;
    const DecodeResult g = decodeData(
        "-lh5-", buffer, static_cast<std::uint64_t>(packed.size()), static_cast<std::uint64_t>(input.size()),
        [&](const char *p, std::size_t n) { general.append(p, static_cast<qsizetype>(n)); }, [&] { general.clear(); },
        DecoderChoice::General);
    FUZZ_CHECK(general == input);
    FUZZ_CHECK(g.length == static_cast<std::uint64_t>(input.size()));
    FUZZ_CHECK(g.crc == crc16(input));
    return 0;
}
