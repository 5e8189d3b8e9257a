#include "platform/forms/flexgrid.h"
#include "platform/runtime/runtime_error.h"
#include "x11window.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace platform::forms;

TEST(FlexGridControl, CellsSizesAndColours)
{
    MSHFlexGrid g;
    g.setCols(3);
    g.setRows(4);
    g.setTextMatrix(0, 1, QStringLiteral("見出し"));
    g.setTextMatrix(3, 2, QStringLiteral("x"));
    EXPECT_EQ(g.TextMatrix(0, 1), QStringLiteral("見出し"));
    g.setRows(3); // row 3 goes
    EXPECT_THROW(g.TextMatrix(3, 2), platform::RuntimeError);
    g.setRows(5);
    EXPECT_EQ(g.TextMatrix(3, 2), QString());
    EXPECT_EQ(g.TextMatrix(0, 1), QStringLiteral("見出し"));

    g.setRow(2);
    g.setCol(1);
    g.setCellBackColor(0xC0C0FF);
    EXPECT_EQ(g.CellBackColor(), 0xC0C0FFu);
    EXPECT_EQ(g.cellBackColorAt(2, 2), 0u);
    const QVariant bg = g.widget()->model()->data(g.widget()->model()->index(2, 1), Qt::BackgroundRole);
    EXPECT_EQ(bg.value<QColor>(), QColor(0xFF, 0xC0, 0xC0));

    g.setColWidth(1, 1500);
    EXPECT_EQ(g.ColWidth(1), 1500);
    // 15 twips per pixel of text, plus the cell's text margins and grid line.
    EXPECT_GT(g.widget()->columnWidth(1), 100);
    EXPECT_LT(g.widget()->columnWidth(1), 116);
    g.Clear();
    EXPECT_EQ(g.TextMatrix(0, 1), QString());
    EXPECT_EQ(g.cellBackColorAt(2, 1), 0u);
    EXPECT_EQ(g.Rows(), 5);
    EXPECT_THROW(g.setFixedRows(6), platform::RuntimeError);
}

TEST(FlexGridControl, RedrawOffDefersTheViewAndSortOrdersRows)
{
    MSHFlexGrid g;
    g.setCols(2);
    g.setRows(4);
    g.setRedraw(false);
    g.setTextMatrix(1, 0, QStringLiteral("10"));
    g.setTextMatrix(2, 0, QStringLiteral("9"));
    g.setTextMatrix(3, 0, QStringLiteral("100"));
    g.setTextMatrix(1, 1, QStringLiteral("a"));
    g.setRow(1);
    g.setCol(1);
    g.setCellBackColor(0x00FF00);
    EXPECT_FALSE(g.widget()->updatesEnabled());
    g.setRedraw(true);
    EXPECT_TRUE(g.widget()->updatesEnabled());
    EXPECT_EQ(g.widget()->model()->data(g.widget()->model()->index(2, 0)).toString(), QStringLiteral("9"));

    g.setRow(1);
    g.setRowSel(3);
    g.setCol(0);
    g.setSort(flexSortNumericAscending);
    EXPECT_EQ(g.TextMatrix(1, 0), QStringLiteral("9"));
    EXPECT_EQ(g.TextMatrix(2, 0), QStringLiteral("10"));
    EXPECT_EQ(g.TextMatrix(3, 0), QStringLiteral("100"));
    // Colours move with their rows.
    EXPECT_EQ(g.cellBackColorAt(2, 1), 0x00FF00u);
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("a"));
    g.setRow(1);
    g.setRowSel(3);
    g.setSort(flexSortStringDescending);
    EXPECT_EQ(g.TextMatrix(1, 0), QStringLiteral("9"));
    EXPECT_EQ(g.TextMatrix(2, 0), QStringLiteral("100"));
}

