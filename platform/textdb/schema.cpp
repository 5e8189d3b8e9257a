#include "platform/textdb/schema.h"

#include "platform/codepage/codepage.h"
#include "platform/runtime/runtime_error.h"
#include "platform/textdb/textdb.h"

#include <QList>
#include <cstring>
#include <QRegularExpression>

namespace platform::textdb {

namespace {

[[noreturn]] void schemaError(const QString &text)
{
    throw RuntimeError(textdbErrorNumber, text);
}

ColumnType typeOf(const QString &word)
{
    const QString t = word.toLower();
    if (t == u"integer" || t == u"short" || t == u"long" || t == u"byte" || t == u"bit")
        return ColumnType::Integer;
    if (t == u"double" || t == u"float" || t == u"single" || t == u"currency")
        return ColumnType::Real;
    return ColumnType::Text; // char, text, memo, date, datetime
}

QString trimRight(const QString &s)
{
    int n = s.size();
    while (n > 0 && (s[n - 1] == u' ' || s[n - 1] == u'\t'))
        --n;
    return s.left(n);
}

QVector<QString> splitDelimited(const QString &line)
{
    QVector<QString> out;
    QString cur;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < line.size() && line[i + 1] == u'"') {
                    cur += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cur += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            out.push_back(cur.trimmed());
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur.trimmed());
    return out;
}

} // namespace

TableSchema parseSchema(const QByteArray &schemaIni, const QString &tableFile)
{
    TableSchema schema;
    schema.table = tableFile;
    const QString text = codepage::fromAnsiLenient(schemaIni);
    bool inSection = false;
    bool found = false;
    QList<QPair<int, ColumnSpec>> cols;
    static const QRegularExpression colKey(QStringLiteral("^col(\\d+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inSection = line.mid(1, line.size() - 2).trimmed().compare(tableFile, Qt::CaseInsensitive) == 0;
            found = found || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const int eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(u"ColNameHeader", Qt::CaseInsensitive) == 0) {
            schema.colNameHeader = value.compare(u"True", Qt::CaseInsensitive) == 0;
        } else if (key.compare(u"Format", Qt::CaseInsensitive) == 0) {
            schema.fixedLength = value.compare(u"FixedLength", Qt::CaseInsensitive) == 0;
        } else if (const auto m = colKey.match(key); m.hasMatch()) {
            // ColN=name type [Width w]
            const QStringList words = value.split(u' ', Qt::SkipEmptyParts);
            if (words.isEmpty())
                schemaError(QStringLiteral("schema.ini の %1 が正しくありません。").arg(key));
            ColumnSpec spec;
            spec.name = words[0];
            if (words.size() > 1)
                spec.type = typeOf(words[1]);
            for (int i = 1; i + 1 < words.size(); ++i) {
                if (words[i].compare(u"Width", Qt::CaseInsensitive) == 0) {
                    bool ok = false;
                    spec.width = words[i + 1].toInt(&ok);
                    if (!ok || spec.width <= 0)
                        schemaError(QStringLiteral("schema.ini の %1 の幅が正しくありません。").arg(key));
                }
            }
            cols.append({m.captured(1).toInt(), spec});
        }
    }
    if (!found)
        schemaError(QStringLiteral("schema.ini に [%1] がありません。").arg(tableFile));
    std::sort(cols.begin(), cols.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &c : cols) {
        if (schema.fixedLength && c.second.width <= 0)
            schemaError(QStringLiteral("schema.ini の列 %1 に幅がありません。").arg(c.second.name));
        schema.columns.push_back(c.second);
    }
    if (schema.columns.isEmpty())
        schemaError(QStringLiteral("schema.ini の [%1] に列がありません。").arg(tableFile));
    return schema;
}

void scanTable(const QByteArray &data, const TableSchema &schema,
               const std::function<void(const QByteArrayView *values)> &row)
{
    const int ncol = int(schema.columns.size());
    QVector<QByteArrayView> values(ncol);
    QVector<QByteArray> decoded(ncol); // UTF-8 of fields that needed decoding
    const char *const bytes = data.constData();
    const qsizetype size = data.size();
    qsizetype start = 0;
    bool first = true;
    while (start < size) {
        const void *nl = std::memchr(bytes + start, '\n', std::size_t(size - start));
        const qsizetype end = nl ? static_cast<const char *>(nl) - bytes : size;
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        const char *const line = bytes + start;
        const qsizetype len = stop - start;
        start = end + 1;
        if (len == 0 || (len == 1 && line[0] == '\x1a'))
            continue;
        if (first && schema.colNameHeader) {
            first = false;
            continue;
        }
        first = false;
        if (schema.fixedLength) {
            // Bytes below 0x80 decode to the same code points, so a plain ASCII
            // line needs no conversion; trimming works on the bytes alike.
            bool ascii = true;
            for (qsizetype i = 0; i < len; ++i) {
                if (static_cast<unsigned char>(line[i]) >= 0x80) {
                    ascii = false;
                    break;
                }
            }
            qsizetype pos = 0;
            for (int c = 0; c < ncol; ++c) {
                const int w = schema.columns[c].width;
                if (pos < len) {
                    const qsizetype n = qMin<qsizetype>(w, len - pos);
                    if (ascii) {
                        qsizetype k = n;
                        while (k > 0 && (line[pos + k - 1] == ' ' || line[pos + k - 1] == '\t'))
                            --k;
                        values[c] = QByteArrayView(line + pos, k);
                    } else {
                        decoded[c] = trimRight(codepage::fromAnsiLenient(QByteArray(line + pos, n))).toUtf8();
                        values[c] = QByteArrayView(decoded[c]);
                    }
                } else {
                    values[c] = QByteArrayView();
                }
                pos += w;
            }
        } else {
            const QVector<QString> fields = splitDelimited(codepage::fromAnsiLenient(QByteArray(line, len)));
            for (int c = 0; c < ncol; ++c) {
                if (c < fields.size()) {
                    decoded[c] = fields[c].toUtf8();
                    values[c] = QByteArrayView(decoded[c]);
                } else {
                    values[c] = QByteArrayView();
                }
            }
        }
        row(values.constData());
    }
}

QVector<QVector<QString>> parseTable(const QByteArray &data, const TableSchema &schema)
{
    QVector<QVector<QString>> rows;
    const int ncol = int(schema.columns.size());
    scanTable(data, schema, [&](const QByteArrayView *values) {
        QVector<QString> r(ncol);
        for (int c = 0; c < ncol; ++c)
            if (!values[c].isNull())
                r[c] = QString::fromUtf8(values[c]);
        rows.push_back(std::move(r));
    });
    return rows;
}

} // namespace platform::textdb
