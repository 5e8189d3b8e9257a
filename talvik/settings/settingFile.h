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

// True when a record field takes `value` for the key keys()[index]: the
// field's width in digits and, for an option, one of its buttons. An empty
// value is good (it leaves the field as it is).
bool isValidValue(int index, const QString &value);

// The first key of `section` in `file`, from keys()[first] on, whose value
// no record field takes; "" when every key is good. `value` gets its value.
QString findInvalidKey(const QString &file, const QString &section, int first, QString &value);

// The message for a settings file holding a value it cannot take: the file
// and the key with its value.
QString invalidValueText(const QString &file, const QString &section, const QString &key, const QString &value);

// Writes every key of `values` into `section` of `file` in their order.
// True when all of them were written and the file replaced; otherwise the
// file is unchanged and `failure` holds the message for the user (the file
// and, where known, the cause).
bool writeKeys(const QString &file, const QString &section, const KeyValues &values, QString &failure);

} // namespace talvik::settingfile
