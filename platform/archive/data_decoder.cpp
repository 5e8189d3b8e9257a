#include "platform/archive/data_decoder.h"

#include "platform/archive/lh5_decoder.h"
#include "platform/archive/lha_crc.h"

#include <lha_decoder.h>

#include <memory>
#include <optional>
#include <vector>

namespace platform::archive {

namespace {

bool isStored(const QByteArray &method)
{
    return method == "-lh0-" || method == "-lz4-";
}

LHADecoderType *decoderFor(const QByteArray &method)
{
    QByteArray name = method;
    return lha_decoder_for_name(name.data());
}

struct Source {
    QIODevice *in;
    std::uint64_t remaining;
};

size_t readCompressed(void *buf, size_t len, void *user)
{
    auto *src = static_cast<Source *>(user);
    const std::uint64_t want = std::min<std::uint64_t>(len, src->remaining);
    if (want == 0)
        return 0;
    const qint64 got = src->in->read(static_cast<char *>(buf), static_cast<qint64>(want));
    if (got <= 0)
        return 0;
    src->remaining -= static_cast<std::uint64_t>(got);
    return static_cast<size_t>(got);
}

struct DecoderDeleter {
    void operator()(LHADecoder *d) const { lha_decoder_free(d); }
};

} // namespace

bool canDecode(const QByteArray &method)
{
    if (method == "-lhd-" || isStored(method))
        return true;
    return decoderFor(method) != nullptr;
}

namespace {

// Our own decoder; nullopt where it refused the data (nothing more was
// handed to the sink after `restart` was called).
std::optional<DecodeResult> decodeOwn(int dictionaryBits, QIODevice &in, std::uint64_t compressedSize,
                                      std::uint64_t originalSize,
                                      const std::function<void(const char *, std::size_t)> &sink,
                                      const std::function<void()> &restart)
{
    const qint64 start = in.pos();
    std::uint64_t remaining = compressedSize;
    const CompressedReader read = [&](char *buffer, std::size_t size) -> std::size_t {
        const std::uint64_t want = std::min<std::uint64_t>(size, remaining);
        if (want == 0)
            return 0;
        const qint64 got = in.read(buffer, static_cast<qint64>(want));
        if (got <= 0)
            return 0;
        remaining -= static_cast<std::uint64_t>(got);
        return static_cast<std::size_t>(got);
    };
    DecodeResult result;
    const Lh5DecodeResult r = decodeLh5Family(dictionaryBits, read, originalSize, [&](const char *data, std::size_t size) {
        result.crc = crc16(result.crc, data, size);
        sink(data, size);
    });
    result.length = r.length;
    if (r.sound)
        return result;
    if (r.length > 0)
        restart();
    if (!in.seek(start))
        return DecodeResult{}; // nothing can be read again: the entry counts as broken
    return std::nullopt;
}

} // namespace

DecodeResult decodeData(const QByteArray &method, QIODevice &in, std::uint64_t compressedSize,
                        std::uint64_t originalSize, const std::function<void(const char *, std::size_t)> &sink,
                        const std::function<void()> &restart, DecoderChoice choice)
{
    DecodeResult result;
    std::vector<char> buffer(64 * 1024);
    if (isStored(method)) {
        std::uint64_t left = std::min(compressedSize, originalSize);
        while (left > 0) {
            const qint64 got = in.read(buffer.data(), static_cast<qint64>(std::min<std::uint64_t>(left, buffer.size())));
            if (got <= 0)
                break;
            result.crc = crc16(result.crc, buffer.data(), static_cast<std::size_t>(got));
            result.length += static_cast<std::uint64_t>(got);
            sink(buffer.data(), static_cast<std::size_t>(got));
            left -= static_cast<std::uint64_t>(got);
        }
        return result;
    }

    if (originalSize == 0)
        return result;
    if (const int bits = lh5FamilyDictionaryBits(method); bits != 0 && choice == DecoderChoice::Fastest) {
        if (const std::optional<DecodeResult> own = decodeOwn(bits, in, compressedSize, originalSize, sink, restart))
            return *own;
    }
    LHADecoderType *type = decoderFor(method);
    if (type == nullptr)
        return result;
    Source source{&in, compressedSize};
    std::unique_ptr<LHADecoder, DecoderDeleter> decoder(
        lha_decoder_new(type, readCompressed, &source, static_cast<size_t>(originalSize)));
    if (!decoder)
        return result;
    while (result.length < originalSize) {
        const size_t got = lha_decoder_read(decoder.get(), reinterpret_cast<uint8_t *>(buffer.data()), buffer.size());
        if (got == 0)
            break;
        result.length += got;
        sink(buffer.data(), got);
    }
    // The decoder keeps the CRC-16 of every byte it handed out.
    result.crc = lha_decoder_get_crc(decoder.get());
    return result;
}

} // namespace platform::archive
