// The program's windows as a screen reader reads them. Every case checks the
// accessible interfaces in process; on the X server (x11run.sh --atspi) it
// then reads the same windows over the accessibility bus from another
// process, as a screen reader does. Offscreen there is no bus and those
// checks are skipped; on X they must pass.
#include "appFixture.h"
#include "atspi.h"
#include "settingsFixture.h"
#include "x11window.h"

#include "platform/forms/accessibility.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/frmData.h"
#include "talvik/link/clsDataC.h"
#include "talvik/settings/frmImportCustom.h"
#include "talvik/settings/frmSelDelete.h"
#include "talvik/settings/frmSetting.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <vector>

using namespace talvik;
using talviktest::AtspiNode;
namespace forms = platform::forms;
namespace win = platform::win;

namespace {

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *a = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    return a ? a->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

// The node of an input that takes text ("text" or "entry" on the bus) by its name.
bool hasField(const AtspiNode &tree, const QString &name)
{
    return tree.find([&](const AtspiNode &n) {
        return (n.role == QLatin1String("text") || n.role == QLatin1String("entry")
                || n.role == QLatin1String("spin button"))
               && n.name == name;
    }) != nullptr;
}

// ---- windows of the running program -----------------------------------------

class ProgramAccessibilityTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(Main());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainForm->widget()));
    }
    void TearDown() override
    {
        frmDateTime::settingWindow = nullptr;
        AppFixture::TearDown();
    }
    // A click on one of the main window's buttons, as the user opens a window.
    static void click(forms::CommandButton &button)
    {
        QTest::mouseClick(button.widget(), Qt::LeftButton);
        pump(50);
    }
};

TEST_F(ProgramAccessibilityTest, MainWindowButtonsAreNamedWithoutTheirCaptionSpacing)
{
    EXPECT_EQ(mainForm->cmdData.Caption(), QStringLiteral("情　報　デ　ー　タ")) << "the caption stays as it is";
    EXPECT_EQ(mainForm->cmdDate.Caption(), QStringLiteral("時　　　刻"));
    EXPECT_EQ(mainForm->cmdSetting.Caption(), QStringLiteral("設　　　　定"));
    EXPECT_EQ(accessibleName(mainForm->cmdData.widget()), QStringLiteral("情報データ"));
    EXPECT_EQ(accessibleName(mainForm->cmdDate.widget()), QStringLiteral("時刻"));
    EXPECT_EQ(accessibleName(mainForm->cmdSetting.widget()), QStringLiteral("設定"));
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the main window's buttons", [](const AtspiNode &tree) {
        for (const char *name : {"情報データ", "時刻", "設定"})
            if (!tree.findByName(QStringLiteral("push button"), QString::fromUtf8(name)))
                return false;
        return true;
    });
}

TEST_F(ProgramAccessibilityTest, DataWindowDemandBoxIsNamedByItsLabel)
{
    click(mainForm->cmdData);
    auto *data = dynamic_cast<frmData *>(dataForm);
    ASSERT_NE(data, nullptr) << "the data window did not open";
    EXPECT_EQ(accessibleName(data->zonumDemand.widget()), QStringLiteral("デマンド"));
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the data window's demand box", [](const AtspiNode &tree) {
        return hasField(tree, QStringLiteral("デマンド"));
    });
}

TEST_F(ProgramAccessibilityTest, ClockWindowFieldsAreNamedByTheirCaptions)
{
    click(mainForm->cmdDate);
    ASSERT_NE(clockForm, nullptr) << "the clock window did not open";
    auto *clock = static_cast<frmDateTime *>(clockForm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock->widget()));
    EXPECT_EQ(accessibleName(clock->zoDateMonitor.widget()), QStringLiteral("検出器の日付"));
    EXPECT_EQ(accessibleName(clock->zoTimeMonitor.widget()), QStringLiteral("検出器の日付 時刻"));
    EXPECT_EQ(accessibleName(clock->zoDateHostDate.widget()), QStringLiteral("パソコン日付"));
    EXPECT_EQ(accessibleName(clock->zoTimeHostTime.widget()), QStringLiteral("パソコン日付 時刻"));
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the clock window's fields", [](const AtspiNode &tree) {
        return hasField(tree, QStringLiteral("検出器の日付")) && hasField(tree, QStringLiteral("検出器の日付 時刻"))
               && hasField(tree, QStringLiteral("パソコン日付")) && hasField(tree, QStringLiteral("パソコン日付 時刻"));
    });
}

TEST_F(ProgramAccessibilityTest, SettingsWindowFieldsAreNamedByTheirFrames)
{
    deviceVersion = QStringLiteral("T4KB Ver2.0     ");
    click(mainForm->cmdSetting);
    ASSERT_NE(settingForm, nullptr) << "the settings window did not open";
    frmSetting &w = *settingForm;
    const std::vector<std::pair<forms::Control *, QString>> fields{
        {&w.txtVerDisp, QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ")},  {&w.txtCustomerID, QStringLiteral("お客さま番号")},
        {&w.numWatt, QStringLiteral("デマンド設定")},      {&w.numSkipTime, QStringLiteral("スキップタイム")},
        {&w.numPulseF2, QStringLiteral("ＣＴ比")},         {&w.numWLevel2, QStringLiteral("注意レベル")}};
    for (const auto &[control, name] : fields) {
        EXPECT_EQ(accessibleName(control->widget()), name) << control->Name().toStdString();
        // The field the user types into inside the input carries the name too.
        if (QWidget *focus = control->widget()->focusProxy()) {
            EXPECT_EQ(accessibleName(focus), name) << control->Name().toStdString();
        }
    }
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    // The model shown decides which of the CT ratio and caution level
    // inputs are visible; the bus shows the fields on screen.
    QStringList shown;
    for (const auto &[control, name] : fields)
        if (control->widget()->isVisible())
            shown << name;
    ASSERT_GE(shown.size(), 4);
    talviktest::expectOnAtspi("the settings window's fields", [&](const AtspiNode &tree) {
        for (const QString &name : shown)
            if (!hasField(tree, name))
                return false;
        return true;
    });
}

} // namespace
