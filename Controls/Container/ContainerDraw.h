#pragma once
// The container's drawing: bevels, checkered shadows, the frames around the
// contained controls and the whole paint of the control, as functions on a
// device context. All geometry in pixels.
#include "Controls/Container/Effect.h"

#include "platform/win/gdi.h"
#include "platform/win/wintypes.h"

#include <QString>

#include <vector>

namespace lumafold {

namespace win = platform::win;
using win::COLORREF;
using win::HDC;
using win::HPEN;
using win::RECT;

// The values of an effect as drawing uses them (margins already clamped).
struct EffectLook {
    OLE_COLOR backColor = 0x8000000Fu;
    int16_t bevelLight = 25;
    int16_t bevelShade = -25;
    OLE_COLOR shadowBaseColor = 0x80000010u;
    int16_t shadowDarkness = 35;
    int16_t shadowWidth = 0;
    int16_t bevelInner = 0;
    int16_t bevelOuter = 0;
    int16_t bevelSpace = 0;
    int16_t borderStyle = 0;
    int16_t marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;

    bool operator==(const EffectLook &) const = default;
    // The look of an absent effect: face colour, light 25, shade -25, the
    // shadow colour at 35 and every width and margin 0.
    static EffectLook none() { return {}; }
    // The look of an effect, with its margins clamped to 5000.
    static EffectLook of(IEffect *effect);
};

// One contained control's frame.
struct ChildFrameRecord {
    RECT outer{};     // the frame and its shadow
    RECT inner{};     // the control itself
    QString name;     // its extender Name (with "(Index)" for a control array)
    EffectLook look;
    bool unseen = false;
    bool framed = false;
};

// The system face colour as an OLE colour.
constexpr OLE_COLOR kFaceColour = 0x8000000Fu;

// (100 + percent) x channel / 100 per channel, clamped to 0..255.
COLORREF ShadeColor(OLE_COLOR colour, int percent);
// Translates an OLE colour to RGB; black when it cannot be translated.
COLORREF toRgb(OLE_COLOR colour);

// One bevel ring: pen1 on the left and top sides, pen2 on the right and
// bottom sides (with the top-right and bottom-left corners).
void DrawRectRing(HDC hdc, const RECT &rect, HPEN pen1, HPEN pen2);

struct BevelStyle {
    COLORREF light = 0;
    COLORREF shade = 0;
    COLORREF frame = 0;
    int width = 0;       // negative: inset (light and shade swapped)
    unsigned flags = 0;  // BevelBorder, BevelNoFill
};
constexpr unsigned BevelBorder = 1;
constexpr unsigned BevelNoFill = 2;
// Fills (unless BevelNoFill), frames (BevelBorder) and draws |width| rings,
// at most half the smaller side; returns the rectangle inside them.
RECT DrawBevel(HDC hdc, RECT rect, COLORREF fill, const BevelStyle &style);

// The 50 % checker: pixels with an odd x + y (DC coordinates) take
// foreground, the others background. -1 stands for the face colour
// (foreground) and the highlight colour (background).
void DrawCheckerFill(HDC hdc, const RECT &rect, COLORREF foreground, COLORREF background);

// The notches beside a child's offset shadow, in the container's background.
void ClearShadowCorners(HDC hdc, const ChildFrameRecord &record, COLORREF background);
void DrawChildShadow(HDC hdc, const ChildFrameRecord &record, COLORREF background);
// Bevels, border, spacing band and margins around the control; the control's
// own rectangle is left as it is.
void DrawChildFrame(HDC hdc, const ChildFrameRecord &record);
// The container's own shadow (over the ambient background) and outer bevel.
void DrawContainerFrame(HDC hdc, const RECT &bounds, const EffectLook &own, COLORREF ambientBack);

// Everything one paint of the container needs.
struct PaintState {
    bool hasOwnEffect = false;
    EffectLook own;                                   // EffectLook::none() without an effect
    const std::vector<ChildFrameRecord> *records = nullptr;
    int applyEffect = 0;
    COLORREF ambientBack = 0;
    win::POINT position{};                            // the control's position (metafile targets)
};

// Paints the container into hdc within bounds through one off-screen bitmap.
void ContainerOnDraw(HDC hdc, const RECT &bounds, const PaintState &state);

} // namespace lumafold
