// Device contexts and drawing objects. A DC names a window; each drawing call
// paints into that window's client surface through a QPainter clipped to the
// DC's region, with antialiasing off so that pixels land where Win32 puts them.
#include "platform/win/gdi.h"
#include "platform/win/windowwidget.h"
#include "platform/win/winstate.h"
#include "platform/com/olecolor.h"

#include "platform/win/gdistate.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cstring>

#include <unordered_map>

namespace platform::win {
using namespace detail;

namespace {

struct Gdi {
    std::unordered_map<HGDIOBJ, GdiObject> objects;
    std::unordered_map<HDC, DC> dcs;
    HGDIOBJ nextObject = 0x20000;
    HDC nextDC = 0x30000;
    HGDIOBJ stock[kStockCount] = {};
    HGDIOBJ sysBrushes[com::kSystemColourCount] = {};
};

Gdi &gdi()
{
    static Gdi g;
    return g;
}

HBRUSH sysBrush(int index);

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

GdiObject *object(HGDIOBJ h)
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

HGDIOBJ addObject(const GdiObject &o)
{
    Gdi &g = gdi();
    const HGDIOBJ h = g.nextObject;
    g.nextObject += 2;
    g.objects[h] = o;
    return h;
}

QColor qcolor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

COLORREF colorOf(const GdiObject &o) { return o.sysIndex >= 0 ? GetSysColor(o.sysIndex) : o.color; }

COLORREF fromQRgb(QRgb c) { return RGB(qRed(c), qGreen(c), qBlue(c)); }

QImage *targetImage(DC &d)
{
    switch (d.target) {
    case Target::Window:
        if (auto w = find(d.hwnd))
            return &w->surface;
        return nullptr;
    case Target::WindowFrame:
        if (auto w = find(d.hwnd))
            return w->frame.isNull() ? &w->surface : &w->frame;
        return nullptr;
    case Target::Memory:
        if (GdiObject *b = object(d.bitmap); b && b->kind == Kind::Bitmap)
            return &b->image;
        return nullptr;
    case Target::Display:
        return nullptr;
    }
    return nullptr;
}

QRegion effectiveClip(DC &d)
{
    QRegion r = d.system;
    if (d.target == Target::Memory) {
        QImage *image = targetImage(d);
        r = image ? QRegion(image->rect()) : QRegion();
    }
    if (d.clip)
        r &= *d.clip;
    return r;
}

bool isMonoTarget(DC &d)
{
    if (d.target != Target::Memory)
        return false;
    const GdiObject *b = object(d.bitmap);
    return b && b->bitsPixel == 1;
}

void toMono(QImage &image, const QRect &area)
{
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = line[x];
            // Nearest of black and white.
            line[x] = qGray(c) >= 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
}

void fillWithBrush(QPainter &p, const QRegion &area, const GdiObject &brush, const DC &d)
{
    if (brush.null || area.isEmpty())
        return;
    if (brush.pattern.isNull()) {
        const QColor c = qcolor(colorOf(brush));
        for (const QRect &r : area)
            p.fillRect(r, c);
        return;
    }
    QImage tile = brush.pattern;
    if (brush.monoPattern) {
        const QRgb fg = qcolor(d.textColor).rgb(), bg = qcolor(d.bkColor).rgb();
        for (int y = 0; y < tile.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(tile.scanLine(y));
            for (int x = 0; x < tile.width(); ++x)
                line[x] = (line[x] & 0xFFFFFF) ? bg : fg;
        }
    }
    // Qt tiles a texture brush from the painter's brush origin, which is the
    // device origin here.
    p.setBrushOrigin(0, 0);
    const QBrush b(tile);
    for (const QRect &r : area)
        p.fillRect(r, b);
}

void surfaceChanged(DC &d)
{
    if (d.target == Target::Window || d.target == Target::WindowFrame)
        if (auto w = find(d.hwnd); w && w->widget)
            w->widget->update();
}

HDC createWindowDC(HWND hwnd, const QRegion &clip)
{
    Gdi &g = gdi();
    const HDC h = g.nextDC;
    g.nextDC += 2;
    DC d;
    d.hwnd = hwnd;
    d.system = clip;
    d.brush = GetStockObject(WHITE_BRUSH);
    d.pen = GetStockObject(BLACK_PEN);
    d.font = GetStockObject(SYSTEM_FONT);
    g.dcs[h] = d;
    return h;
}

HDC createFrameDC(HWND hwnd, const QRegion &clip)
{
    const HDC h = createWindowDC(hwnd, clip);
    dc(h)->target = Target::WindowFrame;
    return h;
}

void releaseDC(HDC hdc) { gdi().dcs.erase(hdc); }

} // namespace detail

namespace {

HDC newDC(const DC &d)
{
    Gdi &g = gdi();
    const HDC h = g.nextDC;
    g.nextDC += 2;
    g.dcs[h] = d;
    return h;
}

bool selectedAnywhere(HGDIOBJ h)
{
    for (auto &[k, d] : gdi().dcs)
        if (d.brush == h || d.pen == h || d.font == h || d.bitmap == h)
            return true;
    return false;
}

} // namespace

HDC GetDC(HWND hwnd)
{
    if (!hwnd) {
        // The screen: for measuring text and making compatible DCs and
        // bitmaps; it has no surface to draw on.
        DC d;
        d.target = Target::Display;
        d.brush = GetStockObject(WHITE_BRUSH);
        d.pen = GetStockObject(BLACK_PEN);
        d.font = GetStockObject(SYSTEM_FONT);
        d.fromGetDC = true;
        return newDC(d);
    }
    auto w = find(hwnd);
    if (!w)
        return 0;
    const HDC h = createWindowDC(hwnd, QRegion(0, 0, w->surface.width(), w->surface.height()));
    dc(h)->fromGetDC = true;
    return h;
}

int ReleaseDC(HWND hwnd, HDC hdc)
{
    DC *d = dc(hdc);
    if (!d || !d->fromGetDC || d->hwnd != hwnd)
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
    const QRegion clip = effectiveClip(*d);
    if (clip.isEmpty()) {
        *rect = RECT{};
        return NULLREGION;
    }
    const QRect b = clip.boundingRect();
    *rect = RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return clip.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
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
    if (which < 0 || which >= kStockCount || (which > NULL_PEN && which < OEM_FIXED_FONT) || which == 15)
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
        default: o.kind = Kind::Font; o.logFont = stockFont(which); break;
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
    HGDIOBJ old = 0;
    switch (o->kind) {
    case Kind::Brush: old = d->brush; d->brush = h; break;
    case Kind::Pen: old = d->pen; d->pen = h; break;
    case Kind::Font: old = d->font; d->font = h; break;
    case Kind::Region:
        // Selecting a region sets the clip region; the result is its type.
        return static_cast<HGDIOBJ>(SelectClipRgn(hdc, h));
    case Kind::Bitmap:
        // Only memory DCs take bitmaps, and a bitmap lives in one DC at a time.
        if (d->target != Target::Memory)
            return 0;
        if (d->bitmap == h)
            return h;
        for (auto &[k, other] : gdi().dcs)
            if (other.bitmap == h)
                return 0;
        old = d->bitmap;
        d->bitmap = h;
        break;
    }
    return old;
}

BOOL DeleteObject(HGDIOBJ h)
{
    const GdiObject *o = object(h);
    if (!o || o->stock || selectedAnywhere(h))
        return FALSE;
    gdi().objects.erase(h);
    return TRUE;
}

int FillRect(HDC hdc, const RECT *rect, HBRUSH brush)
{
    const GdiObject *b = object(brush);
    if (!rect || !b || b->kind != Kind::Brush)
        return 0;
    return paint(hdc, [&](QPainter &p, DC &d) {
        if (rect->right > rect->left && rect->bottom > rect->top)
            fillWithBrush(p, QRegion(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top), *b, d);
    }) ? 1 : 0;
}

int FrameRect(HDC hdc, const RECT *rect, HBRUSH brush)
{
    const GdiObject *b = object(brush);
    if (!rect || !b || b->kind != Kind::Brush)
        return 0;
    return paint(hdc, [&](QPainter &p, DC &d) {
        const int w = rect->right - rect->left, h = rect->bottom - rect->top;
        if (w <= 0 || h <= 0)
            return;
        const QRegion outer(rect->left, rect->top, w, h);
        const QRegion inner = w > 2 && h > 2 ? QRegion(rect->left + 1, rect->top + 1, w - 2, h - 2) : QRegion();
        fillWithBrush(p, outer - inner, *b, d);
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
                fillWithBrush(p, QRegion(left + inset, top + inset, r - left - inset, b - top - inset), *brush, d);
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
    if (!d || !effectiveClip(*d).contains(QPoint(x, y)))
        return CLR_INVALID;
    QImage *image = targetImage(*d);
    if (!image || !image->rect().contains(x, y))
        return CLR_INVALID;
    return fromQRgb(image->pixel(x, y));
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
        for (int i = 0; i < 2; ++i) {
            const Ring &ring = rings[i];
            int light, dark;
            if (edge & ring.raised) {
                light = ring.raisedLight;
                dark = ring.raisedDark;
                // Soft edges swap the top-left colours of the two rings.
                if (flags & BF_SOFT)
                    light = i == 0 ? COLOR_3DHIGHLIGHT : COLOR_3DLIGHT;
            } else if (edge & ring.sunken) {
                light = ring.sunkenLight;
                dark = ring.sunkenDark;
                if (flags & BF_SOFT)
                    light = i == 0 ? COLOR_3DDKSHADOW : COLOR_3DSHADOW;
            } else {
                continue;
            }
            // Flat and monochrome edges: one colour all round per ring.
            if (flags & BF_MONO)
                light = dark = i == 0 ? COLOR_WINDOWFRAME : COLOR_WINDOW;
            else if (flags & BF_FLAT)
                light = dark = i == 0 ? COLOR_3DSHADOW : COLOR_3DFACE;
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
            p.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top),
                       qcolor(GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE)));
    });
    if (ok && (flags & BF_ADJUST))
        *rect = r;
    return ok ? TRUE : FALSE;
}

