// The reader's customer chooser: rows from the customer list, the check marks
// and their texts and colours, "全て削除", and the marks reaching the list's
// delete flags on OK only.
#include "settingsFixture.h"

#include "talvik/link/clsDataC.h"
#include "talvik/settings/frmSelDelete.h"

#include <QAccessible>
#include <QTreeWidget>

namespace settingstest {
namespace {

using namespace platform::forms;
using talvik::clsDataC;
using talvik::frmSelDelete;

constexpr quint32 kMagenta = 0xFF00FF;

class SelDeleteTest : public DialogTest {
protected:
    static void fill(clsDataC &list, const QStringList &numbers)
    {
        list.initData();
        for (const QString &n : numbers)
            list.add(n);
    }
    static QList<bool> flags(clsDataC &list)
    {
        QList<bool> out;
        for (int i = 0; i < list.count(); ++i) {
            list.setIdx(i);
            out << list.isDel();
        }
        return out;
    }
    static QStringList column(frmSelDelete &form, int sub)
    {
        QStringList out;
        for (int i = 1; i <= form.lvwCustomer.Count(); ++i) {
            ListItem &row = form.lvwCustomer.ListItems(i);
            out << (sub == 0 ? row.Text() : row.SubItems(sub));
        }
        return out;
    }
    // The row of a customer number (1-based), 0 when none.
    static int rowOf(frmSelDelete &form, const QString &number)
    {
        for (int i = 1; i <= form.lvwCustomer.Count(); ++i)
            if (form.lvwCustomer.ListItems(i).SubItems(1) == number)
                return i;
        return 0;
    }
};

TEST_F(SelDeleteTest, LoadListsEveryNumberSortedAndClearsEveryFlag)
{
    clsDataC list;
    fill(list, {"300000003", "100000001", "200000002"});
    ASSERT_EQ(flags(list), (QList<bool>{true, true, true})) << "the list sets every flag when built";
    frmSelDelete form;
    form.setCustomer(&list);
    form.Load();
    EXPECT_EQ(form.Caption(), QStringLiteral("読み込み確認"));
    EXPECT_EQ(form.chkAllDel.Caption(), QStringLiteral("全て削除"));
    EXPECT_EQ(form.cmdOK.Caption(), QStringLiteral("O　K"));
    EXPECT_FALSE(form.Status());
    ASSERT_EQ(form.lvwCustomer.columnCount(), 2);
    EXPECT_EQ(form.lvwCustomer.columnText(1), QStringLiteral("読み込み後に削除"));
    EXPECT_EQ(form.lvwCustomer.columnText(2), QStringLiteral("お客さま番号"));
    EXPECT_TRUE(form.lvwCustomer.Checkboxes());
    EXPECT_EQ(column(form, 1), (QStringList{"100000001", "200000002", "300000003"}));
    EXPECT_EQ(column(form, 0), (QStringList(3, QStringLiteral("しない"))));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_FALSE(form.lvwCustomer.ListItems(i).Checked());
        EXPECT_EQ(form.rowForeColor(i), 0u);
    }
    EXPECT_EQ(form.lvwCustomer.SelectedItem(), nullptr);
    EXPECT_EQ(flags(list), (QList<bool>{false, false, false}));
    form.cmdCancel_Click();
}

TEST_F(SelDeleteTest, CheckMarkChangesTextAndColour)
{
    clsDataC list;
    fill(list, {"111111111", "222222222"});
    frmSelDelete form;
    form.setCustomer(&list);
    form.Load();
    ListItem &row = form.lvwCustomer.ListItems(2);
    row.setChecked(true); // the view reports the change as the user's click would
    EXPECT_EQ(row.Text(), QStringLiteral("する"));
    EXPECT_EQ(form.rowForeColor(2), kMagenta);
    EXPECT_EQ(form.lvwCustomer.ListItems(1).Text(), QStringLiteral("しない"));
    row.setChecked(false);
    EXPECT_EQ(row.Text(), QStringLiteral("しない"));
    EXPECT_EQ(form.rowForeColor(2), 0u);
    EXPECT_EQ(flags(list), (QList<bool>{false, false})) << "flags change only on OK";
    form.cmdCancel_Click();
}

TEST_F(SelDeleteTest, DeleteAllMarksAndClearsEveryRow)
{
    clsDataC list;
    fill(list, {"111111111", "222222222", "333333333"});
    frmSelDelete form;
    form.setCustomer(&list);
    form.Load();
    form.chkAllDel.setValue(vbChecked);
    EXPECT_EQ(column(form, 0), (QStringList(3, QStringLiteral("する"))));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(form.lvwCustomer.ListItems(i).Checked());
        EXPECT_EQ(form.rowForeColor(i), kMagenta);
    }
    form.chkAllDel.setValue(vbUnchecked);
    EXPECT_EQ(column(form, 0), (QStringList(3, QStringLiteral("しない"))));
    for (int i = 1; i <= 3; ++i)
        EXPECT_FALSE(form.lvwCustomer.ListItems(i).Checked());
    form.chkAllDel.setValue(vbChecked);
    form.cmdOK_Click();
    EXPECT_EQ(flags(list), (QList<bool>{true, true, true}));
    EXPECT_TRUE(form.Status());
}

