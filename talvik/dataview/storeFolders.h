#pragma once
// The committed store "dDB" is only ever replaced whole, by renames: a new
// store is built under a temporary name and synced to disk, then the folders
// are swapped, in one step where the file system can exchange two names.
// Where it cannot, two renames are needed, and meanwhile the journal file
// "dDB.swap" in the program folder names the folder that holds the complete
// previous store; a crash before the journal is removed is undone at the next
// start by restoring that folder. Folders under the temporary names are never
// trusted: a restart removes them.
//
// A new store is written with every write checked and every file and folder
// synced before its rename; single files (the journal, the log) go through
// the durable write. Every step is announced to the durable write's fault
// hook, so that tests can stop the process at each one.
#include <QString>

#include <functional>

namespace talvik::storefolders {

inline const QString kCommitted = QStringLiteral("dDB");
inline const QString kWorking = QStringLiteral("dDB.tran");
inline const QString kBackup = QStringLiteral("dDB.tmp");
// The store being built by a save.
inline const QString kBuilding = QStringLiteral("dDB.new");
// A folder on its way out (renamed first, then deleted).
inline const QString kDiscarded = QStringLiteral("dDB.del");
// The journal of a swap in progress.
inline const QString kJournal = QStringLiteral("dDB.swap");
// Prefix of the private working folders of an open.
inline const QString kStagingPrefix = QStringLiteral("dDB.work-");

// `folder` & "/" & `name` as a file-system path.
QString pathIn(const QString &folder, const QString &name);

// Copies a folder tree into a new folder `target` (which must not exist)
// inside a folder under a temporary name, such as "dDB.new": every write is
// checked and the write-back started, but nothing is waited for. The files
// get no temporary names of their own: the whole tree is the temporary,
// which syncTree makes durable and only a rename makes part of the store.
// A file that `unchangedFrom` (the same folder in the committed store, or
// "") holds with the same bytes is not copied but given a second name.
void copyIntoTemporaryTree(const QString &source, const QString &target, const QString &unchangedFrom = QString());
// Copies one file through the durable write.
void copyFileDurably(const QString &source, const QString &target);
// Syncs every file and folder of a tree written by other means, several at
// a time. `between`, where given, is called after each sync is queued and
// every few milliseconds while they run, for the caller's own work (a save
// writes the packed entries of its archive meanwhile); what it raises ends
// the sync.
void syncTree(const QString &folder, const std::function<void()> &between = {});
// Deletes a tree (its files first, folder by folder) and syncs its parent.
void removeTree(const QString &folder);
// Renames `folder` to "dDB.del" beside it, then deletes it: a crash leaves at
// most a partial "dDB.del", never a partial folder under a trusted name.
void discardFolder(const QString &programFolder, const QString &folder);

// Swaps the names of two folders in one step and syncs their parent.
// Returns false, changing nothing, where the file system cannot do that;
// raises WriteError on other failures.
bool exchangeFolders(const QString &a, const QString &b);
// Tests: pretend that the file system cannot exchange names, so that the
// journal and two renames are used.
void setExchangeAvailable(bool available);

// Writes the journal: `completeCopy` (relative to the program folder) holds
// the complete store until the journal is cleared.
void beginSwap(const QString &programFolder, const QString &completeCopy);
// Removes the journal: the swap is complete.
void endSwap(const QString &programFolder);

// Start-up check, before "dDB.tran" is rebuilt: finishes the rollback of an
// interrupted swap (the complete copy named by the journal becomes "dDB")
// and removes folders left under temporary names; at its first call for a
// program folder in this process it also removes the temporary files that
// killed writers left inside the stores. Returns the operation-log text of a
// restore, or "" when nothing had to be restored.
QString recoverCommittedStore(const QString &programFolder);

} // namespace talvik::storefolders
