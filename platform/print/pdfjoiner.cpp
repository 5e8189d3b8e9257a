#include "platform/print/pdfjoiner.h"

#include "platform/runtime/runtime_error.h"

#include <QHash>
#include <QVector>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

namespace platform::print {

namespace {

// Object numbers and stream lengths above these are not from our writer.
constexpr qint64 kMaxObjects = 10'000'000;
constexpr qint64 kMaxOffset = 9'999'999'999LL; // ten digits in the table

[[noreturn]] void fail(int part, const QString &what)
{
    platform::raise(platform::err::InvalidProcedureCall,
                    QStringLiteral("Cannot join the PDF parts: part %1 %2").arg(part + 1).arg(what));
}

bool isWhite(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDelimiter(char c)
{
    return c != 0 && std::strchr("()<>[]{}/%", c) != nullptr;
}

enum class Tok { Number, Name, String, DictOpen, DictClose, ArrayOpen, ArrayClose, Keyword, End };

struct Token {
    Tok kind = Tok::End;
    qsizetype begin = 0;
    qsizetype end = 0;
};

// Tokens of the PDF object syntax over data[pos, limit); never reads past
// limit, fails on what cannot be a token.
class Lexer {
public:
    Lexer(const QByteArray &data, qsizetype pos, qsizetype limit, int part)
        : m_d(data.constData()), m_pos(pos), m_limit(limit), m_part(part)
    {
    }
    qsizetype pos() const { return m_pos; }

    Token next()
    {
        for (;;) {
            while (m_pos < m_limit && isWhite(m_d[m_pos]))
                ++m_pos;
            if (m_pos < m_limit && m_d[m_pos] == '%') {
                while (m_pos < m_limit && m_d[m_pos] != '\n' && m_d[m_pos] != '\r')
                    ++m_pos;
                continue;
            }
            break;
        }
        Token t;
        t.begin = m_pos;
        if (m_pos >= m_limit) {
            t.end = m_pos;
            return t;
        }
        const char c = m_d[m_pos];
        if (c == '(') {
            int depth = 0;
            while (m_pos < m_limit) {
                const char ch = m_d[m_pos];
                if (ch == '\\') {
                    m_pos += 2;
                    continue;
                }
                if (ch == '(')
                    ++depth;
                else if (ch == ')' && --depth == 0)
                    break;
                ++m_pos;
            }
            if (m_pos >= m_limit)
                fail(m_part, QStringLiteral("has a string without its end at byte %1").arg(t.begin));
            ++m_pos;
            t.kind = Tok::String;
        } else if (c == '<' && m_pos + 1 < m_limit && m_d[m_pos + 1] == '<') {
            m_pos += 2;
            t.kind = Tok::DictOpen;
        } else if (c == '<') {
            ++m_pos;
            while (m_pos < m_limit && m_d[m_pos] != '>') {
                if (!isWhite(m_d[m_pos]) && !std::isxdigit(static_cast<unsigned char>(m_d[m_pos])))
                    fail(m_part, QStringLiteral("has a bad hex string at byte %1").arg(t.begin));
                ++m_pos;
            }
            if (m_pos >= m_limit)
                fail(m_part, QStringLiteral("has a hex string without its end at byte %1").arg(t.begin));
            ++m_pos;
            t.kind = Tok::String;
        } else if (c == '>') {
            if (m_pos + 1 >= m_limit || m_d[m_pos + 1] != '>')
                fail(m_part, QStringLiteral("has a stray \">\" at byte %1").arg(t.begin));
            m_pos += 2;
            t.kind = Tok::DictClose;
        } else if (c == '[' || c == ']') {
            ++m_pos;
            t.kind = c == '[' ? Tok::ArrayOpen : Tok::ArrayClose;
        } else if (c == '/') {
            ++m_pos;
            while (m_pos < m_limit && !isWhite(m_d[m_pos]) && !isDelimiter(m_d[m_pos]))
                ++m_pos;
            t.kind = Tok::Name;
        } else if (isDelimiter(c)) {
            fail(m_part, QStringLiteral("has an unexpected \"%1\" at byte %2").arg(QLatin1Char(c)).arg(t.begin));
        } else {
            bool number = true;
            while (m_pos < m_limit && !isWhite(m_d[m_pos]) && !isDelimiter(m_d[m_pos])) {
                const char ch = m_d[m_pos];
                if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '.'
                      || ((ch == '-' || ch == '+') && m_pos == t.begin)))
                    number = false;
                ++m_pos;
            }
            t.kind = number ? Tok::Number : Tok::Keyword;
        }
        t.end = m_pos;
        return t;
    }

private:
    const char *m_d;
    qsizetype m_pos;
    qsizetype m_limit;
    int m_part;
};

// One indirect object of a part.
struct PdfObject {
    qsizetype offset = 0;     // of "n 0 obj"
    qsizetype bodyBegin = 0;  // after "obj"
    qsizetype bodyEnd = 0;    // before "endobj"
    QVector<Token> tokens;    // the object up to "stream", or all of it
    qsizetype streamKeywordEnd = -1; // after "stream" and its line end
    qsizetype endstream = -1;        // where the final "endstream" starts
    bool present = false;
};

// A dictionary entry: its key and the token range of its value.
struct DictEntry {
    QByteArray key;
    int first = 0;
    int last = 0; // inclusive
};

class Part {
public:
    Part(const QByteArray &bytes, int index) : m_bytes(bytes), m_index(index) { parse(); }

