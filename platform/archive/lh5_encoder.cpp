#include "platform/archive/lh5_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <cstdint>
#include <queue>
#include <utility>
#include <vector>

namespace platform::archive {

namespace {

constexpr int kDicBits = 13;
constexpr int kMaxDistance = (1 << kDicBits) - 1; // farthest match back
constexpr int kMaxMatch = 256;
constexpr int kThreshold = 3;                     // shortest match
constexpr int kNC = 255 + kMaxMatch + 2 - kThreshold; // literal and length codes: 510
constexpr int kCBits = 9;
constexpr int kNT = 19;                           // code-length codes
constexpr int kTBits = 5;
constexpr int kNP = kDicBits + 1;                 // position codes: 14
constexpr int kPBits = 4;
constexpr int kMaxCodeLength = 16;

constexpr int kHashBits = 15;
constexpr int kHashSize = 1 << kHashBits;
constexpr int kWindowMask = (1 << kDicBits) - 1;
// The match search: candidates are found by their first five bytes (a
// match of three or four bytes costs about as many bits as the literals it
// replaces, and candidates that share only four crowd the chains), the
// first four of them are tried, and a match shorter than kLazyLimit is
// given up for a literal when the most recent candidate of the next
// position starts a longer one. Against the earlier search (32 candidates
// for both searches, three-byte hashing) this packs the store's tables
// about four times as fast, into 2.8 % fewer bytes to 0.3 % more (the tests
// pin the sizes).
constexpr int kHashBytes = 5;
constexpr int kMaxChain = 4;   // candidates tried per position
constexpr int kLazyLimit = 32; // a match this long is taken without looking one ahead
constexpr int kLazyChain = 1;  // candidates tried for the look ahead
constexpr std::size_t kBlockCodes = 32768; // codes per block (the format allows 65535)

// Writes codes most significant bit first, straight into the output. The
// pending bits sit at the top of a 64-bit word, which is stored whole
// (big-endian) after every code; the output then moves on by the whole bytes
// it holds, so that a code costs no branch on the bits gathered so far. The
// output is kept at least 8 bytes longer than what is written, and cut to
// length by flush().
class BitWriter {
public:
    explicit BitWriter(QByteArray &out) : m_out(out) {}

    // The writing state as a value, for a loop of many codes: held in
    // registers, where the writer's own members would be read back from
    // memory after every byte stored.
    struct Run {
        char *at;
        std::uint64_t acc; // pending bits from the top
        int count;         // pending bits, below 8 between codes

        // bits: 0 to 56; value below 2^bits.
        void put(int bits, std::uint64_t value)
        {
            acc |= value << (63 - count - bits) << 1;
            count += bits;
            std::uint64_t word = acc;
            if constexpr (std::endian::native == std::endian::little)
                word = __builtin_bswap64(word);
            std::memcpy(at, &word, sizeof word);
            const int whole = count >> 3;
            at += whole;
            acc <<= whole * 8;
            count &= 7;
        }
    };

    // Room for codes of up to `bytes` bytes in all, written through the run
    // returned; end() takes the run back.
    Run begin(std::size_t bytes)
    {
        const qsizetype need = static_cast<qsizetype>(m_used + bytes + 8);
        if (m_out.size() < need)
            m_out.resize(std::max(need, m_out.size() * 2));
        return Run{m_out.data() + m_used, m_acc, m_count};
    }
    void end(const Run &run)
    {
        m_used = static_cast<std::size_t>(run.at - m_out.constData());
        m_acc = run.acc;
        m_count = run.count;
    }

    // One code of up to 56 bits.
    void put(int bits, std::uint64_t value)
    {
        Run run = begin(8);
        run.put(bits, value);
        end(run);
    }

