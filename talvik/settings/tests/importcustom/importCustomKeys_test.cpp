// The customer-pick dialog shown modally, as the program shows it, with the
// keyboard focus in the combo control: Enter presses "O　K", Esc cancels, Tab
// and Shift+Tab move to the dialog's other controls, while a dropped list
// keeps Enter and Esc for itself. Keys go to the widget that has the focus.
#include "modalComboDialog.h"

#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/settings/frmImportCustom.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

namespace settingstest {
namespace {

using namespace platform::forms;
using talvik::frmImportCustom;
namespace win = platform::win;

using ImportCustomKeysTest = ModalComboDialogTest;

TEST_F(ImportCustomKeysTest, EnterInTheComboPressesOkAndConfirmsThePreselectedCustomer)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Beta"));
    DialogScript script;
    script.answerNext(vbOK);
    runModal(form, [&] {
        focusCombo();
        ASSERT_TRUE(comboHasFocus());
        press(Qt::Key_Return);
    });
    EXPECT_FALSE(m_leftOpen) << "Enter in the combo did not press the default button";
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(form.Custom(), QStringLiteral("Beta"));
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_TRUE(script.shown()[0].prompt.startsWith(QStringLiteral("[Beta]")));
    EXPECT_TRUE(script.verify());
}

TEST_F(ImportCustomKeysTest, EscInTheComboCancelsTheDialog)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    form.setAddCustom(QStringLiteral("444444444"));
    runModal(form, [&] {
        focusCombo();
        ASSERT_TRUE(comboHasFocus());
        press(Qt::Key_Escape);
    });
    EXPECT_FALSE(m_leftOpen) << "Esc in the combo did not press the cancel button";
    EXPECT_FALSE(form.Status());
    EXPECT_EQ(form.Custom(), QString()) << "cancel empties the result";
    EXPECT_EQ(form.AddCustom(), QStringLiteral("444444444"));
}

TEST_F(ImportCustomKeysTest, ADroppedListTakesEnterAndEscThenEnterPressesOk)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    DialogScript script;
    script.answerNext(vbOK);
    int picked = -1;
    runModal(form, [&] {
        focusCombo();
        const int alpha = form.zoComboCustom.SelectedIndex();
        ASSERT_GE(alpha, 0);
        // Esc closes a dropped list and leaves the dialog open.
        press(Qt::Key_F4);
        ASSERT_TRUE(listDropped());
        press(Qt::Key_Escape);
        EXPECT_FALSE(listDropped());
        EXPECT_TRUE(form.isLoaded()) << "Esc in the dropped list cancelled the dialog";
        // Enter picks the highlighted row and leaves the dialog open.
        press(Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(listDropped());
        press(alpha == 0 ? Qt::Key_Down : Qt::Key_Up);
        press(Qt::Key_Return);
        EXPECT_FALSE(listDropped());
        ASSERT_TRUE(form.isLoaded()) << "Enter in the dropped list pressed the default button";
        picked = form.zoComboCustom.SelectedIndex();
        EXPECT_NE(picked, alpha);
        // With the list closed, Enter is the dialog's.
        press(Qt::Key_Return);
    });
    EXPECT_FALSE(m_leftOpen);
    EXPECT_TRUE(form.Status());
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_TRUE(script.verify());
    EXPECT_NE(form.Custom(), QStringLiteral("Alpha"));
}

TEST_F(ImportCustomKeysTest, TabAndShiftTabLeaveTheComboForTheButtonsAndComeBack)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Gamma"));
    runModal(form, [&] {
        focusCombo();
        ASSERT_TRUE(comboHasFocus());
        const QString before = form.zoComboCustom.Text();

        press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdOK.widget()) << "Tab goes to the next tab stop";
        EXPECT_NE(win::GetFocus(), m_combo) << "the combo's window was told it lost the focus";
        // A character typed now does not land in the combo.
        press(Qt::Key_X);
        EXPECT_EQ(form.zoComboCustom.Text(), before);

        press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_TRUE(comboHasFocus()) << "Shift+Tab from the button comes back to the combo";
        press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdCancel.widget())
            << "Shift+Tab from the combo, the first tab stop, wraps to the last";
        press(Qt::Key_Tab);
        EXPECT_TRUE(comboHasFocus()) << "Tab from the last tab stop wraps to the combo";
        EXPECT_EQ(form.zoComboCustom.Text(), before) << "the Tab keys typed nothing into the combo";

        // The button reached by Tab works with the keyboard: Tab twice to
        // "キャンセル", then Space presses it.
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), form.cmdCancel.widget());
        press(Qt::Key_Space);
    });
    EXPECT_FALSE(m_leftOpen) << "the cancel button reached by Tab did not close the dialog";
    EXPECT_FALSE(form.Status());
}

TEST_F(ImportCustomKeysTest, AssistiveToolsSeeTheComboWithRoleNameAndValue)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Beta"));
    runModal(form, [&] {
        QAccessibleInterface *combo = QAccessible::queryAccessibleInterface(comboWidget());
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->role(), QAccessible::ComboBox);
        EXPECT_EQ(combo->text(QAccessible::Name), QStringLiteral("お客さまの選択")) << "named by its frame";
        EXPECT_EQ(combo->text(QAccessible::Value), QStringLiteral("Beta"));
        focusCombo();
        EXPECT_TRUE(combo->state().focused);
        // The value follows what is typed.
        press(Qt::Key_End);
        press(Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Gam"));
        settle();
        EXPECT_TRUE(combo->text(QAccessible::Value).startsWith(QStringLiteral("Gam")));
        EXPECT_EQ(combo->text(QAccessible::Value), form.zoComboCustom.Text());
        // The dialog's tree reaches it.
        QAccessibleInterface *dialog = QAccessible::queryAccessibleInterface(form.widget());
        ASSERT_NE(dialog, nullptr);
        bool found = false;
        std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
            for (int i = 0; node && i < node->childCount() && !found; ++i) {
                QAccessibleInterface *child = node->child(i);
                if (child && child->object() == comboWidget())
                    found = true;
                else
                    walk(child);
            }
        };
        walk(dialog);
        EXPECT_TRUE(found) << "the combo is not in the dialog's accessibility tree";
        press(Qt::Key_Escape);
    });
    EXPECT_FALSE(m_leftOpen);
}

} // namespace
} // namespace settingstest
