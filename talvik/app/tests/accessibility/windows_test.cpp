// The program's windows as windows and the data window's views, as a
// screen reader reads them: top-level windows as frames named by their
// captions, dialogs as dialogs (modal where the program shows them
// modally), the views named, and the demand table with one row per record
// under its column headers. Each case checks in process; on the X server
// (x11run.sh --atspi) it reads the same over the accessibility bus.
#include "appFixture.h"
#include "atspi.h"
#include "x11window.h"

#include "platform/forms/grid_accessible.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/dataview/frmData.h"
#include "talvik/link/clsDataC.h"
#include "talvik/settings/frmGraphSet.h"
#include "talvik/settings/frmSelDelete.h"
#include "talvik/settings/frmSetting.h"
#include "talvik/store/demandTable.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace talvik;
using talviktest::AtspiNode;
namespace forms = platform::forms;

namespace {

QAccessibleInterface *accessible(QWidget *w)
{
    return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

class WindowsAccessibilityTest : public RunningProgramFixture {
protected:
    void writeFile(const QString &relative, const QByteArray &bytes)
    {
        const QString p = home() + QLatin1Char('/') + relative;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(p).path()));
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
};

TEST_F(WindowsAccessibilityTest, TopLevelWindowsAreFramesNamedByTheirCaptions)
{
    frmData *data = openDataWindow();
    ASSERT_NE(data, nullptr);
    const QString mainCaption = mainForm->Caption();
    ASSERT_FALSE(mainCaption.isEmpty());
    for (forms::Form *form : {static_cast<forms::Form *>(mainForm), static_cast<forms::Form *>(data)}) {
        QAccessibleInterface *w = accessible(form->widget());
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->role(), QAccessible::Window) << form->Caption().toStdString();
        EXPECT_EQ(w->text(QAccessible::Name), form->Caption());
        EXPECT_FALSE(w->state().modal);
    }
    EXPECT_EQ(data->Caption(), QStringLiteral("情報データ"));
    // The clock window beside the data window.
    programDialogs().showClock(data);
    ASSERT_NE(clockForm, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clockForm->widget()));
    const QString clockCaption = clockForm->Caption();
    EXPECT_EQ(accessible(clockForm->widget())->role(), QAccessible::Window);
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the main, data and clock windows as frames", [&](const AtspiNode &tree) {
        const AtspiNode *dataFrame = tree.window(QStringLiteral("frame"), QStringLiteral("情報データ"));
        return tree.window(QStringLiteral("frame"), mainCaption) && dataFrame
               && !dataFrame->has(QStringLiteral("modal"))
               && tree.window(QStringLiteral("frame"), clockCaption);
    });
}

TEST_F(WindowsAccessibilityTest, TheSettingsWindowIsAFrameAndItsNewCaptionIsItsNewName)
{
    click(mainForm->cmdSetting);
    ASSERT_NE(settingForm, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(settingForm->widget()));
    const QString caption = settingForm->Caption();
    QAccessibleInterface *w = accessible(settingForm->widget());
    EXPECT_EQ(w->role(), QAccessible::Window);
    EXPECT_EQ(w->text(QAccessible::Name), caption);
    const bool bus = talviktest::atspiBusRun();
    if (bus) {
        talviktest::expectOnAtspi("the settings window as a frame", [&](const AtspiNode &tree) {
            return tree.window(QStringLiteral("frame"), caption) != nullptr;
        });
    }
    // A save or an open puts the file's path after the title.
    const QString withPath = caption + QStringLiteral(" [C:\\data\\設定.ini]");
    settingForm->setCaption(withPath);
    EXPECT_EQ(w->text(QAccessible::Name), withPath);
    if (!bus)
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the settings window's new name", [&](const AtspiNode &tree) {
        return tree.window(QStringLiteral("frame"), withPath) != nullptr;
    });
}

