// The CSV import: the file image cut into lines, each line read into an RD
// block, the whole image handed to a demand record, the numeric reading of
// fields and the names proposed from a path. A line read as a block must give
// a well-formed block: STX "RD", fourteen digits, ETX; the reading from the
// bytes must give what the reading through the text gives.
#include "fuzzSupport.h"
#include "platform/codepage/codepage.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/dataview/csvFormat.h"
#include "talvik/link/recordFields.h"
#include "talvik/store/clsDataD.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstddef>
#include <cstdint>

using namespace talvik;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray image(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> lines = csvSplitLines(image);
    for (const QByteArray &line : lines) {
        FUZZ_CHECK(!line.contains('\n'));
        QByteArray frame = csvNewFrame();
        int kind = -1, error = 0;
        try {
            kind = int(csvLineToBlock(line, frame));
            if (kind == int(CsvLine::Block)) {
                FUZZ_CHECK(frame.size() == 18);
                FUZZ_CHECK(frame[0] == frame::STX && frame[1] == 'R' && frame[2] == 'D' && frame[17] == frame::ETX);
                for (int i = 3; i < 17; ++i)
                    FUZZ_CHECK(frame::isDigit(frame[i]));
            }
        } catch (const platform::RuntimeError &e) {
            // Overflow (6) and too many fields are the line reader's errors.
            error = e.Number();
        }
        // The reading through the line's text gives the same.
        QByteArray textFrame = csvNewFrame();
        int textKind = -1, textError = 0;
        try {
            textKind = int(csvLineToBlockText(line, textFrame));
        } catch (const platform::RuntimeError &e) {
            textError = e.Number();
        }
        FUZZ_CHECK(kind == textKind && error == textError);
        FUZZ_CHECK(kind != int(CsvLine::Block) || frame == textFrame);
        bool digits = false;
        const double v = csvNumericValue(platform::codepage::fromAnsiLenient(line), &digits);
        FUZZ_CHECK(digits || v == 0);
        FUZZ_CHECK(!std::isnan(v));
        // An ASCII field's bytes give its text's value, bit for bit.
        if (std::all_of(line.cbegin(), line.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            bool byteDigits = false;
            const double b = csvNumericValue(QByteArrayView(line), &byteDigits);
            FUZZ_CHECK(byteDigits == digits && std::memcmp(&b, &v, sizeof b) == 0);
        }
    }

    clsDataD record;
    record.initData();
    int rejected = 0;
    try {
        const CsvReadCounts counts = csvReadBlocks(image, record, [&] { ++rejected; });
        FUZZ_CHECK(counts.rejected == rejected);
        FUZZ_CHECK(counts.accepted == record.count());
        FUZZ_CHECK(counts.accepted + counts.rejected <= counts.lines);
        FUZZ_CHECK(counts.lines == lines.size());
    } catch (const platform::RuntimeError &) {
    }

    const QString text = platform::codepage::fromAnsiLenient(image.left(256));
    (void)csvDefaultFileName(text);
    (void)csvCustomerFromPath(text);
    return 0;
}