TEST_F(SelDeleteTest, DeleteAllTickedByAnAssistiveToolMarksEveryRowAsAClickDoes)
{
    clsDataC list;
    fill(list, {"111111111", "222222222"});
    frmSelDelete form;
    form.setCustomer(&list);
    form.Show();
    QAccessibleInterface *box = QAccessible::queryAccessibleInterface(form.chkAllDel.widget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->role(), QAccessible::CheckBox);
    EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("全て削除"));
    QAccessibleActionInterface *actions = box->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(box->state().checked);
    EXPECT_EQ(column(form, 0), (QStringList(2, QStringLiteral("する")))) << "the toggle marked no row";
    for (int i = 1; i <= 2; ++i)
        EXPECT_TRUE(form.lvwCustomer.ListItems(i).Checked());
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(column(form, 0), (QStringList(2, QStringLiteral("しない"))));
    form.cmdOK_Click();
    EXPECT_EQ(flags(list), (QList<bool>{false, false}));
}

TEST_F(SelDeleteTest, OkWritesEachRowsMarkIntoItsEntry)
{
    clsDataC list;
    fill(list, {"300000003", "100000001", "200000002"});
    frmSelDelete form;
    form.setCustomer(&list);
    form.Load();
    form.lvwCustomer.ListItems(rowOf(form, "300000003")).setChecked(true);
    form.lvwCustomer.ListItems(rowOf(form, "200000002")).setChecked(true);
    form.cmdOK_Click();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(flags(list), (QList<bool>{true, false, true}));
    // The numbers themselves are untouched.
    list.setIdx(1);
    EXPECT_EQ(list.customer(), QStringLiteral("100000001"));
}

TEST_F(SelDeleteTest, CancelLeavesEveryFlagCleared)
{
    clsDataC list;
    fill(list, {"111111111", "222222222"});
    frmSelDelete form;
    form.setCustomer(&list);
    form.Load();
    form.chkAllDel.setValue(vbChecked);
    form.cmdCancel_Click();
    EXPECT_FALSE(form.Status());
    EXPECT_EQ(flags(list), (QList<bool>{false, false}));

    // Status is False at every load, also after an earlier OK.
    form.Load();
    form.cmdOK_Click();
    EXPECT_TRUE(form.Status());
    form.Load();
    EXPECT_FALSE(form.Status());
    form.cmdCancel_Click();
}

TEST_F(SelDeleteTest, RepeatedNumberActsOnItsFirstEntryWithTheLaterRowDeciding)
{
    clsDataC list;
    fill(list, {"111111111", "222222222", "111111111"});
    {
        frmSelDelete form;
        form.setCustomer(&list);
        form.Load();
        ASSERT_EQ(column(form, 1), (QStringList{"111111111", "111111111", "222222222"}));
        form.lvwCustomer.ListItems(2).setChecked(true);
        form.cmdOK_Click();
        EXPECT_EQ(flags(list), (QList<bool>{true, false, false}));
    }
    {
        frmSelDelete form;
        form.setCustomer(&list);
        form.Load();
        form.lvwCustomer.ListItems(1).setChecked(true);
        form.cmdOK_Click();
        EXPECT_EQ(flags(list), (QList<bool>{false, false, false})) << "the later, unchecked row decides";
    }
}

TEST_F(SelDeleteTest, EmptyListConfirmsWithNothingChanged)
{
    clsDataC list;
    list.initData();
    frmSelDelete form;
    form.setCustomer(&list);
    form.Load();
    EXPECT_EQ(form.lvwCustomer.Count(), 0);
    form.cmdOK_Click();
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(list.count(), 0);
}

TEST_F(SelDeleteTest, ClickedRowIsDeselected)
{
    clsDataC list;
    fill(list, {"111111111"});
    frmSelDelete form;
    form.setCustomer(&list);
    form.Load();
    auto *tree = qobject_cast<QTreeWidget *>(form.lvwCustomer.widget());
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem *item = tree->topLevelItem(0);
    tree->setCurrentItem(item);
    ASSERT_TRUE(item->isSelected());
    ASSERT_NE(form.lvwCustomer.SelectedItem(), nullptr);
    emit tree->itemClicked(item, 1);
    EXPECT_FALSE(item->isSelected());
    EXPECT_EQ(form.lvwCustomer.SelectedItem(), nullptr);
    EXPECT_FALSE(form.lvwCustomer.ListItems(1).Checked()) << "a click elsewhere than the box marks nothing";
    form.cmdCancel_Click();
}

} // namespace
} // namespace settingstest
