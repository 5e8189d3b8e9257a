#include "platform/forms/sibling_inputs.h"

#include "platform/forms/constants.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>

#include <cmath>

namespace platform::forms {

namespace {
[[noreturn]] void invalidPropertyValue()
{
    platform::raise(platform::err::InvalidPropertyValue);
}

// Key events of the suite's inputs: KeyDown with the key code (Enter 13),
// then KeyPress with the character. A handler that sets the code to 0
// swallows the key.
bool filterKeys(QEvent *event, const std::function<void(int &, int)> &keyDown,
                const std::function<void(int &)> &keyPress)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    int keyCode = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ? vbKeyReturn
                  : key->key() == Qt::Key_Escape                              ? vbKeyEscape
                                                                              : key->key();
    const int shift = (key->modifiers() & Qt::ShiftModifier ? 1 : 0) | (key->modifiers() & Qt::ControlModifier ? 2 : 0) |
                      (key->modifiers() & Qt::AltModifier ? 4 : 0);
    keyDown(keyCode, shift);
    if (keyCode == 0)
        return true;
    if (!key->text().isEmpty()) {
        int ascii = key->text().at(0).unicode();
        keyPress(ascii);
        if (ascii == 0)
            return true;
    }
    return false;
}

QString digitsOf(const QString &text)
{
    QString digits;
    for (QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
        else if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) // full-width digits
            digits.append(QChar(c.unicode() - 0xFF10 + '0'));
    }
    return digits;
}

QString two(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// The user's entry is taken over when editing ends and the text was changed.
void takeEntryWhenEditingEnds(QObject *context, QLineEdit *edit, std::function<bool(const QString &)> take)
{
    QObject::connect(edit, &QLineEdit::editingFinished, context, [edit, take] {
        if (edit->isModified()) {
            edit->setModified(false);
            take(edit->text());
        }
    });
}

// The user's entry not yet taken over (typed, editing not ended) goes to
// `take` now; True when there was none.
bool takePendingEntry(QLineEdit *edit, const std::function<bool(const QString &)> &take)
{
    if (!edit || !edit->isModified())
        return true;
    edit->setModified(false);
    return take(edit->text());
}

// Shows a text the code set, not counted as the user's edit. The text the
// editor already shows is not set again, so that assistive tools hear of a
// change only when there is one (a clock field is shown ten times a second);
// the caret goes to the end all the same, as setting the text puts it.
void showText(QLineEdit *edit, const QString &text)
{
    if (edit->text() == text)
        edit->setCursorPosition(int(text.size()));
    else
        edit->setText(text);
    edit->setModified(false);
}
} // namespace

// ---- NumberInput ----------------------------------------------------------

QWidget *NumberInput::createWidget(QWidget *parent)
{
    m_value = 0;
    m_min = -99999999.0;
    m_max = 99999999.0;
    m_decimals = 0;
    auto *edit = new QLineEdit(parent);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return edit;
}

void NumberInput::widgetCreated()
{
    auto *edit = static_cast<QLineEdit *>(widget());
    // Room for four digits (or a sign and three) whatever width it is given.
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
    edit->setTextMargins(0, 0, 0, 0);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 2 * frame + 2 * 2 + 2);
    display();
    takeEntryWhenEditingEnds(this, edit, [this](const QString &typed) { return userEntry(typed); });
}

bool NumberInput::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && event->type() == QEvent::KeyPress) {
        auto *edit = static_cast<QLineEdit *>(widget());
        auto *key = static_cast<QKeyEvent *>(event);
        // Enter takes the typed value over before the key reaches the handler;
        // a refused entry has raised its notification and the key goes no
        // further.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && edit->isModified()) {
            edit->setModified(false);
            if (!userEntry(edit->text()))
                return true;
        }
        if (filterKeys(event, [this](int &code, int shift) { emit KeyDown(code, shift); },
                       [this](int &ascii) { emit KeyPress(ascii); }))
            return true;
    }
    return Control::eventFilter(watched, event);
}

double NumberInput::Value()
{
    load();
    return m_value;
}

void NumberInput::setValue(double value)
{
    load();
    if (!std::isfinite(value))
        invalidPropertyValue();
    const bool changed = value != m_value;
    m_value = value;
    display();
    if (changed)
        emit Change();
}

QString NumberInput::Text()
{
    load();
    return QString::number(m_value, 'f', m_decimals);
}

void NumberInput::setText(const QString &text)
{
    if (!platform::IsNumeric(text))
        invalidPropertyValue();
    setValue(platform::Val(text));
}

double NumberInput::MinValue()
{
    load();
    return m_min;
}

void NumberInput::setMinValue(double value)
{
    load();
    m_min = value;
}

double NumberInput::MaxValue()
{
    load();
    return m_max;
}

void NumberInput::setMaxValue(double value)
{
    load();
    m_max = value;
}

int NumberInput::DecimalPlaces()
{
    load();
    return m_decimals;
}

