// The non-client area, hit testing and non-client mouse input, cursors and
// WM_SETCURSOR, WM_PARENTNOTIFY, z-order, RedrawWindow and scrolling.
#include "WinTestSupport.h"
#include "pointer.h"

#include <QTest>

using namespace wintest;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

COLORREF shownPixel(HWND hwnd, int x, int y)
{
    const QImage shown = WidgetOfWindow(hwnd)->grab().toImage();
    return RGB(shown.pixelColor(x, y).red(), shown.pixelColor(x, y).green(), shown.pixelColor(x, y).blue());
}

class NonClientTest : public WinTest {
protected:
    HWND framed(HWND parent, DWORD style, DWORD exStyle, int x = 10, int y = 10, int w = 40, int h = 30, int id = 7)
    {
        return CreateWindowExA(exStyle, "TestPlain", "framed", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                               static_cast<HMENU>(id), 0, nullptr);
    }
    static RECT client(HWND hwnd)
    {
        RECT r;
        GetClientRect(hwnd, &r);
        return r;
    }
    static POINT origin(HWND hwnd)
    {
        POINT p{0, 0};
        ClientToScreen(hwnd, &p);
        return p;
    }
};

TEST_F(NonClientTest, EachStyleTakesItsFrameFromTheWindowRectangle)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    struct Case {
        DWORD style, exStyle;
        int inset, top;
    } cases[] = {
        {0, 0, 0, 0},
        {WS_BORDER, 0, 1, 1},
        {0, WS_EX_CLIENTEDGE, 2, 2},
        {0, WS_EX_STATICEDGE, 1, 1},
        {WS_BORDER, WS_EX_CLIENTEDGE, 3, 3},
        {WS_DLGFRAME, 0, 3, 3},
        {WS_CAPTION, 0, 3, 21},
    };
    for (const Case &c : cases) {
        const HWND kid = framed(top, c.style, c.exStyle);
        ASSERT_NE(kid, 0u);
        EXPECT_EQ(client(kid), (RECT{0, 0, 40 - 2 * c.inset, 30 - c.top - c.inset})) << c.style << "/" << c.exStyle;
        RECT window;
        GetWindowRect(kid, &window);
        const POINT o = origin(kid);
        EXPECT_EQ(o.x - window.left, c.inset);
        EXPECT_EQ(o.y - window.top, c.top);
        EXPECT_EQ(window.right - window.left, 40);
        RECT adjusted{0, 0, client(kid).right, client(kid).bottom};
        AdjustWindowRectEx(&adjusted, WS_CHILD | c.style, FALSE, c.exStyle);
        EXPECT_EQ(adjusted, (RECT{-c.inset, -c.top, 40 - c.inset, 30 - c.top}));
        EXPECT_EQ(WindowSurface(kid).size(), QSize(40 - 2 * c.inset, 30 - c.top - c.inset));
        DestroyWindow(kid);
    }
    // Top-level windows take the same frames.
    RECT r{0, 0, 100, 50};
    AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION, FALSE, 0);
    EXPECT_EQ(r, (RECT{-3, -21, 103, 53}));
    r = RECT{0, 0, 100, 50};
    AdjustWindowRectEx(&r, WS_POPUP | WS_BORDER, FALSE, WS_EX_CLIENTEDGE);
    EXPECT_EQ(r, (RECT{-3, -3, 103, 53}));
}

