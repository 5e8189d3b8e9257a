#pragma once
// The settings files of the settings window: the keys of a ".cfg" file
// (section "DEMAND") and of "System.ini" (one section per model code), read
// and written through the profile functions. A set of keys is written as
// one: the keys go into a staged copy of the file, which then replaces the
// file, so that a failed write leaves the old file byte for byte.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace talvik::settingfile {

// Section of a ".cfg" file.
inline const QString kCfgSection = QStringLiteral("DEMAND");
// The program's last-settings file beside the program.
QString systemIniPath();

// The keys in the order they are written; the first ("バージョン") only in
// ".cfg" files.
const QStringList &keys();

using KeyValues = QList<QPair<QString, QString>>;

// The value of a key (at most 254 bytes, the text before the first NUL);
// "" when the file, section or key is missing.
QString readKey(const QString &file, const QString &section, const QString &key);

// Writes every key of `values` into `section` of `file` in their order.
// True when all of them were written and the file replaced; otherwise the
// file is unchanged and `failure` holds the message for the user (the file
// and, where known, the cause).
bool writeKeys(const QString &file, const QString &section, const KeyValues &values, QString &failure);

} // namespace talvik::settingfile
