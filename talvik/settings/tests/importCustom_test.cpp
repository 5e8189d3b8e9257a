// The customer-name dialog and the combo stand-in behind it: the offered
// list, preselection, the OK / confirmation / cancel paths with Status,
// Custom and AddCustom, and AutoSelect.
#include "settingsFixture.h"

#include "platform/runtime/runtime_error.h"
#include "talvik/settings/frmImportCustom.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSet>
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
        for (int i = 1; i <= form.zoComboCustom.Items().Count(); ++i)
            out << form.zoComboCustom.Items().Item(i)->Content();
        return out;
    }
    static QString selected(frmImportCustom &form)
    {
        auto item = form.zoComboCustom.SelectedItem();
        return item ? item->Content() : QStringLiteral("<none>");
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
    EXPECT_EQ(form.zoComboCustom.ListCount(), 4) << "the shown list follows Items";
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
    form.zoComboCustom.setSelectedItem(form.zoComboCustom.Items().Item(2));
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

// --- the combo stand-in ----------------------------------------------------

class ComboForm : public Form {
public:
    talvik::zoComboStandIn combo{this, QStringLiteral("zoCombo")};
    std::shared_ptr<ComboItem> add(const QString &text)
    {
        auto item = std::make_shared<ComboItem>();
        item->setContent(text);
        combo.Items().Add(item);
        return item;
    }
};

class ComboStandInTest : public DialogTest {};

TEST_F(ComboStandInTest, AutoSelectPicksTheFirstItemStartingWithTheTypedText)
{
    ComboForm form;
    form.add(QStringLiteral("Alpha"));
    form.add(QStringLiteral("Beta"));
    form.add(QStringLiteral("Bravo"));
    form.add(QStringLiteral("東京工場"));
    form.add(QStringLiteral("東京支店"));

    // Off: typing selects nothing that is not typed in full.
    form.combo.userTyped(QStringLiteral("B"));
    EXPECT_EQ(form.combo.SelectedIndex(), -1);

    form.combo.setAutoSelect(true);
    form.combo.userTyped(QStringLiteral("B"));
    EXPECT_EQ(form.combo.SelectedIndex(), 1);
    EXPECT_EQ(form.combo.Text(), QStringLiteral("Beta"));
    form.combo.userTyped(QStringLiteral("Br"));
    EXPECT_EQ(form.combo.SelectedIndex(), 2);
    form.combo.userTyped(QStringLiteral("bet"));
    EXPECT_EQ(form.combo.SelectedIndex(), 1) << "case of Latin letters does not matter";
    form.combo.userTyped(QStringLiteral("東京支"));
    EXPECT_EQ(form.combo.SelectedItem()->Content(), QStringLiteral("東京支店"));
    form.combo.userTyped(QStringLiteral("東京"));
    EXPECT_EQ(form.combo.SelectedItem()->Content(), QStringLiteral("東京工場"));
    form.combo.userTyped(QStringLiteral("Gamma"));
    EXPECT_EQ(form.combo.SelectedIndex(), -1);
    EXPECT_EQ(form.combo.SelectedItem(), nullptr);
}

TEST_F(ComboStandInTest, TypingKeysCompletesAndSelectsTheRest)
{
    ComboForm form;
    form.add(QStringLiteral("Alpha"));
    form.add(QStringLiteral("Albert"));
    form.combo.setAutoSelect(true);
    auto *combo = qobject_cast<QComboBox *>(form.combo.widget());
    ASSERT_NE(combo, nullptr);
    QLineEdit *edit = combo->lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->clear();
    for (QChar c : QStringLiteral("Alb")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(form.combo.SelectedIndex(), 1);
    EXPECT_EQ(edit->text(), QStringLiteral("Albert"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("ert"));
}

TEST_F(ComboStandInTest, ItemsCollectionRules)
{
    ComboForm form;
    auto a = form.add(QStringLiteral("a"));
    auto b = form.add(QStringLiteral("b"));
    EXPECT_EQ(form.combo.Items().Count(), 2);
    EXPECT_EQ(form.combo.Items().Item(2), b);
    const auto expectError = [](int number, const std::function<void()> &call) {
        try {
            call();
            ADD_FAILURE() << "no error " << number;
        } catch (const platform::RuntimeError &e) {
            EXPECT_EQ(e.Number(), number);
        }
    };
    expectError(9, [&] { form.combo.Items().Item(0); });
    expectError(9, [&] { form.combo.Items().Item(3); });
    expectError(5, [&] { form.combo.Items().Add(a); });
    expectError(5, [&] { form.combo.Items().Add(nullptr); });
    expectError(5, [&] { form.combo.setSelectedItem(std::make_shared<ComboItem>()); });

    form.combo.setSelectedItem(b);
    EXPECT_EQ(form.combo.SelectedIndex(), 1);
    b->setContent(QStringLiteral("bee")); // the list shows the new text, still selected
    EXPECT_EQ(form.combo.List(1), QStringLiteral("bee"));
    EXPECT_EQ(form.combo.SelectedItem(), b);
    form.combo.setSelectedItem(nullptr);
    EXPECT_EQ(form.combo.SelectedIndex(), -1);

    // The control goes with the window: a new load starts empty.
    form.combo.setAutoSelect(true);
    form.Unload();
    form.Load();
    EXPECT_EQ(form.combo.Items().Count(), 0);
    EXPECT_EQ(form.combo.ListCount(), 0);
    EXPECT_FALSE(form.combo.AutoSelect());
    form.combo.Items().Add(a); // released items can join a list again
    EXPECT_EQ(form.combo.Items().Count(), 1);
}

} // namespace
} // namespace settingstest
