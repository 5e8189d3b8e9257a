#pragma once
// The shell's folders, the current drive and folder, and the file-system
// object calls, on std::filesystem and Qt.
//
// System code writes paths with "\" separators (program folder & "\dDB");
// every call here accepts such paths and turns them into file-system paths
// with toNativePath, the one place that converts. Results that name a path
// are file-system paths ("/" separators) unless stated otherwise.
//
// Failures raise platform::RuntimeError with the numbers the file-system
// object uses: 53 file not found, 58 file already exists, 70 permission
// denied, 76 path not found, 75 path/file access error for other failures.
#include <QString>
#include <QStringList>

#include <vector>

namespace platform::shell {

// "\" becomes "/", runs of separators collapse into one, and a leading drive
// part ("C:") is dropped: drives mean nothing on this system.
QString toNativePath(const QString &path);

// The folder of the executable, or the folder named by the environment
// variable TALVIK_HOME when it is set and not empty. No trailing separator.
// A relative TALVIK_HOME is made absolute against the current folder at the
// first call for that value and kept so; the program asks at its start.
QString programFolder();

// The user's Desktop folder; the home folder when there is no Desktop.
QString desktopFolder();

// Current folder of the process (CurDir); the drive argument is ignored.
QString CurDir(const QString &drive = QString());
// Accepts a drive letter or a path with a drive part and does nothing else.
void ChDrive(const QString &drive);
// Makes the folder current; 76 when it does not exist.
void ChDir(const QString &path);

bool FileExists(const QString &path);
bool FolderExists(const QString &path);

// Creates one folder: 58 when it exists already, 76 when its parent is missing.
void CreateFolder(const QString &path);
// Deletes a folder with everything in it: 76 when it is missing; without
// `force`, a read-only file inside gives 70 before anything is deleted.
void DeleteFolder(const QString &path, bool force = false);
// Deletes one file: 53 when it is missing; 70 for a read-only file without `force`.
void DeleteFile(const QString &path, bool force = false);
// Copies a folder tree. A destination ending in a separator is an existing
// folder that receives the source under its own name; otherwise it is the
// name of the copy, created as needed. 76 when the source is missing; 58 when
// a file exists and `overwrite` is false.
void CopyFolder(const QString &source, const QString &destination, bool overwrite = true);
// Copies a file (into the folder when the destination ends in a separator):
// 53 source missing, 58 destination exists and `overwrite` false, 76 target
// folder missing, 70 destination read-only.
void CopyFile(const QString &source, const QString &destination, bool overwrite = true);
// Moves or renames a folder: 76 source missing, 58 destination exists.
void MoveFolder(const QString &source, const QString &destination);
// Moves or renames a file: 53 source missing, 58 destination exists.
void MoveFile(const QString &source, const QString &destination);

struct FolderEntry {
    QString Name; // the folder's own name
    QString Path; // its full file-system path
};
// The sub-folders and the files of a folder, sorted by name without regard
// to letter case (compareNames), the order in which the original platform's
// file system lists them; 76 when the folder is missing.
std::vector<FolderEntry> SubFolders(const QString &path);
std::vector<FolderEntry> Files(const QString &path);

// The order of names in a folder listing: code unit by code unit after
// upper-casing each one (so "_" comes after the letters, "a" and "A" are
// equal), names equal that way by their exact code units. <0, 0 or >0.
int compareNames(const QString &a, const QString &b);

// The path of an existing file or folder whose components match those of
// `path` without regard to letter case ("123456789AS.CSV" for
// "...\123456789as.csv"), as on the original platform's file system. A path
// that exists as written, or that matches nothing, comes back unchanged;
// among several matches of one component the first in listing order wins.
QString resolvePathCase(const QString &path);

// Text operations on paths, which accept "\" and "/" alike and never touch
// the disk. GetParentFolderName: the path without its last component ("" when
// it has none; a root keeps its separator). GetFileName: the last component.
// BuildPath: joins with "\" unless one side already has a separator there.
QString GetParentFolderName(const QString &path);
QString GetFileName(const QString &path);
QString BuildPath(const QString &path, const QString &name);

// Statement forms: Kill deletes a file (53 when missing), MkDir creates a
// folder (75 when it exists, 76 when its parent is missing), RmDir removes an
// empty folder (76 missing, 75 not empty).
void Kill(const QString &path);
void MkDir(const QString &path);
void RmDir(const QString &path);

} // namespace platform::shell
