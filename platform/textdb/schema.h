#pragma once
// "schema.ini" of a text-table folder and the reading of one table by it.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>

#include <functional>

namespace platform::textdb {

enum class ColumnType { Text, Integer, Real };

struct ColumnSpec {
    QString name;
    ColumnType type = ColumnType::Text;
    int width = 0; // bytes, for fixed-length tables
};

struct TableSchema {
    QString table;              // section name, e.g. "demand.csv"
    bool colNameHeader = false; // first line holds the column names
    bool fixedLength = true;    // Format=FixedLength; otherwise CSVDelimited
    QVector<ColumnSpec> columns;
};

// Reads the section of `tableFile` from the schema.ini text (CP932 bytes).
// Section and key names compare case-insensitively. Raises a RuntimeError when
// the section is missing, has no columns, or a column line is malformed.
TableSchema parseSchema(const QByteArray &schemaIni, const QString &tableFile);

// Splits the table file into rows of column values per the schema. Lines end
// with CR LF or LF; empty lines are skipped. Fixed-length fields are cut by
// byte width (a short line gives empty trailing fields), decoded as CP932 and
// stripped of trailing blanks.
QVector<QVector<QString>> parseTable(const QByteArray &data, const TableSchema &schema);

// The rows of parseTable without building them: calls `row` once per data row
// with one UTF-8 value per schema column (the values parseTable gives, encoded
// as UTF-8; a field past the end of a short line is an empty view). The views
// point into `data` or into buffers reused for the next row, so they are valid
// during the call only. A fixed-length line of plain ASCII is cut straight from
// the bytes; any other line goes through the CP932 decoding per field.
void scanTable(const QByteArray &data, const TableSchema &schema,
               const std::function<void(const QByteArrayView *values)> &row);

} // namespace platform::textdb
