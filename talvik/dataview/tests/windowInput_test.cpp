// The data window driven the way a person drives it: mouse presses and keys
// on the shown widgets (tree, grid, graph, threshold input, toolbar), and the
// geometry of the print preview and the table that follow from them.
#include "dataWindowFixture.h"

#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/clsGraph.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

using namespace dwtest;
using namespace platform::forms;

namespace {

const QString kRoot = QStringLiteral("\\dDB.tran");
const QString kTokyo = QStringLiteral("\\dDB.tran\\東京工場");
const QString kTokyo2023 = QStringLiteral("\\dDB.tran\\東京工場\\2023年");
const QString kTokyo2024 = QStringLiteral("\\dDB.tran\\東京工場\\2024年");

class WindowInputTest : public DataWindowTest {
protected:
    void showWindow()
    {
        makeStore();
        loadWindow();
        w->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
        QApplication::processEvents();
    }
    QTreeWidget *tree() { return w->treData().widget(); }
    // Centre of a node's row in the tree's item area (the node made visible).
    QPoint nodePoint(const QString &key)
    {
        QTreeWidgetItem *item = w->treData().Item(key)->item();
        tree()->scrollToItem(item);
        return tree()->visualItemRect(item).center();
    }
    void pressNode(const QString &key, Qt::MouseButton button)
    {
        QTest::mousePress(tree()->viewport(), button, {}, nodePoint(key));
        QTest::mouseRelease(tree()->viewport(), button, {}, nodePoint(key));
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(WindowInputTest, RightPressOnNodeRefreshesAndOpensPopupForItsLevel)
{
    showWindow();
    pressNode(kTokyo2024, Qt::RightButton);
    EXPECT_EQ(w->currentKey, kTokyo2024) << "the right press is followed by the node click";
    EXPECT_EQ(w->lastMouseButton, 2);
    EXPECT_GT(w->mfgData().Rows(), 1) << "the year's table is filled";
    EXPECT_TRUE(w->treData().Exists(kTokyo2024 + QStringLiteral("::2401"))) << "months loaded";
    ASSERT_EQ(w->lastPopupMenu(), &w->mnuPopRoot);
    // Year level: output and delete in the popup, no rename.
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("ﾌｧｲﾙ出力")));
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("削除")));
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("情報ﾃﾞｰﾀの読み出し")));
    EXPECT_FALSE(menuEnabled(w->mnuPop, QStringLiteral("お客さま名の変更")));

    // A right press on a customer: its own level.
    pressNode(kTokyo, Qt::RightButton);
    EXPECT_EQ(w->currentKey, kTokyo);
    EXPECT_TRUE(menuEnabled(w->mnuPop, QStringLiteral("お客さま名の変更")));
    EXPECT_FALSE(menuEnabled(w->mnuPop, QStringLiteral("ﾌｧｲﾙ出力")));
}

TEST_F(WindowInputTest, LeftClickSelectsWithoutPopup)
{
    showWindow();
    pressNode(kTokyo2024, Qt::LeftButton);
    EXPECT_EQ(w->currentKey, kTokyo2024);
    EXPECT_EQ(w->lastMouseButton, 1);
    EXPECT_EQ(w->lastPopupMenu(), nullptr);
}

