#include "talvik/core/basComFunction.h"

#include "talvik/core/alarmInfoFile.h"

#include "platform/codepage/codepage.h"
#include "platform/forms/msgbox.h"
#include "platform/profile/profile.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace talvik {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Trim$: blanks (U+0020) off both ends.
QString trimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == QLatin1Char(' '))
        ++from;
    while (to > from && text[to - 1] == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

// Mid$(text, start, length) with a 1-based start; "" past the end.
QString mid(const QString &text, qsizetype start, qsizetype length = -1)
{
    if (start < 1 || start > text.size())
        return QString();
    return text.mid(start - 1, length);
}

// Program folder & file, as the file system names it (also shown in messages).
QString iniPath(const QString &file)
{
    return platform::shell::toNativePath(platform::shell::programFolder() + file);
}

QString iniPlace(const QString &file, const QString &section, const QString &key)
{
    return kCrLf + iniPath(file) + kCrLf + QStringLiteral("[") + section + QStringLiteral("]　") + key;
}

// The parts of a tree key after the root and its separator.
QStringList treeKeyParts(const QString &key)
{
    const QString rest = mid(key, kTreeRootKey.size() + 2);
    if (rest.isEmpty())
        return {};
    return rest.split(QLatin1Char('\\'));
}

AlarmInfoRow alarmInfoEndRow()
{
    return AlarmInfoRow{kAlarmInfoEndKey, QString(), QString()};
}

} // namespace

bool isModelRdx9(const QString &version)
{
    return version.contains(QStringLiteral("RDX-9"), Qt::CaseSensitive);
}

bool isModelT4kb(const QString &version)
{
    return version.contains(QStringLiteral("T4KB"), Qt::CaseSensitive);
}

bool isModelT4ka(const QString &version)
{
    return version.contains(QStringLiteral("T4KA"), Qt::CaseSensitive);
}

bool isModelT4kaV10(const QString &version)
{
    return version.contains(QStringLiteral("1.0"), Qt::CaseSensitive) && isModelT4ka(version);
}

bool isModelT4kaNotV10(const QString &version)
{
    return isModelT4ka(version) && !version.contains(QStringLiteral("1.0"), Qt::CaseSensitive);
}

bool isModelT6ka(const QString &version)
{
    return version.contains(QStringLiteral("T6KA"), Qt::CaseSensitive);
}

QString getIniString(const QString &file, const QString &section, const QString &key)
{
    constexpr unsigned long bufferSize = 260;
    QString buffer;
    const unsigned long count = platform::profile::GetPrivateProfileString(
        section, key, QString(), buffer, bufferSize, platform::shell::programFolder() + file);
    if (count != 0)
        return trimBlanks(buffer);

    platform::forms::MsgBox(QStringLiteral("初期化ファイル取得の不正により、プログラム終了します")
                                + iniPlace(file, section, key),
                            platform::forms::vbOKOnly);
    endProgram(EXIT_FAILURE);
}

void writeIniString(const QString &file, const QString &section, const QString &key,
                    const QString &value)
{
    if (trimBlanks(value).isEmpty())
        return;
    if (!platform::profile::WritePrivateProfileString(section, key, value,
                                                      platform::shell::programFolder() + file)) {
        // The cause of the failed write follows the place.
        const QString cause = platform::profile::lastWriteFailure().cause;
        platform::forms::MsgBox(QStringLiteral("初期化ファイル設定の不正") + iniPlace(file, section, key)
                                    + (cause.isEmpty() ? QString() : kCrLf + cause),
                                platform::forms::vbOKOnly);
    }
}

void setBusy(const QString &)
{
    commBusy = true;
}

void clearBusy(const QString &)
{
    commBusy = false;
}

int getTreeKeyLevel(const QString &key)
{
    if (key == kTreeRootKey)
        return 0;
    const QStringList parts = treeKeyParts(key);
    switch (parts.size()) {
    case 1:
        return 1;
    case 2: {
        const QString rest = mid(key, kTreeRootKey.size() + 2);
        const qsizetype p = rest.indexOf(QStringLiteral("::"));
        if (p < 0)
            return 2;
        return rest.size() - (p + 2) == 4 ? 3 : 4;
    }
    default:
        return 0;
    }
}

QString getTreeKeyCaption(const QString &key)
{
    if (key == kTreeRootKey)
        return QStringLiteral("ルート");
    const QStringList parts = treeKeyParts(key);
    switch (parts.size()) {
    case 0:
        return QStringLiteral("ルート");
    case 1:
        return parts[0];
    case 2: {
        const QString &year = parts[1];
        const qsizetype found = year.indexOf(QStringLiteral("::"));
        if (found < 0)
            return parts[0] + QLatin1Char(' ') + year;
        const qsizetype p = found + 1; // 1-based position of "::"
        QString caption = parts[0] + QLatin1Char(' ') + year.left(found) + mid(year, p + 4, 2)
                          + QStringLiteral("月");
        if (year.size() - (found + 2) != 4)
            caption += mid(year, p + 6, 2) + QStringLiteral("日");
        return caption;
    }
    default:
        return QString();
    }
}

bool fileExists(const QString &path)
{
    try {
        return platform::shell::FileExists(path);
    } catch (...) {
        return false;
    }
}

bool folderExists(const QString &path)
{
    return platform::shell::FolderExists(path);
}

void deleteFolderIfExists(const QString &path)
{
    try {
        if (platform::shell::FolderExists(path))
            platform::shell::DeleteFolder(path, true);
    } catch (...) {
        // Nothing deleted is reported to nobody: callers go on either way.
    }
}

QString getParentFolderName(const QString &path)
{
    return platform::shell::GetParentFolderName(path);
}

bool tryParseInteger(const QString &text, std::int16_t &target)
{
    try {
        if (text.isEmpty() || !platform::IsNumeric(text))
            return false;
        target = platform::CInt(text);
        return true;
    } catch (...) {
        return false;
    }
}

int daysInMonth(int year, int month)
{
    switch (month) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        if (year % 4 != 0)
            return 28;
        if (year % 100 != 0)
            return 29;
        if (year % 400 != 0)
            return 28;
        return 29;
    default:
        return 0;
    }
}

bool GetCsvFileAlarmInfo(const QString &path)
{
    AlarmInfoTable table;
    const bool read = readAlarmInfoFile(path, table);
    alarmInfo.clear();
    alarmInfo.reserve(std::size_t(table.count()) + 1);
    for (int i = 0; i < table.count(); ++i)
        alarmInfo.push_back(table.row(i));
    alarmInfo.push_back(alarmInfoEndRow());
    return read;
}

void endProgram(int exitCode)
{
    // Leave the event loop if one runs, then end the process at once: no
    // code of the caller may go on with the value it did not get.
    QCoreApplication::exit(exitCode);
    std::fflush(nullptr);
    std::exit(exitCode);
}

} // namespace talvik
