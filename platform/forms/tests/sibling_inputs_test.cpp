// Numeric, text, date and time inputs.
#include "platform/forms/form.h"
#include "platform/forms/sibling_inputs.h"
#include "platform/runtime/runtime_error.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {
class InputsForm : public Form {
public:
    NumberInput zonumDemand{this, QStringLiteral("zonumDemand")};
    TextInput zotxtCustomerID{this, QStringLiteral("zotxtCustomerID")};
    DateInput zoDateMonitorDate{this, QStringLiteral("zoDateMonitorDate")};
    TimeInput zoTimeMonitorTime{this, QStringLiteral("zoTimeMonitorTime")};
    TimeInput zoTimeHostTime{this, QStringLiteral("zoTimeHostTime")};

protected:
    void designForm() override
    {
        zonumDemand.setMinValue(0);
        zonumDemand.setMaxValue(999);
        zoDateMonitorDate.setDisplayFormat(QStringLiteral("yyyy年mm月dd日"));
        zoDateMonitorDate.setMinDate(QDate(2000, 1, 1));
        zoDateMonitorDate.setMaxDate(QDate(2099, 12, 31));
        zoTimeMonitorTime.setDisplayFormat(QStringLiteral("hh時nn分"));
        zoTimeHostTime.setDisplayFormat(QStringLiteral("hh時nn分ss秒"));
    }
};

int expectError(const std::function<void()> &action)
{
    try {
        action();
    } catch (const platform::RuntimeError &error) {
        return error.Number();
    }
    return 0;
}
} // namespace

TEST(NumberInputTest, ValueTextChangeAndRange)
{
    InputsForm form;
    NumberInput &input = form.zonumDemand;
    int changes = 0;
    QObject::connect(&input, &NumberInput::Change, [&] { ++changes; });
    input.setValue(120);
    input.setValue(120);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(input.Text(), QStringLiteral("120"));
    input.setText(QStringLiteral("35"));
    EXPECT_DOUBLE_EQ(input.Value(), 35.0);
    EXPECT_EQ(expectError([&] { input.setText(QStringLiteral("abc")); }), 380);
    EXPECT_DOUBLE_EQ(input.Value(), 35.0);
    // Code may set a value outside the range; the window checks it itself.
    input.setValue(1000);
    EXPECT_DOUBLE_EQ(input.Value(), 1000.0);

    int rejected = 0;
    QObject::connect(&input, &NumberInput::OutOfRange, [&] { ++rejected; });
    QObject::connect(&input, &NumberInput::InvalidValue, [&] { ++rejected; });
    EXPECT_TRUE(input.userEntry(QStringLiteral("500")));
    EXPECT_FALSE(input.userEntry(QStringLiteral("-1")));
    EXPECT_FALSE(input.userEntry(QStringLiteral("x")));
    EXPECT_DOUBLE_EQ(input.Value(), 500.0);
    EXPECT_EQ(rejected, 2);
    input.setDecimalPlaces(1);
    EXPECT_EQ(input.Text(), QStringLiteral("500.0"));
}

TEST(NumberInputTest, EnterTakesTheTypedValueBeforeKeyDown)
{
    InputsForm form;
    NumberInput &input = form.zonumDemand;
    double seen = -1;
    int code = 0;
    QObject::connect(&input, &NumberInput::KeyDown, [&](int &keyCode, int) {
        code = keyCode;
        seen = input.Value();
    });
    auto *edit = static_cast<QLineEdit *>(input.widget());
    edit->setText(QStringLiteral("250"));
    edit->setModified(true);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(edit, &enter);
    EXPECT_EQ(code, vbKeyReturn);
    EXPECT_DOUBLE_EQ(seen, 250.0);
}

TEST(TextInputTest, TextAndMaxLength)
{
    InputsForm form;
    int changes = 0;
    QObject::connect(&form.zotxtCustomerID, &TextInput::Change, [&] { ++changes; });
    form.zotxtCustomerID.setMaxLength(4);
    form.zotxtCustomerID.setText(QStringLiteral("123456"));
    EXPECT_EQ(form.zotxtCustomerID.Text(), QStringLiteral("1234"));
    EXPECT_EQ(changes, 1);
    form.zotxtCustomerID.setBackColor(0x80000005);
    EXPECT_EQ(form.zotxtCustomerID.BackColor(), 0x80000005u);
}

