#include "platform/forms/flexgrid.h"
#include "platform/runtime/runtime_error.h"

#include <QTableView>
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
    EXPECT_EQ(g.widget()->columnWidth(1), 100); // 15 twips per pixel
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
