// The service mode's count file: the input as a file image, read from its
// bytes (AlarmInfoTable) and through the decoded text line by line. Both
// readings must give the same rows, keys and error; the counts of an ASCII
// row must normalise from the bytes as from their text.
#include "fuzzSupport.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/core/alarmInfoFile.h"
#include "talvik/core/tests/support/alarmInfoReference.h"
#include "talvik/store/clsDataDSrv.h"

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
    AlarmInfoTable table;
    int error = 0;
    try {
        table.parse(image);
    } catch (const platform::RuntimeError &e) {
        error = e.Number();
    }
    int referenceError = 0;
    const std::vector<AlarmInfoRow> reference = alarmreference::rows(image, referenceError);
    FUZZ_CHECK(error == referenceError);
    FUZZ_CHECK(error == 0 || error == 5 || error == 9);
    FUZZ_CHECK(table.count() == int(reference.size()));
    for (int i = 0; i < table.count(); ++i) {
        const AlarmInfoRow row = table.row(i);
        const AlarmInfoRow &ref = reference[std::size_t(i)];
        FUZZ_CHECK(row.timeKey == ref.timeKey && row.cautionCount == ref.cautionCount && row.limitCount == ref.limitCount);
        bool twelveDigits = ref.timeKey.size() == 12;
        for (const QChar c : ref.timeKey)
            twelveDigits = twelveDigits && c >= u'0' && c <= u'9';
        FUZZ_CHECK(table.timeKey(i) == (twelveDigits ? ref.timeKey.toLongLong() : -1));
        if (table.isAscii(i))
            for (int which = 0; which < 2; ++which) {
                char out[4];
                clsDataDSrv::normaliseCount(table.countBytes(i, which), out);
                const QString text = which == 0 ? ref.cautionCount : ref.limitCount;
                FUZZ_CHECK(QByteArray(out, 4) == clsDataDSrv::normaliseCount(text).toLatin1());
            }
    }
    return 0;
}
