#pragma once
// The private-profile (INI file) functions of the ANSI code page.
//
// Files are CP932 text with CR LF line ends (LF-only files are read as well).
// Section and key names compare case-insensitively for ASCII letters and
// exactly otherwise; values are returned without surrounding blanks and
// without one pair of surrounding quotes. A write rewrites the file through a
// temporary file in the same folder and a rename, keeping every other line,
// comment and blank line byte for byte. Writes go through the durable write
// of platform/fileio: a failed write leaves the file byte-identical, and
// lastWriteFailure() tells why it failed.
//
// File names may use "\" separators; they pass through
// platform::shell::toNativePath.
#include <QList>
#include <QPair>
#include <QString>

namespace platform::profile {

// Copies the value of `keyName` in section `appName` of `fileName` (or
// `defaultValue` when the file, the section or the key is missing) into
// `returnedString`, cut to `size` - 1 bytes of its CP932 form (a double-byte
// character is never split). Returns the number of CP932 bytes copied, so 0
// for an empty value and also for a missing key with an empty default; 0 and
// an empty text when `size` is 0.
unsigned long GetPrivateProfileString(const QString &appName, const QString &keyName,
                                      const QString &defaultValue, QString &returnedString,
                                      unsigned long size, const QString &fileName);

// Sets `keyName` = `value` in section `appName` of `fileName`. An existing key
// (its first occurrence in the first matching section) is rewritten in place;
// a new key goes after the last line of its section; a new section goes at the
// end of the file; a missing file is created. Returns false, leaving the file
// as it was, when a text has no CP932 form, holds a line break, a name is
// empty, or the file cannot be read or replaced.
bool WritePrivateProfileString(const QString &appName, const QString &keyName,
                               const QString &value, const QString &fileName);

// Sets several keys of one section in one rewrite of the file, in the given
// order, each as WritePrivateProfileString would: all of them or none.
bool WritePrivateProfileStrings(const QString &appName, const QList<QPair<QString, QString>> &keys,
                                const QString &fileName);

// Why the last write of the profile functions failed: the file, the cause
// in Japanese and the errno value behind it (0 when the cause was not a
// system error). Empty after a successful write.
struct WriteFailure {
    QString fileName;
    QString cause;
    int systemError = 0;
    // The file name in double quotes, "に書き込めませんでした。" and the
    // cause; "" when empty.
    QString description() const;
};
const WriteFailure &lastWriteFailure();

} // namespace platform::profile
