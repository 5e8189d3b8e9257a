#pragma once
// Inputs of the control suite: numeric, text, date and time input. Values are
// set in code as text or value; what the user types is taken over when the
// entry ends (Enter or leaving the field) through userEntry(), which rejects
// what the input cannot hold and notifies it.
#include "platform/forms/control.h"

#include <QDate>
#include <QTime>

namespace platform::forms {

class NumberInput : public Control {
    Q_OBJECT
public:
    using Control::Control;
    double Value();
    // Sets the value from code (not limited by MinValue/MaxValue); Change
    // fires when it differs.
    void setValue(double value);
    // The value as displayed, with DecimalPlaces digits after the point.
    QString Text();
    // A numeric text sets the value; anything else raises error 380.
    void setText(const QString &text);
    double MinValue();
    void setMinValue(double value);
    double MaxValue();
    void setMaxValue(double value);
    int DecimalPlaces();
    void setDecimalPlaces(int digits);
    // What the user typed: a number within MinValue..MaxValue becomes the
    // value; otherwise the entry is undone and InvalidValue (not a number) or
    // OutOfRange fires for the window to act on. Returns true when taken.
    // Enter after a refused entry raises no KeyDown.
    bool userEntry(const QString &typed);
    // Takes over what the user typed and has not yet left the input with
    // (a command run from a toolbar or a menu leaves the focus where it is).
    // True when nothing was pending or the entry was taken; False when the
    // input refused it (after its notification).
    bool takeTypedEntry();

signals:
    void Change();
    void InvalidValue();
    void OutOfRange();
    void KeyDown(int &KeyCode, int Shift);
    void KeyPress(int &KeyAscii);

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void display();
    double m_value = 0;
    double m_min = -99999999.0;
    double m_max = 99999999.0;
    int m_decimals = 0;
};

class TextInput : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Text();
    void setText(const QString &text);
    // In characters; 0: no limit. Setting a longer text in code cuts it.
    int MaxLength();
    void setMaxLength(int length);

signals:
    void Change();
    void KeyDown(int &KeyCode, int Shift);
    void KeyPress(int &KeyAscii);

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_maxLength = 0;
};

// Date input: Text "yyyy/mm/dd" or "" when empty; shown in DisplayFormat
// (tokens yyyy, mm, dd), with "_" for the digits while empty.
class DateInput : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Text();
    // "yyyy/mm/dd" (also "yyyy/m/d" and "yyyymmdd"); "" empties the input. Not
    // a date: error 380. A date outside MinDate..MaxDate: error 380 as well.
    void setText(const QString &text);
    QDate Value();
    void setValue(const QDate &date);
    bool IsEmpty();
    int Year();
    int Month();
    int Day();
    QDate MinDate();
    void setMinDate(const QDate &date);
    QDate MaxDate();
    void setMaxDate(const QDate &date);
    QString DisplayFormat();
    void setDisplayFormat(const QString &format);
    QString displayText();
    // The user's entry (digits of year, month, day in this order, or a text in
    // the display format). Not a date: InvalidValue; outside the range:
    // OutOfRange; either way the input keeps its previous value.
    bool userEntry(const QString &typed);
    // Takes over what the user typed and has not yet left the input with
    // (a command run from a toolbar or a menu leaves the focus where it is).
    // True when nothing was pending or the entry was taken; False when the
    // input refused it (after its notification).
    bool takeTypedEntry();

signals:
    void Change();
    void InvalidValue();
    void OutOfRange();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;

private:
    void assign(const QDate &date);
    void display();
    QDate m_date;
    QDate m_min = QDate(1900, 1, 1);
    QDate m_max = QDate(9999, 12, 31);
    QString m_format = QStringLiteral("yyyy/mm/dd");
};

// Time input: Text "hh:mm" ("hh:mm:ss" when the display format shows seconds)
// or "" when empty; DisplayFormat tokens hh, nn, ss.
class TimeInput : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Text();
    // "h:mm", "hh:mm" or "hh:mm:ss"; "" empties; anything else error 380.
    void setText(const QString &text);
    QTime Value();
    void setValue(const QTime &time);
    bool IsEmpty();
    int Hour();
    int Minute();
    int Second();
    QString DisplayFormat();
    void setDisplayFormat(const QString &format);
    QString displayText();
    bool userEntry(const QString &typed);
    // As DateInput::takeTypedEntry.
    bool takeTypedEntry();

signals:
    void Change();
    void InvalidValue();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;

private:
    void assign(const QTime &time);
    void display();
    bool showsSeconds() const;
    QTime m_time;
    QString m_format = QStringLiteral("hh:nn");
};

} // namespace platform::forms
