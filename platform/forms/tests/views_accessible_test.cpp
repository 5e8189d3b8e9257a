// Windows and the grid as assistive tools see them: forms as frames or
// dialogs (modal while shown modally) named by their captions; the grid as
// a table of its records under column headers. What they tell as events is
// in tests/accessible (it needs the accessibility bridge of an X run).
#include "platform/forms/controls.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/treeview.h"

#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

QAccessibleInterface *accessible(QWidget *w)
{
    return QAccessible::queryAccessibleInterface(w);
}

// ---- windows ----------------------------------------------------------------

class CaptionedForm : public Form {
public:
    explicit CaptionedForm(bool dialogBox = false) : m_dialogBox(dialogBox) {}
    CommandButton cmdOK{this, QStringLiteral("cmdOK")};

protected:
    void designForm() override
    {
        setDesignSize(3600, 1800);
        setCaption(QStringLiteral("設定"));
        cmdOK.Move(120, 120, 1200, 360);
        cmdOK.setCaption(QStringLiteral("OK"));
        setDialogBox(m_dialogBox);
    }

private:
    bool m_dialogBox;
};

TEST(FormWindowAccessibleTest, AWindowIsAFrameNamedByItsCaption)
{
    CaptionedForm form;
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
    QAccessibleInterface *window = accessible(form.widget());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("設定"));
    EXPECT_FALSE(window->state().modal);

    form.setCaption(QStringLiteral("設定 [C:\\data\\a.ini]"));
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("設定 [C:\\data\\a.ini]"));
    form.Unload();
}

TEST(FormWindowAccessibleTest, AFormShownModallyIsAModalDialogUntilItCloses)
{
    CaptionedForm owner;
    owner.Show();
    CaptionedForm dialog;
    QAccessible::Role roleShown = QAccessible::NoRole;
    bool modalShown = false;
    QTimer::singleShot(0, &dialog, [&] {
        QAccessibleInterface *window = accessible(dialog.widget());
        roleShown = window->role();
        modalShown = window->state().modal;
        dialog.Hide();
    });
    dialog.Show(vbModal, &owner);
    EXPECT_EQ(roleShown, QAccessible::Dialog);
    EXPECT_TRUE(modalShown);
    // Shown again modeless, it is a window like any other.
    dialog.Show(vbModeless, &owner);
    EXPECT_EQ(accessible(dialog.widget())->role(), QAccessible::Window);
    EXPECT_FALSE(accessible(dialog.widget())->state().modal);
    dialog.Unload();
    owner.Unload();
}

TEST(FormWindowAccessibleTest, ADialogBoxByDesignIsADialogAlsoModelessAndANameGivenWinsOverTheCaption)
{
    CaptionedForm owner;
    owner.Show();
    CaptionedForm box(true);
    box.Show(vbModeless, &owner);
    QAccessibleInterface *window = accessible(box.widget());
    EXPECT_EQ(window->role(), QAccessible::Dialog);
    EXPECT_FALSE(window->state().modal);
    box.widget()->setAccessibleName(QStringLiteral("データ読み込み中"));
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("データ読み込み中"));
    box.setCaption(QStringLiteral("別"));
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("データ読み込み中"));
    box.Unload();
    owner.Unload();
}

// ---- the grid ---------------------------------------------------------------

class GridForm : public Form {
public:
    GridForm() : grid(nullptr, QStringLiteral("grid")) {}
    MSHFlexGrid grid;

protected:
    void designForm() override
    {
        setDesignSize(6000, 3600);
        setCaption(QStringLiteral("表"));
        grid.widget()->setParent(widget());
        grid.widget()->setGeometry(8, 8, 380, 220);
        grid.setCols(3);
        grid.setRows(1);
        grid.setFixedCols(0);
        grid.setFixedRows(1);
        grid.setTextMatrix(0, 0, QStringLiteral("監視年月日"));
        grid.setTextMatrix(0, 1, QStringLiteral("開始時間"));
        grid.setTextMatrix(0, 2, QStringLiteral("デマンド値［kW］"));
    }
};

class GridAccessibleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
        MSHFlexGrid &g = form.grid;
        g.setRows(4);
        for (int r = 1; r < 4; ++r) {
            g.setTextMatrix(r, 0, QStringLiteral("2026年11月13日"));
            g.setTextMatrix(r, 1, QStringLiteral("%1時00分").arg(9 + r, 2, 10, QLatin1Char('0')));
            g.setTextMatrix(r, 2, QString::number(10 * r) + QStringLiteral(".5"));
        }
    }
    void TearDown() override { form.Unload(); }
    QAccessibleTableInterface *table()
    {
        QAccessibleInterface *t = accessible(form.grid.widget());
        return t ? t->tableInterface() : nullptr;
    }
    GridForm form;
};

TEST_F(GridAccessibleTest, RecordsAreRowsUnderColumnHeadersAndCellsOfferNoAction)
{
    QAccessibleTableInterface *t = table();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(accessible(form.grid.widget())->role(), QAccessible::Table);
    EXPECT_EQ(t->rowCount(), 3) << "the header row is no record";
    EXPECT_EQ(t->columnCount(), 3);
    QStringList headers;
    for (int c = 0; c < t->columnCount(); ++c)
        headers << t->columnDescription(c);
    EXPECT_EQ(headers, (QStringList{"監視年月日", "開始時間", "デマンド値［kW］"}));
    QAccessibleInterface *first = t->cellAt(0, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->role(), QAccessible::Cell);
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("10時00分"));
    EXPECT_EQ(first->actionInterface(), nullptr) << "a cell of the grid has nothing to toggle";
    QAccessibleInterface *last = t->cellAt(2, 2);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->text(QAccessible::Name), QStringLiteral("30.5"));
    EXPECT_EQ(t->cellAt(3, 0), nullptr);
    // Each cell names its column's header.
    const QList<QAccessibleInterface *> header = last->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(header[0]->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(header[0]->text(QAccessible::Name), QStringLiteral("デマンド値［kW］"));
    // The children: the headers, then the cells row by row.
    QAccessibleInterface *grid = accessible(form.grid.widget());
    EXPECT_EQ(grid->childCount(), 12);
    EXPECT_EQ(grid->child(0)->text(QAccessible::Name), QStringLiteral("監視年月日"));
    EXPECT_EQ(grid->child(3)->text(QAccessible::Name), QStringLiteral("2026年11月13日"));
    EXPECT_EQ(grid->indexOfChild(last), 11);

    // A new fill with fewer records: the table follows.
    form.grid.setRows(2);
    EXPECT_EQ(t->rowCount(), 1);
    EXPECT_EQ(t->cellAt(1, 0), nullptr);
}

} // namespace