    const QByteArray &bytes() const { return m_bytes; }
    int index() const { return m_index; }
    qsizetype headerEnd() const { return m_headerEnd; }
    int root() const { return m_root; }
    int info() const { return m_info; }
    int pagesRoot() const { return m_pagesRoot; }
    const QVector<int> &kids() const { return m_kids; }
    const QVector<PdfObject> &objects() const { return m_objects; }
    // Object numbers in the order of their offsets.
    const QVector<int> &order() const { return m_order; }

    [[noreturn]] void fail(const QString &what) const { platform::print::fail(m_index, what); }

    QByteArray text(const Token &t) const { return m_bytes.mid(t.begin, t.end - t.begin); }

    qint64 integer(const Token &t, qint64 max) const
    {
        if (t.kind != Tok::Number)
            fail(QStringLiteral("has \"%1\" where a whole number belongs").arg(QString::fromLatin1(text(t))));
        bool ok = false;
        const qint64 v = text(t).toLongLong(&ok);
        if (!ok || v < 0 || v > max)
            fail(QStringLiteral("has the number \"%1\" out of range").arg(QString::fromLatin1(text(t))));
        return v;
    }

    // Whether tokens[i..i+2] are "n 0 R".
    bool isReference(const QVector<Token> &tokens, int i) const
    {
        return i + 2 < tokens.size() && tokens[i].kind == Tok::Number && tokens[i + 1].kind == Tok::Number
               && tokens[i + 2].kind == Tok::Keyword && text(tokens[i + 2]) == "R";
    }

    int reference(const QVector<Token> &tokens, int i) const
    {
        const int number = int(integer(tokens[i], kMaxObjects));
        if (integer(tokens[i + 1], 65535) != 0)
            fail(QStringLiteral("refers to object %1 of a later generation").arg(number));
        return number;
    }

    // The value at tokens[i] ends where?
    int valueEnd(const QVector<Token> &tokens, int i) const
    {
        if (i >= tokens.size())
            fail(QStringLiteral("has a dictionary key without its value"));
        if (isReference(tokens, i))
            return i + 2;
        const Tok k = tokens[i].kind;
        if (k == Tok::DictOpen || k == Tok::ArrayOpen) {
            int depth = 0;
            for (int j = i; j < tokens.size(); ++j) {
                const Tok kj = tokens[j].kind;
                if (kj == Tok::DictOpen || kj == Tok::ArrayOpen)
                    ++depth;
                else if ((kj == Tok::DictClose || kj == Tok::ArrayClose) && --depth == 0)
                    return j;
            }
            fail(QStringLiteral("has a dictionary or array without its end"));
        }
        if (k == Tok::DictClose || k == Tok::ArrayClose || k == Tok::End)
            fail(QStringLiteral("has a dictionary key without its value"));
        return i;
    }

