// Frame controls, the flat, mono and soft edges, focus rectangles and
// inversion, pixel by pixel under a colour scheme where every system colour
// is distinct.
#include "WinTestSupport.h"

using namespace wintest;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

class FrameControlTest : public WinTest {
protected:
    void SetUp() override
    {
        WinTest::SetUp();
        for (int i = 0; i < 25; ++i) {
            m_saved[i] = GetSysColor(i);
            platform::com::setSysColor(i, RGB(i + 1, 100, 0));
        }
        m_hwnd = topLevel("TestPlain", 40, 30);
        m_dc = GetDC(m_hwnd);
        clear();
    }
    void TearDown() override
    {
        ReleaseDC(m_hwnd, m_dc);
        for (int i = 0; i < 25; ++i)
            platform::com::setSysColor(i, m_saved[i]);
        WinTest::TearDown();
    }
    static COLORREF sys(int index) { return RGB(index + 1, 100, 0); }
    void clear()
    {
        const RECT all{0, 0, 40, 30};
        FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    // The pixels of the colour inside the rectangle, as a bounding box and count.
    QRect box(COLORREF c, int *count = nullptr)
    {
        QRect b;
        int n = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                if (GetPixel(m_dc, x, y) == c) {
                    b |= QRect(x, y, 1, 1);
                    ++n;
                }
        if (count)
            *count = n;
        return b;
    }
    COLORREF m_saved[25];
    HWND m_hwnd = 0;
    HDC m_dc = 0;
};

TEST_F(FrameControlTest, ScrollArrowsAreCentredTrianglesOfAQuarterOfTheButton)
{
    RECT r{2, 3, 18, 19}; // 16 x 16: inside the edge 12 x 12, so 4 rows
    ASSERT_TRUE(DrawFrameControl(m_dc, &r, DFC_SCROLL, DFCS_SCROLLUP));
    int n = 0;
    // Inside the edge: x 4..15, y 5..16; centre column 4 + 11 / 2 = 9, rows
    // 9..12.
    EXPECT_EQ(box(sys(COLOR_BTNTEXT), &n), QRect(6, 9, 7, 4));
    EXPECT_EQ(n, 16) << "rows of 1, 3, 5 and 7 pixels";
    EXPECT_EQ(GetPixel(m_dc, 9, 9), sys(COLOR_BTNTEXT)) << "the apex on top, centred";
    EXPECT_EQ(GetPixel(m_dc, 8, 9), sys(COLOR_BTNFACE));
    EXPECT_EQ(GetPixel(m_dc, 2, 3), sys(COLOR_3DLIGHT)) << "a raised edge";
    EXPECT_EQ(GetPixel(m_dc, 17, 18), sys(COLOR_3DDKSHADOW));

    clear();
    ASSERT_TRUE(DrawFrameControl(m_dc, &r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX));
    EXPECT_EQ(box(sys(COLOR_BTNTEXT), &n), QRect(6, 9, 7, 4));
    EXPECT_EQ(GetPixel(m_dc, 9, 12), sys(COLOR_BTNTEXT)) << "the combo arrow points down";
    EXPECT_EQ(GetPixel(m_dc, 6, 9), sys(COLOR_BTNTEXT));
    EXPECT_EQ(GetPixel(m_dc, 8, 12), sys(COLOR_BTNFACE));

    clear();
    ASSERT_TRUE(DrawFrameControl(m_dc, &r, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_PUSHED));
    EXPECT_EQ(box(sys(COLOR_BTNTEXT)), QRect(7, 10, 7, 4)) << "pushed moves the arrow by one";
    EXPECT_EQ(GetPixel(m_dc, 2, 3), sys(COLOR_3DSHADOW)) << "and flattens the edge";
    EXPECT_EQ(GetPixel(m_dc, 17, 18), sys(COLOR_3DSHADOW));

    clear();
    RECT wide{0, 0, 24, 12}; // inside 20 x 8: 2 rows
    ASSERT_TRUE(DrawFrameControl(m_dc, &wide, DFC_SCROLL, DFCS_SCROLLRIGHT));
    EXPECT_EQ(box(sys(COLOR_BTNTEXT), &n), QRect(11, 4, 2, 3));
    EXPECT_EQ(n, 4);
    EXPECT_EQ(GetPixel(m_dc, 12, 5), sys(COLOR_BTNTEXT)) << "the apex on the right";

    clear();
    ASSERT_TRUE(DrawFrameControl(m_dc, &r, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE));
    EXPECT_TRUE(box(sys(COLOR_BTNTEXT)).isEmpty());
    EXPECT_EQ(box(sys(COLOR_GRAYTEXT)), QRect(6, 9, 7, 4));
    RECT adjusted = r;
    DrawFrameControl(m_dc, &adjusted, DFC_SCROLL, DFCS_SCROLLUP | DFCS_ADJUSTRECT);
    EXPECT_EQ(adjusted, (RECT{4, 5, 16, 17}));
    EXPECT_FALSE(DrawFrameControl(m_dc, &r, DFC_SCROLL, 7)) << "no such arrow";
}

TEST_F(FrameControlTest, PushButtonsAreSoftRaisedOrSunkenWithTheFaceInside)
{
    RECT r{0, 0, 10, 8};
    ASSERT_TRUE(DrawFrameControl(m_dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT));
    EXPECT_EQ(r, (RECT{2, 2, 8, 6}));
    EXPECT_EQ(GetPixel(m_dc, 0, 0), sys(COLOR_3DHIGHLIGHT)) << "soft: highlight outside";
    EXPECT_EQ(GetPixel(m_dc, 1, 1), sys(COLOR_3DLIGHT));
    EXPECT_EQ(GetPixel(m_dc, 9, 7), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 8, 6), sys(COLOR_3DSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 4, 4), sys(COLOR_BTNFACE));
    EXPECT_EQ(GetPixel(m_dc, 10, 4), kWhite);

