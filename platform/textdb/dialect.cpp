#include "platform/textdb/dialect.h"

#include "platform/runtime/runtime_error.h"
#include "platform/textdb/textdb.h"

namespace platform::textdb {

namespace {

constexpr QChar tablePlaceholder(0x0001);

bool isWordChar(QChar c)
{
    if (c.unicode() >= 0x80)
        return !c.isSpace();
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

[[noreturn]] void dialectError(const QString &text)
{
    throw RuntimeError(textdbErrorNumber, text);
}

QString quoteIdentifier(const QString &name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

} // namespace

Translation translateStatement(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 32);
    Translation t;
    const int n = int(sql.size());
    int depth = 0;
    bool expectTable = false;
    QString lastWord, prevWord;      // the last two words at any depth
    qsizetype groupStart = -1, groupEnd = -1;
    bool hasOrder = false;

    auto takeTable = [&](const QString &name) {
        if (name.isEmpty())
            dialectError(QStringLiteral("FROM の後にテーブル名がありません。"));
        if (!t.table.isEmpty() && t.table.compare(name, Qt::CaseInsensitive) != 0)
            dialectError(QStringLiteral("一つの文で参照できるテーブルは一つだけです。"));
        t.table = name;
        out += tablePlaceholder;
        expectTable = false;
    };

    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            out += c.unicode() < 0x80 ? c : QChar(u' ');
            ++i;
            continue;
        }
        if (expectTable) {
            // The table reference: [x], "x", `x` or a run up to a blank, "," or ")".
            if (c == u'[' || c == u'"' || c == u'`') {
                const QChar close = c == u'[' ? QChar(u']') : c;
                const int end = int(sql.indexOf(close, i + 1));
                if (end < 0)
                    dialectError(QStringLiteral("テーブル名の引用符が閉じていません。"));
                takeTable(sql.mid(i + 1, end - i - 1));
                i = end + 1;
            } else {
                int j = i;
                while (j < n && !sql[j].isSpace() && sql[j] != u',' && sql[j] != u')' && sql[j] != u';')
                    ++j;
                takeTable(sql.mid(i, j - i));
                i = j;
            }
            continue;
        }
        if (c == u'\'') {
            int j = i + 1;
            while (true) {
                if (j >= n)
                    dialectError(QStringLiteral("文字列の引用符が閉じていません。"));
                if (sql[j] == u'\'') {
                    if (j + 1 < n && sql[j + 1] == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += sql.mid(i, j - i + 1);
            i = j + 1;
            continue;
        }
        if (c == u'"') {
            // A string literal in this dialect.
            QString body;
            int j = i + 1;
            while (true) {
                if (j >= n)
                    dialectError(QStringLiteral("文字列の引用符が閉じていません。"));
                if (sql[j] == u'"') {
                    if (j + 1 < n && sql[j + 1] == u'"') {
                        body += u'"';
                        j += 2;
                        continue;
                    }
                    break;
                }
                body += sql[j++];
            }
            body.replace(u'\'', QStringLiteral("''"));
            out += u'\'' + body + u'\'';
            i = j + 1;
            continue;
        }
        if (c == u'[') {
            const int end = int(sql.indexOf(u']', i + 1));
            if (end < 0)
                dialectError(QStringLiteral("[ が閉じていません。"));
            out += quoteIdentifier(sql.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == u'&') {
            out += QStringLiteral("||");
            ++i;
            continue;
        }
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        }
        if (isWordChar(c)) {
            int j = i;
            while (j < n && isWordChar(sql[j]))
                ++j;
            const QString word = sql.mid(i, j - i);
            const QString upper = word.toUpper();
            i = j;
            if (upper == u"LEFT" || upper == u"RIGHT") {
                int k = j;
                while (k < n && sql[k].isSpace())
                    ++k;
                if (k < n && sql[k] == u'(') {
                    out += QStringLiteral("JET_") + upper;
                    prevWord = lastWord;
                    lastWord = upper;
                    continue;
                }
            }
            if (depth == 0) {
                if (upper == u"BY" && lastWord == u"GROUP") {
                    out += word;
                    groupStart = out.size();
                    prevWord = lastWord;
                    lastWord = upper;
                    continue;
                }
                if (upper == u"BY" && lastWord == u"ORDER")
                    hasOrder = true;
                if ((upper == u"HAVING" || upper == u"ORDER") && groupStart >= 0
                    && groupEnd < 0)
                    groupEnd = out.size();
            }
            out += word;
            if (upper == u"FROM")
                expectTable = true;
            prevWord = lastWord;
            lastWord = upper;
            continue;
        }
        out += c;
        ++i;
    }
    if (expectTable)
        dialectError(QStringLiteral("FROM の後にテーブル名がありません。"));

    if (groupStart >= 0 && !hasOrder) {
        QString keys = out.mid(groupStart, (groupEnd < 0 ? out.size() : groupEnd) - groupStart).trimmed();
        while (keys.endsWith(u';'))
            keys.chop(1);
        while (!out.isEmpty() && (out.back().isSpace() || out.back() == u';'))
            out.chop(1);
        out += QStringLiteral(" ORDER BY ") + keys;
    }
    t.sql = out;
    return t;
}

} // namespace platform::textdb
