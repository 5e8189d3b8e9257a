#pragma once
// Internal state of the GDI layer shared by its source files: drawing
// objects, device contexts and the painter that runs a drawing step on the
// image a DC names.
#include "platform/win/gdi.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <optional>

namespace platform::win::detail {

enum class Kind { Brush, Pen, Bitmap, Region, Font };

struct GdiObject {
    Kind kind = Kind::Brush;
    bool null = false; // NULL_BRUSH, PS_NULL
    bool stock = false;
    int width = 1;
    COLORREF color = 0;
    int sysIndex = -1; // a system colour brush follows the table
    // Pattern brush: the pattern as it was when the brush was made; a
    // monochrome pattern takes the DC's text colour for 0 bits (black) and
    // its background colour for 1 bits (white).
    QImage pattern;
    bool monoPattern = false;
    // Bitmap: kept as RGB32; a 1-bpp bitmap holds only black and white.
    QImage image;
    int bitsPixel = 32;
    // Region, in the coordinates it was made in.
    QRegion region;
    // Font.
    LOGFONTA logFont;
};

enum class Target { Window, WindowFrame, Memory, Display };

struct DC {
    Target target = Target::Window;
    HWND hwnd = 0;
    HBITMAP bitmap = 0;      // memory DCs
    HBITMAP defaultBitmap = 0; // the 1x1 monochrome bitmap a memory DC starts with
    QRegion system;          // what the system lets the DC draw on (device coordinates)
    std::optional<QRegion> clip; // the application's clip region (SelectClipRgn)
    HBRUSH brush = 0;
    HPEN pen = 0;
    HFONT font = 0;
    POINT position;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    UINT textAlign = 0;
    bool fromGetDC = false; // released by ReleaseDC, not DeleteDC
};

GdiObject *object(HGDIOBJ h);
DC *dc(HDC h);
HGDIOBJ addObject(const GdiObject &o);

// The image a DC draws on (null when it has none) and its effective clip.
QImage *targetImage(DC &d);
QRegion effectiveClip(DC &d);
bool isMonoTarget(DC &d);
// After drawing on a monochrome bitmap, its pixels are forced back to black
// or white.
void toMono(QImage &image, const QRect &area);

QColor qcolor(COLORREF c);
COLORREF colorOf(const GdiObject &o);
COLORREF fromQRgb(QRgb c);

// Runs a drawing step on the DC's image, antialiasing off, clipped to the
// DC's clip; false when the DC or its image is gone.
template <typename F>
bool paint(HDC hdc, F &&step)
{
    DC *d = dc(hdc);
    if (!d)
        return false;
    QImage *image = targetImage(*d);
    if (!image || image->isNull())
        return false;
    {
        QPainter p(image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setClipRegion(effectiveClip(*d));
        step(p, *d);
    }
    if (isMonoTarget(*d))
        toMono(*image, image->rect());
    return true;
}

// Fills the area with a brush; pattern brushes are aligned to the device origin.
void fillWithBrush(QPainter &p, const QRegion &area, const GdiObject &brush, const DC &d);

// A Win32 window's client surface changed: Qt shows it again.
void surfaceChanged(DC &d);

constexpr int kStockCount = 18;
// The LOGFONTA of a stock font.
LOGFONTA stockFont(int which);

// The QFont of a font object (or of the DC's font), for text drawing.
QFont fontOf(HFONT font);

// Polygon regions rasterised by pixel centres, as Win32 fills polygons.
QRegion polygonRegion(const POINT *points, const int *counts, int polygons, int fillMode);

} // namespace platform::win::detail
