// Pattern brushes, frames, regions, memory DCs and blits, pixel by pixel.
#include "WinTestSupport.h"

using namespace wintest;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

class GdiTest : public WinTest {
protected:
    void SetUp() override
    {
        WinTest::SetUp();
        m_hwnd = topLevel("TestPlain", 24, 20);
        m_dc = GetDC(m_hwnd);
        const RECT all{0, 0, 24, 20};
        FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    void TearDown() override
    {
        ReleaseDC(m_hwnd, m_dc);
        for (HGDIOBJ o : m_objects)
            EXPECT_TRUE(DeleteObject(o));
        WinTest::TearDown();
    }
    template <typename T>
    T keep(T h)
    {
        EXPECT_NE(h, 0u);
        m_objects.push_back(h);
        return h;
    }
    // Pixels of the DC with `want` inside the predicate and white elsewhere.
    template <typename F>
    void expectPixels(HDC dc, int w, int h, F want)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(GetPixel(dc, x, y), want(x, y)) << "at " << x << "," << y;
    }
    HWND m_hwnd = 0;
    HDC m_dc = 0;
    std::vector<HGDIOBJ> m_objects;
};

TEST_F(GdiTest, MonochromePatternBrushUsesTextAndBackgroundColoursAlignedToTheOrigin)
{
    // Rows alternate 0xAA and 0x55, each padded to 16 bits.
    const unsigned char checker[16] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};
    const HBITMAP bits = keep(CreateBitmap(8, 8, 1, 1, checker));
    const HBRUSH brush = keep(CreatePatternBrush(bits));
    const COLORREF fg = RGB(200, 0, 0), bg = RGB(0, 0, 150);
    EXPECT_EQ(SetTextColor(m_dc, fg), RGB(0, 0, 0));
    EXPECT_EQ(SetBkColor(m_dc, bg), kWhite);
    EXPECT_EQ(GetTextColor(m_dc), fg);
    EXPECT_EQ(GetBkColor(m_dc), bg);
    const RECT r{3, 2, 13, 11};
    ASSERT_TRUE(FillRect(m_dc, &r, brush));
    // Bit set (x + y even) is the background colour, whatever the rectangle's corner.
    expectPixels(m_dc, 24, 20, [&](int x, int y) {
        if (x < 3 || x >= 13 || y < 2 || y >= 11)
            return kWhite;
        return (x + y) % 2 == 0 ? bg : fg;
    });
    // The brush follows the DC's colours when it is used, not when it was made.
    SetTextColor(m_dc, RGB(0, 90, 0));
    const RECT one{20, 0, 21, 1};
    FillRect(m_dc, &one, brush);
    EXPECT_EQ(GetPixel(m_dc, 20, 0), bg);
    const RECT next{21, 0, 22, 1};
    FillRect(m_dc, &next, brush);
    EXPECT_EQ(GetPixel(m_dc, 21, 0), RGB(0, 90, 0));
}

TEST_F(GdiTest, ColourPatternBrushTilesItsBitmapAndSurvivesTheBitmap)
{
    // 2x1 bitmap of B,G,R,x pixels: red then blue.
    const unsigned char px[8] = {0, 0, 255, 0, 255, 0, 0, 0};
    const HBITMAP bits = CreateBitmap(2, 1, 1, 32, px);
    const HBRUSH brush = keep(CreatePatternBrush(bits));
    EXPECT_TRUE(DeleteObject(bits)) << "the brush keeps its own copy";
    const RECT r{1, 1, 6, 3};
    ASSERT_TRUE(FillRect(m_dc, &r, brush));
    expectPixels(m_dc, 8, 4, [&](int x, int y) {
        if (x < 1 || x >= 6 || y < 1 || y >= 3)
            return kWhite;
        return x % 2 == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255);
    });
    BITMAP bm;
    EXPECT_EQ(GetObjectA(bits, sizeof bm, &bm), 0) << "deleted";
}

TEST_F(GdiTest, FrameRectDrawsTheOneAndOnlyInnerBorder)
{
    const HBRUSH red = keep(CreateSolidBrush(RGB(255, 0, 0)));
    const RECT r{2, 3, 9, 8};
    ASSERT_TRUE(FrameRect(m_dc, &r, red));
    expectPixels(m_dc, 12, 10, [&](int x, int y) {
        const bool inRect = x >= 2 && x < 9 && y >= 3 && y < 8;
        const bool border = x == 2 || x == 8 || y == 3 || y == 7;
        return inRect && border ? RGB(255, 0, 0) : kWhite;
    });
    const RECT empty{5, 5, 5, 9};
    EXPECT_TRUE(FrameRect(m_dc, &empty, red));
    EXPECT_EQ(GetPixel(m_dc, 5, 5), kWhite) << "an empty rectangle draws nothing";
}

