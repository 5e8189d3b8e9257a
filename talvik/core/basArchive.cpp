#include "talvik/core/basArchive.h"

#include "platform/archive/archive_error.h"
#include "platform/archive/unlha.h"

namespace talvik {

namespace {

const QString kSwitches = QStringLiteral("-x1 -r2 -y1 -n");

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A double quote cannot be written inside a quoted part of the command line:
// such a path would be split into other paths.
bool quotable(const QStringList &parts, ArchiveResult &refusal)
{
    for (const QString &p : parts) {
        if (p.contains(QLatin1Char('"'))) {
            refusal.result = platform::archive::kUnlhaErrorBase + static_cast<int>(platform::archive::ErrorKind::BadCommand);
            refusal.output = QStringLiteral("パスに使用できない文字（\"）が含まれています: %1").arg(p);
            return false;
        }
    }
    return true;
}

ArchiveResult callUnlha(void *owner, const QString &commandLine)
{
    ArchiveResult r;
    r.result = platform::archive::Unlha(owner, commandLine, r.output, kArchiveOutputSize);
    return r;
}

} // namespace

int ArchiveResult::errorNumber() const
{
    using platform::archive::ErrorKind;
    const int kind = result - platform::archive::kUnlhaErrorBase;
    if (kind < static_cast<int>(ErrorKind::BadCommand) || kind > static_cast<int>(ErrorKind::NoEntries))
        return 321;
    return platform::archive::runtimeNumberOf(static_cast<ErrorKind>(kind));
}

QString archiveAddCommand(const QString &files, const QString &archive)
{
    return QStringLiteral("a ") + kSwitches + QLatin1Char(' ') + quoted(archive) + QLatin1Char(' ') + quoted(files);
}

QString archiveExtractCommand(const QString &archive, const QString &destination, const QStringList &roots)
{
    QString line = QStringLiteral("e ") + kSwitches + QLatin1Char(' ') + quoted(archive) + QLatin1Char(' ') +
                   quoted(destination);
    for (const QString &root : roots)
        line += QLatin1Char(' ') + quoted(root);
    return line;
}

ArchiveResult archiveAdd(const QString &files, const QString &archive, void *owner)
{
    ArchiveResult refusal;
    if (!quotable({files, archive}, refusal))
        return refusal;
    return callUnlha(owner, archiveAddCommand(files, archive));
}

ArchiveResult archiveExtract(const QString &archive, const QString &destination, void *owner,
                             const QStringList &roots)
{
    ArchiveResult refusal;
    if (!quotable(QStringList{archive, destination} + roots, refusal))
        return refusal;
    return callUnlha(owner, archiveExtractCommand(archive, destination, roots));
}

} // namespace talvik
