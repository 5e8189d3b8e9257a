// The whole program by the keyboard: Enter on the main window's buttons,
// and after the clock window's read box the clock window (not the settings
// window it holds disabled) is active with its focus back.
#include "appFixture.h"

#include "platform/forms/app.h"
#include "platform/forms/toolbar.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "talvik/settings/frmSetting.h"
#include "talvik/store/dataWindow.h"
#include "tools/devicesim/simulator.h"
#include "testfiles.h"
#include "x11window.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace talvik;
namespace forms = platform::forms;

namespace {

// The title of the active window, for failure messages.
QString activeTitle()
{
    QWidget *active = QApplication::activeWindow();
    return active ? active->windowTitle() : QStringLiteral("none");
}

// The control with the focus and its window, for failure messages.
QString focusName()
{
    QWidget *f = QApplication::focusWidget();
    return f ? QString::fromLatin1(f->metaObject()->className()) + u' ' + f->objectName() + QStringLiteral(" in ") +
                   f->window()->windowTitle()
             : QStringLiteral("none");
}

class KeyboardTest : public RunningProgramFixture {
protected:
    void TearDown() override
    {
        closeProgram();
        m_sim.reset();
        RunningProgramFixture::TearDown();
    }
    // Gives the focus to a button of the main window, as Tab would.
    static bool focusOn(forms::Form &form, QWidget *button)
    {
        if (!talviktest::activateWindowAsAPersonDoes(form.widget())) {
            ADD_FAILURE() << "not active: " << form.Caption().toStdString();
            return false;
        }
        button->setFocus(Qt::TabFocusReason);
        if (waitFor([&] { return button->hasFocus(); }, 2000))
            return true;
        ADD_FAILURE() << "no focus: visible " << button->isVisible() << " enabled " << button->isEnabled()
                      << " window enabled " << form.widget()->isEnabled() << " holds "
                      << form.disableHolds().join(u',').toStdString();
        return false;
    }
    // A click on a toolbar button, as the user gives it.
    static void clickTool(forms::Toolbar &bar, const QString &key)
    {
        QAction *action = bar.Buttons(key).action();
        QWidget *button = nullptr;
        if (action)
            for (QObject *w : action->associatedObjects())
                if (auto *tool = qobject_cast<QToolButton *>(w); tool && tool->isVisible())
                    button = tool;
        ASSERT_NE(button, nullptr) << key.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // After a box of the clock window closed: once the window manager has
    // handed the activation on, the clock window is the active one (not the
    // settings window it holds disabled), its focus is back on the control
    // that had it, and Tab and Shift+Tab move the focus in it.
    static ::testing::AssertionResult theClockWindowIsAtWork(forms::Form *clock, forms::Form *setting, QWidget *focus)
    {
        // The activation has left the box that closed.
        if (!waitFor(
                [] {
                    QWidget *active = QApplication::activeWindow();
                    return active && active->isVisible() && !qobject_cast<QMessageBox *>(active);
                },
                3000))
            return ::testing::AssertionFailure() << "no window active after the box, active: " << activeTitle().toStdString();
        if (!waitFor([&] { return QApplication::activeWindow() == clock->widget(); }, 3000))
            return ::testing::AssertionFailure() << "active: " << activeTitle().toStdString()
                                                 << (QApplication::activeWindow() == setting->widget() ? " (disabled)" : "");
        if (QApplication::focusWidget() != focus)
            return ::testing::AssertionFailure() << "focus on " << focusName().toStdString();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *next = QApplication::focusWidget();
        if (!next || next == focus || next->window() != clock->widget())
            return ::testing::AssertionFailure() << "Tab went to " << focusName().toStdString();
        QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
        if (QApplication::focusWidget() != focus)
            return ::testing::AssertionFailure() << "Shift+Tab went to " << focusName().toStdString();
        return ::testing::AssertionSuccess();
    }
    std::unique_ptr<devicesim::DeviceSimulator> m_sim;
};

} // namespace

// Each button of the main window opens its window on Enter, as on Space.
TEST_F(KeyboardTest, EnterOnTheMainWindowsButtonsOpensTheirWindows)
{
    ASSERT_TRUE(focusOn(*mainForm, mainForm->cmdData.widget()));
    QTest::keyClick(mainForm->cmdData.widget(), Qt::Key_Return);
    ASSERT_NE(dataForm, nullptr);
    EXPECT_TRUE(dataForm->form()->Visible());
    // Closed once it is at work, as by the user.
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(dataForm->form()->widget()));
    ASSERT_TRUE(dataForm->form()->Unload());
    // The main window is at work again with its focus on the button.
    EXPECT_TRUE(waitFor([] { return QApplication::activeWindow() == mainForm->widget(); }, 3000))
        << activeTitle().toStdString();

