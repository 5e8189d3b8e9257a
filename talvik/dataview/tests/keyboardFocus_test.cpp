// The data window by the keyboard: Tab leaves the table, and after a rename,
// a delete question or a menu command the focus is back on the tree of the
// active window.
#include "dataWindowFixture.h"

#include "platform/forms/constants.h"
#include "x11window.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace dwtest;
using namespace platform::forms;

namespace {

const QString kTokyo = QStringLiteral("\\dDB.tran\\東京工場");
const QString kTokyo2024 = QStringLiteral("\\dDB.tran\\東京工場\\2024年");

class KeyboardFocusTest : public DataWindowTest {
protected:
    void showWindow()
    {
        makeStore();
        loadWindow();
        w->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
        ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(w->widget()));
    }
    QTreeWidget *tree() { return w->treData().widget(); }
    // Selects a node as a click does, and puts the focus on the tree.
    void selectNode(const QString &key)
    {
        QTreeWidgetItem *item = w->treData().Item(key)->item();
        tree()->scrollToItem(item);
        const QPoint at = tree()->visualItemRect(item).center();
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }
    // True once the window is active and the tree has the focus.
    bool treeHasTheFocus()
    {
        return waitFor([&] { return QApplication::activeWindow() == w->widget() && tree()->hasFocus(); }, 3000);
    }
    // お客さま名の変更 taken from the edit menu by the mouse, as the user does;
    // true once the editor of the node's name has the focus. Off X the item
    // is clicked without its menu: the headless platform activates a popup
    // as a window, and tells it after the popup is gone.
    bool startRenameFromTheMenu()
    {
        if (!talviktest::onX11()) {
            w->mnuEdit(1).click();
            return waitFor([&] { return editor() && editor()->hasFocus(); }, 3000);
        }
        QMenuBar *bar = w->menuBar();
        QAction *edit = bar->actions().value(1);
        if (!edit)
            return false;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(edit).center());
        if (!waitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr; }, 3000))
            return false;
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QAction *rename = nullptr;
        for (QAction *action : menu->actions())
            if (action->text() == QStringLiteral("お客さま名の変更"))
                rename = action;
        if (!rename || !rename->isEnabled())
            return false;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(rename).center());
        return waitFor([&] { return editor() && editor()->hasFocus(); }, 3000);
    }
    QLineEdit *editor() { return tree()->findChild<QLineEdit *>(); }
    // The keys reach the tree: Home takes the first node, Down the next one.
    ::testing::AssertionResult keysMoveTheTreeSelection()
    {
        QWidget *focus = QApplication::focusWidget();
        if (!focus)
            return ::testing::AssertionFailure() << "no control has the focus";
        QTest::keyClick(focus, Qt::Key_Home);
        QTreeWidgetItem *first = tree()->currentItem();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTreeWidgetItem *next = tree()->currentItem();
        if (!first || !next || next == first)
            return ::testing::AssertionFailure() << "Home and Down did not move the tree's node, focus on "
                                                 << focusName().toStdString();
        return ::testing::AssertionSuccess();
    }
    static QString focusName()
    {
        QWidget *f = QApplication::focusWidget();
        return f ? QString::fromLatin1(f->metaObject()->className()) + u' ' + f->objectName() : QStringLiteral("none");
    }
};

} // namespace

TEST_F(KeyboardFocusTest, TabAndBacktabLeaveTheTable)
{
    ASSERT_NO_FATAL_FAILURE(showWindow());
    selectNode(kTokyo2024);
    QTableView *table = w->mfgData().widget();
    ASSERT_TRUE(table->isVisible());
    table->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(waitFor([&] { return table->hasFocus(); }, 2000));
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_FALSE(table->hasFocus()) << "Tab kept the focus in the table";
    QWidget *next = QApplication::focusWidget();
    table->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(waitFor([&] { return table->hasFocus(); }, 2000));
    QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(table->hasFocus()) << "Shift+Tab kept the focus in the table";
    EXPECT_NE(QApplication::focusWidget(), next) << "Shift+Tab went to the next control";
}

