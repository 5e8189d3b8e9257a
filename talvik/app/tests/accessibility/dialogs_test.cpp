// The customer-pick dialog's combo and the read confirmation's check boxes
// as a screen reader reads them, with the dialogs shown modally as the
// program shows them and worked with real keys and clicks.
#include "atspi.h"
#include "comboAccessible.h"
#include "settingsFixture.h"
#include "x11window.h"

#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/link/clsDataC.h"
#include "talvik/settings/frmImportCustom.h"
#include "talvik/settings/frmSelDelete.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace {

using namespace platform::forms;
using talviktest::AtspiNode;
namespace win = platform::win;

void settle()
{
    QApplication::processEvents();
    win::PumpPostedMessages();
    QApplication::processEvents();
}

// Events raised for assistive tools while a recorder is installed. Qt
// delivers them only while its accessibility bridge is active (on X with the
// bus); the recorder takes them in place of the bridge for one case.
struct EventRecord {
    QAccessible::Event type = QAccessible::InvalidEvent;
    QAccessible::Role role = QAccessible::NoRole;
    QString text;   // the new value or text
    bool selected = false; // the object's selected state when the event came
    bool checkedChange = false; // a state change of the checked state
    bool checked = false;       // the object's checked state when the event came
    QString name;   // the object's name when the event came
};
std::vector<EventRecord> *g_events = nullptr;
void recordEvent(QAccessibleEvent *event)
{
    QAccessibleInterface *iface = event->accessibleInterface();
    if (!g_events || !iface)
        return;
    EventRecord r;
    r.type = event->type();
    r.role = iface->role();
    r.selected = iface->state().selected;
    r.checked = iface->state().checked;
    r.name = iface->text(QAccessible::Name);
    if (event->type() == QAccessible::StateChanged)
        r.checkedChange = static_cast<QAccessibleStateChangeEvent *>(event)->changedStates().checked;
    if (event->type() == QAccessible::ValueChanged)
        r.text = static_cast<QAccessibleValueChangeEvent *>(event)->value().toString();
    if (event->type() == QAccessible::TextUpdated)
        r.text = static_cast<QAccessibleTextUpdateEvent *>(event)->textInserted();
    g_events->push_back(r);
}
class EventRecorder {
public:
    EventRecorder() : m_active(QAccessible::isActive())
    {
        if (m_active) {
            g_events = &events;
            m_previous = QAccessible::installUpdateHandler(recordEvent);
        }
    }
    ~EventRecorder()
    {
        if (m_active) {
            QAccessible::installUpdateHandler(m_previous);
            g_events = nullptr;
        }
    }
    bool active() const { return m_active; }
    bool saw(QAccessible::Event type, QAccessible::Role role, const QString &text = QString()) const
    {
        for (const EventRecord &e : events)
            if (e.type == type && e.role == role && (text.isNull() || e.text == text))
                return true;
        return false;
    }
    std::vector<EventRecord> events;

private:
    bool m_active;
    QAccessible::UpdateHandler m_previous = nullptr;
};

class DialogAccessibilityTest : public settingstest::DialogTest {
protected:
    // Shows the form modally and runs steps inside its modal loop; a form
    // still open after them is closed and reported.
    void runModal(Form &form, const std::function<void()> &steps)
    {
        bool ran = false;
        QTimer::singleShot(0, &form, [&] {
            ran = true;
            if (!QTest::qWaitForWindowExposed(form.widget())) {
                ADD_FAILURE() << "the dialog did not show";
            } else {
                form.widget()->activateWindow();
                (void)QTest::qWaitForWindowActive(form.widget());
                steps();
            }
            settle();
            if (form.isLoaded()) {
                m_leftOpen = true;
                form.Unload();
            }
        });
        form.Show(vbModal);
        EXPECT_TRUE(ran);
    }
    static void press(Qt::Key k, Qt::KeyboardModifiers m = {})
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr) << "nothing has the keyboard focus";
        QTest::keyClick(focus, k, m);
        settle();
    }
    bool m_leftOpen = false;
};

// ---- the customer combo -------------------------------------------------------

