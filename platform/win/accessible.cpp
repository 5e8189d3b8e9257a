#include "platform/win/accessible.h"

#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"

#include <QAccessibleWidget>
#include <QByteArray>
#include <QGroupBox>
#include <QHash>

namespace platform::win {

namespace {

QHash<QByteArray, QAccessible::Role> &registeredRoles()
{
    static QHash<QByteArray, QAccessible::Role> roles;
    return roles;
}

QByteArray classKey(const char *name)
{
    return QByteArray(name ? name : "").toLower();
}

QString windowText(HWND hwnd)
{
    const int length = GetWindowTextLengthA(hwnd);
    if (length <= 0)
        return QString();
    QByteArray bytes(length + 1, '\0');
    const int got = GetWindowTextA(hwnd, bytes.data(), length + 1);
    bytes.truncate(std::max(0, got));
    return codepage::fromAnsiLenient(bytes);
}

// A caption's '&' marks the mnemonic; "&&" is a plain '&'.
QString withoutMnemonic(const QString &text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

class WindowAccessible final : public QAccessibleWidget {
public:
    explicit WindowAccessible(detail::WindowWidget *widget) : QAccessibleWidget(widget, QAccessible::Client) {}

    QAccessible::Role role() const override
    {
        const HWND hwnd = handle();
        char name[128] = {};
        if (!hwnd || !GetClassNameA(hwnd, name, sizeof name))
            return QAccessible::Client;
        const QByteArray cls = classKey(name);
        const auto style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
        if (cls == "button") {
            switch (style & BS_TYPEMASK) {
            case BS_CHECKBOX: case BS_AUTOCHECKBOX: case 0x5: case 0x6: return QAccessible::CheckBox; // 0x5, 0x6: three-state
            case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return QAccessible::RadioButton;
            case BS_GROUPBOX: return QAccessible::Grouping;
            default: return QAccessible::Button;
            }
        }
        if (cls == "static")
            return QAccessible::StaticText;
        if (cls == "edit")
            return QAccessible::EditableText;
        if (cls == "listbox" || cls == "combolbox")
            return QAccessible::List;
        if (cls == "combobox")
            return QAccessible::ComboBox;
        return registeredRoles().value(cls, QAccessible::Client);
    }

    QString text(QAccessible::Text t) const override
    {
        const HWND hwnd = handle();
        if (!hwnd)
            return QString();
        const QAccessible::Role r = role();
        const bool field = r == QAccessible::EditableText || r == QAccessible::ComboBox;
        switch (t) {
        case QAccessible::Name: {
            // A name given to the widget wins; a captioned window is named by
            // its caption; a field's text is its value, not its name: a
            // field is named by the group that holds it.
            const QString given = widget()->accessibleName();
            if (!given.isEmpty() || r == QAccessible::Client)
                return given;
            if (field || r == QAccessible::List)
                return groupName();
            return withoutMnemonic(windowText(hwnd));
        }
        case QAccessible::Value:
            return field ? windowText(hwnd) : QString();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const HWND hwnd = handle();
        if (!hwnd)
            return s;
        s.focused = GetFocus() == hwnd;
        s.disabled = !IsWindowEnabled(hwnd);
        const QAccessible::Role r = role();
        s.focusable = r != QAccessible::StaticText && r != QAccessible::Grouping && r != QAccessible::Client;
        if (r == QAccessible::CheckBox || r == QAccessible::RadioButton) {
            s.checkable = true;
            s.checked = SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        }
        if (r == QAccessible::EditableText)
            s.editable = true;
        return s;
    }

private:
    // The caption of the nearest frame around the widget, or the nearest
    // name given to a widget around it, inside its window.
    QString groupName() const
    {
        for (QWidget *p = widget()->parentWidget(); p; p = p->isWindow() ? nullptr : p->parentWidget()) {
            if (auto *group = qobject_cast<QGroupBox *>(p); group && !group->title().isEmpty())
                return withoutMnemonic(group->title());
            if (!p->accessibleName().isEmpty())
                return p->accessibleName();
        }
        return QString();
    }
    HWND handle() const
    {
        auto *w = static_cast<detail::WindowWidget *>(widget());
        return w ? w->handle() : 0;
    }
};

QAccessibleInterface *windowAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(detail::WindowWidget::staticMetaObject.className()) && object)
        if (auto *w = qobject_cast<detail::WindowWidget *>(object))
            return new WindowAccessible(w);
    return nullptr;
}

} // namespace

void SetClassAccessibleRole(const char *className, QAccessible::Role role)
{
    if (className && *className)
        registeredRoles().insert(classKey(className), role);
}

namespace detail {
void installWindowAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(windowAccessibleFactory);
}
} // namespace detail

} // namespace platform::win