    // Writes the bits still held, the last byte padded with zeros, and cuts
    // the output to what was written.
    void flush()
    {
        Run run = begin(1);
        if (run.count > 0)
            run.put(8 - run.count, 0);
        end(run);
        m_out.resize(static_cast<qsizetype>(m_used));
    }

private:
    QByteArray &m_out;
    std::size_t m_used = 0; // bytes of m_out written
    std::uint64_t m_acc = 0;
    int m_count = 0;
};

// Huffman code lengths of at most kMaxCodeLength bits. Symbols of zero
// frequency get length 0. With fewer than two used symbols every length is 0
// and the caller sends the table in its one-code form.
std::vector<std::uint8_t> codeLengths(const std::vector<std::uint32_t> &freq, int *usedCount, int *onlySymbol)
{
    const int n = static_cast<int>(freq.size());
    std::vector<std::uint8_t> lengths(static_cast<std::size_t>(n), 0);
    std::vector<int> used;
    for (int i = 0; i < n; ++i)
        if (freq[static_cast<std::size_t>(i)] > 0)
            used.push_back(i);
    *usedCount = static_cast<int>(used.size());
    *onlySymbol = used.empty() ? 0 : used.front();
    if (used.size() < 2)
        return lengths;

    std::vector<std::uint64_t> weight;
    for (int s : used)
        weight.push_back(freq[static_cast<std::size_t>(s)]);

    for (;;) {
        const int m = static_cast<int>(used.size());
        std::vector<int> parent(static_cast<std::size_t>(2 * m), -1);
        using Item = std::pair<std::uint64_t, int>;
        std::priority_queue<Item, std::vector<Item>, std::greater<Item>> heap;
        for (int i = 0; i < m; ++i)
            heap.push({weight[static_cast<std::size_t>(i)], i});
        int next = m;
        while (heap.size() > 1) {
            const Item a = heap.top();
            heap.pop();
            const Item b = heap.top();
            heap.pop();
            parent[static_cast<std::size_t>(a.second)] = next;
            parent[static_cast<std::size_t>(b.second)] = next;
            heap.push({a.first + b.first, next});
            ++next;
        }
        // Depth of each node: parents have larger numbers than their children.
        std::vector<int> depth(static_cast<std::size_t>(next), 0);
        for (int i = next - 2; i >= 0; --i)
            depth[static_cast<std::size_t>(i)] = depth[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])] + 1;
        int maxDepth = 0;
        for (int i = 0; i < m; ++i)
            maxDepth = std::max(maxDepth, depth[static_cast<std::size_t>(i)]);
        if (maxDepth <= kMaxCodeLength) {
            for (int i = 0; i < m; ++i)
                lengths[static_cast<std::size_t>(used[static_cast<std::size_t>(i)])] =
                    static_cast<std::uint8_t>(depth[static_cast<std::size_t>(i)]);
            return lengths;
        }
        // Too deep: flatten the frequencies and build again.
        for (auto &w : weight)
            w = (w + 1) / 2;
    }
}

// Canonical codes: shorter codes first, equal lengths in symbol order.
std::vector<std::uint16_t> canonicalCodes(const std::vector<std::uint8_t> &lengths)
{
    std::array<std::uint32_t, kMaxCodeLength + 2> count{};
    for (auto l : lengths)
        ++count[l];
    count[0] = 0;
    std::array<std::uint32_t, kMaxCodeLength + 2> next{};
    std::uint32_t code = 0;
    for (int bits = 1; bits <= kMaxCodeLength; ++bits) {
        code = (code + count[static_cast<std::size_t>(bits - 1)]) << 1;
        next[static_cast<std::size_t>(bits)] = code;
    }
    std::vector<std::uint16_t> codes(lengths.size(), 0);
    for (std::size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i] != 0)
            codes[i] = static_cast<std::uint16_t>(next[lengths[i]]++);
    return codes;
}

int bitLength(unsigned v)
{
    return static_cast<int>(std::bit_width(v));
}

struct Token {
    std::uint16_t code;     // literal byte or 256 + length - 3
    std::uint16_t position; // distance - 1 for a match
};

std::uint64_t load64(const unsigned char *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Equal leading bytes of two words whose XOR is `diff`: 0 to 8.
int equalBytes(std::uint64_t diff)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(diff) >> 3;
    else
        return std::countl_zero(diff) >> 3;
}

// Number of equal leading bytes of a and b, at most limit; eight at a time.
int commonLength(const unsigned char *a, const unsigned char *b, int limit)
{
    int len = 0;
    while (len + 8 <= limit) {
        if (const std::uint64_t diff = load64(a + len) ^ load64(b + len))
            return len + equalBytes(diff);
        len += 8;
    }
    while (len < limit && a[len] == b[len])
        ++len;
    return len;
}

// The tables of a run, kept by each thread from one entry to the next: made
// anew for every entry, their memory cost more than the search (page faults,
// and the other processors told each time it went back to the system).
struct Scratch {
    std::vector<std::uint32_t> head;
    std::vector<std::uint32_t> prev;
    std::vector<Token> tokens;
};