TEST_F(NonClientTest, CaptionedTopLevelWindowsDrawTheirCaptionAndCloseFromIt)
{
    const HWND dialog = CreateWindowExA(0, "TestPlain", "Caption", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                        40, 40, 120, 80, 0, 0, 0, nullptr);
    m_created.push_back(dialog);
    QWidget *widget = WidgetOfWindow(dialog);
    EXPECT_TRUE(widget->windowFlags() & Qt::FramelessWindowHint) << "no second caption from the window system";
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    EXPECT_EQ(client(dialog), (RECT{0, 0, 114, 56}));
    RECT w;
    GetWindowRect(dialog, &w);
    auto hit = [&](int x, int y) { return SendMessageA(dialog, WM_NCHITTEST, 0, MAKELPARAM(w.left + x, w.top + y)); };
    EXPECT_EQ(hit(20, 10), HTCAPTION);
    EXPECT_EQ(hit(120 - 3 - 2 - 7, 10), HTCLOSE);
    EXPECT_EQ(hit(20, 30), HTCLIENT);
    EXPECT_EQ(hit(1, 30), HTBORDER);
    // The caption band is drawn in the caption colour.
    const QImage shown = widget->grab().toImage();
    EXPECT_EQ(shown.pixelColor(20, 4).rgb() & 0xFFFFFF, QColor(GetRValue(GetSysColor(2)), GetGValue(GetSysColor(2)),
                                                              GetBValue(GetSysColor(2))).rgb() & 0xFFFFFF);

    // A caption click with Shift is a non-client click the window sees with
    // the key state of that moment.
    SHORT shiftSeen = 0;
    hooks()[dialog] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_NCLBUTTONDOWN)
            shiftSeen = GetKeyState(VK_SHIFT);
        return std::nullopt;
    };
    log().clear();
    QTest::mouseClick(widget, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
    const auto downs = recordsOf(WM_NCLBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_TRUE(shiftSeen & 0x8000);

    // Pressing and releasing on the close box closes the window.
    log().clear();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(120 - 3 - 2 - 7, 10));
    EXPECT_EQ(messages(dialog, {WM_NCHITTEST, WM_SETCURSOR, WM_NCMOUSEMOVE, WM_MOUSEMOVE}),
              (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(dialog));
    m_created.clear();
}

TEST_F(NonClientTest, SizingFramesNameTheirSidesAndCorners)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    const HWND kid = framed(top, WS_THICKFRAME, 0, 10, 10, 100, 80);
    EXPECT_EQ(client(kid), (RECT{0, 0, 92, 72}));
    RECT w;
    GetWindowRect(kid, &w);
    auto hit = [&](int x, int y) { return SendMessageA(kid, WM_NCHITTEST, 0, MAKELPARAM(w.left + x, w.top + y)); };
    EXPECT_EQ(hit(0, 40), HTLEFT);
    EXPECT_EQ(hit(99, 40), HTRIGHT);
    EXPECT_EQ(hit(50, 0), HTTOP);
    EXPECT_EQ(hit(50, 79), HTBOTTOM);
    EXPECT_EQ(hit(0, 0), HTTOPLEFT);
    EXPECT_EQ(hit(99, 5), HTTOPRIGHT) << "near a corner on the side";
    EXPECT_EQ(hit(5, 79), HTBOTTOMLEFT);
    EXPECT_EQ(hit(99, 79), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(50, 40), HTCLIENT);
}

TEST_F(NonClientTest, ChildrenSitInTheParentsClientArea)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    const HWND box = framed(top, WS_BORDER, WS_EX_CLIENTEDGE, 10, 20, 80, 60);
    const HWND inner = child(box, "TestPlain", 0, 0, 10, 10, 3);
    const POINT boxOrigin = origin(box), innerOrigin = origin(inner);
    EXPECT_EQ(innerOrigin.x, boxOrigin.x);
    EXPECT_EQ(innerOrigin.y, boxOrigin.y);
    EXPECT_EQ(WidgetOfWindow(inner)->geometry(), QRect(3, 3, 10, 10)) << "in the parent widget, past the frame";
    // The window's own position is in its parent's client coordinates.
    EXPECT_EQ(boxOrigin.x - origin(top).x, 13);
    EXPECT_EQ(boxOrigin.y - origin(top).y, 23);
}

