// The PDF joiner on damaged parts: the input is cut into parts after each
// "%%EOF" line (at most eight). The joiner either raises its run-time error
// or returns a file that it reads again, alone and as two and three parts
// whose page trees hold two and three times its pages.
#include "fuzzSupport.h"
#include "platform/print/pdfjoiner.h"
#include "platform/runtime/runtime_error.h"

#include <cstddef>
#include <cstdint>

namespace {

// The page count of the page tree the joiner writes (object 2).
int joinedPageCount(const QByteArray &pdf)
{
    const qsizetype tree = pdf.indexOf("\n2 0 obj\n<<\n/Type /Pages\n/Kids \n[\n");
    const qsizetype count = tree < 0 ? -1 : pdf.indexOf("]\n/Count ", tree);
    if (count < 0)
        return -1;
    const qsizetype end = pdf.indexOf('\n', count + 9);
    return pdf.mid(count + 9, end - count - 9).toInt();
}

} // namespace

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
        // Joined twice and three times: the page tree the joiner writes holds
        // the pages of every part.
        const int two = joinedPageCount(platform::print::PdfJoiner::join({joined, joined}));
        const int three = joinedPageCount(platform::print::PdfJoiner::join({joined, joined, joined}));
        FUZZ_CHECK(two > 0 && two % 2 == 0 && three == two / 2 * 3);
    } catch (const platform::RuntimeError &) {
        FUZZ_CHECK(!"a joined file does not join again");
    }
    return 0;
}
