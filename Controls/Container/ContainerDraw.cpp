#include "Controls/Container/ContainerDraw.h"

#include "platform/com/olecolor.h"

#include <algorithm>
#include <cstdlib>

namespace lumafold {

using namespace platform::win;

namespace {

// The TECHNOLOGY of a metafile DC.
constexpr int kMetafileTechnology = 5;

RECT shrunk(RECT r, int by)
{
    r.left += by;
    r.top += by;
    r.right -= by;
    r.bottom -= by;
    return r;
}

void fillRect(HDC hdc, const RECT &rect, COLORREF colour)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

// The corner squares {left, bottom - w, left + w, bottom} and
// {right - w, top, right, top + w}, and the extra fills of a rectangle
// shorter or narrower than two shadow widths.
void fillShadowCorners(HDC hdc, const RECT &r, int w, COLORREF colour)
{
    fillRect(hdc, {r.left, r.bottom - w, r.left + w, r.bottom}, colour);
    fillRect(hdc, {r.right - w, r.top, r.right, r.top + w}, colour);
    if (r.bottom - r.top < 2 * w)
        fillRect(hdc, {r.left + w, r.bottom - w, r.right, r.top + w}, colour);
    if (r.right - r.left < 2 * w)
        fillRect(hdc, {r.right - w, r.top + w, r.left + w, r.bottom}, colour);
}

// The bottom and right shadow bands of a rectangle whose shadow is w wide.
void fillShadowBands(HDC hdc, const RECT &r, int w, COLORREF shadow, COLORREF background)
{
    DrawCheckerFill(hdc, {r.left + w, std::max(r.top + w, r.bottom - w), r.right, r.bottom}, shadow, background);
    DrawCheckerFill(hdc, {std::max(r.left + w, r.right - w), r.top + w, r.right, r.bottom}, shadow, background);
}

} // namespace

EffectLook EffectLook::of(IEffect *effect)
{
    EffectLook l;
    if (!effect)
        return l;
    const Effect::Values v = Effect::valuesOf(effect);
    auto clamp = [](int16_t m) { return static_cast<int16_t>(std::min<int>(m, 5000)); };
    l.backColor = v.backColor;
    l.bevelLight = v.bevelLight;
    l.bevelShade = v.bevelShade;
    l.shadowBaseColor = v.shadowBaseColor;
    l.shadowDarkness = v.shadowDarkness;
    l.shadowWidth = v.shadowWidth;
    l.bevelInner = v.bevelInner;
    l.bevelOuter = v.bevelOuter;
    l.bevelSpace = v.bevelSpace;
    l.borderStyle = static_cast<int16_t>(v.borderStyle);
    l.marginTop = clamp(v.marginTop);
    l.marginBottom = clamp(v.marginBottom);
    l.marginLeft = clamp(v.marginLeft);
    l.marginRight = clamp(v.marginRight);
    return l;
}

COLORREF toRgb(OLE_COLOR colour)
{
    COLORREF rgb = 0;
    if (platform::com::FAILED(platform::com::OleTranslateColor(colour, nullptr, &rgb)))
        return 0;
    return rgb;
}

COLORREF ShadeColor(OLE_COLOR colour, int percent)
{
    const COLORREF rgb = toRgb(colour);
    auto channel = [percent](int value) {
        const int v = (100 + percent) * value / 100;
        return v >= 256 ? 255 : (v < 0 ? 0 : v);
    };
    const int r = channel(rgb & 0xFF);
    const int g = channel((rgb >> 8) & 0xFF);
    const int b = channel((rgb >> 16) & 0xFF);
    return RGB(r, g, b);
}

void DrawRectRing(HDC hdc, const RECT &rect, HPEN pen1, HPEN pen2)
{
    const int y2 = rect.bottom - 1;
    MoveToEx(hdc, rect.left, y2, nullptr);
    const HGDIOBJ old = SelectObject(hdc, pen1);
    LineTo(hdc, rect.left, rect.top);
    LineTo(hdc, rect.right - 1, rect.top);
    SelectObject(hdc, pen2);
    LineTo(hdc, rect.right - 1, y2);
    LineTo(hdc, rect.left - 1, y2);
    SelectObject(hdc, old);
}

RECT DrawBevel(HDC hdc, RECT rect, COLORREF fill, const BevelStyle &style)
{
    if (!(style.flags & BevelNoFill))
        fillRect(hdc, rect, fill);
    if (style.flags & BevelBorder) {
        const HBRUSH frame = CreateSolidBrush(style.frame);
        FrameRect(hdc, &rect, frame);
        DeleteObject(frame);
        rect = shrunk(rect, 1);
    }
    int n = std::abs(style.width);
    n = std::min(n, std::min(rect.right - rect.left, rect.bottom - rect.top) / 2);
    if (n <= 0)
        return rect;
    const bool raised = style.width >= 0;
    const HPEN light = CreatePen(PS_SOLID, 1, raised ? style.light : style.shade);
    const HPEN shade = CreatePen(PS_SOLID, 1, raised ? style.shade : style.light);
    for (int i = 0; i < n; ++i) {
        DrawRectRing(hdc, rect, light, shade);
        rect = shrunk(rect, 1);
    }
    DeleteObject(light);
    DeleteObject(shade);
    return rect;
}

void DrawCheckerFill(HDC hdc, const RECT &rect, COLORREF foreground, COLORREF background)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    // Word-aligned rows of the 8 x 8 one-bit pattern.
    static const uint16_t rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    const HBITMAP bits = CreateBitmap(8, 8, 1, 1, rows);
    const HBRUSH brush = CreatePatternBrush(bits);
    const COLORREF oldText =
        SetTextColor(hdc, foreground == COLORREF(-1) ? GetSysColor(COLOR_BTNFACE) : foreground);
    const COLORREF oldBack =
        SetBkColor(hdc, background == COLORREF(-1) ? GetSysColor(COLOR_BTNHIGHLIGHT) : background);
    FillRect(hdc, &rect, brush);
    SetTextColor(hdc, oldText);
    SetBkColor(hdc, oldBack);
    DeleteObject(brush);
    DeleteObject(bits);
}

