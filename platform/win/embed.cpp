#include "platform/win/embed.h"

#include "platform/win/winstate.h"
#include "platform/win/windowwidget.h"

namespace platform::win {

BOOL EmbedWindowInWidget(HWND hwnd, QWidget *host)
{
    auto w = detail::find(hwnd);
    if (!w || !host || w->parent || (w->style & WS_CHILD) || !w->widget)
        return FALSE;
    const bool visible = w->style & WS_VISIBLE;
    w->widget->setParent(host);
    w->widget->setGeometry(w->rect);
    w->widget->setVisible(visible);
    return TRUE;
}

} // namespace platform::win
