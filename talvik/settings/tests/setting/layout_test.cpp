// The settings window's layouts per model, its defaults, its life cycle
// with the main window and the clock window, and screenshots.
#include "settingFixture.h"

#include "platform/forms/centring.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/link/clsDataS.h"
#include "talvik/store/dataWindow.h"

#include "talvik/link/frmSerialSetUp.h"

#include <QFileInfo>
#include <QTimer>
#include <QTest>

using namespace talvik;
using namespace settingtest;
namespace fm = platform::forms;

namespace {

class LayoutTest : public SettingFixture {
protected:
    struct Shown {
        bool pulseF, pulseF2, pulse, wLevel, wLevel2;
    };
    void expectFrames(frmSetting &w, Shown s)
    {
        EXPECT_EQ(w.fraPulseF.Visible(), s.pulseF);
        EXPECT_EQ(w.fraPulseF2.Visible(), s.pulseF2);
        EXPECT_EQ(w.fraPulse.Visible(), s.pulse);
        EXPECT_EQ(w.fraWLevel.Visible(), s.wLevel);
        EXPECT_EQ(w.fraWLevel2.Visible(), s.wLevel2);
        for (fm::Control *always : std::initializer_list<fm::Control *>{&w.fraDemand, &w.fraCustomerID, &w.fraSkip,
                                                                        &w.fraWInterval, &w.fraRumble})
            EXPECT_TRUE(always->Visible()) << always->Name().toStdString();
        EXPECT_EQ(w.chkDetail.Value(), fm::vbUnchecked);
        EXPECT_FALSE(w.chkDetail.Enabled());
        EXPECT_EQ(w.Height(), 5280);
    }
    void expectDefaults(frmSetting &w)
    {
        EXPECT_EQ(w.txtCustomerID.Text(), QStringLiteral("000000000"));
        EXPECT_EQ(w.numWatt.Text(), QStringLiteral("180"));
        EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("20"));
        EXPECT_TRUE(w.optWattButtons(0).Value());
        EXPECT_TRUE(w.optPulButtons(0).Value());
        EXPECT_TRUE(w.optWlevelButtons(2).Value());
        EXPECT_TRUE(w.optWinterval1Buttons(2).Value());
        EXPECT_TRUE(w.optRumbleButtons(0).Value());
        EXPECT_EQ(w.settingFileName, QStringLiteral("新規作成"));
        EXPECT_EQ(w.Caption(), QStringLiteral("監視設定 [新規作成]"));
    }
    // Section "5" of System.ini as the program writes it.
    void writeT6kaSection()
    {
        writeBytes(homeFile(QStringLiteral("System.ini")),
                   cp932(QStringLiteral("[5]\nお客さま番号=123456789\nデマンド設定=2500\nスキップタイム設定=04\n"
                                        "電力計設定=2\n電力計設定2=100\n電力計設定3=150\n注意警報レベル設定=1\n"
                                        "注意警報レベル設定2=080\n注意警報レベル設定3=075\n警報間隔１設定=3\n"
                                        "受信機鳴動設定=2\nパルス定数=02000\n")));
    }
};

} // namespace