namespace {

// A grid as a table fill leaves it: one fixed header row, no fixed column,
// rows bound from a data source.
void bindDemandRows(MSHFlexGrid &g, int records)
{
    g.setFixedCols(0);
    g.setFixedRows(1);
    const QStringList names{QStringLiteral("監視年月日"), QStringLiteral("開始時間"), QStringLiteral("終了時間"),
                            QStringLiteral("デマンド値［kW］"), QStringLiteral("取得日時")};
    g.bindRows(names, records, [](int row, int col) -> QVariant {
        if (col == 4)
            return QStringLiteral("2024/05/13 10:35");
        return QStringLiteral("r%1c%2").arg(row + 1).arg(col);
    });
}

} // namespace

TEST(FlexGridControl, HeaderRowStaysInViewAndNoFixedColumnIsGrey)
{
    MSHFlexGrid g;
    bindDemandRows(g, 300);
    QTableView *view = g.widget();
    view->resize(500, 300);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    // Keys reach the table once its window is the active one and the table
    // has the focus, as for a person who clicked it.
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(view));
    view->setFocus();
    ASSERT_TRUE(view->hasFocus());
    // The user goes to the end of the table.
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_GT(view->verticalScrollBar()->value(), 0) << "the rows scrolled";
    EXPECT_EQ(view->rowAt(view->viewport()->height() - 2), 300) << "the last row is on view";
    // The header row is still shown above the rows, with the column names.
    QHeaderView *header = view->horizontalHeader();
    EXPECT_TRUE(header->isVisible());
    EXPECT_GT(header->height(), 0);
    EXPECT_EQ(view->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("取得日時"));
    EXPECT_TRUE(view->isRowHidden(0)) << "the header row is not repeated in the body";
    // No fixed column: no row header, the first column painted like the rest.
    EXPECT_FALSE(view->verticalHeader()->isVisible());
    EXPECT_FALSE(view->model()->data(view->model()->index(5, 0), Qt::BackgroundRole).isValid());
    EXPECT_EQ(g.TopRow(), view->rowAt(0));

    // A fixed column, when one is set, becomes the row header.
    g.setFixedCols(1);
    EXPECT_TRUE(view->verticalHeader()->isVisible());
    EXPECT_TRUE(view->isColumnHidden(0));
    EXPECT_EQ(view->model()->headerData(7, Qt::Vertical).toString(), QStringLiteral("r7c0"));
}

TEST(FlexGridControl, EmptyBoundGridKeepsOnlyItsHeader)
{
    MSHFlexGrid g;
    bindDemandRows(g, 48);
    QTableView *view = g.widget();
    view->resize(500, 300);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    g.setRedraw(false);
    g.Clear();
    g.setRedraw(true);
    QApplication::processEvents();
    EXPECT_EQ(g.Rows(), 1) << "only the fixed header row is left";
    EXPECT_EQ(view->rowAt(0), -1) << "no row is drawn below the header";
    EXPECT_TRUE(view->horizontalHeader()->isVisible());
}

TEST(FlexGridControl, ColumnsShowTheirTextWholeAndSelectionIsPainted)
{
    MSHFlexGrid g;
    bindDemandRows(g, 20);
    QTableView *view = g.widget();
    // The width a window measures for the text is enough to show it whole.
    const QString created = QStringLiteral("2024/05/13 10:35");
    const int textPixels = view->fontMetrics().horizontalAdvance(created);
    g.setColWidth(4, textPixels * twipsPerPixel);
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    EXPECT_GE(view->columnWidth(4), textPixels + 2 * margin);

    // The range row 5, columns 0 to 3 (as the graph's bar click sets it).
    g.setRow(5);
    g.setCol(0);
    g.setRowSel(5);
    g.setColSel(3);
    const QColor highlight = QApplication::palette().color(QPalette::Highlight);
    auto background = [&](int r, int c) {
        return view->model()->data(view->model()->index(r, c), Qt::BackgroundRole).value<QColor>();
    };
    for (int c = 0; c <= 3; ++c)
        EXPECT_EQ(background(5, c), highlight) << c;
    EXPECT_NE(background(5, 4), highlight);
    EXPECT_NE(background(4, 0), highlight);

    // A click of the user on a cell makes it the current cell alone.
    view->resize(600, 300);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    const QRect cell = view->visualRect(view->model()->index(2, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.RowSel(), 2);
    EXPECT_NE(background(5, 0), highlight);
}
