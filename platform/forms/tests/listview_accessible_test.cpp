// The list view as assistive tools read it: a table of column headers and
// cells, each row's first cell a check box while the check boxes are on,
// ticked by its toggle action as by a click; keys and clicks unchanged.
#include "platform/forms/form.h"
#include "platform/forms/listview.h"
#include "platform/forms/treeview.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

class CheckListForm : public Form {
public:
    ListView lvwRows{this, QStringLiteral("lvwRows")};

protected:
    void designForm() override
    {
        setDesignSize(5400, 3600);
        setCaption(QStringLiteral("一覧"));
        lvwRows.Move(120, 120, 5000, 3000);
    }
};

class ListViewAccessibleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
        ListView &list = form.lvwRows;
        list.setCheckboxes(true);
        list.addColumn(QStringLiteral("読み込み後に削除"), 2000);
        list.addColumn(QStringLiteral("お客さま番号"), 2000);
        for (const char *number : {"100000001", "200000002", "300000003"})
            list.Add(QStringLiteral("しない")).setSubItems(1, QString::fromLatin1(number));
        // Like the read confirmation: a tick changes the row's text.
        QObject::connect(&list, &ListView::ItemCheck, &form, [this](ListItem *row) {
            checks << row->Index();
            row->setText(row->Checked() ? QStringLiteral("する") : QStringLiteral("しない"));
        });
    }
    void TearDown() override { form.Unload(); }

    QTreeWidget *tree() { return qobject_cast<QTreeWidget *>(form.lvwRows.widget()); }
    QAccessibleInterface *table() { return QAccessible::queryAccessibleInterface(form.lvwRows.widget()); }
    QAccessibleInterface *cell(int row, int column)
    {
        QAccessibleInterface *t = table();
        return t && t->tableInterface() ? t->tableInterface()->cellAt(row, column) : nullptr;
    }
    // The first cells as "[x] name" / "[ ] name", "<role n>" for a cell that
    // is no check box.
    QStringList boxes()
    {
        QStringList out;
        for (int row = 0; row < form.lvwRows.Count(); ++row) {
            QAccessibleInterface *c = cell(row, 0);
            if (!c)
                out << QStringLiteral("<none>");
            else if (c->role() != QAccessible::CheckBox || !c->state().checkable)
                out << QStringLiteral("<role %1>").arg(int(c->role()));
            else
                out << (c->state().checked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + c->text(QAccessible::Name);
        }
        return out;
    }
    static void toggle(QAccessibleInterface *c)
    {
        QAccessibleActionInterface *actions = c ? c->actionInterface() : nullptr;
        ASSERT_NE(actions, nullptr) << "the cell has no actions";
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        actions->doAction(QAccessibleActionInterface::toggleAction());
    }

    CheckListForm form;
    QList<int> checks; // rows whose ItemCheck was raised
};

TEST_F(ListViewAccessibleTest, ATableOfHeadersThenRowsWhoseFirstCellsAreCheckBoxes)
{
    form.lvwRows.ListItems(2).setChecked(true);
    QAccessibleInterface *t = table();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->role(), QAccessible::Table);
    QAccessibleTableInterface *ti = t->tableInterface();
    ASSERT_NE(ti, nullptr) << "the view offers no table";
    EXPECT_EQ(ti->rowCount(), 3);
    EXPECT_EQ(ti->columnCount(), 2);
    ASSERT_EQ(t->childCount(), 8) << "two headers, then three rows of two cells";
    EXPECT_EQ(t->child(0)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(t->child(0)->text(QAccessible::Name), QStringLiteral("読み込み後に削除"));
    EXPECT_EQ(t->child(1)->text(QAccessible::Name), QStringLiteral("お客さま番号"));
    EXPECT_EQ(boxes(), (QStringList{"[ ] しない", "[x] する", "[ ] しない"}));
    for (int row = 0; row < 3; ++row) {
        QAccessibleInterface *number = cell(row, 1);
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->role(), QAccessible::Cell);
        EXPECT_FALSE(number->state().checkable);
        EXPECT_EQ(number->actionInterface(), nullptr);
        EXPECT_EQ(number->text(QAccessible::Name), form.lvwRows.ListItems(row + 1).SubItems(1));
        // Children, places and parents agree, as the item view's focus and
        // selection events count them.
        for (int column = 0; column < 2; ++column) {
            QAccessibleInterface *c = cell(row, column);
            EXPECT_EQ(t->child((row + 1) * 2 + column), c);
            EXPECT_EQ(t->indexOfChild(c), (row + 1) * 2 + column);
            EXPECT_EQ(c->parent(), t);
            ASSERT_NE(c->tableCellInterface(), nullptr);
            EXPECT_EQ(c->tableCellInterface()->rowIndex(), row);
            EXPECT_EQ(c->tableCellInterface()->columnIndex(), column);
        }
    }
    EXPECT_EQ(ti->cellAt(3, 0), nullptr);
    EXPECT_EQ(t->child(8), nullptr);
    // The cell under a point on the screen, and its place there.
    QTreeWidgetItem *third = tree()->topLevelItem(2);
    const QRect local = tree()->visualItemRect(third);
    const QPoint onNumber = tree()->viewport()->mapToGlobal(QPoint(tree()->columnViewportPosition(1) + 5, local.center().y()));
    EXPECT_EQ(t->childAt(onNumber.x(), onNumber.y()), cell(2, 1));
    EXPECT_TRUE(cell(2, 1)->rect().contains(onNumber));
    EXPECT_FALSE(cell(0, 1)->rect().contains(onNumber));
}

