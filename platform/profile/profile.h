#pragma once
// The private-profile (INI file) functions of the ANSI code page.
//
// Files are CP932 text with CR LF line ends (LF-only files are read as well).
// Section and key names compare case-insensitively for ASCII letters and
// exactly otherwise; values are returned without surrounding blanks and
// without one pair of surrounding quotes. A write rewrites the file through a
// temporary file in the same folder and a rename, keeping every other line,
// comment and blank line byte for byte.
//
// File names may use "\" separators; they pass through
// platform::shell::toNativePath.
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

} // namespace platform::profile
