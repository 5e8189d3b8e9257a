// The caret: one per thread, owned by a window, drawn by inverting its
// rectangle on the image the window's widget shows, blinking on a timer.
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"
#include "platform/win/winstate.h"

#include <QTimer>

namespace platform::win {
using namespace detail;

namespace {

struct Caret {
    HWND owner = 0;
    QSize size;
    QPoint pos;   // client coordinates
    int hidden = 1; // ShowCaret calls still needed; a new caret starts hidden
    bool on = false; // the blink phase
    QTimer *timer = nullptr;
    UINT blinkTime = 530;
};

Caret &caret()
{
    static Caret c;
    return c;
}

void repaintCaret()
{
    Caret &c = caret();
    auto w = find(c.owner);
    if (w && w->widget)
        w->widget->update(QRect(w->client.topLeft() + c.pos, c.size));
}

void startBlink()
{
    Caret &c = caret();
    if (!c.timer) {
        c.timer = new QTimer;
        QObject::connect(c.timer, &QTimer::timeout, [] {
            caret().on = !caret().on;
            repaintCaret();
        });
    }
    c.on = true;
    c.timer->start(static_cast<int>(c.blinkTime));
    repaintCaret();
}

void stopBlink()
{
    Caret &c = caret();
    if (c.timer)
        c.timer->stop();
    repaintCaret();
    c.on = false;
}

} // namespace

namespace detail {

void drawCaret(HWND hwnd, QImage &shown)
{
    const Caret &c = caret();
    if (c.owner != hwnd || c.hidden > 0 || !c.on)
        return;
    auto w = find(hwnd);
    if (!w)
        return;
    // Only over the client area.
    const QRect r = QRect(w->client.topLeft() + c.pos, c.size).intersected(w->client).intersected(shown.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(shown.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            line[x] = 0xFF000000u | (~line[x] & 0xFFFFFF);
    }
}

void windowGone(HWND hwnd)
{
    if (caret().owner == hwnd)
        DestroyCaret();
}

} // namespace detail

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height)
{
    if (!IsWindow(hwnd))
        return FALSE;
    DestroyCaret();
    Caret &c = caret();
    c.owner = hwnd;
    // A zero width or height takes the system border size, as Win32.
    c.size = QSize(width > 0 ? width : GetSystemMetrics(SM_CXBORDER), height > 0 ? height : GetSystemMetrics(SM_CYBORDER));
    c.pos = QPoint();
    c.hidden = 1;
    c.on = false;
    return TRUE;
}

BOOL DestroyCaret()
{
    Caret &c = caret();
    if (!c.owner)
        return FALSE;
    c.hidden = 1;
    stopBlink();
    c.owner = 0;
    return TRUE;
}

BOOL ShowCaret(HWND hwnd)
{
    Caret &c = caret();
    if (!c.owner || (hwnd && hwnd != c.owner) || c.hidden == 0)
        return FALSE;
    if (--c.hidden == 0)
        startBlink();
    return TRUE;
}

BOOL HideCaret(HWND hwnd)
{
    Caret &c = caret();
    if (!c.owner || (hwnd && hwnd != c.owner))
        return FALSE;
    if (c.hidden++ == 0)
        stopBlink();
    return TRUE;
}

BOOL SetCaretPos(int x, int y)
{
    Caret &c = caret();
    if (!c.owner)
        return FALSE;
    repaintCaret();
    c.pos = QPoint(x, y);
    // A moved caret shows at once and blinks from there.
    if (c.hidden == 0)
        startBlink();
    return TRUE;
}

BOOL GetCaretPos(POINT *point)
{
    const Caret &c = caret();
    if (!point || !c.owner)
        return FALSE;
    *point = POINT{c.pos.x(), c.pos.y()};
    return TRUE;
}

UINT GetCaretBlinkTime() { return caret().blinkTime; }

BOOL SetCaretBlinkTime(UINT ms)
{
    Caret &c = caret();
    c.blinkTime = std::clamp<UINT>(ms, 10, 0x7FFFFFFF);
    if (c.timer && c.timer->isActive())
        c.timer->start(static_cast<int>(c.blinkTime));
    return TRUE;
}

} // namespace platform::win
