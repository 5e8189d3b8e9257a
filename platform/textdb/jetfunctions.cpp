#include "platform/textdb/jetfunctions.h"

#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/textdb/textdb.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <string>
#include <sqlite3.h>

namespace platform::textdb {

namespace {

const QDate serialEpoch(1899, 12, 30);

// Date serials of 0100-01-01 and of the day after 9999-12-31: the range of
// the date type.
constexpr double minDateSerial = -657434.0;
constexpr double endDateSerial = 2958466.0;

[[noreturn]] void refuseDate()
{
    throw RuntimeError(textdbErrorNumber, QStringLiteral("FORMAT: 日付に変換できない値です。"));
}

[[noreturn]] void refuseNumber()
{
    throw RuntimeError(textdbErrorNumber, QStringLiteral("FORMAT: 数値に変換できない値です。"));
}

// Date-times here are zone-less wall-clock values: they are built as UTC so
// that no time-zone rule applies (and no zone file is consulted per row).

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(const QString &s)
{
    for (QChar c : s)
        if (!isAsciiDigit(c))
            return false;
    return !s.isEmpty();
}

// The number of n digits at pos (all known to be digits).
int digitsAt(const QString &s, int pos, int n)
{
    int v = 0;
    for (int i = pos; i < pos + n; ++i)
        v = v * 10 + (s[i].unicode() - '0');
    return v;
}

// One or two digits at pos; advances pos. -1 when there is none.
int readUpTo2Digits(const QString &s, int &pos)
{
    if (pos >= s.size() || !isAsciiDigit(s[pos]))
        return -1;
    int v = s[pos++].unicode() - '0';
    if (pos < s.size() && isAsciiDigit(s[pos]))
        v = v * 10 + (s[pos++].unicode() - '0');
    return v;
}

QString numberText(double v)
{
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<long long>(v));
    return QString::number(v, 'g', 15);
}

QString variantText(const QVariant &v)
{
    if (v.typeId() == QMetaType::Double)
        return numberText(v.toDouble());
    return v.toString();
}

// A format with a digit placeholder is numeric; otherwise one with a date or
// time letter is a date/time format.
bool isDateFormatUncached(const QString &fmt);

// The statements pass the same format for every row: the last answer is kept.
bool isDateFormat(const QString &fmt)
{
    static std::optional<QString> lastFormat;
    static bool lastResult = false;
    if (!lastFormat || *lastFormat != fmt) {
        lastResult = isDateFormatUncached(fmt);
        lastFormat = fmt;
    }
    return lastResult;
}

bool isDateFormatUncached(const QString &fmt)
{
    bool quoted = false;
    for (int i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'\\')
            ++i;
        else if (!quoted && (c == u'0' || c == u'#'))
            return false;
    }
    quoted = false;
    for (int i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == u'\\') {
            ++i;
            continue;
        }
        switch (c.toLower().unicode()) {
        case 'y': case 'm': case 'd': case 'h': case 'n': case 's': case 'a': case 'w': case 'q':
            return true;
        default:
            break;
        }
    }
    return false;
}

// Rounds half away from zero at `decimals` places, as the formatter does.
double roundAway(double v, int decimals)
{
    const double f = std::pow(10.0, decimals);
    const double scaled = std::fabs(v) * f;
    // Guard against representation error (2.675 * 100 = 267.49999...).
    const double r = std::floor(scaled + 0.5 + 1e-9);
    return std::copysign(r / f, v);
}

