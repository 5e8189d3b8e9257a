#include "platform/forms/spin_inputs.h"

#include "platform/forms/inputs_accessible.h"

#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace platform::forms {

namespace {

[[noreturn]] void invalidPropertyValue()
{
    platform::raise(platform::err::InvalidPropertyValue);
}

// Depth of running ValueCheck / InvalidValue handlers of every input.
int &checkDepth()
{
    static int depth = 0;
    return depth;
}

// A value as shown with `decimals` digits, halves rounded away from zero.
QString formatValue(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', decimals);
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

// ---- SpinNumberInput ------------------------------------------------------

bool SpinNumberInput::checkRunning() { return checkDepth() > 0; }

QWidget *SpinNumberInput::createWidget(QWidget *parent)
{
    m_value = 0;
    m_null = false;
    m_min = -99999999.0;
    m_max = 99999999.0;
    m_step = 1;
    m_decimals = 0;
    auto *box = new QWidget(parent);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_edit = new detail::SpinFieldEditor(this, box);
    m_edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(m_edit, 1);
    auto *spins = new QVBoxLayout;
    spins->setContentsMargins(0, 0, 0, 0);
    spins->setSpacing(0);
    m_up = new QToolButton(box);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setFocusPolicy(Qt::NoFocus);
    m_up->setAutoRepeat(true);
    m_down = new QToolButton(box);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setFocusPolicy(Qt::NoFocus);
    m_down->setAutoRepeat(true);
    for (QToolButton *b : {m_up.data(), m_down.data()}) {
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(16);
        spins->addWidget(b);
    }
    row->addLayout(spins);
    box->setFocusProxy(m_edit);
    return box;
}

void SpinNumberInput::widgetCreated()
{
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, &SpinNumberInput::typed);
    connect(m_up, &QToolButton::clicked, this, [this] { emit SpinUp(); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit SpinDown(); });
    detail::setUpSpinAccessibility(this, static_cast<detail::SpinFieldEditor *>(m_edit.data()), m_up, m_down);
    display();
}

void SpinNumberInput::widgetDestroyed()
{
    if (m_edit)
        m_edit->removeEventFilter(this);
}

QLineEdit *SpinNumberInput::editor()
{
    load();
    return m_edit;
}

QToolButton *SpinNumberInput::upButton()
{
    load();
    return m_up;
}

QToolButton *SpinNumberInput::downButton()
{
    load();
    return m_down;
}

void SpinNumberInput::raiseCheck(void (SpinNumberInput::*signal)())
{
    if (checkDepth() > 0)
        return;
    ++checkDepth();
    struct Leave {
        ~Leave() { --checkDepth(); }
    } leave;
    emit(this->*signal)();
}

bool SpinNumberInput::admits(QChar c, int position) const
{
    if (isDigit(c))
        return true;
    if (c == QLatin1Char('-'))
        return m_min < 0 && position == 0;
    if (c == QLatin1Char('.'))
        return m_decimals > 0;
    return false;
}

bool SpinNumberInput::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit.data()) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Up) {
                emit SpinUp();
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                emit SpinDown();
                return true;
            }
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                raiseCheck(&SpinNumberInput::ValueCheck);
                return true;
            }
            const QString text = key->text();
            if (!text.isEmpty() && text.at(0).isPrint() && !(key->modifiers() & Qt::ControlModifier)) {
                const int at = m_edit->hasSelectedText() ? m_edit->selectionStart() : m_edit->cursorPosition();
                if (!admits(text.at(0), at)) {
                    raiseCheck(&SpinNumberInput::InvalidValue);
                    return true;
                }
            }
            break;
        }
        case QEvent::FocusOut: {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            // A message box or another window taking over, a menu opening,
            // or the menu bar taken up by Alt or F10 does not leave the field.
            // Leaving it shows the value as the input holds it ("007"
            // becomes "7").
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                reason != Qt::MenuBarFocusReason) {
                display();
                raiseCheck(&SpinNumberInput::ValueCheck);
            }
            emit LostFocus();
            break;
        }
        case QEvent::FocusIn:
            emit GotFocus();
            break;
        default:
            break;
        }
    }
    return Control::eventFilter(watched, event);
}

