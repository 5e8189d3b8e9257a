#include "talvik/core/controlLibraries.h"

#include "platform/com/com.h"
#include "platform/com/errorinfo.h"
#include "platform/forms/app.h"
#include "platform/forms/constants.h"
#include "platform/forms/msgbox.h"
#include "platform/system/registry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

namespace talvik {

namespace com = platform::com;

namespace {

// Which library serves a ProgID (the version-independent and the versioned form).
QString libraryOf(const QString &progId)
{
    if (progId.startsWith(QLatin1String(kContainerProgId), Qt::CaseInsensitive))
        return QStringLiteral("liblumafold.so");
    if (progId.startsWith(QLatin1String(kComboProgId), Qt::CaseInsensitive))
        return QStringLiteral("libpickwell.so");
    return QString();
}

} // namespace

void installControlLibraries()
{
    static const bool installed = [] {
        platform::forms::OleControl::setLibraryRegistrar([](const QString &progId) {
            const QString file = libraryOf(progId);
            if (file.isEmpty())
                return false;
            QString cause;
            if (registerLibraryBesideProgram(file, &cause))
                return true;
            // Told once per library and registry file: every window asks again.
            // A library that is not there is no fault: the frames stay plain.
            static QSet<QString> told;
            const QString once = platform::system::registryFilePath() + u'|' + file;
            if (!cause.isEmpty() && !told.contains(once)) {
                told.insert(once);
                platform::forms::MsgBox(controlLibraryFailureText(file, cause),
                                        platform::forms::vbOKOnly + platform::forms::vbExclamation);
            }
            return false;
        });
        return true;
    }();
    (void)installed;
}

QString controlLibraryFailureText(const QString &fileName, const QString &cause)
{
    return QStringLiteral("部品ライブラリ「%1」を登録できません。画面の一部は簡易表示になります。\n").arg(fileName) + cause;
}

bool registerLibraryBesideProgram(const QString &fileName, QString *failure)
{
    QString cause;
    for (const QString &folder : {platform::forms::App::Path(), QCoreApplication::applicationDirPath()}) {
        const QString path = folder + QLatin1Char('/') + fileName;
        if (!QFileInfo::exists(path))
            continue;
        const com::HRESULT hr = com::registerServerLibrary(path);
        if (com::SUCCEEDED(hr))
            return true;
        cause = com::registrationFailure(path, hr);
    }
    if (failure)
        *failure = cause;
    return false;
}

platform::forms::OleControl::Definition containerFrameDefinition()
{
    installControlLibraries();
    constexpr int16_t kString = 8; // VT_BSTR: the effect is held by its key
    return {
        {QStringLiteral("_Version"), com::Variant::i4(0x00010000)},
        {QStringLiteral("ApplyEffect"), com::Variant::i2(0)},
        {QStringLiteral("CtrlEffectType"), com::Variant::i2(kString)},
        {QStringLiteral("CtrlEffectValue"), com::Variant::str(QStringLiteral("Raised"))},
        {QStringLiteral("ChildsEffectType"), com::Variant::i2(kString)},
        {QStringLiteral("ChildsEffectValue"), com::Variant::str(QStringLiteral("Inset"))},
    };
}

} // namespace talvik
