#pragma once
// The suite's numeric input with spin buttons and the text input with an
// input format, as the settings window uses them.
//
// SpinNumberInput: a value that may be empty, MinValue / MaxValue, a spin
// increment and DecimalPlaces. It never limits a value on its own: the
// window checks the range when it is told. Notifications and what raises them:
//   Change        the value or its emptiness changed: setValue / setNull in
//                 code, or the user's typing (QLineEdit::textEdited; every
//                 numeric text is taken at once, an empty text empties).
//   ValueCheck    the user leaves the field: its editor loses the focus to
//                 another widget (QEvent::FocusOut with a reason other than
//                 a window switch or a popup) or Enter is pressed.
//   InvalidValue  the user types a character the input cannot hold (only
//                 digits, a leading minus when MinValue < 0 and a point when
//                 DecimalPlaces > 0 are admitted), or pastes a text that is
//                 no number; the text stays as it was.
//   SpinUp / SpinDown  the up or down spin button is clicked, or the Up or
//                 Down key is pressed; the value is left to the handler.
// ValueCheck and InvalidValue never nest: while a handler of either runs (it
// may show a message box and put the focus back), no input raises them
// again, so two invalid fields cannot pass the focus back and forth.
//
// FormatTextInput: a text with MaxLength (0: no limit) and an input format;
// "9" admits digits only (other characters typed, pasted or set in code are
// dropped), "" admits anything. Two change notifications: Change for every
// change of the text (QLineEdit::textChanged, code or user) and UserChange
// for a change by the user only (QLineEdit::textEdited).
#include "platform/forms/control.h"

#include <QPointer>

class QLineEdit;
class QToolButton;

namespace platform::forms {

class SpinNumberInput : public Control {
    Q_OBJECT
public:
    using Control::Control;

    // The value; 0 while empty.
    double Value();
    // Sets the value (not limited by MinValue / MaxValue); Change when the
    // value or the emptiness changed. A value that is not finite: error 380.
    void setValue(double value);
    bool IsNull();
    // Empties the input; Change when it held a value.
    void setNull();
    // The display text: "" while empty, else the value with DecimalPlaces
    // digits after the point.
    QString Text();
    // A numeric text sets the value, "" empties; anything else error 380.
    void setText(const QString &text);
    double MinValue();
    void setMinValue(double value);
    double MaxValue();
    void setMaxValue(double value);
    double SpinIncrement();
    // A step of zero or below: error 380.
    void setSpinIncrement(double step);
    int DecimalPlaces();
    void setDecimalPlaces(int digits);

    // The editor and the spin buttons of the loaded input.
    QLineEdit *editor();
    QToolButton *upButton();
    QToolButton *downButton();

    // True while a ValueCheck or InvalidValue handler of any input runs.
    static bool checkRunning();

signals:
    void Change();
    void ValueCheck();
    void InvalidValue();
    void SpinUp();
    void SpinDown();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    void widgetDestroyed() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void display();
    void typed(const QString &text);
    bool admits(QChar c, int position) const;
    void raiseCheck(void (SpinNumberInput::*signal)());

    double m_value = 0;
    bool m_null = false;
    double m_min = -99999999.0;
    double m_max = 99999999.0;
    double m_step = 1;
    int m_decimals = 0;
    QPointer<QLineEdit> m_edit;
    QPointer<QToolButton> m_up;
    QPointer<QToolButton> m_down;
};

class FormatTextInput : public Control {
    Q_OBJECT
public:
    using Control::Control;
    QString Text();
    // Cut to MaxLength; characters the format does not admit are dropped.
    void setText(const QString &text);
    int MaxLength();
    // Below 0: error 380.
    void setMaxLength(int length);
    QString Format();
    // "9" or ""; anything else error 380. Setting "9" drops the non-digits
    // of the present text.
    void setFormat(const QString &format);

signals:
    void Change();
    void UserChange();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;

private:
    QString admitted(const QString &text) const;
    int m_maxLength = 0;
    QString m_format;
};

} // namespace platform::forms
