#include "platform/archive/lh5_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::archive {

namespace {

constexpr int kThreshold = 3;                         // shortest match
constexpr int kMaxMatch = 256;
constexpr int kNC = 255 + kMaxMatch + 2 - kThreshold; // literal and length codes: 510
constexpr int kCBits = 9;
constexpr int kNT = 19;                               // code-length codes
constexpr int kTBits = 5;
constexpr int kMaxNP = 17;                            // position codes of -lh7-
constexpr int kMaxCodeLength = 16;

// Reads the stream most significant bit first. Past the end of the data it
// supplies zero bits and counts them, so that a decoder may look ahead
// freely; overrun() tells when a symbol actually took one of them.
class BitReader {
public:
    explicit BitReader(const CompressedReader &read) : m_read(read), m_buffer(new unsigned char[kBufferSize])
    {
        refill();
    }

    // The next n (1..32) bits, not taken.
    std::uint32_t peek(int n) const { return static_cast<std::uint32_t>(m_bits >> (64 - n)); }

    void skip(int n)
    {
        m_bits <<= n;
        m_count -= n;
        if (m_count < 32)
            refill();
    }

    std::uint32_t take(int n)
    {
        if (n == 0)
            return 0;
        const std::uint32_t v = peek(n);
        skip(n);
        return v;
    }

    // True once more bits were taken than the data holds.
    bool overrun() const { return m_count < m_padding; }

private:
    bool load()
    {
        if (m_end)
            return false;
        const std::size_t got = m_read(reinterpret_cast<char *>(m_buffer.get()), kBufferSize);
        m_pos = 0;
        m_size = got;
        if (got == 0)
            m_end = true;
        return got > 0;
    }

    void refill()
    {
        if (m_size - m_pos >= 8) {
            // Eight bytes at once: the bits beyond the whole bytes taken are
            // the right ones too, the next refill puts the same bits there.
            std::uint64_t next;
            std::memcpy(&next, m_buffer.get() + m_pos, sizeof next);
            if constexpr (std::endian::native == std::endian::little)
                next = __builtin_bswap64(next);
            m_bits |= next >> m_count;
            m_pos += static_cast<std::size_t>((63 - m_count) >> 3);
            m_count |= 56;
            return;
        }
        while (m_count <= 56) {
            if (m_pos == m_size && !load()) {
                // Zero bits stand in for the missing data.
                m_padding += 64 - m_count;
                m_count = 64;
                return;
            }
            m_bits |= static_cast<std::uint64_t>(m_buffer[m_pos++]) << (56 - m_count);
            m_count += 8;
        }
    }

    const CompressedReader &m_read;
    static constexpr std::size_t kBufferSize = 64 * 1024;
    // Not cleared: only what the reader filled in is read.
    std::unique_ptr<unsigned char[]> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
    bool m_end = false;
    std::uint64_t m_bits = 0; // valid bits at the top
    int m_count = 0;          // bits held, padding included
    int m_padding = 0;        // zero bits held that are no data
};

// A canonical Huffman code (shorter codes first, equal lengths in symbol
// order) as the format sends it: code lengths only. Codes of up to kFastBits
// bits are found with one look-up, longer ones by their length's range.
class HuffmanTable {
public:
    static constexpr int kFastBits = 12;

    // The one-code form: every symbol decodes to `symbol` and takes no bits.
    bool setSingle(int symbol, int symbols)
    {
        if (symbol < 0 || symbol >= symbols)
            return false;
        m_single = symbol;
        return true;
    }

