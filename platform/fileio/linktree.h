#pragma once
// Folder trees that share their files: a copy of a tree made of second
// names (hard links) of its files, and the removal of trees no longer needed
// on a worker thread.
//
// Sharing a file between two trees is safe only because no writer of the
// program changes a file in place: every write goes through DurableFile,
// which renames a new file over the old name. That gives the name a new file
// and leaves every other name of the old file, and its bytes, as they were.
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

namespace platform::fileio {

// Makes `target` (which must not exist; its parent must) hold the tree
// `source`: every folder made anew, every file a second name of the source's
// file, so that no data is copied. Where the file system cannot give a file
// a second name (another file system, no links, the link limit reached) that
// file is copied through the durable write instead. Temporary files of
// interrupted durable writes are no part of a tree and are left out. Each
// folder and file made is announced to the fault hook (Step::Create).
// Raises WriteError naming the entry that could not be made; what was made
// so far stays for the caller to remove.
void linkTree(const QString &source, const QString &target);

// Makes each target (.second) hold its source tree (.first) as linkTree
// does, several trees at once on worker threads, so that the file system's
// waits for its journal overlap. `made(i)` is called on the calling thread
// for the trees in the given order, each once it is complete, until a tree
// fails. Returns when every tree has ended; then raises the failure of the
// first tree in the given order that failed (WriteError, as linkTree), or
// whatever `made` raised. What was made stays for the caller to remove.
void linkTrees(const QList<QPair<QString, QString>> &trees, const std::function<void(int)> &made = {});

// Makes `target` (which must not exist) a second name of the file `source`,
// or a durable copy of it where the file system cannot link. Raises
// WriteError.
void linkFile(const QString &source, const QString &target);

// Hands the folder tree `folder` (a file or a whole folder) to a worker
// thread that deletes it, so that the caller does not wait for it. Use only
// for trees under names that the program never trusts (a crash before the
// worker is done leaves a tree that the next start removes). Failures are
// not reported: what is left stays under its untrusted name.
void removeTreeInBackground(const QString &folder);

// Waits until every tree handed to removeTreeInBackground is gone (or its
// removal has failed). Called before anything else removes or reuses such
// trees, and at the end of the process.
void waitForBackgroundRemovals();

} // namespace platform::fileio