    RECT down{0, 10, 10, 18};
    ASSERT_TRUE(DrawFrameControl(m_dc, &down, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED));
    EXPECT_EQ(down, (RECT{0, 10, 10, 18})) << "no DFCS_ADJUSTRECT, no change";
    EXPECT_EQ(GetPixel(m_dc, 0, 10), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 1, 11), sys(COLOR_3DSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 9, 17), sys(COLOR_3DHIGHLIGHT));
}

TEST_F(FrameControlTest, CheckBoxesAndRadioButtonsShowTheirMarkOnlyWhenChecked)
{
    RECT r{0, 0, 13, 13};
    ASSERT_TRUE(DrawFrameControl(m_dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK));
    EXPECT_EQ(GetPixel(m_dc, 0, 0), sys(COLOR_3DSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 6, 6), sys(COLOR_WINDOW));
    EXPECT_TRUE(box(sys(COLOR_WINDOWTEXT)).isEmpty());
    ASSERT_TRUE(DrawFrameControl(m_dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED));
    const QRect tick = box(sys(COLOR_WINDOWTEXT));
    ASSERT_FALSE(tick.isEmpty());
    EXPECT_TRUE(QRect(2, 2, 9, 9).contains(tick)) << "the tick stays inside the box";
    DrawFrameControl(m_dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
    EXPECT_TRUE(box(sys(COLOR_WINDOWTEXT)).isEmpty());
    EXPECT_FALSE(box(sys(COLOR_GRAYTEXT)).isEmpty());
    EXPECT_EQ(GetPixel(m_dc, 2, 2), sys(COLOR_BTNFACE)) << "inactive boxes have the face inside";

    clear();
    RECT radio{20, 0, 33, 13};
    ASSERT_TRUE(DrawFrameControl(m_dc, &radio, DFC_BUTTON, DFCS_BUTTONRADIO));
    EXPECT_TRUE(box(sys(COLOR_WINDOWTEXT)).isEmpty());
    EXPECT_EQ(GetPixel(m_dc, 26, 6), sys(COLOR_WINDOW));
    EXPECT_EQ(GetPixel(m_dc, 20, 0), kWhite) << "a circle leaves the corners";
    DrawFrameControl(m_dc, &radio, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
    const QRect dot = box(sys(COLOR_WINDOWTEXT));
    ASSERT_FALSE(dot.isEmpty());
    EXPECT_TRUE(dot.contains(QPoint(26, 6))) << "the dot sits in the middle";
    EXPECT_TRUE(QRect(22, 2, 9, 9).contains(dot));
}

TEST_F(FrameControlTest, FlatMonoAndSoftEdges)
{
    RECT r{0, 0, 8, 6};
    DrawEdge(m_dc, &r, EDGE_RAISED, BF_RECT | BF_FLAT | BF_MIDDLE);
    EXPECT_EQ(GetPixel(m_dc, 0, 0), sys(COLOR_3DSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 7, 5), sys(COLOR_3DSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 1, 1), sys(COLOR_3DFACE));
    EXPECT_EQ(GetPixel(m_dc, 6, 4), sys(COLOR_3DFACE));

    RECT m{10, 0, 18, 6};
    DrawEdge(m_dc, &m, EDGE_SUNKEN, BF_RECT | BF_MONO | BF_MIDDLE);
    EXPECT_EQ(GetPixel(m_dc, 10, 0), sys(COLOR_WINDOWFRAME));
    EXPECT_EQ(GetPixel(m_dc, 17, 5), sys(COLOR_WINDOWFRAME));
    EXPECT_EQ(GetPixel(m_dc, 11, 1), sys(COLOR_WINDOW));
    EXPECT_EQ(GetPixel(m_dc, 13, 3), sys(COLOR_WINDOW)) << "a mono middle is the window colour";

    RECT s{20, 0, 28, 6};
    DrawEdge(m_dc, &s, EDGE_SUNKEN, BF_RECT | BF_SOFT);
    EXPECT_EQ(GetPixel(m_dc, 20, 0), sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 21, 1), sys(COLOR_3DSHADOW));
    EXPECT_EQ(GetPixel(m_dc, 27, 5), sys(COLOR_3DHIGHLIGHT)) << "bottom-right as without BF_SOFT";
    EXPECT_EQ(GetPixel(m_dc, 26, 4), sys(COLOR_3DLIGHT));
}

TEST_F(FrameControlTest, FocusRectanglesAndInversionUndoThemselves)
{
    const HBRUSH grey = CreateSolidBrush(RGB(100, 110, 120));
    const RECT all{0, 0, 40, 30};
    FillRect(m_dc, &all, grey);
    const RECT r{2, 3, 9, 8};
    ASSERT_TRUE(DrawFocusRect(m_dc, &r));
    const COLORREF inv = RGB(155, 145, 135);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool border = x >= 2 && x < 9 && y >= 3 && y < 8 && (x == 2 || x == 8 || y == 3 || y == 7);
            EXPECT_EQ(GetPixel(m_dc, x, y), border && (x + y) % 2 == 0 ? inv : RGB(100, 110, 120)) << x << "," << y;
        }
    DrawFocusRect(m_dc, &r);
    EXPECT_EQ(box(inv), QRect()) << "a second focus rectangle removes the first";

    const RECT part{5, 5, 7, 6};
    ASSERT_TRUE(InvertRect(m_dc, &part));
    EXPECT_EQ(box(inv), QRect(5, 5, 2, 1));
    InvertRect(m_dc, &part);
    EXPECT_TRUE(box(inv).isEmpty());
    DeleteObject(grey);
}

} // namespace
