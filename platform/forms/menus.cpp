#include "platform/forms/menus.h"

#include "platform/forms/form.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace platform::forms {

Menu::Menu(Form *owner, const QString &name, Control *parentMenu, int index)
    : Control(owner, name, parentMenu, index)
{
}

Menu *Menu::parentMenu() const
{
    return qobject_cast<Menu *>(Container());
}

bool Menu::hasItems() const
{
    if (!Parent())
        return false;
    for (Control *control : Parent()->Controls())
        if (control->Container() == this && qobject_cast<Menu *>(control))
            return true;
    return false;
}

QWidget *Menu::createWidget(QWidget *)
{
    return nullptr; // menus are actions, not widgets
}

void Menu::widgetCreated()
{
    QWidget *window = Parent()->widget();
    if (hasItems()) {
        m_menu = new QMenu(window);
        m_action = m_menu->menuAction();
    } else {
        m_action = new QAction(window);
    }
    connect(m_action, &QAction::triggered, this, [this] { emit Click(); });
    place();
}

void Menu::place()
{
    if (Menu *parent = parentMenu()) {
        // The parent's items appear in creation order; an element loaded at
        // run time goes to the end.
        if (QMenu *items = parent->popupMenu())
            items->addAction(m_action);
    } else {
        Parent()->menuBar()->addAction(m_action);
    }
}

void Menu::widgetDestroyed()
{
    // Actions and menus go with the window that owns them.
    m_action = nullptr;
    m_menu = nullptr;
}

QAction *Menu::action()
{
    load();
    return m_action;
}

QMenu *Menu::popupMenu()
{
    load();
    return m_menu;
}

QString Menu::Caption()
{
    QAction *item = action();
    if (!item)
        return QString();
    return item->isSeparator() ? QStringLiteral("-") : item->text();
}

void Menu::setCaption(const QString &caption)
{
    QAction *item = action();
    if (!item)
        return;
    item->setSeparator(caption == QLatin1String("-"));
    item->setText(caption == QLatin1String("-") ? QString() : caption);
}

bool Menu::isSeparator()
{
    QAction *item = action();
    return item && item->isSeparator();
}

bool Menu::Enabled()
{
    QAction *item = action();
    return item && item->isEnabled();
}

void Menu::setEnabled(bool enabled)
{
    if (QAction *item = action())
        item->setEnabled(enabled);
}

bool Menu::Visible()
{
    QAction *item = action();
    return item && item->isVisible();
}

void Menu::setVisible(bool visible)
{
    if (QAction *item = action())
        item->setVisible(visible);
}

bool Menu::Checked()
{
    QAction *item = action();
    return item && item->isChecked();
}

void Menu::setChecked(bool checked)
{
    if (QAction *item = action()) {
        item->setCheckable(checked || item->isCheckable());
        item->setChecked(checked);
    }
}

void Menu::click()
{
    load();
    emit Click();
}

} // namespace platform::forms
