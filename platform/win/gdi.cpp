// Device contexts and drawing objects. A DC names a window; each drawing call
// paints into that window's client surface through a QPainter clipped to the
// DC's region, with antialiasing off so that pixels land where Win32 puts them.
#include "platform/win/gdi.h"
#include "platform/win/windowwidget.h"
#include "platform/win/winstate.h"
#include "platform/com/olecolor.h"

#include <QPainter>
#include <QWidget>

#include <unordered_map>

namespace platform::win {
using namespace detail;

namespace {

enum class Kind { Brush, Pen };

struct GdiObject {
    Kind kind = Kind::Brush;
    bool null = false; // NULL_BRUSH, PS_NULL
    bool stock = false;
    int width = 1;
    COLORREF color = 0;
    int sysIndex = -1; // a system colour brush follows the table
};

struct DC {
    HWND hwnd = 0;
    QRegion clip;
    HBRUSH brush = 0;
    HPEN pen = 0;
    POINT position;
};

struct Gdi {
    std::unordered_map<HGDIOBJ, GdiObject> objects;
    std::unordered_map<HDC, DC> dcs;
    HGDIOBJ nextObject = 0x20000;
    HDC nextDC = 0x30000;
    HGDIOBJ stock[9] = {};
    HGDIOBJ sysBrushes[com::kSystemColourCount] = {};
};

Gdi &gdi()
{
    static Gdi g;
    return g;
}

HGDIOBJ addObject(const GdiObject &o)
{
    Gdi &g = gdi();
    const HGDIOBJ h = g.nextObject;
    g.nextObject += 2;
    g.objects[h] = o;
    return h;
}

HBRUSH sysBrush(int index);
const GdiObject *object(HGDIOBJ h)
{
    // Brush values 1..25 are the system colour brushes (class backgrounds).
    if (h >= 1 && h <= static_cast<HGDIOBJ>(com::kSystemColourCount))
        return object(sysBrush(static_cast<int>(h) - 1));
    auto it = gdi().objects.find(h);
    return it == gdi().objects.end() ? nullptr : &it->second;
}

DC *dc(HDC h)
{
    auto it = gdi().dcs.find(h);
    return it == gdi().dcs.end() ? nullptr : &it->second;
}

QColor qcolor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

COLORREF colorOf(const GdiObject &o) { return o.sysIndex >= 0 ? GetSysColor(o.sysIndex) : o.color; }

// Runs a drawing step on the DC's surface; false when the DC or its window is gone.
template <typename F>
bool paint(HDC hdc, F &&step)
{
    DC *d = dc(hdc);
    if (!d)
        return false;
    auto w = find(d->hwnd);
    if (!w || w->surface.isNull())
        return false;
    QPainter p(&w->surface);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipRegion(d->clip);
    step(p, *d);
    return true;
}

void plot(QPainter &p, int x, int y, const QColor &c) { p.fillRect(QRect(x, y, 1, 1), c); }

// Bresenham from (x0, y0) toward (x1, y1), leaving out the end point.
void line(QPainter &p, int x0, int y0, int x1, int y1, const GdiObject &pen)
{
    if (pen.null)
        return;
    const QColor c = qcolor(pen.color);
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    const int w = std::max(1, pen.width);
    while (x0 != x1 || y0 != y1) {
        if (w == 1)
            plot(p, x0, y0, c);
        else
            p.fillRect(QRect(x0 - w / 2, y0 - w / 2, w, w), c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

HBRUSH sysBrush(int index)
{
    if (index < 0 || index >= com::kSystemColourCount)
        return 0;
    Gdi &g = gdi();
    if (!g.sysBrushes[index]) {
        GdiObject o;
        o.stock = true;
        o.sysIndex = index;
        g.sysBrushes[index] = addObject(o);
    }
    return g.sysBrushes[index];
}

// One side of an edge as a line of the given colour; the end point is left out.
void edgeLine(QPainter &p, int x0, int y0, int x1, int y1, COLORREF color)
{
    GdiObject pen;
    pen.kind = Kind::Pen;
    pen.color = color;
    line(p, x0, y0, x1, y1, pen);
}

} // namespace

namespace detail {

HDC createWindowDC(HWND hwnd, const QRegion &clip)
{
    Gdi &g = gdi();
    const HDC h = g.nextDC;
    g.nextDC += 2;
    DC d;
    d.hwnd = hwnd;
    d.clip = clip;
    d.brush = GetStockObject(WHITE_BRUSH);
    d.pen = GetStockObject(BLACK_PEN);
    g.dcs[h] = d;
    return h;
}

void releaseDC(HDC hdc) { gdi().dcs.erase(hdc); }

} // namespace detail

HDC GetDC(HWND hwnd)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    return createWindowDC(hwnd, QRegion(0, 0, w->rect.width(), w->rect.height()));
}

int ReleaseDC(HWND hwnd, HDC hdc)
{
    DC *d = dc(hdc);
    if (!d || d->hwnd != hwnd)
        return 0;
    releaseDC(hdc);
    if (auto w = find(hwnd); w && w->widget)
        w->widget->update();
    return 1;
}

int GetClipBox(HDC hdc, RECT *rect)
{
    DC *d = dc(hdc);
    if (!d || !rect)
        return 0;
    if (d->clip.isEmpty()) {
        *rect = RECT{};
        return NULLREGION;
    }
    const QRect b = d->clip.boundingRect();
    *rect = RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return d->clip.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    GdiObject o;
    o.kind = Kind::Brush;
    o.color = color & 0xFFFFFF;
    return addObject(o);
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    GdiObject o;
    o.kind = Kind::Pen;
    o.null = style == PS_NULL;
    o.width = std::max(1, width);
    o.color = color & 0xFFFFFF;
    return addObject(o);
}

HGDIOBJ GetStockObject(int which)
{
    if (which < 0 || which > NULL_PEN)
        return 0;
    Gdi &g = gdi();
    if (!g.stock[which]) {
        GdiObject o;
        o.stock = true;
        switch (which) {
        case WHITE_BRUSH: o.color = RGB(255, 255, 255); break;
        case LTGRAY_BRUSH: o.color = RGB(192, 192, 192); break;
        case GRAY_BRUSH: o.color = RGB(128, 128, 128); break;
        case DKGRAY_BRUSH: o.color = RGB(64, 64, 64); break;
        case BLACK_BRUSH: o.color = RGB(0, 0, 0); break;
        case NULL_BRUSH: o.null = true; break;
        case WHITE_PEN: o.kind = Kind::Pen; o.color = RGB(255, 255, 255); break;
        case BLACK_PEN: o.kind = Kind::Pen; o.color = RGB(0, 0, 0); break;
        case NULL_PEN: o.kind = Kind::Pen; o.null = true; break;
        }
        g.stock[which] = addObject(o);
    }
    return g.stock[which];
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    DC *d = dc(hdc);
    const GdiObject *o = object(h);
    if (!d || !o)
        return 0;
    HGDIOBJ old;
    if (o->kind == Kind::Brush) {
        old = d->brush;
        d->brush = h;
    } else {
        old = d->pen;
        d->pen = h;
    }
    return old;
}

BOOL DeleteObject(HGDIOBJ h)
{
    const GdiObject *o = object(h);
    if (!o || o->stock)
        return FALSE;
    for (auto &[k, d] : gdi().dcs)
        if (d.brush == h || d.pen == h)
            return FALSE;
    gdi().objects.erase(h);
    return TRUE;
}

int FillRect(HDC hdc, const RECT *rect, HBRUSH brush)
{
    const GdiObject *b = object(brush);
    if (!rect || !b || b->kind != Kind::Brush)
        return 0;
    return paint(hdc, [&](QPainter &p, DC &) {
        if (!b->null && rect->right > rect->left && rect->bottom > rect->top)
            p.fillRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top), qcolor(colorOf(*b)));
    }) ? 1 : 0;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    return paint(hdc, [&](QPainter &p, DC &d) {
        if (right < left)
            std::swap(left, right);
        if (bottom < top)
            std::swap(top, bottom);
        const GdiObject *pen = object(d.pen);
        const GdiObject *brush = object(d.brush);
        // With a pen the figure covers left..right-1; with the null pen the
        // interior alone is one pixel smaller on the right and bottom.
        const bool framed = pen && !pen->null;
        const int inset = framed ? 1 : 0;
        if (brush && !brush->null) {
            const int r = right - 1, b = bottom - 1;
            if (r > left + inset && b > top + inset)
                p.fillRect(QRect(left + inset, top + inset, r - left - inset, b - top - inset), qcolor(colorOf(*brush)));
        }
        if (framed && right - left >= 1 && bottom - top >= 1) {
            line(p, left, top, right - 1, top, *pen);
            line(p, right - 1, top, right - 1, bottom - 1, *pen);
            line(p, right - 1, bottom - 1, left, bottom - 1, *pen);
            line(p, left, bottom - 1, left, top, *pen);
        }
    }) ? TRUE : FALSE;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT *previous)
{
    DC *d = dc(hdc);
    if (!d)
        return FALSE;
    if (previous)
        *previous = d->position;
    d->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    const bool ok = paint(hdc, [&](QPainter &p, DC &d) {
        if (const GdiObject *pen = object(d.pen))
            line(p, d.position.x, d.position.y, x, y, *pen);
    });
    if (DC *d = dc(hdc); ok && d)
        d->position = POINT{x, y};
    return ok ? TRUE : FALSE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    return paint(hdc, [&](QPainter &p, DC &) { plot(p, x, y, qcolor(color)); }) ? (color & 0xFFFFFF) : CLR_INVALID;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    DC *d = dc(hdc);
    if (!d || !d->clip.contains(QPoint(x, y)))
        return CLR_INVALID;
    auto w = find(d->hwnd);
    if (!w || !w->surface.rect().contains(x, y))
        return CLR_INVALID;
    const QRgb c = w->surface.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

COLORREF GetSysColor(int index) { return com::GetSysColor(index); }

HBRUSH GetSysColorBrush(int index) { return sysBrush(index); }

BOOL DrawEdge(HDC hdc, RECT *rect, UINT edge, UINT flags)
{
    if (!rect)
        return FALSE;
    RECT r = *rect;
    const bool ok = paint(hdc, [&](QPainter &p, DC &) {
        // Light (top-left) and dark (bottom-right) colours of the outer and
        // inner edges.
        struct Ring {
            UINT raised, sunken;
            int raisedLight, raisedDark, sunkenLight, sunkenDark;
        };
        const Ring rings[2] = {
            {BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT},
            {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_3DHIGHLIGHT, COLOR_3DSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
        };
        for (const Ring &ring : rings) {
            int light, dark;
            if (edge & ring.raised) {
                light = ring.raisedLight;
                dark = ring.raisedDark;
            } else if (edge & ring.sunken) {
                light = ring.sunkenLight;
                dark = ring.sunkenDark;
            } else {
                continue;
            }
            if (r.right - r.left <= 0 || r.bottom - r.top <= 0)
                break;
            const COLORREF lc = GetSysColor(light), dc = GetSysColor(dark);
            if (flags & BF_TOP)
                edgeLine(p, r.left, r.top, r.right - 1, r.top, lc);
            if (flags & BF_LEFT)
                edgeLine(p, r.left, r.top, r.left, r.bottom - 1, lc);
            if (flags & BF_BOTTOM)
                edgeLine(p, r.left, r.bottom - 1, r.right, r.bottom - 1, dc);
            if (flags & BF_RIGHT)
                edgeLine(p, r.right - 1, r.top, r.right - 1, r.bottom, dc);
            if (flags & BF_LEFT)
                ++r.left;
            if (flags & BF_TOP)
                ++r.top;
            if (flags & BF_RIGHT)
                --r.right;
            if (flags & BF_BOTTOM)
                --r.bottom;
        }
        if ((flags & BF_MIDDLE) && r.right > r.left && r.bottom > r.top)
            p.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), qcolor(GetSysColor(COLOR_BTNFACE)));
    });
    if (ok && (flags & BF_ADJUST))
        *rect = r;
    return ok ? TRUE : FALSE;
}

} // namespace platform::win
