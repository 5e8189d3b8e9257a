#pragma once
// Steps shared by the file commands of the data windows (data set, CSV, PDF).
#include <QString>
#include <exception>

namespace platform::forms {
class CommonDialog;
}

namespace talvik {

// Initial folder of the window's file dialogs: the Desktop while InitDir
// still names the program folder (the first dialog after loading), the
// dialog's own choice (empty InitDir) afterwards.
void applyInitialFolder(platform::forms::CommonDialog &dialog);

// The end step of the file commands: the current drive and folder become the
// user's Desktop. Failures are ignored.
void currentFolderToDesktop();

// Unloads the wait dialog when it is loaded; a failure there never hides the
// outcome of the operation.
void unloadWaitDialog() noexcept;

// The description of a run-time error, or the text of any other exception.
QString errorDescription(const std::exception &e);

} // namespace talvik