TEST_F(WindowInputTest, ArrowKeyRaisesNodeClickAndRefillsTable)
{
    showWindow();
    pressNode(kTokyo2023, Qt::LeftButton);
    ASSERT_EQ(w->currentKey, kTokyo2023);
    ASSERT_EQ(w->mfgData().Rows(), 2) << "one record of 2023";
    tree()->setFocus();
    // 2023年 and 2024年 are siblings in text order: Down goes to 2024年.
    QTest::keyClick(tree(), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(w->currentKey, kTokyo2024) << "a keyboard move is a node click";
    EXPECT_EQ(w->mfgData().Rows(), 4) << "table refilled for 2024: three records";
    EXPECT_TRUE(menuEnabled(w->mnuFile, QStringLiteral("印刷")));
    EXPECT_EQ(w->lastPopupMenu(), nullptr) << "the last press was the left button";
}

TEST_F(WindowInputTest, TableHeaderStaysAndEmptyViewsDrawOnlyTheHeader)
{
    showWindow();
    QTableView *view = w->mfgData().widget();
    EXPECT_EQ(w->mfgData().FixedCols(), 0) << "no fixed column";
    EXPECT_FALSE(view->verticalHeader()->isVisible());
    EXPECT_EQ(view->rowAt(0), -1) << "nothing below the header at start";

    pressNode(kTokyo2024, Qt::LeftButton);
    ASSERT_EQ(w->mfgData().Rows(), 4);
    EXPECT_TRUE(view->horizontalHeader()->isVisible());
    EXPECT_EQ(view->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("取得日時"));
    EXPECT_FALSE(view->model()->data(view->model()->index(1, 0), Qt::BackgroundRole).isValid())
        << "the date column is not painted as a fixed column";
    // The widest text of each column fits its width.
    for (int c = 0; c < 5; ++c)
        EXPECT_GE(view->columnWidth(c), view->fontMetrics().horizontalAdvance(w->mfgData().TextMatrix(1, c))) << c;

    // A customer has no table: only the header is left.
    pressNode(kTokyo, Qt::LeftButton);
    EXPECT_EQ(w->mfgData().Rows(), 1);
    EXPECT_EQ(view->rowAt(0), -1);
    EXPECT_TRUE(view->horizontalHeader()->isVisible());
}

TEST_F(WindowInputTest, BarClickSelectsTheRowsCellsInTheTable)
{
    showWindow();
    pressNode(kTokyo2024, Qt::LeftButton);
    pressNode(kTokyo2024 + QStringLiteral("::2401"), Qt::LeftButton);
    pressNode(kTokyo2024 + QStringLiteral("::240105"), Qt::LeftButton);
    ASSERT_EQ(w->currentKey, kTokyo2024 + QStringLiteral("::240105"));
    // The user switches to the graph.
    QWidget *graphOption = w->optDispStyle(1).widget();
    QTest::mouseClick(graphOption, Qt::LeftButton, {}, QPoint(8, graphOption->height() / 2));
    QApplication::processEvents();
    ASSERT_TRUE(w->vsdGraphHost.Visible());
    // The bar of 10:30, in pixels of the surface.
    const auto &bars = w->demandGraph->bars();
    int slot = -1;
    for (int i = 0; i < int(bars.size()); ++i)
        if (!bars[i].value.isEmpty() && bars[i].label == QStringLiteral("10:30"))
            slot = i;
    ASSERT_GE(slot, 0);
    const QPointF u0 = w->vsdGraph.toUser(QPointF(0, 0));
    const QPointF u1 = w->vsdGraph.toUser(QPointF(100, 100));
    auto toPixel = [&](double x, double y) {
        return QPoint(int((x - u0.x()) * 100 / (u1.x() - u0.x())), int((y - u0.y()) * 100 / (u1.y() - u0.y())));
    };
    const auto &bar = bars[slot];
    const QPoint at = toPixel((bar.x1 + bar.x2) / 2, (bar.y1 + bar.y2) / 2);
    QTest::mouseMove(&w->vsdGraph, at);
    QTest::qWait(50); // a real display delivers the move later
    QTest::mouseClick(&w->vsdGraph, Qt::LeftButton, {}, at);
    QApplication::processEvents();
    ASSERT_TRUE(w->mfgDataHost.Visible()) << "the click switches to the table";
    auto &grid = w->mfgData();
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.RowSel(), 2);
    EXPECT_EQ(grid.Col(), 0);
    EXPECT_EQ(grid.ColSel(), 3);
    // The cells of the row up to the demand value are shown selected.
    QTableView *view = grid.widget();
    const QColor highlight = QApplication::palette().color(QPalette::Highlight);
    for (int c = 0; c <= 3; ++c)
        EXPECT_EQ(view->model()->data(view->model()->index(2, c), Qt::BackgroundRole).value<QColor>(), highlight) << c;
    EXPECT_NE(view->model()->data(view->model()->index(2, 4), Qt::BackgroundRole).value<QColor>(), highlight);
    EXPECT_NE(view->model()->data(view->model()->index(1, 0), Qt::BackgroundRole).value<QColor>(), highlight);
}

TEST_F(WindowInputTest, TypedThresholdOutOfRangeShowsTheMessageAndSetsZero)
{
    showWindow();
    pressNode(kTokyo2024, Qt::LeftButton);
    auto *edit = qobject_cast<QLineEdit *>(w->zonumDemand.widget());
    ASSERT_NE(edit, nullptr);
    // Four digits fit the box.
    EXPECT_GE(edit->contentsRect().width() - edit->textMargins().left() - edit->textMargins().right(),
              edit->fontMetrics().horizontalAdvance(QStringLiteral("1000")));

    // A valid threshold first: 40 kW colours the 45.6 kW value.
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("40"));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(w->threshold(), 40);
    ASSERT_EQ(w->mfgData().cellBackColorAt(2, 3), 0xC0C0FFu);

    const QString message = QStringLiteral("ﾃﾞﾏﾝﾄﾞの有効値は１～９９９です。");
    for (const QString &typed : {QStringLiteral("1000"), QStringLiteral("-5")}) {
        script->answerNext(vbOK);
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_FALSE(script->shown().isEmpty()) << typed.toStdString();
        EXPECT_EQ(script->shown().last().prompt, message) << typed.toStdString();
        EXPECT_EQ(script->shown().last().style, vbOKOnly + vbExclamation);
        EXPECT_EQ(w->zonumDemand.Value(), 0) << typed.toStdString();
        EXPECT_EQ(edit->text(), QStringLiteral("0"));
        // Nothing else: the table keeps the colours of the last threshold.
        EXPECT_EQ(w->mfgData().cellBackColorAt(2, 3), 0xC0C0FFu) << typed.toStdString();
        // 40 was set back to 0 by the first refusal.
    }
    EXPECT_EQ(script->shown().size(), 2);
    EXPECT_TRUE(script->verify());
}

