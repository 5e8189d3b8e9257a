// The customer-name dialog with the combo control of the combo library: the
// offered list, preselection, the OK / confirmation / cancel paths with
// Status, Custom and AddCustom, and the user picking a customer with the
// mouse and the keyboard on the control's own window.
#include "settingsFixture.h"

#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/settings/frmImportCustom.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QSet>
#include <QTest>
#include <QTimer>

namespace settingstest {
namespace {

using namespace platform::forms;
using talvik::ComboItem;
using talvik::frmImportCustom;

const QString kQuestionTail = QStringLiteral("にデータを読み込みます。\r\n\r\nお客さま名を確認してください。　よろしいですか？");

class ImportCustomTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        makeFolder(QStringLiteral("dDB.tran/東京工場"));
        makeFolder(QStringLiteral("dDB.tran/Alpha"));
        makeFolder(QStringLiteral("dDB.tran/123456789"));
    }
    static QStringList contents(frmImportCustom &form)
    {
        QStringList out;
        for (int i = 0; i < form.zoComboCustom.Items().Count(); ++i)
            out << form.zoComboCustom.Items().Item(i).Content();
        return out;
    }
    static QString selected(frmImportCustom &form)
    {
        const ComboItem item = form.zoComboCustom.SelectedItem();
        return item ? item.Content() : QStringLiteral("<none>");
    }
};

TEST_F(ImportCustomTest, ExtraNameComesFirstAndSelectedThenEveryFolderOnce)
{
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("987654321"));
    form.Load();
    EXPECT_EQ(form.Caption(), QStringLiteral("お客さま名の選択"));
    const QStringList list = contents(form);
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list.first(), QStringLiteral("987654321"));
    EXPECT_EQ(QSet<QString>(list.begin() + 1, list.end()),
              (QSet<QString>{QStringLiteral("東京工場"), QStringLiteral("Alpha"), QStringLiteral("123456789")}));
    EXPECT_EQ(form.zoComboCustom.SelectedIndex(), 0);
    EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("987654321")) << "the edit shows the selected item";
    EXPECT_TRUE(form.zoComboCustom.AutoSelect());
    EXPECT_FALSE(form.Status());
    form.cmdCancel_Click();
}

TEST_F(ImportCustomTest, ExtraNameOfAnExistingFolderIsListedOnce)
{
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("123456789"));
    form.setCustom(QStringLiteral("123456789"));
    form.Load();
    const QStringList list = contents(form);
    EXPECT_EQ(list.size(), 3);
    EXPECT_EQ(list.count(QStringLiteral("123456789")), 1);
    EXPECT_EQ(list.first(), QStringLiteral("123456789"));
    EXPECT_EQ(selected(form), QStringLiteral("123456789"));
    form.cmdCancel_Click();
}

TEST_F(ImportCustomTest, CustomIsPreselectedOverTheExtraName)
{
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("555555555"));
    form.setCustom(QStringLiteral("東京工場"));
    form.Load();
    EXPECT_EQ(selected(form), QStringLiteral("東京工場"));
    EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("東京工場"));
    form.cmdCancel_Click();
}

TEST_F(ImportCustomTest, NothingSelectedAsksForASelectionAndStaysOpen)
{
    frmImportCustom form;
    form.Load();
    EXPECT_EQ(form.zoComboCustom.SelectedIndex(), -1);
    DialogScript script;
    script.answerNext(vbOK);
    form.cmdOK_Click();
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("お客さま名を選択してください。"));
    EXPECT_EQ(script.shown()[0].style, vbExclamation);
    EXPECT_TRUE(form.isLoaded());
    EXPECT_FALSE(form.Status());
    EXPECT_TRUE(script.verify());
    form.cmdCancel_Click();
}

TEST_F(ImportCustomTest, ConfirmedNameIsTheResultAndEmptiesTheExtraName)
{
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("000012345"));
    form.setCustom(QStringLiteral("000012345"));
    form.Load();
    DialogScript script;
    script.answerNext(vbOK);
    form.cmdOK_Click();
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("[000012345]") + kQuestionTail);
    EXPECT_EQ(script.shown()[0].style, vbOKCancel + vbExclamation);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(form.Custom(), QStringLiteral("000012345"));
    EXPECT_EQ(form.AddCustom(), QString());

    // The next showing starts with Status False again.
    form.Load();
    EXPECT_FALSE(form.Status());
    // Fresh controls: no items left from the last showing, and the emptied
    // extra name is no longer offered.
    EXPECT_EQ(contents(form).size(), 3);
    EXPECT_FALSE(contents(form).contains(QStringLiteral("000012345")));
    form.cmdCancel_Click();
}

