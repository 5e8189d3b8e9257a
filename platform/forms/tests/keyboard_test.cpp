// The keyboard as the user of the forms meets it: Enter on a focused button,
// Tab out of a grid, F10 and Alt for the menu bar, a field that Alt does not
// leave, the focus and the active window back after a box or a dialog, and
// the answer of a box that goes with its owner.
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/menus.h"
#include "platform/forms/msgbox.h"
#include "platform/forms/spin_inputs.h"
#include "platform/forms/uisetup.h"
#include "plainForm.h"
#include "x11window.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

using formstest::PlainForm;

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setUpJapaneseUi();
        DialogScript::setUnexpectedDialogHandler(
            [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
    }
    void TearDown() override { DialogScript::setUnexpectedDialogHandler({}); }
};

// A window of the program: a field, two buttons (the first the default),
// and a menu bar whose first menu has an item that asks a question.
class KeyForm : public Form {
public:
    TextBox txtName{this, QStringLiteral("txtName")};
    SpinNumberInput numWatt{this, QStringLiteral("numWatt")};
    CommandButton cmdOK{this, QStringLiteral("cmdOK")};
    CommandButton cmdInfo{this, QStringLiteral("cmdInfo")};
    Menu mnuFile{this, QStringLiteral("mnuFile")};
    Menu mnuAsk{this, QStringLiteral("mnuAsk"), &mnuFile};
    Menu mnuHelp{this, QStringLiteral("mnuHelp")};
    Menu mnuAbout{this, QStringLiteral("mnuAbout"), &mnuHelp};

protected:
    void designForm() override
    {
        setDesignSize(6000, 3000);
        setStartUpPosition(vbStartUpManual);
        setCaption(QStringLiteral("鍵盤"));
        txtName.Move(150, 150, 2000, 300);
        numWatt.Move(150, 600, 1200, 300);
        numWatt.setMinValue(5);
        numWatt.setMaxValue(999);
        numWatt.setValue(100);
        cmdOK.setCaption(QStringLiteral("OK"));
        cmdOK.Move(150, 1200, 1200, 375);
        cmdOK.setDefault(true);
        cmdInfo.setCaption(QStringLiteral("情報データ"));
        cmdInfo.Move(1500, 1200, 1200, 375);
        mnuFile.setCaption(QStringLiteral("ファイル(&F)"));
        mnuAsk.setCaption(QStringLiteral("質問(&Q)"));
        mnuHelp.setCaption(QStringLiteral("ヘルプ(&H)"));
        mnuAbout.setCaption(QStringLiteral("情報(&A)"));
    }
};

// Shows the form, makes it the active window and puts the focus on widget.
bool showAndFocus(KeyForm &form, QWidget *focus)
{
    form.Show();
    if (!QTest::qWaitForWindowExposed(form.widget()) || !talviktest::activateWindowAsAPersonDoes(form.widget()))
        return false;
    focus->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([&] { return QApplication::focusWidget() == focus; }, 2000);
}

QLineEdit *editOf(SpinNumberInput &input)
{
    return input.widget()->findChild<QLineEdit *>();
}

} // namespace

// Enter presses the focused button, as Space does, and not the default
// button; on a button with nothing focused Enter keeps pressing the default.
TEST_F(KeyboardTest, EnterOnAFocusedButtonClicksThatButton)
{
    KeyForm form;
    int ok = 0;
    int info = 0;
    QObject::connect(&form.cmdOK, &CommandButton::Click, [&] { ++ok; });
    QObject::connect(&form.cmdInfo, &CommandButton::Click, [&] { ++info; });
    ASSERT_TRUE(showAndFocus(form, form.cmdInfo.widget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(info, 1);
    EXPECT_EQ(ok, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(info, 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(info, 3);
    // From the field, Enter presses the default button.
    form.txtName.widget()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form.txtName.widget(); }, 2000));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(info, 3);
    form.Unload();
}

// Tab and Shift+Tab leave the grid for the next and previous control; the
// arrow keys still move between its cells.
TEST_F(KeyboardTest, TabAndBacktabLeaveTheGrid)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *before = new QPushButton(QStringLiteral("前"), &window);
    MSHFlexGrid grid(&window, QStringLiteral("mfgData"));
    grid.setRows(5);
    grid.setCols(4);
    auto *after = new QPushButton(QStringLiteral("後"), &window);
    layout->addWidget(before);
    layout->addWidget(grid.widget());
    layout->addWidget(after);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(&window));
    QTableView *view = grid.widget();
    view->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->hasFocus(); }, 2000));
    view->setCurrentIndex(view->model()->index(1, 1));
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(view->currentIndex().column(), 2) << "arrows move between the cells";
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after);
    view->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), before);
}

// F10 takes up the menu bar as Alt does: the first menu marked, none open;
// Escape gives the focus back to the control that had it.
TEST_F(KeyboardTest, F10TakesUpTheMenuBarAsAltDoes)
{
    KeyForm form;
    ASSERT_TRUE(showAndFocus(form, form.txtName.widget()));
    QMenuBar *bar = form.menuBar();
    for (Qt::Key key : {Qt::Key_F10, Qt::Key_Alt}) {
        SCOPED_TRACE(key == Qt::Key_F10 ? "F10" : "Alt");
        // Alt comes with its own modifier, as the window system gives it.
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Alt ? Qt::AltModifier : Qt::NoModifier);
        EXPECT_TRUE(bar->hasFocus());
        EXPECT_EQ(bar->activeAction(), form.mnuFile.action());
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        // Down opens the marked menu.
        QTest::keyClick(bar, Qt::Key_Down);
        EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
        EXPECT_EQ(QApplication::activePopupWidget(), form.mnuFile.popupMenu());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTest::keyClick(bar, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form.txtName.widget(); }, 2000));
    }
    form.Unload();
}

