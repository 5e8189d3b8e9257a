// What windows and item views tell assistive tools as events: a new
// caption as a new name, the grid's current cell by its place in the table,
// the print preview's page counter as it turns, a tree's expanding and collapsing as the node's expanded state, and no
// focus or selection news from a hidden or disabled view. Qt sends these
// only while its accessibility bridge is on: on the X server with the bus
// (x11run.sh --atspi) the events are recorded where the bridge would get
// them; offscreen the cases are skipped.
#include "atspi.h"

#include "platform/forms/controls.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/treeview.h"
#include "platform/print/reportprinter.h"

#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform::forms;

namespace {

// One event as the bridge would get it.
struct Told {
    QAccessible::Event type;
    QObject *object;        // the widget the event names (null for a cell)
    QAccessible::Role role; // of the interface it is about
    QString name;
    QAccessible::State changed; // for a state change
};

QList<Told> &told()
{
    static QList<Told> events;
    return events;
}

void record(QAccessibleEvent *event)
{
    QAccessibleInterface *iface = event->accessibleInterface();
    Told t{event->type(), event->object(), iface ? iface->role() : QAccessible::NoRole,
           iface ? iface->text(QAccessible::Name) : QString(), {}};
    if (event->type() == QAccessible::StateChanged)
        t.changed = static_cast<QAccessibleStateChangeEvent *>(event)->changedStates();
    told().append(t);
}

// Records the events sent while it lives, instead of handing them on.
class EventRecorder {
public:
    EventRecorder()
    {
        told().clear();
        m_previous = QAccessible::installUpdateHandler(record);
        m_wasActive = QAccessible::isActive();
        QAccessible::setActive(true);
    }
    ~EventRecorder()
    {
        QAccessible::installUpdateHandler(m_previous);
        QAccessible::setActive(m_wasActive);
    }
    EventRecorder(const EventRecorder &) = delete;
    EventRecorder &operator=(const EventRecorder &) = delete;

    // The events of these types so far.
    static QList<Told> of(std::initializer_list<QAccessible::Event> types)
    {
        QList<Told> out;
        for (const Told &t : told())
            if (std::find(types.begin(), types.end(), t.type) != types.end())
                out << t;
        return out;
    }

private:
    QAccessible::UpdateHandler m_previous = nullptr;
    bool m_wasActive = false;
};

QAccessibleInterface *accessible(QWidget *w)
{
    return QAccessible::queryAccessibleInterface(w);
}

// Whether this run has the bridge: offscreen it has none (the case is
// skipped); on X with the bus Qt turns it on once it has reached the bus,
// and a run on X without it fails.
bool bridgeOn()
{
    if (!talviktest::atspiBusRun())
        return false;
    QDeadlineTimer deadline(10000);
    while (!QAccessible::isActive() && !deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_TRUE(QAccessible::isActive()) << "Qt's accessibility bridge did not come on";
    return QAccessible::isActive();
}

#define REQUIRE_BRIDGE()                                                                                  \
    do {                                                                                                  \
        if (!bridgeOn())                                                                                  \
            GTEST_SKIP() << "no accessibility bridge";                                                    \
    } while (false)

class CaptionedForm : public Form {
public:
    CommandButton cmdOK{this, QStringLiteral("cmdOK")};

protected:
    void designForm() override
    {
        setDesignSize(3600, 1800);
        setCaption(QStringLiteral("設定"));
        cmdOK.Move(120, 120, 1200, 360);
        cmdOK.setCaption(QStringLiteral("OK"));
    }
};

TEST(WindowEventsTest, ANewCaptionIsToldOnceAsANewNameUnlessANameWasGiven)
{
    REQUIRE_BRIDGE();
    CaptionedForm form;
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
    EventRecorder events;
    form.setCaption(QStringLiteral("設定 [C:\\data\\a.ini]"));
    QList<Told> names = EventRecorder::of({QAccessible::NameChanged});
    ASSERT_EQ(names.size(), 1) << "a new caption must be told once as a new name";
    EXPECT_EQ(names[0].object, form.widget());
    EXPECT_EQ(names[0].role, QAccessible::Window);
    EXPECT_EQ(names[0].name, QStringLiteral("設定 [C:\\data\\a.ini]"));
    // The same caption again is no news.
    form.setCaption(QStringLiteral("設定 [C:\\data\\a.ini]"));
    EXPECT_EQ(EventRecorder::of({QAccessible::NameChanged}).size(), 1);
    // A name given to the window is told when given; a caption under it is
    // no news of the name.
    form.widget()->setAccessibleName(QStringLiteral("データ読み込み中"));
    names = EventRecorder::of({QAccessible::NameChanged});
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[1].name, QStringLiteral("データ読み込み中"));
    form.setCaption(QStringLiteral("別"));
    EXPECT_EQ(EventRecorder::of({QAccessible::NameChanged}).size(), 2);
    form.Unload();
}

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
        grid.setRows(4);
        grid.setFixedCols(0);
        grid.setFixedRows(1);
        for (int c = 0; c < 3; ++c)
            grid.setTextMatrix(0, c, QStringLiteral("見出し%1").arg(c));
        for (int r = 1; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                grid.setTextMatrix(r, c, QStringLiteral("%1-%2").arg(r).arg(c));
    }
};

