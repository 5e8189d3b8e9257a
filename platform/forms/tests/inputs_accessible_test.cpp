// What assistive tools get of the inputs: the numeric input's editor as a
// spin button with the input's value and the editor's text, its arrows
// named, descriptions built from the labels beside an input, and a date or
// time set again to what it shows leaving the field as setting a text does.
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"
#include "platform/forms/inputs_accessible.h"
#include "platform/forms/sibling_inputs.h"
#include "platform/forms/spin_inputs.h"

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

class InputsForm : public Form {
public:
    SpinNumberInput amount{this, QStringLiteral("amount")};
    FormatTextInput code{this, QStringLiteral("code")};
    DateInput day{this, QStringLiteral("day")};

protected:
    void designForm() override
    {
        setDesignSize(4800, 2400);
        amount.Move(120, 120, 1500, 330);
        amount.setMinValue(1);
        amount.setMaxValue(999);
        amount.setSpinIncrement(5);
        amount.setValue(180);
        code.Move(120, 600, 1500, 330);
        day.Move(120, 1080, 2400, 330);
        day.setDisplayFormat(QStringLiteral("yyyy年mm月dd日"));
    }
};

class InputsAccessibleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DialogScript::setUnexpectedDialogHandler([](const QString &r) { ADD_FAILURE() << r.toStdString(); });
        form.Show();
        QApplication::setActiveWindow(form.widget());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.widget()));
    }
    void TearDown() override
    {
        form.Unload();
        DialogScript::setUnexpectedDialogHandler(nullptr);
    }
    QAccessibleInterface *spin() { return QAccessible::queryAccessibleInterface(form.amount.editor()); }
    InputsForm form;
};

TEST(LabelsDescriptionTest, CaptionsAsSpokenJoinedByAnIdeographicSpace)
{
    EXPECT_EQ(labelsDescription({QStringLiteral("kW"), QStringLiteral("1　～　999 KW")}), QStringLiteral("kW　1～999 KW"));
    EXPECT_EQ(labelsDescription({QStringLiteral("/ 5"), QStringLiteral("5 ～ 500")}), QStringLiteral("/ 5　5 ～ 500"));
    // Empty labels add no separator.
    EXPECT_EQ(labelsDescription({QString(), QStringLiteral("分"), QStringLiteral("　")}), QStringLiteral("分"));
    EXPECT_EQ(labelsDescription({}), QString());
}

TEST_F(InputsAccessibleTest, TheEditorIsASpinButtonWithTheInputsValueAndRange)
{
    QAccessibleInterface *a = spin();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::SpinBox);
    EXPECT_TRUE(a->state().editable);
    EXPECT_TRUE(a->state().focusable);
    QAccessibleValueInterface *value = a->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toDouble(), 180.0);
    EXPECT_EQ(value->minimumValue().toDouble(), 1.0);
    EXPECT_EQ(value->maximumValue().toDouble(), 999.0);
    EXPECT_EQ(value->minimumStepSize().toDouble(), 5.0);
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("180"));
    // The value follows the input, set in code or emptied.
    form.amount.setValue(42);
    EXPECT_EQ(value->currentValue().toDouble(), 42.0);
    form.amount.setNull();
    EXPECT_FALSE(value->currentValue().isValid()) << "an empty input has no value";
    EXPECT_EQ(a->text(QAccessible::Value), QString());
    // Other line edits keep Qt's own interface.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.code.widget())->role(), QAccessible::EditableText);
}

