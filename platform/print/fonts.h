#pragma once
// One font resolution for screen, print and PDF: the Windows font names the
// program asks for are mapped onto the installed IPA fonts, so a graph or a
// report looks the same in every output and its PDF embeds the same faces.
#include <QFont>
#include <QString>

namespace platform::print {

// Installed family for a Windows font name ("ＭＳ ゴシック", "MS UI Gothic",
// "Arial" ...). Full-width and half-width spellings, case and blanks do not
// matter. An unknown name that is installed is used as it is; anything else
// falls back to the proportional gothic face.
QString resolveFontFamily(const QString &windowsName);

// A font of the resolved family with outline rendering and no hinting, so
// that text measured at one size scales linearly to any other size.
QFont resolveFont(const QString &windowsName, bool bold = false);

} // namespace platform::print