class CustomerComboTest : public DialogAccessibilityTest {
protected:
    void SetUp() override
    {
        DialogAccessibilityTest::SetUp();
        makeFolder(QStringLiteral("dDB.tran/Alpha"));
        makeFolder(QStringLiteral("dDB.tran/Beta"));
        makeFolder(QStringLiteral("dDB.tran/Gamma"));
    }
    // The combo's node on the bus, by its name.
    static const AtspiNode *busCombo(const AtspiNode &tree)
    {
        return tree.findByName(QStringLiteral("combo box"), QStringLiteral("お客さまの選択"));
    }
    // Its list items, "*" before the selected ones.
    static QStringList busItems(const AtspiNode &combo)
    {
        QStringList out;
        for (const AtspiNode *item : combo.findAll([](const AtspiNode &n) { return n.role == QLatin1String("list item"); }))
            out << (item->has(QStringLiteral("selected")) ? QStringLiteral("*") : QString()) + item->name;
        return out;
    }
    static bool busText(const AtspiNode &combo, const QString &text)
    {
        return combo.find([&](const AtspiNode &n) { return n.hasText && n.text == text; }) != nullptr;
    }
};

TEST_F(CustomerComboTest, TheComboTellsItsTextAndItsItemsWithTheSelectedOneMarked)
{
    talvik::frmImportCustom form;
    form.setCustom(QStringLiteral("Beta"));
    const bool bus = talviktest::atspiBusRun();
    runModal(form, [&] {
        const win::HWND hwnd = form.zoComboCustom.host()->controlWindow();
        ASSERT_NE(hwnd, 0u);
        QWidget *widget = win::WidgetOfWindow(hwnd);
        QAccessibleInterface *combo = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->role(), QAccessible::ComboBox);
        ASSERT_EQ(combo->childCount(), 2) << "an edit field and a list";
        EXPECT_EQ(combo->child(0)->role(), QAccessible::EditableText);
        EXPECT_EQ(combo->child(0)->parent(), combo);
        EXPECT_EQ(combo->indexOfChild(combo->child(1)), 1);
        EXPECT_EQ(talviktest::comboEditText(combo), QStringLiteral("Beta"));
        EXPECT_EQ(combo->text(QAccessible::Value), QStringLiteral("Beta"));
        EXPECT_EQ(talviktest::comboItems(combo), (QStringList{"Alpha", "*Beta", "Gamma"})) << "a closed list holds its items";
        EXPECT_TRUE(combo->child(1)->state().invisible);
        if (bus)
            talviktest::expectOnAtspi("the combo's text", [&](const AtspiNode &tree) {
                const AtspiNode *c = busCombo(tree);
                return c && busText(*c, QStringLiteral("Beta"));
            });

        // The list opened with the keyboard shows the items, the chosen
        // customer marked.
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(10, widget->height() / 2));
        settle();
        press(Qt::Key_F4);
        ASSERT_TRUE(combo->state().expanded) << "F4 did not open the list";
        EXPECT_EQ(talviktest::comboItems(combo), (QStringList{"Alpha", "*Beta", "Gamma"}));
        EXPECT_EQ(combo->child(1)->child(1)->parent(), combo->child(1));
        EXPECT_EQ(combo->child(1)->indexOfChild(combo->child(1)->child(2)), 2);
        if (bus)
            talviktest::expectOnAtspi("the open list", [&](const AtspiNode &tree) {
                const AtspiNode *c = busCombo(tree);
                return c && busItems(*c) == QStringList{"Alpha", "*Beta", "Gamma"};
            });

        // Down moves the mark; Enter takes the item, which becomes the text.
        press(Qt::Key_Down);
        EXPECT_EQ(talviktest::comboItems(combo), (QStringList{"Alpha", "Beta", "*Gamma"}));
        if (bus)
            talviktest::expectOnAtspi("the mark moved by Down", [&](const AtspiNode &tree) {
                const AtspiNode *c = busCombo(tree);
                return c && busItems(*c) == QStringList{"Alpha", "Beta", "*Gamma"};
            });
        press(Qt::Key_Return);
        EXPECT_FALSE(combo->state().expanded);
        EXPECT_EQ(talviktest::comboEditText(combo), QStringLiteral("Gamma"));
        EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("Gamma"));
        if (bus)
            talviktest::expectOnAtspi("the text after the pick", [&](const AtspiNode &tree) {
                const AtspiNode *c = busCombo(tree);
                return c && busText(*c, QStringLiteral("Gamma")) && busItems(*c) == QStringList{"Alpha", "Beta", "*Gamma"};
            });
        press(Qt::Key_Escape);
    });
    EXPECT_FALSE(m_leftOpen);
}