TEST(GridEventsTest, TheCurrentCellIsToldByItsPlaceInTheTable)
{
    REQUIRE_BRIDGE();
    GridForm form;
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
    QTableView *view = form.grid.widget();
    form.widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.widget()));
    view->setFocus();
    EventRecorder events;
    // Model row 2 is the table's second record.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(2, 2)).center());
    QTest::keyClick(view, Qt::Key_Down);
    QStringList focused;
    for (const Told &t : EventRecorder::of({QAccessible::Focus}))
        if (t.role == QAccessible::Cell)
            focused << t.name;
    EXPECT_EQ(focused, (QStringList{"2-2", "3-2"}));
    // Disabled, a move of the current cell is not told.
    view->setEnabled(false);
    told().clear();
    view->setCurrentIndex(view->model()->index(1, 1));
    EXPECT_TRUE(EventRecorder::of({QAccessible::Focus}).isEmpty());
    form.Unload();
}

class ViewsForm : public Form {
public:
    ViewsForm() : tree(nullptr, QStringLiteral("tree")) {}
    ListBox lstLogs{this, QStringLiteral("lstLogs")};
    TreeView tree;

protected:
    void designForm() override
    {
        setDesignSize(6000, 3600);
        setCaption(QStringLiteral("一覧"));
        lstLogs.Move(120, 120, 2400, 3000);
        tree.widget()->setParent(widget());
        tree.widget()->setGeometry(200, 8, 180, 220);
        tree.widget()->show();
    }
};

class QuietViewsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
        for (int i = 0; i < 5; ++i)
            form.lstLogs.AddItem(QStringLiteral("2026/11/13 10:%1    読み出し").arg(i, 2, 10, QLatin1Char('0')));
        Node *root = form.tree.Add(QStringLiteral("\\dDB.tran"), QStringLiteral("お客さま"));
        form.tree.Add(root->Key(), tvwChild, QStringLiteral("\\dDB.tran\\A"), QStringLiteral("A社"));
        form.tree.Add(root->Key(), tvwChild, QStringLiteral("\\dDB.tran\\B"), QStringLiteral("B社"));
    }
    void TearDown() override { form.Unload(); }
    // The program walks the list as the log's write does.
    void walkList()
    {
        auto *list = qobject_cast<QListWidget *>(form.lstLogs.widget());
        for (int i = 0; i < list->count(); ++i)
            list->setCurrentRow(i);
    }
    // The list's own focus and selection news (the focus that leaves a
    // list as it is disabled goes on to the tree, which tells it).
    int focusAndSelection()
    {
        const QList<Told> events = EventRecorder::of(
            {QAccessible::Focus, QAccessible::Selection, QAccessible::SelectionAdd, QAccessible::SelectionRemove});
        return int(std::count_if(events.cbegin(), events.cend(),
                                 [this](const Told &t) { return t.object == form.lstLogs.widget(); }));
    }
    ViewsForm form;
};