TEST_F(GdiTest, RectanglePolygonsCoverThePixelsOfTheRectangle)
{
    const POINT quad[4] = {{2, 3}, {9, 3}, {9, 7}, {2, 7}};
    int count = 4;
    const HRGN poly = keep(CreatePolyPolygonRgn(quad, &count, 1, WINDING));
    const HRGN rect = keep(CreateRectRgn(2, 3, 9, 7));
    EXPECT_TRUE(EqualRgn(poly, rect));
    RECT box;
    EXPECT_EQ(GetRgnBox(poly, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{2, 3, 9, 7}));
    EXPECT_TRUE(PtInRegion(poly, 2, 3));
    EXPECT_TRUE(PtInRegion(poly, 8, 6));
    EXPECT_FALSE(PtInRegion(poly, 9, 6));
    EXPECT_FALSE(PtInRegion(poly, 8, 7));
    // Counter-clockwise gives the same pixels.
    const POINT ccw[4] = {{2, 3}, {2, 7}, {9, 7}, {9, 3}};
    const HRGN back = keep(CreatePolygonRgn(ccw, 4, ALTERNATE));
    EXPECT_TRUE(EqualRgn(back, rect));
    EXPECT_EQ(CreatePolyPolygonRgn(quad, &count, 1, 7), 0u) << "unknown fill mode";
    const int one = 1;
    EXPECT_EQ(CreatePolyPolygonRgn(quad, &one, 1, WINDING), 0u) << "a ring needs two points";
}

TEST_F(GdiTest, NestedRingsFillByWindingOrAlternate)
{
    // Two rings turning the same way: WINDING fills the inner one, ALTERNATE
    // leaves it a hole.
    const POINT rings[8] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 3}, {7, 3}, {7, 7}, {3, 7}};
    const int counts[2] = {4, 4};
    const HRGN winding = keep(CreatePolyPolygonRgn(rings, counts, 2, WINDING));
    const HRGN alternate = keep(CreatePolyPolygonRgn(rings, counts, 2, ALTERNATE));
    EXPECT_TRUE(PtInRegion(winding, 5, 5));
    EXPECT_FALSE(PtInRegion(alternate, 5, 5));
    EXPECT_TRUE(PtInRegion(alternate, 2, 5));
    EXPECT_FALSE(PtInRegion(alternate, 3, 3));
    EXPECT_TRUE(PtInRegion(alternate, 7, 7)) << "the hole ends at 6";
    // A diagonal edge: the triangle (0,0),(4,0),(0,4) holds a pixel when its
    // centre lies inside; a centre on the right-hand edge is outside, as on a
    // rectangle's right side.
    const POINT tri[3] = {{0, 0}, {4, 0}, {0, 4}};
    const HRGN t = keep(CreatePolygonRgn(tri, 3, WINDING));
    EXPECT_TRUE(PtInRegion(t, 2, 0));
    EXPECT_TRUE(PtInRegion(t, 0, 2));
    EXPECT_TRUE(PtInRegion(t, 1, 1));
    EXPECT_FALSE(PtInRegion(t, 3, 0)) << "centre (3.5,0.5) on the edge";
    EXPECT_FALSE(PtInRegion(t, 2, 2));
}