TEST_F(CustomerComboTest, ChangesAreToldAsTheyHappenAndOnlyThen)
{
    talvik::frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    const bool bus = talviktest::atspiBusRun();
    EventRecorder recorder;
    if (!bus || !recorder.active())
        GTEST_SKIP() << "Qt delivers accessibility events only with its bridge active (on X with the bus)";
    runModal(form, [&] {
        QWidget *widget = win::WidgetOfWindow(form.zoComboCustom.host()->controlWindow());
        ASSERT_NE(widget, nullptr);
        QAccessibleInterface *combo = QAccessible::queryAccessibleInterface(widget);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(10, widget->height() / 2));
        settle();
        press(Qt::Key_End);
        press(Qt::Key_Home, Qt::ShiftModifier);
        recorder.events.clear();
        QTest::keyClicks(widget, QStringLiteral("Ga"));
        settle();
        EXPECT_TRUE(combo->text(QAccessible::Value).startsWith(QStringLiteral("Ga")));
        EXPECT_EQ(talviktest::comboEditText(combo), combo->text(QAccessible::Value));
        int values = 0;
        for (const EventRecord &e : recorder.events)
            values += e.type == QAccessible::ValueChanged;
        EXPECT_GE(values, 1) << "typing told no new value";
        EXPECT_LE(values, 2) << "two keys told more than two values";
        // Moving the caret changes no text and tells nothing.
        recorder.events.clear();
        press(Qt::Key_Home);
        press(Qt::Key_End);
        EXPECT_FALSE(recorder.saw(QAccessible::ValueChanged, QAccessible::ComboBox));
        // Opening the list, moving its mark and taking an item are told:
        // the list shown and hidden, the newly marked item, the new value
        // on the combo and the new text of its edit field.
        recorder.events.clear();
        press(Qt::Key_F4);
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        EXPECT_TRUE(recorder.saw(QAccessible::ObjectShow, QAccessible::List));
        EXPECT_TRUE(recorder.saw(QAccessible::Selection, QAccessible::ListItem));
        EXPECT_TRUE(recorder.saw(QAccessible::ObjectHide, QAccessible::List));
        const QString picked = form.zoComboCustom.Text();
        EXPECT_TRUE(recorder.saw(QAccessible::ValueChanged, QAccessible::ComboBox, picked)) << picked.toStdString();
        EXPECT_TRUE(recorder.saw(QAccessible::TextUpdated, QAccessible::EditableText, picked));
        press(Qt::Key_Escape);
    });
    EXPECT_FALSE(m_leftOpen);
}

// ---- the read confirmation ----------------------------------------------------