TEST_F(NonClientTest, DefaultNcPaintDrawsTheFrameAroundTheClientSurface)
{
    const int indexes[] = {COLOR_3DSHADOW, COLOR_3DHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT, 6};
    COLORREF saved[5];
    for (int i = 0; i < 5; ++i) {
        saved[i] = GetSysColor(indexes[i]);
        platform::com::setSysColor(indexes[i], RGB(10 * (i + 1), 0, 0));
    }
    const COLORREF shadow = RGB(10, 0, 0), hilight = RGB(20, 0, 0), dkshadow = RGB(30, 0, 0), light = RGB(40, 0, 0),
                   frame = RGB(50, 0, 0);
    const HWND top = topLevel("TestPlain", 100, 80);
    const HWND kid = framed(top, WS_BORDER, WS_EX_CLIENTEDGE, 0, 0, 20, 16);
    hooks()[kid] = [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(h, &ps);
        const RECT all{0, 0, 100, 100};
        const HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        FillRect(dc, &all, green);
        EndPaint(h, &ps);
        DeleteObject(green);
        return 0;
    };
    log().clear();
    ASSERT_TRUE(RedrawWindow(kid, nullptr, 0, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW));
    EXPECT_EQ(messages(kid, {WM_ERASEBKGND}), (std::vector<UINT>{WM_NCPAINT, WM_PAINT}));
    // Ring 0: the border; ring 1: shadow/highlight; ring 2: dark shadow/light.
    EXPECT_EQ(shownPixel(kid, 0, 0), frame);
    EXPECT_EQ(shownPixel(kid, 19, 15), frame);
    EXPECT_EQ(shownPixel(kid, 1, 1), shadow);
    EXPECT_EQ(shownPixel(kid, 18, 14), hilight);
    EXPECT_EQ(shownPixel(kid, 2, 2), dkshadow);
    EXPECT_EQ(shownPixel(kid, 17, 13), light);
    EXPECT_EQ(shownPixel(kid, 3, 3), RGB(0, 255, 0)) << "the client surface starts inside the frame";
    EXPECT_EQ(shownPixel(kid, 16, 12), RGB(0, 255, 0));
    EXPECT_EQ(WindowSurface(kid).size(), QSize(14, 10));
    for (int i = 0; i < 5; ++i)
        platform::com::setSysColor(indexes[i], saved[i]);
}

TEST_F(NonClientTest, FrameChangeAndOwnNcCalcSizeSetTheClientArea)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    const HWND kid = framed(top, 0, 0, 0, 0, 50, 40);
    EXPECT_EQ(client(kid), (RECT{0, 0, 50, 40}));
    SetWindowLongA(kid, GWL_STYLE, GetWindowLongA(kid, GWL_STYLE) | WS_BORDER);
    EXPECT_EQ(client(kid), (RECT{0, 0, 50, 40})) << "not before SWP_FRAMECHANGED";
    log().clear();
    SetWindowPos(kid, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    EXPECT_EQ(client(kid), (RECT{0, 0, 48, 38}));
    EXPECT_EQ(messages(kid, {WM_PAINT, WM_ERASEBKGND}), (std::vector<UINT>{WM_NCCALCSIZE, WM_SIZE}));
    EXPECT_EQ(recordsOf(WM_SIZE)[0].lParam, MAKELPARAM(48, 38));

    // A procedure may make its own band: 5 pixels on top.
    hooks()[kid] = [](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (msg != WM_NCCALCSIZE)
            return std::nullopt;
        RECT &r = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS *>(lParam)->rgrc[0] : *reinterpret_cast<RECT *>(lParam);
        r.top += 5;
        return 0;
    };
    MoveWindow(kid, 0, 0, 60, 40, TRUE);
    EXPECT_EQ(client(kid), (RECT{0, 0, 60, 35}));
    // An answer outside the window is held to the window.
    hooks()[kid] = [](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (msg != WM_NCCALCSIZE || !wParam)
            return std::nullopt;
        RECT &r = reinterpret_cast<NCCALCSIZE_PARAMS *>(lParam)->rgrc[0];
        r.left -= 100000;
        r.bottom += 100000;
        return 0;
    };
    MoveWindow(kid, 0, 0, 30, 20, TRUE);
    EXPECT_EQ(client(kid), (RECT{0, 0, 30, 20}));
}