// However the rename of a customer ends, by Enter with a new name, by Esc,
// by Enter on a name refused with a box (one that is there already, or the
// name unchanged), the tree keeps the focus in the active window and the
// keys work in it: the editor going with the rebuilt tree must not hand the
// focus on to the next control.
TEST_F(KeyboardFocusTest, AfterARenameTheTreeKeepsTheFocus)
{
    ASSERT_NO_FATAL_FAILURE(showWindow());
    struct Case {
        const char *what;
        Qt::Key end;
        QString name; // empty: the name as it stands
        bool refused;
    };
    const QList<Case> cases = {
        {"Enter", Qt::Key_Return, QStringLiteral("横浜工場"), false},
        {"Esc", Qt::Key_Escape, QStringLiteral("名古屋"), false},
        {"Enter on a name there already", Qt::Key_Return, QStringLiteral("大阪支店"), true},
        {"Enter on the name unchanged", Qt::Key_Return, QString(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString key = w->treData().Exists(kTokyo) ? kTokyo : QStringLiteral("\\dDB.tran\\横浜工場");
        // A year's data shown first: the display-style buttons are up.
        selectNode(key + QStringLiteral("\\2024年"));
        selectNode(key);
        ASSERT_TRUE(tree()->hasFocus()) << "focus on " << focusName().toStdString();
        ASSERT_TRUE(startRenameFromTheMenu()) << "focus on " << focusName().toStdString();
        // A name in kana comes from the input method, not as keys.
        if (!c.name.isEmpty())
            editor()->setText(c.name);
        if (c.refused)
            script->showAndPressNext(vbOK);
        QTest::keyClick(QApplication::focusWidget(), c.end);
        if (c.refused) {
            ASSERT_TRUE(waitFor([&] { return script->pending() == 0; }, 5000));
        }
        EXPECT_TRUE(treeHasTheFocus()) << "focus on " << focusName().toStdString();
        EXPECT_TRUE(keysMoveTheTreeSelection());
    }
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/横浜工場")));
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/大阪支店")));
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/名古屋")));
    EXPECT_EQ(script->shown().size(), 2);
    EXPECT_TRUE(script->verify());
}

TEST_F(KeyboardFocusTest, AfterTheDeleteQuestionTheTreeHasTheFocus)
{
    ASSERT_NO_FATAL_FAILURE(showWindow());
    for (int answer : {vbCancel, vbOK}) {
        SCOPED_TRACE(answer);
        selectNode(kTokyo2024);
        ASSERT_TRUE(tree()->hasFocus());
        script->showAndPressNext(answer);
        w->mnuEdit(4).click();
        EXPECT_EQ(script->pending(), 0);
        EXPECT_TRUE(treeHasTheFocus()) << "focus on " << focusName().toStdString();
    }
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/東京工場/2024年")));
    EXPECT_TRUE(script->verify());
}

// A command taken from the menu bar by the keyboard: the focus goes back to
// the tree, not to the bar with no menu open.
TEST_F(KeyboardFocusTest, AfterACommandFromTheMenuBarTheTreeHasTheFocus)
{
    ASSERT_NO_FATAL_FAILURE(showWindow());
    selectNode(kTokyo2024);
    ASSERT_TRUE(tree()->hasFocus());
    QMenuBar *bar = w->menuBar();
    // F10, then the edit menu (second), then 削除 (its last item).
    QTest::keyClick(tree(), Qt::Key_F10);
    ASSERT_TRUE(bar->hasFocus());
    QTest::keyClick(bar, Qt::Key_Right);
    QTest::keyClick(bar, Qt::Key_Down);
    ASSERT_TRUE(waitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Up);
    script->showAndPressNext(vbCancel);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return script->pending() == 0; }, 5000));
    EXPECT_EQ(script->prompts().value(0), QStringLiteral("「東京工場 2024年」のデータ削除します。よろしいですか？"));
    EXPECT_TRUE(treeHasTheFocus()) << "focus on " << focusName().toStdString();
    EXPECT_FALSE(bar->hasFocus());
    EXPECT_TRUE(script->verify());
}

