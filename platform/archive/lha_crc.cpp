#include "platform/archive/lha_crc.h"

#include <array>

namespace platform::archive {

namespace {

using Table = std::array<std::uint16_t, 256>;

// kTables[0] advances the CRC by one byte; kTables[k] by one byte followed by
// k zero bytes, so that eight bytes are taken in one step.
constexpr std::array<Table, 8> makeTables()
{
    std::array<Table, 8> t{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t r = static_cast<std::uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            r = (r & 1) ? static_cast<std::uint16_t>((r >> 1) ^ 0xA001) : static_cast<std::uint16_t>(r >> 1);
        t[0][i] = r;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (unsigned i = 0; i < 256; ++i)
            t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

constexpr auto kTables = makeTables();
constexpr const Table &kTable = kTables[0];

} // namespace

std::uint16_t crc16(std::uint16_t crc, const void *data, std::size_t len)
{
    const auto *p = static_cast<const unsigned char *>(data);
    for (; len >= 8; len -= 8, p += 8) {
        const unsigned x = crc ^ (p[0] | (static_cast<unsigned>(p[1]) << 8));
        crc = static_cast<std::uint16_t>(kTables[7][x & 0xFF] ^ kTables[6][x >> 8] ^ kTables[5][p[2]] ^
                                         kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
                                         kTables[0][p[7]]);
    }
    for (std::size_t i = 0; i < len; ++i)
        crc = static_cast<std::uint16_t>(kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

} // namespace platform::archive