TEST_F(NonClientTest, HitTestsNameTheBandsAndQtInputThereIsNonClient)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    const HWND kid = framed(top, WS_BORDER, WS_EX_CLIENTEDGE, 10, 10, 40, 30);
    const HWND captioned = framed(top, WS_CAPTION, 0, 100, 10, 60, 50, 8);
    RECT w;
    GetWindowRect(kid, &w);
    auto hit = [](HWND h, LONG x, LONG y) { return SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
    EXPECT_EQ(hit(kid, w.left, w.top), HTBORDER);
    EXPECT_EQ(hit(kid, w.left + 2, w.top + 10), HTBORDER);
    EXPECT_EQ(hit(kid, w.left + 3, w.top + 3), HTCLIENT);
    EXPECT_EQ(hit(kid, w.right - 4, w.bottom - 4), HTCLIENT);
    EXPECT_EQ(hit(kid, w.right - 3, w.bottom - 4), HTBORDER);
    EXPECT_EQ(hit(kid, w.right, w.top), HTNOWHERE);
    RECT c;
    GetWindowRect(captioned, &c);
    EXPECT_EQ(hit(captioned, c.left + 10, c.top + 5), HTCAPTION);
    EXPECT_EQ(hit(captioned, c.left + 1, c.top + 5), HTBORDER);
    EXPECT_EQ(hit(captioned, c.left + 10, c.top + 25), HTCLIENT);

    QWidget *widget = WidgetOfWindow(kid);
    // On a display: input once the window manager has placed the window.
    ASSERT_TRUE(QTest::qWaitForWindowActive(WidgetOfWindow(top)));
    log().clear();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(1, 12));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(1, 12));
    const auto down = recordsOf(WM_NCLBUTTONDOWN);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].hwnd, kid);
    EXPECT_EQ(down[0].wParam, static_cast<WPARAM>(HTBORDER));
    EXPECT_EQ(down[0].lParam, MAKELPARAM(w.left + 1, w.top + 12)) << "screen coordinates";
    EXPECT_EQ(recordsOf(WM_NCLBUTTONUP).size(), 1u);
    EXPECT_TRUE(recordsOf(WM_LBUTTONDOWN).empty());

    ASSERT_TRUE(talviktest::pointerInto(widget, QPoint(20, 15)));
    log().clear();
    ASSERT_TRUE(talviktest::movePointer(widget, QPoint(2, 5)));
    const auto ncMoves = recordsOf(WM_NCMOUSEMOVE);
    ASSERT_FALSE(ncMoves.empty());
    EXPECT_EQ(ncMoves.back().wParam, static_cast<WPARAM>(HTBORDER));
    EXPECT_TRUE(recordsOf(WM_MOUSEMOVE).empty());

    log().clear();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, 9));
    const auto clientDown = recordsOf(WM_LBUTTONDOWN);
    ASSERT_EQ(clientDown.size(), 1u);
    EXPECT_EQ(clientDown[0].lParam, MAKELPARAM(5, 6)) << "client coordinates past the 3-pixel frame";
    EXPECT_TRUE(recordsOf(WM_NCLBUTTONDOWN).empty());

    // A window answering HTTRANSPARENT passes the input to its parent.
    hooks()[kid] = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return msg == WM_NCHITTEST ? std::optional<LRESULT>(HTTRANSPARENT) : std::nullopt;
    };
    log().clear();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, 9));
    const auto passed = recordsOf(WM_LBUTTONDOWN);
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_EQ(passed[0].hwnd, top);
    EXPECT_EQ(passed[0].lParam, MAKELPARAM(18, 19));
}