    // Builds the code from lengths (0: symbol unused). False unless the
    // lengths make a complete prefix code: over-subscribed, too long, none
    // used, and also incomplete ones, which encoders never send (a code of
    // one symbol has its own form) and which liblhasa reads in a way of its
    // own that depends on its table sizes.
    bool build(const std::uint8_t *lengths, int symbols)
    {
        m_single = -1;
        std::array<int, kMaxCodeLength + 1> count{};
        for (int s = 0; s < symbols; ++s) {
            if (lengths[s] > kMaxCodeLength)
                return false;
            ++count[lengths[s]];
        }
        count[0] = 0;
        std::int64_t left = 1;
        int used = 0;
        for (int l = 1; l <= kMaxCodeLength; ++l) {
            left = (left << 1) - count[static_cast<std::size_t>(l)];
            if (left < 0)
                return false;
            used += count[static_cast<std::size_t>(l)];
        }
        if (used == 0 || left != 0)
            return false;

        // Left-justified 16-bit first code and first sorted index per length.
        std::uint32_t start = 0;
        int index = 0;
        for (int l = 1; l <= kMaxCodeLength; ++l) {
            m_first[static_cast<std::size_t>(l)] = start;
            m_base[static_cast<std::size_t>(l)] = index;
            m_count[static_cast<std::size_t>(l)] = count[static_cast<std::size_t>(l)];
            start += static_cast<std::uint32_t>(count[static_cast<std::size_t>(l)]) << (16 - l);
            index += count[static_cast<std::size_t>(l)];
        }
        m_sorted.assign(static_cast<std::size_t>(used), 0);
        std::array<int, kMaxCodeLength + 1> next{};
        for (int l = 1; l <= kMaxCodeLength; ++l)
            next[static_cast<std::size_t>(l)] = m_base[static_cast<std::size_t>(l)];
        std::fill(m_fast.begin(), m_fast.end(), std::uint16_t(0));
        for (int s = 0; s < symbols; ++s) {
            const int l = lengths[s];
            if (l == 0)
                continue;
            const int k = next[static_cast<std::size_t>(l)]++;
            m_sorted[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(s);
            if (l <= kFastBits) {
                const std::uint32_t code = m_first[static_cast<std::size_t>(l)] +
                                           (static_cast<std::uint32_t>(k - m_base[static_cast<std::size_t>(l)]) << (16 - l));
                const std::uint32_t from = code >> (16 - kFastBits);
                const std::uint32_t span = 1u << (kFastBits - l);
                const auto entry = static_cast<std::uint16_t>((s << 5) | l);
                std::fill_n(m_fast.begin() + from, span, entry);
            }
        }
        return true;
    }

    // The next symbol, or -1 where the bits name no code.
    int decode(BitReader &in) const
    {
        if (m_single >= 0)
            return m_single;
        const std::uint16_t entry = m_fast[in.peek(kFastBits)];
        if (entry != 0) {
            in.skip(entry & 31);
            return entry >> 5;
        }
        const std::uint32_t v = in.peek(16);
        for (int l = kFastBits + 1; l <= kMaxCodeLength; ++l) {
            const std::uint32_t offset = (v - m_first[static_cast<std::size_t>(l)]) >> (16 - l);
            if (v >= m_first[static_cast<std::size_t>(l)] &&
                offset < static_cast<std::uint32_t>(m_count[static_cast<std::size_t>(l)])) {
                in.skip(l);
                return m_sorted[static_cast<std::size_t>(m_base[static_cast<std::size_t>(l)]) + offset];
            }
        }
        return -1;
    }

private:
    int m_single = -1;
    std::array<std::uint16_t, 1u << kFastBits> m_fast{}; // symbol << 5 | length; 0: not a short code
    std::array<std::uint32_t, kMaxCodeLength + 1> m_first{};
    std::array<int, kMaxCodeLength + 1> m_base{};
    std::array<int, kMaxCodeLength + 1> m_count{};
    std::vector<std::uint16_t> m_sorted;
};

class Decoder {
public:
    Decoder(int dictionaryBits, const CompressedReader &read, std::uint64_t originalSize)
        : m_in(read), m_np(dictionaryBits + 1), m_pBits(dictionaryBits == 13 ? 4 : 5),
          m_chunk(static_cast<std::size_t>(std::clamp<std::uint64_t>(originalSize, 1, kMaxChunk))),
          m_buffer(new unsigned char[kHistory + m_chunk + kSlack])
    {
        // Matches may reach before the first byte: the window starts out as
        // blanks, as every decoder of the format has it.
        std::fill_n(m_buffer.get(), kHistory, static_cast<unsigned char>(' '));
    }

    Lh5DecodeResult run(std::uint64_t originalSize, const DecodedSink &sink)
    {
        Lh5DecodeResult result;
        std::size_t pos = kHistory;
        auto flush = [&](std::size_t end) {
            const std::uint64_t want = std::min<std::uint64_t>(end - kHistory, originalSize - result.length);
            if (want > 0)
                sink(reinterpret_cast<const char *>(m_buffer.get()) + kHistory, static_cast<std::size_t>(want));
            result.length += want;
        };
        unsigned char *const out = m_buffer.get();
        for (;;) {
            // Decode this piece: up to the end of the buffer or of the entry
            // (the last match may run past it; what lies beyond is dropped).
            const std::size_t end =
                kHistory + static_cast<std::size_t>(std::min<std::uint64_t>(m_chunk, originalSize - result.length));
            while (pos < end) {
                if (m_blockLeft == 0 && !readBlockHeader()) {
                    result.sound = false;
                    break;
                }
                --m_blockLeft;
                const int c = m_c.decode(m_in);
                if (c < 0) {
                    result.sound = false;
                    break;
                }
                if (c < 256) {
                    out[pos++] = static_cast<unsigned char>(c);
                } else {
                    const int length = c - 256 + kThreshold;
                    const int pc = m_p.decode(m_in);
                    if (pc < 0) {
                        result.sound = false;
                        break;
                    }
                    const std::size_t distance =
                        (pc <= 1 ? static_cast<std::size_t>(pc)
                                 : (std::size_t(1) << (pc - 1)) + m_in.take(pc - 1)) + 1;
                    copyMatch(out + pos, distance, length);
                    pos += static_cast<std::size_t>(length);
                }
                if (m_in.overrun()) {
                    result.sound = false;
                    break;
                }
            }
            if (!result.sound || result.length + (pos - kHistory) >= originalSize)
                break;
            flush(pos);
            std::memmove(out, out + pos - kHistory, kHistory);
            pos = kHistory;
        }
        flush(pos);
        return result;
    }

private:
    static constexpr std::size_t kHistory = 1u << 16; // the largest dictionary (-lh7-)
    // Room after a piece for the last match and for the copies of 16
    // bytes that may write up to 15 bytes past a match.
    static constexpr std::size_t kSlack = kMaxMatch + 16;

