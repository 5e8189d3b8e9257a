#pragma once
// The control libraries Talvik's windows host, and the window definitions of
// their frames. A library that is not registered yet is registered from the
// program folder (or beside the executable) the first time a window asks.
#include "platform/forms/olecontrol.h"

#include <QString>

namespace talvik {

inline constexpr const char *kContainerProgId = "Ryx.Container3D7";
inline constexpr const char *kComboProgId = "Brenwold.Combo7";

// Makes hosted controls register their library on first use (called by the
// window definitions below; once is enough).
void installControlLibraries();

// Registers the shared library fileName found in the program folder or beside
// the executable; true when one was registered. On failure `failure` (when
// given) receives the cause of a library that was found but could not be
// registered: for a registry file that cannot be written the file and the
// reason. It stays empty when the library is not there.
bool registerLibraryBesideProgram(const QString &fileName, QString *failure = nullptr);

// The message shown once per run when a control library cannot be
// registered: the windows then keep plain frames (or the customer-pick
// dialog cannot open), and the user learns why.
QString controlLibraryFailureText(const QString &fileName, const QString &cause);

// The 3D frames of the main, settings and clock windows as designed: the
// frame's own effect "Raised", "Inset" for the controls on it, applied to
// none of them, no per-control entries.
platform::forms::OleControl::Definition containerFrameDefinition();

} // namespace talvik