TEST_F(NonClientTest, SetCursorMessagesAskTheParentThenUseTheClassCursor)
{
    const HCURSOR ibeam = LoadCursorA(0, IDC_IBEAM), cross = LoadCursorA(0, IDC_CROSS), arrow = LoadCursorA(0, IDC_ARROW);
    ASSERT_TRUE(ibeam && cross && arrow);
    EXPECT_NE(ibeam, cross);
    EXPECT_EQ(LoadCursorA(0, IDC_IBEAM), ibeam) << "shared";
    EXPECT_EQ(LoadCursorA(0, MAKEINTRESOURCEA(1)), 0u);
    EXPECT_EQ(LoadCursorA(0x400000, IDC_ARROW), 0u) << "no cursor resources in modules";
    EXPECT_EQ(CursorShapeOf(ibeam), Qt::IBeamCursor);
    EXPECT_EQ(CursorShapeOf(LoadCursorA(0, IDC_SIZEWE)), Qt::SizeHorCursor);
    EXPECT_EQ(CursorShapeOf(LoadCursorA(0, IDC_WAIT)), Qt::WaitCursor);

    WNDCLASSA wc;
    wc.lpfnWndProc = RecordingProc;
    wc.hCursor = ibeam;
    wc.lpszClassName = "TestIBeam";
    ASSERT_TRUE(RegisterClassA(&wc));
    const HWND top = topLevel("TestPlain", 200, 150);
    const HWND kid = CreateWindowExA(0, "TestIBeam", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 50, 40, top,
                                     static_cast<HMENU>(4), 0, nullptr);
    QWidget *widget = WidgetOfWindow(kid);
    SetCursor(arrow);
    // On a display: input once the window manager has placed the window, and
    // the pointer over the window before it moves, as a person's is.
    ASSERT_TRUE(QTest::qWaitForWindowActive(WidgetOfWindow(top)));
    ASSERT_TRUE(talviktest::pointerInto(widget, QPoint(20, 20)));
    SetCursor(arrow);
    log().clear();
    ASSERT_TRUE(talviktest::movePointer(widget, QPoint(10, 10)));
    const auto asks = recordsOf(WM_SETCURSOR);
    ASSERT_EQ(asks.size(), 2u) << "the child, then its parent on its behalf";
    EXPECT_EQ(asks[0].hwnd, kid);
    EXPECT_EQ(asks[1].hwnd, top);
    EXPECT_EQ(asks[0].wParam, static_cast<WPARAM>(kid));
    EXPECT_EQ(asks[0].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(asks[1].lParam, asks[0].lParam);
    EXPECT_EQ(GetCursor(), ibeam);
    EXPECT_EQ(widget->cursor().shape(), Qt::IBeamCursor);

    // Over the border the arrow.
    EXPECT_TRUE(talviktest::movePointer(widget, QPoint(0, 10)));
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(widget->cursor().shape(), Qt::ArrowCursor);

    // A parent that sets the cursor itself decides.
    hooks()[top] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_SETCURSOR)
            return std::nullopt;
        SetCursor(cross);
        return TRUE;
    };
    EXPECT_TRUE(talviktest::movePointer(widget, QPoint(12, 12)));
    EXPECT_EQ(GetCursor(), cross);
    EXPECT_EQ(widget->cursor().shape(), Qt::CrossCursor);
    // A window without a class cursor keeps the cursor the mouse brings.
    hooks().erase(top);
    const HWND plain = framed(top, 0, 0, 100, 10, 40, 40, 5);
    EXPECT_TRUE(talviktest::movePointer(WidgetOfWindow(plain), QPoint(5, 5)));
    EXPECT_EQ(GetCursor(), cross);
    EXPECT_EQ(WidgetOfWindow(plain)->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(SetCursor(0), cross);
    EXPECT_TRUE(talviktest::movePointer(widget, QPoint(12, 12)));
    EXPECT_EQ(GetCursor(), ibeam);
    EXPECT_EQ(SetCursor(0), ibeam);
    EXPECT_EQ(widget->cursor().shape(), Qt::BlankCursor) << "no cursor hides it";
    EXPECT_EQ(GetCursor(), 0u);
    EXPECT_EQ(SetCursor(0x1234), 0u) << "not a cursor: nothing changes";
    SetCursor(arrow);
    EXPECT_TRUE(DestroyCursor(ibeam));
    EXPECT_EQ(LoadCursorA(0, IDC_IBEAM), ibeam) << "shared cursors stay";
    EXPECT_FALSE(DestroyCursor(0x1234));
    DestroyWindow(top);
    m_created.clear();
    UnregisterClassA("TestIBeam", 0);
}

