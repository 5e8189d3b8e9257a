#pragma once
// The archiver's command-line entry, as the program calls it:
//   a -x1 -r2 -y1 -n "archive" "files..."       add (folders recursively, with
//                                               paths relative to the current folder)
//   e -x1 -r2 -y1 -n "archive" "destination\" ["root"...]
//                                               extract keeping paths; with roots
//                                               named, only entries under them
// Switches: -x0/-x1 (paths dropped/kept), -r0/-r1/-r2 (no recursion, recursion,
// recursion with folder entries), -y and -n (no questions, no progress window:
// this archiver never asks). Paths may use "\" separators; a quoted part is
// taken as it is (no escapes, so "dir\" ends with its backslash).
#include <QString>
#include <QStringList>

namespace platform::archive {

// Result codes: 0 success; otherwise kUnlhaErrorBase + the ErrorKind.
constexpr int kUnlhaErrorBase = 0x8000;

// Returns 0 on success. output receives the names processed (one a line) or,
// on failure, the Japanese description of the cause; it is cut to
// outputSize - 1 characters. ownerWindow is not used: nothing is shown.
int Unlha(void *ownerWindow, const QString &commandLine, QString &output, int outputSize);

// Splits a command line at blanks outside double quotes; the quotes are removed.
QStringList splitCommandLine(const QString &commandLine);

} // namespace platform::archive