TEST(DateInputTest, TextValueEmptyStateAndParts)
{
    InputsForm form;
    DateInput &date = form.zoDateMonitorDate;
    EXPECT_TRUE(date.IsEmpty());
    EXPECT_EQ(date.Text(), QString());
    EXPECT_EQ(date.displayText(), QStringLiteral("____年__月__日"));
    int changes = 0;
    QObject::connect(&date, &DateInput::Change, [&] { ++changes; });
    date.setText(QStringLiteral("2024/03/05"));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(date.IsEmpty());
    EXPECT_EQ(date.Year(), 2024);
    EXPECT_EQ(date.Month(), 3);
    EXPECT_EQ(date.Day(), 5);
    EXPECT_EQ(date.Text(), QStringLiteral("2024/03/05"));
    EXPECT_EQ(date.displayText(), QStringLiteral("2024年03月05日"));
    EXPECT_EQ(static_cast<QLineEdit *>(date.widget())->text(), QStringLiteral("2024年03月05日"));
    EXPECT_EQ(expectError([&] { date.setText(QStringLiteral("2024/02/30")); }), 380);
    EXPECT_EQ(expectError([&] { date.setText(QStringLiteral("1999/12/31")); }), 380);
    EXPECT_EQ(date.Text(), QStringLiteral("2024/03/05"));
    date.setText(QString());
    EXPECT_TRUE(date.IsEmpty());
    EXPECT_EQ(changes, 2);
}

TEST(DateInputTest, UserEntryOutsideTheRangeIsRejectedAndNotified)
{
    InputsForm form;
    DateInput &date = form.zoDateMonitorDate;
    int outOfRange = 0;
    int invalid = 0;
    QObject::connect(&date, &DateInput::OutOfRange, [&] { ++outOfRange; });
    QObject::connect(&date, &DateInput::InvalidValue, [&] { ++invalid; });
    EXPECT_TRUE(date.userEntry(QStringLiteral("2099年12月31日")));
    EXPECT_EQ(date.Text(), QStringLiteral("2099/12/31"));
    EXPECT_FALSE(date.userEntry(QStringLiteral("1999/12/31")));
    EXPECT_FALSE(date.userEntry(QStringLiteral("21000101")));
    EXPECT_FALSE(date.userEntry(QStringLiteral("2024/13/01")));
    EXPECT_EQ(outOfRange, 2);
    EXPECT_EQ(invalid, 1);
    EXPECT_EQ(date.Text(), QStringLiteral("2099/12/31"));
    EXPECT_TRUE(date.userEntry(QStringLiteral("____年__月__日")));
    EXPECT_TRUE(date.IsEmpty());
}

TEST(TimeInputTest, TextFormatsAndParts)
{
    InputsForm form;
    TimeInput &time = form.zoTimeMonitorTime;
    EXPECT_TRUE(time.IsEmpty());
    EXPECT_EQ(time.displayText(), QStringLiteral("__時__分"));
    int changes = 0;
    QObject::connect(&time, &TimeInput::Change, [&] { ++changes; });
    time.setText(QStringLiteral("13:07"));
    EXPECT_EQ(time.Hour(), 13);
    EXPECT_EQ(time.Minute(), 7);
    EXPECT_EQ(time.Text(), QStringLiteral("13:07"));
    EXPECT_EQ(time.displayText(), QStringLiteral("13時07分"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(expectError([&] { time.setText(QStringLiteral("25:00")); }), 380);
    EXPECT_EQ(expectError([&] { time.setText(QStringLiteral("1307")); }), 380);

    // The PC time field shows seconds; copying its value drops nothing.
    form.zoTimeHostTime.setText(QStringLiteral("13:07:59"));
    EXPECT_EQ(form.zoTimeHostTime.Text(), QStringLiteral("13:07:59"));
    EXPECT_EQ(form.zoTimeHostTime.displayText(), QStringLiteral("13時07分59秒"));
    time.setValue(form.zoTimeHostTime.Value());
    EXPECT_EQ(time.Text(), QStringLiteral("13:07"));
    EXPECT_EQ(time.Second(), 59);
    EXPECT_TRUE(time.userEntry(QStringLiteral("08時30分")));
    EXPECT_EQ(time.Text(), QStringLiteral("08:30"));
    EXPECT_FALSE(time.userEntry(QStringLiteral("99時99分")));
    EXPECT_EQ(time.Text(), QStringLiteral("08:30"));
}
