#include "talvik/settings/settingFile.h"

#include "platform/fileio/durable.h"
#include "platform/profile/profile.h"
#include "platform/shell/shell.h"

#include <QFile>
#include <QFileInfo>

namespace talvik::settingfile {

namespace {

// The staged copy beside the file (the durable write's temporary marker, so
// that leftovers of a crash are recognised as such).
QString stagingPath(const QString &native)
{
    return native + QStringLiteral(".~tlvini");
}

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
    const QString native = platform::shell::toNativePath(file);
    const QString staged = stagingPath(native);
    failure.clear();
    try {
        // The staged copy starts as the present file (or empty).
        QByteArray present;
        if (QFileInfo::exists(native)) {
            QFile in(native);
            if (!in.open(QIODevice::ReadOnly)) {
                failure = failureText(native, platform::fileio::describeSystemError(EACCES));
                return false;
            }
            present = in.readAll();
        }
        platform::fileio::writeFile(staged, present);
        for (const auto &kv : values) {
            if (!platform::profile::WritePrivateProfileString(section, kv.first, kv.second, staged)) {
                QFile::remove(staged);
                failure = failureText(native, QString());
                return false;
            }
        }
        platform::fileio::renameDurably(staged, native);
        return true;
    } catch (const platform::fileio::WriteError &e) {
        QFile::remove(staged);
        failure = failureText(native, e.cause());
        return false;
    } catch (const platform::RuntimeError &e) {
        QFile::remove(staged);
        failure = failureText(native, e.Description());
        return false;
    }
}

} // namespace talvik::settingfile
