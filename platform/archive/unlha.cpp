#include "platform/archive/unlha.h"

#include "platform/archive/archive.h"

#include <QDir>

namespace platform::archive {

QStringList splitCommandLine(const QString &commandLine)
{
    QStringList parts;
    QString current;
    bool quoted = false;
    bool inToken = false;
    for (const QChar c : commandLine) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inToken = true;
            continue;
        }
        if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inToken)
                parts.append(current);
            current.clear();
            inToken = false;
            continue;
        }
        current.append(c);
        inToken = true;
    }
    if (quoted)
        fail(ErrorKind::BadCommand, QStringLiteral("コマンドラインの引用符が閉じていません: %1").arg(commandLine));
    if (inToken)
        parts.append(current);
    return parts;
}

namespace {

struct Command {
    QChar letter;
    int x = 1; // keep paths
    int r = 0; // recursion
    QStringList names;
};

Command parse(const QString &commandLine)
{
    const QStringList tokens = splitCommandLine(commandLine);
    if (tokens.isEmpty())
        fail(ErrorKind::BadCommand, QStringLiteral("コマンドが指定されていません"));
    Command cmd;
    const QString verb = tokens.first().toLower();
    if (verb != QLatin1String("a") && verb != QLatin1String("e") && verb != QLatin1String("x"))
        fail(ErrorKind::BadCommand, QStringLiteral("対応していないコマンドです: %1").arg(tokens.first()));
    cmd.letter = verb[0];
    bool switches = true;
    for (qsizetype i = 1; i < tokens.size(); ++i) {
        const QString &t = tokens[i];
        if (switches && t == QLatin1String("--")) {
            switches = false;
            continue;
        }
        if (switches && t.size() >= 2 && t[0] == QLatin1Char('-')) {
            const QChar s = t[1].toLower();
            const QString value = t.mid(2);
            bool ok = true;
            const int n = value.isEmpty() ? 1 : value.toInt(&ok);
            if (!ok)
                fail(ErrorKind::BadCommand, QStringLiteral("スイッチが正しくありません: %1").arg(t));
            if (s == QLatin1Char('x') && n >= 0 && n <= 1)
                cmd.x = n;
            else if (s == QLatin1Char('r') && n >= 0 && n <= 2)
                cmd.r = n;
            else if (s == QLatin1Char('y') || s == QLatin1Char('n'))
                ; // never asks, never shows progress
            else
                fail(ErrorKind::BadCommand, QStringLiteral("対応していないスイッチです: %1").arg(t));
            continue;
        }
        cmd.names.append(t);
    }
    if (cmd.names.isEmpty())
        fail(ErrorKind::BadCommand, QStringLiteral("アーカイブが指定されていません"));
    return cmd;
}

bool isFolderName(const QString &name)
{
    return name.endsWith(QLatin1Char('\\')) || name.endsWith(QLatin1Char('/'));
}

QStringList run(const Command &cmd)
{
    const QString archivePath = QString(cmd.names.first()).replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList rest = cmd.names.mid(1);
    if (cmd.letter == QLatin1Char('a')) {
        AddOptions options;
        options.recurse = cmd.r >= 1;
        options.directoryEntries = cmd.r >= 2;
        options.keepPaths = cmd.x == 1;
        return addFiles(archivePath, rest, QDir::currentPath(), options);
    }
    // Extraction: the first name ending in a separator is the destination,
    // the others are the roots whose entries are taken.
    QString destination = QDir::currentPath();
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (isFolderName(rest[i])) {
            destination = rest.takeAt(i);
            break;
        }
    }
    ExtractOptions options;
    options.keepPaths = cmd.x == 1 || cmd.letter == QLatin1Char('x');
    for (const QString &root : rest)
        if (root != QLatin1String("*") && root != QLatin1String("*.*"))
            options.roots.append(root);
    return extract(archivePath, destination, options);
}

void putOutput(QString &output, const QString &text, int outputSize)
{
    output = outputSize > 0 ? text.left(outputSize - 1) : QString();
}

} // namespace

int Unlha(void *ownerWindow, const QString &commandLine, QString &output, int outputSize)
{
    Q_UNUSED(ownerWindow);
    try {
        const QStringList done = run(parse(commandLine));
        putOutput(output, done.join(QStringLiteral("\r\n")), outputSize);
        return 0;
    } catch (const ArchiveError &e) {
        putOutput(output, e.Description(), outputSize);
        return kUnlhaErrorBase + static_cast<int>(e.kind());
    } catch (const platform::RuntimeError &e) {
        putOutput(output, e.Description(), outputSize);
        return kUnlhaErrorBase + static_cast<int>(ErrorKind::WriteFailed);
    } catch (const std::exception &e) {
        putOutput(output, QStringLiteral("アーカイブの処理中にエラーが発生しました: %1").arg(QString::fromLocal8Bit(e.what())),
                  outputSize);
        return kUnlhaErrorBase + static_cast<int>(ErrorKind::WriteFailed);
    }
}

} // namespace platform::archive
