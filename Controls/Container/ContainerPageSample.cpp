#include "Controls/Container/ContainerPageSample.h"

#include <algorithm>
#include <cstdlib>

namespace lumafold {

using namespace platform::win;

namespace {

RECT shrunk(RECT r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

void fillRect(HDC hdc, const RECT &rect, COLORREF colour)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

int clampedMargin(int m) { return std::clamp(m, 0, 5000); }

// The sample on a surface whose origin is the box's top-left corner.
void drawSample(HDC hdc, const RECT &box, const SampleEffect *effect, SampleKind kind)
{
    const COLORREF face = toRgb(kFaceColour);
    fillRect(hdc, box, face);
    const SampleEffect plain;
    const SampleEffect &e = effect ? *effect : plain;
    if (!effect && kind == SampleKind::BevelsOnly)
        return;

    const int w = std::max(0, e.shadowWidth);
    if (w > 0) {
        const COLORREF shadow = ShadeColor(e.shadowBaseColor, -e.shadowDarkness);
        DrawCheckerFill(hdc, {box.left + w, std::max(box.top + w, box.bottom - w), box.right, box.bottom}, shadow, face);
        DrawCheckerFill(hdc, {std::max(box.left + w, box.right - w), box.top + w, box.right, box.bottom}, shadow, face);
        if (kind == SampleKind::ChildControl) {
            // The notches beside the offset shadow, as a child frame has them.
            fillRect(hdc, {box.left, box.bottom - w, box.left + w, box.bottom}, face);
            fillRect(hdc, {box.right - w, box.top, box.right, box.top + w}, face);
            if (box.bottom - box.top < 2 * w)
                fillRect(hdc, {box.left + w, box.bottom - w, box.right, box.top + w}, face);
            if (box.right - box.left < 2 * w)
                fillRect(hdc, {box.right - w, box.top + w, box.left + w, box.bottom}, face);
        }
    }

    const COLORREF back = toRgb(e.backColor);
    BevelStyle style;
    style.light = ShadeColor(e.backColor, e.bevelLight);
    style.shade = ShadeColor(e.backColor, e.bevelShade);
    style.frame = RGB(0, 0, 0);
    style.width = e.bevelOuter;
    style.flags = e.borderStyle == 1 ? BevelBorder : 0u;
    RECT rect{box.left, box.top, box.right - w, box.bottom - w};
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    DrawBevel(hdc, rect, back, style);

    rect = shrunk(rect, e.bevelSpace + std::abs(e.bevelOuter) + (e.borderStyle == 1 ? 1 : 0));
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    style.width = e.bevelInner;
    style.flags = 0;
    DrawBevel(hdc, rect, back, style);
    if (kind == SampleKind::BevelsOnly)
        return;

    rect = shrunk(rect, std::abs(e.bevelInner));
    rect.left += clampedMargin(e.marginLeft);
    rect.right -= clampedMargin(e.marginRight);
    rect.top += clampedMargin(e.marginTop);
    rect.bottom -= clampedMargin(e.marginBottom);
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    fillRect(hdc, rect, RGB(255, 255, 255));
    DrawEdge(hdc, &rect, EDGE_SUNKEN, BF_RECT);
}

} // namespace

SampleEffect SampleEffect::of(IEffect *effect)
{
    SampleEffect s;
    if (!effect)
        return s;
    const Effect::Values v = Effect::valuesOf(effect);
    s.backColor = v.backColor;
    s.bevelOuter = v.bevelOuter;
    s.bevelInner = v.bevelInner;
    s.bevelLight = v.bevelLight;
    s.bevelShade = v.bevelShade;
    s.bevelSpace = v.bevelSpace;
    s.borderStyle = v.borderStyle;
    s.marginTop = v.marginTop;
    s.marginBottom = v.marginBottom;
    s.marginLeft = v.marginLeft;
    s.marginRight = v.marginRight;
    s.shadowBaseColor = v.shadowBaseColor;
    s.shadowDarkness = v.shadowDarkness;
    s.shadowWidth = v.shadowWidth;
    return s;
}

void DrawEffectSample(HDC target, const RECT &rect, const SampleEffect *effect, SampleKind kind)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return;
    const HDC surface = CreateCompatibleDC(target);
    const HBITMAP bitmap = surface ? CreateCompatibleBitmap(target, width, height) : 0;
    if (!surface || !bitmap) {
        // No off-screen surface: draw straight into the target.
        if (bitmap)
            DeleteObject(bitmap);
        if (surface)
            DeleteDC(surface);
        drawSample(target, rect, effect, kind);
        return;
    }
    const HGDIOBJ old = SelectObject(surface, bitmap);
    drawSample(surface, {0, 0, width, height}, effect, kind);
    BitBlt(target, rect.left, rect.top, width, height, surface, 0, 0, SRCCOPY);
    SelectObject(surface, old);
    DeleteObject(bitmap);
    DeleteDC(surface);
}

} // namespace lumafold
