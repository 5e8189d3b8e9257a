#include "talvik/settings/settingFile.h"

#include "platform/profile/profile.h"
#include "platform/shell/shell.h"


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
