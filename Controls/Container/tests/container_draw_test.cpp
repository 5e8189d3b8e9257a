// The container's drawing, compared pixel for pixel with images stated from
// the geometry rules: bevel rings, insets, clamping, checkered shadows and
// their notches, and the frames around contained controls.
#include "ContainerPixels.h"

#include "platform/com/olecolor.h"

using namespace lumafold;
using namespace lumafold::testing;
using namespace platform::win;

namespace {

constexpr COLORREF kFace = RGB(200, 100, 40);    // the face colour of these tests
constexpr COLORREF kShadowBase = RGB(120, 60, 20); // the system shadow colour
constexpr COLORREF kAmbient = RGB(0, 128, 255);  // the host's background

class ContainerDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedFace = platform::com::GetSysColor(COLOR_BTNFACE);
        m_savedShadow = platform::com::GetSysColor(COLOR_BTNSHADOW);
        platform::com::setSysColor(COLOR_BTNFACE, kFace);
        platform::com::setSysColor(COLOR_BTNSHADOW, kShadowBase);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "LumafoldCanvas";
        RegisterClassA(&wc);
    }
    void TearDown() override
    {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
        if (m_hwnd)
            DestroyWindow(m_hwnd);
        UnregisterClassA("LumafoldCanvas", 0);
        platform::com::setSysColor(COLOR_BTNFACE, m_savedFace);
        platform::com::setSysColor(COLOR_BTNSHADOW, m_savedShadow);
    }
    HDC canvas(int w, int h)
    {
        m_hwnd = CreateWindowExA(0, "LumafoldCanvas", "", WS_POPUP, 0, 0, w, h, 0, 0, 0, nullptr);
        m_dc = GetDC(m_hwnd);
        const RECT all{0, 0, w, h};
        const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(m_dc, &all, white);
        DeleteObject(white);
        return m_dc;
    }
    // Paints a container of w x h with the given own look and records.
    void paint(int w, int h, const EffectLook &own, int applyEffect = 0,
               const std::vector<ChildFrameRecord> *records = nullptr, bool hasOwn = true)
    {
        canvas(w, h);
        PaintState s;
        s.hasOwnEffect = hasOwn;
        s.own = own;
        s.records = records;
        s.applyEffect = applyEffect;
        s.ambientBack = kAmbient;
        ContainerOnDraw(m_dc, {0, 0, w, h}, s);
    }
    // The image of a container without child frames, stated from the rules.
    static Canvas expectedOwn(int w, int h, const EffectLook &own)
    {
        const COLORREF back = toRgb(own.backColor);
        const COLORREF light = ShadeColor(own.backColor, own.bevelLight);
        const COLORREF shade = ShadeColor(own.backColor, own.bevelShade);
        const int c = own.shadowWidth;
        Canvas e(w, h);
        const RECT face{0, 0, w - c, h - c};
        e.fill(face, back);
        e.bevel(Canvas::shrink(face, own.bevelSpace + own.borderStyle + std::abs(own.bevelOuter)), own.bevelInner,
                light, shade);
        if (c > 0) {
            e.fill({0, h - c, c, h}, kAmbient);
            e.fill({w - c, 0, w, c}, kAmbient);
            const COLORREF dark = ShadeColor(own.shadowBaseColor, -own.shadowDarkness);
            e.checker({c, h - c, w, h}, dark, kAmbient);
            e.checker({w - c, c, w, h}, dark, kAmbient);
        }
        RECT outer = face;
        if (own.borderStyle) {
            e.frame(outer, RGB(0, 0, 0));
            outer = Canvas::shrink(outer, 1);
        }
        e.bevel(outer, own.bevelOuter, light, shade);
        return e;
    }

    HWND m_hwnd = 0;
    HDC m_dc = 0;
    COLORREF m_savedFace = 0, m_savedShadow = 0;
};

EffectLook look(int outer, int inner = 0)
{
    EffectLook l;
    l.bevelOuter = int16_t(outer);
    l.bevelInner = int16_t(inner);
    return l;
}

} // namespace

