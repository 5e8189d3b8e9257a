#pragma once
// The accessible interfaces of the windows' widgets (accessible.cpp) and of
// combo box windows with their edit field, list and items
// (accessible_combo.cpp).
#include "platform/win/windowwidget.h"
#include "platform/win/wintypes.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QByteArray>
#include <QHash>
#include <QString>

namespace platform::win::detail {

QHash<QByteArray, QAccessible::Role> &registeredRoles();
QByteArray classKey(const char *name);
// The window text (CP932) as a string.
QString accessibleWindowText(HWND hwnd);
// The role of a window: the system classes by their styles, other classes
// as registered.
QAccessible::Role windowRole(HWND hwnd);

class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(WindowWidget *widget);
    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

protected:
    QString groupName() const;
    HWND handle() const;
};

// The interface of a window (with the parts of a combo box when the
// window's role is ComboBox).
QAccessibleInterface *newWindowAccessible(WindowWidget *widget);
// Raises the events of a combo box window for a NotifyWinEvent event.
void notifyComboEvent(QAccessibleInterface *combo, DWORD event);

} // namespace platform::win::detail
