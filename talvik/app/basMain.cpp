#include "talvik/app/basMain.h"

#include "platform/forms/app.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/app/frmMain.h"
#include "talvik/app/registryNotice.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"

#include <QApplication>

namespace talvik {

namespace forms = platform::forms;

frmMain *mainForm = nullptr;

namespace {

void discardMainForm()
{
    frmMain *form = mainForm;
    mainForm = nullptr;
    if (form && form->isLoaded())
        form->Unload();
    delete form;
}

} // namespace

bool Main()
{
    // A registry file found damaged at the first read is told once the
    // start has gone as far as it goes.
    platform::system::RegistryReadProblem registryProblem;
    // The program folder is fixed now, before the current folder moves (a
    // relative TALVIK_HOME is taken from the folder the program starts in).
    platform::shell::programFolder();
    try {
        // 1.
        clearBusy(QStringLiteral("main"));
        // 2.
        appTitle = QStringLiteral("Orvantis");
        forms::App::setTitle(appTitle);
        // 3.
        if (forms::App::PrevInstance()) {
            forms::MsgBox(QStringLiteral("Orvantisは既に起動中です。"), forms::vbOKOnly);
            return false;
        }
        // The registry is read here, before any window or library reads it.
        // A file that cannot be read (or not be kept aside) leaves the
        // registry of this run in memory, so the rest of the start works
        // with it; the user is told once the main window is up.
        registryProblem = platform::system::takeRegistryReadProblem();
        // 4. Any argument selects the service mode.
        srvMode = !forms::App::Command().isEmpty();
        // 5.
        appVersion = QStringLiteral("Ver.%1.%2.%3")
                         .arg(forms::App::Major())
                         .arg(forms::App::Minor())
                         .arg(forms::App::Revision());
        // 6.
        deviceLabel = QStringLiteral("検出器");
        // 7.
        mainForm = new frmMain();
        // 8. Setting the caption loads the window.
        mainForm->setCaption(appTitle + QLatin1Char(' ') + appVersion);
    } catch (const platform::RuntimeError &e) {
        forms::MsgBox(e.Description(), forms::vbCritical);
        showRegistryProblem(registryProblem);
        // Nothing of the failed start stays behind to keep the process alive.
        discardMainForm();
        return false;
    }
    if (mainForm->endRequested()) {
        discardMainForm();
        showRegistryProblem(registryProblem);
        return false;
    }
    // 9. Errors from here on are ignored.
    try {
        const QString desktop = platform::shell::desktopFolder();
        platform::shell::ChDrive(desktop);
        platform::shell::ChDir(desktop);
    } catch (const platform::RuntimeError &) {
    }
    // 10.
    settingOpen = false;
    // 11.
    mainForm->Show(forms::vbModeless);
    // The main window owns the box.
    showRegistryProblem(registryProblem);
    return true;
}

int runProgram()
{
    if (!Main())
        return 0;
    QObject::connect(mainForm, &forms::Form::Unloaded, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    const int code = QApplication::exec();
    discardMainForm();
    return code;
}

} // namespace talvik
