#pragma once
// The sample box of the container's property pages: a preview of an effect
// drawn with the container's own drawing functions (ContainerDraw.h).
#include "Controls/Container/ContainerDraw.h"

namespace lumafold {

// How much of the effect a page previews.
enum class SampleKind {
    // Effects page: shadow, both bevels filled with BackColor, the margins and
    // a sunken white sample control inside them.
    Control,
    // Childs page: as Control, with the notches beside the shadow cleared in
    // the face colour.
    ChildControl,
    // General page: shadow and both bevels, nothing inside.
    BevelsOnly,
};

// The values a sample is drawn from: the effect's values as they stand in
// the page's fields (margins unclamped; they are clamped like the drawing's).
struct SampleEffect {
    OLE_COLOR backColor = 0x8000000Fu;
    int bevelOuter = 0, bevelInner = 0, bevelLight = 25, bevelShade = -25, bevelSpace = 0;
    int borderStyle = 0;
    int marginTop = 1, marginBottom = 1, marginLeft = 1, marginRight = 1;
    OLE_COLOR shadowBaseColor = 0x80000010u;
    int shadowDarkness = 35, shadowWidth = 0;

    // The values of an effect object.
    static SampleEffect of(IEffect *effect);
};

// Draws the sample into hdc within rect through one off-screen bitmap.
// Without an effect (null) the box shows the face colour and, for the two
// control kinds, the sample control with the default margins of one pixel.
void DrawEffectSample(HDC hdc, const RECT &rect, const SampleEffect *effect, SampleKind kind);

} // namespace lumafold