TEST_F(ImportCustomTest, RefusedConfirmationKeepsTheDialogOpenAndUnchanged)
{
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("111111111"));
    form.Load();
    form.zoComboCustom.setSelectedItem(form.zoComboCustom.Items().Item(1));
    const QString chosen = selected(form);
    DialogScript script;
    script.answerNext(vbCancel);
    form.cmdOK_Click();
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("[") + chosen + QStringLiteral("]") + kQuestionTail);
    EXPECT_TRUE(form.isLoaded());
    EXPECT_FALSE(form.Status());
    EXPECT_EQ(form.AddCustom(), QStringLiteral("111111111"));
    EXPECT_EQ(form.Custom(), QString());
    form.cmdCancel_Click();
}

TEST_F(ImportCustomTest, CancelEmptiesCustomAndKeepsTheExtraName)
{
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("222222222"));
    form.setCustom(QStringLiteral("Alpha"));
    form.Load();
    form.cmdCancel_Click();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(form.Status());
    EXPECT_EQ(form.Custom(), QString());
    EXPECT_EQ(form.AddCustom(), QStringLiteral("222222222"));
}

TEST_F(ImportCustomTest, MissingStoreOffersOnlyTheExtraName)
{
    ASSERT_TRUE(QDir(path(QStringLiteral("dDB.tran"))).removeRecursively());
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("333333333"));
    form.Load();
    EXPECT_EQ(contents(form), QStringList{QStringLiteral("333333333")});
    form.cmdCancel_Click();
}

TEST_F(ImportCustomTest, ModalShowReturnsTheConfirmedCustomer)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    DialogScript script;
    script.answerNext(vbOK);
    QTimer::singleShot(0, &form, [&] { form.cmdOK.setValue(true); });
    QTimer::singleShot(5000, &form, [&] {
        if (form.isLoaded()) {
            ADD_FAILURE() << "modal dialog did not close";
            form.Unload();
        }
    });
    form.Show(vbModal);
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(form.Custom(), QStringLiteral("Alpha"));
    EXPECT_TRUE(script.verify());
}

// --- the user at the combo -------------------------------------------------

namespace win = platform::win;

// The dialog shown with the combo's window, driven by real mouse and key
// input on that window and its drop-down list.
class ImportCustomInputTest : public ImportCustomTest {
protected:
    void show(frmImportCustom &form)
    {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.widget()));
        m_combo = form.zoComboCustom.host()->controlWindow();
        ASSERT_NE(m_combo, 0u);
        QTest::mouseClick(comboWidget(), Qt::LeftButton, {}, QPoint(10, comboWidget()->height() / 2));
        settle();
    }
    QWidget *comboWidget() const { return win::WidgetOfWindow(m_combo); }
    static void settle()
    {
        QApplication::processEvents();
        win::PumpPostedMessages();
    }
    void type(const QString &text)
    {
        QTest::keyClicks(comboWidget(), text);
        settle();
    }
    void commit(const QString &text)
    {
        QInputMethodEvent ime;
        ime.setCommitString(text);
        QApplication::sendEvent(comboWidget(), &ime);
        settle();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {})
    {
        QTest::keyClick(comboWidget(), k, m);
        settle();
    }
    void clearEdit()
    {
        key(Qt::Key_End);
        key(Qt::Key_Home, Qt::ShiftModifier);
        key(Qt::Key_Delete);
    }
    win::HWND listWindow() const
    {
        return static_cast<win::HWND>(win::SendMessageA(m_combo, zobase7::ZOM_GETLISTWINDOW, 0, 0));
    }
    // The drop-down button sits at the right end of the control's window.
    void clickDropButton()
    {
        QTest::mouseClick(comboWidget(), Qt::LeftButton, {},
                          QPoint(comboWidget()->width() - 4, comboWidget()->height() / 2));
        settle();
    }

    win::HWND m_combo = 0;
};

