// Invalidation, WM_PAINT with BeginPaint/EndPaint, WM_ERASEBKGND and the first
// drawing calls with Win32's integer rules.
#include "WinTestSupport.h"

#include <QTest>

#include "platform/com/olecolor.h"

using namespace wintest;

namespace {

class PaintTest : public WinTest {
protected:
    static COLORREF at(HWND hwnd, int x, int y)
    {
        const QRgb c = WindowSurface(hwnd).pixel(x, y);
        return RGB(qRed(c), qGreen(c), qBlue(c));
    }
};

TEST_F(PaintTest, UpdateWindowPaintsTheInvalidAreaOnceWithEraseFirst)
{
    const HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    registerClass("TestBlue", 0, blue);
    const HWND hwnd = topLevel("TestBlue", 40, 30);
    UpdateWindow(hwnd);
    RECT seenPaint{};
    BOOL seenErase = -1;
    hooks()[hwnd] = [&](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(h, &ps);
        seenPaint = ps.rcPaint;
        seenErase = ps.fErase;
        // Paint the whole client area red: only the invalid part changes.
        const RECT all{0, 0, 40, 30};
        const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &all, red);
        EndPaint(h, &ps);
        DeleteObject(red);
        return 0;
    };
    log().clear();
    const RECT part{5, 6, 15, 16};
    InvalidateRect(hwnd, &part, TRUE);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
    EXPECT_EQ(update, part);
    UpdateWindow(hwnd);
    EXPECT_EQ(messages(hwnd), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    EXPECT_EQ(seenPaint, part);
    EXPECT_FALSE(seenErase) << "the class brush erased the background";
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    EXPECT_EQ(at(hwnd, 5, 6), RGB(255, 0, 0));
    EXPECT_EQ(at(hwnd, 14, 15), RGB(255, 0, 0));
    EXPECT_EQ(at(hwnd, 15, 15), RGB(0, 0, 255)) << "right edge is outside";
    EXPECT_EQ(at(hwnd, 14, 16), RGB(0, 0, 255)) << "bottom edge is outside";

    log().clear();
    UpdateWindow(hwnd);
    EXPECT_TRUE(log().empty()) << "nothing invalid, no WM_PAINT";
    InvalidateRect(hwnd, &part, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(messages(hwnd), (std::vector<UINT>{WM_PAINT})) << "no erase asked";
    EXPECT_TRUE(seenErase);
    DestroyWindow(hwnd);
    m_created.clear();
    UnregisterClassA("TestBlue", 0);
    EXPECT_TRUE(DeleteObject(blue));
}

TEST_F(PaintTest, QtsPaintCycleSendsWmPaintAndShowsTheSurface)
{
    const HWND hwnd = topLevel("TestPlain", 30, 20);
    hooks()[hwnd] = [&](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(h, &ps);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(h, &ps);
        return 0;
    };
    log().clear();
    InvalidateRect(hwnd, nullptr, FALSE);
    QTRY_VERIFY(!recordsOf(WM_PAINT).empty());
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    const QImage shown = WidgetOfWindow(hwnd)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(29, 19), QColor(Qt::black));
}

TEST_F(PaintTest, DefaultPaintValidatesAndAWindowWithoutBrushKeepsItsPixels)
{
    const HWND hwnd = topLevel("TestPlain", 20, 20);
    InvalidateRect(hwnd, nullptr, TRUE);
    log().clear();
    UpdateWindow(hwnd);
    EXPECT_EQ(messages(hwnd), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    EXPECT_EQ(at(hwnd, 3, 3), RGB(255, 255, 255));
}

TEST_F(PaintTest, RectangleAndLinesFollowWin32PixelRules)
{
    const HWND hwnd = topLevel("TestPlain", 20, 20);
    const HDC dc = GetDC(hwnd);
    const RECT all{0, 0, 20, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    const HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    const HGDIOBJ oldPen = SelectObject(dc, red);
    const HGDIOBJ oldBrush = SelectObject(dc, green);
    EXPECT_FALSE(DeleteObject(red)) << "selected into a DC";
    ASSERT_TRUE(Rectangle(dc, 2, 2, 8, 6));
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 7, 5), RGB(255, 0, 0)) << "outline ends at right-1, bottom-1";
    EXPECT_EQ(GetPixel(dc, 8, 5), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 7, 6), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 6, 4), RGB(0, 255, 0));

    SelectObject(dc, GetStockObject(NULL_PEN));
    ASSERT_TRUE(Rectangle(dc, 10, 10, 14, 13));
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 12, 11), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 13, 11), RGB(255, 255, 255)) << "without a pen the fill is one smaller";
    EXPECT_EQ(GetPixel(dc, 12, 12), RGB(255, 255, 255));

    SelectObject(dc, red);
    POINT previous;
    MoveToEx(dc, 0, 18, &previous);
    ASSERT_TRUE(LineTo(dc, 5, 18));
    EXPECT_EQ(GetPixel(dc, 0, 18), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 4, 18), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 5, 18), RGB(255, 255, 255)) << "the end point is left out";
    LineTo(dc, 5, 14);
    EXPECT_EQ(GetPixel(dc, 5, 18), RGB(255, 0, 0)) << "the next line starts there";
    EXPECT_EQ(GetPixel(dc, 5, 15), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 5, 14), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 20, 0), CLR_INVALID);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    EXPECT_TRUE(ReleaseDC(hwnd, dc));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_TRUE(DeleteObject(green));
    EXPECT_FALSE(DeleteObject(GetStockObject(BLACK_PEN))) << "stock objects stay";
    EXPECT_EQ(FillRect(dc, &all, green), 0) << "released DC and deleted brush";
}

