#include "platform/print/fonts.h"

#include <QFontDatabase>
#include <QHash>

namespace platform::print {

namespace {

const QString kGothic = QStringLiteral("IPAGothic");
const QString kPGothic = QStringLiteral("IPAPGothic");
const QString kMincho = QStringLiteral("IPAMincho");
const QString kPMincho = QStringLiteral("IPAPMincho");

// Font files of the IPA packages; registered with the application when the
// platform's font database does not list them (a bare offscreen setup).
void ensureIpaFontsLoaded()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const QStringList families = QFontDatabase::families();
    if (families.contains(kGothic) && families.contains(kPGothic) && families.contains(kMincho))
        return;
    const char *files[] = {
        "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
        "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
        "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
        "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf",
    };
    for (const char *f : files)
        QFontDatabase::addApplicationFont(QString::fromLatin1(f));
}

// Name reduced for comparison: compatibility forms folded (full-width Latin
// to ASCII), lower case, no blanks.
QString nameKey(const QString &name)
{
    QString key = name.normalized(QString::NormalizationForm_KC).toLower();
    key.remove(QLatin1Char(' '));
    key.remove(QChar(0x3000));
    return key;
}

const QHash<QString, QString> &knownNames()
{
    static const QHash<QString, QString> map = {
        {QStringLiteral("msゴシック"), kGothic},
        {QStringLiteral("msgothic"), kGothic},
        {QStringLiteral("ms明朝"), kMincho},
        {QStringLiteral("msmincho"), kMincho},
        {QStringLiteral("msp明朝"), kPMincho},
        {QStringLiteral("mspmincho"), kPMincho},
        {QStringLiteral("mspゴシック"), kPGothic},
        {QStringLiteral("mspgothic"), kPGothic},
        {QStringLiteral("msuigothic"), kPGothic},
        {QStringLiteral("メイリオ"), kPGothic},
        {QStringLiteral("meiryo"), kPGothic},
        {QStringLiteral("meiryoui"), kPGothic},
        {QStringLiteral("arial"), kPGothic},
        {QStringLiteral("tahoma"), kPGothic},
        {QStringLiteral("verdana"), kPGothic},
        {QStringLiteral("segoeui"), kPGothic},
        {QStringLiteral("mssansserif"), kPGothic},
        {QStringLiteral("microsoftsansserif"), kPGothic},
        {QStringLiteral("timesnewroman"), kPMincho},
        {QStringLiteral("century"), kPMincho},
        {QStringLiteral("msserif"), kPMincho},
        {QStringLiteral("couriernew"), kGothic},
        {QStringLiteral("courier"), kGothic},
        {QStringLiteral("terminal"), kGothic},
    };
    return map;
}

} // namespace

QString resolveFontFamily(const QString &windowsName)
{
    ensureIpaFontsLoaded();
    static QHash<QString, QString> cache;
    const auto cached = cache.constFind(windowsName);
    if (cached != cache.constEnd())
        return *cached;

    QString family;
    const QString key = nameKey(windowsName);
    const auto known = knownNames().constFind(key);
    if (known != knownNames().constEnd()) {
        family = *known;
    } else if (!windowsName.trimmed().isEmpty() && QFontDatabase::families().contains(windowsName.trimmed())) {
        family = windowsName.trimmed();
    } else {
        family = kPGothic;
    }
    cache.insert(windowsName, family);
    return family;
}

QFont resolveFont(const QString &windowsName, bool bold)
{
    QFont font(resolveFontFamily(windowsName));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferOutline);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

} // namespace platform::print