TEST_F(QuietViewsTest, ADisabledOrHiddenListTellsNoFocusOrSelection)
{
    REQUIRE_BRIDGE();
    {
        EventRecorder events;
        form.lstLogs.setEnabled(false);
        walkList();
        EXPECT_EQ(focusAndSelection(), 0) << "the disabled list told its rows";
    }
    {
        form.lstLogs.setEnabled(true);
        form.lstLogs.setVisible(false);
        EventRecorder events;
        walkList();
        EXPECT_EQ(focusAndSelection(), 0) << "the hidden list told its rows";
    }
    {
        form.lstLogs.setVisible(true);
        EventRecorder events;
        walkList();
        EXPECT_GT(focusAndSelection(), 0) << "a shown, enabled list tells its moves";
    }
    // The walks moved the list all the same.
    EXPECT_EQ(form.lstLogs.ListIndex(), 4);
}

TEST_F(QuietViewsTest, ExpandingAndCollapsingANodeTellsItsExpandedState)
{
    REQUIRE_BRIDGE();
    QTreeWidget *view = form.tree.widget();
    Node *root = form.tree.Item(QStringLiteral("\\dDB.tran"));
    form.tree.setSelectedItem(root);
    form.widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.widget()));
    view->setFocus();
    ASSERT_FALSE(root->Expanded());
    EventRecorder events;
    QTest::keyClick(view, Qt::Key_Right);
    ASSERT_TRUE(root->Expanded()) << "Right did not expand the node";
    QList<Told> states = EventRecorder::of({QAccessible::StateChanged});
    ASSERT_EQ(states.size(), 1);
    EXPECT_EQ(states[0].name, QStringLiteral("お客さま"));
    EXPECT_TRUE(states[0].changed.expanded);
    QAccessibleInterface *tree = accessible(view);
    ASSERT_NE(tree->tableInterface(), nullptr);
    EXPECT_TRUE(tree->tableInterface()->cellAt(0, 0)->state().expanded);

    QTest::keyClick(view, Qt::Key_Left);
    ASSERT_FALSE(root->Expanded());
    states = EventRecorder::of({QAccessible::StateChanged});
    ASSERT_EQ(states.size(), 2);
    EXPECT_EQ(states[1].name, QStringLiteral("お客さま"));
    EXPECT_FALSE(tree->tableInterface()->cellAt(0, 0)->state().expanded);

    // Disabled, the tree is rebuilt by the program: nothing is told.
    view->setEnabled(false);
    told().clear();
    root->setExpanded(true);
    form.tree.setSelectedItem(form.tree.Item(QStringLiteral("\\dDB.tran\\B")));
    EXPECT_TRUE(EventRecorder::of({QAccessible::StateChanged, QAccessible::Focus, QAccessible::SelectionAdd,
                                   QAccessible::Selection, QAccessible::SelectionRemove})
                    .isEmpty());
}

// The preview's counter, turned by the arrow: told as the label's new name
// and as the arrows' new description, where the user is.
TEST(PreviewEventsTest, ATurnedPageIsToldByTheCounter)
{
    REQUIRE_BRIDGE();
    using namespace platform::print;
    ReportPrinter p;
    p.BeginSetup();
    p.setPaperSize(9);
    p.StartDoc();
    p.StartTable();
    TableBody body;
    for (int i = 0; i < 200; ++i)
        body.append({i + 1, QStringLiteral("2026年11月13日")});
    p.AddTable(QStringLiteral("^+20%|^+80%"), QStringLiteral("№|監視年月日"), body, 0x80000016u);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
    const int pages = p.document()->pageCount();
    ASSERT_GE(pages, 2);
    p.resize(600, 500);
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    QToolButton *next = nullptr;
    for (QToolButton *b : p.findChildren<QToolButton *>())
        if (b->arrowType() == Qt::RightArrow)
            next = b;
    ASSERT_NE(next, nullptr);
    EventRecorder events;
    QTest::mouseClick(next, Qt::LeftButton);
    const QString counter = QStringLiteral("2 / %1").arg(pages);
    QStringList names;
    for (const Told &t : EventRecorder::of({QAccessible::NameChanged}))
        if (qobject_cast<QLabel *>(t.object))
            names << t.name;
    EXPECT_EQ(names, QStringList{counter});
    int described = 0;
    for (const Told &t : EventRecorder::of({QAccessible::DescriptionChanged}))
        if (t.object == next)
            ++described;
    EXPECT_EQ(described, 1);
    EXPECT_EQ(accessible(next)->text(QAccessible::Description), counter);
}

} // namespace
