// Regions: HRGN objects over QRegion, polygon regions rasterised by pixel
// centres, region fills and clipping, and the window update region.
#include "platform/win/gdistate.h"
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"
#include "platform/win/winstate.h"

#include <algorithm>
#include <vector>

namespace platform::win {
using namespace detail;

namespace {

GdiObject *region(HRGN h)
{
    GdiObject *o = object(h);
    return o && o->kind == Kind::Region ? o : nullptr;
}

int typeOf(const QRegion &r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

HRGN newRegion(const QRegion &r)
{
    GdiObject o;
    o.kind = Kind::Region;
    o.region = r;
    return addObject(o);
}

QRegion rectRegion(int left, int top, int right, int bottom)
{
    // Win32 orders the corners; an empty rectangle is an empty region.
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    return QRegion(left, top, right - left, bottom - top);
}

} // namespace

namespace detail {

QRegion polygonRegion(const POINT *points, const int *counts, int polygons, int fillMode)
{
    struct Edge {
        double x0, y0, x1, y1;
        int dir; // +1 downward, -1 upward
    };
    std::vector<Edge> edges;
    long minY = 0, maxY = 0;
    bool any = false;
    const POINT *p = points;
    for (int k = 0; k < polygons; ++k) {
        const int n = counts[k];
        for (int i = 0; i < n; ++i) {
            const POINT a = p[i], b = p[(i + 1) % n];
            if (!any) {
                minY = maxY = a.y;
                any = true;
            }
            minY = std::min<long>(minY, std::min(a.y, b.y));
            maxY = std::max<long>(maxY, std::max(a.y, b.y));
            if (a.y == b.y)
                continue;
            edges.push_back(a.y < b.y ? Edge{double(a.x), double(a.y), double(b.x), double(b.y), 1}
                                      : Edge{double(b.x), double(b.y), double(a.x), double(a.y), -1});
        }
        p += n;
    }
    std::vector<QRect> rects;
    struct Cross {
        double x;
        int dir;
    };
    std::vector<Cross> crossings;
    for (long y = minY; y < maxY; ++y) {
        // Pixel row y is sampled at its centre; vertices lie on whole numbers,
        // so no edge ends exactly on a sample line.
        const double yc = y + 0.5;
        crossings.clear();
        for (const Edge &e : edges)
            if (yc > e.y0 && yc < e.y1)
                crossings.push_back({e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir});
        std::sort(crossings.begin(), crossings.end(), [](const Cross &a, const Cross &b) { return a.x < b.x; });
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].dir;
            const bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
            if (!inside)
                continue;
            // Pixels whose centre x + 0.5 lies in [xa, xb).
            const long from = static_cast<long>(std::ceil(crossings[i].x - 0.5));
            const long to = static_cast<long>(std::ceil(crossings[i + 1].x - 0.5)); // exclusive
            if (to > from)
                rects.emplace_back(static_cast<int>(from), static_cast<int>(y), static_cast<int>(to - from), 1);
        }
    }
    QRegion r;
    r.setRects(rects.data(), static_cast<int>(rects.size()));
    // setRects wants a canonical band list; a union makes it one.
    QRegion out;
    for (const QRect &rc : r)
        out += rc;
    return out;
}

} // namespace detail

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    return newRegion(rectRegion(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT *rect)
{
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : 0;
}

HRGN CreatePolygonRgn(const POINT *points, int count, int fillMode)
{
    return CreatePolyPolygonRgn(points, &count, 1, fillMode);
}

HRGN CreatePolyPolygonRgn(const POINT *points, const int *counts, int polygons, int fillMode)
{
    if (!points || !counts || polygons <= 0 || (fillMode != WINDING && fillMode != ALTERNATE))
        return 0;
    for (int k = 0; k < polygons; ++k)
        if (counts[k] < 2)
            return 0;
    return newRegion(polygonRegion(points, counts, polygons, fillMode));
}

BOOL SetRectRgn(HRGN h, int left, int top, int right, int bottom)
{
    GdiObject *r = region(h);
    if (!r)
        return FALSE;
    r->region = rectRegion(left, top, right, bottom);
    return TRUE;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode)
{
    GdiObject *d = region(dest);
    const GdiObject *a = region(src1);
    const GdiObject *b = mode == RGN_COPY ? a : region(src2);
    if (!d || !a || !b)
        return ERROR;
    QRegion r;
    switch (mode) {
    case RGN_AND: r = a->region & b->region; break;
    case RGN_OR: r = a->region | b->region; break;
    case RGN_XOR: r = a->region ^ b->region; break;
    case RGN_DIFF: r = a->region - b->region; break;
    case RGN_COPY: r = a->region; break;
    default: return ERROR;
    }
    d->region = r;
    return typeOf(r);
}

BOOL EqualRgn(HRGN a, HRGN b)
{
    const GdiObject *ra = region(a), *rb = region(b);
    return ra && rb && ra->region == rb->region ? TRUE : FALSE;
}

int OffsetRgn(HRGN h, int dx, int dy)
{
    GdiObject *r = region(h);
    if (!r)
        return ERROR;
    r->region.translate(dx, dy);
    return typeOf(r->region);
}

int GetRgnBox(HRGN h, RECT *rect)
{
    const GdiObject *r = region(h);
    if (!r || !rect)
        return ERROR;
    const QRect b = r->region.boundingRect();
    *rect = r->region.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return typeOf(r->region);
}

BOOL PtInRegion(HRGN h, int x, int y)
{
    const GdiObject *r = region(h);
    return r && r->region.contains(QPoint(x, y)) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN h, const RECT *rect)
{
    const GdiObject *r = region(h);
    return r && rect && r->region.intersects(rectRegion(rect->left, rect->top, rect->right, rect->bottom)) ? TRUE : FALSE;
}

BOOL FillRgn(HDC hdc, HRGN h, HBRUSH brush)
{
    const GdiObject *r = region(h);
    const GdiObject *b = object(brush);
    if (!r || !b || b->kind != Kind::Brush)
        return FALSE;
    const QRegion area = r->region;
    return paint(hdc, [&](QPainter &p, DC &d) { fillWithBrush(p, area, *b, d); }) ? TRUE : FALSE;
}

BOOL PaintRgn(HDC hdc, HRGN h)
{
    DC *d = dc(hdc);
    return d ? FillRgn(hdc, h, d->brush) : FALSE;
}

BOOL FrameRgn(HDC hdc, HRGN h, HBRUSH brush, int width, int height)
{
    const GdiObject *r = region(h);
    const GdiObject *b = object(brush);
    if (!r || !b || b->kind != Kind::Brush || width <= 0 || height <= 0)
        return FALSE;
    // The frame is the region less the region eroded by width and height:
    // a pixel stays inside when the whole (2w-1) x (2h-1) box around it does.
    QRegion inner = r->region;
    for (int dx = -(width - 1); dx <= width - 1; ++dx)
        for (int dy = -(height - 1); dy <= height - 1; ++dy)
            inner &= r->region.translated(dx, dy);
    const QRegion frame = r->region - inner;
    return paint(hdc, [&](QPainter &p, DC &d) { fillWithBrush(p, frame, *b, d); }) ? TRUE : FALSE;
}

BOOL InvertRgn(HDC hdc, HRGN h)
{
    const GdiObject *r = region(h);
    DC *d = dc(hdc);
    if (!r || !d)
        return FALSE;
    QImage *image = targetImage(*d);
    if (!image || image->isNull())
        return FALSE;
    const QRegion area = r->region & effectiveClip(*d) & QRegion(image->rect());
    for (const QRect &rc : area)
        for (int y = rc.top(); y <= rc.bottom(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image->scanLine(y));
            for (int x = rc.left(); x <= rc.right(); ++x)
                line[x] = 0xFF000000u | (~line[x] & 0xFFFFFF);
        }
    surfaceChanged(*d);
    return TRUE;
}

int SelectClipRgn(HDC hdc, HRGN h)
{
    DC *d = dc(hdc);
    if (!d)
        return ERROR;
    if (!h) {
        d->clip.reset();
    } else {
        const GdiObject *r = region(h);
        if (!r)
            return ERROR;
        d->clip = r->region;
    }
    return typeOf(effectiveClip(*d));
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    DC *d = dc(hdc);
    if (!d)
        return ERROR;
    const QRegion box = rectRegion(left, top, right, bottom);
    d->clip = d->clip ? (*d->clip & box) : box;
    return typeOf(effectiveClip(*d));
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    DC *d = dc(hdc);
    if (!d)
        return ERROR;
    const QRegion box = rectRegion(left, top, right, bottom);
    QImage *image = targetImage(*d);
    const QRegion all = d->clip ? *d->clip : (image ? QRegion(image->rect()) : d->system);
    d->clip = all - box;
    return typeOf(effectiveClip(*d));
}

BOOL InvalidateRgn(HWND hwnd, HRGN h, BOOL erase)
{
    if (!h)
        return InvalidateRect(hwnd, nullptr, erase);
    const GdiObject *r = region(h);
    auto w = find(hwnd);
    if (!r || !w)
        return FALSE;
    const QRegion area = r->region & QRegion(w->surface.rect());
    if (area.isEmpty())
        return TRUE;
    w->update += area;
    if (erase)
        w->erasePending = true;
    if (w->widget)
        w->widget->update();
    return TRUE;
}

BOOL ValidateRgn(HWND hwnd, HRGN h)
{
    if (!h)
        return ValidateRect(hwnd, nullptr);
    const GdiObject *r = region(h);
    auto w = find(hwnd);
    if (!r || !w)
        return FALSE;
    w->update -= r->region;
    if (w->update.isEmpty())
        w->erasePending = false;
    return TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN h, BOOL)
{
    GdiObject *r = region(h);
    auto w = find(hwnd);
    if (!r || !w)
        return ERROR;
    r->region = w->update;
    return typeOf(r->region);
}

} // namespace platform::win