TEST_F(GdiTest, CombinedRingFillsOnlyTheBandAndOffsetMovesIt)
{
    const HRGN outer = keep(CreateRectRgn(1, 1, 11, 9));
    const RECT innerRect{3, 3, 9, 7};
    const HRGN inner = keep(CreateRectRgnIndirect(&innerRect));
    const HRGN ring = keep(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(CombineRgn(ring, outer, inner, RGN_XOR), COMPLEXREGION);
    const HRGN diff = keep(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(CombineRgn(diff, outer, inner, RGN_DIFF), COMPLEXREGION);
    EXPECT_TRUE(EqualRgn(ring, diff));
    const HRGN both = keep(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(CombineRgn(both, outer, inner, RGN_AND), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(both, inner));
    EXPECT_EQ(CombineRgn(both, outer, inner, RGN_OR), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(both, outer));
    EXPECT_EQ(CombineRgn(both, inner, 0, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(both, inner));
    EXPECT_EQ(CombineRgn(both, inner, 0, RGN_AND), ERROR);

    const HBRUSH blue = keep(CreateSolidBrush(RGB(0, 0, 255)));
    ASSERT_TRUE(FillRgn(m_dc, ring, blue));
    auto inRing = [](int x, int y, int dx) {
        const bool out = x >= 1 + dx && x < 11 + dx && y >= 1 && y < 9;
        const bool in = x >= 3 + dx && x < 9 + dx && y >= 3 && y < 7;
        return out && !in;
    };
    expectPixels(m_dc, 24, 12, [&](int x, int y) { return inRing(x, y, 0) ? RGB(0, 0, 255) : kWhite; });

    const RECT all{0, 0, 24, 20};
    FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(OffsetRgn(ring, 12, 0), COMPLEXREGION);
    const HBRUSH green = keep(CreateSolidBrush(RGB(0, 255, 0)));
    const HGDIOBJ old = SelectObject(m_dc, green);
    ASSERT_TRUE(PaintRgn(m_dc, ring));
    SelectObject(m_dc, old);
    expectPixels(m_dc, 24, 12, [&](int x, int y) { return inRing(x, y, 12) ? RGB(0, 255, 0) : kWhite; });
}

TEST_F(GdiTest, ClipRegionLimitsDrawingUntilRemoved)
{
    const HRGN clip = keep(CreateRectRgn(4, 4, 8, 6));
    EXPECT_EQ(SelectClipRgn(m_dc, clip), SIMPLEREGION);
    OffsetRgn(clip, 10, 10); // the DC holds its own copy
    RECT box;
    EXPECT_EQ(GetClipBox(m_dc, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{4, 4, 8, 6}));
    const HBRUSH red = keep(CreateSolidBrush(RGB(255, 0, 0)));
    const RECT all{0, 0, 24, 20};
    FillRect(m_dc, &all, red);
    SelectClipRgn(m_dc, 0);
    expectPixels(m_dc, 24, 20, [](int x, int y) {
        return x >= 4 && x < 8 && y >= 4 && y < 6 ? RGB(255, 0, 0) : kWhite;
    });
    FillRect(m_dc, &all, red);
    EXPECT_EQ(GetPixel(m_dc, 0, 0), RGB(255, 0, 0)) << "no clip after removing it";
}

TEST_F(GdiTest, UpdateRegionFollowsInvalidateAndValidateRgn)
{
    UpdateWindow(m_hwnd);
    const HRGN a = keep(CreateRectRgn(1, 1, 5, 5));
    const HRGN b = keep(CreateRectRgn(10, 2, 12, 8));
    const HRGN both = keep(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(both, a, b, RGN_OR);
    ASSERT_TRUE(InvalidateRgn(m_hwnd, both, FALSE));
    const HRGN seen = keep(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetUpdateRgn(m_hwnd, seen, FALSE), COMPLEXREGION);
    EXPECT_TRUE(EqualRgn(seen, both));
    ASSERT_TRUE(ValidateRgn(m_hwnd, a));
    GetUpdateRgn(m_hwnd, seen, FALSE);
    EXPECT_TRUE(EqualRgn(seen, b));
    RECT r;
    EXPECT_TRUE(GetUpdateRect(m_hwnd, &r, FALSE));
    EXPECT_EQ(r, (RECT{10, 2, 12, 8}));
    ValidateRgn(m_hwnd, 0);
    EXPECT_FALSE(GetUpdateRect(m_hwnd, nullptr, FALSE));
}

TEST_F(GdiTest, BitBltCopiesFromAMemoryDCAndConvertsMonochrome)
{
    const HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(screen, 0u);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(screen, TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_GT(GetDeviceCaps(screen, HORZRES), 0);
    EXPECT_EQ(CreateDCA("PRINTER", nullptr, nullptr, nullptr), 0u);

    const HDC mem = CreateCompatibleDC(screen);
    const HBITMAP colour = keep(CreateCompatibleBitmap(screen, 6, 4));
    BITMAP bm;
    ASSERT_EQ(GetObjectA(colour, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidth, 6);
    const HGDIOBJ first = SelectObject(mem, colour);
    EXPECT_NE(first, 0u);
    EXPECT_FALSE(DeleteObject(colour)) << "selected into a DC";
    const RECT all{0, 0, 6, 4};
    const HBRUSH green = keep(CreateSolidBrush(RGB(0, 255, 0)));
    FillRect(mem, &all, green);
    SetPixel(mem, 0, 0, RGB(9, 8, 7));
    ASSERT_TRUE(BitBlt(m_dc, 10, 10, 4, 3, mem, 0, 0, SRCCOPY));
    expectPixels(m_dc, 24, 20, [](int x, int y) {
        if (x == 10 && y == 10)
            return RGB(9, 8, 7);
        return x >= 10 && x < 14 && y >= 10 && y < 13 ? RGB(0, 255, 0) : kWhite;
    });

    // Monochrome source: 0 bits take the destination's text colour, 1 bits
    // its background colour.
    const unsigned char rows[4] = {0xA0, 0, 0x50, 0};
    const HBITMAP mono = keep(CreateBitmap(4, 2, 1, 1, rows));
    SelectObject(mem, mono);
    SetTextColor(m_dc, RGB(1, 1, 1));
    SetBkColor(m_dc, RGB(2, 2, 2));
    ASSERT_TRUE(BitBlt(m_dc, 0, 0, 4, 2, mem, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(m_dc, 0, 0), RGB(2, 2, 2));
    EXPECT_EQ(GetPixel(m_dc, 1, 0), RGB(1, 1, 1));
    EXPECT_EQ(GetPixel(m_dc, 0, 1), RGB(1, 1, 1));
    EXPECT_EQ(GetPixel(m_dc, 3, 1), RGB(2, 2, 2));
    EXPECT_EQ(GetPixel(m_dc, 4, 0), kWhite);

    // PATCOPY fills with the destination's brush; a clip limits the copy.
    const HGDIOBJ oldBrush = SelectObject(m_dc, green);
    const HRGN clip = keep(CreateRectRgn(0, 15, 2, 20));
    SelectClipRgn(m_dc, clip);
    ASSERT_TRUE(PatBlt(m_dc, 0, 14, 5, 3, PATCOPY));
    SelectClipRgn(m_dc, 0);
    SelectObject(m_dc, oldBrush);
    EXPECT_EQ(GetPixel(m_dc, 0, 14), kWhite);
    EXPECT_EQ(GetPixel(m_dc, 1, 16), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(m_dc, 2, 16), kWhite);

    // Other raster operations combine bit by bit: XOR twice restores, AND
    // keeps the common bits.
    SelectObject(mem, colour);
    SetPixel(mem, 0, 0, RGB(0x0F, 0xF0, 0x33));
    SetPixel(m_dc, 20, 0, RGB(0xFF, 0x00, 0x11));
    ASSERT_TRUE(BitBlt(m_dc, 20, 0, 1, 1, mem, 0, 0, SRCINVERT));
    EXPECT_EQ(GetPixel(m_dc, 20, 0), RGB(0xF0, 0xF0, 0x22));
    BitBlt(m_dc, 20, 0, 1, 1, mem, 0, 0, SRCINVERT);
    EXPECT_EQ(GetPixel(m_dc, 20, 0), RGB(0xFF, 0x00, 0x11));
    BitBlt(m_dc, 20, 0, 1, 1, mem, 0, 0, SRCAND);
    EXPECT_EQ(GetPixel(m_dc, 20, 0), RGB(0x0F, 0x00, 0x11));
    PatBlt(m_dc, 20, 0, 1, 1, DSTINVERT);
    EXPECT_EQ(GetPixel(m_dc, 20, 0), RGB(0xF0, 0xFF, 0xEE));
    EXPECT_FALSE(PatBlt(m_dc, 20, 0, 1, 1, SRCCOPY)) << "PatBlt has no source";

    SelectObject(mem, first);
    EXPECT_TRUE(DeleteDC(mem));
    EXPECT_FALSE(DeleteDC(mem));
    EXPECT_TRUE(DeleteDC(screen));
    EXPECT_FALSE(DeleteDC(m_dc)) << "a GetDC DC goes back by ReleaseDC";
}

TEST_F(GdiTest, FreshMemoryDCIsMonochromeAndColourBlitsToItByBackground)
{
    const HDC mem = CreateCompatibleDC(m_dc);
    const HBITMAP compat = keep(CreateCompatibleBitmap(mem, 3, 1));
    BITMAP bm;
    GetObjectA(compat, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1) << "compatible with the 1x1 monochrome bitmap it holds";
    const HGDIOBJ first = SelectObject(mem, compat);
    // Colour to monochrome: the source's background colour becomes white.
    SetPixel(m_dc, 0, 0, RGB(10, 20, 30));
    SetPixel(m_dc, 1, 0, RGB(255, 0, 0));
    SetPixel(m_dc, 2, 0, RGB(10, 20, 30));
    SetBkColor(m_dc, RGB(10, 20, 30));
    ASSERT_TRUE(BitBlt(mem, 0, 0, 3, 1, m_dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(mem, 0, 0), kWhite);
    EXPECT_EQ(GetPixel(mem, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 2, 0), kWhite);
    // Drawing a colour on a monochrome bitmap gives black or white.
    SetPixel(mem, 1, 0, RGB(250, 250, 240));
    EXPECT_EQ(GetPixel(mem, 1, 0), kWhite);
    SelectObject(mem, first);
    DeleteDC(mem);
}

} // namespace