TEST_F(WindowInputTest, PreviewCoversTableAndLogDownToTheStatusBar)
{
    showWindow();
    pressNode(kTokyo2024, Qt::LeftButton);
    // The user presses the preview button of the toolbar.
    auto *bar = qobject_cast<QToolBar *>(w->tlbData.widget());
    ASSERT_NE(bar, nullptr);
    QWidget *button = bar->widgetForAction(w->tlbData.Buttons(QStringLiteral("mnuFile|8")).action());
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(w->vspPrintHost.Visible());

    QWidget *client = w->vspPrint.parentWidget()->parentWidget();
    const QRect preview(w->vspPrint.mapTo(client, QPoint(0, 0)), w->vspPrint.size());
    const QRect status(w->staData.widget()->mapTo(client, QPoint(0, 0)), w->staData.widget()->size());
    const QRect toolbar(bar->mapTo(client, QPoint(0, 0)), bar->size());
    // From the design top below the toolbar, the whole width, down to the
    // status bar.
    EXPECT_EQ(preview.left(), 0);
    EXPECT_EQ(preview.top(), 480 / 15);
    EXPECT_GE(preview.top(), toolbar.bottom());
    EXPECT_EQ(preview.width(), client->width());
    EXPECT_EQ(preview.bottom() + 1, status.top());

    // Painted over the table and the log list: what is under the mouse there
    // is the preview.
    QWidget *logs = w->lstLogs()->widget();
    const QPoint logPoint = logs->mapTo(client, logs->rect().center());
    QWidget *atLog = client->childAt(logPoint);
    EXPECT_TRUE(atLog && (atLog == &w->vspPrint || w->vspPrint.isAncestorOf(atLog)));
    QWidget *table = w->mfgData().widget();
    const QPoint tablePoint = table->mapTo(client, QPoint(table->width() / 2, 4));
    QWidget *atTable = client->childAt(tablePoint);
    EXPECT_TRUE(atTable && (atTable == &w->vspPrint || w->vspPrint.isAncestorOf(atTable)));
    EXPECT_TRUE(w->vspPrint.autoFillBackground()) << "its tool row hides what lies below";

    // The page fills the view: a whole page, not a thumbnail.
    auto *scroll = w->vspPrint.findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_GT(scroll->viewport()->height(), 300);
    QWidget *pages = scroll->widget();
    EXPECT_GE(pages->height(), scroll->viewport()->height() - 2);

    // "戻　る" ends it.
    QTest::mouseClick(w->cmdPreBack.widget(), Qt::LeftButton);
    EXPECT_FALSE(w->vspPrintHost.Visible());
}

TEST_F(WindowInputTest, ToolbarButtonsLeaveTheControlsOnItFree)
{
    showWindow();
    // Year level: all eight buttons are shown.
    pressNode(kTokyo2024, Qt::LeftButton);
    auto *bar = qobject_cast<QToolBar *>(w->tlbData.widget());
    ASSERT_NE(bar, nullptr);
    int shown = 0;
    int right = 0;
    for (int i = 1; i <= w->tlbData.Count(); ++i) {
        QWidget *button = bar->widgetForAction(w->tlbData.Buttons(i).action());
        ASSERT_NE(button, nullptr);
        if (!button->isVisible())
            continue;
        ++shown;
        right = std::max(right, button->geometry().right());
    }
    ASSERT_EQ(shown, 8);
    QWidget *option = w->optDispStyle(0).widget();
    EXPECT_LT(right, option->geometry().left()) << "the last button ends before \"一覧\"";
    // The option is reachable: a click on it selects the table view.
    w->optDispStyle(1).setValue(true);
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    EXPECT_TRUE(w->optDispStyle(0).Value());
    EXPECT_TRUE(w->mfgDataHost.Visible());
}
