#pragma once
// The program's user interface set up once at start-up: Qt's own Japanese
// texts for its standard dialogs and buttons, and one Japanese UI face for
// every character of every window, so that a text mixing Japanese and ASCII
// is drawn in a single face.
#include <QFont>

namespace platform::forms {

// Loads Qt's Japanese catalogue ("qtbase_ja") into the application, makes
// Japanese the default locale and the UI face the application font. Safe to
// call again. False when the catalogue could not be loaded (the texts of Qt's
// own dialogs then stay in English); the font is set in any case.
bool setUpJapaneseUi();

// The UI face: the gothic face that stands for the Windows UI font, 9 points.
QFont uiFont();

} // namespace platform::forms
