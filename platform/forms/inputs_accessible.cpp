#include "platform/forms/inputs_accessible.h"

#include "platform/forms/accessibility.h"
#include "platform/forms/control.h"
#include "platform/forms/spin_inputs.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace platform::forms {

QString spinUpName()
{
    return QStringLiteral("上矢印");
}

QString spinDownName()
{
    return QStringLiteral("下矢印");
}

QString labelsDescription(const QStringList &captions)
{
    QStringList parts;
    for (const QString &caption : captions) {
        const QString spoken = spokenCaption(caption);
        if (!spoken.isEmpty())
            parts << spoken;
    }
    return parts.join(QChar(0x3000));
}

void setAccessibleDescription(Control &control, const QString &description)
{
    QWidget *widget = control.widget();
    if (!widget)
        return;
    widget->setAccessibleDescription(description);
    for (QWidget *inner : widget->findChildren<QWidget *>())
        if (inner->focusPolicy() != Qt::NoFocus)
            inner->setAccessibleDescription(description);
}

namespace detail {

namespace {

// The editor as a spin button: the text interface over what the editor
// shows, the value interface over the input's value.
class SpinFieldAccessible final : public QAccessibleWidget,
                                  public QAccessibleTextInterface,
                                  public QAccessibleEditableTextInterface,
                                  public QAccessibleValueInterface {
public:
    explicit SpinFieldAccessible(SpinFieldEditor *editor) : QAccessibleWidget(editor, QAccessible::SpinBox) {}

    SpinFieldEditor *editor() const { return static_cast<SpinFieldEditor *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return editor()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !editor()->isReadOnly();
        s.readOnly = editor()->isReadOnly();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        switch (t) {
        case QAccessible::TextInterface:
            return static_cast<QAccessibleTextInterface *>(this);
        case QAccessible::EditableTextInterface:
            return static_cast<QAccessibleEditableTextInterface *>(this);
        case QAccessible::ValueInterface:
            return static_cast<QAccessibleValueInterface *>(this);
        default:
            return QAccessibleWidget::interface_cast(t);
        }
    }

    // ---- value: the input's, none while it is empty ----
    QVariant currentValue() const override
    {
        SpinNumberInput *input = editor()->input();
        if (!input || input->IsNull())
            return QVariant();
        return input->Value();
    }
    // A value from an assistive tool goes in as the user would put it: one
    // step up or down as a click on that arrow (the window decides what the
    // arrow does), any other value as typed over the field's text.
    void setCurrentValue(const QVariant &value) override
    {
        SpinNumberInput *input = editor()->input();
        bool ok = false;
        const double wanted = value.toDouble(&ok);
        if (!input || !ok || !std::isfinite(wanted) || editor()->isReadOnly() || !editor()->isEnabled())
            return;
        if (!input->IsNull()) {
            const double step = input->SpinIncrement();
            const double now = input->Value();
            if (std::abs(wanted - (now + step)) < 1e-9) {
                input->upButton()->click();
                return;
            }
            if (std::abs(wanted - (now - step)) < 1e-9) {
                input->downButton()->click();
                return;
            }
        }
        editor()->selectAll();
        editor()->insert(QString::number(wanted, 'f', input->DecimalPlaces()));
    }
    QVariant maximumValue() const override
    {
        SpinNumberInput *input = editor()->input();
        return input ? QVariant(input->MaxValue()) : QVariant();
    }
    QVariant minimumValue() const override
    {
        SpinNumberInput *input = editor()->input();
        return input ? QVariant(input->MinValue()) : QVariant();
    }
    QVariant minimumStepSize() const override
    {
        SpinNumberInput *input = editor()->input();
        return input ? QVariant(input->SpinIncrement()) : QVariant();
    }

    // ---- text: what the editor shows ----
    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && editor()->hasSelectedText()) {
            *start = editor()->selectionStart();
            *end = editor()->selectionEnd();
        }
    }
    int selectionCount() const override { return editor()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            editor()->deselect();
    }
    void setSelection(int index, int start, int end) override
    {
        if (index != 0)
            return;
        const int length = int(editor()->text().size());
        start = std::clamp(start, 0, length);
        end = std::clamp(end, 0, length);
        editor()->setSelection(start, end - start);
    }
    int cursorPosition() const override { return editor()->cursorPosition(); }
    void setCursorPosition(int position) override { editor()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = editor()->text();
        if (endOffset < 0 || endOffset > all.size())
            endOffset = int(all.size());
        startOffset = std::clamp(startOffset, 0, endOffset);
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(editor()->text().size()); }
    QRect characterRect(int offset) const override
    {
        const QRect local = editor()->characterRect(offset);
        return local.isValid() ? QRect(editor()->mapToGlobal(local.topLeft()), local.size()) : QRect();
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return editor()->characterAt(editor()->mapFromGlobal(point));
    }
    // The field is as wide as the longest value it shows.
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return QString();
    }

    // ---- editing, as the user's typing ----
    void deleteText(int startOffset, int endOffset) override
    {
        if (editor()->isReadOnly())
            return;
        setSelection(0, startOffset, endOffset);
        editor()->del();
    }
    void insertText(int offset, const QString &text) override
    {
        if (editor()->isReadOnly())
            return;
        editor()->setCursorPosition(offset);
        editor()->insert(text);
    }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        if (editor()->isReadOnly())
            return;
        setSelection(0, startOffset, endOffset);
        editor()->insert(text);
    }
};

