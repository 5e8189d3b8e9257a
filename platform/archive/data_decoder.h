#pragma once
// Decoding of an entry's data. Stored data (-lh0-, -lz4-) is copied; every
// compressed method goes through liblhasa's decoder interface. The CRC-16 of
// the decoded bytes is computed here so that the caller can check it.
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

// Reads compressedSize bytes from the device's position, decodes them to at
// most originalSize bytes and hands them to sink in pieces. Stops early when
// the data runs out or is broken; the caller compares length and CRC.
DecodeResult decodeData(const QByteArray &method, QIODevice &in, std::uint64_t compressedSize,
                        std::uint64_t originalSize, const std::function<void(const char *, std::size_t)> &sink);

} // namespace platform::archive
