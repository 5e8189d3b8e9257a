#include "platform/win/popupmenu.h"
#include "platform/win/dialog.h"
#include "platform/win/window.h"
#include "platform/codepage/codepage.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <map>
#include <string>
#include <vector>

namespace platform::win {

namespace {

struct MenuItem {
    UINT flags = 0;
    UINT_PTR id = 0;
    std::string text;
};

struct Menus {
    std::map<HMENU, std::vector<MenuItem>> items;
    HMENU next = 1;
    QPointer<QMenu> open;
};

Menus &menus()
{
    static Menus m;
    return m;
}

} // namespace

HMENU CreatePopupMenu()
{
    Menus &m = menus();
    const HMENU h = m.next++;
    m.items[h];
    return h;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char *text)
{
    auto it = menus().items.find(menu);
    if (it == menus().items.end())
        return FALSE;
    it->second.push_back(MenuItem{flags, id, text ? std::string(text) : std::string()});
    return TRUE;
}

BOOL DestroyMenu(HMENU menu)
{
    return menus().items.erase(menu) ? TRUE : FALSE;
}

BOOL TrackPopupMenu(HMENU menu, UINT, int x, int y, int, HWND hwnd, const RECT *)
{
    auto it = menus().items.find(menu);
    QWidget *owner = WidgetOfWindow(hwnd);
    if (it == menus().items.end() || it->second.empty() || !owner)
        return FALSE;
    EndMenu();
    // Parented to the window's widget: it goes when the window goes.
    auto *qmenu = new QMenu(owner);
    qmenu->setAttribute(Qt::WA_DeleteOnClose);
    for (const MenuItem &item : it->second) {
        if (item.flags & MF_SEPARATOR) {
            qmenu->addSeparator();
            continue;
        }
        QAction *action = qmenu->addAction(codepage::fromAnsiLenient(QByteArray::fromStdString(item.text)));
        action->setEnabled(!(item.flags & MF_GRAYED));
        const UINT_PTR id = item.id;
        QObject::connect(action, &QAction::triggered, qmenu, [hwnd, id] {
            if (IsWindow(hwnd))
                PostMessageA(hwnd, WM_COMMAND, static_cast<WPARAM>(id), 0);
        });
    }
    menus().open = qmenu;
    qmenu->popup(QPoint(x, y));
    return TRUE;
}

BOOL EndMenu()
{
    QPointer<QMenu> open = menus().open;
    menus().open = nullptr;
    if (!open)
        return FALSE;
    open->close();
    return TRUE;
}

} // namespace platform::win
