// The table loader cuts plain ASCII lines straight from the bytes and decodes
// only other lines. Its rows, and the values the engine stores from them, are
// compared with a plain reading that decodes every field through CP932 (kept
// here as the reference) on hand-made and generated inputs: ASCII, Japanese,
// half-width kana, bad bytes, control bytes, short and long lines, blank and
// end-of-file lines, numbers with blanks, quoted CSV fields.
#include "platform/codepage/codepage.h"
#include "platform/textdb/schema.h"
#include "platform/textdb/textdb.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace platform::textdb;
namespace codepage = platform::codepage;

namespace {

// --- Reference reading: every field decoded on its own, as QString. ---------

QString refTrimRight(const QString &s)
{
    int n = int(s.size());
    while (n > 0 && (s[n - 1] == u' ' || s[n - 1] == u'\t'))
        --n;
    return s.left(n);
}

QVector<QString> refSplitDelimited(const QString &line)
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

QVector<QVector<QString>> refParseTable(const QByteArray &data, const TableSchema &schema)
{
    QVector<QVector<QString>> rows;
    const int ncol = int(schema.columns.size());
    qsizetype start = 0;
    bool first = true;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        qsizetype stop = end;
        if (stop > start && data[stop - 1] == '\r')
            --stop;
        const QByteArray line = data.mid(start, stop - start);
        start = end + 1;
        if (line.isEmpty() || line == "\x1a")
            continue;
        if (first && schema.colNameHeader) {
            first = false;
            continue;
        }
        first = false;
        QVector<QString> row(ncol);
        if (schema.fixedLength) {
            qsizetype pos = 0;
            for (int c = 0; c < ncol; ++c) {
                const int w = schema.columns[c].width;
                if (pos < line.size())
                    row[c] = refTrimRight(codepage::fromAnsiLenient(line.mid(pos, w)));
                pos += w;
            }
        } else {
            const QVector<QString> fields = refSplitDelimited(codepage::fromAnsiLenient(line));
            for (int c = 0; c < ncol && c < fields.size(); ++c)
                row[c] = fields[c];
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// The value the engine is expected to keep for a reference field.
QVariant refValue(const QString &v, ColumnType type)
{
    bool ok = false;
    switch (type) {
    case ColumnType::Integer: {
        const qlonglong n = v.trimmed().toLongLong(&ok);
        return ok ? QVariant(n) : QVariant();
    }
    case ColumnType::Real: {
        const double d = v.trimmed().toDouble(&ok);
        return ok && !std::isnan(d) ? QVariant(d) : QVariant(); // the engine keeps NaN as NULL
    }
    case ColumnType::Text:
        return QVariant(QString::fromUtf8(v.toUtf8()));
    }
    return QVariant();
}

// --- Inputs ------------------------------------------------------------------

const QByteArray kJapanese = codepage::toAnsi(QStringLiteral("電力需要 お客さま"));
const QByteArray kIdeographicSpace = codepage::toAnsi(QStringLiteral("\u3000"));

// A random piece of a line: plain ASCII most of the time, else something that
// is not (Japanese pairs, half-width kana, bad bytes, a lone lead byte).
QByteArray randomPiece(std::mt19937 &rng)
{
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    switch (pick(16)) {
    case 0:
        return kJapanese.mid(pick(int(kJapanese.size())), 1 + pick(6));
    case 1:
        return QByteArray(1, char(0xA1 + pick(0xDF - 0xA1 + 1))); // half-width kana
    case 2: {
        static const char bad[] = {char(0x80), char(0xA0), char(0xFD), char(0xFE), char(0xFF)};
        return QByteArray(1, bad[pick(5)]);
    }
    case 3:
        return QByteArray(1, char(0x81 + pick(0x1F))); // lead byte, whatever follows
    case 4:
        return kIdeographicSpace;
    case 5:
        return QByteArray(1 + pick(3), pick(2) ? ' ' : '\t');
    case 6: {
        static const char *numbers[] = {"12", "-7", " 42 ", "+3", "007", "1.5", " -2.25", "1e3",
                                        "9223372036854775807", "9223372036854775808", "12a", "0x1F", ".", "-"};
        return QByteArray(numbers[pick(14)]);
    }
    case 7: {
        static const char special[] = {'"', ',', '\r', '\x1a', '\0', '\x7f', '\\', '~'};
        return QByteArray(1, special[pick(8)]);
    }
    default:
        return QByteArray(1, char(0x01 + pick(0x7E))); // any ASCII byte but NUL (line feed becomes a break)
    }
}

QByteArray randomTable(std::mt19937 &rng, int lines)
{
    QByteArray data;
    for (int i = 0; i < lines; ++i) {
        const int kind = int(rng() % 12u);
        if (kind == 0) {
            // blank line
        } else if (kind == 1) {
            data += '\x1a';
        } else {
            const int pieces = int(rng() % 14u);
            for (int p = 0; p < pieces; ++p)
                data += randomPiece(rng);
        }
        if (i + 1 < lines || rng() % 2u)
            data += rng() % 3u ? "\r\n" : "\n";
    }
    return data;
}

TableSchema fixedSchema(bool header)
{
    TableSchema s;
    s.table = QStringLiteral("t.txt");
    s.colNameHeader = header;
    s.fixedLength = true;
    s.columns = {{QStringLiteral("a"), ColumnType::Text, 3},
                 {QStringLiteral("b"), ColumnType::Integer, 5},
                 {QStringLiteral("c"), ColumnType::Real, 6},
                 {QStringLiteral("d"), ColumnType::Text, 1},
                 {QStringLiteral("e"), ColumnType::Text, 7}};
    return s;
}

TableSchema csvSchema(bool header)
{
    TableSchema s = fixedSchema(header);
    s.fixedLength = false;
    for (ColumnSpec &c : s.columns)
        c.width = 0;
    return s;
}

const char *kSchemaIniFixed = "[t.txt]\r\nColNameHeader=False\r\nFormat=FixedLength\r\n"
                              "Col1=a char Width 3\r\nCol2=b Integer Width 5\r\nCol3=c Double Width 6\r\n"
                              "Col4=d char Width 1\r\nCol5=e char Width 7\r\n\r\n";
const char *kSchemaIniCsv = "[t.txt]\r\nColNameHeader=True\r\nFormat=CSVDelimited\r\n"
                            "Col1=a char\r\nCol2=b Integer\r\nCol3=c Double\r\nCol4=d char\r\nCol5=e char\r\n\r\n";

// Hand-made lines for the fixed-width schema (widths 3,5,6,1,7 = 22 bytes).
QByteArray handMadeFixed()
{
    QByteArray d;
    d += "abc  123 1.5  xtail   \r\n";               // full ASCII line, blanks trimmed
    d += "ab\t 00042-2.25 yshort\r\n";               // tab inside, leading zeros, negative real
    d += "x\r\n";                                     // short: only the first field
    d += "abc12\r\n";                                 // cut inside the second field
    d += "\r\n\n\x1a\r\n";                            // blank lines and an end-of-file mark
    d += "   " "     " "      " " " "       " "\r\n"; // all blanks: empty texts, NULL numbers
    d += "abc 12a 1e3   z" + kJapanese + "\r\n";      // Japanese at the end, cut by byte width
    d += kJapanese + "\r\n";                           // a pair cut across fields
    d += "ab\x81" "1234 5.0   q" "\xFF\xFE\x80" "ok\r\n"; // lead byte cut off, bad bytes
    d += "ab " + kIdeographicSpace + " 12 1.0   q\r\n"; // ideographic space around a number
    d += "abc 9223372036854775807\r\n";                 // overlong number spans fields
    d += "ab\"" ",,,   0.5  \\~\x7f\x01x\r\n";         // quotes and commas are plain bytes here
    d += "abc  123 1.5  xtail   and more past the last column\r\n";
    d += QByteArray("a\0c", 3) + "  123\r\n";          // NUL byte inside a field
    d += "last line without break";
    return d;
}

QByteArray handMadeCsv()
{
    QByteArray d;
    d += "a,b,c,d,e\r\n"; // header
    d += "abc, 12 ,1.5,x,tail\r\n";
    d += "\"quoted, with comma\",\"1\"\"2\",  -2.5  ,\"\" ,\r\n";
    d += kJapanese + "," + kIdeographicSpace + "7" + kIdeographicSpace + ",,\xFF,\x81\r\n";
    d += "only one\r\n";
    d += "\r\n\x1a\r\n";
    d += "1,2,3,4,5,6,7\r\n";
    d += "\"unterminated, quote\n";
    return d;
}

class TableLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(folder + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // Loads `data` as t.txt through the engine and compares every stored value
    // (type and content) with the reference reading.
    void expectEngineMatches(const QByteArray &schemaIni, const QByteArray &data, const std::string &what)
    {
        write(QStringLiteral("schema.ini"), schemaIni);
        write(QStringLiteral("t.txt"), data);
        invalidateTable(folder + QStringLiteral("/t.txt"));
        const TableSchema schema = parseSchema(schemaIni, QStringLiteral("t.txt"));
        const auto expected = refParseTable(data, schema);

        Connection cn;
        cn.Open(QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + folder);
        Recordset rs;
        rs.Open(QStringLiteral("Select a,b,c,d,e from t.txt"), cn);
        ASSERT_EQ(rs.RecordCount(), long(expected.size())) << what;
        for (long r = 0; r < rs.RecordCount(); ++r) {
            const auto &row = rs.row(r);
            for (int c = 0; c < schema.columns.size(); ++c) {
                const QVariant want = refValue(expected[r][c], schema.columns[c].type);
                const QVariant &got = row[std::size_t(c)];
                EXPECT_EQ(got.metaType(), want.metaType()) << what << " row " << r << " column " << c;
                EXPECT_EQ(got, want) << what << " row " << r << " column " << c << ": "
                                     << got.toString().toStdString() << " / " << want.toString().toStdString();
            }
        }
    }

    QTemporaryDir dir;
    QString folder;
};

TEST_F(TableLoader, RowsMatchTheReferenceReading)
{
    const QList<TableSchema> schemas = {fixedSchema(false), fixedSchema(true), csvSchema(false), csvSchema(true)};
    const QByteArray handMade[] = {handMadeFixed(), handMadeCsv(), QByteArray(), QByteArray("\r\n"),
                                   QByteArray("\x1a"), QByteArray("x")};
    for (const TableSchema &s : schemas)
        for (const QByteArray &d : handMade)
            EXPECT_EQ(parseTable(d, s), refParseTable(d, s)) << d.toHex().toStdString();

    std::mt19937 rng(20240513);
    for (int i = 0; i < 400; ++i) {
        const QByteArray d = randomTable(rng, 1 + int(rng() % 30u));
        for (const TableSchema &s : schemas)
            ASSERT_EQ(parseTable(d, s), refParseTable(d, s))
                << "table " << i << " fixed " << s.fixedLength << " header " << s.colNameHeader << ": "
                << d.toHex().toStdString();
    }
}

TEST_F(TableLoader, PlainAsciiFieldsKeepEveryByte)
{
    // Every byte below 0x80 but the line feed, cut by width, read as the
    // decoding reads it.
    QByteArray d;
    for (int b = 0; b < 0x80; ++b)
        if (b != '\n')
            d += char(b);
    d += "\r\n";
    const TableSchema s = fixedSchema(false);
    const auto rows = parseTable(d, s);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows, refParseTable(d, s));
    EXPECT_EQ(rows[0][0], QString::fromLatin1(QByteArray("\0\1\2", 3)));
}

TEST_F(TableLoader, EngineStoresTheReferenceValues)
{
    expectEngineMatches(kSchemaIniFixed, handMadeFixed(), "hand-made fixed");
    expectEngineMatches(kSchemaIniCsv, handMadeCsv(), "hand-made csv");
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
        const QByteArray d = randomTable(rng, 1 + int(rng() % 40u));
        expectEngineMatches(kSchemaIniFixed, d, "random fixed " + std::to_string(i));
        expectEngineMatches(kSchemaIniCsv, d, "random csv " + std::to_string(i));
    }
}

TEST_F(TableLoader, MissingFieldsAreEmptyTextsAndNullNumbers)
{
    write(QStringLiteral("schema.ini"), kSchemaIniFixed);
    write(QStringLiteral("t.txt"), "ab\r\n");
    Connection cn;
    cn.Open(QStringLiteral("DBQ=") + folder);
    Recordset rs;
    rs.Open(QStringLiteral("Select a,b,c,d,e from t.txt"), cn);
    ASSERT_EQ(rs.RecordCount(), 1);
    const auto &row = rs.row(0);
    EXPECT_EQ(row[0], QVariant(QStringLiteral("ab")));
    EXPECT_FALSE(row[1].isValid());
    EXPECT_FALSE(row[2].isValid());
    EXPECT_EQ(row[3].metaType(), QMetaType::fromType<QString>());
    EXPECT_EQ(row[3].toString(), QString());
    EXPECT_EQ(row[4].metaType(), QMetaType::fromType<QString>());
}

} // namespace
