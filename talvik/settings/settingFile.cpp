#include "talvik/settings/settingFile.h"

#include "platform/profile/profile.h"
#include "platform/shell/shell.h"

#include <iterator>


namespace talvik::settingfile {

namespace {

QString failureText(const QString &native, const QString &cause)
{
    QString text = QStringLiteral("ファイルに書き込めませんでした。\r\n") + native;
    if (!cause.isEmpty())
        text += QStringLiteral("\r\n") + cause;
    return text;
}

} // namespace

QString systemIniPath()
{
    return platform::shell::programFolder() + QStringLiteral("\\System.ini");
}

const QStringList &keys()
{
    static const QStringList list{
        QStringLiteral("バージョン"),        QStringLiteral("お客さま番号"),
        QStringLiteral("デマンド設定"),      QStringLiteral("スキップタイム設定"),
        QStringLiteral("電力計設定"),        QStringLiteral("電力計設定2"),
        QStringLiteral("電力計設定3"),       QStringLiteral("注意警報レベル設定"),
        QStringLiteral("注意警報レベル設定2"), QStringLiteral("注意警報レベル設定3"),
        QStringLiteral("警報間隔１設定"),    QStringLiteral("受信機鳴動設定"),
        QStringLiteral("パルス定数")};
    return list;
}

QString readKey(const QString &file, const QString &section, const QString &key)
{
    QString value;
    platform::profile::GetPrivateProfileString(section, key, QString(), value, 255, file);
    const int nul = value.indexOf(QChar(0));
    return nul >= 0 ? value.left(nul) : value;
}

bool isValidValue(int index, const QString &value)
{
    if (value.isEmpty())
        return true;
    // Digits per key in keys() order ("バージョン" any number of them), and
    // the highest button of the keys that pick an option.
    static const int widths[] = {0, 9, 4, 2, 1, 3, 3, 1, 3, 3, 1, 1, 5};
    static const int highestOption[] = {-1, -1, -1, -1, 3, -1, -1, 2, -1, -1, 3, 2, -1};
    if (index < 0 || index >= int(std::size(widths)))
        return false;
    if (widths[index] != 0 && value.size() != widths[index])
        return false;
    for (QChar c : value)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return highestOption[index] < 0 || value.toInt() <= highestOption[index];
}

QString findInvalidKey(const QString &file, const QString &section, int first, QString &value)
{
    const QStringList &k = keys();
    for (int i = first; i < k.size(); ++i) {
        const QString v = readKey(file, section, k[i]);
        if (!isValidValue(i, v)) {
            value = v;
            return k[i];
        }
    }
    value.clear();
    return QString();
}

QString invalidValueText(const QString &file, const QString &section, const QString &key, const QString &value)
{
    return QStringLiteral("設定ファイルの内容が不正です。\r\n") + platform::shell::toNativePath(file)
           + QStringLiteral("\r\n[") + section + QStringLiteral("] ") + key + QLatin1Char('=') + value;
}

bool writeKeys(const QString &file, const QString &section, const KeyValues &values, QString &failure)
{
    failure.clear();
    // One rewrite of the file through the durable write: every key or none.
    if (platform::profile::WritePrivateProfileStrings(section, values, file))
        return true;
    failure = failureText(platform::shell::toNativePath(file), platform::profile::lastWriteFailure().cause);
    return false;
}

} // namespace talvik::settingfile
