#pragma once
// Movable memory blocks (HGLOBAL) and streams over them.
#include "platform/com/com.h"

#include <cstdint>
#include <vector>

namespace platform::com {

struct GlobalBlock;
using HGLOBAL = GlobalBlock *;

constexpr uint32_t GMEM_FIXED = 0x0000;
constexpr uint32_t GMEM_MOVEABLE = 0x0002;
constexpr uint32_t GMEM_ZEROINIT = 0x0040;
constexpr uint32_t GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// The blocks are always zero-filled. Null when the size cannot be had.
HGLOBAL GlobalAlloc(uint32_t flags, size_t bytes);
HGLOBAL GlobalReAlloc(HGLOBAL block, size_t bytes, uint32_t flags);
void *GlobalLock(HGLOBAL block);
bool GlobalUnlock(HGLOBAL block);
size_t GlobalSize(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block); // null on success

constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
constexpr HRESULT STG_E_READFAULT = static_cast<HRESULT>(0x8003001Eu);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);
constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009u);

enum : uint32_t { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

struct STATSTG {
    uint64_t cbSize = 0;
};

struct IStream : IUnknown {
    // ISequentialStream
    virtual HRESULT Read(void *buffer, uint32_t bytes, uint32_t *read) = 0;
    virtual HRESULT Write(const void *buffer, uint32_t bytes, uint32_t *written) = 0;
    // IStream
    virtual HRESULT Seek(int64_t move, uint32_t origin, uint64_t *newPosition) = 0;
    virtual HRESULT SetSize(uint64_t size) = 0;
    virtual HRESULT Commit(uint32_t flags) = 0;
    virtual HRESULT Stat(STATSTG *stat, uint32_t flags) = 0;
    virtual HRESULT Clone(IStream **copy) = 0;
};

extern const IID IID_ISequentialStream;
extern const IID IID_IStream;

// A stream over the block (a new one of size 0 when block is null). It grows
// as it is written. With deleteOnRelease the block goes with the stream.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, bool deleteOnRelease, IStream **stream);
HRESULT GetHGlobalFromStream(IStream *stream, HGLOBAL *block);

// Convenience for tests and loaders: a stream holding a copy of the bytes,
// positioned at 0, and the whole content of a memory stream.
ComPtr<IStream> streamFromBytes(const std::vector<uint8_t> &bytes);
std::vector<uint8_t> streamBytes(IStream *stream);

} // namespace platform::com