    // The entries of the dictionary starting at tokens[first].
    QVector<DictEntry> dictionary(const QVector<Token> &tokens, int first, int *endIndex = nullptr) const
    {
        if (first >= tokens.size() || tokens[first].kind != Tok::DictOpen)
            fail(QStringLiteral("has no dictionary where one belongs"));
        QVector<DictEntry> entries;
        int i = first + 1;
        for (;;) {
            if (i >= tokens.size())
                fail(QStringLiteral("has a dictionary without its end"));
            if (tokens[i].kind == Tok::DictClose)
                break;
            if (tokens[i].kind != Tok::Name)
                fail(QStringLiteral("has a dictionary key that is not a name"));
            DictEntry e;
            e.key = text(tokens[i]);
            e.first = i + 1;
            e.last = valueEnd(tokens, i + 1);
            entries.append(e);
            i = e.last + 1;
        }
        if (endIndex)
            *endIndex = i;
        return entries;
    }

    static const DictEntry *find(const QVector<DictEntry> &entries, const char *key)
    {
        for (const DictEntry &e : entries)
            if (e.key == key)
                return &e;
        return nullptr;
    }

    // The value of key in an object's dictionary as a reference.
    int referenceOf(int object, const QVector<DictEntry> &entries, const char *key) const
    {
        const DictEntry *e = find(entries, key);
        if (!e || e->last != e->first + 2)
            fail(QStringLiteral("object %1 has no reference %2").arg(object).arg(QLatin1String(key)));
        return reference(m_objects[object].tokens, e->first);
    }

    bool hasName(int object, const QVector<DictEntry> &entries, const char *key, const char *name) const
    {
        const DictEntry *e = find(entries, key);
        return e && e->first == e->last && text(m_objects[object].tokens[e->first]) == name;
    }

