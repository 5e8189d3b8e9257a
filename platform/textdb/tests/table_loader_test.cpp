// The table loader cuts plain ASCII lines straight from the bytes and decodes
// only other lines. Its rows, and the values the engine stores from them, are
// checked against tables written out by hand from the file format (fixed
// widths in bytes with trailing blanks cut, or comma-separated fields with
// quotes, doubled quotes and blanks around the field cut), and against tables
// generated from known field values: ASCII, Japanese, half-width kana, bad
// bytes, control bytes, short and long lines, blank and end-of-file lines,
// numbers with blanks, quoted CSV fields.
#include "platform/codepage/codepage.h"
#include "platform/textdb/schema.h"
#include "platform/textdb/textdb.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

using namespace platform::textdb;
namespace codepage = platform::codepage;

namespace {

using Rows = QVector<QVector<QString>>;

const QByteArray kJapanese = codepage::toAnsi(QStringLiteral("電力需要 お客さま"));
const QByteArray kIdeographicSpace = codepage::toAnsi(QStringLiteral("\u3000"));
const QString kBad = QString(QChar(0xFFFD)); // what the reading makes of a byte it cannot decode

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

// --- Hand-made tables and their rows, written from the format ---------------

// Fixed widths 3,5,6,1,7 = 22 bytes. A field is its bytes, decoded, with the
// blanks and tabs at its right end cut; a line that stops early leaves the
// fields after it out (null), bytes past the last column are ignored.
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

Rows handMadeFixedRows()
{
    const QString n; // a field past the end of its line
    return {
        {"abc", "  123", " 1.5", "x", "tail"},
        {"ab", " 0004", "2-2.25", "", "yshort"},
        {"x", n, n, n, n},
        {"abc", "12", n, n, n},
        {"", "", "", "", ""},
        // 力 is 97 CD: its second byte, alone, is the half-width kana ﾍ; 要 is 97 76.
        {"abc", " 12a", "1e3", "z", QStringLiteral("電力需") + kBad},
        {QStringLiteral("電") + kBad, QStringLiteral("ﾍ需要"), QStringLiteral(" お客") + kBad, QStringLiteral("ｳ"),
         QStringLiteral("ま")},
        {"ab" + kBad, "1234", "5.0", "q", kBad + kBad + kBad + "ok"},
        {"ab", QStringLiteral("\u3000 12"), " 1.0", "", "q"},
        {"abc", " 9223", "372036", "8", "5477580"},
        {"ab\"", ",,,", " 0.5", "\\", "~\x7f\x01x"},
        {"abc", "  123", " 1.5", "x", "tail"},
        {QString::fromLatin1("a\0c", 3), "  123", n, n, n},
        {"las", "t lin", "e with", "o", "ut brea"},
    };
}

// Comma-separated: a field runs to the next comma outside quotes; a quote
// opens or closes a quoted part, two quotes inside it stand for one; the
// field is cut of blanks at both ends. Lines are decoded before the split.
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

Rows handMadeCsvRows()
{
    const QString n;
    return {
        {"a", "b", "c", "d", "e"},
        {"abc", "12", "1.5", "x", "tail"},
        {"quoted, with comma", "1\"2", "-2.5", "", ""},
        {QStringLiteral("電力需要 お客さま"), "7", "", kBad, kBad},
        {"only one", n, n, n, n},
        {"1", "2", "3", "4", "5"},
        {"unterminated, quote", n, n, n, n},
    };
}

// A field as UTF-8 in quotes, null as (null), for failure messages.
std::string show(const QString &field)
{
    return field.isNull() ? std::string("(null)") : '"' + field.toStdString() + '"';
}

// The rows read, row by row and field by field against the rows expected.
::testing::AssertionResult sameRows(const Rows &got, const Rows &want)
{
    for (qsizetype r = 0; r < std::min(got.size(), want.size()); ++r) {
        for (qsizetype c = 0; c < std::max(got[r].size(), want[r].size()); ++c) {
            const QString g = c < got[r].size() ? got[r][c] : QString();
            const QString w = c < want[r].size() ? want[r][c] : QString();
            if (g != w)
                return ::testing::AssertionFailure()
                       << "row " << r << " field " << c << ": read " << show(g) << ", expected " << show(w);
        }
    }
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << got.size() << " rows read, " << want.size() << " expected";
    return ::testing::AssertionSuccess();
}

Rows withoutHeader(Rows rows)
{
    rows.removeFirst();
    return rows;
}

// --- Generated tables: known fields, written out as the format says ---------

// A field value and the bytes that stand for it in the file.
struct Field {
    QString text;
    QByteArray bytes;
};

struct Generated {
    QByteArray data;
    Rows rows;
    // The numbers of columns b and c where the row has them (nullopt: NULL).
    QVector<std::optional<qlonglong>> integers;
    QVector<std::optional<double>> reals;
};

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int pick(int n) { return int(m_rng() % unsigned(n)); }