TEST_F(NonClientTest, WindowFromPointAndTheCursorPosition)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    const HWND kid = framed(top, WS_BORDER, 0, 20, 30, 50, 40);
    const HWND hidden = CreateWindowExA(0, "TestPlain", "", WS_CHILD, 100, 30, 50, 40, top, static_cast<HMENU>(9), 0, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOfWindow(top)));
    RECT w;
    GetWindowRect(kid, &w);
    EXPECT_EQ(WindowFromPoint(POINT{w.left + 5, w.top + 5}), kid);
    EXPECT_EQ(WindowFromPoint(POINT{w.left - 5, w.top + 5}), top);
    RECT h;
    GetWindowRect(hidden, &h);
    EXPECT_EQ(WindowFromPoint(POINT{h.left + 5, h.top + 5}), top) << "hidden windows are not found";
    ASSERT_TRUE(SetCursorPos(w.left + 3, w.top + 4));
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, w.left + 3);
    EXPECT_EQ(p.y, w.top + 4);
}

TEST_F(NonClientTest, ParentsHearOfChildrenUnlessTheyAskNotTo)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    log().clear();
    const HWND kid = framed(top, 0, 0, 10, 10, 60, 60, 21);
    const HWND grandchild = framed(kid, 0, 0, 5, 5, 20, 20, 22);
    const auto notes = recordsOf(WM_PARENTNOTIFY);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].hwnd, top);
    EXPECT_EQ(notes[0].wParam, MAKEWPARAM(WM_CREATE, 21));
    EXPECT_EQ(notes[0].lParam, static_cast<LPARAM>(kid));
    EXPECT_EQ(notes[1].hwnd, kid) << "the grandchild tells its parent, then the parent's parent";
    EXPECT_EQ(notes[2].hwnd, top);
    EXPECT_EQ(notes[2].wParam, MAKEWPARAM(WM_CREATE, 22));

    log().clear();
    const HWND quiet = framed(top, 0, WS_EX_NOPARENTNOTIFY, 100, 10, 30, 30, 23);
    EXPECT_TRUE(recordsOf(WM_PARENTNOTIFY).empty());

    log().clear();
    QTest::mouseClick(WidgetOfWindow(grandchild), Qt::LeftButton, {}, QPoint(2, 3));
    const auto clicks = recordsOf(WM_PARENTNOTIFY);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].hwnd, kid);
    EXPECT_EQ(clicks[0].wParam, static_cast<WPARAM>(WM_LBUTTONDOWN));
    EXPECT_EQ(clicks[0].lParam, MAKELPARAM(7, 8)) << "in the parent's client coordinates";
    EXPECT_EQ(clicks[1].lParam, MAKELPARAM(17, 18));
    EXPECT_EQ(messages(grandchild, {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONUP}),
              (std::vector<UINT>{WM_LBUTTONDOWN}));

    log().clear();
    DestroyWindow(quiet);
    EXPECT_TRUE(recordsOf(WM_PARENTNOTIFY).empty());
    DestroyWindow(grandchild);
    const auto gone = recordsOf(WM_PARENTNOTIFY);
    ASSERT_EQ(gone.size(), 2u);
    EXPECT_EQ(gone[0].wParam, MAKEWPARAM(WM_DESTROY, 22));
    EXPECT_EQ(gone[0].hwnd, kid);
}

