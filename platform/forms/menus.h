#pragma once
// Menus of a form. A Menu without a parent menu is a top-level menu of the
// window's menu bar; a Menu with a parent is an item of the parent's menu (a
// parent with items is a submenu). Items are usually control arrays:
//   Menu mnuFileRoot{this, "mnuFileRoot"};
//   ControlArray<Menu> mnuFile{this, "mnuFile", 12, &mnuFileRoot};
// A caption of "-" makes the item a separator.
#include "platform/forms/control.h"

#include <QPointer>

#include <QAction>
class QMenu;

namespace platform::forms {

class Menu : public Control {
    Q_OBJECT
public:
    Menu(Form *owner, const QString &name, Control *parentMenu = nullptr, int index = -1);

    QString Caption();
    void setCaption(const QString &caption);
    bool Enabled() override;
    void setEnabled(bool enabled) override;
    bool Visible() override;
    void setVisible(bool visible) override;
    bool Checked();
    void setChecked(bool checked);
    // The item is chosen in code (as a click by the user): Click fires.
    void click();
    bool isSeparator();

    // The menu's QAction and, for a menu with items, its QMenu.
    QAction *action();
    QMenu *popupMenu();

signals:
    void Click();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    void widgetDestroyed() override;

private:
    bool hasItems() const;
    Menu *parentMenu() const;
    void place();

    QPointer<QAction> m_action;
    QPointer<QMenu> m_menu;
};

} // namespace platform::forms
