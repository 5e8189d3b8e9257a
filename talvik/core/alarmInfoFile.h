#pragma once
// The service mode's count file: one half hour per line,
// "YYYYMMDD,HHMM,caution,limit" (further fields ignored), CP932, lines ended
// by CR LF, LF or CR. A five-year file has some 88,000 lines, so it is read
// from its bytes: an ASCII line is its own text and its fields are kept as
// places in the file's bytes; only a line with other bytes is decoded.
#include "talvik/core/basComVariables.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace talvik {

class AlarmInfoTable {
public:
    // Reads the rows of a file image, one per line, in place of the table's
    // rows. A line that is empty or
    // has fewer than four fields raises run-time error 9, a line that is not
    // CP932 error 5 (as the decoding does); the rows before it stay.
    void parse(const QByteArray &bytes);
    // Appends a row given as its texts (time key, caution and limit counts).
    void append(const AlarmInfoRow &row);
    void clear();

    int count() const { return int(m_rows.size()); }
    // The time key (date and time fields joined) as the number of its
    // digits when it is twelve ASCII digits; -1 for any other text, which
    // no half hour's key can equal.
    qint64 timeKey(int row) const { return m_rows[std::size_t(row)].key; }
    // The row as texts.
    AlarmInfoRow row(int row) const;
    // Whether the row came from an ASCII line: its counts are then bytes.
    bool isAscii(int row) const { return m_rows[std::size_t(row)].text < 0; }
    // The caution (which 0) or limit (which 1) count of an ASCII row.
    QByteArrayView countBytes(int row, int which) const
    {
        const Row &r = m_rows[std::size_t(row)];
        return QByteArrayView(m_bytes.constData() + r.start + (which == 0 ? r.count1 : r.count2),
                              which == 0 ? r.count1Size : r.count2Size);
    }

private:
    struct Row {
        qint64 key;
        qsizetype start;      // the line's first byte (the date field)
        qsizetype dateSize;   // the time field follows after a ","
        qsizetype timeSize;
        qsizetype count1;     // offsets from start
        qsizetype count1Size;
        qsizetype count2;
        qsizetype count2Size;
        qsizetype text;       // index into m_texts for a decoded line, else -1
    };
    static qint64 keyOf(const QString &timeKey);

    QByteArray m_bytes;
    std::vector<Row> m_rows;
    std::vector<AlarmInfoRow> m_texts;
};

// Reads the count file at path into table. A missing file gives an empty
// table and false. A file that cannot be read, or a bad line, shows
// "GetCsvFileAlarmInfo: " and the error's description and gives false; the
// rows read in full stay.
bool readAlarmInfoFile(const QString &path, AlarmInfoTable &table);

} // namespace talvik
