#pragma once
// Files a test lays out or reads back, outside the code under test: one set
// for every test program, so that each write is checked the same way.
#include <QByteArray>
#include <QString>

namespace talviktest {

// Writes `bytes` to `path`, replacing what was there and making its folder
// first. A folder that cannot be made, a file that cannot be opened or a
// short write fails the current test (naming the path); false then.
bool writeFile(const QString &path, const QByteArray &bytes);

// The bytes of `path`, or "<missing>" when it cannot be read: a missing file
// never compares equal to the contents a test expects.
QByteArray readFile(const QString &path);

// Whether `path` names a file or folder.
bool exists(const QString &path);

} // namespace talviktest
