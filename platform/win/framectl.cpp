// Frame controls (buttons, check boxes, radio buttons, scroll and combo box
// arrows), focus rectangles and inversion.
#include "platform/win/gdistate.h"

namespace platform::win {
using namespace detail;

namespace {

void invertPixels(QImage &image, const QRegion &area)
{
    for (const QRect &r : area)
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x)
                line[x] = 0xFF000000u | (~line[x] & 0xFFFFFF);
        }
}

// Runs a pixel step over the DC's clipped image.
template <typename F>
BOOL onPixels(HDC hdc, F &&step)
{
    DC *d = dc(hdc);
    if (!d)
        return FALSE;
    QImage *image = targetImage(*d);
    if (!image || image->isNull())
        return FALSE;
    step(*image, effectiveClip(*d) & QRegion(image->rect()));
    surfaceChanged(*d);
    return TRUE;
}

void fill(HDC hdc, const RECT &r, int sysColour)
{
    FillRect(hdc, &r, GetSysColorBrush(sysColour));
}

void drawArrow(HDC hdc, const RECT &inner, UINT kind, COLORREF colour, int shift)
{
    const int w = inner.right - inner.left, h = inner.bottom - inner.top;
    if (w <= 0 || h <= 0)
        return;
    const int rows = std::max(1, std::min(w, h) / 3);
    paint(hdc, [&](QPainter &p, DC &) {
        const QColor c = qcolor(colour);
        const bool vertical = kind == DFCS_SCROLLUP || kind == DFCS_SCROLLDOWN || kind == DFCS_SCROLLCOMBOBOX;
        if (vertical) {
            const int cx = inner.left + (w - 1) / 2 + shift;
            const int top = inner.top + (h - rows) / 2 + shift;
            for (int i = 0; i < rows; ++i) {
                const int half = kind == DFCS_SCROLLUP ? i : rows - 1 - i;
                p.fillRect(QRect(cx - half, top + i, 2 * half + 1, 1), c);
            }
        } else {
            const int cy = inner.top + (h - 1) / 2 + shift;
            const int left = inner.left + (w - rows) / 2 + shift;
            for (int i = 0; i < rows; ++i) {
                const int half = kind == DFCS_SCROLLLEFT ? i : rows - 1 - i;
                p.fillRect(QRect(left + i, cy - half, 1, 2 * half + 1), c);
            }
        }
    });
}

BOOL drawButton(HDC hdc, RECT *rect, UINT state)
{
    const UINT kind = state & 0xFF;
    if (kind & DFCS_BUTTONPUSH) {
        RECT r = *rect;
        const bool down = state & (DFCS_PUSHED | DFCS_CHECKED);
        UINT flags = BF_RECT | BF_MIDDLE | BF_ADJUST | BF_SOFT;
        if (state & DFCS_FLAT)
            flags |= BF_FLAT;
        if (state & DFCS_MONO)
            flags |= BF_MONO;
        if (!DrawEdge(hdc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, flags))
            return FALSE;
        if (state & DFCS_ADJUSTRECT)
            *rect = r;
        return TRUE;
    }
    // Check boxes and radio buttons take a square in the rectangle's
    // top-left corner.
    const int side = std::min(rect->right - rect->left, rect->bottom - rect->top);
    if (side <= 0)
        return TRUE;
    RECT box{rect->left, rect->top, rect->left + side, rect->top + side};
    const int back = (state & (DFCS_PUSHED | DFCS_INACTIVE)) ? COLOR_BTNFACE : COLOR_WINDOW;
    const COLORREF mark = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
    if (kind & DFCS_BUTTONRADIO) {
        return paint(hdc, [&](QPainter &p, DC &) {
            const QRect q(box.left, box.top, side, side);
            p.setPen(Qt::NoPen);
            p.setBrush(qcolor(GetSysColor(COLOR_3DSHADOW)));
            p.drawEllipse(q);
            p.setBrush(qcolor(GetSysColor(back)));
            p.drawEllipse(q.adjusted(2, 2, -2, -2));
            if (state & DFCS_CHECKED) {
                p.setBrush(qcolor(mark));
                const int d = std::max(2, side / 3);
                p.drawEllipse(QRect(q.left() + (side - d) / 2, q.top() + (side - d) / 2, d, d));
            }
        }) ? TRUE : FALSE;
    }
    RECT inner = box;
    UINT flags = BF_RECT | BF_ADJUST;
    if (state & DFCS_FLAT)
        flags |= BF_FLAT;
    if (state & DFCS_MONO)
        flags |= BF_MONO;
    if (!DrawEdge(hdc, &inner, EDGE_SUNKEN, flags))
        return FALSE;
    fill(hdc, inner, back);
    if (state & DFCS_CHECKED) {
        // A tick: down from the left third, then up to the right, 3 pixels thick.
        paint(hdc, [&](QPainter &p, DC &) {
            const int w = inner.right - inner.left, h = inner.bottom - inner.top;
            if (w < 5 || h < 5)
                return;
            const QColor c = qcolor(mark);
            const int x0 = inner.left + 1, mid = inner.left + w / 3 + 1, x1 = inner.right - 2;
            const int base = inner.top + (h * 2) / 3;
            for (int x = x0; x <= x1; ++x) {
                const int y = x <= mid ? base - (mid - x) : base - (x - mid);
                p.fillRect(QRect(x, y - 1, 1, 3), c);
            }
        });
    }
    return TRUE;
}

