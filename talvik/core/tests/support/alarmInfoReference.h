#pragma once
// The straightforward reading of a count file, line by line through the
// decoded text: each line decoded from CP932, split at ",", its time key the
// first two fields joined. The byte reading (AlarmInfoTable) is held to it
// by the equality tests and the fuzz harness.
#include "platform/codepage/codepage.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/core/basComVariables.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <vector>

namespace alarmreference {

// The rows of a file image; `error` receives the run-time error number that
// stopped the reading (0 when none), the rows before it stay.
inline std::vector<talvik::AlarmInfoRow> rows(const QByteArray &bytes, int &error)
{
    std::vector<talvik::AlarmInfoRow> out;
    error = 0;
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        lines.append(bytes.mid(start, end - start));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    try {
        for (const QByteArray &bytesOfLine : lines) {
            const QString line = platform::codepage::fromAnsi(bytesOfLine);
            const QStringList fields = line.split(QLatin1Char(','));
            if (line.isEmpty() || fields.size() < 4)
                platform::raise(platform::err::SubscriptOutOfRange);
            out.push_back(talvik::AlarmInfoRow{fields[0] + fields[1], fields[2], fields[3]});
        }
    } catch (const platform::RuntimeError &e) {
        error = e.Number();
    }
    return out;
}

} // namespace alarmreference
