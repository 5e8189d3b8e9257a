#pragma once
// CRC-16 of LHA archives (polynomial 0xA001, reflected, initial value 0):
// used for the data of every entry and for level-2 headers.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace platform::archive {

// Continues a CRC over len bytes; start with crc = 0.
std::uint16_t crc16(std::uint16_t crc, const void *data, std::size_t len);

inline std::uint16_t crc16(const QByteArray &bytes, std::uint16_t crc = 0)
{
    return crc16(crc, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace platform::archive
