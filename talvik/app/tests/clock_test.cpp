// The clock window against the stand-in device.
#include "appFixture.h"

#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataT.h"
#include "platform/forms/centring.h"
#include "platform/forms/toolbar.h"
#include "tools/devicesim/simulator.h"

#include <QDir>
#include <QLineEdit>
#include <QToolButton>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

using namespace talvik;
namespace forms = platform::forms;

namespace {

class ClockTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(Main());
    }
    void TearDown() override
    {
        frmDateTime::settingWindow = nullptr;
        closeProgram();
        m_sim.reset();
        AppFixture::TearDown();
    }
    // A T4KB detector, identified by the main window.
    void connectDevice()
    {
        devicesim::DeviceConfig cfg;
        cfg.model = devicesim::Model::T4KB;
        cfg.clock = QDateTime(QDate(2031, 7, 4), QTime(9, 41, 30), Qt::UTC);
        m_sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        ASSERT_TRUE(m_sim->start(linkPath()));
        mainForm->Timer1_Timer(); // a watch tick now
        ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));
        pump(50);
    }
    frmDateTime &openClock()
    {
        mainForm->cmdDate_Click();
        return *static_cast<frmDateTime *>(clockForm);
    }
    // Answers the next box after checking its text and icon.
    void expectBox(const QString &prompt, int style, int answer = forms::vbOK)
    {
        m_script->answerNextWith([prompt, style, answer](const forms::ShownDialog &box) {
            EXPECT_EQ(box.prompt, prompt);
            EXPECT_EQ(box.style, style);
            return answer;
        });
    }
    std::unique_ptr<devicesim::DeviceSimulator> m_sim;
};

} // namespace