TEST_F(NonClientTest, ZOrderFollowsSetWindowPosInTheListAndInQt)
{
    const HWND top = topLevel("TestPlain", 200, 150);
    const HWND a = framed(top, 0, 0, 10, 10, 50, 50, 1);
    const HWND b = framed(top, 0, 0, 20, 20, 50, 50, 2);
    const HWND c = framed(top, 0, 0, 30, 30, 50, 50, 3);
    QWidget *parent = WidgetOfWindow(top);
    auto order = [&] {
        std::vector<HWND> out;
        for (HWND h = GetWindow(top, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            out.push_back(h);
        return out;
    };
    EXPECT_EQ(order(), (std::vector<HWND>{a, b, c}));
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(order(), (std::vector<HWND>{c, a, b}));
    EXPECT_EQ(parent->childAt(35, 35), WidgetOfWindow(c));
    SetWindowPos(c, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(order(), (std::vector<HWND>{a, b, c}));
    EXPECT_EQ(parent->childAt(35, 35), WidgetOfWindow(b));
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(b, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(order(), (std::vector<HWND>{a, b, c}));
    EXPECT_EQ(parent->childAt(25, 25), WidgetOfWindow(a));
    SetWindowPos(c, HWND_TOP, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(order(), (std::vector<HWND>{a, b, c})) << "SWP_NOZORDER keeps the order";
}

TEST_F(NonClientTest, RedrawWindowReachesChildrenAndPaintsNow)
{
    const HWND top = topLevel("TestPlain", 100, 80);
    const HWND kid = framed(top, 0, 0, 10, 10, 30, 30, 1);
    const HWND far = framed(top, 0, 0, 60, 10, 30, 30, 2);
    UpdateWindow(top);
    UpdateWindow(kid);
    UpdateWindow(far);
    const RECT area{0, 0, 20, 20};
    RedrawWindow(top, &area, 0, RDW_INVALIDATE);
    EXPECT_FALSE(GetUpdateRect(kid, nullptr, FALSE)) << "children only with RDW_ALLCHILDREN";
    RedrawWindow(top, &area, 0, RDW_INVALIDATE | RDW_ALLCHILDREN);
    RECT r;
    ASSERT_TRUE(GetUpdateRect(kid, &r, FALSE));
    EXPECT_EQ(r, (RECT{0, 0, 10, 10}));
    EXPECT_FALSE(GetUpdateRect(far, nullptr, FALSE));
    log().clear();
    RedrawWindow(top, nullptr, 0, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(messages(0, {WM_ERASEBKGND}), (std::vector<UINT>{WM_PAINT, WM_PAINT}));
    EXPECT_FALSE(GetUpdateRect(kid, nullptr, FALSE));
    RedrawWindow(top, nullptr, 0, RDW_INVALIDATE | RDW_ERASE);
    log().clear();
    RedrawWindow(top, nullptr, 0, RDW_VALIDATE);
    EXPECT_FALSE(GetUpdateRect(top, nullptr, FALSE));
}

TEST_F(NonClientTest, ScrollWindowExMovesPixelsAndInvalidatesWhatIsUncovered)
{
    const HWND top = topLevel("TestPlain", 20, 20);
    UpdateWindow(top);
    const HDC dc = GetDC(top);
    const RECT all{0, 0, 20, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT band{0, 10, 20, 12};
    FillRect(dc, &band, red);
    RECT uncovered;
    const HRGN update = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(ScrollWindowEx(top, 0, -4, nullptr, nullptr, update, &uncovered, SW_INVALIDATE | SW_ERASE), SIMPLEREGION);
    EXPECT_EQ(uncovered, (RECT{0, 16, 20, 20}));
    RECT box;
    GetRgnBox(update, &box);
    EXPECT_EQ(box, uncovered);
    EXPECT_EQ(GetPixel(dc, 5, 6), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 5, 7), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 5, 8), kWhite);
    EXPECT_EQ(GetPixel(dc, 5, 10), kWhite);
    RECT pending;
    ASSERT_TRUE(GetUpdateRect(top, &pending, FALSE));
    EXPECT_EQ(pending, uncovered);
    // Without SW_INVALIDATE nothing is added; a scroll rectangle limits the move.
    ValidateRect(top, nullptr);
    const RECT left{0, 0, 10, 20};
    EXPECT_EQ(ScrollWindowEx(top, 0, 4, &left, &left, 0, &uncovered, 0), SIMPLEREGION);
    EXPECT_FALSE(GetUpdateRect(top, nullptr, FALSE));
    EXPECT_EQ(GetPixel(dc, 5, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 15, 10), kWhite) << "outside the scroll rectangle nothing moved";
    EXPECT_EQ(GetPixel(dc, 15, 6), RGB(255, 0, 0));
    ReleaseDC(top, dc);
    DeleteObject(red);
    DeleteObject(update);
}

TEST_F(NonClientTest, CaretShowsAfterBalancedShowsInvertsTheShownImageAndBlinks)
{
    const HWND top = topLevel("TestPlain", 40, 30);
    const HWND kid = framed(top, WS_BORDER, 0, 0, 0, 30, 20);
    UpdateWindow(kid);
    SetCaretBlinkTime(100000); // no blinking until asked
    EXPECT_FALSE(ShowCaret(kid)) << "no caret yet";
    ASSERT_TRUE(CreateCaret(kid, 0, 2, 5));
    ASSERT_TRUE(SetCaretPos(4, 3));
    POINT p;
    ASSERT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p.x, 4);
    EXPECT_EQ(p.y, 3);
    // Shown-image coordinates are one pixel further in (the border).
    EXPECT_EQ(shownPixel(kid, 5, 4), kWhite) << "a new caret is hidden";
    ASSERT_TRUE(ShowCaret(kid));
    EXPECT_EQ(shownPixel(kid, 5, 4), RGB(0, 0, 0));
    EXPECT_EQ(shownPixel(kid, 6, 8), RGB(0, 0, 0));
    EXPECT_EQ(shownPixel(kid, 7, 4), kWhite);
    EXPECT_EQ(shownPixel(kid, 5, 9), kWhite);
    EXPECT_EQ(WindowSurface(kid).pixel(4, 3) & 0xFFFFFF, 0xFFFFFFu) << "the client surface is untouched";
    EXPECT_FALSE(ShowCaret(kid)) << "already shown";

    EXPECT_TRUE(HideCaret(kid));
    EXPECT_TRUE(HideCaret(0));
    EXPECT_EQ(shownPixel(kid, 5, 4), kWhite);
    EXPECT_TRUE(ShowCaret(kid));
    EXPECT_EQ(shownPixel(kid, 5, 4), kWhite) << "one HideCaret still unmatched";
    EXPECT_TRUE(ShowCaret(kid));
    EXPECT_EQ(shownPixel(kid, 5, 4), RGB(0, 0, 0));
    EXPECT_FALSE(HideCaret(top)) << "not the owner";

    SetCaretBlinkTime(30);
    EXPECT_EQ(GetCaretBlinkTime(), 30u);
    QTRY_COMPARE_WITH_TIMEOUT(shownPixel(kid, 5, 4), kWhite, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(shownPixel(kid, 5, 4), RGB(0, 0, 0), 2000);
    SetCaretBlinkTime(530);

    // Losing the focus keeps the caret; destroying its window ends it.
    SetFocus(kid);
    SetFocus(top);
    EXPECT_TRUE(GetCaretPos(&p));
    DestroyWindow(kid);
    EXPECT_FALSE(GetCaretPos(&p));
    EXPECT_FALSE(DestroyCaret());
}

} // namespace