    const PdfObject &object(int number, const char *role) const
    {
        if (number <= 0 || number >= m_objects.size() || !m_objects[number].present)
            fail(QStringLiteral("names object %1 as its %2, which it does not hold").arg(number).arg(QLatin1String(role)));
        return m_objects[number];
    }

private:
    void parse()
    {
        if (!m_bytes.startsWith("%PDF-"))
            fail(QStringLiteral("is not a PDF file"));
        const qsizetype size = m_bytes.size();
        const qsizetype tailStart = std::max<qsizetype>(0, size - 1024);
        const qsizetype startxref = m_bytes.lastIndexOf("startxref", size - 1);
        if (startxref < tailStart)
            fail(QStringLiteral("has no \"startxref\" at its end"));
        Lexer tail(m_bytes, startxref + 9, size, m_index);
        const qint64 xref = integer(tail.next(), size - 1);

        // The cross-reference table: one or more subsections, then the trailer.
        Lexer lex(m_bytes, xref, startxref, m_index);
        Token t = lex.next();
        if (t.kind != Tok::Keyword || text(t) != "xref")
            fail(QStringLiteral("has no cross-reference table at byte %1").arg(xref));
        QVector<qsizetype> offsets;
        for (;;) {
            t = lex.next();
            if (t.kind == Tok::Keyword && text(t) == "trailer")
                break;
            const qint64 first = integer(t, kMaxObjects);
            const qint64 count = integer(lex.next(), kMaxObjects);
            qsizetype pos = lex.pos();
            while (pos < startxref && isWhite(m_bytes[pos]))
                ++pos;
            // The tables below are sized by the highest object number, so
            // it is bounded by the part's length before anything is
            // allocated: every object takes bytes of the file (its entry
            // here and its body), so a part cannot number more objects than
            // it has bytes.
            if (first + count > kMaxObjects || first + count > size || count > (startxref - pos) / 20)
                fail(QStringLiteral("has a cross-reference table longer than the file"));
            if (offsets.size() < first + count)
                offsets.resize(first + count, 0);
            for (qint64 i = 0; i < count; ++i, pos += 20) {
                const char *e = m_bytes.constData() + pos;
                bool ok = e[10] == ' ' && e[16] == ' ' && (e[17] == 'n' || e[17] == 'f') && isWhite(e[18])
                          && isWhite(e[19]);
                for (int k = 0; k < 16 && ok; ++k)
                    ok = k == 10 || std::isdigit(static_cast<unsigned char>(e[k]));
                if (!ok)
                    fail(QStringLiteral("has a bad cross-reference entry at byte %1").arg(pos));
                if (e[17] == 'n') {
                    if (std::strncmp(e + 11, "00000", 5) != 0)
                        fail(QStringLiteral("has an object of a later generation"));
                    offsets[first + i] = qsizetype(QByteArray(e, 10).toLongLong());
                }
            }
            lex = Lexer(m_bytes, pos, startxref, m_index);
        }
        QVector<Token> trailerTokens;
        for (int depth = 0;;) {
            const Token tt = lex.next();
            if (tt.kind == Tok::End)
                fail(QStringLiteral("has a trailer without its end"));
            trailerTokens.append(tt);
            if (tt.kind == Tok::DictOpen)
                ++depth;
            else if (tt.kind == Tok::DictClose && --depth <= 0)
                break;
        }
        const QVector<DictEntry> trailer = dictionary(trailerTokens, 0);
        if (find(trailer, "/Encrypt") || find(trailer, "/Prev"))
            fail(QStringLiteral("is encrypted or updated, which our writer never makes"));
        const DictEntry *sizeEntry = find(trailer, "/Size");
        if (!sizeEntry || sizeEntry->first != sizeEntry->last
            || integer(trailerTokens[sizeEntry->first], kMaxObjects) != offsets.size())
            fail(QStringLiteral("has a trailer whose size is not its table's"));

        // The objects, each from its offset up to the next one's.
        m_objects.resize(offsets.size());
        for (int n = 1; n < offsets.size(); ++n) {
            if (offsets[n] == 0)
                continue; // never written
            if (offsets[n] < 0 || offsets[n] >= xref)
                fail(QStringLiteral("places object %1 outside its body").arg(n));
            m_order.append(n);
        }
        std::sort(m_order.begin(), m_order.end(), [&](int a, int b) { return offsets[a] < offsets[b]; });
        if (m_order.isEmpty())
            fail(QStringLiteral("has no objects"));
        m_headerEnd = offsets[m_order.first()];
        for (int i = 0; i < m_order.size(); ++i) {
            const int n = m_order[i];
            const qsizetype end = i + 1 < m_order.size() ? offsets[m_order[i + 1]] : xref;
            if (end == offsets[n])
                fail(QStringLiteral("places two objects at byte %1").arg(end));
            parseObject(n, offsets[n], end);
        }

        // Stream lengths, direct or in an object of their own.
        for (int n : std::as_const(m_order)) {
            const PdfObject &o = m_objects[n];
            if (o.streamKeywordEnd < 0)
                continue;
            const QVector<DictEntry> d = dictionary(o.tokens, 0);
            const DictEntry *len = find(d, "/Length");
            if (!len)
                fail(QStringLiteral("object %1 is a stream without a length").arg(n));
            qint64 length = -1;
            if (len->first == len->last) {
                length = integer(o.tokens[len->first], kMaxOffset);
            } else {
                const PdfObject &lo = object(reference(o.tokens, len->first), "stream length");
                if (lo.tokens.size() != 1 || lo.streamKeywordEnd >= 0)
                    fail(QStringLiteral("object %1 has a length that is not a number").arg(n));
                length = integer(lo.tokens[0], kMaxOffset);
            }
            // The data, then at most a line end before "endstream".
            const qsizetype dataEnd = o.streamKeywordEnd + length;
            bool fits = length <= o.endstream - o.streamKeywordEnd && o.endstream - dataEnd <= 2;
            for (qsizetype i = dataEnd; fits && i < o.endstream; ++i)
                fits = m_bytes[i] == '\n' || m_bytes[i] == '\r';
            if (!fits)
                fail(QStringLiteral("object %1 has a stream whose length is not as stated").arg(n));
        }

        // The catalog, the page tree and the information.
        m_root = trailerReference(trailer, "/Root", trailerTokens);
        m_info = trailerReference(trailer, "/Info", trailerTokens);
        const PdfObject &root = object(m_root, "catalog");
        const QVector<DictEntry> catalog = dictionary(root.tokens, 0);
        if (!hasName(m_root, catalog, "/Type", "/Catalog") || catalog.size() != 2)
            fail(QStringLiteral("has a catalog with more than its page tree"));
        m_pagesRoot = referenceOf(m_root, catalog, "/Pages");
        const PdfObject &pages = object(m_pagesRoot, "page tree");
        const QVector<DictEntry> tree = dictionary(pages.tokens, 0);
        const DictEntry *kids = find(tree, "/Kids");
        const DictEntry *count = find(tree, "/Count");
        if (!hasName(m_pagesRoot, tree, "/Type", "/Pages") || !kids || !count || count->first != count->last
            || pages.tokens[kids->first].kind != Tok::ArrayOpen)
            fail(QStringLiteral("has a page tree that is not one list of pages"));
        for (int i = kids->first + 1; i < kids->last; i += 3) {
            if (!isReference(pages.tokens, i))
                fail(QStringLiteral("has a page list with something else than references"));
            m_kids.append(reference(pages.tokens, i));
        }
        if (m_kids.isEmpty() || integer(pages.tokens[count->first], kMaxObjects) != m_kids.size())
            fail(QStringLiteral("has a page count that is not its number of pages"));
        for (int kid : std::as_const(m_kids)) {
            const PdfObject &page = object(kid, "page");
            const QVector<DictEntry> d = dictionary(page.tokens, 0);
            if (!hasName(kid, d, "/Type", "/Page") || referenceOf(kid, d, "/Parent") != m_pagesRoot)
                fail(QStringLiteral("has a page (object %1) outside its page tree").arg(kid));
        }
        const PdfObject &info = object(m_info, "document information");
        dictionary(info.tokens, 0);

        // Every reference leads to an object the joined file keeps: none to
        // a missing object, none to the catalog or the information.
        for (int n : std::as_const(m_order)) {
            const QVector<Token> &tokens = m_objects[n].tokens;
            for (int i = 0; i + 2 < tokens.size(); ++i) {
                if (!isReference(tokens, i))
                    continue;
                const int target = reference(tokens, i);
                if (target <= 0 || target >= m_objects.size() || !m_objects[target].present || target == m_root
                    || target == m_info)
                    fail(QStringLiteral("object %1 refers to object %2, which cannot be carried over").arg(n).arg(target));
                i += 2;
            }
        }
    }