TEST_F(ContainerDrawTest, ShadeColorScalesEachChannelTruncatingAndClamping)
{
    EXPECT_EQ(ShadeColor(0x8000000Fu, 25), RGB(250, 125, 50)) << "the face colour brightened by a quarter";
    EXPECT_EQ(ShadeColor(0x8000000Fu, 100), RGB(255, 200, 80)) << "400 clamps to 255";
    EXPECT_EQ(ShadeColor(0x8000000Fu, -100), RGB(0, 0, 0));
    EXPECT_EQ(ShadeColor(RGB(10, 20, 30), -35), RGB(6, 13, 19)) << "6.5 and 19.5 truncate";
    EXPECT_EQ(ShadeColor(RGB(255, 255, 255), 1), RGB(255, 255, 255)) << "257 clamps";
    EXPECT_EQ(ShadeColor(0x80000010u, -35), RGB(78, 39, 13));
}

TEST_F(ContainerDrawTest, RaisedInsetAndFlatOwnBevels)
{
    const COLORREF light = RGB(250, 125, 50), shade = RGB(150, 75, 30);
    paint(40, 30, look(1));
    EXPECT_TRUE(samePixels(m_dc, expectedOwn(40, 30, look(1))));
    // Raised: light top-left, shade bottom-right including both far corners.
    EXPECT_EQ(GetPixel(m_dc, 0, 0), light);
    EXPECT_EQ(GetPixel(m_dc, 38, 0), light);
    EXPECT_EQ(GetPixel(m_dc, 39, 0), shade);
    EXPECT_EQ(GetPixel(m_dc, 0, 29), shade);
    EXPECT_EQ(GetPixel(m_dc, 0, 28), light);
    EXPECT_EQ(GetPixel(m_dc, 1, 1), kFace);
    TearDown();
    SetUp();

    paint(40, 30, look(-1));
    EXPECT_TRUE(samePixels(m_dc, expectedOwn(40, 30, look(-1))));
    EXPECT_EQ(GetPixel(m_dc, 0, 0), shade) << "inset swaps light and shade";
    EXPECT_EQ(GetPixel(m_dc, 39, 29), light);
    TearDown();
    SetUp();

    paint(40, 30, look(0));
    Canvas flat(40, 30, kFace);
    EXPECT_TRUE(samePixels(m_dc, flat)) << "flat: face colour only";
}

TEST_F(ContainerDrawTest, WideBevelStopsAtHalfTheSmallerSide)
{
    paint(20, 12, look(100));
    Canvas want(20, 12, kFace);
    want.bevel({0, 0, 20, 12}, 6, RGB(250, 125, 50), RGB(150, 75, 30));
    EXPECT_TRUE(samePixels(m_dc, want));
    EXPECT_TRUE(samePixels(m_dc, expectedOwn(20, 12, look(100))));
    // Six rings cover every row: no face colour is left.
    for (int x = 0; x < 20; ++x)
        EXPECT_NE(GetPixel(m_dc, x, 5), kFace) << x;
}

TEST_F(ContainerDrawTest, BorderSpacingAndNegativeInnerBevel)
{
    EffectLook l = look(2, -3);
    l.borderStyle = 1;
    l.bevelSpace = 2;
    l.backColor = RGB(90, 160, 200);
    paint(36, 28, l);
    EXPECT_TRUE(samePixels(m_dc, expectedOwn(36, 28, l)));
    EXPECT_EQ(GetPixel(m_dc, 0, 0), RGB(0, 0, 0)) << "single border";
    EXPECT_EQ(GetPixel(m_dc, 35, 27), RGB(0, 0, 0));
    // The inner bevel starts 5 in (space 2 + border 1 + outer 2) and is inset.
    EXPECT_EQ(GetPixel(m_dc, 5, 5), ShadeColor(l.backColor, l.bevelShade));
    EXPECT_EQ(GetPixel(m_dc, 30, 22), ShadeColor(l.backColor, l.bevelLight));
    EXPECT_EQ(GetPixel(m_dc, 4, 10), l.backColor) << "the spacing band keeps the back colour";
}

