#include "talvik/core/controlLibraries.h"

#include "platform/com/com.h"
#include "platform/forms/app.h"

#include <QCoreApplication>
#include <QFileInfo>

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
            return !file.isEmpty() && registerLibraryBesideProgram(file);
        });
        return true;
    }();
    (void)installed;
}

bool registerLibraryBesideProgram(const QString &fileName)
{
    for (const QString &folder : {platform::forms::App::Path(), QCoreApplication::applicationDirPath()}) {
        const QString path = folder + QLatin1Char('/') + fileName;
        if (QFileInfo::exists(path) && com::SUCCEEDED(com::registerServerLibrary(path)))
            return true;
    }
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