QString formatNumberSection(double v, const QString &section)
{
    // prefix literal, digit pattern [0#,.], suffix literal
    int first = -1, last = -1;
    for (int i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == u'0' || c == u'#' || c == u'.' || c == u',') {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0)
        return section; // no placeholder: the literal alone
    const QString prefix = section.left(first);
    const QString suffix = section.mid(last + 1);
    const QString pat = section.mid(first, last - first + 1);
    const int dot = int(pat.indexOf(u'.'));
    const QString intPat = dot < 0 ? pat : pat.left(dot);
    const QString decPat = dot < 0 ? QString() : pat.mid(dot + 1);
    const int minInt = int(intPat.count(u'0'));
    const bool grouping = intPat.contains(u',');
    int decimals = 0, minDec = 0;
    for (QChar c : decPat) {
        if (c == u'0' || c == u'#')
            ++decimals;
        if (c == u'0')
            minDec = decimals;
    }
    const double r = roundAway(std::fabs(v), decimals);
    QString digits = QString::number(r, 'f', decimals);
    QString intPart = digits, decPart;
    if (const int p = int(digits.indexOf(u'.')); p >= 0) {
        intPart = digits.left(p);
        decPart = digits.mid(p + 1);
    }
    if (intPart == u"0")
        intPart.clear();
    while (intPart.size() < minInt)
        intPart.prepend(u'0');
    while (decPart.size() > minDec && decPart.endsWith(u'0'))
        decPart.chop(1);
    if (grouping) {
        for (int i = int(intPart.size()) - 3; i > 0; i -= 3)
            intPart.insert(i, u',');
    }
    QString body = intPart;
    if (dot >= 0)
        body += u'.' + decPart;
    return prefix + body + suffix;
}

QString formatNumber(double v, const QString &fmt)
{
    const QStringList sections = fmt.split(u';');
    if (v < 0 && sections.size() > 1 && !sections[1].isEmpty())
        return formatNumberSection(-v, sections[1]);
    if (v == 0 && sections.size() > 2 && !sections[2].isEmpty())
        return formatNumberSection(0, sections[2]);
    QString s = formatNumberSection(v, sections[0]);
    // A negative value that rounds to nothing but zeros loses its sign.
    if (v < 0 && s.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        s.prepend(u'-');
    return s;
}

std::optional<QDateTime> toDateTime(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong
        || value.typeId() == QMetaType::Int) {
        const double serial = value.toDouble();
        // Infinite, NaN and serials beyond the date type have no date; left
        // unchecked they would overflow the seconds below.
        if (!(serial >= minDateSerial && serial < endDateSerial))
            refuseDate();
        const long long secs = std::llround(serial * 86400.0);
        const long long days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
        const long long rest = secs - days * 86400;
        return QDateTime(serialEpoch.addDays(days), QTime(0, 0).addSecs(int(rest)), Qt::UTC);
    }
    const QString s = value.toString().trimmed();
    static const QRegularExpression dateTime(QStringLiteral(
        "^(\\d{4})[/-](\\d{1,2})[/-](\\d{1,2})(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?$"));
    // YYMMDD (the table's dates, in the 2000s) and YYYYMMDD.
    if ((s.size() == 6 || s.size() == 8) && allDigits(s)) {
        const int y = s.size() == 6 ? 2000 + digitsAt(s, 0, 2) : digitsAt(s, 0, 4);
        const int o = int(s.size()) - 4;
        const QDate d(y, digitsAt(s, o, 2), digitsAt(s, o + 2, 2));
        if (d.isValid())
            return QDateTime(d, QTime(0, 0), Qt::UTC);
        return std::nullopt;
    }
    if (const auto m = dateTime.match(s); m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const QTime t(m.captured(4).isEmpty() ? 0 : m.captured(4).toInt(), m.captured(5).toInt(),
                      m.captured(6).toInt());
        if (d.isValid() && t.isValid())
            return QDateTime(d, t, Qt::UTC);
        return std::nullopt;
    }
    if (const auto tv = jetTimeValue(s))
        return toDateTime(QVariant(*tv));
    if (IsNumeric(s))
        return toDateTime(QVariant(Val(s)));
    return std::nullopt;
}