// ---- colours and modes ----

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    DC *d = dc(hdc);
    if (!d)
        return CLR_INVALID;
    return std::exchange(d->textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC hdc)
{
    DC *d = dc(hdc);
    return d ? d->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    DC *d = dc(hdc);
    if (!d)
        return CLR_INVALID;
    return std::exchange(d->bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC hdc)
{
    DC *d = dc(hdc);
    return d ? d->bkColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode)
{
    DC *d = dc(hdc);
    if (!d || (mode != OPAQUE && mode != TRANSPARENT))
        return 0;
    return std::exchange(d->bkMode, mode);
}

int GetBkMode(HDC hdc)
{
    DC *d = dc(hdc);
    return d ? d->bkMode : 0;
}

// ---- bitmaps and memory DCs ----

namespace {

HBITMAP newBitmap(int width, int height, int bitsPixel)
{
    GdiObject o;
    o.kind = Kind::Bitmap;
    o.bitsPixel = bitsPixel;
    o.image = QImage(width, height, QImage::Format_RGB32);
    if (o.image.isNull())
        return 0;
    o.image.fill(Qt::black);
    return addObject(o);
}

constexpr int kMaxBitmapSide = 16384;

} // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void *bits)
{
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide || planes != 1
        || (bitsPerPixel != 1 && bitsPerPixel != 32))
        return 0;
    const HBITMAP h = newBitmap(width, height, static_cast<int>(bitsPerPixel));
    if (!h || !bits)
        return h;
    QImage &image = object(h)->image;
    const auto *in = static_cast<const unsigned char *>(bits);
    if (bitsPerPixel == 1) {
        const int stride = ((width + 15) / 16) * 2;
        for (int y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            const unsigned char *row = in + static_cast<size_t>(y) * stride;
            for (int x = 0; x < width; ++x)
                line[x] = (row[x / 8] & (0x80 >> (x % 8))) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    } else {
        for (int y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            const unsigned char *row = in + static_cast<size_t>(y) * width * 4;
            for (int x = 0; x < width; ++x)
                line[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
        }
    }
    return h;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    DC *d = dc(hdc);
    if (!d || width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return 0;
    // A zero size gives the 1x1 monochrome bitmap, as Win32.
    if (width == 0 || height == 0)
        return newBitmap(1, 1, 1);
    return newBitmap(width, height, isMonoTarget(*d) ? 1 : 32);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap)
{
    const GdiObject *b = object(bitmap);
    if (!b || b->kind != Kind::Bitmap)
        return 0;
    GdiObject o;
    o.kind = Kind::Brush;
    o.pattern = b->image.copy();
    o.monoPattern = b->bitsPixel == 1;
    return addObject(o);
}

int GetObjectA(HGDIOBJ h, int size, void *out)
{
    const GdiObject *o = object(h);
    if (!o)
        return 0;
    if (o->kind == Kind::Bitmap) {
        if (!out)
            return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP)))
            return 0;
        BITMAP bm;
        bm.bmWidth = o->image.width();
        bm.bmHeight = o->image.height();
        bm.bmBitsPixel = static_cast<WORD>(o->bitsPixel);
        bm.bmWidthBytes = o->bitsPixel == 1 ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
        std::memcpy(out, &bm, sizeof bm);
        return sizeof(BITMAP);
    }
    if (o->kind == Kind::Font) {
        if (!out)
            return sizeof(LOGFONTA);
        const int n = std::min<int>(size, sizeof(LOGFONTA));
        if (n <= 0)
            return 0;
        std::memcpy(out, &o->logFont, static_cast<size_t>(n));
        return n;
    }
    return 0;
}

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc && !dc(hdc))
        return 0;
    DC d;
    d.target = Target::Memory;
    d.defaultBitmap = newBitmap(1, 1, 1);
    d.bitmap = d.defaultBitmap;
    d.brush = GetStockObject(WHITE_BRUSH);
    d.pen = GetStockObject(BLACK_PEN);
    d.font = GetStockObject(SYSTEM_FONT);
    return newDC(d);
}

