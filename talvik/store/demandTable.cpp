#include "talvik/store/demandTable.h"

#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/shell/shell.h"
#include "platform/textdb/schema.h"
#include "platform/textdb/textdb.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <utility>

namespace talvik {

QByteArray schemaText(bool serviceColumns)
{
    QByteArray s;
    s += "[demand.csv]\r\n";
    s += "ColNameHeader=False\r\n";
    s += "Format=FixedLength\r\n";
    s += "MaxScanRows=25\r\n";
    s += "CharacterSet=OEM\r\n";
    s += "DateTimeFormat=yyyy/mm/dd hh:nn:ss\r\n";
    s += "CurrencySymbol=\\\r\n";
    s += "CurrencyFormat=0\r\n";
    s += "CurrencyDigits=0\r\n";
    s += "CurrencyNegativeFormat=2\r\n";
    s += "DecimalSymbol=.\r\n";
    s += "NumberDigits=0\r\n";
    s += "NumberLeadingZeros=1\r\n";
    s += "Col1=getdt char Width 6\r\n";
    s += "Col2=gettm char Width 4\r\n";
    s += "Col3=watt char Width 4\r\n";
    s += "Col4=created char Width 12\r\n";
    if (serviceColumns) {
        s += "Col5=created1 char Width 4\r\n";
        s += "Col6=created2 char Width 4\r\n";
    }
    s += "\r\n";
    return s;
}

void initTableFolder(const QString &folder, bool serviceColumns)
{
    const QString native = platform::shell::toNativePath(folder);
    platform::fileio::writeFile(native + QStringLiteral("/schema.ini"), schemaText(serviceColumns));
    const QString table = native + u'/' + tableFileName;
    platform::fileio::writeFile(table, QByteArray());
    platform::textdb::invalidateTable(table);
}

void TableWriter::writeLine(platform::fileio::DurableFile &file, const QByteArray &line, int)
{
    // Lines are collected and written in blocks: a year table has 17,520
    // lines, and one system call per line would dominate the rewrite.
    // Appended by copy into reserved room (an append call per line costs
    // more than the copy).
    if (m_pending.capacity() < pendingLimit + line.size())
        m_pending.reserve(pendingLimit + line.size());
    const qsizetype at = m_pending.size();
    m_pending.resize(at + line.size());
    std::memcpy(m_pending.data() + at, line.constData(), std::size_t(line.size()));
    if (m_pending.size() >= pendingLimit)
        flushPending(file);
}

void TableWriter::flushPending(platform::fileio::DurableFile &file)
{
    if (m_pending.isEmpty())
        return;
    const QByteArray block = std::exchange(m_pending, QByteArray());
    file.write(block);
}

void TableWriter::replaceFile(const QString &path, const QList<QByteArray> &lines)
{
    const QString target = platform::shell::toNativePath(path);
    {
        // Destroyed without a commit (a line failed), the file drops its
        // temporary file and the target stays as it was.
        m_pending.clear();
        platform::fileio::DurableFile file(target);
        int n = 0;
        try {
            for (const QByteArray &line : lines)
                writeLine(file, line, ++n);
            flushPending(file);
        } catch (...) {
            m_pending.clear();
            throw;
        }
        file.commit();
    }
    platform::textdb::invalidateTable(target);
}

void TableWriter::replaceTable(const QString &folder, const QStringList &lines, bool serviceColumns)
{
    QList<QByteArray> encoded;
    encoded.reserve(lines.size());
    for (const QString &l : lines)
        encoded.append(platform::codepage::toAnsi(l) + "\r\n");
    replaceTableLines(folder, encoded, serviceColumns);
}

void TableWriter::replaceTableLines(const QString &folder, const QList<QByteArray> &encoded, bool serviceColumns)
{
    // The table first: a failure there leaves table and schema untouched.
    replaceFile(folder + u'\\' + tableFileName, encoded);
    const QByteArray schema = schemaText(serviceColumns);
    // A schema with the right content already is left as it is: rewriting
    // it would give the same bytes at the cost of a synced write.
    QFile current(platform::shell::toNativePath(folder + QStringLiteral("\\schema.ini")));
    if (current.open(QIODevice::ReadOnly) && current.size() == schema.size() && current.readAll() == schema)
        return;
    current.close();
    QList<QByteArray> schemaLines;
    for (qsizetype start = 0; start < schema.size();) {
        const qsizetype end = schema.indexOf('\n', start);
        schemaLines.append(schema.mid(start, end - start + 1));
        start = end + 1;
    }
    replaceFile(folder + QStringLiteral("\\schema.ini"), schemaLines);
}

QString textDriverConnectionString(const QString &folder)
{
    return QStringLiteral("Provider=MSDASQL;Extended Properties=") + u'"'
           + QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + folder + u'"';
}

void openTable(platform::textdb::Connection &cn, platform::textdb::Recordset &rs, const QString &folder,
               const QString &sql)
{
    cn.Open(textDriverConnectionString(folder), QString(), QString());
    rs.Open(sql, cn, platform::textdb::adOpenStatic, platform::textdb::adLockReadOnly, platform::textdb::adCmdText);
}

QStringList rowValues(platform::textdb::Recordset &rs, int n)
{
    QStringList values;
    values.reserve(n);
    for (int c = 0; c < n; ++c)
        values << rs.Fields(c).Value().toString();
    return values;
}

bool readOrderedRows(const QString &folder, bool serviceColumns, QByteArray &data, std::vector<TableRowView> &rows)
{
    rows.clear();
    data.clear();
    const QString native = platform::shell::toNativePath(folder);
    const QByteArray schema = schemaText(serviceColumns);
    QFile schemaFile(native + QStringLiteral("/schema.ini"));
    if (!schemaFile.open(QIODevice::ReadOnly) || schemaFile.size() != schema.size() || schemaFile.readAll() != schema)
        return false;
    QFile tableFile(native + u'/' + tableFileName);
    if (!tableFile.open(QIODevice::ReadOnly))
        return false;
    data = tableFile.readAll();
    if (tableFile.error() != QFileDevice::NoError)
        return false;
    // Plain ASCII: a text compares the same as QString and as the driver's
    // UTF-8 bytes, and every field is cut from the bytes.
    for (const char c : std::as_const(data))
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    const platform::textdb::TableSchema layout = platform::textdb::parseSchema(schema, tableFileName);
    const int ncol = std::min(6, int(layout.columns.size()));
    rows.reserve(std::size_t(data.size() / 26 + 1));
    platform::textdb::scanTable(data, layout, [&](const QByteArrayView *v) {
        // The views of an ASCII fixed-length line point into data.
        TableRowView r;
        r.count = ncol;
        for (int c = 0; c < ncol; ++c)
            r.fields[c] = v[c];
        rows.push_back(r);
    });
    // Keys (getdt, gettm) compare byte by byte, a shorter text first.
    auto compareBytes = [](QByteArrayView a, QByteArrayView b) {
        const std::size_t n = std::size_t(std::min(a.size(), b.size()));
        const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
        return c != 0 ? c : (a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0);
    };
    auto compareKeys = [&](const TableRowView &a, const TableRowView &b) {
        const int c = compareBytes(a.fields[0], b.fields[0]);
        return c != 0 ? c : compareBytes(a.fields[1], b.fields[1]);
    };
    // Tables written by the program are in order already: one pass finds
    // that (and any repeated key, which leaves the table to the driver).
    bool sorted = true;
    for (std::size_t i = 1; i < rows.size() && sorted; ++i) {
        const int c = compareKeys(rows[i - 1], rows[i]);
        if (c == 0)
            return false;
        sorted = c < 0;
    }
    if (sorted)
        return true;
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const TableRowView &a, const TableRowView &b) { return compareKeys(a, b) < 0; });
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (compareKeys(rows[i - 1], rows[i]) == 0)
            return false;
    return true;
}

