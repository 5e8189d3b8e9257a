#include "platform/win/accessible.h"
#include "platform/win/accessible_p.h"

#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"
#include "platform/win/mnemonic.h"
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"

#include <QAccessibleWidget>
#include <QByteArray>
#include <QGroupBox>
#include <QHash>

namespace platform::win {

namespace detail {

QHash<QByteArray, QAccessible::Role> &registeredRoles()
{
    static QHash<QByteArray, QAccessible::Role> roles;
    return roles;
}

QByteArray classKey(const char *name)
{
    return QByteArray(name ? name : "").toLower();
}

QString accessibleWindowText(HWND hwnd)
{
    const int length = GetWindowTextLengthA(hwnd);
    if (length <= 0)
        return QString();
    QByteArray bytes(length + 1, '\0');
    const int got = GetWindowTextA(hwnd, bytes.data(), length + 1);
    bytes.truncate(std::max(0, got));
    return codepage::fromAnsiLenient(bytes);
}

QAccessible::Role windowRole(HWND hwnd)
{
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

WindowAccessible::WindowAccessible(WindowWidget *widget) : QAccessibleWidget(widget, QAccessible::Client) {}

QAccessible::Role WindowAccessible::role() const
{
    return windowRole(handle());
}

QString WindowAccessible::text(QAccessible::Text t) const
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
        return platform::win::withoutMnemonic(accessibleWindowText(hwnd));
    }
    case QAccessible::Value:
        return field ? accessibleWindowText(hwnd) : QString();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State WindowAccessible::state() const
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

// The caption of the nearest frame around the widget, or the nearest
// name given to a widget around it, inside its window.
QString WindowAccessible::groupName() const
{
    for (QWidget *p = widget()->parentWidget(); p; p = p->isWindow() ? nullptr : p->parentWidget()) {
        if (auto *group = qobject_cast<QGroupBox *>(p); group && !group->title().isEmpty())
            return platform::win::withoutMnemonic(group->title());
        if (!p->accessibleName().isEmpty())
            return p->accessibleName();
    }
    return QString();
}

HWND WindowAccessible::handle() const
{
    auto *w = static_cast<WindowWidget *>(widget());
    return w ? w->handle() : 0;
}

} // namespace detail

namespace {

QAccessibleInterface *windowAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(detail::WindowWidget::staticMetaObject.className()) && object)
        if (auto *w = qobject_cast<detail::WindowWidget *>(object))
            return detail::newWindowAccessible(w);
    return nullptr;
}

} // namespace

void NotifyWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG)
{
    // Without a listening tool nothing is told (and no interface is made).
    if (idObject != OBJID_CLIENT || !QAccessible::isActive())
        return;
    QWidget *widget = WidgetOfWindow(hwnd);
    QAccessibleInterface *iface = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    if (!iface)
        return;
    if (iface->role() == QAccessible::ComboBox) {
        detail::notifyComboEvent(iface, event);
        return;
    }
    if (event == EVENT_OBJECT_VALUECHANGE) {
        QAccessibleValueChangeEvent value(iface, iface->text(QAccessible::Value));
        QAccessible::updateAccessibility(&value);
    } else if (event == EVENT_OBJECT_STATECHANGE) {
        QAccessible::State changed;
        changed.checked = true;
        changed.disabled = true;
        QAccessibleStateChangeEvent state(iface, changed);
        QAccessible::updateAccessibility(&state);
    }
}

void SetClassAccessibleRole(const char *className, QAccessible::Role role)
{
    if (className && *className)
        detail::registeredRoles().insert(detail::classKey(className), role);
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
