// The settings window against a device that refuses, goes silent or is
// unplugged in the middle of a transfer, driven as the user drives it
// (typing into the fields, clicking the toolbar): what the user is told,
// whether the device stays known, what "System.ini" and the settings log
// record and how the window looks afterwards.
#include "settingFixture.h"

#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsProtocolController.h"

#include <QFileInfo>
#include <QTest>
#include <QToolButton>

using namespace talvik;
using namespace settingtest;
namespace fm = platform::forms;

namespace {

const QString kConfirm = QStringLiteral("設定データを登録します。\rよろしいですか？");
const QString kWriteDone = QStringLiteral("登録は正常に終了しました。");
const QString kReadDone = QStringLiteral("読み込みは正常に終了しました。");
const QString kWcRefused = QStringLiteral("お客さま番号の登録は行えません。\r\rお客さま番号以外の設定を登録しますか？");

class DeviceFaultTest : public SettingFixture {
protected:
    frmSetting &connectAndOpen(devicesim::Model model)
    {
        connectDevice(model);
        QTest::mouseClick(mainForm->cmdSetting.widget(), Qt::LeftButton);
        frmSetting &w = window();
        w.Show();
        w.widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.widget()));
        return w;
    }
    // A toolbar button clicked with the mouse, found by its tip.
    void clickTool(frmSetting &w, const QString &tip)
    {
        for (QToolButton *button : w.tlbSetting.widget()->findChildren<QToolButton *>()) {
            if (button->toolTip() == tip) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no tool button " << tip.toStdString();
    }
    void clickRead(frmSetting &w) { clickTool(w, QStringLiteral("設定データの読み込み")); }
    void clickWrite(frmSetting &w) { clickTool(w, QStringLiteral("設定データの登録")); }
    void read(frmSetting &w)
    {
        expectBox(kReadDone, fm::vbInformation);
        clickRead(w);
        ASSERT_TRUE(waitForBoxes());
        pump(50);
    }
    int countOf(const QByteArray &command) const
    {
        int n = 0;
        for (const QByteArray &r : m_sim->device().requests())
            n += r.mid(1, command.size()) == command;
        return n;
    }
    // The program started afresh in the same folder, the device gone.
    void restartWithoutDevice()
    {
        closeProgram();
        m_sim.reset();
        ASSERT_TRUE(Main());
    }
    QByteArray systemIni() const { return readBytes(homeFile(QStringLiteral("System.ini"))); }
    // The main window's port watch ticks as soon as the adapter is gone, so
    // that it asks the window for its new layout while the transfer runs.
    void watchTheUnplug()
    {
        QObject::connect(m_sim.get(), &devicesim::DeviceSimulator::unplugged, mainForm,
                         [] { mainForm->Timer1_Timer(); }, Qt::QueuedConnection);
    }
    // The window laid out for no device, with the defaults.
    void expectNoDevice(frmSetting &w)
    {
        EXPECT_EQ(w.modelCode, 0);
        EXPECT_EQ(w.txtVerDisp.Text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報無し"));
        EXPECT_TRUE(deviceVersion.isEmpty());
        EXPECT_FALSE(w.fraPulseF.Visible());
        EXPECT_TRUE(w.fraPulseF2.Visible());
        EXPECT_FALSE(w.fraPulse.Visible());
        EXPECT_FALSE(w.fraWLevel.Visible());
        EXPECT_TRUE(w.fraWLevel2.Visible());
        EXPECT_EQ(w.numWatt.Text(), QStringLiteral("180"));
        EXPECT_EQ(w.Caption(), QStringLiteral("監視設定 [新規作成]"));
        EXPECT_FALSE(commBusy);
    }
    // The only box is the time-out message.
    void expectTimeOutBox()
    {
        m_script->answerNextWith([](const fm::ShownDialog &box) {
            EXPECT_EQ(box.prompt, clsProtocolController::timeOutText());
            EXPECT_EQ(box.style, fm::vbCritical);
            return fm::vbOK;
        });
    }
};

} // namespace

