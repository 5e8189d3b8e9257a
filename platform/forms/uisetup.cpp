#include "platform/forms/uisetup.h"

#include "platform/print/fonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform::forms {

QFont uiFont()
{
    QFont font(platform::print::resolveFontFamily(QStringLiteral("MS UI Gothic")));
    font.setPointSizeF(9);
    // No substitution by another face for characters the face has.
    font.setStyleHint(QFont::AnyStyle, QFont::PreferMatch);
    return font;
}

bool setUpJapaneseUi()
{
    static QTranslator *translator = nullptr;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QApplication::setFont(uiFont());
    if (translator)
        return true;
    auto *catalogue = new QTranslator(qApp);
    if (!catalogue->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete catalogue;
        return false;
    }
    QCoreApplication::installTranslator(catalogue);
    translator = catalogue;
    return true;
}

} // namespace platform::forms