TEST_F(ClockTest, ReadShowsTheDeviceClock)
{
    connectDevice();
    frmDateTime &clock = openClock();
    EXPECT_EQ(clock.Caption(), QStringLiteral("時刻設定"));
    EXPECT_EQ(clock.mnuTerm.Caption(), QStringLiteral("通信"));
    EXPECT_EQ(clock.mnuReadDateTime.Caption(), QStringLiteral("時刻ﾃﾞｰﾀの読み出し"));
    EXPECT_EQ(clock.mnuWriteDateTime.Caption(), QStringLiteral("時刻ﾃﾞｰﾀの登録"));
    EXPECT_TRUE(clock.mnuSep1.isSeparator());
    EXPECT_EQ(clock.mnuClose.Caption(), QStringLiteral("閉じる"));
    EXPECT_EQ(clock.tlbDateTime.Count(), 3);
    EXPECT_EQ(clock.tlbDateTime.Buttons(QStringLiteral("ReadTime")).ToolTipText(), QStringLiteral("時刻データの読み込み"));
    EXPECT_EQ(clock.tlbDateTime.Buttons(QStringLiteral("WriteTime")).ToolTipText(), QStringLiteral("時刻データの登録"));
    EXPECT_TRUE(clock.zoDateMonitor.IsEmpty());
    EXPECT_TRUE(clock.zoTimeMonitor.IsEmpty());
    EXPECT_EQ(clock.zoDateMonitor.displayText(), QStringLiteral("____年__月__日"));
    expectBox(QStringLiteral("読み込みは正常に終了しました。"), forms::vbInformation);
    clock.tlbDateTime.clickButton(QStringLiteral("ReadTime"));
    EXPECT_TRUE(commBusy);
    ASSERT_TRUE(waitFor([&] { return m_script->pending() == 0; }, 3000));
    EXPECT_FALSE(commBusy);
    EXPECT_EQ(clock.zoDateMonitor.Text(), QStringLiteral("2031/07/04"));
    EXPECT_EQ(clock.zoTimeMonitor.Text(), QStringLiteral("09:41"));
    EXPECT_EQ(clock.zoDateMonitor.displayText(), QStringLiteral("2031年07月04日"));
    EXPECT_EQ(clock.zoTimeMonitor.displayText(), QStringLiteral("09時41分"));
    const QByteArray rt("\x02RT\x03", 4);
    EXPECT_EQ(m_sim->device().requests().last(), rt);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ClockTest, WriteSendsTheFieldsAfterTheQuestion)
{
    connectDevice();
    frmDateTime &clock = openClock();
    clock.zoDateHostDate.setText(QStringLiteral("2024/03/05"));
    clock.zoTimeHostTime.setText(QStringLiteral("13:07:59"));
    clock.tmrTimeUpdate.setEnabled(false); // keep the PC fields as set
    clock.cmdCopyTime.setValue(true);
    EXPECT_EQ(clock.zoDateMonitor.Text(), QStringLiteral("2024/03/05"));

    // No: nothing is sent and the busy flag stays as it was.
    const int before = m_sim->device().requests().size();
    expectBox(QStringLiteral("時刻データを登録します。よろしいですか？"), forms::vbYesNo, forms::vbNo);
    clock.mnuWriteDateTime_Click();
    pump(300);
    EXPECT_EQ(m_sim->device().requests().size(), before);
    EXPECT_FALSE(commBusy);

    expectBox(QStringLiteral("時刻データを登録します。よろしいですか？"), forms::vbYesNo, forms::vbYes);
    expectBox(QStringLiteral("登録は正常に終了しました。"), forms::vbInformation);
    clock.tlbDateTime.clickButton(QStringLiteral("WriteTime"));
    ASSERT_TRUE(waitFor([&] { return m_script->pending() == 0; }, 3000));
    EXPECT_EQ(clock.record()->year(), QStringLiteral("24"));
    EXPECT_EQ(clock.record()->month(), QStringLiteral("03"));
    EXPECT_EQ(clock.record()->day(), QStringLiteral("05"));
    EXPECT_EQ(clock.record()->hour(), QStringLiteral("13"));
    EXPECT_EQ(clock.record()->minute(), QStringLiteral("07"));
    // The device heard the WT frame with the five fields and now runs from that time.
    const QByteArray wt("\x02WT2403051307\x03", 14);
    EXPECT_EQ(m_sim->device().requests().last(), wt);
    EXPECT_EQ(m_sim->device().clock().date(), QDate(2024, 3, 5));
    EXPECT_EQ(m_sim->device().clock().time().hour(), 13);
    EXPECT_EQ(m_sim->device().clock().time().minute(), 7);
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ClockTest, RefusalsAndInputChecks)
{
    frmDateTime &clock = openClock();
    // No device identified.
    expectBox(QStringLiteral("電源、接続及び通信設定を確認してください。"), forms::vbExclamation);
    clock.mnuReadDateTime_Click();
    // The reader has no settable clock.
    deviceVersion = QStringLiteral("RDX-9 Ver2.3    ");
    expectBox(QStringLiteral("Tovarelにはこの操作は出来ません。"), forms::vbExclamation);
    clock.tlbDateTime_ButtonClick(QStringLiteral("ReadTime"));
    EXPECT_FALSE(commBusy);
    // An item without a key does nothing.
    clock.tlbDateTime_ButtonClick(QString());
    // A write with an empty device field asks nothing.
    clock.zoDateMonitor.setText(QStringLiteral("2024/03/05"));
    expectBox(QStringLiteral("時刻情報を正しく設定してください。"), forms::vbExclamation);
    clock.mnuWriteDateTime_Click();
    // Dates outside 2000-2099 are refused with the range message.
    const QString range = QStringLiteral("範囲外の日付です。　2000年01月01日～2099年12月31日の範囲で入力してください。");
    expectBox(range, forms::vbExclamation);
    EXPECT_FALSE(clock.zoDateMonitor.userEntry(QStringLiteral("1999/12/31")));
    expectBox(range, forms::vbExclamation);
    EXPECT_FALSE(clock.zoDateMonitor.userEntry(QStringLiteral("2100/01/01")));
    EXPECT_EQ(clock.zoDateMonitor.Text(), QStringLiteral("2024/03/05"));
    EXPECT_TRUE(clock.zoDateMonitor.userEntry(QStringLiteral("2099/12/31")));
    EXPECT_EQ(clock.record()->year(), QStringLiteral("99"));
    EXPECT_EQ(clock.record()->day(), QStringLiteral("31"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ClockTest, TransferErrorForgetsTheDevice)
{
    connectDevice();
    frmDateTime &clock = openClock();
    m_sim->device().faults().add(QStringLiteral("RT:silence"));
    m_script->answerNextWith([](const forms::ShownDialog &box) {
        EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("ﾀｲﾑｱｳﾄが発生しました。"))) << box.prompt.toStdString();
        EXPECT_EQ(box.style, forms::vbCritical);
        return forms::vbOK;
    });
    clock.mnuReadDateTime.click();
    ASSERT_TRUE(waitFor([&] { return m_script->pending() == 0; }, 4000));
    EXPECT_TRUE(deviceVersion.isEmpty());
    EXPECT_FALSE(commBusy);
    expectBox(QStringLiteral("電源、接続及び通信設定を確認してください。"), forms::vbExclamation);
    clock.mnuReadDateTime_Click();
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ClockTest, TheOpenerIsDisabledWhileTheWindowIsOpen)
{
    forms::Form setting;
    setting.Show();
    frmDateTime::settingWindow = [&setting] { return &setting; };
    frmDateTime &clock = openClock();
    EXPECT_FALSE(setting.Enabled());
    EXPECT_TRUE(setting.hasDisableHold(frmDateTime::holdName()));
    // Another hold on the settings window survives the clock window's close.
    setting.addDisableHold(QStringLiteral("other"));
    clock.mnuClose.click();
    EXPECT_FALSE(clock.isLoaded());
    EXPECT_FALSE(setting.hasDisableHold(frmDateTime::holdName()));
    EXPECT_FALSE(setting.Enabled());
    setting.releaseDisableHold(QStringLiteral("other"));
    EXPECT_TRUE(setting.Enabled());
    EXPECT_TRUE(setting.Visible());

    // Opened again: a fresh showing with empty device fields.
    frmDateTime &again = openClock();
    EXPECT_TRUE(again.zoDateMonitor.IsEmpty());
    EXPECT_FALSE(setting.Enabled());
    again.Unload();
    EXPECT_TRUE(setting.Enabled());
    setting.Unload();
}

