#pragma once
// Our own decoder of the static-Huffman LZ methods -lh5-, -lh6- and -lh7-
// (the ones this program's data sets use), table driven and several times
// faster than the general decoder. It refuses anything that is not a sound
// stream of these methods (a code table that is not a prefix code, a block
// of no codes, data that ends too early); the caller then hands the entry to
// the general decoder, which has the last word on what such an entry holds.
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform::archive {

// Dictionary size in bits of a method this decoder takes: 13 (-lh5-),
// 15 (-lh6-), 16 (-lh7-); 0 for every other method.
int lh5FamilyDictionaryBits(const QByteArray &method);

// Hands out compressed bytes: fills up to `size` bytes, returns how many
// (0 at the end of the data).
using CompressedReader = std::function<std::size_t(char *buffer, std::size_t size)>;
using DecodedSink = std::function<void(const char *data, std::size_t size)>;

struct Lh5DecodeResult {
    std::uint64_t length = 0; // bytes handed to the sink
    bool sound = true;        // false: the stream broke before originalSize bytes
};

// Decodes up to originalSize bytes of a stream with a dictionary of
// `dictionaryBits` bits and hands them to sink in pieces of at most 1 MiB.
// Memory in use: the entry's size (at most 1 MiB) and about 140 KiB.
Lh5DecodeResult decodeLh5Family(int dictionaryBits, const CompressedReader &read, std::uint64_t originalSize,
                                const DecodedSink &sink);

} // namespace platform::archive