TEST_F(InputsAccessibleTest, AValueFromAnAssistiveToolGoesInAsTheUsersWould)
{
    QAccessibleValueInterface *value = spin()->valueInterface();
    ASSERT_NE(value, nullptr);
    int ups = 0, downs = 0, changes = 0;
    QObject::connect(&form.amount, &SpinNumberInput::SpinUp, [&] { ++ups; });
    QObject::connect(&form.amount, &SpinNumberInput::SpinDown, [&] { ++downs; });
    QObject::connect(&form.amount, &SpinNumberInput::Change, [&] { ++changes; });
    // One step up or down is the arrow's click: the input is told, the
    // value is the window's to change.
    value->setCurrentValue(185);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(form.amount.Value(), 180.0);
    value->setCurrentValue(175);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(changes, 0);
    // Any other value is typed over the text.
    value->setCurrentValue(99);
    EXPECT_EQ(form.amount.Value(), 99.0);
    EXPECT_EQ(form.amount.editor()->text(), QStringLiteral("99"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(ups + downs, 2);
    // An empty input takes a typed value.
    form.amount.setNull();
    value->setCurrentValue(185);
    EXPECT_EQ(form.amount.Value(), 185.0);
    EXPECT_EQ(ups, 1);
    // A disabled input takes nothing.
    form.amount.setEnabled(false);
    value->setCurrentValue(5);
    EXPECT_EQ(form.amount.Value(), 185.0);
}

TEST_F(InputsAccessibleTest, TheSpinButtonsTextIsWhatTheEditorShowsWithItsCaretAndSelection)
{
    form.amount.setValue(1234);
    QLineEdit *editor = form.amount.editor();
    QAccessibleTextInterface *text = spin()->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 4);
    EXPECT_EQ(text->text(1, 3), QStringLiteral("23"));
    EXPECT_EQ(text->text(2, -1), QStringLiteral("34"));
    text->setCursorPosition(1);
    EXPECT_EQ(editor->cursorPosition(), 1);
    EXPECT_EQ(text->cursorPosition(), 1);
    EXPECT_EQ(text->selectionCount(), 0);
    text->setSelection(0, 1, 3);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("23"));
    int start = -1, end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);
    text->removeSelection(0);
    EXPECT_FALSE(editor->hasSelectedText());
    // Characters lie left to right inside the editor, and a point on one
    // gives its offset back.
    const QRect first = text->characterRect(0);
    const QRect last = text->characterRect(3);
    ASSERT_TRUE(first.isValid());
    ASSERT_TRUE(last.isValid());
    EXPECT_LT(first.left(), last.left());
    const QRect field(editor->mapToGlobal(QPoint(0, 0)), editor->size());
    EXPECT_TRUE(field.contains(first.center())) << "the first character lies outside the editor";
    EXPECT_TRUE(field.contains(last.center())) << "the last character lies outside the editor";
    // The editor's own hit test agrees: the caret goes before a character
    // clicked left of its middle, behind it right of it.
    const QPoint lastCentre = editor->mapFromGlobal(last.center());
    EXPECT_EQ(editor->cursorPositionAt(lastCentre - QPoint(2, 0)), 3);
    EXPECT_EQ(editor->cursorPositionAt(lastCentre + QPoint(2, 0)), 4);
    EXPECT_EQ(text->offsetAtPoint(last.center()), 3);
    EXPECT_EQ(text->offsetAtPoint(first.center()), 0);
    EXPECT_EQ(text->offsetAtPoint(field.topLeft() + QPoint(1, 1)), -1) << "the right-aligned text leaves the left free";
    EXPECT_FALSE(text->characterRect(4).isValid());
}

TEST_F(InputsAccessibleTest, TextEnteredByAnAssistiveToolIsTakenAsTyped)
{
    int changes = 0;
    QObject::connect(&form.amount, &SpinNumberInput::Change, [&] { ++changes; });
    QAccessibleEditableTextInterface *edit = spin()->editableTextInterface();
    ASSERT_NE(edit, nullptr);
    edit->replaceText(0, 3, QStringLiteral("25"));
    EXPECT_EQ(form.amount.Value(), 25.0);
    EXPECT_EQ(changes, 1);
    edit->insertText(2, QStringLiteral("0"));
    EXPECT_EQ(form.amount.Value(), 250.0);
    edit->deleteText(0, 1);
    EXPECT_EQ(form.amount.Value(), 50.0);
    EXPECT_EQ(changes, 3);
}

TEST_F(InputsAccessibleTest, TheArrowsAreNamedAndDescriptionsReachTheField)
{
    auto name = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    EXPECT_EQ(name(form.amount.upButton()), QStringLiteral("上矢印"));
    EXPECT_EQ(name(form.amount.downButton()), QStringLiteral("下矢印"));
    EXPECT_EQ(form.amount.upButton()->arrowType(), Qt::UpArrow) << "what the button shows stays";
    setAccessibleDescription(form.amount, QStringLiteral("kW　1～999 KW"));
    EXPECT_EQ(spin()->text(QAccessible::Description), QStringLiteral("kW　1～999 KW"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.amount.widget())->text(QAccessible::Description),
              QStringLiteral("kW　1～999 KW"));
    EXPECT_TRUE(form.amount.upButton()->accessibleDescription().isEmpty()) << "the arrows take no focus";
    setAccessibleDescription(form.code, QStringLiteral("9桁"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.code.widget())->text(QAccessible::Description),
              QStringLiteral("9桁"));
}

TEST_F(InputsAccessibleTest, ADateSetAgainToWhatItShowsLeavesTheFieldAsSettingItDoes)
{
    auto *edit = static_cast<QLineEdit *>(form.day.widget());
    form.day.setText(QStringLiteral("2026/12/10"));
    ASSERT_EQ(edit->text(), QStringLiteral("2026年12月10日"));
    int textChanges = 0;
    QObject::connect(edit, &QLineEdit::textChanged, [&] { ++textChanges; });
    // The user's caret and selection inside the field go as a new text
    // would put them: the caret at the end, nothing selected.
    edit->setSelection(0, 4);
    form.day.setText(QStringLiteral("2026/12/10"));
    EXPECT_FALSE(edit->hasSelectedText());
    EXPECT_EQ(edit->cursorPosition(), int(edit->text().size()));
    EXPECT_FALSE(edit->isModified());
    EXPECT_EQ(textChanges, 0);
    form.day.setText(QStringLiteral("2026/12/11"));
    EXPECT_EQ(edit->text(), QStringLiteral("2026年12月11日"));
    EXPECT_EQ(textChanges, 1);
}

} // namespace