    // A value of at most `maxBytes` bytes in CP932, neither starting nor
    // ending in a blank (the reading cuts those), with no line break.
    Field text(int maxBytes, bool allowQuotesAndCommas)
    {
        static const QStringList wide = {QStringLiteral("電"), QStringLiteral("需"), QStringLiteral("お"),
                                         QStringLiteral("ア"), QStringLiteral("\u3000"), QStringLiteral("表"),
                                         QStringLiteral("ソ")};
        Field f;
        const int target = pick(maxBytes + 1);
        while (f.bytes.size() < target) {
            QString c;
            switch (pick(8)) {
            case 0:
                c = wide[pick(int(wide.size()))];
                break;
            case 1:
                c = QChar(0xFF61 + pick(0x3F)); // half-width kana, one byte
                break;
            case 2:
                c = pick(2) ? QStringLiteral(" ") : QStringLiteral("\t");
                break;
            case 3:
                c = pick(2) ? QStringLiteral(",") : QStringLiteral("\"");
                if (!allowQuotesAndCommas)
                    c = QStringLiteral("~");
                break;
            default:
                c = QChar(0x21 + pick(0x7F - 0x21)); // printable ASCII but blank
                if (!allowQuotesAndCommas && (c == u',' || c == u'"'))
                    c = QStringLiteral("x");
                break;
            }
            const QByteArray b = codepage::toAnsi(c);
            if (f.bytes.size() + b.size() > maxBytes)
                break;
            f.text += c;
            f.bytes += b;
        }
        // Blanks at either end are not part of a value.
        while (!f.text.isEmpty() && f.text.back().isSpace()) {
            f.text.chop(1);
            f.bytes = codepage::toAnsi(f.text);
        }
        while (!f.text.isEmpty() && f.text.front().isSpace()) {
            f.text.remove(0, 1);
            f.bytes = codepage::toAnsi(f.text);
        }
        return f;
    }

    // An integer column: the number, written with blanks around it, or a
    // text that is no number.
    Field integer(int width, std::optional<qlonglong> &value)
    {
        static const char *notNumbers[] = {"12a", "0x1F", "-", "1.5", ""};
        if (pick(4) == 0) {
            value.reset();
            const char *t = notNumbers[pick(5)];
            return {QString::fromLatin1(t), QByteArray(t)};
        }
        const qlonglong n = pick(2) ? pick(1000) : -pick(100);
        value = n;
        QByteArray b = QByteArray::number(n);
        if (pick(3) == 0 && b.size() < width && n >= 0)
            b.prepend('0');
        if (pick(3) == 0 && b.size() < width)
            b.prepend(' ');
        return {QString::fromLatin1(b), b};
    }

    // A real column, from a list of spellings with the values they stand for.
    Field real(std::optional<double> &value)
    {
        struct Spelling {
            const char *text;
            std::optional<double> value;
        };
        static const Spelling spellings[] = {{"1.5", 1.5},   {"-2.25", -2.25}, {"1e3", 1000.0}, {"0", 0.0},
                                             {"0.5", 0.5},   {"12", 12.0},     {"1.2.3", {}},   {"e", {}},
                                             {"-0.125", -0.125}};
        const Spelling &s = spellings[pick(int(std::size(spellings)))];
        value = s.value;
        return {QString::fromLatin1(s.text), QByteArray(s.text)};
    }