QString pad2(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString formatDate(const QDateTime &dt, const QString &fmt)
{
    static const QString jpShort[] = {QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"), QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土"), QStringLiteral("日")};
    static const QString enShort[] = {QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"), QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"), QStringLiteral("Sun")};
    static const QString enLong[] = {QStringLiteral("Monday"), QStringLiteral("Tuesday"), QStringLiteral("Wednesday"), QStringLiteral("Thursday"),
                                     QStringLiteral("Friday"), QStringLiteral("Saturday"), QStringLiteral("Sunday")};
    const QDate d = dt.date();
    const QTime t = dt.time();
    const int wd = d.dayOfWeek() - 1; // 0 = Monday
    QString out;
    bool afterHour = false;
    const int n = int(fmt.size());
    for (int i = 0; i < n;) {
        const QChar c = fmt[i];
        if (c == u'"') {
            const int end = int(fmt.indexOf(u'"', i + 1));
            out += fmt.mid(i + 1, (end < 0 ? n : end) - i - 1);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < n)
                out += fmt[i + 1];
            i += 2;
            continue;
        }
        const QChar lc = c.toLower();
        int run = 1;
        while (i + run < n && fmt[i + run].toLower() == lc)
            ++run;
        switch (lc.unicode()) {
        case 'y':
            out += run >= 3 ? QString::number(d.year()) : run == 2 ? pad2(d.year() % 100) : QString::number(d.dayOfYear());
            break;
        case 'm':
            if (afterHour) {
                out += run >= 2 ? pad2(t.minute()) : QString::number(t.minute());
                afterHour = false;
            } else {
                out += run >= 2 ? pad2(d.month()) : QString::number(d.month());
            }
            break;
        case 'n':
            out += run >= 2 ? pad2(t.minute()) : QString::number(t.minute());
            break;
        case 'd':
            if (run >= 5)
                out += QStringLiteral("%1/%2/%3").arg(d.year()).arg(pad2(d.month()), pad2(d.day()));
            else if (run == 4)
                out += enLong[wd];
            else if (run == 3)
                out += enShort[wd];
            else
                out += run == 2 ? pad2(d.day()) : QString::number(d.day());
            break;
        case 'h':
            out += run >= 2 ? pad2(t.hour()) : QString::number(t.hour());
            break;
        case 's':
            out += run >= 2 ? pad2(t.second()) : QString::number(t.second());
            break;
        case 'a':
            if (run >= 4)
                out += jpShort[wd] + QStringLiteral("曜日");
            else if (run == 3)
                out += jpShort[wd];
            else
                out += fmt.mid(i, run);
            break;
        case 'w':
            out += QString::number(wd == 6 ? 1 : wd + 2); // 1 = Sunday
            break;
        default:
            out += fmt.mid(i, run);
            break;
        }
        if (lc == u'h')
            afterHour = true;
        else if (lc != u'm' && lc.isLetter())
            afterHour = false;
        i += run;
    }
    return out;
}

QVariant argValue(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_value_double(v));
    case SQLITE_NULL:
        return QVariant();
    default:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                          sqlite3_value_bytes(v)));
    }
}

// Runs the body of an SQL function; a run-time error becomes the statement's
// error (no exception may cross the engine).
template <typename Body>
void guarded(sqlite3_context *ctx, Body body)
{
    try {
        body();
    } catch (const RuntimeError &e) {
        sqlite3_result_error(ctx, e.Description().toUtf8().constData(), -1);
    } catch (const std::exception &e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

void resultText(sqlite3_context *ctx, const QString &s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

bool isAscii(const char *bytes, int size)
{
    for (int i = 0; i < size; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    return true;
}

// Appends an argument's cache key to `key`: its storage class and its bytes,
// so that the number 1 and the text "1" stay apart.
void appendValueKey(std::string &key, sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 i = sqlite3_value_int64(v);
        key += 'i';
        key.append(reinterpret_cast<const char *>(&i), sizeof i);
        break;
    }
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        key += 'f';
        key.append(reinterpret_cast<const char *>(&d), sizeof d);
        break;
    }
    case SQLITE_NULL:
        key += 'n';
        break;
    default: {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(v));
        const int size = sqlite3_value_bytes(v);
        key += 't';
        // The length goes first so that a text holding the separator cannot
        // run into the next argument's key.
        key.append(reinterpret_cast<const char *>(&size), sizeof size);
        if (size > 0)
            key.append(bytes, std::size_t(size));
        break;
    }
    }
}

// The key of a call's arguments, built in one buffer per thread that keeps
// its capacity: a look-up that hits allocates nothing.
std::string &argumentKey(int argc, sqlite3_value **argv)
{
    thread_local std::string key;
    key.clear();
    for (int i = 0; i < argc; ++i)
        appendValueKey(key, argv[i]);
    return key;
}