TEST_F(ContainerDrawTest, OwnShadowIsACheckerOverTheAmbientColourWithNotches)
{
    EffectLook l = look(1);
    l.shadowWidth = 3;
    l.shadowDarkness = 50;
    paint(30, 20, l);
    EXPECT_TRUE(samePixels(m_dc, expectedOwn(30, 20, l)));
    const COLORREF dark = ShadeColor(0x80000010u, -50);
    EXPECT_EQ(GetPixel(m_dc, 0, 19), kAmbient) << "bottom-left notch";
    EXPECT_EQ(GetPixel(m_dc, 29, 0), kAmbient) << "top-right notch";
    EXPECT_EQ(GetPixel(m_dc, 4, 19), dark) << "odd x + y";
    EXPECT_EQ(GetPixel(m_dc, 5, 19), kAmbient) << "even x + y";
    EXPECT_EQ(GetPixel(m_dc, 25, 0), ShadeColor(kFace, 25));
    EXPECT_EQ(GetPixel(m_dc, 26, 0), ShadeColor(kFace, -25)) << "the bevel's corner stops before the shadow";
    EXPECT_EQ(GetPixel(m_dc, 26, 16), ShadeColor(kFace, -25));

    // Width 0: no shadow and no notches.
    TearDown();
    SetUp();
    l.shadowWidth = 0;
    paint(30, 20, l);
    EXPECT_TRUE(samePixels(m_dc, expectedOwn(30, 20, l)));
    EXPECT_EQ(GetPixel(m_dc, 0, 19), ShadeColor(kFace, -25));
    EXPECT_EQ(GetPixel(m_dc, 29, 0), ShadeColor(kFace, -25));
}

TEST_F(ContainerDrawTest, ShortContainerFillsTheNotchBetweenItsCorners)
{
    EffectLook l = look(0);
    l.shadowWidth = 4;
    paint(30, 6, l); // shorter than two shadow widths
    Canvas want = expectedOwn(30, 6, l);
    want.fill({4, 2, 30, 4}, kAmbient);
    // The bands are drawn after the extra fill and cover what they reach.
    const COLORREF dark = ShadeColor(0x80000010u, -35);
    want.checker({4, 2, 30, 6}, dark, kAmbient);
    want.checker({26, 4, 30, 6}, dark, kAmbient);
    EXPECT_TRUE(samePixels(m_dc, want));
}

TEST_F(ContainerDrawTest, ChildFramesWithShadowMarginsAndTheControlLeftAlone)
{
    EffectLook own = look(1);
    own.backColor = RGB(230, 230, 230);
    const COLORREF back = RGB(230, 230, 230);

    ChildFrameRecord r;
    r.name = QStringLiteral("Button1");
    r.inner = {20, 15, 40, 25};
    r.outer = r.inner;
    EffectLook child;
    child.backColor = RGB(40, 80, 160);
    child.bevelOuter = 1;
    child.bevelSpace = 1;
    child.bevelInner = -1;
    child.borderStyle = 1;
    child.shadowWidth = 2;
    child.shadowDarkness = 35;
    child.shadowBaseColor = RGB(100, 100, 100);
    child.marginLeft = 2;
    child.marginRight = 3;
    child.marginTop = 1;
    child.marginBottom = 2;
    r.look = child;
    // The frame is border 1 + outer 1 + space 1 + inner 1 = 4 wide; shadow 2.
    r.outer = {20 - 4 - 2, 15 - 4 - 1, 40 + 4 + 2 + 3, 25 + 4 + 2 + 2};
    r.framed = true;
    ChildFrameRecord unframed;
    unframed.name = QStringLiteral("Label1");
    unframed.inner = unframed.outer = {2, 2, 8, 8};
    const std::vector<ChildFrameRecord> records{r, unframed};

    paint(70, 50, own, 1, &records);

    Canvas want = expectedOwn(70, 50, own);
    const RECT o = r.outer; // {14, 10, 49, 33}
    const COLORREF dark = ShadeColor(RGB(100, 100, 100), -35);
    want.fill({o.left, o.bottom - 2, o.left + 2, o.bottom}, back);
    want.fill({o.right - 2, o.top, o.right, o.top + 2}, back);
    want.checker({o.left + 2, o.bottom - 2, o.right, o.bottom}, dark, back);
    want.checker({o.right - 2, o.top + 2, o.right, o.bottom}, dark, back);
    const COLORREF light = ShadeColor(child.backColor, 25), shade = ShadeColor(child.backColor, -25);
    RECT f{o.left, o.top, o.right - 2, o.bottom - 2};
    want.frame(f, RGB(0, 0, 0));
    f = want.bevel(Canvas::shrink(f, 1), 1, light, shade);
    want.frame(f, child.backColor); // the spacing band
    f = want.bevel(Canvas::shrink(f, 1), -1, light, shade);
    // Margins between the inner bevel and the control.
    for (int y = f.top; y < f.bottom; ++y)
        for (int x = f.left; x < f.right; ++x)
            if (!(x >= 20 && x < 40 && y >= 15 && y < 25))
                want.set(x, y, child.backColor);
    EXPECT_TRUE(samePixels(m_dc, want));
    EXPECT_EQ(GetPixel(m_dc, 30, 20), back) << "the control's own rectangle is not painted";
    EXPECT_EQ(GetPixel(m_dc, 19, 20), child.backColor) << "left margin";
    EXPECT_EQ(GetPixel(m_dc, 5, 5), back) << "a record without a frame draws nothing";

    // ApplyEffect 0: the records are not drawn.
    TearDown();
    SetUp();
    paint(70, 50, own, 0, &records);
    EXPECT_TRUE(samePixels(m_dc, expectedOwn(70, 50, own)));
}