TEST_F(DialogAccessibilityTest, ReadConfirmationCheckBoxesTellTheirState)
{
    talvik::clsDataC list;
    list.initData();
    list.add(QStringLiteral("111111111"));
    list.add(QStringLiteral("222222222"));
    talvik::frmSelDelete form;
    form.setCustomer(&list);
    const bool bus = talviktest::atspiBusRun();
    runModal(form, [&] {
        auto *tree = qobject_cast<QTreeWidget *>(form.lvwCustomer.widget());
        ASSERT_NE(tree, nullptr);
        // The user ticks the second row's box with the mouse.
        QTreeWidgetItem *row = tree->topLevelItem(1);
        const QRect cell = tree->visualItemRect(row);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 10, cell.center().y()));
        settle();
        ASSERT_TRUE(form.lvwCustomer.ListItems(2).Checked()) << "the click did not tick the row";
        // In process: the row's first cell is checkable and checked; the
        // other row's is checkable and not checked.
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(tree);
        ASSERT_NE(view, nullptr);
        QStringList cells;
        std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
            for (int i = 0; node && i < node->childCount(); ++i) {
                QAccessibleInterface *c = node->child(i);
                if (c && c->state().checkable)
                    cells << (c->state().checked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + c->text(QAccessible::Name);
                walk(c);
            }
        };
        walk(view);
        EXPECT_EQ(cells, (QStringList{"[ ] しない", "[x] する"}));
        // On the bus: each row's first cell is a check box, the ticked row's
        // checked, the other one not. (The bridge of this Qt tells no
        // "checkable" state: an unticked box is told by its role and by
        // having no "checked".)
        auto rowStates = [](const AtspiNode &t) {
            QStringList seen;
            for (const AtspiNode *n : t.findAll([](const AtspiNode &n) {
                     return n.role == QLatin1String("check box")
                            && (n.name == QStringLiteral("する") || n.name == QStringLiteral("しない"));
                 }))
                seen << (n->has(QStringLiteral("checked")) ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + n->name;
            return seen;
        };
        if (bus)
            talviktest::expectOnAtspi("the rows' check boxes", [&](const AtspiNode &t) {
                const AtspiNode *all = t.findByName(QStringLiteral("check box"), QStringLiteral("全て削除"));
                return all && !all->has(QStringLiteral("checked"))
                       && rowStates(t) == QStringList{"[ ] しない", "[x] する"};
            });
        // "全て削除" ticked with the mouse ticks every row.
        QTest::mouseClick(form.chkAllDel.widget(), Qt::LeftButton, {}, QPoint(8, form.chkAllDel.widget()->height() / 2));
        settle();
        ASSERT_TRUE(form.lvwCustomer.ListItems(1).Checked());
        if (bus)
            talviktest::expectOnAtspi("the ticked boxes", [&](const AtspiNode &t) {
                const AtspiNode *all = t.findByName(QStringLiteral("check box"), QStringLiteral("全て削除"));
                return all && all->has(QStringLiteral("checked"))
                       && rowStates(t) == QStringList{"[x] する", "[x] する"};
            });
        press(Qt::Key_Escape);
    });
    EXPECT_FALSE(m_leftOpen);
}

TEST_F(DialogAccessibilityTest, ReadConfirmationTickIsToldAsTheBoxsCheckedStateChanging)
{
    talvik::clsDataC list;
    list.initData();
    for (const char *number : {"111111111", "222222222", "333333333"})
        list.add(QString::fromLatin1(number));
    talvik::frmSelDelete form;
    form.setCustomer(&list);
    const bool bus = talviktest::atspiBusRun();
    EventRecorder recorder;
    if (!bus || !recorder.active())
        GTEST_SKIP() << "Qt delivers accessibility events only with its bridge active (on X with the bus)";
    // The check state changes told for row boxes, as "[x] name" / "[ ] name"
    // with the state and name the box has when told.
    auto told = [&recorder] {
        QStringList out;
        for (const EventRecord &e : recorder.events)
            if (e.type == QAccessible::StateChanged && e.checkedChange && e.role == QAccessible::CheckBox
                && e.name != QStringLiteral("全て削除"))
                out << (e.checked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + e.name;
        return out;
    };
    runModal(form, [&] {
        auto *tree = qobject_cast<QTreeWidget *>(form.lvwCustomer.widget());
        ASSERT_NE(tree, nullptr);
        tree->setFocus();
        settle();
        recorder.events.clear();
        // Space on the third row ticks it; Space again unticks it.
        press(Qt::Key_End);
        press(Qt::Key_Space);
        ASSERT_TRUE(form.lvwCustomer.ListItems(3).Checked()) << "Space did not tick the current row";
        EXPECT_EQ(told(), QStringList{"[x] する"});
        recorder.events.clear();
        press(Qt::Key_Space);
        EXPECT_EQ(told(), QStringList{"[ ] しない"});
        // Moving between rows changes no tick and tells none.
        recorder.events.clear();
        press(Qt::Key_Up);
        press(Qt::Key_Home);
        EXPECT_TRUE(told().isEmpty()) << told().join(QLatin1Char(',')).toStdString();
        // "全て削除" ticks every row, and each row's box is told.
        QTest::mouseClick(form.chkAllDel.widget(), Qt::LeftButton, {}, QPoint(8, form.chkAllDel.widget()->height() / 2));
        settle();
        EXPECT_EQ(told(), (QStringList{"[x] する", "[x] する", "[x] する"}));
        press(Qt::Key_Escape);
    });
    EXPECT_FALSE(m_leftOpen);
}

} // namespace
