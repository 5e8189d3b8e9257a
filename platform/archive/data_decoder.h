#pragma once
// Decoding of an entry's data. Stored data (-lh0-, -lz4-) is copied;
// -lh5-, -lh6- and -lh7- go through our own decoder, every other compressed
// method through liblhasa's decoder interface, which also takes any entry
// our decoder refuses. The CRC-16 of the decoded bytes is computed here so
// that the caller can check it.
#include <QByteArray>
#include <QIODevice>

#include <cstdint>
#include <functional>

namespace platform::archive {

// True when data of this method can be decoded (-lhd- has none).
bool canDecode(const QByteArray &method);

struct DecodeResult {
    std::uint64_t length = 0; // bytes produced
    std::uint16_t crc = 0;    // CRC-16 of those bytes
};

// Which decoder takes the compressed methods: the fastest that takes the
// method, or liblhasa's for every one (the reference the tests compare with).
enum class DecoderChoice { Fastest, General };

// Reads compressedSize bytes from the device's position, decodes them to at
// most originalSize bytes and hands them to sink in pieces. Stops early when
// the data runs out or is broken; the caller compares length and CRC. When
// our own decoder refuses the data after handing out some bytes, `restart`
// is called (the sink drops what it has received) and liblhasa decodes the
// entry again from its start, which needs a device that can seek back.
DecodeResult decodeData(const QByteArray &method, QIODevice &in, std::uint64_t compressedSize,
                        std::uint64_t originalSize, const std::function<void(const char *, std::size_t)> &sink,
                        const std::function<void()> &restart, DecoderChoice choice = DecoderChoice::Fastest);

} // namespace platform::archive