TEST_F(DeviceFaultTest, UnplugDuringTheCustomerReadIsATimeOutAndTheWindowShowsNoDevice)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T6KA);
    ASSERT_EQ(w.modelCode, 5);
    ASSERT_TRUE(w.fraPulse.Visible());
    type(w.numWatt, QStringLiteral("321"));
    m_sim->device().faults().add(QStringLiteral("RC:unplug"));
    watchTheUnplug();
    expectTimeOutBox();
    clickRead(w);
    ASSERT_TRUE(waitForBoxes(6000));
    pump(300);
    EXPECT_EQ(m_script->shown().size(), 1) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_FALSE(m_sim->isPlugged());
    EXPECT_EQ(countOf("RSB"), 0);
    expectNoDevice(w);
    screenshot(QStringLiteral("setting_unplugged_during_read.png"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(DeviceFaultTest, SilenceOnTheCustomerWriteOfAPluggedDeviceAsksWhetherToWriteTheRest)
{
    // Silent on WC, still plugged: the question; No ends the write with
    // nothing sent after WC and nothing recorded, the device still known.
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    read(w);
    const QString version = deviceVersion;
    const QString held = QString::fromLatin1(m_sim->device().customers().value(0).number);
    m_sim->device().faults().add(QStringLiteral("WC:silence"));
    const int lines = w.lstLogs.ListCount();
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectBox(kWcRefused, fm::vbYesNo + fm::vbExclamation, fm::vbNo);
    clickWrite(w);
    ASSERT_TRUE(waitForBoxes(6000));
    pump(200);
    EXPECT_EQ(m_script->shown().size(), 3) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(countOf("WC"), 1);
    EXPECT_EQ(countOf("WSA"), 0);
    EXPECT_FALSE(QFileInfo::exists(homeFile(QStringLiteral("System.ini"))));
    EXPECT_EQ(w.lstLogs.ListCount(), lines);
    EXPECT_EQ(deviceVersion, version);
    EXPECT_EQ(w.modelCode, 3);
    EXPECT_FALSE(commBusy);

    // Yes: the settings go, the device keeps its number, and the number it
    // holds is what "System.ini" and the log line record.
    type(w.numWatt, QStringLiteral("275"));
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectBox(kWcRefused, fm::vbYesNo + fm::vbExclamation, fm::vbYes);
    expectBox(kWriteDone, fm::vbInformation);
    clickWrite(w);
    ASSERT_TRUE(waitForBoxes(8000));
    EXPECT_EQ(countOf("WC"), 2);
    EXPECT_EQ(countOf("WSA"), 1);
    EXPECT_TRUE(m_sim->device().settingsText().startsWith("2750")) << m_sim->device().settingsText().constData();
    EXPECT_EQ(m_sim->device().customers().value(0).number, held.toLatin1());
    EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("3"), QStringLiteral("お客さま番号")), held);
    EXPECT_EQ(w.lstLogs.ListCount(), lines + 1);
    EXPECT_EQ(deviceVersion, version);
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(DeviceFaultTest, UnplugDuringTheCustomerWriteIsATimeOutWithoutTheQuestion)
{
    // Unplugged during WC: the same, and the window turns to no device.
    frmSetting &w = connectAndOpen(devicesim::Model::T4KA10);
    ASSERT_EQ(w.modelCode, 2);
    ASSERT_TRUE(w.fraPulseF.Visible());
    read(w);
    const int lines = w.lstLogs.ListCount();
    m_sim->device().faults().add(QStringLiteral("WC:unplug"));
    watchTheUnplug();
    const int before = int(m_script->shown().size());
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectTimeOutBox();
    clickWrite(w);
    ASSERT_TRUE(waitForBoxes(6000));
    pump(300);
    EXPECT_EQ(m_script->shown().size(), before + 2) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_FALSE(m_sim->isPlugged());
    EXPECT_EQ(countOf("WS"), 0);
    EXPECT_FALSE(QFileInfo::exists(homeFile(QStringLiteral("System.ini"))));
    EXPECT_EQ(w.lstLogs.ListCount(), lines);
    expectNoDevice(w);
    screenshot(QStringLiteral("setting_unplugged_during_write.png"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(DeviceFaultTest, AWriteTheDeviceRefusedKeepsItKnown)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T6KA);
    read(w);
    const QString version = deviceVersion;
    // A first write puts the device's settings into "System.ini".
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectBox(kWriteDone, fm::vbInformation);
    clickWrite(w);
    ASSERT_TRUE(waitForBoxes(8000));
    const QByteArray iniBefore = systemIni();
    ASSERT_FALSE(iniBefore.isEmpty());
    const QByteArray deviceBefore = m_sim->device().settingsText();
    const int lines = w.lstLogs.ListCount();

    // CT primary 123 is no step of 5: the device answers NAK four times.
    type(w.numPulseF2, QStringLiteral("123"));
    const int wsb = countOf("WSB");
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectBox(writeRefusedText, fm::vbCritical);
    clickWrite(w);
    ASSERT_TRUE(waitForBoxes(8000));
    pump(100);
    EXPECT_EQ(countOf("WSB"), wsb + 4);
    EXPECT_EQ(m_sim->device().settingsText(), deviceBefore);
    // Still known: version, model and layout stay; nothing was recorded.
    EXPECT_EQ(deviceVersion, version);
    EXPECT_EQ(w.txtVerDisp.Text(), version);
    EXPECT_EQ(w.modelCode, 5);
    EXPECT_TRUE(w.fraPulse.Visible());
    EXPECT_EQ(systemIni(), iniBefore);
    EXPECT_EQ(w.lstLogs.ListCount(), lines);
    EXPECT_FALSE(commBusy);

    // Corrected and written again, without unplugging.
    type(w.numPulseF2, QStringLiteral("125"));
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectBox(kWriteDone, fm::vbInformation);
    clickWrite(w);
    ASSERT_TRUE(waitForBoxes(8000));
    EXPECT_EQ(m_sim->device().settingsText().mid(4, 3), QByteArray("125"));
    QByteArray expected = iniBefore;
    expected.replace(cp932(QStringLiteral("電力計設定3=150\n")), cp932(QStringLiteral("電力計設定3=125\n")));
    expected.replace(cp932(QStringLiteral("電力計設定2=150\n")), cp932(QStringLiteral("電力計設定2=125\n")));
    EXPECT_NE(expected, iniBefore);
    EXPECT_EQ(systemIni(), expected);
    EXPECT_EQ(w.lstLogs.ListCount(), lines + 1);
    EXPECT_TRUE(w.lstLogs.List(0).contains(QStringLiteral("電力計:125/5"))) << w.lstLogs.List(0).toStdString();
    EXPECT_TRUE(m_script->verify());
}

TEST_F(DeviceFaultTest, ARefusedCustomerNumberIsNotRecorded)
{
    // Known from a read: the log line and "System.ini" carry the number the
    // device holds, not the one it refused.
    {
        frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
        read(w);
        const QString held = QString::fromLatin1(m_sim->device().customers().value(0).number);
        ASSERT_EQ(w.txtCustomerID.Text(), held);
        type(w.txtCustomerID, QStringLiteral("123456789"));
        m_sim->device().faults().add(QStringLiteral("WC:alwaysnak"));
        expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
        expectBox(kWcRefused, fm::vbYesNo + fm::vbExclamation, fm::vbYes);
        expectBox(kWriteDone, fm::vbInformation);
        clickWrite(w);
        ASSERT_TRUE(waitForBoxes(10000));
        EXPECT_EQ(m_sim->device().customers().value(0).number, held.toLatin1());
        EXPECT_TRUE(w.lstLogs.List(0).contains(QStringLiteral("設定変更 お客さま番号:") + held + QStringLiteral(", ")))
            << w.lstLogs.List(0).toStdString();
        EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("3"), QStringLiteral("お客さま番号")), held);
        EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("3"), QStringLiteral("デマンド設定")),
                  QStringLiteral("2500"));
        ASSERT_TRUE(w.Unload());
        restartWithoutDevice();
    }
    // Not read in this window: "System.ini" keeps the number it has, and the
    // log line names that one.
    writeBytes(homeFile(QStringLiteral("System.ini")),
               cp932(QStringLiteral("[3]\nお客さま番号=555555555\nデマンド設定=3000\nスキップタイム設定=12\n"
                                    "電力計設定2=100\n注意警報レベル設定2=080\n")));
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    ASSERT_EQ(w.txtCustomerID.Text(), QStringLiteral("555555555"));
    type(w.txtCustomerID, QStringLiteral("123456789"));
    m_sim->device().faults().add(QStringLiteral("WC:alwaysnak"));
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectBox(kWcRefused, fm::vbYesNo + fm::vbExclamation, fm::vbYes);
    expectBox(kWriteDone, fm::vbInformation);
    clickWrite(w);
    ASSERT_TRUE(waitForBoxes(10000));
    EXPECT_EQ(m_sim->device().settingsText(), QByteArray("3000" "100" "12" "080"));
    EXPECT_TRUE(w.lstLogs.List(0).contains(QStringLiteral("設定変更 お客さま番号:555555555, ")))
        << w.lstLogs.List(0).toStdString();
    EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("3"), QStringLiteral("お客さま番号")),
              QStringLiteral("555555555"));
    EXPECT_TRUE(m_script->verify());
}
