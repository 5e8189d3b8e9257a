// The data window by the keyboard: Tab leaves the table, and after a rename,
// a delete question or a menu command the focus is back on the tree of the
// active window.
#include "dataWindowFixture.h"

#include "platform/forms/constants.h"
#include "x11window.h"

#include <QApplication>
#include <QLineEdit>
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

TEST_F(KeyboardFocusTest, AfterARenameTheTreeKeepsTheFocus)
{
    ASSERT_NO_FATAL_FAILURE(showWindow());
    for (Qt::Key end : {Qt::Key_Return, Qt::Key_Escape}) {
        SCOPED_TRACE(end == Qt::Key_Return ? "Enter" : "Esc");
        const QString name = end == Qt::Key_Return ? QStringLiteral("横浜工場") : QStringLiteral("名古屋");
        const QString key = w->treData().Exists(kTokyo) ? kTokyo : QStringLiteral("\\dDB.tran\\横浜工場");
        selectNode(key);
        ASSERT_TRUE(tree()->hasFocus());
        // お客さま名の変更, as the edit menu gives it.
        w->mnuEdit(1).click();
        QLineEdit *editor = nullptr;
        ASSERT_TRUE(waitFor([&] { return (editor = tree()->findChild<QLineEdit *>()) && editor->hasFocus(); }, 3000));
        // A name in kana comes from the input method, not as keys.
        editor->setText(name);
        QTest::keyClick(editor, end);
        EXPECT_TRUE(treeHasTheFocus()) << "focus on " << focusName().toStdString();
        // The keys work again: Down moves the current node.
        QTreeWidgetItem *before = tree()->currentItem();
        QTest::keyClick(tree(), before ? Qt::Key_Down : Qt::Key_Home);
        EXPECT_NE(tree()->currentItem(), nullptr);
    }
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/横浜工場")));
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/名古屋")));
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