TEST_F(PaintTest, ResizingInvalidatesTheNewAreaOrAllForRedrawClasses)
{
    const HWND hwnd = topLevel("TestPlain", 20, 20);
    UpdateWindow(hwnd);
    MoveWindow(hwnd, 10, 10, 30, 20, TRUE);
    RECT r;
    ASSERT_TRUE(GetUpdateRect(hwnd, &r, FALSE));
    EXPECT_EQ(r, (RECT{20, 0, 30, 20}));
    EXPECT_EQ(WindowSurface(hwnd).size(), QSize(30, 20));

    registerClass("TestRedraw", CS_HREDRAW | CS_VREDRAW);
    const HWND redraw = topLevel("TestRedraw", 20, 20);
    UpdateWindow(redraw);
    MoveWindow(redraw, 10, 10, 20, 25, TRUE);
    ASSERT_TRUE(GetUpdateRect(redraw, &r, FALSE));
    EXPECT_EQ(r, (RECT{0, 0, 20, 25}));
    DestroyWindow(redraw);
    std::erase(m_created, redraw);
    UnregisterClassA("TestRedraw", 0);
}

TEST_F(PaintTest, SunkenEdgeAndSystemColourBrushesFollowTheColourTable)
{
    // A scheme of distinct colours so that each pixel names its source.
    const int indexes[] = {COLOR_BTNFACE, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    COLORREF saved[5];
    for (int i = 0; i < 5; ++i) {
        saved[i] = GetSysColor(indexes[i]);
        platform::com::setSysColor(indexes[i], RGB(10 * (i + 1), 0, 0));
    }
    const COLORREF face = RGB(10, 0, 0), shadow = RGB(20, 0, 0), hilight = RGB(30, 0, 0), dkshadow = RGB(40, 0, 0),
                   light = RGB(50, 0, 0), white = RGB(255, 255, 255);

    const HWND hwnd = topLevel("TestPlain", 12, 10);
    const HDC dc = GetDC(hwnd);
    const RECT all{0, 0, 12, 10};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT r{2, 2, 10, 8};
    ASSERT_TRUE(DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST));
    EXPECT_EQ(r, (RECT{4, 4, 8, 6}));
    // Outer ring on (2,2)-(10,8): shadow on top and left, highlight on bottom
    // and right including the top-right and bottom-left corners; inner ring on
    // (3,3)-(9,7): dark shadow, then light; the middle in the face colour.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            COLORREF want = white;
            if (x >= 4 && x < 8 && y >= 4 && y < 6)
                want = face;
            else if (x >= 3 && x <= 8 && y >= 3 && y <= 6)
                want = (y == 6 || x == 8) ? light : dkshadow;
            else if (x >= 2 && x <= 9 && y >= 2 && y <= 7)
                want = (y == 7 || x == 9) ? hilight : shadow;
            EXPECT_EQ(GetPixel(dc, x, y), want) << "at " << x << "," << y;
        }
    }
    // A system colour brush takes the table's colour when it is used.
    platform::com::setSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
    const RECT one{0, 0, 1, 1};
    FillRect(dc, &one, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(1, 2, 3));
    FillRect(dc, &one, static_cast<HBRUSH>(COLOR_3DSHADOW + 1));
    EXPECT_EQ(GetPixel(dc, 0, 0), shadow) << "a class background value of index + 1";
    ReleaseDC(hwnd, dc);
    for (int i = 0; i < 5; ++i)
        platform::com::setSysColor(indexes[i], saved[i]);
}

TEST_F(PaintTest, AClassBackgroundOfASystemColourErasesWithIt)
{
    registerClass("TestFace", 0, static_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const HWND hwnd = topLevel("TestFace", 10, 10);
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    const QRgb c = WindowSurface(hwnd).pixel(5, 5);
    EXPECT_EQ(RGB(qRed(c), qGreen(c), qBlue(c)), GetSysColor(COLOR_BTNFACE));
    DestroyWindow(hwnd);
    std::erase(m_created, hwnd);
    UnregisterClassA("TestFace", 0);
}

} // namespace
