// The PDF joiner on damaged parts: the input is cut into parts after each
// "%%EOF" line (at most eight). The joiner either raises its run-time error
// or returns a file that it reads again, alone and as two parts.
#include "fuzzSupport.h"
#include "platform/print/pdfjoiner.h"
#include "platform/runtime/runtime_error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<QByteArray> parts;
    qsizetype from = 0;
    while (from < input.size() && parts.size() < 8) {
        const qsizetype end = input.indexOf("%%EOF\n", from);
        const qsizetype next = end < 0 ? input.size() : end + 6;
        parts.append(input.mid(from, next - from));
        from = next;
    }
    QByteArray joined;
    try {
        joined = platform::print::PdfJoiner::join(parts);
    } catch (const platform::RuntimeError &) {
        return 0;
    }
    FUZZ_CHECK(joined.startsWith("%PDF-"));
    try {
        FUZZ_CHECK(platform::print::PdfJoiner::join({joined}) == joined);
        const QByteArray twice = platform::print::PdfJoiner::join({joined, joined});
        FUZZ_CHECK(twice.size() > joined.size());
    } catch (const platform::RuntimeError &) {
        FUZZ_CHECK(!"a joined file does not join again");
    }
    return 0;
}
