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
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
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

class ProgramAccessibilityTest : public RunningProgramFixture {
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

// The reader read's confirmation as the program shows it from the data
// window: each row's box is a check box on the bus, ticked with Space on the
// current row and by a screen reader's toggle, and the marks reach the
// customer list on OK.
TEST_F(ProgramAccessibilityTest, ReadConfirmationRowsAreCheckBoxesTickedByKeyAndByToggle)
{
    click(mainForm->cmdData);
    auto *data = dynamic_cast<frmData *>(dataForm);
    ASSERT_NE(data, nullptr) << "the data window did not open";
    ASSERT_NE(selDeleteForm, nullptr);
    frmSelDelete &form = *selDeleteForm;
    clsDataC list;
    list.initData();
    for (const char *number : {"300000003", "100000001", "200000002"})
        list.add(QString::fromLatin1(number));
    const bool bus = talviktest::atspiBusRun();

    auto busDialog = [](const AtspiNode &tree) {
        return tree.find([](const AtspiNode &n) { return n.name == QStringLiteral("読み込み確認"); });
    };
    // The rows' boxes of the dialog over the bus, "[x] " before the checked
    // ones; "?" for a box without a toggle action.
    auto busBoxes = [&](const AtspiNode &tree) {
        QStringList out;
        const AtspiNode *dialog = busDialog(tree);
        if (!dialog)
            return out;
        for (const AtspiNode *n : dialog->findAll([](const AtspiNode &n) {
                 return n.role == QLatin1String("check box") && n.name != QStringLiteral("全て削除");
             })) {
            const bool toggles = std::any_of(n->actions.cbegin(), n->actions.cend(), [](const QString &a) {
                return a.compare(QLatin1String("toggle"), Qt::CaseInsensitive) == 0;
            });
            out << (toggles ? QString() : QStringLiteral("?")) + (n->has(QStringLiteral("checked")) ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + n->name;
        }
        return out;
    };
    // The dialog's other cells: the customer numbers, as table cells.
    auto busNumbers = [&](const AtspiNode &tree) {
        QStringList out;
        const AtspiNode *dialog = busDialog(tree);
        if (!dialog)
            return out;
        for (const AtspiNode *n : dialog->findAll([](const AtspiNode &n) { return n.role == QLatin1String("table cell"); }))
            out << n->name;
        return out;
    };
    // The same, in process.
    auto boxes = [&form]() {
        QStringList out;
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(form.lvwCustomer.widget());
        QAccessibleTableInterface *table = view ? view->tableInterface() : nullptr;
        for (int row = 0; table && row < table->rowCount(); ++row) {
            QAccessibleInterface *cell = table->cellAt(row, 0);
            if (cell->role() != QAccessible::CheckBox)
                out << QStringLiteral("<role %1>").arg(int(cell->role()));
            else
                out << (cell->state().checked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + cell->text(QAccessible::Name);
        }
        return out;
    };

    auto steps = [&] {
        if (!QTest::qWaitForWindowExposed(form.widget())) {
            ADD_FAILURE() << "the dialog did not show";
            return;
        }
        form.widget()->activateWindow();
        (void)QTest::qWaitForWindowActive(form.widget());
        pump(50);
        const QStringList none{"[ ] しない", "[ ] しない", "[ ] しない"};
        EXPECT_EQ(boxes(), none);
        if (bus) {
            talviktest::expectOnAtspi("the rows' unticked check boxes", [&](const AtspiNode &t) {
                return busBoxes(t) == none
                       && busNumbers(t) == QStringList{"100000001", "200000002", "300000003"};
            });
        }

        // Space on the second row ticks it.
        auto *tree = qobject_cast<QTreeWidget *>(form.lvwCustomer.widget());
        ASSERT_NE(tree, nullptr);
        for (int tabs = 0; tabs < 5 && QApplication::focusWidget() != tree; ++tabs) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            pump(10);
        }
        ASSERT_EQ(QApplication::focusWidget(), tree) << "the list never took the focus";
        QTest::keyClick(tree, Qt::Key_Home);
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Space);
        pump(20);
        ASSERT_TRUE(form.lvwCustomer.ListItems(2).Checked()) << "Space did not tick the second row";
        const QStringList second{"[ ] しない", "[x] する", "[ ] しない"};
        EXPECT_EQ(boxes(), second);
        if (bus) {
            talviktest::expectOnAtspi("the row ticked by Space", [&](const AtspiNode &t) {
                return busBoxes(t) == second;
            });
        }

        // A screen reader's toggle ticks the first unticked row as a click
        // does: the dialog marks it "する" in magenta.
        if (bus) {
            QString error;
            EXPECT_TRUE(talviktest::doAtspiAction(QStringLiteral("check box"), QStringLiteral("しない"),
                                                  QStringLiteral("toggle"), &error))
                << error.toStdString();
        } else {
            QAccessibleInterface *view = QAccessible::queryAccessibleInterface(tree);
            QAccessibleInterface *first = view->tableInterface()->cellAt(0, 0);
            ASSERT_NE(first->actionInterface(), nullptr);
            first->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        }
        pump(20);
        EXPECT_TRUE(form.lvwCustomer.ListItems(1).Checked()) << "the toggle did not tick the first row";
        EXPECT_EQ(form.rowForeColor(1), 0xFF00FFu);
        const QStringList both{"[x] する", "[x] する", "[ ] しない"};
        EXPECT_EQ(boxes(), both);
        if (bus) {
            talviktest::expectOnAtspi("the row ticked by the toggle", [&](const AtspiNode &t) {
                return busBoxes(t) == both;
            });
        }
        // A picture of the dialog with the two rows ticked, for the build's
        // artifacts.
        const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
        if (!artifacts.isEmpty() && QDir().mkpath(artifacts))
            form.widget()->grab().save(artifacts + QStringLiteral("/readConfirmationTicked.png"));
        QTest::mouseClick(form.cmdOK.widget(), Qt::LeftButton);
    };
    // The steps run inside the dialog's modal loop; a dialog they leave open
    // is closed, so that the test ends.
    bool ran = false;
    bool leftOpen = false;
    QTimer::singleShot(0, &form, [&] {
        ran = true;
        steps();
        pump(20);
        if (form.isLoaded()) {
            leftOpen = true;
            form.Unload();
        }
    });
    EXPECT_TRUE(programDialogs().selectDeleteCustomers(data, list)) << "the dialog was not confirmed";
    EXPECT_TRUE(ran);
    EXPECT_FALSE(leftOpen) << "OK did not close the dialog";
    QList<bool> flags;
    for (int i = 0; i < list.count(); ++i) {
        list.setIdx(i);
        flags << list.isDel();
    }
    EXPECT_EQ(flags, (QList<bool>{false, true, true})) << "300000003 stays, 100000001 and 200000002 go";
}

} // namespace
