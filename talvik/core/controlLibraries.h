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
// the executable; true when one was registered.
bool registerLibraryBesideProgram(const QString &fileName);

// The 3D frames of the main, settings and clock windows as designed: the
// frame's own effect "Raised", "Inset" for the controls on it, applied to
// none of them, no per-control entries.
platform::forms::OleControl::Definition containerFrameDefinition();

} // namespace talvik