// Results of a pure function by argument key; emptied when it grows past
// its limit, so a query over many distinct values costs no more memory than that.
template <typename T>
class FunctionCache {
public:
    // The key is only looked at: a view of its bytes is enough to look up.
    const T *find(const std::string &key) const
    {
        const auto it = m_results.constFind(QByteArray::fromRawData(key.data(), qsizetype(key.size())));
        return it == m_results.cend() ? nullptr : &*it;
    }
    void insert(const std::string &key, const T &value)
    {
        if (m_results.size() >= limit)
            m_results.clear();
        m_results.insert(QByteArray(key.data(), qsizetype(key.size())), value);
    }

private:
    static constexpr qsizetype limit = 8192;
    QHash<QByteArray, T> m_results;
};

FunctionCache<QByteArray> &formatCache()
{
    thread_local FunctionCache<QByteArray> cache;
    return cache;
}

FunctionCache<double> &timeValueCache()
{
    thread_local FunctionCache<double> cache;
    return cache;
}

void sqlMid(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const long long start = sqlite3_value_int64(argv[1]);
    if (start < 1) {
        sqlite3_result_error(ctx, "MID: 開始位置が正しくありません。", -1);
        return;
    }
    const long long len = argc > 2 ? sqlite3_value_int64(argv[2]) : -1;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        // ASCII text (the tables' dates, times and values): characters are
        // bytes, so the part is cut from the bytes without a conversion.
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
        const int size = sqlite3_value_bytes(argv[0]);
        if (isAscii(bytes, size)) {
            if (start > size || len == 0) {
                sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
                return;
            }
            const long long rest = size - (start - 1);
            const long long n = len < 0 || len > rest ? rest : len;
            sqlite3_result_text(ctx, bytes + (start - 1), int(n), SQLITE_TRANSIENT);
            return;
        }
    }
    resultText(ctx, jetMid(variantText(argValue(argv[0])), start, len));
}

void sqlLeft(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    resultText(ctx, variantText(argValue(argv[0])).left(qMax<qint64>(0, sqlite3_value_int64(argv[1]))));
}

void sqlRight(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    resultText(ctx, variantText(argValue(argv[0])).right(qMax<qint64>(0, sqlite3_value_int64(argv[1]))));
}

// What Val gives for a text that is, after blanks and tabs, an optional sign
// and up to 15 ASCII digits, followed by nothing or by anything but a decimal
// point or an exponent (such a number is exact in a double); nullopt for any
// other text, which goes the general way.
std::optional<double> plainIntegerVal(const char *bytes, int size)
{
    int i = 0;
    while (i < size && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < size && (bytes[i] == '+' || bytes[i] == '-'))
        negative = bytes[i++] == '-';
    const int first = i;
    long long n = 0;
    while (i < size && bytes[i] >= '0' && bytes[i] <= '9') {
        if (i - first == 15)
            return std::nullopt;
        n = n * 10 + (bytes[i++] - '0');
    }
    if (i == first)
        return std::nullopt;
    if (i < size && (bytes[i] == '.' || bytes[i] == 'e' || bytes[i] == 'E'))
        return std::nullopt;
    const double v = double(n);
    return negative ? -v : v;
}

void sqlVal(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    case SQLITE_TEXT:
        // Counts and readings are plain digits: read without a conversion.
        if (const auto v = plainIntegerVal(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                           sqlite3_value_bytes(argv[0]))) {
            sqlite3_result_double(ctx, *v);
            return;
        }
        sqlite3_result_double(ctx, Val(argValue(argv[0]).toString()));
        return;
    default:
        sqlite3_result_double(ctx, Val(argValue(argv[0]).toString()));
    }
}

void sqlFormat(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    // The table view formats the same few hundred values and times again for
    // every row: results are remembered by the arguments' type and bytes.
    const std::string &key = argumentKey(argc, argv);
    FunctionCache<QByteArray> &cache = formatCache();
    if (const QByteArray *hit = cache.find(key)) {
        sqlite3_result_text(ctx, hit->constData(), int(hit->size()), SQLITE_TRANSIENT);
        return;
    }
    guarded(ctx, [&] {
        const QVariant v = argValue(argv[0]);
        const QByteArray u = (argc > 1 ? jetFormat(v, argValue(argv[1]).toString()) : variantText(v)).toUtf8();
        sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        cache.insert(key, u);
    });
}

