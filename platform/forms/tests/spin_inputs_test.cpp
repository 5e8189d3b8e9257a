// The numeric input with spin buttons and the text input with an input
// format, driven by real key, mouse and focus events.
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"
#include "platform/forms/msgbox.h"
#include "platform/forms/spin_inputs.h"
#include "platform/runtime/runtime_error.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

class SpinForm : public Form {
public:
    SpinNumberInput first{this, QStringLiteral("first")};
    SpinNumberInput second{this, QStringLiteral("second")};
    FormatTextInput customer{this, QStringLiteral("customer")};

protected:
    void designForm() override
    {
        setDesignSize(4800, 2400);
        first.Move(120, 120, 1500, 330);
        second.Move(120, 600, 1500, 330);
        customer.Move(120, 1080, 1800, 330);
        first.setMinValue(1);
        first.setMaxValue(999);
        second.setMinValue(5);
        second.setMaxValue(15);
    }
};

class SpinInputsTest : public ::testing::Test {
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
    SpinForm form;
};

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const platform::RuntimeError &e) {
        return e.Number();
    }
    return 0;
}

} // namespace

TEST_F(SpinInputsTest, TypingSetsTheValueAndAnEmptyTextEmptiesIt)
{
    SpinNumberInput &in = form.first;
    int changes = 0;
    QObject::connect(&in, &SpinNumberInput::Change, [&] { ++changes; });
    in.setValue(180);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(in.Text(), QStringLiteral("180"));
    in.editor()->setFocus(Qt::MouseFocusReason);
    in.editor()->selectAll();
    QTest::keyClick(in.editor(), Qt::Key_Backspace);
    EXPECT_TRUE(in.IsNull());
    EXPECT_EQ(in.Text(), QString());
    EXPECT_DOUBLE_EQ(in.Value(), 0.0);
    EXPECT_EQ(changes, 2);
    QTest::keyClicks(in.editor(), QStringLiteral("42"));
    EXPECT_FALSE(in.IsNull());
    EXPECT_DOUBLE_EQ(in.Value(), 42.0);
    EXPECT_EQ(changes, 4); // "4", then "42"
    // Values from code are not limited by the range; a text that is no
    // number is refused.
    in.setValue(5000);
    EXPECT_EQ(in.Text(), QStringLiteral("5000"));
    EXPECT_EQ(errorOf([&] { in.setText(QStringLiteral("abc")); }), 380);
    EXPECT_EQ(errorOf([&] { in.setSpinIncrement(0); }), 380);
    in.setText(QString());
    EXPECT_TRUE(in.IsNull());
    // Halves are shown rounded away from zero.
    in.setValue(18.5);
    EXPECT_EQ(in.Text(), QStringLiteral("19"));
    in.setDecimalPlaces(1);
    EXPECT_EQ(in.Text(), QStringLiteral("18.5"));
}

