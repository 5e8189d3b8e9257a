#include "platform/profile/profile.h"

#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"

#include <QFile>

#include <optional>
#include <vector>

namespace platform::profile {
namespace {

// One line of the file: its bytes without the line end, and the line end as
// it stood (CR LF, LF, or nothing for a last line without one).
struct Line {
    QByteArray text;
    QByteArray end;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimBlanks(const QByteArray &bytes)
{
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to && isBlank(bytes[from]))
        ++from;
    while (to > from && isBlank(bytes[to - 1]))
        --to;
    return bytes.mid(from, to - from);
}

// Position of the single-byte character `ch` in `bytes`, skipping the second
// bytes of double-byte characters (those may equal "]" or "\"); -1 when absent.
qsizetype findAnsiChar(const QByteArray &bytes, char ch)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (platform::codepage::isLeadByte(b)) {
            ++i;
            continue;
        }
        if (bytes[i] == ch)
            return i;
    }
    return -1;
}

// The longest head of `bytes` of at most `limit` bytes that does not split a
// double-byte character.
QByteArray cutAnsi(const QByteArray &bytes, qsizetype limit)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const qsizetype width = (platform::codepage::isLeadByte(b) && i + 1 < bytes.size()) ? 2 : 1;
        if (i + width > limit)
            break;
        i += width;
    }
    return bytes.left(i);
}

// Names compare case-insensitively for ASCII letters only.
QString foldName(const QString &name)
{
    QString folded = name.trimmed();
    for (QChar &c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return folded;
}

QString decodeName(const QByteArray &bytes)
{
    return foldName(platform::codepage::fromAnsiLenient(trimBlanks(bytes)));
}

std::vector<Line> splitLines(const QByteArray &content)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype lf = content.indexOf('\n', start);
        if (lf < 0) {
            lines.push_back({content.mid(start), QByteArray()});
            break;
        }
        qsizetype textEnd = lf;
        if (textEnd > start && content[textEnd - 1] == '\r')
            --textEnd;
        lines.push_back({content.mid(start, textEnd - start), content.mid(textEnd, lf + 1 - textEnd)});
        start = lf + 1;
    }
    return lines;
}

// The section name of a header line "[name]", or nothing for other lines.
std::optional<QString> sectionOf(const Line &line)
{
    const QByteArray t = trimBlanks(line.text);
    if (!t.startsWith('['))
        return std::nullopt;
    QByteArray inner = t.mid(1);
    const qsizetype close = findAnsiChar(inner, ']');
    if (close >= 0)
        inner.truncate(close);
    return decodeName(inner);
}

// The key bytes of a "key=value" line (as written in the file, trimmed), or
// nothing for comments, headers and lines without "=".
std::optional<QByteArray> keyOf(const Line &line, QByteArray *rawValue = nullptr)
{
    const QByteArray t = trimBlanks(line.text);
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('['))
        return std::nullopt;
    const qsizetype eq = findAnsiChar(line.text, '=');
    if (eq < 0)
        return std::nullopt;
    if (rawValue)
        *rawValue = line.text.mid(eq + 1);
    return trimBlanks(line.text.left(eq));
}

// Index range [first, last) of the lines of the first section named `wanted`
// (the header excluded); nothing when there is no such section.
std::optional<std::pair<size_t, size_t>> findSection(const std::vector<Line> &lines,
                                                     const QString &wanted)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines[i]);
        if (!name || *name != wanted)
            continue;
        size_t end = i + 1;
        while (end < lines.size() && !sectionOf(lines[end]))
            ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