BOOL drawScroll(HDC hdc, RECT *rect, UINT state)
{
    const UINT kind = state & 0xFF;
    if (kind != DFCS_SCROLLUP && kind != DFCS_SCROLLDOWN && kind != DFCS_SCROLLLEFT && kind != DFCS_SCROLLRIGHT
        && kind != DFCS_SCROLLCOMBOBOX)
        return FALSE;
    RECT r = *rect;
    const bool pushed = state & DFCS_PUSHED;
    UINT flags = BF_RECT | BF_MIDDLE | BF_ADJUST;
    if (pushed || (state & DFCS_FLAT))
        flags |= BF_FLAT;
    if (state & DFCS_MONO)
        flags |= BF_MONO;
    if (!DrawEdge(hdc, &r, EDGE_RAISED, flags))
        return FALSE;
    if (state & DFCS_INACTIVE) {
        // An embossed arrow: highlight one pixel down-right, grey on top.
        drawArrow(hdc, r, kind, GetSysColor(COLOR_3DHIGHLIGHT), 1);
        drawArrow(hdc, r, kind, GetSysColor(COLOR_GRAYTEXT), 0);
    } else {
        drawArrow(hdc, r, kind, GetSysColor(COLOR_BTNTEXT), pushed ? 1 : 0);
    }
    if (state & DFCS_ADJUSTRECT)
        *rect = r;
    return TRUE;
}

} // namespace

BOOL DrawFrameControl(HDC hdc, RECT *rect, UINT type, UINT state)
{
    if (!rect || !dc(hdc))
        return FALSE;
    switch (type) {
    case DFC_BUTTON: return drawButton(hdc, rect, state);
    case DFC_SCROLL: return drawScroll(hdc, rect, state);
    default: return FALSE;
    }
}

BOOL DrawFocusRect(HDC hdc, const RECT *rect)
{
    if (!rect)
        return FALSE;
    return onPixels(hdc, [&](QImage &image, const QRegion &clip) {
        const int w = rect->right - rect->left, h = rect->bottom - rect->top;
        if (w <= 0 || h <= 0)
            return;
        const QRegion outer(rect->left, rect->top, w, h);
        const QRegion inner = w > 2 && h > 2 ? QRegion(rect->left + 1, rect->top + 1, w - 2, h - 2) : QRegion();
        const QRegion border = (outer - inner) & clip;
        for (const QRect &r : border)
            for (int y = r.top(); y <= r.bottom(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = r.left(); x <= r.right(); ++x)
                    if (((x + y) & 1) == 0)
                        line[x] = 0xFF000000u | (~line[x] & 0xFFFFFF);
            }
    });
}

BOOL InvertRect(HDC hdc, const RECT *rect)
{
    if (!rect)
        return FALSE;
    return onPixels(hdc, [&](QImage &image, const QRegion &clip) {
        if (rect->right > rect->left && rect->bottom > rect->top)
            invertPixels(image, QRegion(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top) & clip);
    });
}

} // namespace platform::win