QAccessibleInterface *spinFieldFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(SpinFieldEditor::staticMetaObject.className()))
        if (auto *editor = qobject_cast<SpinFieldEditor *>(object))
            return new SpinFieldAccessible(editor);
    return nullptr;
}

void installSpinFieldAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(spinFieldFactory);
}

} // namespace

SpinFieldEditor::SpinFieldEditor(SpinNumberInput *input, QWidget *parent) : QLineEdit(parent), m_input(input)
{
    installSpinFieldAccessibility();
}

QRect SpinFieldEditor::characterRect(int offset) const
{
    const QString all = text();
    if (offset < 0 || offset >= all.size())
        return QRect();
    // The editor's own hit test finds the character: the caret goes behind
    // it once the point passes its middle. The first x that does so is the
    // middle (the text runs left to right, digits only).
    auto *self = const_cast<SpinFieldEditor *>(this); // the hit test changes nothing
    int low = 0;
    int high = width();
    while (low < high) {
        const int x = (low + high) / 2;
        if (self->cursorPositionAt(QPoint(x, height() / 2)) > offset)
            high = x;
        else
            low = x + 1;
    }
    if (low >= width())
        return QRect(); // scrolled out of sight
    const QFontMetrics metrics = fontMetrics();
    const int advance = metrics.horizontalAdvance(all.at(offset));
    const int lineHeight = metrics.height();
    return QRect(low - advance / 2, (height() - lineHeight) / 2, advance, lineHeight);
}

int SpinFieldEditor::characterAt(const QPoint &point) const
{
    if (!rect().contains(point))
        return -1;
    for (int i = 0; i < text().size(); ++i) {
        const QRect r = characterRect(i);
        if (r.isValid() && point.x() >= r.left() && point.x() <= r.right())
            return i;
    }
    return -1;
}

void setUpSpinAccessibility(SpinNumberInput *input, SpinFieldEditor *editor, QToolButton *up, QToolButton *down)
{
    up->setAccessibleName(spinUpName());
    down->setAccessibleName(spinDownName());
    // A new value, whether the user's or the program's (a read, a file
    // opened, the settings reloaded), is told as the spin button's value
    // changing, with the editor's text change that comes with it.
    QObject::connect(input, &SpinNumberInput::Change, editor, [input, editor] {
        if (!QAccessible::isActive())
            return;
        QAccessibleValueChangeEvent event(editor, input->IsNull() ? QVariant() : QVariant(input->Value()));
        QAccessible::updateAccessibility(&event);
    });
}

} // namespace detail

} // namespace platform::forms