// Taking up the menu bar does not leave a field: its value check does not
// run, and runs once when the field is left by Tab.
TEST_F(KeyboardTest, AltForTheMenuBarDoesNotLeaveAField)
{
    KeyForm form;
    int checks = 0;
    QObject::connect(&form.numWatt, &SpinNumberInput::ValueCheck, [&] { ++checks; });
    QLineEdit *edit = editOf(form.numWatt);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(showAndFocus(form, edit));
    QTest::keyClick(edit, Qt::Key_Alt, Qt::AltModifier);
    ASSERT_TRUE(form.menuBar()->hasFocus());
    EXPECT_EQ(form.menuBar()->activeAction(), form.mnuFile.action());
    EXPECT_EQ(checks, 0);
    QTest::keyClick(form.menuBar(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == edit; }, 2000));
    EXPECT_EQ(checks, 0);
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), edit);
    EXPECT_EQ(checks, 1);
    form.Unload();
}

// A box chosen from the menu bar by the keyboard: once it is answered, the
// window is active again and the focus is on the field, not on the menu bar.
TEST_F(KeyboardTest, AfterABoxFromTheMenuTheFocusIsBackOnTheControl)
{
    KeyForm form;
    DialogScript script;
    script.showAndPressNext(vbYes);
    int answer = 0;
    QObject::connect(&form.mnuAsk, &Menu::Click,
                     [&] { answer = MsgBox(QStringLiteral("上書きしますか？"), vbYesNo + vbQuestion); });
    ASSERT_TRUE(showAndFocus(form, form.txtName.widget()));
    QTest::keyClick(form.txtName.widget(), Qt::Key_F10);
    QTest::keyClick(form.menuBar(), Qt::Key_Down);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer != 0; }, 5000));
    EXPECT_EQ(answer, vbYes);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.widget(); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form.txtName.widget(); }, 3000))
        << "focus on " << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                                       : "nothing");
    EXPECT_FALSE(form.menuBar()->hasFocus());
    EXPECT_TRUE(script.verify());
    form.Unload();
}

// A box and a modal window closed: the window they came from is active again
// with the focus on its control that had it.
TEST_F(KeyboardTest, AfterABoxOrAModalWindowTheOwnerIsActiveWithItsFocus)
{
    KeyForm form;
    ASSERT_TRUE(showAndFocus(form, form.cmdInfo.widget()));
    {
        DialogScript script;
        script.showAndPressNext(vbOK);
        EXPECT_EQ(MsgBox(QStringLiteral("読み出しました。"), vbOKOnly), vbOK);
        EXPECT_TRUE(script.verify());
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.widget(); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form.cmdInfo.widget(); }, 3000));

    PlainForm dialog(3000, 2000, vbFixedDialog, vbStartUpOwner);
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.widget()));
        talviktest::activateWindowAsAPersonDoes(dialog.widget());
        dialog.Unload();
    });
    dialog.Show(vbModal, &form);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.widget(); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form.cmdInfo.widget(); }, 3000));
    form.Unload();
}

// A disabled window handed the activation (by a window manager, when a window
// over it closes) gives it to the window that works over it.
TEST_F(KeyboardTest, ADisabledWindowGivesTheActivationToTheWindowOverIt)
{
    KeyForm owner;
    ASSERT_TRUE(showAndFocus(owner, owner.txtName.widget()));
    KeyForm clock;
    clock.Show(vbModeless, &owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock.widget()));
    owner.addDisableHold(QStringLiteral("clock"));
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(clock.widget()));
    // The activation a window manager may give the owner.
    owner.widget()->activateWindow();
    QApplication::setActiveWindow(owner.widget());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == clock.widget(); }, 3000));
    owner.releaseDisableHold(QStringLiteral("clock"));
    clock.Unload();
    owner.Unload();
}

// A box whose owner goes while it is up answers as Escape would: Cancel
// where it has one, No for Yes/No, OK for a lone OK, Abort for
// Abort/Retry/Ignore (which has no Escape).
TEST_F(KeyboardTest, ABoxGoneWithItsOwnerAnswersAsEscape)
{
    const struct {
        int style;
        int escape;
    } cases[] = {{vbOKOnly, vbOK},          {vbOKCancel, vbCancel},  {vbAbortRetryIgnore, vbAbort},
                 {vbYesNoCancel, vbCancel}, {vbYesNo, vbNo},         {vbRetryCancel, vbCancel},
                 {vbYesNo + vbDefaultButton2, vbNo}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.style);
        EXPECT_EQ(msgBoxEscapeResult(c.style), c.escape);
        PlainForm owner(6000, 4000, vbSizable, vbStartUpManual);
        owner.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.widget()));
        // The owner goes as soon as the box is shown, before it is answered.
        bool closed = false;
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (closed || !box || !box->isVisible())
                return;
            closed = true;
            owner.Unload();
        });
        poll.start();
        DialogScript script;
        script.showAndPressNext(msgBoxResults(c.style).first());
        const int result = MsgBox(QStringLiteral("登録します。よろしいですか？"), c.style);
        poll.stop();
        EXPECT_TRUE(closed);
        EXPECT_EQ(result, c.escape);
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_FALSE(script.shown().first().shownForReal) << "the box was answered before its owner went";
    }
}
