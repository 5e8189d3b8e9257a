#pragma once
// Routines the whole program shares: model predicates, access to INI files
// beside the program, the busy flag, the tree key format of the data windows,
// small file, folder, number and date routines, and the reader of the service
// mode's alarm-info file.
#include "talvik/core/basComVariables.h"

#include <QString>

#include <cstdint>

namespace talvik {

// Model predicates: case-sensitive substring tests on a version text.
bool isModelRdx9(const QString &version);
bool isModelT4kb(const QString &version);
bool isModelT4ka(const QString &version);
bool isModelT4kaV10(const QString &version);
bool isModelT4kaNotV10(const QString &version);
bool isModelT6ka(const QString &version);

// Reads `key` of `section` in program folder & `file` (`file` begins with
// "\"). A missing file, section or key, or an empty value, shows
// "初期化ファイル取得の不正により、プログラム終了します" with the file, section
// and key, and ends the program once the box is confirmed.
QString getIniString(const QString &file, const QString &section, const QString &key);

// Writes `key` = `value` into program folder & `file`. A value of blanks only
// writes nothing; a failed write shows "初期化ファイル設定の不正" and returns.
void writeIniString(const QString &file, const QString &section, const QString &key,
                    const QString &value);

// commBusy := True / False; the caller's name is for diagnosis only.
void setBusy(const QString &name);
void clearBusy(const QString &name);

// Key of the root node of the data windows' tree.
inline const QString kTreeRootKey = QStringLiteral("\\dDB.tran");

// Level of a tree key: 0 root (and keys with no or too many parts), 1
// customer, 2 year, 3 month, 4 day.
int getTreeKeyLevel(const QString &key);
// Caption of a tree key: "ルート", the customer, customer & " " & year, and
// the month and day with "月" and "日"; "" for a key with too many parts.
QString getTreeKeyCaption(const QString &key);

// True when the file exists; False also on any error.
bool fileExists(const QString &path);
bool folderExists(const QString &path);
// Deletes the folder with all its contents when it exists; errors are swallowed.
void deleteFolderIfExists(const QString &path);
// The path without its last component and its separator.
QString getParentFolderName(const QString &path);

// A numeric text into a 16-bit integer (nearest, halves to even). False, with
// `target` unchanged, for an empty or non-numeric text and on overflow.
bool tryParseInteger(const QString &text, std::int16_t &target);

// Days of a month of a full year; 0 for a month outside 1-12.
int daysInMonth(int year, int month);

// Fills alarmInfo from an alarm-info file: one row per line ("YYYYMMDD,HHMM,
// caution,limit"), then the end row "209901010000". A missing file gives only
// the end row and False. A read error shows "GetCsvFileAlarmInfo: " and the
// error's description and returns False; the rows read in full stay, followed
// by the end row.
bool GetCsvFileAlarmInfo(const QString &path);

// Ends the program at once (after a fatal message): leaves a running event
// loop and the process, also before any event loop has started.
[[noreturn]] void endProgram(int exitCode);

} // namespace talvik
