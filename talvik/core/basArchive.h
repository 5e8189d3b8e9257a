#pragma once
// The two calls of the LHA archiver: add a folder to an archive and extract
// an archive, with the switches "-x1 -r2 -y1 -n". Unlike the archiver calls
// of old they hand back the archiver's result, so that callers can tell a
// written or extracted archive from a failed one.
#include <QString>
#include <QStringList>

namespace talvik {

// The archiver's answer: result 0 means success; output holds the names
// processed or, on failure, the Japanese description of the cause.
struct ArchiveResult {
    int result = 0;
    QString output;
    bool succeeded() const { return result == 0; }
    // The run-time error number of a failure (321 for a damaged or foreign
    // archive, 53 for a missing file, 75 for an access failure ...).
    int errorNumber() const;
};

// Size of the archiver's output buffer (characters, terminator included).
constexpr int kArchiveOutputSize = 1024;

// "a -x1 -r2 -y1 -n" "archive" "files"
QString archiveAddCommand(const QString &files, const QString &archive);
// "e -x1 -r2 -y1 -n" "archive" "destination", then each root in quotes: only
// entries below those first components are extracted.
QString archiveExtractCommand(const QString &archive, const QString &destination,
                              const QStringList &roots = QStringList());

// Packs `files` (relative to the current folder, folders recursively with
// their folder entries) into `archive`.
ArchiveResult archiveAdd(const QString &files, const QString &archive, void *owner);
// Unpacks `archive` into `destination` (a folder path ending in "\"),
// keeping the entry paths; with roots, only the entries below them. Nothing
// is written unless every header and CRC checked out.
ArchiveResult archiveExtract(const QString &archive, const QString &destination, void *owner,
                             const QStringList &roots = QStringList());

} // namespace talvik
