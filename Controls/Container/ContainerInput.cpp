#include "Controls/Container/ContainerInput.h"

#include "platform/win/window.h"

#include <QApplication>
#include <QCursor>
#include <QPixmap>
#include <QWidget>

namespace lumafold::input {

using namespace platform::win;

void cursorPosition(POINT *point)
{
    const QPoint p = QCursor::pos();
    point->x = p.x();
    point->y = p.y();
}

HWND windowFromPoint(POINT point)
{
    for (QWidget *w = QApplication::widgetAt(QPoint(point.x, point.y)); w; w = w->parentWidget())
        if (const HWND hwnd = WindowOfWidget(w))
            return hwnd;
    return 0;
}

bool setSystemCursor(HWND hwnd, int pointer)
{
    static const Qt::CursorShape shapes[16] = {
        Qt::ArrowCursor,     Qt::ArrowCursor,     Qt::CrossCursor,   Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor,   Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor,   Qt::UpArrowCursor, Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,      Qt::WhatsThisCursor, Qt::SizeAllCursor,
    };
    QWidget *widget = WidgetOfWindow(hwnd);
    if (!widget || pointer < 1 || pointer > 15)
        return false;
    widget->setCursor(shapes[pointer]);
    return true;
}

bool setIconCursor(HWND hwnd, const QImage &icon)
{
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
