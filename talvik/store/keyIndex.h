#pragma once
// The first row of each whole-number key: an open-addressing table of keys
// and row numbers in two arrays, so that indexing tens of thousands of keys
// allocates twice, not per key.
#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace talvik {

class KeyIndex {
public:
    // Room for `rows` keys without growing.
    explicit KeyIndex(int rows = 0) { reserve(rows); }

    // Notes row under key unless the key has a row already (the first one
    // stays). Keys are never negative.
    void insertFirst(qint64 key, int row)
    {
        if ((m_used + 1) * 2 > m_keys.size())
            reserve(int(m_keys.size()));
        const std::size_t at = slot(key);
        if (m_keys[at] < 0) {
            m_keys[at] = key;
            m_rows[at] = row;
            ++m_used;
        }
    }
    // The row of key, or -1.
    int find(qint64 key) const
    {
        if (m_keys.empty())
            return -1;
        const std::size_t at = slot(key);
        return m_keys[at] < 0 ? -1 : m_rows[at];
    }

private:
    std::size_t slot(qint64 key) const
    {
        const std::size_t mask = m_keys.size() - 1;
        std::uint64_t h = std::uint64_t(key) * 0x9E3779B97F4A7C15ull;
        for (std::size_t i = std::size_t(h >> 20) & mask;; i = (i + 1) & mask)
            if (m_keys[i] < 0 || m_keys[i] == key)
                return i;
    }
    // Grows to hold at least `rows` keys at half load, keeping those in.
    void reserve(int rows)
    {
        std::size_t size = 16;
        while (size < std::size_t(rows) * 2 + 2)
            size *= 2;
        if (size <= m_keys.size())
            return;
        std::vector<qint64> keys(size, -1);
        std::vector<int> rowsOf(size, -1);
        keys.swap(m_keys);
        rowsOf.swap(m_rows);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] >= 0) {
                const std::size_t at = slot(keys[i]);
                m_keys[at] = keys[i];
                m_rows[at] = rowsOf[i];
            }
    }

    std::vector<qint64> m_keys;
    std::vector<int> m_rows;
    std::size_t m_used = 0;
};

} // namespace talvik