void SpinNumberInput::typed(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        const bool changed = !m_null;
        m_null = true;
        if (changed)
            emit Change();
        return;
    }
    if (!platform::IsNumeric(t)) {
        // A text on its way to a number ("-", ".") keeps the value until it
        // is one; anything else (a paste) is undone and told.
        static const QStringList partial{QStringLiteral("-"), QStringLiteral("."), QStringLiteral("-.")};
        if (!partial.contains(t)) {
            display();
            raiseCheck(&SpinNumberInput::InvalidValue);
        }
        return;
    }
    const double value = platform::Val(t);
    const bool changed = m_null || value != m_value;
    m_null = false;
    m_value = value;
    if (changed)
        emit Change();
}

double SpinNumberInput::Value()
{
    load();
    return m_null ? 0 : m_value;
}

void SpinNumberInput::setValue(double value)
{
    load();
    if (!std::isfinite(value))
        invalidPropertyValue();
    const bool changed = m_null || value != m_value;
    m_null = false;
    m_value = value;
    display();
    if (changed)
        emit Change();
}

bool SpinNumberInput::IsNull()
{
    load();
    return m_null;
}

void SpinNumberInput::setNull()
{
    load();
    const bool changed = !m_null;
    m_null = true;
    display();
    if (changed)
        emit Change();
}

QString SpinNumberInput::Text()
{
    load();
    return m_null ? QString() : formatValue(m_value, m_decimals);
}

void SpinNumberInput::setText(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        setNull();
        return;
    }
    if (!platform::IsNumeric(text))
        invalidPropertyValue();
    setValue(platform::Val(text));
}

double SpinNumberInput::MinValue()
{
    load();
    return m_min;
}

void SpinNumberInput::setMinValue(double value)
{
    load();
    m_min = value;
}

double SpinNumberInput::MaxValue()
{
    load();
    return m_max;
}

void SpinNumberInput::setMaxValue(double value)
{
    load();
    m_max = value;
}

double SpinNumberInput::SpinIncrement()
{
    load();
    return m_step;
}

void SpinNumberInput::setSpinIncrement(double step)
{
    load();
    if (!(step > 0) || !std::isfinite(step))
        invalidPropertyValue();
    m_step = step;
}

int SpinNumberInput::DecimalPlaces()
{
    load();
    return m_decimals;
}

void SpinNumberInput::setDecimalPlaces(int digits)
{
    load();
    if (digits < 0 || digits > 8)
        invalidPropertyValue();
    m_decimals = digits;
    display();
}

void SpinNumberInput::display()
{
    if (!m_edit)
        return;
    const QString text = m_null ? QString() : formatValue(m_value, m_decimals);
    if (m_edit->text() != text)
        m_edit->setText(text);
    m_edit->setModified(false);
}

// ---- FormatTextInput ------------------------------------------------------

QWidget *FormatTextInput::createWidget(QWidget *parent)
{
    m_maxLength = 0;
    m_format.clear();
    return new QLineEdit(parent);
}

void FormatTextInput::widgetCreated()
{
    auto *edit = static_cast<QLineEdit *>(widget());
    connect(edit, &QLineEdit::textChanged, this, [this] { emit Change(); });
    connect(edit, &QLineEdit::textEdited, this, [this, edit](const QString &text) {
        // Typed or pasted characters the format does not admit are dropped.
        const QString kept = admitted(text);
        if (kept != text) {
            const int cursor = std::min<int>(edit->cursorPosition(), kept.size());
            edit->setText(kept);
            edit->setCursorPosition(cursor);
        }
        emit UserChange();
    });
}

QString FormatTextInput::admitted(const QString &text) const
{
    QString out;
    if (m_format == QLatin1String("9")) {
        for (QChar c : text)
            if (isDigit(c))
                out.append(c);
    } else {
        out = text;
    }
    return m_maxLength > 0 ? out.left(m_maxLength) : out;
}

QString FormatTextInput::Text()
{
    return w<QLineEdit>()->text();
}

void FormatTextInput::setText(const QString &text)
{
    w<QLineEdit>()->setText(admitted(text));
}

int FormatTextInput::MaxLength()
{
    load();
    return m_maxLength;
}

void FormatTextInput::setMaxLength(int length)
{
    if (length < 0)
        invalidPropertyValue();
    auto *edit = w<QLineEdit>();
    m_maxLength = length;
    edit->setMaxLength(length > 0 ? length : 32767);
}

QString FormatTextInput::Format()
{
    load();
    return m_format;
}

void FormatTextInput::setFormat(const QString &format)
{
    if (!format.isEmpty() && format != QLatin1String("9"))
        invalidPropertyValue();
    auto *edit = w<QLineEdit>();
    m_format = format;
    const QString kept = admitted(edit->text());
    if (kept != edit->text())
        edit->setText(kept);
}

} // namespace platform::forms
