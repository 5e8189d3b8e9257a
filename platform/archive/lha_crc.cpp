#include "platform/archive/lha_crc.h"

#include <array>

namespace platform::archive {

namespace {

constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t r = static_cast<std::uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            r = (r & 1) ? static_cast<std::uint16_t>((r >> 1) ^ 0xA001) : static_cast<std::uint16_t>(r >> 1);
        table[i] = r;
    }
    return table;
}

constexpr auto kTable = makeTable();

} // namespace

std::uint16_t crc16(std::uint16_t crc, const void *data, std::size_t len)
{
    const auto *p = static_cast<const unsigned char *>(data);
    for (std::size_t i = 0; i < len; ++i)
        crc = static_cast<std::uint16_t>(kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

} // namespace platform::archive