TEST_F(ListViewAccessibleTest, ToggleTicksAndUnticksTheBoxAsAClickDoes)
{
    ASSERT_NO_FATAL_FAILURE(toggle(cell(1, 0)));
    EXPECT_TRUE(form.lvwRows.ListItems(2).Checked());
    EXPECT_EQ(checks, QList<int>{2}) << "the toggle raised no ItemCheck for the row";
    EXPECT_EQ(boxes(), (QStringList{"[ ] しない", "[x] する", "[ ] しない"})) << "the name follows the row's text";
    ASSERT_NO_FATAL_FAILURE(toggle(cell(1, 0)));
    EXPECT_FALSE(form.lvwRows.ListItems(2).Checked());
    EXPECT_EQ(boxes(), (QStringList{"[ ] しない", "[ ] しない", "[ ] しない"}));

    // A box the user could not click is not ticked either.
    tree()->topLevelItem(2)->setFlags(tree()->topLevelItem(2)->flags() & ~Qt::ItemIsUserCheckable);
    checks.clear();
    ASSERT_NO_FATAL_FAILURE(toggle(cell(2, 0)));
    form.lvwRows.widget()->setEnabled(false);
    ASSERT_NO_FATAL_FAILURE(toggle(cell(0, 0)));
    EXPECT_TRUE(cell(0, 0)->state().disabled);
    form.lvwRows.widget()->setEnabled(true);
    EXPECT_TRUE(checks.isEmpty());
    EXPECT_EQ(boxes(), (QStringList{"[ ] しない", "[ ] しない", "[ ] しない"}));
}

TEST_F(ListViewAccessibleTest, SpaceAndAClickStillTickTheBoxAndTheCellTellsIt)
{
    QTreeWidget *view = tree();
    view->setFocus();
    view->setCurrentItem(view->topLevelItem(0), 0);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(form.lvwRows.ListItems(2).Checked()) << "Space did not tick the current row";
    EXPECT_TRUE(cell(1, 0)->state().focused);
    EXPECT_FALSE(cell(0, 0)->state().focused);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(form.lvwRows.ListItems(2).Checked()) << "Space did not untick it";

    // A click on the third row's box.
    const QRect row = view->visualItemRect(view->topLevelItem(2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 10, row.center().y()));
    EXPECT_TRUE(form.lvwRows.ListItems(3).Checked()) << "the click did not tick the box";
    EXPECT_EQ(checks, (QList<int>{2, 2, 3}));
    EXPECT_EQ(boxes(), (QStringList{"[ ] しない", "[ ] しない", "[x] する"}));
}

TEST_F(ListViewAccessibleTest, RowsAndCheckBoxesChangedAfterTheFirstReadAreReadAsTheyAreNow)
{
    ASSERT_EQ(boxes().size(), 3);
    // New rows in place of the old ones.
    form.lvwRows.Clear();
    form.lvwRows.Add(QStringLiteral("しない")).setSubItems(1, QStringLiteral("900000009"));
    EXPECT_EQ(table()->childCount(), 4);
    EXPECT_EQ(cell(0, 1)->text(QAccessible::Name), QStringLiteral("900000009"));
    EXPECT_EQ(cell(1, 0), nullptr);
    EXPECT_EQ(boxes(), QStringList{"[ ] しない"});

    // Without check boxes the first cell is a table cell that toggles nothing.
    form.lvwRows.setCheckboxes(false);
    QAccessibleInterface *first = cell(0, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->role(), QAccessible::Cell);
    EXPECT_FALSE(first->state().checkable);
    EXPECT_EQ(first->actionInterface(), nullptr);
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("しない"));
    form.lvwRows.setCheckboxes(true);
    EXPECT_EQ(boxes(), QStringList{"[ ] しない"});
}

TEST(ListViewAccessibleOthersTest, OtherTreeWidgetsKeepTheirOwnInterface)
{
    TreeView tv;
    tv.Add(QString(), tvwLast, QStringLiteral("r"), QStringLiteral("root"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(tv.widget());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Tree) << "a tree view is read as a list view";
}

} // namespace