HDC CreateDCA(const char *driver, const char *, const char *, const void *)
{
    if (!driver || std::strcmp(driver, "DISPLAY") != 0)
        return 0;
    DC d;
    d.target = Target::Display;
    d.brush = GetStockObject(WHITE_BRUSH);
    d.pen = GetStockObject(BLACK_PEN);
    d.font = GetStockObject(SYSTEM_FONT);
    return newDC(d);
}

BOOL DeleteDC(HDC hdc)
{
    DC *d = dc(hdc);
    if (!d || d->fromGetDC)
        return FALSE;
    const HBITMAP own = d->defaultBitmap;
    releaseDC(hdc);
    // The first bitmap belongs to the DC; bitmaps the program selected stay
    // its own (and are no longer selected anywhere).
    if (own)
        gdi().objects.erase(own);
    return TRUE;
}

namespace {

// The pixel a DC's brush gives at device point (x, y).
QRgb brushPixel(const GdiObject *brush, const DC &d, int x, int y)
{
    if (!brush || brush->null)
        return qRgb(255, 255, 255);
    if (brush->pattern.isNull())
        return qcolor(colorOf(*brush)).rgb();
    const QImage &t = brush->pattern;
    const int px = ((x % t.width()) + t.width()) % t.width(), py = ((y % t.height()) + t.height()) % t.height();
    const QRgb c = t.pixel(px, py);
    if (!brush->monoPattern)
        return c;
    return (c & 0xFFFFFF) ? qcolor(d.bkColor).rgb() : qcolor(d.textColor).rgb();
}

// Applies a ternary raster operation, bit by bit, to pattern, source and
// destination.
QRgb rop3(DWORD rop, QRgb pat, QRgb src, QRgb dst)
{
    const unsigned code = (rop >> 16) & 0xFF;
    const unsigned P = pat & 0xFFFFFF, S = src & 0xFFFFFF, D = dst & 0xFFFFFF;
    unsigned r = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(code & (1u << i)))
            continue;
        r |= ((i & 4) ? P : ~P) & ((i & 2) ? S : ~S) & ((i & 1) ? D : ~D);
    }
    return 0xFF000000u | (r & 0xFFFFFF);
}