TEST_F(LayoutTest, T6kaShowsCtPulseAndCautionValuesWithTheLastSettings)
{
    writeT6kaSection();
    frmSetting &w = openWith(kT6ka);
    EXPECT_EQ(w.modelCode, 5);
    expectFrames(w, {false, true, true, false, true});
    EXPECT_EQ(w.txtVerDisp.Text(), kT6ka);
    EXPECT_EQ(w.lblSkipComment.Caption(), QStringLiteral("3　～　15分"));
    EXPECT_DOUBLE_EQ(w.numSkipTime.MinValue(), 3);
    // The last T6KA settings.
    EXPECT_EQ(w.txtCustomerID.Text(), QStringLiteral("123456789"));
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("250"));
    EXPECT_EQ(w.numSkipTime.Text(), QStringLiteral("4"));
    EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("150"));
    EXPECT_EQ(w.numWLevel2.Text(), QStringLiteral("75"));
    EXPECT_TRUE(w.optPulButtons(1).Value());
    EXPECT_TRUE(w.optWinterval1Buttons(3).Value());
    EXPECT_TRUE(w.optRumbleButtons(2).Value());
    EXPECT_EQ(w.Caption(), QStringLiteral("監視設定 [新規作成]"));
    EXPECT_EQ(w.numWatt.BackColor(), colorWhite);
    // The menus and the toolbar.
    EXPECT_EQ(w.mnuFile.Caption(), QStringLiteral("ﾌｧｲﾙ"));
    EXPECT_EQ(w.mnuTerm.Caption(), QStringLiteral("通信"));
    EXPECT_EQ(w.mnuSet.Caption(), QStringLiteral("設定"));
    EXPECT_EQ(w.mnuReadSetting.Caption(), QStringLiteral("設定ﾃﾞｰﾀの読み出し"));
    EXPECT_EQ(w.mnuWriteSetting.Caption(), QStringLiteral("設定ﾃﾞｰﾀの登録"));
    EXPECT_TRUE(w.mnuSep1.isSeparator());
    for (const char *key : {"New", "Open", "Save", "Print", "ReadSetting", "WriteSetting", "Clock", "SerialSetUp"})
        EXPECT_NE(w.tlbSetting.find(QString::fromLatin1(key)), nullptr) << key;
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, T4kaV10ShowsTheOptionGroupsAndT4kaT4kbTheValues)
{
    frmSetting &w = openWith(kT4ka10);
    EXPECT_EQ(w.modelCode, 2);
    expectFrames(w, {true, false, false, true, false});
    EXPECT_EQ(w.lblSkipComment.Caption(), QStringLiteral("5　～　15分"));
    EXPECT_DOUBLE_EQ(w.numSkipTime.MinValue(), 5);
    // No section yet: every group on its first button, every number 0.
    EXPECT_TRUE(w.optWattButtons(0).Value());
    EXPECT_TRUE(w.optWlevelButtons(0).Value());
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("0"));
    ASSERT_TRUE(w.Unload());

    for (const QString &version : {kT4ka, kT4kb}) {
        frmSetting &v = openWith(version);
        EXPECT_EQ(v.modelCode, 3) << version.toStdString();
        expectFrames(v, {false, true, false, false, true});
        EXPECT_EQ(v.txtVerDisp.Text(), version);
        EXPECT_EQ(v.lblSkipComment.Caption(), QStringLiteral("5　～　15分"));
        ASSERT_TRUE(v.Unload());
    }
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, ReaderIsRefusedWithDefaults)
{
    expectBox(frmSetting::kReaderRefused, fm::vbExclamation);
    frmSetting &w = openWith(kRdx9);
    EXPECT_TRUE(waitForBoxes());
    EXPECT_EQ(w.modelCode, 0);
    EXPECT_EQ(w.txtVerDisp.Text(), kRdx9);
    expectFrames(w, {false, true, false, false, true});
    expectDefaults(w);
    EXPECT_EQ(w.numSkipTime.Text(), QStringLiteral("5"));
    EXPECT_EQ(w.numWLevel2.Text(), QStringLiteral("90"));
    // File and device commands refuse.
    expectBox(frmSetting::kCheckConnection, fm::vbExclamation);
    w.tlbSetting.clickButton(QStringLiteral("ReadSetting"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, NoDeviceShowsDefaultsAndNeverHighlights)
{
    frmSetting &w = openWith(QString());
    EXPECT_EQ(w.modelCode, 0);
    EXPECT_EQ(w.txtVerDisp.Text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報無し"));
    expectFrames(w, {false, true, false, false, true});
    expectDefaults(w);
    EXPECT_EQ(w.numSkipTime.Text(), QStringLiteral("5"));
    EXPECT_EQ(w.numWLevel2.Text(), QStringLiteral("90"));
    EXPECT_EQ(w.preWatt, kNothingRemembered);
    type(w.numWatt, QStringLiteral("250"));
    type(w.txtCustomerID, QStringLiteral("111"));
    QTest::mouseClick(w.optPulButtons(1).widget(), Qt::LeftButton);
    EXPECT_EQ(w.numWatt.BackColor(), colorWhite);
    EXPECT_EQ(w.txtCustomerID.BackColor(), colorWhite);
    EXPECT_EQ(w.optPulButtons(1).BackColor(), colorButtonFace);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, DeviceChangesWhileOpenReLayTheWindow)
{
    writeT6kaSection();
    frmSetting &w = openWith(kT6ka);
    ASSERT_EQ(w.numWatt.Text(), QStringLiteral("250"));
    // Unplugged: the main window's ActionOff.
    mainForm->ActionOff();
    EXPECT_EQ(w.modelCode, 0);
    EXPECT_EQ(w.txtVerDisp.Text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報無し"));
    EXPECT_FALSE(w.fraPulse.Visible());
    expectDefaults(w);
    // A T4KA 1.0 identified afterwards.
    deviceVersion = kT4ka10;
    w.cmdReadVersionClick();
    EXPECT_EQ(w.modelCode, 2);
    EXPECT_TRUE(w.fraPulseF.Visible());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, MainWindowOpensTheWindowAndGetsItBackWhenItCloses)
{
    frmSetting &w = openWith(QString());
    EXPECT_TRUE(w.Visible());
    EXPECT_TRUE(settingOpen);
    EXPECT_FALSE(mainForm->Enabled());
    EXPECT_EQ(waitForm->parentWindow(), &w);
    EXPECT_EQ(appLogs, w.logs());
    w.mnuClose.click();
    EXPECT_FALSE(w.isLoaded());
    EXPECT_FALSE(settingOpen);
    EXPECT_TRUE(mainForm->Enabled());
    EXPECT_EQ(waitForm->parentWindow(), static_cast<fm::Form *>(mainForm));
    // The program's log object is back.
    EXPECT_NE(appLogs, nullptr);
    // Only reads: no log file written.
    EXPECT_FALSE(QFileInfo::exists(homeFile(QStringLiteral("dDB/download.log"))));
    // The button opens the same window again.
    mainForm->cmdSetting.setValue(true);
    EXPECT_EQ(settingForm, &w);
    EXPECT_TRUE(w.Visible());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, ClockWindowHoldsTheSettingsWindowDisabledAndRaisesItWhenClosed)
{
    frmSetting &w = openWith(QString());
    w.tlbSetting.clickButton(QStringLiteral("Clock"));
    ASSERT_NE(clockForm, nullptr);
    fm::Form *clock = clockForm;
    EXPECT_TRUE(clock->Visible());
    EXPECT_EQ(clock->Owner(), &w);
    EXPECT_FALSE(w.Enabled());
    // The data window is left alone.
    EXPECT_TRUE(dataForm == nullptr || dataForm->form()->Enabled());
    static_cast<frmDateTime *>(clockForm)->mnuClose.click();
    EXPECT_FALSE(clock->isLoaded());
    EXPECT_TRUE(w.Enabled());
    EXPECT_TRUE(w.Visible());
    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == w.widget(); }, 1000));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, ScreenshotsOfEveryLayout)
{
    writeT6kaSection();
    struct Shot {
        QString version;
        QString file;
    };
    for (const Shot &shot : {Shot{kT4ka10, QStringLiteral("frmSetting_T4KA10.png")},
                             Shot{kT4kb, QStringLiteral("frmSetting_T4KB.png")},
                             Shot{kT6ka, QStringLiteral("frmSetting_T6KA.png")},
                             Shot{QString(), QStringLiteral("frmSetting_none.png")}}) {
        frmSetting &w = openWith(shot.version);
        if (shot.version == kT6ka)
            type(w.numWatt, QStringLiteral("300")); // one yellow field
        screenshot(shot.file);
        ASSERT_TRUE(w.Unload());
    }
    expectBox(frmSetting::kReaderRefused, fm::vbExclamation);
    openWith(kRdx9);
    screenshot(QStringLiteral("frmSetting_RDX9.png"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, SerialSettingsOpenModalOverTheWindowAndUnknownKeysDoNothing)
{
    frmSetting &w = openWith(kT4kb);
    ASSERT_NE(serialSetUpForm, nullptr);
    bool modal = false;
    fm::Form *owner = nullptr;
    QTimer::singleShot(100, [&] {
        modal = serialSetUpForm->isModal();
        owner = serialSetUpForm->Owner();
        serialSetUpForm->cmdExit_Click();
    });
    w.tlbSetting.clickButton(QStringLiteral("SerialSetUp"));
    EXPECT_TRUE(modal);
    EXPECT_EQ(owner, &w);
    EXPECT_FALSE(serialSetUpForm->Visible());
    const QString caption = w.Caption();
    w.tlbSetting_ButtonClick(QStringLiteral("Nothing"));
    w.tlbSetting_ButtonClick(QString());
    EXPECT_EQ(w.Caption(), caption);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, AHeightTheUserGaveStaysOverActivationsAndTheSwitchStillSetsIt)
{
    frmSetting &w = openWith(kT4kb);
    QWidget *window = w.widget();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    pump(50);
    // Under a window manager the frame may become known only after the
    // first activation: the height is right once it is known, without
    // another activation.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !platform::forms::sizingPending(window); }, 5000));
    const auto activateAgain = [&] {
        mainForm->Show();
        mainForm->widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(mainForm->widget()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        pump(50);
    };
    ASSERT_EQ(w.Height(), 5280);
    // The user makes the window taller.
    const int taller = window->height() + 120;
    window->resize(window->width(), taller);
    pump(50);
    ASSERT_EQ(window->height(), taller);
    // Another window is activated, then this one again.
    activateAgain();
    EXPECT_EQ(window->height(), taller);
    // A re-layout for the same device keeps it as well.
    w.cmdReadVersionClick();
    EXPECT_EQ(window->height(), taller);
    // The height switch, clicked, sets the tall height and back.
    w.chkDetail.setEnabled(true);
    QTest::mouseClick(w.chkDetail.widget(), Qt::LeftButton, {}, QPoint(8, w.chkDetail.widget()->height() / 2));
    ASSERT_EQ(w.chkDetail.Value(), fm::vbChecked);
    EXPECT_EQ(w.Height(), 7440);
    QTest::mouseClick(w.chkDetail.widget(), Qt::LeftButton, {}, QPoint(8, w.chkDetail.widget()->height() / 2));
    EXPECT_EQ(w.Height(), 5280);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(LayoutTest, ACorruptSystemIniIsNamedOnceAndTheDefaultsShow)
{
    struct Case {
        QString version;
        QString ini;
        QString keyAndValue;
    };
    const Case cases[] = {
        {kT4kb, QStringLiteral("[3]\nお客さま番号=123456789\nデマンド設定=abcd\nスキップタイム設定=07\n"),
         QStringLiteral("[3] デマンド設定=abcd")},
        {kT4ka10, QStringLiteral("[2]\nデマンド設定=2000\n電力計設定=7\n"), QStringLiteral("[2] 電力計設定=7")},
        {kT6ka, QStringLiteral("[5]\nお客さま番号=12345\n"), QStringLiteral("[5] お客さま番号=12345")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keyAndValue.toStdString());
        writeBytes(homeFile(QStringLiteral("System.ini")), cp932(c.ini));
        const QByteArray before = readBytes(homeFile(QStringLiteral("System.ini")));
        const int shown = int(m_script->shown().size());
        m_script->answerNextWith([&](const fm::ShownDialog &box) {
            EXPECT_TRUE(box.prompt.contains(QStringLiteral("System.ini"))) << box.prompt.toStdString();
            EXPECT_TRUE(box.prompt.endsWith(c.keyAndValue)) << box.prompt.toStdString();
            EXPECT_EQ(box.style, fm::vbExclamation);
            return fm::vbOK;
        });
        frmSetting &w = openWith(c.version);
        EXPECT_EQ(m_script->shown().size(), shown + 1) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
        // The defaults of the model, remembered for highlighting.
        expectDefaults(w);
        EXPECT_EQ(w.numSkipTime.Text(), c.version == kT6ka ? QStringLiteral("3") : QStringLiteral("5"));
        EXPECT_EQ(w.numWLevel2.Text(), c.version == kT6ka ? QStringLiteral("85") : QStringLiteral("90"));
        EXPECT_EQ(w.preWatt, QStringLiteral("180"));
        EXPECT_NE(w.modelCode, 0);
        // The file is left as it is.
        EXPECT_EQ(readBytes(homeFile(QStringLiteral("System.ini"))), before);
        ASSERT_TRUE(w.Unload());
    }
    EXPECT_TRUE(m_script->verify());
}