    int trailerReference(const QVector<DictEntry> &entries, const char *key, const QVector<Token> &tokens) const
    {
        const DictEntry *e = find(entries, key);
        if (!e || e->last != e->first + 2)
            fail(QStringLiteral("has a trailer without %1").arg(QLatin1String(key)));
        return reference(tokens, e->first);
    }

    void parseObject(int n, qsizetype begin, qsizetype end)
    {
        PdfObject &o = m_objects[n];
        o.offset = begin;
        Lexer head(m_bytes, begin, end, m_index);
        const Token number = head.next();
        const Token generation = head.next();
        const Token keyword = head.next();
        if (number.kind != Tok::Number || integer(number, kMaxObjects) != n || generation.kind != Tok::Number
            || integer(generation, 65535) != 0 || keyword.kind != Tok::Keyword || text(keyword) != "obj")
            fail(QStringLiteral("has no object %1 at byte %2").arg(n).arg(begin));
        o.bodyBegin = head.pos();
        qsizetype last = end;
        while (last > o.bodyBegin && isWhite(m_bytes[last - 1]))
            --last;
        if (last - o.bodyBegin < 6 || std::memcmp(m_bytes.constData() + last - 6, "endobj", 6) != 0
            || (last - 7 >= o.bodyBegin && !isWhite(m_bytes[last - 7]) && !isDelimiter(m_bytes[last - 7])))
            fail(QStringLiteral("has object %1 without its \"endobj\"").arg(n));
        o.bodyEnd = last - 6;

        Lexer lex(m_bytes, o.bodyBegin, o.bodyEnd, m_index);
        int depth = 0;
        for (;;) {
            const Token t = lex.next();
            if (t.kind == Tok::End)
                break;
            if (t.kind == Tok::Keyword && text(t) == "stream") {
                // The stream's data: after "stream" and its line end, up to
                // the line end before the final "endstream".
                qsizetype data = t.end;
                if (data < o.bodyEnd && m_bytes[data] == '\r')
                    ++data;
                if (data >= o.bodyEnd || m_bytes[data] != '\n')
                    fail(QStringLiteral("object %1 has \"stream\" without its line end").arg(n));
                ++data;
                qsizetype tail = o.bodyEnd;
                while (tail > data && isWhite(m_bytes[tail - 1]))
                    --tail;
                if (tail - data < 9 || std::memcmp(m_bytes.constData() + tail - 9, "endstream", 9) != 0)
                    fail(QStringLiteral("object %1 has a stream without \"endstream\"").arg(n));
                if (depth != 0 || o.tokens.isEmpty() || o.tokens.first().kind != Tok::DictOpen)
                    fail(QStringLiteral("object %1 has a stream without its dictionary").arg(n));
                o.streamKeywordEnd = data;
                o.endstream = tail - 9;
                break;
            }
            if (t.kind == Tok::DictOpen || t.kind == Tok::ArrayOpen)
                ++depth;
            else if (t.kind == Tok::DictClose || t.kind == Tok::ArrayClose)
                --depth;
            if (depth < 0)
                fail(QStringLiteral("object %1 closes more than it opens").arg(n));
            o.tokens.append(t);
        }
        if (depth != 0)
            fail(QStringLiteral("object %1 opens more than it closes").arg(n));
        if (o.tokens.isEmpty())
            fail(QStringLiteral("object %1 is empty").arg(n));
        o.present = true;
    }