TEST_F(WindowsAccessibilityTest, DialogsShownModallyAreModalDialogs)
{
    frmData *data = openDataWindow();
    ASSERT_NE(data, nullptr);
    const bool bus = talviktest::atspiBusRun();
    auto check = [&](forms::Form &dialog, const QString &name) {
        QAccessibleInterface *w = accessible(dialog.widget());
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->role(), QAccessible::Dialog) << name.toStdString();
        EXPECT_TRUE(w->state().modal) << name.toStdString();
        EXPECT_EQ(w->text(QAccessible::Name), name);
        if (bus) {
            talviktest::expectOnAtspi(name.toUtf8().constData(), [&](const AtspiNode &tree) {
                const AtspiNode *d = tree.window(QStringLiteral("dialog"), name);
                return d && d->has(QStringLiteral("modal"));
            });
        }
    };
    // The read confirmation.
    ASSERT_NE(selDeleteForm, nullptr);
    clsDataC list;
    list.initData();
    list.add(QStringLiteral("100000001"));
    insideModal(*selDeleteForm, [&] { check(*selDeleteForm, QStringLiteral("読み込み確認")); },
                [&] { programDialogs().selectDeleteCustomers(data, list); });
    // The graph options.
    ASSERT_NE(graphSetForm, nullptr);
    insideModal(*graphSetForm, [&] { check(*graphSetForm, QStringLiteral("グラフ設定")); },
                [&] { programDialogs().graphSettings(data); });
    // Closed, no modal window is left on the bus.
    if (bus) {
        talviktest::expectOnAtspi("no dialog left", [](const AtspiNode &tree) {
            return !tree.find([](const AtspiNode &n) { return n.has(QStringLiteral("modal")); });
        });
    }
}

TEST_F(WindowsAccessibilityTest, TheWaitDialogIsADialogNamedByItsMessage)
{
    frmData *data = openDataWindow();
    ASSERT_NE(data, nullptr);
    ASSERT_NE(waitForm, nullptr);
    // As a client shows it: parent, clear, message, shown modeless.
    waitForm->setParent(data);
    waitForm->clear();
    const QString message = QStringLiteral("データを読み込んでいます");
    waitForm->setWaitMsg(message);
    waitForm->Show(forms::vbModeless, data);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(waitForm->widget()));
    EXPECT_EQ(waitForm->Caption(), QString()) << "the dialog keeps its empty title";
    QAccessibleInterface *w = accessible(waitForm->widget());
    EXPECT_EQ(w->role(), QAccessible::Dialog);
    EXPECT_FALSE(w->state().modal);
    EXPECT_EQ(w->text(QAccessible::Name), message);
    const bool bus = talviktest::atspiBusRun();
    if (bus) {
        talviktest::expectOnAtspi("the wait dialog", [&](const AtspiNode &tree) {
            const AtspiNode *d = tree.window(QStringLiteral("dialog"), message);
            return d && !d->has(QStringLiteral("modal"));
        });
    }
    // A new message renames it.
    const QString next = QStringLiteral("ページ準備中・・・・");
    waitForm->setWaitMsg(next);
    EXPECT_EQ(w->text(QAccessible::Name), next);
    if (bus) {
        talviktest::expectOnAtspi("the wait dialog's new message", [&](const AtspiNode &tree) {
            return tree.window(QStringLiteral("dialog"), next) != nullptr;
        });
    }
    waitForm->Unload();
}

// ---- the data window's views ------------------------------------------------

QByteArray demandLine(const QByteArray &yymmdd, int halfHour, int watt)
{
    const QByteArray hhmm = QByteArray::number(halfHour / 2).rightJustified(2, '0') + (halfHour % 2 ? "30" : "00");
    return yymmdd + hhmm + QByteArray::number(watt).rightJustified(4, '0') + "202611131300\r\n";
}

class DataViewsAccessibilityTest : public WindowsAccessibilityTest {
protected:
    void SetUp() override
    {
        WindowsAccessibilityTest::SetUp();
        // One customer with 26 half hours on 13 November 2026 and one
        // record of the day before, in the saved store the data window's
        // working copy is made from when it opens.
        QByteArray rows = demandLine("261112", 20, 300);
        for (int h = 0; h < 26; ++h)
            rows += demandLine("261113", h, 100 + 10 * h);
        writeFile(QStringLiteral("dDB/013673078/2026年/schema.ini"), schemaText(false));
        writeFile(QStringLiteral("dDB/013673078/2026年/demand.csv"), rows);
        writeFile(QStringLiteral("dDB/download.log"), "2026/11/13 13:00    x\r\n");
    }
    // Walks the tree by keys from the root into the first child of each
    // level until the node of the key is selected (each move is the user's
    // node click: it loads the node's children and fills the table).
    void selectByKeys(frmData &data, const QString &key)
    {
        QTreeWidget *tree = data.treData().widget();
        tree->setFocus();
        data.widget()->activateWindow();
        (void)QTest::qWaitForWindowActive(data.widget());
        QTest::keyClick(tree, Qt::Key_Home);
        pump(50);
        for (int step = 0; step < 12 && data.currentKey != key; ++step) {
            QTest::keyClick(tree, Qt::Key_Right);
            pump(30);
            QTest::keyClick(tree, Qt::Key_Down);
            pump(50);
        }
        ASSERT_EQ(data.currentKey, key);
    }
};

