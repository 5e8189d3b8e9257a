#include "platform/com/stream.h"

#include "platform/com/objectbase.h"

#include <cstring>
#include <limits>
#include <new>

namespace platform::com {

const IID IID_ISequentialStream = {0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
const IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The largest block this layer hands out; a stream never grows beyond it.
static constexpr size_t kMaxBlock = size_t(1) << 31;

struct GlobalBlock {
    std::vector<uint8_t> data;
    int locks = 0;
    int streams = 0; // streams sharing the block
};

HGLOBAL GlobalAlloc(uint32_t, size_t bytes)
{
    if (bytes > kMaxBlock)
        return nullptr;
    try {
        auto *b = new GlobalBlock;
        b->data.assign(bytes, 0);
        return b;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

HGLOBAL GlobalReAlloc(HGLOBAL block, size_t bytes, uint32_t)
{
    if (!block || bytes > kMaxBlock)
        return nullptr;
    try {
        block->data.resize(bytes, 0);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return block;
}

void *GlobalLock(HGLOBAL block)
{
    if (!block)
        return nullptr;
    ++block->locks;
    // A lock of an empty block still gives a usable, distinct address.
    return block->data.empty() ? static_cast<void *>(block) : block->data.data();
}

bool GlobalUnlock(HGLOBAL block)
{
    if (!block || block->locks == 0)
        return false;
    return --block->locks > 0;
}

size_t GlobalSize(HGLOBAL block)
{
    return block ? block->data.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    delete block;
    return nullptr;
}

namespace {

class MemoryStream final : public RefCounted<IStream> {
public:
    MemoryStream(HGLOBAL block, bool deleteOnRelease) : m_block(block), m_delete(deleteOnRelease)
    {
        ++m_block->streams;
    }

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object,
                                {{IID_IUnknown, this}, {IID_IStream, this}, {IID_ISequentialStream, this}});
    }

    HRESULT Read(void *buffer, uint32_t bytes, uint32_t *read) override
    {
        if (!buffer && bytes)
            return STG_E_INVALIDPOINTER;
        const size_t size = m_block->data.size();
        const size_t avail = m_pos < size ? size - m_pos : 0;
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(avail, bytes));
        if (n)
            std::memcpy(buffer, m_block->data.data() + m_pos, n);
        m_pos += n;
        if (read)
            *read = n;
        return n == bytes ? S_OK : S_FALSE;
    }

    HRESULT Write(const void *buffer, uint32_t bytes, uint32_t *written) override
    {
        if (written)
            *written = 0;
        if (!buffer && bytes)
            return STG_E_INVALIDPOINTER;
        if (m_pos + bytes > kMaxBlock)
            return STG_E_MEDIUMFULL;
        if (m_pos + bytes > m_block->data.size()) {
            try {
                m_block->data.resize(m_pos + bytes, 0);
            } catch (const std::bad_alloc &) {
                return STG_E_MEDIUMFULL;
            }
        }
        if (bytes)
            std::memcpy(m_block->data.data() + m_pos, buffer, bytes);
        m_pos += bytes;
        if (written)
            *written = bytes;
        return S_OK;
    }

    HRESULT Seek(int64_t move, uint32_t origin, uint64_t *newPosition) override
    {
        int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<int64_t>(m_pos); break;
        case STREAM_SEEK_END: base = static_cast<int64_t>(m_block->data.size()); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        const int64_t target = base + move;
        if (target < 0 || uint64_t(target) > kMaxBlock)
            return STG_E_INVALIDFUNCTION;
        m_pos = static_cast<size_t>(target);
        if (newPosition)
            *newPosition = m_pos;
        return S_OK;
    }

    HRESULT SetSize(uint64_t size) override
    {
        if (size > kMaxBlock)
            return STG_E_MEDIUMFULL;
        try {
            m_block->data.resize(static_cast<size_t>(size), 0);
        } catch (const std::bad_alloc &) {
            return STG_E_MEDIUMFULL;
        }
        return S_OK;
    }

    HRESULT Commit(uint32_t) override { return S_OK; }

    HRESULT Stat(STATSTG *stat, uint32_t) override
    {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        stat->cbSize = m_block->data.size();
        return S_OK;
    }

    HRESULT Clone(IStream **copy) override
    {
        if (!copy)
            return STG_E_INVALIDPOINTER;
        auto *c = new MemoryStream(m_block, false);
        c->m_pos = m_pos;
        c->AddRef();
        *copy = c;
        return S_OK;
    }

    HGLOBAL block() const { return m_block; }

private:
    ~MemoryStream()
    {
        --m_block->streams;
        if (m_delete)
            GlobalFree(m_block);
    }

    HGLOBAL m_block;
    bool m_delete;
    size_t m_pos = 0;
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL block, bool deleteOnRelease, IStream **stream)
{
    if (!stream)
        return E_INVALIDARG;
    *stream = nullptr;
    if (!block) {
        block = GlobalAlloc(GHND, 0);
        if (!block)
            return E_OUTOFMEMORY;
    }
    auto *s = new MemoryStream(block, deleteOnRelease);
    s->AddRef();
    *stream = s;
    return S_OK;
}

HRESULT GetHGlobalFromStream(IStream *stream, HGLOBAL *block)
{
    if (!stream || !block)
        return E_INVALIDARG;
    auto *m = dynamic_cast<MemoryStream *>(stream);
    if (!m)
        return E_INVALIDARG;
    *block = m->block();
    return S_OK;
}

ComPtr<IStream> streamFromBytes(const std::vector<uint8_t> &bytes)
{
    HGLOBAL block = GlobalAlloc(GHND, bytes.size());
    if (!block)
        return {};
    if (!bytes.empty())
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    ComPtr<IStream> s;
    if (FAILED(CreateStreamOnHGlobal(block, true, s.put()))) {
        GlobalFree(block);
        return {};
    }
    return s;
}

std::vector<uint8_t> streamBytes(IStream *stream)
{
    HGLOBAL block = nullptr;
    if (!stream || FAILED(GetHGlobalFromStream(stream, &block)))
        return {};
    return block->data;
}

} // namespace platform::com