    const QByteArray &m_bytes;
    int m_index;
    qsizetype m_headerEnd = 0;
    QVector<PdfObject> m_objects;
    QVector<int> m_order;
    int m_root = 0;
    int m_info = 0;
    int m_pagesRoot = 0;
    QVector<int> m_kids;
};

// Writes the joined file: objects appended with their offsets kept.
class Output {
public:
    QByteArray bytes;
    QVector<qsizetype> offsets{0}; // by new object number; 0 unused

    void begin(int number)
    {
        if (offsets.size() <= number)
            offsets.resize(number + 1, 0);
        offsets[number] = bytes.size();
        bytes += QByteArray::number(number);
        bytes += " 0 obj\n";
    }
};

// The subset tag of an embedded font ("QABCDE+"), made from the object
// number of its descriptor so that the parts' subsets keep distinct names.
QByteArray subsetTag(int number)
{
    QByteArray tag("/Q");
    for (int i = 0; i < 5; ++i) {
        tag += char('A' + number % 26);
        number /= 26;
    }
    return tag + '+';
}

// Copies object n of part with every reference renumbered by map.
void copyObject(const Part &part, int n, const QVector<int> &map, int newNumber, Output &out)
{
    const PdfObject &o = part.objects()[n];
    const QByteArray &src = part.bytes();
    const QVector<Token> &tokens = o.tokens;
    out.begin(newNumber);
    qsizetype cursor = o.bodyBegin;
    for (int i = 0; i < tokens.size(); ++i) {
        const Token &t = tokens[i];
        if (part.isReference(tokens, i)) {
            const int old = part.reference(tokens, i);
            const int mapped = old < map.size() ? map[old] : 0;
            if (mapped <= 0)
                part.fail(QStringLiteral("object %1 refers to object %2, which cannot be carried over").arg(n).arg(old));
            out.bytes.append(src.constData() + cursor, t.begin - cursor);
            out.bytes += QByteArray::number(mapped);
            out.bytes += " 0 R";
            cursor = tokens[i + 2].end;
            i += 2;
            continue;
        }
        if (t.kind == Tok::Name && i + 1 < tokens.size() && tokens[i + 1].kind == Tok::Name
            && part.text(t) == "/FontName") {
            const Token &name = tokens[i + 1];
            const QByteArray value = part.text(name);
            if (value.size() > 8 && value.startsWith("/Q") && value[7] == '+') {
                out.bytes.append(src.constData() + cursor, name.begin - cursor);
                out.bytes += subsetTag(newNumber);
                cursor = name.begin + 8;
                ++i;
            }
        }
    }
    // The rest as it is: the end of the dictionary, a stream's data.
    out.bytes.append(src.constData() + cursor, o.bodyEnd - cursor);
    out.bytes += "endobj\n";
}

} // namespace

