// Lenient CP932 decoding: never fails, one character per refused byte, the
// strict decoding's result wherever that one succeeds, and on small inputs
// the same text as the reference decoding.
#include "fuzzSupport.h"
#include "platform/codepage/codepage.h"
#include "platform/codepage/tests/lenientReference.h"
#include "platform/runtime/runtime_error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString lenient = platform::codepage::fromAnsiLenient(bytes);
    try {
        const QString strict = platform::codepage::fromAnsi(bytes);
        FUZZ_CHECK(strict == lenient);
    } catch (const platform::RuntimeError &) {
        FUZZ_CHECK(lenient.contains(QChar(0xFFFD)));
    }
    // At most one UTF-16 unit per byte: CP932 has no characters beyond the BMP.
    FUZZ_CHECK(lenient.size() <= bytes.size());
    if (size <= 4096)
        FUZZ_CHECK(lenient == codepagetest::referenceLenient(bytes));
    // Whatever decoded cleanly encodes back.
    if (!lenient.contains(QChar(0xFFFD)))
        FUZZ_CHECK(platform::codepage::isAnsiEncodable(lenient));
    return 0;
}
