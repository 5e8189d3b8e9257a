#pragma once
// What assistive tools are told of the suite's inputs beyond their names.
//
// The numeric input with spin buttons: its editor, the field the user types
// into and that takes the focus, is a spin button whose value is the input's
// value (none while the input is empty) with the input's minimum, maximum
// and spin increment, and whose text is the text shown; each change of the
// value is told as a value change besides the editor's text change. A value
// set by an assistive tool (its increase and decrease actions among them)
// goes in as the user's: one step up or down as a click on that arrow, any
// other value as typed. The spin arrows are push buttons named by the arrow
// they show.
//
// An input's description tells what the labels beside it show (its unit and
// range).
#include "platform/forms/spin_inputs.h"

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QStringList>

class QToolButton;

namespace platform::forms {

class Control;

// The names of the spin arrows.
QString spinUpName();   // "上矢印"
QString spinDownName(); // "下矢印"

// The labels' captions as one description: each as a screen reader should
// say it (spokenCaption), empty ones left out, joined by an ideographic
// space ("kW" and "1　～　999 KW" give "kW　1～999 KW").
QString labelsDescription(const QStringList &captions);

// Describes the control for assistive tools; the description reaches the
// widgets inside it that take the focus, as setAccessibleName does with the
// name. A description that differs from the one told is told as changed.
void setAccessibleDescription(Control &control, const QString &description);

namespace detail {

// The editor of a numeric input with spin buttons, of its own class so that
// it is told as a spin button (other line edits keep Qt's interface).
class SpinFieldEditor final : public QLineEdit {
    Q_OBJECT
public:
    SpinFieldEditor(SpinNumberInput *input, QWidget *parent);
    SpinNumberInput *input() const { return m_input; }
    // Where the character at offset is drawn, in the editor's coordinates;
    // invalid outside the text.
    QRect characterRect(int offset) const;
    // The offset of the character drawn at the point (editor coordinates);
    // -1 when there is none.
    int characterAt(const QPoint &point) const;

private:
    QPointer<SpinNumberInput> m_input;
};

// Names the arrows and tells the editor's value changes as the input's
// value changes.
void setUpSpinAccessibility(SpinNumberInput *input, SpinFieldEditor *editor, QToolButton *up, QToolButton *down);

} // namespace detail

} // namespace platform::forms