void ClearShadowCorners(HDC hdc, const ChildFrameRecord &record, COLORREF background)
{
    const int w = record.look.shadowWidth;
    if (w <= 0)
        return;
    fillShadowCorners(hdc, record.outer, w, background);
}

void DrawChildShadow(HDC hdc, const ChildFrameRecord &record, COLORREF background)
{
    const int w = record.look.shadowWidth;
    if (w <= 0)
        return;
    const COLORREF colour = ShadeColor(record.look.shadowBaseColor, -record.look.shadowDarkness);
    fillShadowBands(hdc, record.outer, w, colour, background);
}

void DrawChildFrame(HDC hdc, const ChildFrameRecord &record)
{
    const EffectLook &l = record.look;
    const COLORREF back = toRgb(l.backColor);
    RECT rect = record.outer;
    rect.right -= l.shadowWidth;
    rect.bottom -= l.shadowWidth;
    BevelStyle style;
    style.light = ShadeColor(l.backColor, l.bevelLight);
    style.shade = ShadeColor(l.backColor, l.bevelShade);
    style.frame = RGB(0, 0, 0);
    style.width = l.bevelOuter;
    style.flags = BevelNoFill | (l.borderStyle ? BevelBorder : 0u);
    DrawBevel(hdc, rect, back, style);

    rect = shrunk(rect, l.borderStyle + std::abs(l.bevelOuter));
    if (l.bevelSpace > 0) {
        // The spacing band: four bands of bevelSpace along the inside.
        const int s = l.bevelSpace;
        const POINT pts[16] = {
            {rect.left, rect.top}, {rect.right, rect.top}, {rect.right, rect.top + s}, {rect.left, rect.top + s},
            {rect.left, rect.bottom - s}, {rect.right, rect.bottom - s}, {rect.right, rect.bottom}, {rect.left, rect.bottom},
            {rect.left, rect.top + s}, {rect.left + s, rect.top + s}, {rect.left + s, rect.bottom - s}, {rect.left, rect.bottom - s},
            {rect.right - s, rect.top + s}, {rect.right, rect.top + s}, {rect.right, rect.bottom - s}, {rect.right - s, rect.bottom - s},
        };
        const int counts[4] = {4, 4, 4, 4};
        const HRGN band = CreatePolyPolygonRgn(pts, counts, 4, WINDING);
        const HBRUSH brush = CreateSolidBrush(back);
        FillRgn(hdc, band, brush);
        DeleteObject(brush);
        DeleteObject(band);
    }
    rect = shrunk(rect, l.bevelSpace);
    style.width = l.bevelInner;
    style.flags = BevelNoFill;
    DrawBevel(hdc, rect, back, style);

    // The margins: everything between the inner bevel and the control.
    rect = shrunk(rect, std::abs(l.bevelInner));
    const HRGN margins = CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
    const HRGN control = CreateRectRgn(record.inner.left, record.inner.top, record.inner.right, record.inner.bottom);
    CombineRgn(margins, margins, control, RGN_XOR);
    const HBRUSH brush = CreateSolidBrush(back);
    FillRgn(hdc, margins, brush);
    DeleteObject(brush);
    DeleteObject(control);
    DeleteObject(margins);
}

