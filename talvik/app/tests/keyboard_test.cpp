// The whole program by the keyboard: Enter on the main window's buttons,
// and after the clock window's read box the clock window (not the settings
// window it holds disabled) is active with its focus back.
#include "appFixture.h"

#include "platform/forms/toolbar.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/settings/frmSetting.h"
#include "talvik/store/dataWindow.h"
#include "tools/devicesim/simulator.h"
#include "x11window.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>

using namespace talvik;
namespace forms = platform::forms;

namespace {

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
    static QString activeTitle()
    {
        QWidget *active = QApplication::activeWindow();
        return active ? active->windowTitle() : QStringLiteral("none");
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

    ASSERT_TRUE(focusOn(*mainForm, mainForm->cmdSetting.widget()));
    QTest::keyClick(mainForm->cmdSetting.widget(), Qt::Key_Return);
    ASSERT_NE(settingForm, nullptr);
    auto *setting = static_cast<forms::Form *>(settingForm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(setting->widget()));
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(setting->widget()));
    settingForm->tlbSetting.clickButton(QStringLiteral("Clock"));
    ASSERT_NE(clockForm, nullptr);
    auto *clock = static_cast<frmDateTime *>(clockForm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock->widget()));
    EXPECT_FALSE(setting->Enabled());
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(clock->widget()));
    QWidget *focus = clock->widget()->focusWidget();

    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        m_script->showAndPressNext(forms::vbOK);
        clock->tlbDateTime.clickButton(QStringLiteral("ReadTime"));
        ASSERT_TRUE(waitFor([&] { return m_script->pending() == 0 && !commBusy; }, 5000));
        EXPECT_EQ(m_script->prompts().value(run), QStringLiteral("読み込みは正常に終了しました。"));
        // Give a late activation of the window manager its time.
        pump(talviktest::onX11() ? 300 : 20);
        EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == clock->widget(); }, 3000))
            << "active: " << activeTitle().toStdString();
        EXPECT_NE(QApplication::activeWindow(), setting->widget());
        if (focus) {
            EXPECT_EQ(QApplication::focusWidget(), focus);
        }
    }
    EXPECT_TRUE(m_script->verify());
    clock->Unload();
    EXPECT_TRUE(setting->Enabled());
    setting->Unload();
}