// The value as the profile functions return it: blanks around it removed,
// then one pair of matching quotes around it.
QByteArray cleanValue(const QByteArray &raw)
{
    QByteArray v = trimBlanks(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

unsigned long GetPrivateProfileString(const QString &appName, const QString &keyName,
                                      const QString &defaultValue, QString &returnedString,
                                      unsigned long size, const QString &fileName)
{
    returnedString.clear();
    if (size == 0)
        return 0;

    std::optional<QByteArray> found;
    QFile file(platform::shell::toNativePath(fileName));
    if (file.open(QIODevice::ReadOnly)) {
        const std::vector<Line> lines = splitLines(file.readAll());
        const QString wantedKey = foldName(keyName);
        if (const auto range = findSection(lines, foldName(appName))) {
            for (size_t i = range->first; i < range->second && !found; ++i) {
                QByteArray raw;
                const auto key = keyOf(lines[i], &raw);
                if (key && decodeName(*key) == wantedKey)
                    found = cleanValue(raw);
            }
        }
    }

    const qsizetype limit = static_cast<qsizetype>(std::min<unsigned long>(size - 1, 0x7fffffff));
    if (found) {
        const QByteArray kept = cutAnsi(*found, limit);
        returnedString = platform::codepage::fromAnsiLenient(kept);
        return static_cast<unsigned long>(kept.size());
    }

    // The default loses its trailing blanks, as the profile functions do.
    QString def = defaultValue;
    while (!def.isEmpty() && (def.back() == QLatin1Char(' ') || def.back() == QLatin1Char('\t')))
        def.chop(1);
    try {
        const QByteArray kept = cutAnsi(platform::codepage::toAnsi(def), limit);
        returnedString = platform::codepage::fromAnsi(kept);
        return static_cast<unsigned long>(kept.size());
    } catch (const platform::RuntimeError &) {
        // A default without a CP932 form is handed back as text, cut by characters.
        returnedString = def.left(limit);
        return static_cast<unsigned long>(returnedString.size());
    }
}

namespace {

WriteFailure &lastFailure()
{
    static WriteFailure failure;
    return failure;
}

// Records why a write failed and answers false, as the profile functions do.
bool failWith(const QString &fileName, const QString &cause, int systemError = 0)
{
    lastFailure() = WriteFailure{fileName, cause, systemError};
    return false;
}

// One key to set: its CP932 name and value.
struct AnsiKey {
    QByteArray key;
    QByteArray value;
    QString name;
};

// Sets one key in the lines of a file (see WritePrivateProfileString).
void setKey(std::vector<Line> &lines, const QString &appName, const QByteArray &ansiSection, const AnsiKey &k)
{
    static const QByteArray crlf("\r\n");
    const QString wantedKey = foldName(k.name);
    if (const auto range = findSection(lines, foldName(appName))) {
        for (size_t i = range->first; i < range->second; ++i) {
            const auto key = keyOf(lines[i]);
            if (key && decodeName(*key) == wantedKey) {
                // The key keeps the spelling it has in the file.
                lines[i].text = *key + '=' + k.value;
                return;
            }
        }
        // After the last non-blank line of the section, so that blank lines
        // before the next section stay where they are.
        size_t at = range->first;
        for (size_t i = range->first; i < range->second; ++i) {
            if (!trimBlanks(lines[i].text).isEmpty())
                at = i + 1;
        }
        if (at > 0 && lines[at - 1].end.isEmpty())
            lines[at - 1].end = crlf;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{k.key + '=' + k.value, crlf});
        return;
    }
    if (!lines.empty() && lines.back().end.isEmpty())
        lines.back().end = crlf;
    lines.push_back({'[' + ansiSection + ']', crlf});
    lines.push_back({k.key + '=' + k.value, crlf});
}

} // namespace

QString WriteFailure::description() const
{
    if (fileName.isEmpty() && cause.isEmpty())
        return QString();
    return u'"' + fileName + QStringLiteral("\" に書き込めませんでした。") + cause;
}

const WriteFailure &lastWriteFailure()
{
    return lastFailure();
}

bool WritePrivateProfileStrings(const QString &appName, const QList<QPair<QString, QString>> &keys,
                                const QString &fileName)
{
    const QString path = platform::shell::toNativePath(fileName);
    const QString badText = QStringLiteral("書き込む名前または値が正しくありません。");
    if (appName.trimmed().isEmpty() || hasLineBreak(appName) || appName.contains(QLatin1Char(']')))
        return failWith(path, badText);

    QByteArray ansiSection;
    std::vector<AnsiKey> ansiKeys;
    try {
        ansiSection = platform::codepage::toAnsi(appName);
        for (const auto &[keyName, value] : keys) {
            if (keyName.trimmed().isEmpty() || hasLineBreak(keyName) || hasLineBreak(value)
                || keyName.contains(QLatin1Char('=')) || keyName.trimmed().startsWith(QLatin1Char(';'))
                || keyName.trimmed().startsWith(QLatin1Char('[')))
                return failWith(path, badText);
            ansiKeys.push_back({platform::codepage::toAnsi(keyName), platform::codepage::toAnsi(value), keyName});
        }
    } catch (const platform::RuntimeError &) {
        return failWith(path, QStringLiteral("シフトJISで表せない文字があります。"));
    }

    QByteArray content;
    {
        QFile file(path);
        if (file.exists()) {
            if (!file.open(QIODevice::ReadOnly))
                return failWith(path, QStringLiteral("ファイルを読み込めませんでした。") + file.errorString());
            content = file.readAll();
            if (file.error() != QFileDevice::NoError)
                return failWith(path, QStringLiteral("ファイルを読み込めませんでした。") + file.errorString());
        }
    }

    std::vector<Line> lines = splitLines(content);
    for (const AnsiKey &k : ansiKeys)
        setKey(lines, appName, ansiSection, k);

    QByteArray out;
    out.reserve(content.size() + 64);
    for (const Line &line : lines)
        out += line.text + line.end;

    // The durable write: a failure leaves the file byte-identical.
    try {
        platform::fileio::writeFile(path, out);
    } catch (const platform::fileio::WriteError &e) {
        return failWith(path, e.cause(), e.systemError());
    } catch (const platform::RuntimeError &e) {
        return failWith(path, e.Description());
    }
    lastFailure() = WriteFailure{};
    return true;
}

bool WritePrivateProfileString(const QString &appName, const QString &keyName,
                               const QString &value, const QString &fileName)
{
    return WritePrivateProfileStrings(appName, {{keyName, value}}, fileName);
}

} // namespace platform::profile