    QByteArray lineBreak() { return pick(3) ? "\r\n" : "\n"; }

    // Blank lines and end-of-file marks, which the reading passes over.
    QByteArray skippedLines()
    {
        QByteArray d;
        while (pick(5) == 0)
            d += (pick(2) ? QByteArray("\x1a") : QByteArray()) + lineBreak();
        return d;
    }

    Generated fixedTable(bool header, int lines)
    {
        const TableSchema s = fixedSchema(header);
        Generated g;
        if (header)
            g.data += "a  b    c     de      " + lineBreak();
        for (int i = 0; i < lines; ++i) {
            g.data += skippedLines();
            QVector<QString> row(5);
            std::optional<qlonglong> n;
            std::optional<double> r;
            const int fields = 1 + pick(5); // the line stops after this many fields
            bool extra = false;
            QByteArray line;
            for (int c = 0; c < fields; ++c) {
                const int w = s.columns[c].width;
                Field f = c == 1 ? integer(w, n) : c == 2 ? real(r) : text(w, true);
                // A field's blanks at the left stay part of it.
                if (c != 1 && !f.text.isEmpty() && f.bytes.size() < w && pick(4) == 0) {
                    f.bytes.prepend(' ');
                    f.text.prepend(u' ');
                }
                row[c] = f.text;
                line += f.bytes;
                // The last field of a line may stop before its width, unless
                // bytes past the last column follow.
                if (c + 1 < fields || pick(2) || (fields == 5 && (extra = pick(3) == 0)))
                    line += QByteArray(w - f.bytes.size(), pick(4) ? ' ' : '\t');
            }
            if (extra)
                line += "past the last column";
            if (line.isEmpty())
                line = " "; // an empty line would be passed over
            g.data += line;
            g.rows.push_back(row);
            g.integers.push_back(fields > 1 ? n : std::nullopt);
            g.reals.push_back(fields > 2 ? r : std::nullopt);
            if (i + 1 < lines || pick(2))
                g.data += lineBreak();
        }
        return g;
    }

    Generated csvTable(bool header, int lines)
    {
        Generated g;
        if (header)
            g.data += "a,b,c,d,e" + lineBreak();
        for (int i = 0; i < lines; ++i) {
            g.data += skippedLines();
            QVector<QString> row(5);
            std::optional<qlonglong> n;
            std::optional<double> r;
            const int fields = 1 + pick(7); // more than five: the rest is ignored
            QByteArray line;
            for (int c = 0; c < fields; ++c) {
                Field f = c == 1 ? integer(20, n) : c == 2 ? real(r) : text(12, true);
                if (c < 5)
                    row[c] = f.text.trimmed(); // a number's blanks are cut like any field's
                QByteArray written = f.bytes;
                if (f.text.contains(u',') || f.text.contains(u'"') || pick(4) == 0) {
                    written.replace("\"", "\"\"");
                    written = '"' + written + '"';
                }
                if (pick(4) == 0)
                    written.prepend(pick(2) ? " " : "\t ");
                if (pick(4) == 0)
                    written.append(pick(2) ? " " : " \t");
                if (c > 0)
                    line += ',';
                line += written;
            }
            if (line.isEmpty())
                line = "\"\""; // an empty line would be passed over
            g.data += line;
            g.rows.push_back(row);
            g.integers.push_back(fields > 1 ? n : std::nullopt);
            g.reals.push_back(fields > 2 ? r : std::nullopt);
            if (i + 1 < lines || pick(2))
                g.data += lineBreak();
        }
        return g;
    }

private:
    std::mt19937 m_rng;
};

class TableLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        talviktest::writeFile(folder + u'/' + name, bytes);
    }

    // Loads `data` as t.txt through the engine and compares every stored value
    // (type and content) with the rows: texts as they are (a missing field is
    // an empty text), numbers as given (nullopt: NULL).
    void expectEngineStores(const QByteArray &schemaIni, const QByteArray &data, const Rows &rows,
                            const QVector<std::optional<qlonglong>> &integers,
                            const QVector<std::optional<double>> &reals, const std::string &what)
    {
        write(QStringLiteral("schema.ini"), schemaIni);
        write(QStringLiteral("t.txt"), data);
        invalidateTable(folder + QStringLiteral("/t.txt"));

        Connection cn;
        cn.Open(QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + folder);
        Recordset rs;
        rs.Open(QStringLiteral("Select a,b,c,d,e from t.txt"), cn);
        ASSERT_EQ(rs.RecordCount(), long(rows.size())) << what;
        for (long r = 0; r < rs.RecordCount(); ++r) {
            const auto &row = rs.row(r);
            for (int c : {0, 3, 4}) {
                EXPECT_EQ(row[std::size_t(c)].metaType(), QMetaType::fromType<QString>()) << what << " row " << r;
                EXPECT_EQ(row[std::size_t(c)].toString(), rows[r][c]) << what << " row " << r << " column " << c;
            }
            const QVariant wantInt = integers[r] ? QVariant(*integers[r]) : QVariant();
            const QVariant wantReal = reals[r] ? QVariant(*reals[r]) : QVariant();
            EXPECT_EQ(row[1].metaType(), wantInt.metaType()) << what << " row " << r;
            EXPECT_EQ(row[2].metaType(), wantReal.metaType()) << what << " row " << r;
            EXPECT_EQ(row[1], wantInt) << what << " row " << r << ": " << rows[r][1].toStdString();
            EXPECT_EQ(row[2], wantReal) << what << " row " << r << ": " << rows[r][2].toStdString();
        }
    }

    QTemporaryDir dir;
    QString folder;
};

TEST_F(TableLoader, HandMadeTablesReadAsTheFormatSays)
{
    EXPECT_TRUE(sameRows(parseTable(handMadeFixed(), fixedSchema(false)), handMadeFixedRows()));
    EXPECT_TRUE(sameRows(parseTable(handMadeFixed(), fixedSchema(true)), withoutHeader(handMadeFixedRows())));
    EXPECT_TRUE(sameRows(parseTable(handMadeCsv(), csvSchema(true)), withoutHeader(handMadeCsvRows())));
    EXPECT_TRUE(sameRows(parseTable(handMadeCsv(), csvSchema(false)), handMadeCsvRows()));
    // Missing fields are null, an empty field between commas is not.
    const Rows csv = parseTable(handMadeCsv(), csvSchema(true));
    EXPECT_TRUE(csv[3][1].isNull());
    EXPECT_FALSE(csv[2][4].isNull());
    EXPECT_TRUE(parseTable(handMadeFixed(), fixedSchema(false))[2][1].isNull());
}

TEST_F(TableLoader, EmptyAndOneByteTables)
{
    const QString n;
    for (const TableSchema &s : {fixedSchema(false), csvSchema(false)}) {
        EXPECT_TRUE(parseTable(QByteArray(), s).isEmpty());
        EXPECT_TRUE(parseTable("\r\n", s).isEmpty());
        EXPECT_TRUE(parseTable("\n\n", s).isEmpty());
        EXPECT_TRUE(parseTable("\x1a", s).isEmpty());
        EXPECT_TRUE(parseTable("\x1a\r\n", s).isEmpty());
        EXPECT_TRUE(sameRows(parseTable("x", s), Rows{{"x", n, n, n, n}}));
        EXPECT_TRUE(sameRows(parseTable("\x1a\x1a", s), Rows{{"\x1a\x1a", n, n, n, n}}));
        // A carriage return before the end of the data ends the line as one before a line feed.
        EXPECT_TRUE(parseTable("\r", s).isEmpty());
        EXPECT_TRUE(sameRows(parseTable("x\r", s), Rows{{"x", n, n, n, n}}));
    }
    EXPECT_TRUE(parseTable("x", fixedSchema(true)).isEmpty());
    EXPECT_TRUE(parseTable("x", csvSchema(true)).isEmpty());
    EXPECT_TRUE(sameRows(parseTable(",", csvSchema(false)), Rows{{"", "", n, n, n}}));
    EXPECT_TRUE(sameRows(parseTable(" \t ", csvSchema(false)), Rows{{"", n, n, n, n}}));
    EXPECT_TRUE(sameRows(parseTable(" \t ", fixedSchema(false)), Rows{{"", n, n, n, n}}));
    EXPECT_TRUE(sameRows(parseTable("a\"\"\"b", csvSchema(false)), Rows{{"a\"b", n, n, n, n}}));
    EXPECT_TRUE(sameRows(parseTable("\"a\"b\"c,d\",e", csvSchema(false)), Rows{{"abc,d", "e", n, n, n}}));
}