    // Copies a match of `length` bytes from `distance` back to `to`.
    static void copyMatch(unsigned char *to, std::size_t distance, int length)
    {
        const unsigned char *from = to - distance;
        if (distance >= 16) {
            // Sixteen bytes at a time: each read lies before what it writes.
            for (int i = 0; i < length; i += 16)
                std::memcpy(to + i, from + i, 16);
        } else {
            // Overlapping: the copy repeats the bytes it has just made.
            for (int i = 0; i < length; ++i)
                to[i] = from[i];
        }
    }
    // Output is handed out and the window moved back after this much; an
    // entry up to this size is decoded in one piece, without moving.
    static constexpr std::uint64_t kMaxChunk = 1024 * 1024;

    // Code lengths of the code-length code or the position code: 3 bits
    // each, 7 and up as "111" then a one per further step and a zero. After
    // the entry at index `special` a 2-bit count of zero lengths follows.
    bool readPtLengths(HuffmanTable &table, int symbols, int countBits, int special)
    {
        const int n = static_cast<int>(m_in.take(countBits));
        if (n == 0)
            return table.setSingle(static_cast<int>(m_in.take(countBits)), symbols) && !m_in.overrun();
        if (n > symbols)
            return false;
        std::array<std::uint8_t, kNT> lengths{};
        int i = 0;
        while (i < n) {
            int c = static_cast<int>(m_in.take(3));
            if (c == 7) {
                while (m_in.take(1) == 1) {
                    if (++c > kMaxCodeLength)
                        return false;
                }
            }
            lengths[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(c);
            if (i == special) {
                int zeros = static_cast<int>(m_in.take(2));
                while (zeros-- > 0 && i < symbols)
                    lengths[static_cast<std::size_t>(i++)] = 0;
            }
            if (m_in.overrun())
                return false;
        }
        return table.build(lengths.data(), symbols);
    }

    // Literal/length code lengths, sent with the code-length code: 0 one
    // zero, 1 and 4 bits 3 to 18 zeros, 2 and 9 bits 20 to 531 zeros, k a
    // length of k - 2.
    bool readCLengths()
    {
        const int n = static_cast<int>(m_in.take(kCBits));
        if (n == 0)
            return m_c.setSingle(static_cast<int>(m_in.take(kCBits)), kNC) && !m_in.overrun();
        if (n > kNC)
            return false;
        std::array<std::uint8_t, kNC> lengths{};
        int i = 0;
        while (i < n) {
            const int c = m_t.decode(m_in);
            if (c < 0 || m_in.overrun())
                return false;
            if (c <= 2) {
                const int zeros = c == 0 ? 1 : c == 1 ? static_cast<int>(m_in.take(4)) + 3
                                                      : static_cast<int>(m_in.take(kCBits)) + 20;
                if (i + zeros > kNC)
                    return false;
                i += zeros; // already zero
            } else {
                lengths[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(c - 2);
            }
        }
        return !m_in.overrun() && m_c.build(lengths.data(), kNC);
    }

    bool readBlockHeader()
    {
        m_blockLeft = m_in.take(16);
        if (m_blockLeft == 0 || m_in.overrun())
            return false;
        return readPtLengths(m_t, kNT, kTBits, 3) && readCLengths() && readPtLengths(m_p, m_np, m_pBits, -1) &&
               !m_in.overrun();
    }

    BitReader m_in;
    const int m_np;
    const int m_pBits;
    const std::size_t m_chunk;
    std::uint32_t m_blockLeft = 0;
    HuffmanTable m_t, m_c, m_p;
    // The window's history (blanks at first), then the piece being decoded;
    // not cleared: only bytes written before are read.
    std::unique_ptr<unsigned char[]> m_buffer;
};

} // namespace

int lh5FamilyDictionaryBits(const QByteArray &method)
{
    if (method == "-lh5-")
        return 13;
    if (method == "-lh6-")
        return 15;
    if (method == "-lh7-")
        return 16;
    return 0;
}

Lh5DecodeResult decodeLh5Family(int dictionaryBits, const CompressedReader &read, std::uint64_t originalSize,
                                const DecodedSink &sink)
{
    if (dictionaryBits != 13 && dictionaryBits != 15 && dictionaryBits != 16)
        return {0, false};
    if (originalSize == 0)
        return {};
    auto decoder = std::make_unique<Decoder>(dictionaryBits, read, originalSize);
    return decoder->run(originalSize, sink);
}

} // namespace platform::archive
