// The program's windows in service mode as the window manager sees them: the
// number dialog is owned by the service data window, which is owned by the
// main window; the main window, disabled while the data window is open,
// does not close from its close box.
#include "appFixture.h"
#include "testfiles.h"

#include "platform/forms/app.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/store/dataWindow.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "x11window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace talvik;
namespace forms = platform::forms;

namespace {

class OwnedWindowsTest : public AppFixture {
protected:
    void writeFile(const QString &path, const QByteArray &bytes) { talviktest::writeFile(path, bytes); }
};

// The window a form is shown in and the one it is transient for, as Qt and
// (on X) the X server hold them.
struct Ownership {
    QWindow *qtOwner = nullptr;
    quint32 xWindow = 0;
    quint32 xOwner = 0;
};

Ownership ownershipOf(QWidget *window)
{
    Ownership o;
    o.qtOwner = window->windowHandle() ? window->windowHandle()->transientParent() : nullptr;
    o.xWindow = talviktest::x11Window(window);
    o.xOwner = talviktest::x11TransientFor(o.xWindow);
    return o;
}

} // namespace

TEST_F(OwnedWindowsTest, ServiceModeWindowsStayAboveTheirOwnersAndTheDisabledMainWindowDoesNotClose)
{
    const QString input = m_other.path() + QStringLiteral("/input");
    writeFile(input + QStringLiteral("/123456789/123456789.csv"), "20240105,1000,0123\r\n20240105,1030,0456\r\n");
    writeFile(input + QStringLiteral("/123456789/123456789as.csv"), "20240105,1000,3,1\r\n20240105,1030,12,4\r\n");
    QFile ini(home() + QStringLiteral("/system2.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[SYSTEM_INFO]\r\nINIT=1\r\nfolder=" + input.toUtf8() + "\r\n");
    ini.close();
    forms::App::setCommand(QStringLiteral("-"));
    // Message boxes of the import take their default answers.
    forms::DialogScript::setUnexpectedDialogHandler([](const QString &) {});

    // The number dialog comes up modally while the data window loads: its
    // ownership is noted, then the number is typed and OK clicked.
    bool dialogSeen = false;
    Ownership dialog;
    QWidget *dialogOwner = nullptr;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (dialogSeen || !(importCustomSrvForm && importCustomSrvForm->isModal()))
            return;
        if (!QTest::qWaitForWindowExposed(importCustomSrvForm->widget()))
            return;
        dialogSeen = true;
        poll.stop();
        dialog = ownershipOf(importCustomSrvForm->widget());
        dialogOwner = dataForm ? dataForm->form()->widget() : nullptr;
        enterServiceNumber(QStringLiteral("123456789"));
    });
    poll.start();
    ASSERT_TRUE(Main());
    poll.stop();
    ASSERT_TRUE(dialogSeen);
    ASSERT_NE(mainForm, nullptr);
    ASSERT_NE(dataForm, nullptr);
    QWidget *main = mainForm->widget();
    QWidget *data = dataForm->form()->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(data));

    // The number dialog belongs to the data window.
    ASSERT_NE(dialogOwner, nullptr);
    EXPECT_EQ(dialog.qtOwner, dialogOwner->windowHandle());
    // The data window belongs to the main window.
    const Ownership dataOwnership = ownershipOf(data);
    EXPECT_EQ(dataOwnership.qtOwner, main->windowHandle());
    if (talviktest::onX11()) {
        EXPECT_EQ(dialog.xOwner, talviktest::x11Window(dialogOwner)) << "number dialog: no WM_TRANSIENT_FOR";
        EXPECT_EQ(dataOwnership.xOwner, talviktest::x11Window(main)) << "service data window: no WM_TRANSIENT_FOR";
    }

    // The main window is disabled while the data window is open; its close
    // box neither closes it nor ends the program.
    EXPECT_FALSE(mainForm->Enabled());
    if (!talviktest::x11RequestClose(main))
        main->close();
    AppFixture::pump(talviktest::onX11() ? 300 : 20);
    ASSERT_NE(mainForm, nullptr);
    EXPECT_TRUE(mainForm->isLoaded()) << "the disabled main window was closed";
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(data->isVisible());

    // A picture of the two windows for the build's artifacts.
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!artifacts.isEmpty() && QDir().mkpath(artifacts) && main->screen())
        main->screen()->grabWindow(0).save(artifacts + QStringLiteral("/serviceModeWindows.png"));
}