    ASSERT_TRUE(focusOn(*mainForm, mainForm->cmdSetting.widget()));
    QTest::keyClick(mainForm->cmdSetting.widget(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_NE(settingForm, nullptr);
    EXPECT_TRUE(static_cast<forms::Form *>(settingForm)->Visible());
    static_cast<forms::Form *>(settingForm)->Unload();

    // The clock window last: it opens with the data window as its opener.
    ASSERT_TRUE(focusOn(*mainForm, mainForm->cmdDate.widget()));
    QTest::keyClick(mainForm->cmdDate.widget(), Qt::Key_Return);
    ASSERT_NE(clockForm, nullptr);
    EXPECT_TRUE(clockForm->Visible());
    clockForm->Unload();
    EXPECT_TRUE(m_script->verify());
}

// The clock window opened from the settings window holds that window
// disabled; after its read box, the clock window is the active one with its
// focus where it was, so that Tab goes on in it.
TEST_F(KeyboardTest, AfterTheClockWindowsReadBoxTheClockWindowIsActive)
{
    devicesim::DeviceConfig cfg;
    cfg.model = devicesim::Model::T4KB;
    m_sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
    ASSERT_TRUE(m_sim->start(linkPath()));
    mainForm->Timer1_Timer();
    ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));

    // The settings window opened by a click (Enter on the button has a test
    // of its own), the clock window from its toolbar.
    click(mainForm->cmdSetting);
    ASSERT_NE(settingForm, nullptr);
    auto *setting = static_cast<forms::Form *>(settingForm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(setting->widget()));
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(setting->widget()));
    ASSERT_NO_FATAL_FAILURE(clickTool(settingForm->tlbSetting, QStringLiteral("Clock")));
    ASSERT_NE(clockForm, nullptr);
    auto *clock = static_cast<frmDateTime *>(clockForm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock->widget()));
    EXPECT_FALSE(setting->Enabled());
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(clock->widget()));
    ASSERT_TRUE(waitFor([&] { return clock->widget()->focusWidget() != nullptr; }, 2000));
    QWidget *focus = clock->widget()->focusWidget();

    for (int run = 0; run < 5; ++run) {
        SCOPED_TRACE(run);
        m_script->showAndPressNext(forms::vbOK);
        ASSERT_NO_FATAL_FAILURE(clickTool(clock->tlbDateTime, QStringLiteral("ReadTime")));
        ASSERT_TRUE(waitFor([&] { return m_script->pending() == 0 && !commBusy; }, 5000));
        EXPECT_EQ(m_script->prompts().value(run), QStringLiteral("読み込みは正常に終了しました。"));
        EXPECT_TRUE(theClockWindowIsAtWork(clock, setting, focus));
    }
    EXPECT_TRUE(m_script->verify());
    clock->Unload();
    EXPECT_TRUE(setting->Enabled());
    setting->Unload();
}

namespace {

// The program started in service mode (any argument): the service data
// window imports the customer's file at start-up, after its number dialog.
class ServiceStartTest : public AppFixture {
protected:
    void TearDown() override
    {
        closeProgram();
        AppFixture::TearDown();
    }
};

} // namespace

// After the number dialog of the start-up import closed and the main window
// came up (disabled while the service window is open), the service window is
// the active one with a focused control, and Tab goes on in it; never the
// disabled main window, where no key does anything.
TEST_F(ServiceStartTest, AfterTheStartUpImportTheServiceWindowIsAtWork)
{
    const QString input = m_other.path() + QStringLiteral("/input");
    talviktest::writeFile(input + QStringLiteral("/123456789/123456789.csv"),
                          "20240105,1000,0123\r\n20240105,1030,0456\r\n");
    talviktest::writeFile(input + QStringLiteral("/123456789/123456789as.csv"),
                          "20240105,1000,3,1\r\n20240105,1030,12,4\r\n");
    QFile ini(home() + QStringLiteral("/system2.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[SYSTEM_INFO]\r\nINIT=1\r\nfolder=" + input.toUtf8() + "\r\n");
    ini.close();
    forms::App::setCommand(QStringLiteral("-"));
    // The number dialog comes up modally while the service window loads:
    // the number is typed and OK clicked.
    bool dialogSeen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (dialogSeen || !(importCustomSrvForm && importCustomSrvForm->isModal()))
            return;
        if (!QTest::qWaitForWindowExposed(importCustomSrvForm->widget()))
            return;
        dialogSeen = true;
        poll.stop();
        enterServiceNumber(QStringLiteral("123456789"));
    });
    poll.start();
    ASSERT_TRUE(Main());
    poll.stop();
    ASSERT_TRUE(dialogSeen);
    ASSERT_NE(dataForm, nullptr);
    QWidget *service = dataForm->form()->widget();
    QWidget *main = mainForm->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(service));
    EXPECT_FALSE(mainForm->Enabled());

    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == service; }, 5000))
        << "active: " << activeTitle().toStdString() << (QApplication::activeWindow() == main ? " (disabled)" : "");
    QWidget *focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no control has the focus, active: " << activeTitle().toStdString();
    EXPECT_EQ(focus->window(), service) << focusName().toStdString();
    QTest::keyClick(focus, Qt::Key_Tab);
    QWidget *next = QApplication::focusWidget();
    EXPECT_TRUE(next && next != focus && next->window() == service) << "Tab went to " << focusName().toStdString();
    EXPECT_TRUE(m_script->verify());
}
