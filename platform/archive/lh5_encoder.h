#pragma once
// Our -lh5- compressor: LZSS over an 8 KiB dictionary (matches of 3 to 256
// bytes) with each block's literals, lengths and positions coded by static
// Huffman tables sent at the head of the block, as the format defines.
#include <QByteArray>

#include <cstddef>

namespace platform::archive {

QByteArray encodeLh5(const char *data, std::size_t size);
// The same into `out`, whose content it replaces: a caller packing many
// entries keeps one buffer and its room.
void encodeLh5(const char *data, std::size_t size, QByteArray &out);

inline QByteArray encodeLh5(const QByteArray &data)
{
    return encodeLh5(data.constData(), static_cast<std::size_t>(data.size()));
}

} // namespace platform::archive
