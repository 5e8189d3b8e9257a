#include "talvik/dataview/fileCommands.h"

#include "platform/forms/commondialog.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"

namespace talvik {

namespace {

QString comparableFolder(const QString &path)
{
    QString p = platform::shell::toNativePath(path);
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p;
}

} // namespace

void applyInitialFolder(platform::forms::CommonDialog &dialog)
{
    const bool onProgramFolder =
        !dialog.InitDir().isEmpty()
        && comparableFolder(dialog.InitDir()) == comparableFolder(platform::shell::programFolder());
    dialog.setInitDir(onProgramFolder ? platform::shell::desktopFolder() : QString());
}

void currentFolderToDesktop()
{
    try {
        const QString desktop = platform::shell::desktopFolder();
        platform::shell::ChDrive(desktop);
        platform::shell::ChDir(desktop);
    } catch (...) {
    }
}

void unloadWaitDialog() noexcept
{
    try {
        if (waitForm && waitForm->isLoaded())
            waitForm->Unload();
    } catch (...) {
    }
}

QString errorDescription(const std::exception &e)
{
    if (const auto *runtime = dynamic_cast<const platform::RuntimeError *>(&e))
        return runtime->Description();
    return QString::fromLocal8Bit(e.what());
}

} // namespace talvik
