#pragma once
// Start-up and shut-down of a control library: it binds the suite's base
// library, zobase7, which must stay loaded while the control library is.
//
// The base library is looked for first beside the control library (the
// control library's path, from dladdr, with its file name replaced by
// kSuiteBaseLibraryFile), then by bare name (the dynamic loader's search
// order). When both fail, the loader's error text is shown in a message box
// captioned "GetLastError" with the information icon and the attach fails,
// so the control library does not load.
#include "Controls/common/ComModule.h"

#include <string>

namespace controls {

constexpr const char *kSuiteBaseLibraryFile = "libzobase7.so";
constexpr const char *kSuiteBaseErrorCaption = "GetLastError";

// The CP932 text shown when the base library cannot be loaded: a Japanese
// line naming the library, then the loader's own error text(s).
std::string SuiteBaseLoadErrorText(const std::string &ownFolderError, const std::string &bareNameError);

// Loads the base library for the control library that holds
// addressInModule. True when it is loaded (or was already, for this
// library); false after the message box.
bool AttachSuiteBase(const void *addressInModule);
// Frees the handle, if one is held.
void DetachSuiteBase();
// The handle held (null when none); it only keeps the library loaded.
void *SuiteBaseHandle();

// The whole attach of a library: the base library first, then the module's
// classes. On failure nothing stays registered or loaded.
bool LibraryProcessAttach(ComModule &module, const void *addressInModule);
// The detach: the module ends, then the base library is freed.
void LibraryProcessDetach(ComModule &module);

} // namespace controls