TEST_F(ClockTest, ClockWindowScreenshot)
{
    frmDateTime &clock = openClock();
    clock.zoDateMonitor.setText(QStringLiteral("2024/03/05"));
    clock.zoTimeMonitor.setText(QStringLiteral("13:07"));
    pump(150);
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    ASSERT_FALSE(dir.isEmpty());
    QDir().mkpath(dir);
    EXPECT_TRUE(clock.widget()->grab().save(dir + QStringLiteral("/frmDateTime.png")));
}

TEST_F(ClockTest, ClockWindowOpensCentredOnTheScreenAndOwned)
{
    mainForm->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainForm->widget()));
    // The main window stands at the top left; the clock does not follow it.
    mainForm->widget()->move(0, 0);
    QTest::mouseClick(mainForm->cmdDate.widget(), Qt::LeftButton);
    ASSERT_NE(clockForm, nullptr);
    QWidget *clock = clockForm->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock));
    // Under a window manager the window is centred again by its own frame
    // once that is told, a moment after it is exposed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !platform::forms::placingPending(clock); }, 5000));
    const QRect area = clock->screen()->availableGeometry();
    const QPoint centre = platform::forms::outerGeometry(clock).center();
    EXPECT_LE(std::abs(centre.x() - area.center().x()), 2) << centre.x();
    EXPECT_LE(std::abs(centre.y() - area.center().y()), 2) << centre.y();
    EXPECT_EQ(clock->windowHandle()->transientParent(), mainForm->widget()->windowHandle());
    EXPECT_FALSE(clock->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(clock->minimumSize(), clock->maximumSize()) << "a fixed border";
}