TEST_F(ContainerDrawTest, FramesLieOverNeighbouringShadows)
{
    EffectLook own = look(0);
    EffectLook child;
    child.backColor = RGB(10, 200, 10);
    child.bevelOuter = 1;
    child.shadowWidth = 3;
    child.marginLeft = child.marginRight = child.marginTop = child.marginBottom = 0;
    ChildFrameRecord a, b;
    a.name = QStringLiteral("A");
    a.inner = {5, 5, 15, 15};
    a.outer = {4, 4, 19, 19};
    a.look = child;
    a.framed = true;
    b = a;
    b.name = QStringLiteral("B");
    b.inner = {17, 5, 27, 15}; // its frame starts inside A's right shadow
    b.outer = {16, 4, 31, 19};
    const std::vector<ChildFrameRecord> records{a, b};
    paint(40, 30, own, 2, &records);
    // B's outer bevel at x = 16 lies over A's shadow band (x 16..18).
    EXPECT_EQ(GetPixel(m_dc, 16, 8), ShadeColor(child.backColor, 25));
    // Below B's frame, A's shadow and B's shadow both show their checker.
    const COLORREF dark = ShadeColor(0x80000010u, -35);
    EXPECT_EQ(GetPixel(m_dc, 8, 17), (8 + 17) % 2 ? dark : kFace);
}

TEST_F(ContainerDrawTest, WithoutAnEffectTheFaceColourFillsEverything)
{
    paint(16, 10, EffectLook::none(), 0, nullptr, false);
    EXPECT_TRUE(samePixels(m_dc, Canvas(16, 10, kFace)));
}

TEST_F(ContainerDrawTest, BoundsAwayFromTheOriginDrawOnlyThereWithTheCheckerAlignedToTheDc)
{
    canvas(50, 40);
    EffectLook l = look(1);
    l.shadowWidth = 2;
    PaintState s;
    s.hasOwnEffect = true;
    s.own = l;
    s.ambientBack = kAmbient;
    ContainerOnDraw(m_dc, {5, 4, 45, 34}, s);

    Canvas want(50, 40);
    want.fill({5, 4, 43, 32}, kFace);
    want.fill({5, 32, 7, 34}, kAmbient);
    want.fill({43, 4, 45, 6}, kAmbient);
    const COLORREF dark = ShadeColor(0x80000010u, -35);
    want.checker({7, 32, 45, 34}, dark, kAmbient);
    want.checker({43, 6, 45, 34}, dark, kAmbient);
    want.ring({5, 4, 43, 32}, ShadeColor(kFace, 25), ShadeColor(kFace, -25));
    EXPECT_TRUE(samePixels(m_dc, want));
    EXPECT_EQ(GetPixel(m_dc, 4, 4), RGB(255, 255, 255)) << "outside the bounds nothing changes";
}