QByteArray PdfJoiner::join(const QList<QByteArray> &inputs)
{
    if (inputs.isEmpty())
        platform::raise(platform::err::InvalidProcedureCall, QStringLiteral("Cannot join the PDF parts: there are none"));
    std::vector<std::unique_ptr<Part>> parts;
    for (int i = 0; i < inputs.size(); ++i)
        parts.push_back(std::make_unique<Part>(inputs[i], i));
    if (parts.size() == 1)
        return inputs.first();

    // New numbers: 1 catalog, 2 page tree, 3 information, then every part's
    // objects but its own catalog, page tree and information.
    constexpr int kCatalog = 1, kPages = 2, kInfo = 3;
    int next = kInfo + 1;
    std::vector<QVector<int>> maps;
    for (const auto &part : parts) {
        QVector<int> map(part->objects().size(), 0);
        for (int n : part->order())
            if (n != part->root() && n != part->info() && n != part->pagesRoot())
                map[n] = next++;
        map[part->pagesRoot()] = kPages;
        maps.push_back(map);
    }

    Output out;
    out.bytes.reserve(std::accumulate(inputs.begin(), inputs.end(), qsizetype(0),
                                      [](qsizetype s, const QByteArray &b) { return s + b.size(); }));
    const Part &first = *parts.front();
    out.bytes.append(first.bytes().constData(), first.headerEnd());

    out.begin(kCatalog);
    out.bytes += "<<\n/Type /Catalog\n/Pages 2 0 R\n>>\nendobj\n";
    out.begin(kPages);
    out.bytes += "<<\n/Type /Pages\n/Kids \n[\n";
    int count = 0;
    for (size_t p = 0; p < parts.size(); ++p)
        for (int kid : parts[p]->kids()) {
            out.bytes += QByteArray::number(maps[p][kid]);
            out.bytes += " 0 R\n";
            ++count;
        }
    out.bytes += "]\n/Count ";
    out.bytes += QByteArray::number(count);
    out.bytes += "\n/ProcSet [/PDF /Text /ImageB /ImageC]\n>>\nendobj\n";
    copyObject(first, first.info(), maps.front(), kInfo, out);

    for (size_t p = 0; p < parts.size(); ++p)
        for (int n : parts[p]->order())
            if (maps[p][n] > kInfo)
                copyObject(*parts[p], n, maps[p], maps[p][n], out);

    const qsizetype xref = out.bytes.size();
    if (xref > kMaxOffset)
        platform::raise(platform::err::InvalidProcedureCall, QStringLiteral("Cannot join the PDF parts: the result is too large"));
    out.bytes += "xref\n0 ";
    out.bytes += QByteArray::number(out.offsets.size());
    out.bytes += "\n0000000000 65535 f \n";
    char entry[32];
    for (int n = 1; n < out.offsets.size(); ++n) {
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(out.offsets[n]));
        out.bytes += entry;
    }
    out.bytes += "trailer\n<<\n/Size ";
    out.bytes += QByteArray::number(out.offsets.size());
    out.bytes += "\n/Info 3 0 R\n/Root 1 0 R\n>>\nstartxref\n";
    out.bytes += QByteArray::number(xref);
    out.bytes += "\n%%EOF\n";
    return out.bytes;
}

} // namespace platform::print