void DrawContainerFrame(HDC hdc, const RECT &bounds, const EffectLook &own, COLORREF ambientBack)
{
    const int c = own.shadowWidth;
    if (c > 0) {
        fillShadowCorners(hdc, bounds, c, ambientBack);
        const COLORREF shadow = ShadeColor(own.shadowBaseColor, -own.shadowDarkness);
        DrawCheckerFill(hdc, {bounds.left + c, bounds.bottom - c, bounds.right, bounds.bottom}, shadow, ambientBack);
        DrawCheckerFill(hdc, {bounds.right - c, bounds.top + c, bounds.right, bounds.bottom}, shadow, ambientBack);
    }
    RECT rect = bounds;
    rect.right -= c;
    rect.bottom -= c;
    BevelStyle style;
    style.light = ShadeColor(own.backColor, own.bevelLight);
    style.shade = ShadeColor(own.backColor, own.bevelShade);
    style.frame = RGB(0, 0, 0);
    style.width = own.bevelOuter;
    style.flags = BevelNoFill | (own.borderStyle ? BevelBorder : 0u);
    DrawBevel(hdc, rect, 0, style);
}

void ContainerOnDraw(HDC target, const RECT &givenBounds, const PaintState &state)
{
    RECT bounds = givenBounds;
    const bool metafile = GetDeviceCaps(target, TECHNOLOGY) == kMetafileTechnology;
    HDC display = 0;
    HDC surface = 0;
    HBITMAP bitmap = 0;
    if (metafile) {
        // Drawn at the origin of its own bitmap, copied back at the control's place.
        bounds.left -= state.position.x;
        bounds.right -= state.position.x;
        bounds.top -= state.position.y;
        bounds.bottom -= state.position.y;
        display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        surface = CreateCompatibleDC(display);
        bitmap = CreateBitmap(bounds.right - bounds.left, bounds.bottom - bounds.top,
                              UINT(GetDeviceCaps(display, PLANES)), UINT(GetDeviceCaps(display, BITSPIXEL)), nullptr);
    } else {
        surface = CreateCompatibleDC(target);
        bitmap = CreateCompatibleBitmap(target, bounds.right, bounds.bottom);
    }
    HDC hdc = target;
    HGDIOBJ oldBitmap = 0;
    if (surface && bitmap) {
        hdc = surface;
        oldBitmap = SelectObject(surface, bitmap);
    } else if (metafile) {
        bounds = givenBounds;
    }

    const EffectLook &own = state.own;
    const COLORREF background = toRgb(state.hasOwnEffect ? own.backColor : kFaceColour);
    const int sw = own.shadowWidth;

    RECT face = bounds;
    face.right -= sw;
    face.bottom -= sw;
    fillRect(hdc, face, background);

    const bool frames = state.records && !state.records->empty() && (state.applyEffect == 1 || state.applyEffect == 2);
    if (frames)
        for (const ChildFrameRecord &r : *state.records)
            if (r.framed)
                ClearShadowCorners(hdc, r, background);

    BevelStyle inner;
    inner.light = ShadeColor(own.backColor, own.bevelLight);
    inner.shade = ShadeColor(own.backColor, own.bevelShade);
    inner.width = own.bevelInner;
    DrawBevel(hdc, shrunk(face, own.bevelSpace + own.borderStyle + std::abs(own.bevelOuter)), background, inner);

    if (frames) {
        for (const ChildFrameRecord &r : *state.records)
            if (r.framed)
                DrawChildShadow(hdc, r, background);
        for (const ChildFrameRecord &r : *state.records)
            if (r.framed)
                DrawChildFrame(hdc, r);
    }
    DrawContainerFrame(hdc, bounds, own, state.ambientBack);

    if (hdc == surface) {
        const int w = bounds.right - bounds.left;
        const int h = bounds.bottom - bounds.top;
        if (metafile)
            BitBlt(target, bounds.left + state.position.x, bounds.top + state.position.y, w, h, surface, 0, 0, SRCCOPY);
        else
            BitBlt(target, bounds.left, bounds.top, w, h, surface, bounds.left, bounds.top, SRCCOPY);
        SelectObject(surface, oldBitmap);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (surface)
        DeleteDC(surface);
    if (display)
        DeleteDC(display);
}

} // namespace lumafold