TEST_F(DataViewsAccessibilityTest, ViewsAreNamedAndTheTableTellsTheDaysRecordsUnderItsCaptions)
{
    frmData *data = openDataWindow();
    ASSERT_NE(data, nullptr);
    const QString day = QStringLiteral("\\dDB.tran\\013673078\\2026年::261113");
    selectByKeys(*data, day);
    QAccessibleInterface *grid = accessible(data->mfgData().widget());
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(grid->tableInterface(), nullptr);
    EXPECT_EQ(grid->text(QAccessible::Name), QStringLiteral("一覧"));
    EXPECT_EQ(grid->tableInterface()->rowCount(), 26);
    const QStringList headers{"監視年月日", "開始時間", "終了時間", "デマンド値［kW］", "取得日時"};
    QStringList told;
    for (int c = 0; c < grid->tableInterface()->columnCount(); ++c)
        told << grid->tableInterface()->columnDescription(c);
    EXPECT_EQ(told, headers);
    QAccessibleInterface *first = grid->tableInterface()->cellAt(0, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("00時00分"));
    EXPECT_EQ(accessible(data->treData().widget())->text(QAccessible::Name), QStringLiteral("お客さま"));
    EXPECT_EQ(accessible(data->lstLogs()->widget())->text(QAccessible::Name), QStringLiteral("操作ログ"));
    // A look at the window, for the build's artifacts.
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!artifacts.isEmpty() && QDir().mkpath(artifacts))
        data->widget()->grab().save(artifacts + QStringLiteral("/dataWindowDay.png"));

    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the named views and the day's 26 rows", [&](const AtspiNode &tree) {
        const AtspiNode *frame = tree.window(QStringLiteral("frame"), QStringLiteral("情報データ"));
        if (!frame)
            return false;
        const AtspiNode *table = frame->find([](const AtspiNode &n) { return n.hasTable && n.name == QStringLiteral("一覧"); });
        const AtspiNode *treeView = frame->find([](const AtspiNode &n) {
            return (n.role == QLatin1String("tree") || n.role == QLatin1String("tree table"))
                   && n.name == QStringLiteral("お客さま");
        });
        const AtspiNode *logs = frame->findByName(QStringLiteral("list"), QStringLiteral("操作ログ"));
        if (!table || !treeView || !logs || table->tableRows != 26 || table->columnHeaders != headers)
            return false;
        // The cells are read, never toggled.
        const QList<const AtspiNode *> cells =
            table->findAll([](const AtspiNode &n) { return n.role == QLatin1String("table cell"); });
        if (cells.size() != 26 * 5)
            return false;
        for (const AtspiNode *c : cells)
            if (!c->actions.isEmpty())
                return false;
        return cells.first()->name == QStringLiteral("2026年11月13日");
    });
}

TEST_F(DataViewsAccessibilityTest, TheGraphIsNamedByItsTitleAsDrawn)
{
    frmData *data = openDataWindow();
    ASSERT_NE(data, nullptr);
    selectByKeys(*data, QStringLiteral("\\dDB.tran\\013673078\\2026年::261113"));
    QTest::mouseClick(data->optDispStyle(1).widget(), Qt::LeftButton);
    pump(50);
    QWidget *graph = &data->vsdGraph;
    ASSERT_TRUE(graph->isVisible()) << "the graph view did not come up";
    const QString title = accessible(graph)->text(QAccessible::Name);
    EXPECT_EQ(title, QStringLiteral("時間別の電力（013673078 2026年11月13日）"));
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the graph by its title", [&](const AtspiNode &tree) {
        return tree.find([&](const AtspiNode &n) { return n.name == title; }) != nullptr;
    });
}

} // namespace
