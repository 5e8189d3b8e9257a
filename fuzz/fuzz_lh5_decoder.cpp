// Compressed -lh5-/-lh6-/-lh7- data from bytes: our own decoder against
// liblhasa's. The first byte picks the method, the next three give the
// original size (at most 1 MiB), the rest is the compressed stream. Whatever
// the stream, our decoder stays inside its buffers, hands out no more than
// the original size, and when it takes a stream as sound it gives exactly
// the bytes liblhasa gives; with the fallback the decoding gives liblhasa's
// bytes, length and CRC in every case.
#include "fuzzSupport.h"
#include "platform/archive/data_decoder.h"
#include "platform/archive/lh5_decoder.h"

#include <QBuffer>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace platform::archive;

namespace {

struct Decoded {
    QByteArray bytes;
    DecodeResult result;
};

Decoded viaDecodeData(DecoderChoice choice, const QByteArray &method, const QByteArray &packed, std::uint64_t size)
{
    QByteArray copy = packed;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Decoded d;
    d.result = decodeData(
        method, buffer, static_cast<std::uint64_t>(packed.size()), size,
        [&](const char *p, std::size_t n) { d.bytes.append(p, static_cast<qsizetype>(n)); },
        [&] { d.bytes.clear(); }, choice);
    return d;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    static const QByteArray methods[] = {"-lh5-", "-lh6-", "-lh7-"};
    const QByteArray &method = methods[data[0] % 3];
    const std::uint64_t original = std::min<std::uint64_t>(
        (std::uint64_t(data[1]) << 16) | (std::uint64_t(data[2]) << 8) | data[3], 1u << 20);
    const QByteArray packed(reinterpret_cast<const char *>(data) + 4, static_cast<qsizetype>(size - 4));

    QByteArray own;
    qsizetype at = 0;
    const Lh5DecodeResult r = decodeLh5Family(
        lh5FamilyDictionaryBits(method),
        [&](char *buffer, std::size_t n) {
            const qsizetype k = std::min<qsizetype>(static_cast<qsizetype>(n), packed.size() - at);
            std::memcpy(buffer, packed.constData() + at, static_cast<std::size_t>(k));
            at += k;
            return static_cast<std::size_t>(k);
        },
        original, [&](const char *p, std::size_t n) { own.append(p, static_cast<qsizetype>(n)); });
    FUZZ_CHECK(r.length == static_cast<std::uint64_t>(own.size()));
    FUZZ_CHECK(r.length <= original);

    const Decoded reference = viaDecodeData(DecoderChoice::General, method, packed, original);
    if (r.sound) {
        FUZZ_CHECK(r.length == original);
        FUZZ_CHECK(own == reference.bytes);
    }
    const Decoded fastest = viaDecodeData(DecoderChoice::Fastest, method, packed, original);
    FUZZ_CHECK(fastest.bytes == reference.bytes);
    FUZZ_CHECK(fastest.result.length == reference.result.length);
    FUZZ_CHECK(fastest.result.crc == reference.result.crc);
    return 0;
}