void NumberInput::setDecimalPlaces(int digits)
{
    load();
    if (digits < 0 || digits > 8)
        invalidPropertyValue();
    m_decimals = digits;
    display();
}

bool NumberInput::userEntry(const QString &typed)
{
    load();
    const QString text = typed.trimmed();
    if (text.isEmpty() || !platform::IsNumeric(text)) {
        display();
        emit InvalidValue();
        return false;
    }
    const double value = platform::Val(text);
    if (value < m_min || value > m_max) {
        display();
        emit OutOfRange();
        return false;
    }
    setValue(value);
    display();
    return true;
}

void NumberInput::display()
{
    if (hasWidget())
        showText(static_cast<QLineEdit *>(widget()), QString::number(m_value, 'f', m_decimals));
}

// ---- TextInput ------------------------------------------------------------

QWidget *TextInput::createWidget(QWidget *parent)
{
    m_maxLength = 0;
    return new QLineEdit(parent);
}

void TextInput::widgetCreated()
{
    connect(static_cast<QLineEdit *>(widget()), &QLineEdit::textChanged, this, [this] { emit Change(); });
}

bool TextInput::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && filterKeys(event, [this](int &code, int shift) { emit KeyDown(code, shift); },
                                          [this](int &ascii) { emit KeyPress(ascii); }))
        return true;
    return Control::eventFilter(watched, event);
}

QString TextInput::Text()
{
    return w<QLineEdit>()->text();
}

void TextInput::setText(const QString &text)
{
    auto *edit = w<QLineEdit>();
    edit->setText(m_maxLength > 0 ? text.left(m_maxLength) : text);
}

int TextInput::MaxLength()
{
    load();
    return m_maxLength;
}

void TextInput::setMaxLength(int length)
{
    if (length < 0)
        invalidPropertyValue();
    auto *edit = w<QLineEdit>();
    m_maxLength = length;
    edit->setMaxLength(length > 0 ? length : 32767);
}

// ---- DateInput ------------------------------------------------------------

QWidget *DateInput::createWidget(QWidget *parent)
{
    m_date = QDate();
    m_min = QDate(1900, 1, 1);
    m_max = QDate(9999, 12, 31);
    m_format = QStringLiteral("yyyy/mm/dd");
    return new QLineEdit(parent);
}

void DateInput::widgetCreated()
{
    auto *edit = static_cast<QLineEdit *>(widget());
    display();
    takeEntryWhenEditingEnds(this, edit, [this](const QString &typed) { return userEntry(typed); });
}

QString DateInput::Text()
{
    load();
    if (!m_date.isValid())
        return QString();
    return QStringLiteral("%1/%2/%3").arg(m_date.year(), 4, 10, QLatin1Char('0')).arg(two(m_date.month()), two(m_date.day()));
}

void DateInput::setText(const QString &text)
{
    load();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        assign(QDate());
        return;
    }
    static const QRegularExpression slashed(QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    QRegularExpressionMatch match = slashed.match(trimmed);
    if (!match.hasMatch())
        match = compact.match(trimmed);
    if (!match.hasMatch())
        invalidPropertyValue();
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!date.isValid() || date < m_min || date > m_max)
        invalidPropertyValue();
    assign(date);
}

QDate DateInput::Value()
{
    load();
    return m_date;
}

void DateInput::setValue(const QDate &date)
{
    load();
    if (date.isValid() && (date < m_min || date > m_max))
        invalidPropertyValue();
    assign(date);
}

bool DateInput::IsEmpty()
{
    load();
    return !m_date.isValid();
}

int DateInput::Year()
{
    load();
    return m_date.isValid() ? m_date.year() : 0;
}

int DateInput::Month()
{
    load();
    return m_date.isValid() ? m_date.month() : 0;
}

int DateInput::Day()
{
    load();
    return m_date.isValid() ? m_date.day() : 0;
}

QDate DateInput::MinDate()
{
    load();
    return m_min;
}

void DateInput::setMinDate(const QDate &date)
{
    load();
    m_min = date;
}

QDate DateInput::MaxDate()
{
    load();
    return m_max;
}

void DateInput::setMaxDate(const QDate &date)
{
    load();
    m_max = date;
}

QString DateInput::DisplayFormat()
{
    load();
    return m_format;
}

void DateInput::setDisplayFormat(const QString &format)
{
    load();
    m_format = format;
    display();
}

QString DateInput::displayText()
{
    load();
    QString text = m_format;
    if (!m_date.isValid()) {
        text.replace(QStringLiteral("yyyy"), QStringLiteral("____"));
        text.replace(QStringLiteral("mm"), QStringLiteral("__"));
        text.replace(QStringLiteral("dd"), QStringLiteral("__"));
        return text;
    }
    text.replace(QStringLiteral("yyyy"), QStringLiteral("%1").arg(m_date.year(), 4, 10, QLatin1Char('0')));
    text.replace(QStringLiteral("mm"), two(m_date.month()));
    text.replace(QStringLiteral("dd"), two(m_date.day()));
    return text;
}

