#pragma once
// Helpers of the archiver tests: folder trees as maps, sample data, and
// running outside programs.
#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include "testfiles.h"

namespace archivetest {

// Files (relative path with "/" → content) and folders of a tree.
struct Tree {
    QMap<QString, QByteArray> files;
    QSet<QString> folders;
    bool operator==(const Tree &o) const { return files == o.files && folders == o.folders; }
};

Tree readTree(const QString &root);
void writeTree(const QString &root, const Tree &tree);

// Deterministic pseudo-random bytes.
QByteArray randomBytes(int size, unsigned seed);
// Text lines like a year's demand table.
QByteArray demandTable(int year, int lines);

// The tree the interoperation tests archive with other programs: Japanese
// names (some with a 0x5C trail byte), an empty folder and file, text and
// binary data.
Tree interopTree();
// One year of half-hour demand lines (17,520, 28 bytes each) of a customer,
// as the benchmarks' store holds them; `seed` varies the demand.
QByteArray benchYearTable(int year, unsigned seed);

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
ProcessResult run(const QString &program, const QStringList &args, const QString &workDir = QString());

// Raw file tree with names as the bytes on disk (for trees written by other
// programs, whose names are CP932 bytes).
QMap<QByteArray, QByteArray> readRawTree(const QString &root);

// Entries built byte by byte, independent of the archiver's own writer:
// a level-0 entry (stored data) and a level-1 entry with extended headers
// given as (type, data) pairs.
QByteArray level0Entry(const QByteArray &name, const QByteArray &data, char osId = 'M');
QByteArray level1Entry(const QByteArray &method, const QByteArray &name, const QByteArray &data,
                       const QList<QPair<int, QByteArray>> &extended);

using talviktest::readFile;
using talviktest::writeFile;

} // namespace archivetest
