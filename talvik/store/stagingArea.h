#pragma once
// The staging folder's bookkeeping of records that are staged but not yet
// merged into the year tables.
//
// A store run writes the records of a transfer to the staging table
// ("dDB.dl\demand.csv") and then a marker file naming the customer. The
// marker goes only when the merge has succeeded, so a staging folder with a
// marker holds records that exist nowhere else once the device has been
// told they arrived. Before the next transfer is staged, such a folder is
// moved whole (one rename) to "dDB.kept\<number>"; every later store run
// merges the kept folders first, oldest first.
#include <QList>
#include <QString>

namespace talvik::staging {

inline const QString keptFolderName = QStringLiteral("dDB.kept");
inline const QString markerFileName = QStringLiteral("unmerged.txt");

// The staging folder and the folder of kept sets, in the program folder.
QString stagingFolder();
QString keptFolder();

// The customer whose records `folder` holds unmerged, or an empty text.
QString unmergedCustomer(const QString &folder);
// Writes the marker durably. Raises platform::fileio::WriteError.
void markUnmerged(const QString &folder, const QString &customer);
// Removes the marker after a successful merge. A marker that cannot be
// removed only makes the next run merge the same records again, which
// leaves the year tables as they are.
void markMerged(const QString &folder);

// Moves the staging folder (with its marker) to the next kept set. Raises
// platform::fileio::WriteError.
void keepStagingAside();

struct KeptSet {
    QString folder;
    QString customer;
};
// The kept sets with a marker, oldest first.
QList<KeptSet> keptSets();
// Deletes a merged kept set (marker first).
void removeKeptSet(const QString &folder);

} // namespace talvik::staging
