#include "Controls/Container/ContainerInput.h"

#include "platform/win/window.h"

#include <QCursor>
#include <QPixmap>
#include <QWidget>

namespace lumafold::input {

using namespace platform::win;

void cursorPosition(POINT *point)
{
    GetCursorPos(point);
}

HWND windowFromPoint(POINT point)
{
    return WindowFromPoint(point);
}

bool setSystemCursor(HWND, int pointer)
{
    // zoArrow .. zoSizeAll; the icon and the old size cursor show the arrow
    // and the four-way arrow.
    static const char *const names[16] = {
        nullptr,      IDC_ARROW,   IDC_CROSS,  IDC_IBEAM,   IDC_ARROW,   IDC_SIZEALL,     IDC_SIZENESW, IDC_SIZENS,
        IDC_SIZENWSE, IDC_SIZEWE,  IDC_UPARROW, IDC_WAIT,   IDC_NO,      IDC_APPSTARTING, IDC_HELP,     IDC_SIZEALL,
    };
    if (pointer < 1 || pointer > 15)
        return false;
    const HCURSOR cursor = LoadCursorA(0, names[pointer]);
    if (!cursor)
        return false;
    SetCursor(cursor);
    return true;
}

bool setIconCursor(HWND hwnd, const QImage &icon)
{
    // Cursors made from icons are not among the window layer's cursors: the
    // icon becomes the cursor of the window's widget.
    QWidget *widget = WidgetOfWindow(hwnd);
    if (!widget)
        return false;
    if (icon.isNull())
        widget->setCursor(Qt::ArrowCursor);
    else
        widget->setCursor(QCursor(QPixmap::fromImage(icon), icon.width() / 2, icon.height() / 2));
    return true;
}

} // namespace lumafold::input