TEST_F(ImportCustomInputTest, PreselectedCustomerThenAnotherPickedFromTheDroppedListWithTheMouse)
{
    makeFolder(QStringLiteral("dDB.tran/Beta"));
    frmImportCustom form;
    form.setAddCustom(QStringLiteral("987654321"));
    form.setCustom(QStringLiteral("Alpha"));
    show(form);
    // The preselection made before the control's window showed survives.
    EXPECT_EQ(selected(form), QStringLiteral("Alpha"));
    const QStringList list = contents(form);
    const int beta = list.indexOf(QStringLiteral("Beta"));
    ASSERT_GE(beta, 0);

    // A picture of the dialog for the build's artifacts.
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!artifacts.isEmpty() && QDir().mkpath(artifacts)) {
        EXPECT_TRUE(form.widget()->grab().save(artifacts + QStringLiteral("/frmImportCustom.png")));
    }

    clickDropButton();
    const win::HWND listHwnd = listWindow();
    ASSERT_NE(listHwnd, 0u);
    ASSERT_TRUE(win::IsWindowVisible(listHwnd)) << "the button drops the list";
    QWidget *listWidget = win::WidgetOfWindow(listHwnd);
    const int rows = std::min<int>(int(list.size()), 8);
    const int rowHeight = listWidget->height() / rows;
    QTest::mouseClick(listWidget, Qt::LeftButton, {}, QPoint(20, beta * rowHeight + rowHeight / 2));
    settle();
    EXPECT_FALSE(win::IsWindowVisible(listHwnd)) << "a pick closes the list";
    EXPECT_EQ(form.zoComboCustom.SelectedIndex(), beta);
    EXPECT_EQ(selected(form), QStringLiteral("Beta"));
    EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("Beta"));

    // OK with a real click confirms the picked customer.
    DialogScript script;
    script.answerNext(vbOK);
    QTest::mouseClick(form.cmdOK.widget(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(script.verify());
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(form.Custom(), QStringLiteral("Beta"));
}

TEST_F(ImportCustomInputTest, TypingSelectsByPrefixWithoutCaseAndNothingWhenNoneMatches)
{
    makeFolder(QStringLiteral("dDB.tran/Albert"));
    makeFolder(QStringLiteral("dDB.tran/東京支店"));
    frmImportCustom form;
    show(form);
    const QStringList list = contents(form);
    clearEdit();
    type(QStringLiteral("alb"));
    EXPECT_EQ(selected(form), QStringLiteral("Albert")) << "Latin letters match without case";
    clearEdit();
    type(QStringLiteral("AL"));
    // The first item in the list that starts with the text.
    const QString firstAl = list.indexOf(QStringLiteral("Alpha")) < list.indexOf(QStringLiteral("Albert"))
                                ? QStringLiteral("Alpha")
                                : QStringLiteral("Albert");
    EXPECT_EQ(selected(form), firstAl);
    clearEdit();
    commit(QStringLiteral("東京支"));
    EXPECT_EQ(selected(form), QStringLiteral("東京支店"));
    clearEdit();
    type(QStringLiteral("Gamma"));
    EXPECT_EQ(form.zoComboCustom.SelectedIndex(), -1);
    EXPECT_EQ(selected(form), QStringLiteral("<none>"));

    // With nothing chosen, OK asks for a choice and the dialog stays.
    DialogScript script;
    script.answerNext(vbOK);
    QTest::mouseClick(form.cmdOK.widget(), Qt::LeftButton);
    settle();
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("お客さま名を選択してください。"));
    EXPECT_TRUE(form.isLoaded());
    EXPECT_TRUE(script.verify());
    form.cmdCancel_Click();
}

TEST_F(ImportCustomInputTest, KeyboardDropsTheListAndPicksWithArrowsAndEnter)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    show(form);
    const QStringList list = contents(form);
    const int alpha = list.indexOf(QStringLiteral("Alpha"));
    ASSERT_GE(alpha, 0);
    key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(win::IsWindowVisible(listWindow()));
    // The highlight starts on the selected item; one down, then Enter.
    const int target = alpha + 1 < list.size() ? alpha + 1 : alpha - 1;
    key(target > alpha ? Qt::Key_Down : Qt::Key_Up);
    key(Qt::Key_Return);
    EXPECT_FALSE(win::IsWindowVisible(listWindow()));
    EXPECT_EQ(form.zoComboCustom.SelectedIndex(), target);
    EXPECT_EQ(selected(form), list[target]);
    // Esc closes a dropped list and keeps the choice.
    key(Qt::Key_F4);
    ASSERT_TRUE(win::IsWindowVisible(listWindow()));
    key(Qt::Key_Escape);
    EXPECT_FALSE(win::IsWindowVisible(listWindow()));
    EXPECT_EQ(form.zoComboCustom.SelectedIndex(), target);
    form.cmdCancel_Click();
}

TEST_F(ImportCustomInputTest, NamesComeBackWholeIncludingACharacterTheCodePageCannotHold)
{
    // U+20BB7 is outside CP932: the window shows what it can, but the item
    // keeps its text and SelectedItem.Content gives it back unchanged.
    const QString rare = QStringLiteral("𠮷野家") + QStringLiteral("支店");
    makeFolder(QStringLiteral("dDB.tran/") + rare);
    frmImportCustom form;
    form.setCustom(rare);
    show(form);
    EXPECT_EQ(selected(form), rare);
    DialogScript script;
    script.answerNext(vbOK);
    form.cmdOK_Click();
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("[") + rare + QStringLiteral("]") + kQuestionTail);
    EXPECT_EQ(form.Custom(), rare);
    EXPECT_TRUE(script.verify());
}

} // namespace
} // namespace settingstest
