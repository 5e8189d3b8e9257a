// The property pages' sample box, compared pixel for pixel with images
// stated from the drawing rules: shadow bands, the outer bevel with its
// border over BackColor, spacing, the inner bevel, the margins and the
// sunken white sample control.
#include "ContainerPixels.h"

#include "Controls/Container/ContainerPageSample.h"

#include "platform/com/olecolor.h"

using namespace lumafold;
using namespace lumafold::testing;
using namespace platform::win;

namespace {

constexpr COLORREF kFace = RGB(200, 100, 40);
constexpr COLORREF kHighlight = RGB(250, 250, 240);
constexpr COLORREF kDarkShadow = RGB(10, 20, 30);
constexpr COLORREF kLight = RGB(220, 210, 200);
constexpr COLORREF kShadow = RGB(90, 80, 70);
constexpr COLORREF kBack = RGB(100, 150, 200);

class PageSampleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i : {COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT})
            m_saved.push_back({i, platform::com::GetSysColor(i)});
        platform::com::setSysColor(COLOR_BTNFACE, kFace);
        platform::com::setSysColor(COLOR_BTNSHADOW, kShadow);
        platform::com::setSysColor(COLOR_BTNHIGHLIGHT, kHighlight);
        platform::com::setSysColor(COLOR_3DDKSHADOW, kDarkShadow);
        platform::com::setSysColor(COLOR_3DLIGHT, kLight);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "LumafoldSampleCanvas";
        RegisterClassA(&wc);
    }
    void TearDown() override
    {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
        if (m_hwnd)
            DestroyWindow(m_hwnd);
        UnregisterClassA("LumafoldSampleCanvas", 0);
        for (auto [i, c] : m_saved)
            platform::com::setSysColor(i, c);
    }
    // Draws the sample at (ox, oy) of a white canvas.
    HDC draw(int w, int h, const SampleEffect *e, SampleKind kind, int ox = 0, int oy = 0)
    {
        m_hwnd = CreateWindowExA(0, "LumafoldSampleCanvas", "", WS_POPUP, 0, 0, w + ox, h + oy, 0, 0, 0, nullptr);
        m_dc = GetDC(m_hwnd);
        const RECT all{0, 0, w + ox, h + oy};
        const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(m_dc, &all, white);
        DeleteObject(white);
        DrawEffectSample(m_dc, {ox, oy, ox + w, oy + h}, e, kind);
        return m_dc;
    }
    // The sunken sample control: white inside two rings.
    static void sampleControl(Canvas &c, const RECT &r)
    {
        c.fill(r, RGB(255, 255, 255));
        c.ring(r, kShadow, kHighlight);
        c.ring(Canvas::shrink(r, 1), kDarkShadow, kLight);
    }

    std::vector<std::pair<int, COLORREF>> m_saved;
    HWND m_hwnd = 0;
    HDC m_dc = 0;
};

// Border, two-pixel raised outer bevel, one pixel of spacing, a one-pixel
// inset inner bevel, uneven margins and a three-pixel shadow.
SampleEffect rich()
{
    SampleEffect e;
    e.backColor = kBack;
    e.borderStyle = 1;
    e.bevelOuter = 2;
    e.bevelSpace = 1;
    e.bevelInner = -1;
    e.marginLeft = 2;
    e.marginRight = 3;
    e.marginTop = 1;
    e.marginBottom = 4;
    e.shadowWidth = 3;
    e.shadowDarkness = 35;
    e.shadowBaseColor = 0x80000010u;
    return e;
}

} // namespace

TEST_F(PageSampleTest, EffectsSampleShowsShadowBevelsMarginsAndTheSunkenControl)
{
    const SampleEffect e = rich();
    draw(40, 30, &e, SampleKind::Control);

    const COLORREF light = RGB(125, 187, 250), shade = RGB(75, 112, 150); // BackColor at +25 % and -25 %
    const COLORREF dark = RGB(58, 52, 45);                               // the shadow colour at -35 %
    Canvas want(40, 30, kFace);
    want.checker({3, 27, 40, 30}, dark, kFace);
    want.checker({37, 3, 40, 30}, dark, kFace);
    want.fill({0, 0, 37, 27}, kBack);
    want.frame({0, 0, 37, 27}, RGB(0, 0, 0));
    want.bevel({1, 1, 36, 26}, 2, light, shade);
    // border 1 + outer 2 + spacing 1 = 4 in; the inner bevel is inset.
    want.bevel({4, 4, 33, 23}, -1, light, shade);
    // {5,5,32,22} less the margins left 2, right 3, top 1, bottom 4.
    sampleControl(want, {7, 6, 29, 18});
    EXPECT_TRUE(samePixels(m_dc, want));
}

TEST_F(PageSampleTest, CheckerIsAlignedToTheBoxNotToTheTarget)
{
    const SampleEffect e = rich();
    draw(40, 30, &e, SampleKind::Control, 3, 0);
    const COLORREF dark = RGB(58, 52, 45);
    // Box pixel (5,28) has an odd sum and takes the shadow, (4,28) does not,
    // wherever the box lies on the target.
    EXPECT_EQ(GetPixel(m_dc, 3 + 5, 28), dark);
    EXPECT_EQ(GetPixel(m_dc, 3 + 4, 28), kFace);
    EXPECT_EQ(GetPixel(m_dc, 2, 28), RGB(255, 255, 255)) << "nothing is drawn outside the box";
}

TEST_F(PageSampleTest, GeneralSampleDrawsShadowAndBevelsOnly)
{
    SampleEffect e = rich();
    draw(40, 30, &e, SampleKind::BevelsOnly);
    const COLORREF light = RGB(125, 187, 250), shade = RGB(75, 112, 150);
    const COLORREF dark = RGB(58, 52, 45);
    Canvas want(40, 30, kFace);
    want.checker({3, 27, 40, 30}, dark, kFace);
    want.checker({37, 3, 40, 30}, dark, kFace);
    want.fill({0, 0, 37, 27}, kBack);
    want.frame({0, 0, 37, 27}, RGB(0, 0, 0));
    want.bevel({1, 1, 36, 26}, 2, light, shade);
    want.bevel({4, 4, 33, 23}, -1, light, shade);
    EXPECT_TRUE(samePixels(m_dc, want)) << "no margins and no sample control";
}

TEST_F(PageSampleTest, WithoutAnEffect)
{
    draw(20, 16, nullptr, SampleKind::BevelsOnly);
    EXPECT_TRUE(samePixels(m_dc, Canvas(20, 16, kFace))) << "the General page shows the face colour only";
    ReleaseDC(m_hwnd, m_dc);
    DestroyWindow(m_hwnd);
    m_dc = 0;
    m_hwnd = 0;

    draw(20, 16, nullptr, SampleKind::ChildControl);
    Canvas want(20, 16, kFace);
    sampleControl(want, {1, 1, 19, 15}); // the plain control inside the default one-pixel margins
    EXPECT_TRUE(samePixels(m_dc, want));
}

TEST_F(PageSampleTest, HugeMarginsLeaveNoSampleControl)
{
    SampleEffect e;
    e.backColor = kBack;
    e.marginLeft = 30000; // clamped to 5000, still more than the box
    draw(30, 20, &e, SampleKind::Control);
    Canvas want(30, 20, kBack);
    EXPECT_TRUE(samePixels(m_dc, want)) << "the face of the effect and nothing inside";
}