TEST_F(SpinInputsTest, RefusedCharacterRaisesInvalidValueAndKeepsTheText)
{
    SpinNumberInput &in = form.first;
    in.setValue(12);
    int invalid = 0;
    QObject::connect(&in, &SpinNumberInput::InvalidValue, [&] { ++invalid; });
    in.editor()->setFocus(Qt::MouseFocusReason);
    in.editor()->end(false);
    QTest::keyClick(in.editor(), Qt::Key_A);
    QTest::keyClick(in.editor(), Qt::Key_Minus); // no minus: the minimum is positive
    EXPECT_EQ(invalid, 2);
    EXPECT_EQ(in.editor()->text(), QStringLiteral("12"));
    EXPECT_DOUBLE_EQ(in.Value(), 12.0);
    // A pasted text that is no number is undone.
    QApplication::clipboard()->setText(QStringLiteral("3x"));
    QTest::keyClick(in.editor(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(invalid, 3);
    EXPECT_EQ(in.editor()->text(), QStringLiteral("12"));
    EXPECT_DOUBLE_EQ(in.Value(), 12.0);
    // Leading zeros go when the field is left.
    in.editor()->selectAll();
    QTest::keyClicks(in.editor(), QStringLiteral("007"));
    EXPECT_DOUBLE_EQ(in.Value(), 7.0);
    QTest::keyClick(in.editor(), Qt::Key_Tab);
    EXPECT_EQ(in.editor()->text(), QStringLiteral("7"));
}

TEST_F(SpinInputsTest, SpinButtonsAndArrowKeysOnlyNotify)
{
    SpinNumberInput &in = form.second;
    in.setValue(10);
    int up = 0, down = 0;
    QObject::connect(&in, &SpinNumberInput::SpinUp, [&] { ++up; });
    QObject::connect(&in, &SpinNumberInput::SpinDown, [&] { ++down; });
    QTest::mouseClick(in.upButton(), Qt::LeftButton);
    QTest::mouseClick(in.downButton(), Qt::LeftButton);
    QTest::mouseClick(in.downButton(), Qt::LeftButton);
    in.editor()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(in.editor(), Qt::Key_Up);
    EXPECT_EQ(up, 2);
    EXPECT_EQ(down, 2);
    EXPECT_DOUBLE_EQ(in.Value(), 10.0);
}

TEST_F(SpinInputsTest, LeavingTheFieldRaisesValueCheckButAWindowSwitchDoesNot)
{
    int checks = 0;
    QObject::connect(&form.first, &SpinNumberInput::ValueCheck, [&] { ++checks; });
    form.first.editor()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(form.first.editor(), Qt::Key_Tab);
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(form.second.editor()->hasFocus());
    form.first.editor()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(form.first.editor(), Qt::Key_Return);
    EXPECT_EQ(checks, 2);
    // Another window becoming active is no leaving of the field.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QCoreApplication::processEvents();
    EXPECT_EQ(checks, 2);
}

TEST_F(SpinInputsTest, TwoInvalidFieldsDoNotPassTheFocusBackAndForth)
{
    // Both fields empty; each check shows a box and takes the focus back, as
    // the settings window's range check does.
    form.first.setNull();
    form.second.setNull();
    DialogScript script;
    script.answerNext(vbOK); // a second box would be reported as unexpected
    int messages = 0;
    for (SpinNumberInput *in : {&form.first, &form.second}) {
        QObject::connect(in, &SpinNumberInput::ValueCheck, [in, &messages] {
            if (!in->IsNull())
                return;
            ++messages;
            MsgBox(QStringLiteral("範囲外"), vbExclamation);
            in->SetFocus();
        });
    }
    form.first.editor()->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(form.second.editor(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, 1);
    EXPECT_TRUE(form.first.editor()->hasFocus());
    EXPECT_FALSE(SpinNumberInput::checkRunning());
    EXPECT_EQ(script.shown().size(), 1);
    EXPECT_TRUE(script.verify());
}

TEST_F(SpinInputsTest, TextInputFormatNineAdmitsDigitsOnlyUpToTheMaximumLength)
{
    FormatTextInput &in = form.customer;
    in.setMaxLength(9);
    in.setFormat(QStringLiteral("9"));
    int changes = 0, userChanges = 0;
    QObject::connect(&in, &FormatTextInput::Change, [&] { ++changes; });
    QObject::connect(&in, &FormatTextInput::UserChange, [&] { ++userChanges; });
    in.setText(QStringLiteral("12a34"));
    EXPECT_EQ(in.Text(), QStringLiteral("1234"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(userChanges, 0);
    auto *edit = static_cast<QLineEdit *>(in.widget());
    edit->setFocus(Qt::MouseFocusReason);
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("5x6789012"));
    EXPECT_EQ(in.Text(), QStringLiteral("123456789"));
    EXPECT_GE(userChanges, 5);
    EXPECT_EQ(errorOf([&] { in.setFormat(QStringLiteral("A")); }), 380);
    // Without a format any text is taken.
    in.setFormat(QString());
    in.setText(QStringLiteral("ab"));
    EXPECT_EQ(in.Text(), QStringLiteral("ab"));
    in.setFormat(QStringLiteral("9"));
    EXPECT_EQ(in.Text(), QString());
}
