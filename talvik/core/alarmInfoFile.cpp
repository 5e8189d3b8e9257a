#include "talvik/core/alarmInfoFile.h"

#include "platform/codepage/codepage.h"
#include "platform/forms/constants.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"

#include <QFile>
#include <QStringList>

namespace talvik {

namespace {

// The number of twelve ASCII digits; -1 for anything else.
qint64 twelveDigits(const char *a, qsizetype aSize, const char *b, qsizetype bSize)
{
    if (aSize + bSize != 12)
        return -1;
    qint64 key = 0;
    for (qsizetype i = 0; i < 12; ++i) {
        const char c = i < aSize ? a[i] : b[i - aSize];
        if (c < '0' || c > '9')
            return -1;
        key = key * 10 + (c - '0');
    }
    return key;
}

} // namespace

qint64 AlarmInfoTable::keyOf(const QString &timeKey)
{
    if (timeKey.size() != 12)
        return -1;
    char digits[12];
    for (int i = 0; i < 12; ++i) {
        const char16_t c = timeKey[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        digits[i] = char(c);
    }
    return twelveDigits(digits, 12, nullptr, 0);
}

void AlarmInfoTable::clear()
{
    m_bytes.clear();
    m_rows.clear();
    m_texts.clear();
}

void AlarmInfoTable::append(const AlarmInfoRow &row)
{
    m_texts.push_back(row);
    m_rows.push_back(Row{keyOf(row.timeKey), 0, 0, 0, 0, 0, 0, 0, qsizetype(m_texts.size() - 1)});
}

AlarmInfoRow AlarmInfoTable::row(int row) const
{
    const Row &r = m_rows[std::size_t(row)];
    if (r.text >= 0)
        return m_texts[std::size_t(r.text)];
    const char *line = m_bytes.constData() + r.start;
    return AlarmInfoRow{QString::fromLatin1(line, r.dateSize) + QString::fromLatin1(line + r.dateSize + 1, r.timeSize),
                        QString::fromLatin1(line + r.count1, r.count1Size),
                        QString::fromLatin1(line + r.count2, r.count2Size)};
}

void AlarmInfoTable::parse(const QByteArray &bytes)
{
    clear();
    m_bytes = bytes;
    const char *data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    m_rows.reserve(std::size_t(size / 20));
    // Lines as Line Input reads them: CR LF, LF or CR end a line; a final
    // line end adds no empty line. (CR and LF never occur inside a CP932
    // double-byte character, so the bytes are split before decoding.)
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        bool ascii = true;
        qsizetype comma[3] = {-1, -1, -1}; // the first three ","
        int commas = 0;
        for (; end < size; ++end) {
            const char c = data[end];
            if (c == '\r' || c == '\n')
                break;
            if (static_cast<unsigned char>(c) >= 0x80)
                ascii = false;
            else if (c == ',' && commas < 3)
                comma[commas++] = end - start;
        }
        if (ascii) {
            // An empty line has no fields at all; a short one lacks some.
            if (end == start || commas < 3)
                platform::raise(platform::err::SubscriptOutOfRange);
            // The fourth field ends at the next "," or the line's end.
            qsizetype fourthEnd = end - start;
            for (qsizetype i = start + comma[2] + 1; i < end; ++i)
                if (data[i] == ',') {
                    fourthEnd = i - start;
                    break;
                }
            const char *line = data + start;
            Row r;
            r.start = start;
            r.dateSize = comma[0];
            r.timeSize = comma[1] - comma[0] - 1;
            r.count1 = comma[1] + 1;
            r.count1Size = comma[2] - comma[1] - 1;
            r.count2 = comma[2] + 1;
            r.count2Size = fourthEnd - comma[2] - 1;
            r.text = -1;
            r.key = twelveDigits(line, r.dateSize, line + comma[0] + 1, r.timeSize);
            m_rows.push_back(r);
        } else {
            const QString line = platform::codepage::fromAnsi(m_bytes.sliced(start, end - start));
            const QStringList fields = line.split(QLatin1Char(','));
            if (line.isEmpty() || fields.size() < 4)
                platform::raise(platform::err::SubscriptOutOfRange);
            append(AlarmInfoRow{fields[0] + fields[1], fields[2], fields[3]});
        }
        if (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

bool readAlarmInfoFile(const QString &path, AlarmInfoTable &table)
{
    table.clear();
    if (!fileExists(path))
        return false;
    try {
        QFile file(platform::shell::toNativePath(path));
        if (!file.open(QIODevice::ReadOnly))
            platform::raise(platform::err::PathFileAccess);
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            platform::raise(platform::err::DeviceIO);
        file.close();
        table.parse(bytes);
    } catch (const platform::RuntimeError &e) {
        platform::forms::MsgBox(QStringLiteral("GetCsvFileAlarmInfo: ") + e.Description(), platform::forms::vbOKOnly);
        return false;
    }
    return true;
}

} // namespace talvik