TEST_F(TableLoader, GeneratedTablesGiveBackTheirFields)
{
    Generator gen(20240513);
    for (int i = 0; i < 300; ++i) {
        const bool header = i % 2;
        const int lines = 1 + gen.pick(30);
        const Generated fixed = gen.fixedTable(header, lines);
        ASSERT_TRUE(sameRows(parseTable(fixed.data, fixedSchema(header)), fixed.rows))
            << "fixed table " << i << ": " << fixed.data.toHex().toStdString();
        const Generated csv = gen.csvTable(header, lines);
        ASSERT_TRUE(sameRows(parseTable(csv.data, csvSchema(header)), csv.rows))
            << "csv table " << i << ": " << csv.data.toHex().toStdString();
    }
}

TEST_F(TableLoader, PlainAsciiFieldsKeepEveryByte)
{
    // Every byte below 0x80 but the line feed, cut by width.
    QByteArray d;
    for (int b = 0; b < 0x80; ++b)
        if (b != '\n')
            d += char(b);
    d += "\r\n";
    const auto rows = parseTable(d, fixedSchema(false));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], (QVector<QString>{QString::fromLatin1(QByteArray("\0\1\2", 3)),
                                         QString::fromLatin1(QByteArray("\3\4\5\6\7", 5)),
                                         QString::fromLatin1(QByteArray("\10\11\13\14\15\16", 6)),
                                         QString::fromLatin1(QByteArray("\17", 1)),
                                         QString::fromLatin1(QByteArray("\20\21\22\23\24\25\26", 7))}));
}

TEST_F(TableLoader, EngineStoresTheFieldsWithTheirTypes)
{
    const QVector<std::optional<qlonglong>> fixedInts = {123, 4, {}, 12, {}, {}, {}, 1234, 12, 9223, {}, 123, 123, {}};
    const QVector<std::optional<double>> fixedReals = {1.5, {}, {}, {}, {}, 1000.0, {}, 5.0, 1.0, 372036.0, 0.5, 1.5, {}, {}};
    expectEngineStores(kSchemaIniFixed, handMadeFixed(), handMadeFixedRows(), fixedInts, fixedReals, "hand-made fixed");
    const QVector<std::optional<qlonglong>> csvInts = {12, {}, 7, {}, 2, {}};
    const QVector<std::optional<double>> csvReals = {1.5, -2.5, {}, {}, 3.0, {}};
    expectEngineStores(kSchemaIniCsv, handMadeCsv(), withoutHeader(handMadeCsvRows()), csvInts, csvReals,
                       "hand-made csv");

    QByteArray csvIniNoHeader = kSchemaIniCsv;
    csvIniNoHeader.replace("ColNameHeader=True", "ColNameHeader=False");
    Generator gen(7);
    for (int i = 0; i < 40; ++i) {
        const int lines = 1 + gen.pick(40);
        const Generated fixed = gen.fixedTable(false, lines);
        expectEngineStores(kSchemaIniFixed, fixed.data, fixed.rows, fixed.integers, fixed.reals,
                           "generated fixed " + std::to_string(i));
        const Generated csv = gen.csvTable(false, lines);
        expectEngineStores(csvIniNoHeader, csv.data, csv.rows, csv.integers, csv.reals,
                           "generated csv " + std::to_string(i));
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
