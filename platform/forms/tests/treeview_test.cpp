#include "platform/forms/treeview.h"
#include "platform/runtime/runtime_error.h"

#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace platform::forms;

TEST(TreeViewControl, AddByRelationshipAndKeys)
{
    TreeView tv;
    tv.Add(QString(), tvwLast, QStringLiteral("r"), QStringLiteral("root"), 1, 1);
    tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("b"), QStringLiteral("B"));
    tv.Add(QStringLiteral("b"), tvwPrevious, QStringLiteral("a"), QStringLiteral("A"));
    tv.Add(QStringLiteral("b"), tvwNext, QStringLiteral("c"), QStringLiteral("C"));
    tv.Add(QStringLiteral("b"), tvwFirst, QStringLiteral("z"), QStringLiteral("Z"));
    Node *r = tv.Item(QStringLiteral("r"));
    ASSERT_EQ(r->Children(), 4);
    EXPECT_EQ(r->Child()->Key(), QStringLiteral("z"));
    EXPECT_EQ(r->Child()->Next()->Key(), QStringLiteral("a"));
    EXPECT_EQ(tv.Item(QStringLiteral("c"))->Previous()->Key(), QStringLiteral("b"));
    EXPECT_EQ(tv.Item(QStringLiteral("c"))->FullPath(), QStringLiteral("root\\C"));
    EXPECT_EQ(tv.widget()->topLevelItem(0)->child(1)->text(0), QStringLiteral("A"));
    try {
        tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("a"), QStringLiteral("again"));
        FAIL();
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), errKeyNotUnique);
    }
    EXPECT_THROW(tv.Item(QStringLiteral("none")), platform::RuntimeError);
    EXPECT_THROW(tv.Add(QStringLiteral("none"), tvwChild, QStringLiteral("x"), QStringLiteral("x")),
                 platform::RuntimeError);
    EXPECT_EQ(tv.Count(), 5);
    tv.Remove(QStringLiteral("r"));
    EXPECT_EQ(tv.Count(), 0);
    EXPECT_EQ(tv.widget()->topLevelItemCount(), 0);
}

TEST(TreeViewControl, SortedChildrenStayInTextOrder)
{
    TreeView tv;
    Node *r = tv.Add(QString(), tvwLast, QStringLiteral("r"), QStringLiteral("root"));
    tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("k"), QStringLiteral("Kita"));
    tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("a"), QStringLiteral("alpha"));
    r->setSorted(true);
    tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("b"), QStringLiteral("Beta"));
    QStringList texts;
    for (Node *c : r->childNodes())
        texts << c->Text();
    EXPECT_EQ(texts, QStringList({"alpha", "Beta", "Kita"}));
    QTreeWidgetItem *top = tv.widget()->topLevelItem(0);
    EXPECT_EQ(top->child(0)->text(0), QStringLiteral("alpha"));
    EXPECT_EQ(top->child(2)->text(0), QStringLiteral("Kita"));
    tv.Item(QStringLiteral("a"))->setText(QStringLiteral("zeta"));
    EXPECT_EQ(r->childNodes().back()->Key(), QStringLiteral("a"));
    EXPECT_EQ(top->child(2)->text(0), QStringLiteral("zeta"));
}

TEST(TreeViewControl, EventsAndSelection)
{
    TreeView tv;
    Node *r = tv.Add(QString(), tvwLast, QStringLiteral("r"), QStringLiteral("root"));
    Node *c = tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("c"), QStringLiteral("child"));
    int expand = 0, collapse = 0, click = 0;
    QObject::connect(&tv, &TreeView::Expand, [&](Node *) { ++expand; });
    QObject::connect(&tv, &TreeView::Collapse, [&](Node *) { ++collapse; });
    QObject::connect(&tv, &TreeView::NodeClick, [&](Node *n) { EXPECT_EQ(n, c); ++click; });
    r->setExpanded(true);
    r->setExpanded(true);
    EXPECT_EQ(expand, 1);
    EXPECT_TRUE(tv.widget()->topLevelItem(0)->isExpanded());
    tv.widget()->topLevelItem(0)->setExpanded(false); // as the user does
    EXPECT_EQ(collapse, 1);
    EXPECT_FALSE(r->Expanded());
    tv.clickNode(c);
    EXPECT_EQ(click, 1);
    EXPECT_TRUE(c->Selected());
    EXPECT_EQ(tv.SelectedItem(), c);
    tv.Clear();
    EXPECT_EQ(tv.SelectedItem(), nullptr);
    EXPECT_FALSE(tv.Exists(QStringLiteral("c")));
}

// The events a person raises on the shown tree, in the control's order.
TEST(TreeViewControl, InputEventsRaiseMouseDownThenNodeClick)
{
    TreeView tv;
    tv.Add(QString(), tvwLast, QStringLiteral("r"), QStringLiteral("root"));
    tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("a"), QStringLiteral("A"));
    tv.Add(QStringLiteral("r"), tvwChild, QStringLiteral("b"), QStringLiteral("B"));
    tv.Item(QStringLiteral("r"))->setExpanded(true);
    QTreeWidget *w = tv.widget();
    w->resize(200, 200);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QStringList events;
    QObject::connect(&tv, &TreeView::MouseDown, [&](int button, int, double, double) {
        events << QStringLiteral("down%1").arg(button);
    });
    QObject::connect(&tv, &TreeView::NodeClick, [&](Node *n) { events << QStringLiteral("click:") + n->Key(); });
    const QPoint a = w->visualItemRect(tv.Item(QStringLiteral("a"))->item()).center();
    const QPoint b = w->visualItemRect(tv.Item(QStringLiteral("b"))->item()).center();

    QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, a);
    EXPECT_EQ(events, (QStringList{QStringLiteral("down1"), QStringLiteral("click:a")}));
    events.clear();
    QTest::mouseClick(w->viewport(), Qt::RightButton, {}, b);
    EXPECT_EQ(events, (QStringList{QStringLiteral("down2"), QStringLiteral("click:b")}));
    EXPECT_EQ(tv.SelectedItem(), tv.Item(QStringLiteral("b")));
    events.clear();
    // A press on the empty area: only the mouse-down.
    QTest::mouseClick(w->viewport(), Qt::RightButton, {}, QPoint(150, 190));
    EXPECT_EQ(events, QStringList{QStringLiteral("down2")});
    events.clear();
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(events, QStringList{QStringLiteral("click:a")});
    EXPECT_EQ(tv.SelectedItem(), tv.Item(QStringLiteral("a")));
    events.clear();
    // A key that does not move the selection raises nothing.
    QTest::keyClick(w, Qt::Key_Shift);
    EXPECT_TRUE(events.isEmpty());
}