Scratch &threadScratch()
{
    thread_local Scratch scratch;
    return scratch;
}

class Lh5Encoder {
public:
    Lh5Encoder(const unsigned char *data, std::size_t size, QByteArray &out)
        : m_data(data), m_size(size), m_bits(out), m_head(threadScratch().head), m_prev(threadScratch().prev),
          m_tokens(threadScratch().tokens)
    {
        m_head.assign(kHashSize, kNone);
        m_prev.assign(1 << kDicBits, kNone);
        m_tokens.clear();
        m_tokens.reserve(kBlockCodes);
    }

    void run()
    {
        const std::int64_t n = static_cast<std::int64_t>(m_size);
        const std::int64_t lastHashed = n - kHashBytes; // the last position with a hash
        std::int64_t pos = 0;
        Match cur = findMatch(0, kMaxChain);
        while (pos < n) {
            insert(pos);
            if (cur.length >= kThreshold) {
                if (cur.length < kLazyLimit && pos + 1 < n) {
                    const Match ahead = findMatch(pos + 1, kLazyChain, cur.length);
                    if (ahead.length > cur.length) {
                        literal(m_data[pos]);
                        ++pos;
                        cur = ahead;
                        continue;
                    }
                }
                match(cur);
                // The positions inside the match go into the chains, those
                // that have a hash: the end checked once, not per position.
                const std::int64_t end = pos + cur.length;
                const std::int64_t hashedEnd = std::min(end, lastHashed + 1);
                for (std::int64_t k = pos + 1; k < hashedEnd; ++k)
                    insertHashed(k);
                pos = end;
            } else {
                literal(m_data[pos]);
                ++pos;
            }
            cur = findMatch(pos, kMaxChain);
        }
        if (!m_tokens.empty())
            sendBlock();
        m_bits.flush();
    }

private:
    struct Match {
        int length = 0;
        int distance = 0;
    };

    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    static std::int64_t position(std::uint32_t stored) { return stored == kNone ? -1 : stored; }