namespace {

// The tool button of a toolbar as the user clicks it, found by its tip.
QWidget *toolButton(forms::Toolbar &bar, const QString &tip)
{
    for (QToolButton *button : bar.widget()->findChildren<QToolButton *>())
        if (button->toolTip() == tip)
            return button;
    return nullptr;
}

// Types into the device time field as the user does: click into it, the
// old text selected away, the keys.
void typeTime(frmDateTime &clock, const QString &keys)
{
    auto *edit = qobject_cast<QLineEdit *>(clock.zoTimeMonitor.widget());
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, keys);
}

} // namespace

TEST_F(ClockTest, AnImpossibleTimeIsRefusedAndNothingSent)
{
    connectDevice();
    frmDateTime &clock = openClock();
    clock.Show();
    clock.widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(clock.widget()));
    clock.tmrTimeUpdate.setEnabled(false); // keep the PC fields as set
    clock.zoDateHostDate.setText(QStringLiteral("2024/03/05"));
    clock.zoTimeHostTime.setText(QStringLiteral("13:07:59"));
    QTest::mouseClick(clock.cmdCopyTime.widget(), Qt::LeftButton);
    ASSERT_EQ(clock.zoTimeMonitor.Text(), QStringLiteral("13:07"));
    QWidget *write = toolButton(clock.tlbDateTime, QStringLiteral("時刻データの登録"));
    ASSERT_NE(write, nullptr);
    const int heard = m_sim->device().requests().size();
    const QString refused = QStringLiteral("時刻情報を正しく設定してください。");

    // 25:99 typed and the write clicked at once: refused, no question, nothing sent.
    typeTime(clock, QStringLiteral("2599"));
    expectBox(refused, forms::vbExclamation);
    QTest::mouseClick(write, Qt::LeftButton);
    pump(300);
    EXPECT_EQ(m_sim->device().requests().size(), heard);
    EXPECT_EQ(clock.zoTimeMonitor.Text(), QStringLiteral("13:07"));
    EXPECT_FALSE(commBusy);
    // The same through the menu.
    typeTime(clock, QStringLiteral("2460"));
    expectBox(refused, forms::vbExclamation);
    clock.mnuWriteDateTime.click();
    pump(300);
    EXPECT_EQ(m_sim->device().requests().size(), heard);

    // Left with Tab: the field tells at once and keeps the time it had.
    typeTime(clock, QStringLiteral("2599"));
    expectBox(refused, forms::vbExclamation);
    QTest::keyClick(clock.zoTimeMonitor.widget(), Qt::Key_Tab);
    EXPECT_EQ(m_script->pending(), 0);
    EXPECT_EQ(clock.zoTimeMonitor.displayText(), QStringLiteral("13時07分"));

    // A good time typed and written at once: the time typed is what the device gets.
    typeTime(clock, QStringLiteral("2231"));
    expectBox(QStringLiteral("時刻データを登録します。よろしいですか？"), forms::vbYesNo, forms::vbYes);
    expectBox(QStringLiteral("登録は正常に終了しました。"), forms::vbInformation);
    QTest::mouseClick(write, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return m_script->pending() == 0; }, 3000));
    EXPECT_EQ(m_sim->device().requests().last(), QByteArray("\x02WT2403052231\x03", 14));
    EXPECT_EQ(m_sim->device().clock().time().hour(), 22);
    EXPECT_EQ(m_sim->device().clock().time().minute(), 31);

    // The window with the entry typed and after its refusal, for the eye.
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    ASSERT_FALSE(dir.isEmpty());
    QDir().mkpath(dir);
    typeTime(clock, QStringLiteral("2599"));
    EXPECT_TRUE(clock.widget()->grab().save(dir + QStringLiteral("/frmDateTime_typed.png")));
    expectBox(refused, forms::vbExclamation);
    QTest::mouseClick(write, Qt::LeftButton);
    EXPECT_TRUE(clock.widget()->grab().save(dir + QStringLiteral("/frmDateTime_refused.png")));
    EXPECT_TRUE(m_script->verify());
}