bool usesSource(DWORD rop)
{
    const unsigned code = (rop >> 16) & 0xFF;
    return ((code >> 2) & 0x33) != (code & 0x33);
}

bool usesPattern(DWORD rop)
{
    const unsigned code = (rop >> 16) & 0xFF;
    return ((code >> 4) & 0x0F) != (code & 0x0F);
}

bool blit(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop)
{
    DC *dd = dc(dest);
    if (!dd || width < 0 || height < 0)
        return false;
    QImage *out = targetImage(*dd);
    if (!out || out->isNull())
        return false;
    const bool needSource = usesSource(rop);
    DC *sd = needSource ? dc(src) : nullptr;
    QImage *in = sd ? targetImage(*sd) : nullptr;
    if (needSource && (!in || in->isNull()))
        return false;
    // A copy when source and destination are the same image.
    const QImage source = (in && in == out) ? in->copy() : QImage();
    const QImage *from = in == out ? &source : in;
    const bool srcMono = sd && isMonoTarget(*sd);
    const bool dstMono = isMonoTarget(*dd);
    const GdiObject *brush = usesPattern(rop) ? object(dd->brush) : nullptr;
    const QRgb fg = qcolor(dd->textColor).rgb(), bg = qcolor(dd->bkColor).rgb();
    const QRgb srcBk = sd ? qcolor(sd->bkColor).rgb() : 0;
    const QRegion area = effectiveClip(*dd) & QRegion(x, y, width, height) & QRegion(out->rect());
    // Plain copies and pattern fills go through QPainter; the rest pixel by pixel.
    if (rop == SRCCOPY && srcMono == dstMono) {
        const QRegion inside = area & QRegion(from->rect().translated(x - sx, y - sy));
        QPainter p(out);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setClipRegion(inside);
        p.drawImage(QPoint(x - sx, y - sy), *from);
        p.end();
        surfaceChanged(*dd);
        return true;
    }
    if (rop == PATCOPY && brush) {
        {
            QPainter p(out);
            fillWithBrush(p, area, *brush, *dd);
        }
        if (dstMono)
            toMono(*out, area.boundingRect());
        surfaceChanged(*dd);
        return true;
    }
    for (const QRect &r : area) {
        for (int py = r.top(); py <= r.bottom(); ++py) {
            auto *line = reinterpret_cast<QRgb *>(out->scanLine(py));
            for (int px = r.left(); px <= r.right(); ++px) {
                QRgb s = 0;
                if (needSource) {
                    const int qx = sx + (px - x), qy = sy + (py - y);
                    if (!from->rect().contains(qx, qy))
                        continue;
                    s = from->pixel(qx, qy);
                    if (srcMono && !dstMono)
                        s = (s & 0xFFFFFF) ? bg : fg;
                    else if (!srcMono && dstMono)
                        s = (s & 0xFFFFFF) == (srcBk & 0xFFFFFF) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                }
                const QRgb pat = brush ? brushPixel(brush, *dd, px, py) : 0;
                line[px] = rop3(rop, pat, s, line[px]);
            }
        }
    }
    if (dstMono)
        toMono(*out, area.boundingRect());
    surfaceChanged(*dd);
    return true;
}

} // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop)
{
    return blit(dest, x, y, width, height, src, sx, sy, rop) ? TRUE : FALSE;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
    if (usesSource(rop))
        return FALSE;
    // A negative extent runs from the other side, as Win32.
    if (width < 0) {
        x += width;
        width = -width;
    }
    if (height < 0) {
        y += height;
        height = -height;
    }
    return blit(hdc, x, y, width, height, 0, 0, 0, rop) ? TRUE : FALSE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    if (!dc(hdc))
        return 0;
    switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case PLANES: return 1;
    case BITSPIXEL: return 32;
    case NUMCOLORS: return -1;
    case HORZRES:
    case VERTRES: {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
        return index == HORZRES ? size.width() : size.height();
    }
    default: return 0;
    }
}

} // namespace platform::win