    // A multiplicative hash of the five bytes at p, read byte by byte so
    // that it is the same on every machine, and so are the archive bytes.
    unsigned hashAt(std::int64_t p) const
    {
        const unsigned char *b = m_data + p;
        const std::uint64_t five = b[0] | (std::uint64_t{b[1]} << 8) | (std::uint64_t{b[2]} << 16) |
                                   (std::uint64_t{b[3]} << 24) | (std::uint64_t{b[4]} << 32);
        return static_cast<unsigned>((five * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
    }

    void insert(std::int64_t p)
    {
        if (p + kHashBytes > static_cast<std::int64_t>(m_size))
            return;
        insertHashed(p);
    }

    void insertHashed(std::int64_t p)
    {
        const unsigned h = hashAt(p);
        m_prev[static_cast<std::size_t>(p & kWindowMask)] = m_head[h];
        m_head[h] = static_cast<std::uint32_t>(p);
    }

    // The longest match at p among the first `chain` candidates; the first
    // of them where several are as long. With `longerThan` only a match
    // longer than that counts (the look ahead asks for nothing else).
    Match findMatch(std::int64_t p, int chain, int longerThan = 0) const
    {
        Match best;
        best.length = longerThan;
        const std::int64_t n = static_cast<std::int64_t>(m_size);
        if (p + kHashBytes > n)
            return Match{};
        const int limit = static_cast<int>(std::min<std::int64_t>(kMaxMatch, n - p));
        std::int64_t cand = position(m_head[hashAt(p)]);
        const unsigned char *here = m_data + p;
        // Each candidate's first 16 bytes are compared as two words, and
        // the better one kept, without a branch on the bytes: which
        // candidate is longer is a toss-up the processor cannot predict.
        // Within 16 bytes of the end the bytes are compared one by one.
        const bool words = limit >= 16;
        const std::uint64_t here0 = words ? load64(here) : 0, here8 = words ? load64(here + 8) : 0;
        while (cand >= 0 && chain-- > 0) {
            const std::int64_t distance = p - cand;
            if (distance <= 0 || distance > kMaxDistance)
                break;
            const unsigned char *there = m_data + cand;
            int len;
            if (words) [[likely]] {
                const int first = equalBytes(load64(there) ^ here0);
                const int second = equalBytes(load64(there + 8) ^ here8);
                len = first + (first == 8 ? second : 0);
                if (len == 16) [[unlikely]]
                    len += commonLength(there + 16, here + 16, limit - 16);
            } else {
                len = commonLength(there, here, limit);
            }
            if (len >= limit) [[unlikely]] {
                if (len > best.length)
                    best = Match{len, static_cast<int>(distance)};
                break;
            }
            const bool longer = len > best.length;
            best.length = longer ? len : best.length;
            best.distance = longer ? static_cast<int>(distance) : best.distance;
            cand = olderThan(cand);
        }
        return found(best, longerThan);
    }

    // The candidate after `cand` in its chain, -1 at its end: where the
    // slot has been taken by a newer position, the chain is over.
    std::int64_t olderThan(std::int64_t cand) const
    {
        const std::int64_t older = position(m_prev[static_cast<std::size_t>(cand & kWindowMask)]);
        return older < cand ? older : -1;
    }

    // What a search hands back: nothing for a match too short to code or,
    // in the look ahead, no longer than the match it would replace.
    static Match found(const Match &best, int longerThan)
    {
        return best.length < kThreshold || best.length == longerThan ? Match{} : best;
    }

    void literal(unsigned char c)
    {
        ++m_cFreq[c];
        m_tokens.push_back({c, 0});
        if (m_tokens.size() >= kBlockCodes)
            sendBlock();
    }

    void match(const Match &m)
    {
        ++m_cFreq[static_cast<std::size_t>(256 + m.length - kThreshold)];
        ++m_pFreq[static_cast<std::size_t>(bitLength(static_cast<unsigned>(m.distance - 1)))];
        m_tokens.push_back({static_cast<std::uint16_t>(256 + m.length - kThreshold),
                            static_cast<std::uint16_t>(m.distance - 1)});
        if (m_tokens.size() >= kBlockCodes)
            sendBlock();
    }

    // Code lengths of a table of up to kNT or kNP entries: 3 bits each, or
    // for 7 and more "111" followed by (length - 7) ones and a zero. After the
    // entry at index `special` a 2-bit count of following zero lengths.
    void writePtLengths(const std::vector<std::uint8_t> &len, int nbits, int special)
    {
        int n = static_cast<int>(len.size());
        while (n > 0 && len[static_cast<std::size_t>(n - 1)] == 0)
            --n;
        m_bits.put(nbits, static_cast<std::uint32_t>(n));
        int i = 0;
        while (i < n) {
            const int k = len[static_cast<std::size_t>(i++)];
            if (k <= 6)
                m_bits.put(3, static_cast<std::uint32_t>(k));
            else
                m_bits.put(k - 3, (1u << (k - 3)) - 2);
            if (i == special) {
                while (i < 6 && len[static_cast<std::size_t>(i)] == 0)
                    ++i;
                m_bits.put(2, static_cast<std::uint32_t>((i - 3) & 3));
            }
        }
    }

    // Walks the literal/length code lengths the way they are sent: runs of
    // zeros become code 0 (one zero), 1 (3 to 18 zeros, 4 bits follow) or 2
    // (20 or more, 9 bits follow); a length k becomes code k + 2.
    template <typename Step>
    void walkCLengths(const std::vector<std::uint8_t> &cLen, int n, Step step)
    {
        int i = 0;
        while (i < n) {
            const int k = cLen[static_cast<std::size_t>(i++)];
            if (k == 0) {
                int count = 1;
                while (i < n && cLen[static_cast<std::size_t>(i)] == 0) {
                    ++i;
                    ++count;
                }
                if (count <= 2) {
                    for (int j = 0; j < count; ++j)
                        step(0, 0, 0);
                } else if (count <= 18) {
                    step(1, 4, count - 3);
                } else if (count == 19) {
                    step(0, 0, 0);
                    step(1, 4, 15);
                } else {
                    step(2, kCBits, count - 20);
                }
            } else {
                step(k + 2, 0, 0);
            }
        }
    }

    void sendBlock()
    {
        // The frequencies were counted as the codes were made.
        const std::vector<std::uint32_t> cFreq = std::exchange(m_cFreq, std::vector<std::uint32_t>(kNC, 0));
        const std::vector<std::uint32_t> pFreq = std::exchange(m_pFreq, std::vector<std::uint32_t>(kNP, 0));
        int cUsed = 0, cOnly = 0;
        const std::vector<std::uint8_t> cLen = codeLengths(cFreq, &cUsed, &cOnly);
        const std::vector<std::uint16_t> cCode = canonicalCodes(cLen);

        m_bits.put(16, static_cast<std::uint32_t>(m_tokens.size()));
        if (cUsed >= 2) {
            int n = kNC;
            while (n > 0 && cLen[static_cast<std::size_t>(n - 1)] == 0)
                --n;
            std::vector<std::uint32_t> tFreq(kNT, 0);
            walkCLengths(cLen, n, [&](int sym, int, int) { ++tFreq[static_cast<std::size_t>(sym)]; });
            int tUsed = 0, tOnly = 0;
            const std::vector<std::uint8_t> tLen = codeLengths(tFreq, &tUsed, &tOnly);
            const std::vector<std::uint16_t> tCode = canonicalCodes(tLen);
            if (tUsed >= 2) {
                writePtLengths(tLen, kTBits, 3);
            } else {
                m_bits.put(kTBits, 0);
                m_bits.put(kTBits, static_cast<std::uint32_t>(tOnly));
            }
            m_bits.put(kCBits, static_cast<std::uint32_t>(n));
            walkCLengths(cLen, n, [&](int sym, int extraBits, int extra) {
                m_bits.put(tLen[static_cast<std::size_t>(sym)], tCode[static_cast<std::size_t>(sym)]);
                m_bits.put(extraBits, static_cast<std::uint32_t>(extra));
            });
        } else {
            m_bits.put(kTBits, 0);
            m_bits.put(kTBits, 0);
            m_bits.put(kCBits, 0);
            m_bits.put(kCBits, static_cast<std::uint32_t>(cOnly));
        }

        int pUsed = 0, pOnly = 0;
        const std::vector<std::uint8_t> pLen = codeLengths(pFreq, &pUsed, &pOnly);
        const std::vector<std::uint16_t> pCode = canonicalCodes(pLen);
        if (pUsed >= 2) {
            writePtLengths(pLen, kPBits, -1);
        } else {
            m_bits.put(kPBits, 0);
            m_bits.put(kPBits, static_cast<std::uint32_t>(pOnly));
        }

        // Each code goes out in one piece: a literal's code, or a match's
        // length code, position code and position bits together (at most
        // 16 + 16 + 12 bits, 6 bytes), chosen without a branch, since
        // literals and matches alternate unpredictably.
        BitWriter::Run run = m_bits.begin(m_tokens.size() * 6);
        for (const Token &t : m_tokens) {
            const bool isMatch = t.code >= 256;
            const int cl = cLen[t.code];
            const int pc = bitLength(t.position);
            const int extra = pc > 1 ? pc - 1 : 0;
            const int pl = isMatch ? pLen[static_cast<std::size_t>(pc)] : 0;
            const std::uint64_t positionCode = isMatch ? pCode[static_cast<std::size_t>(pc)] : 0;
            const std::uint64_t low = t.position & ((1u << extra) - 1);
            run.put(cl + pl + extra, (std::uint64_t{cCode[t.code]} << (pl + extra)) | (positionCode << extra) | low);
        }
        m_bits.end(run);
        m_tokens.clear();
    }

    const unsigned char *m_data;
    std::size_t m_size;
    BitWriter m_bits;
    // Positions in 32 bits (entries hold less than 4 GiB), kNone for none.
    std::vector<std::uint32_t> &m_head;
    std::vector<std::uint32_t> &m_prev;
    std::vector<Token> &m_tokens;
    std::vector<std::uint32_t> m_cFreq = std::vector<std::uint32_t>(kNC, 0); // of the codes of the block so far
    std::vector<std::uint32_t> m_pFreq = std::vector<std::uint32_t>(kNP, 0);
};

} // namespace

void encodeLh5(const char *data, std::size_t size, QByteArray &out)
{
    out.resize(0);
    out.reserve(static_cast<qsizetype>(size / 2 + 64));
    Lh5Encoder encoder(reinterpret_cast<const unsigned char *>(data), size, out);
    encoder.run();
}

QByteArray encodeLh5(const char *data, std::size_t size)
{
    QByteArray out;
    encodeLh5(data, size, out);
    return out;
}

} // namespace platform::archive
