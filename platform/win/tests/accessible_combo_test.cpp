// A combo box window as assistive tools see it: the combo's text on the
// combo itself and in an edit field, and a list that holds the items, the
// selected one marked, open or closed; the parts go with the window.
#include "DialogTestSupport.h"
#include "comboAccessible.h"
#include "platform/win/accessible.h"

#include <QAccessible>

using namespace wintest;

namespace {

class AccessibleComboTest : public DialogTest {};

TEST_F(AccessibleComboTest, TheComboOffersItsTextAndItsOpenListWithTheSelectedItemMarked)
{
    DialogTemplate t = frame();
    t.items.push_back(item(300, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP, 5, 5, 80, 60));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    const HWND combo = GetDlgItem(dlg, 300);
    // Item texts go in as CP932: "\x8E\x4F" is 三.
    for (const char *s : {"One", "Zwei", "\x8E\x4F"})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    SetWindowTextA(combo, "Zwei");

    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(WidgetOfWindow(combo));
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->role(), QAccessible::ComboBox);
    ASSERT_EQ(a->childCount(), 2);
    QAccessibleInterface *edit = a->child(0);
    QAccessibleInterface *list = a->child(1);
    EXPECT_EQ(edit->role(), QAccessible::EditableText);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(edit->parent(), a);
    EXPECT_EQ(list->parent(), a);
    EXPECT_EQ(a->indexOfChild(list), 1);
    EXPECT_EQ(a->child(0), edit) << "the parts are kept, not made anew at each question";
    EXPECT_EQ(talviktest::comboEditText(a), QStringLiteral("Zwei"));
    EXPECT_EQ(edit->textInterface()->text(1, 3), QStringLiteral("we"));
    EXPECT_EQ(edit->textInterface()->text(2, -1), QStringLiteral("ei"));
    EXPECT_EQ(talviktest::comboText(a), QStringLiteral("Zwei")) << "the combo gives its own text";
    EXPECT_EQ(a->textInterface()->text(1, 3), QStringLiteral("we"));
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("Zwei"));
    // Closed, the list holds the items, not showing, the selected one marked.
    EXPECT_EQ(talviktest::comboItems(a), (QStringList{"One", "*Zwei", "三"})) << "a closed list holds its items";
    EXPECT_TRUE(list->state().invisible);
    EXPECT_TRUE(list->child(0)->state().invisible);
    EXPECT_TRUE(a->state().collapsed);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(talviktest::comboItems(a), (QStringList{"*One", "Zwei", "三"})) << "the mark follows while closed";
    SendMessageA(combo, CB_SETCURSEL, 1, 0);

    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(a->state().expanded);
    EXPECT_FALSE(list->state().invisible);
    EXPECT_FALSE(list->child(0)->state().invisible);
    EXPECT_EQ(talviktest::comboItems(a), (QStringList{"One", "*Zwei", "三"}));
    QAccessibleInterface *third = list->child(2);
    EXPECT_EQ(third->parent(), list);
    EXPECT_EQ(list->indexOfChild(third), 2);
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(talviktest::comboItems(a), (QStringList{"One", "Zwei", "*三"}));
    // An item that went is no longer valid.
    SendMessageA(combo, CB_DELETESTRING, 2, 0);
    EXPECT_FALSE(third->isValid());
    EXPECT_EQ(list->childCount(), 2);
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(talviktest::comboItems(a), (QStringList{"One", "Zwei"})) << "the selected item went";
    EXPECT_TRUE(list->state().invisible);
    // A combo that holds no items has an empty list.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(list->childCount(), 0);

    // The parts go with the window.
    const QAccessible::Id editId = QAccessible::uniqueId(edit);
    DestroyWindow(dlg);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QAccessible::accessibleInterface(editId), nullptr);
}

} // namespace