bool DateInput::userEntry(const QString &typed)
{
    load();
    const QString digits = digitsOf(typed);
    if (digits.isEmpty() && !typed.contains(QRegularExpression(QStringLiteral("[^_\\s/年月日]")))) {
        assign(QDate()); // cleared by the user
        return true;
    }
    const QDate date = digits.size() == 8
                           ? QDate(digits.left(4).toInt(), digits.mid(4, 2).toInt(), digits.mid(6, 2).toInt())
                           : QDate();
    if (!date.isValid()) {
        display();
        emit InvalidValue();
        return false;
    }
    if (date < m_min || date > m_max) {
        display();
        emit OutOfRange();
        return false;
    }
    assign(date);
    return true;
}

bool DateInput::takeTypedEntry()
{
    load();
    return takePendingEntry(hasWidget() ? static_cast<QLineEdit *>(widget()) : nullptr,
                            [this](const QString &typed) { return userEntry(typed); });
}

void DateInput::assign(const QDate &date)
{
    const bool changed = date != m_date;
    m_date = date;
    display();
    if (changed)
        emit Change();
}

void DateInput::display()
{
    if (hasWidget())
        showText(static_cast<QLineEdit *>(widget()), displayText());
}

// ---- TimeInput ------------------------------------------------------------

QWidget *TimeInput::createWidget(QWidget *parent)
{
    m_time = QTime();
    m_format = QStringLiteral("hh:nn");
    return new QLineEdit(parent);
}

void TimeInput::widgetCreated()
{
    auto *edit = static_cast<QLineEdit *>(widget());
    display();
    takeEntryWhenEditingEnds(this, edit, [this](const QString &typed) { return userEntry(typed); });
}

bool TimeInput::showsSeconds() const
{
    return m_format.contains(QStringLiteral("ss"));
}

QString TimeInput::Text()
{
    load();
    if (!m_time.isValid())
        return QString();
    QString text = two(m_time.hour()) + QLatin1Char(':') + two(m_time.minute());
    if (showsSeconds())
        text += QLatin1Char(':') + two(m_time.second());
    return text;
}

void TimeInput::setText(const QString &text)
{
    load();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        assign(QTime());
        return;
    }
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch match = pattern.match(trimmed);
    if (!match.hasMatch())
        invalidPropertyValue();
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).isEmpty() ? 0 : match.captured(3).toInt());
    if (!time.isValid())
        invalidPropertyValue();
    assign(time);
}

QTime TimeInput::Value()
{
    load();
    return m_time;
}

void TimeInput::setValue(const QTime &time)
{
    load();
    assign(time.isValid() ? QTime(time.hour(), time.minute(), time.second()) : QTime());
}

bool TimeInput::IsEmpty()
{
    load();
    return !m_time.isValid();
}

int TimeInput::Hour()
{
    load();
    return m_time.isValid() ? m_time.hour() : 0;
}

int TimeInput::Minute()
{
    load();
    return m_time.isValid() ? m_time.minute() : 0;
}

int TimeInput::Second()
{
    load();
    return m_time.isValid() ? m_time.second() : 0;
}

QString TimeInput::DisplayFormat()
{
    load();
    return m_format;
}

void TimeInput::setDisplayFormat(const QString &format)
{
    load();
    m_format = format;
    display();
}

QString TimeInput::displayText()
{
    load();
    QString text = m_format;
    const bool empty = !m_time.isValid();
    text.replace(QStringLiteral("hh"), empty ? QStringLiteral("__") : two(m_time.hour()));
    text.replace(QStringLiteral("nn"), empty ? QStringLiteral("__") : two(m_time.minute()));
    text.replace(QStringLiteral("ss"), empty ? QStringLiteral("__") : two(m_time.second()));
    return text;
}

bool TimeInput::userEntry(const QString &typed)
{
    load();
    const QString digits = digitsOf(typed);
    if (digits.isEmpty() && !typed.contains(QRegularExpression(QStringLiteral("[^_\\s:時分秒]")))) {
        assign(QTime());
        return true;
    }
    QTime time;
    if (digits.size() == 4)
        time = QTime(digits.left(2).toInt(), digits.mid(2, 2).toInt());
    else if (digits.size() == 6)
        time = QTime(digits.left(2).toInt(), digits.mid(2, 2).toInt(), digits.mid(4, 2).toInt());
    if (!time.isValid()) {
        display();
        emit InvalidValue();
        return false;
    }
    assign(time);
    return true;
}

bool TimeInput::takeTypedEntry()
{
    load();
    return takePendingEntry(hasWidget() ? static_cast<QLineEdit *>(widget()) : nullptr,
                            [this](const QString &typed) { return userEntry(typed); });
}

void TimeInput::assign(const QTime &time)
{
    const bool changed = time != m_time;
    m_time = time;
    display();
    if (changed)
        emit Change();
}

void TimeInput::display()
{
    if (hasWidget())
        showText(static_cast<QLineEdit *>(widget()), displayText());
}

} // namespace platform::forms