bool readOrderedTable(const QString &folder, bool serviceColumns, QList<QStringList> &rows)
{
    rows.clear();
    QByteArray data;
    std::vector<TableRowView> read;
    if (!readOrderedRows(folder, serviceColumns, data, read))
        return false;
    rows.reserve(qsizetype(read.size()));
    for (const TableRowView &r : read) {
        QStringList values;
        values.reserve(r.count);
        for (int c = 0; c < r.count; ++c)
            values << QString::fromLatin1(r.fields[c].data(), r.fields[c].size());
        rows.append(std::move(values));
    }
    return true;
}

bool tableHasCountColumns(const QString &folder, bool otherwise)
{
    QFile schemaFile(platform::shell::toNativePath(folder) + QStringLiteral("/schema.ini"));
    if (!schemaFile.open(QIODevice::ReadOnly))
        return otherwise;
    const QByteArray text = schemaFile.readAll();
    if (schemaFile.error() != QFileDevice::NoError)
        return otherwise;
    try {
        const platform::textdb::TableSchema layout = platform::textdb::parseSchema(text, tableFileName);
        bool caution = false, limit = false;
        for (const platform::textdb::ColumnSpec &c : layout.columns) {
            caution = caution || c.name.compare(QStringLiteral("created1"), Qt::CaseInsensitive) == 0;
            limit = limit || c.name.compare(QStringLiteral("created2"), Qt::CaseInsensitive) == 0;
        }
        return caution && limit;
    } catch (...) {
        return otherwise;
    }
}

QString yearFolderName(const QString &yy)
{
    return QStringLiteral("20") + yy + QStringLiteral("年");
}

} // namespace talvik