void sqlTimeValue(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string &key = argumentKey(1, argv);
    FunctionCache<double> &cache = timeValueCache();
    if (const double *hit = cache.find(key)) {
        sqlite3_result_double(ctx, *hit);
        return;
    }
    const auto t = jetTimeValue(argValue(argv[0]).toString());
    if (!t) {
        sqlite3_result_error(ctx, "TimeValue: 時刻ではありません。", -1);
        return;
    }
    cache.insert(key, *t);
    sqlite3_result_double(ctx, *t);
}

} // namespace

QString jetMid(const QString &text, long long start, long long length)
{
    if (start < 1 || start > text.size())
        return QString();
    return length < 0 ? text.mid(start - 1) : text.mid(start - 1, length);
}

std::optional<double> jetTimeValue(const QString &text)
{
    // [YYYY/M/D blanks] h:m[:s] [blanks][AM|PM], parsed by hand: the table
    // view calls this for every row.
    const QString t = text.trimmed();
    int pos = 0;
    const int n = int(t.size());
    // An optional date: 4 digits, "/" or "-", 1-2 digits, the same separator
    // kind, 1-2 digits, then at least one blank.
    if (n >= 5 && allDigits(t.left(4)) && (t[4] == u'/' || t[4] == u'-')) {
        pos = 5;
        if (readUpTo2Digits(t, pos) < 0 || pos >= n || (t[pos] != u'/' && t[pos] != u'-'))
            return std::nullopt;
        ++pos;
        if (readUpTo2Digits(t, pos) < 0 || pos >= n || !t[pos].isSpace())
            return std::nullopt;
        while (pos < n && t[pos].isSpace())
            ++pos;
    }
    int h = readUpTo2Digits(t, pos);
    if (h < 0 || pos >= n || t[pos] != u':')
        return std::nullopt;
    ++pos;
    const int mi = readUpTo2Digits(t, pos);
    if (mi < 0)
        return std::nullopt;
    int sec = 0;
    if (pos < n && t[pos] == u':') {
        ++pos;
        sec = readUpTo2Digits(t, pos);
        if (sec < 0)
            return std::nullopt;
    }
    while (pos < n && t[pos].isSpace())
        ++pos;
    if (pos < n) {
        if (n - pos != 2 || t[pos + 1].toUpper() != u'M')
            return std::nullopt;
        const QChar ap = t[pos].toUpper();
        if (ap != u'A' && ap != u'P')
            return std::nullopt;
        if (h < 1 || h > 12)
            return std::nullopt;
        h = (h % 12) + (ap == u'P' ? 12 : 0);
    }
    if (h > 23 || mi > 59 || sec > 59)
        return std::nullopt;
    return (h * 3600.0 + mi * 60.0 + sec) / 86400.0;
}

QString jetFormat(const QVariant &value, const QString &format)
{
    if (value.isNull())
        return QString();
    if (format.isEmpty())
        return variantText(value);
    if (isDateFormat(format)) {
        const auto dt = toDateTime(value);
        return dt ? formatDate(*dt, format) : variantText(value);
    }
    double v = 0;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong
        || value.typeId() == QMetaType::Int) {
        v = value.toDouble();
    } else {
        const QString s = value.toString();
        if (!IsNumeric(s))
            return s;
        v = Val(s.trimmed());
    }
    if (!std::isfinite(v))
        refuseNumber();
    return formatNumber(v, format);
}

void registerJetFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "MID", 2, flags, nullptr, sqlMid, nullptr, nullptr);
    sqlite3_create_function(db, "MID", 3, flags, nullptr, sqlMid, nullptr, nullptr);
    sqlite3_create_function(db, "JET_LEFT", 2, flags, nullptr, sqlLeft, nullptr, nullptr);
    sqlite3_create_function(db, "JET_RIGHT", 2, flags, nullptr, sqlRight, nullptr, nullptr);
    sqlite3_create_function(db, "VAL", 1, flags, nullptr, sqlVal, nullptr, nullptr);
    sqlite3_create_function(db, "FORMAT", 1, flags, nullptr, sqlFormat, nullptr, nullptr);
    sqlite3_create_function(db, "FORMAT", 2, flags, nullptr, sqlFormat, nullptr, nullptr);
    sqlite3_create_function(db, "TIMEVALUE", 1, flags, nullptr, sqlTimeValue, nullptr, nullptr);
}

} // namespace platform::textdb
