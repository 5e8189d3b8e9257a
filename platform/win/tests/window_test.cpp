// Window classes, creation and destruction, window long values, sent and
// posted messages, timers, focus and capture.
#include "WinTestSupport.h"

#include <QLineEdit>
#include <QTest>

using namespace wintest;

namespace {

class WindowTest : public WinTest {};

TEST_F(WindowTest, ClassRegistrationIsCaseInsensitiveAndRefusesDuplicatesAndClassesInUse)
{
    WNDCLASSA wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "testplain";
    EXPECT_EQ(RegisterClassA(&wc), 0) << "the name is taken, whatever its case";
    wc.lpszClassName = "";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpszClassName = "NoProc";
    wc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassA(&wc), 0);

    WNDCLASSA info;
    ASSERT_TRUE(GetClassInfoA(0, "TESTDBL", &info));
    EXPECT_EQ(info.style, CS_DBLCLKS);
    EXPECT_EQ(info.lpfnWndProc, &RecordingProc);
    EXPECT_FALSE(GetClassInfoA(0, "Nowhere", &info));

    const HWND hwnd = topLevel();
    EXPECT_FALSE(UnregisterClassA("TestPlain", 0)) << "a window of the class exists";
    char name[32];
    EXPECT_EQ(GetClassNameA(hwnd, name, sizeof name), 9);
    EXPECT_STREQ(name, "TestPlain");
    EXPECT_EQ(CreateWindowExA(0, "Nowhere", "", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u);
    EXPECT_EQ(CreateWindowExA(0, "TestPlain", "", WS_CHILD, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u)
        << "a child window needs a parent";
}

TEST_F(WindowTest, CreationAndDestructionSendTheirMessagesInOrder)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    const HWND grandchild = child(kid);
    ASSERT_TRUE(top && kid && grandchild);
    // The last is the grandchild's creation reported to its parent.
    EXPECT_EQ(messages(kid), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE,
                                                WM_SHOWWINDOW, WM_PARENTNOTIFY}));
    const Rec size = recordsOf(WM_SIZE)[1];
    EXPECT_EQ(size.lParam, MAKELPARAM(80, 40));
    EXPECT_EQ(GetParent(grandchild), kid);
    EXPECT_TRUE(IsChild(top, grandchild));
    EXPECT_EQ(GetDlgItem(top, 1), kid);
    char text[16];
    EXPECT_EQ(GetWindowTextA(kid, text, sizeof text), 5);
    EXPECT_STREQ(text, "child");

    log().clear();
    ASSERT_TRUE(DestroyWindow(top));
    std::vector<Rec> expected = {{top, WM_DESTROY, 0, 0},         {kid, WM_DESTROY, 0, 0},
                                 {grandchild, WM_DESTROY, 0, 0},  {grandchild, WM_NCDESTROY, 0, 0},
                                 {kid, WM_NCDESTROY, 0, 0},       {top, WM_NCDESTROY, 0, 0}};
    EXPECT_EQ(log(), expected);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(kid));
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_EQ(SendMessageA(kid, WM_USER, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(top));
}

TEST_F(WindowTest, CreateParamsReachTheProcedureAndRefusalsDestroyTheWindow)
{
    int marker = 7;
    void *seen = nullptr;
    creationHook() = [&](HWND, UINT msg, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (msg == WM_CREATE)
            seen = reinterpret_cast<CREATESTRUCTA *>(lp)->lpCreateParams;
        return std::nullopt;
    };
    const HWND ok = CreateWindowExA(0, "TestPlain", "", WS_POPUP, 0, 0, 5, 5, 0, 0, 0, &marker);
    EXPECT_EQ(seen, &marker);
    DestroyWindow(ok);

    log().clear();
    creationHook() = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_CREATE)
            return -1;
        return std::nullopt;
    };
    EXPECT_EQ(CreateWindowExA(0, "TestPlain", "", WS_POPUP, 0, 0, 5, 5, 0, 0, 0, nullptr), 0u);
    EXPECT_EQ(messages(), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));

    log().clear();
    creationHook() = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_NCCREATE)
            return FALSE;
        return std::nullopt;
    };
    EXPECT_EQ(CreateWindowExA(0, "TestPlain", "", WS_POPUP, 0, 0, 5, 5, 0, 0, 0, nullptr), 0u);
    EXPECT_EQ(messages(), (std::vector<UINT>{WM_NCCREATE, WM_NCDESTROY}));
}

TEST_F(WindowTest, DestroyingFromInsideWmDestroyAndFromASentMessageIsSafe)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    hooks()[kid] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_DESTROY) {
            EXPECT_TRUE(DestroyWindow(kid)) << "already being destroyed";
        }
        if (msg == WM_USER) {
            DestroyWindow(kid);
            return IsWindow(kid) ? 1 : 2;
        }
        return std::nullopt;
    };
    log().clear();
    EXPECT_EQ(SendMessageA(kid, WM_USER, 0, 0), 2);
    // The parent hears of the destruction before it starts.
    EXPECT_EQ(messages(), (std::vector<UINT>{WM_USER, WM_PARENTNOTIFY, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(kid));
    EXPECT_TRUE(IsWindow(top));
    EXPECT_EQ(GetWindow(top, GW_CHILD), 0u);
}

LRESULT subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
WNDPROC g_previous = nullptr;

LRESULT subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 1)
        return 100 + CallWindowProcA(g_previous, hwnd, msg, wp + 1, lp);
    return CallWindowProcA(g_previous, hwnd, msg, wp, lp);
}

TEST_F(WindowTest, SubclassingThroughTheWindowProcedureLongChainsToTheOldProcedure)
{
    const HWND hwnd = topLevel();
    hooks()[hwnd] = [](HWND, UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_USER + 1)
            return static_cast<LRESULT>(wp);
        return std::nullopt;
    };
    g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
    EXPECT_EQ(g_previous, &RecordingProc);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&subclassProc));
    log().clear();
    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 1, 5, 0), 106) << "the subclass adds 100 and passes wParam + 1 on";
    ASSERT_EQ(log().size(), 1u);
    EXPECT_EQ(log()[0].wParam, 6u);
    // The class keeps its procedure.
    EXPECT_EQ(GetClassLongPtrA(hwnd, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(&RecordingProc));
    // Restoring the old procedure ends the subclass.
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 1, 5, 0), 5);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, 0), 0) << "a null procedure is refused";
    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 1, 5, 0), 5);
}

TEST_F(WindowTest, UserDataAndExtraLongsHoldPointerSizedValues)
{
    const HWND hwnd = topLevel();
    const LONG_PTR big = static_cast<LONG_PTR>(0x123456789ABCLL);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, big), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), big);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, sizeof(LONG_PTR), big + 1), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, sizeof(LONG_PTR)), big + 1);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 0), 0);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, 2 * sizeof(LONG_PTR), 1), 0) << "past the extra bytes";
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 2 * sizeof(LONG_PTR)), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, -1000), 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & WS_VISIBLE, WS_VISIBLE);
    EXPECT_EQ(GetWindowLongPtrA(0x7FFFFFFE, GWLP_USERDATA), 0) << "not a window";
}

TEST_F(WindowTest, SendMessageIsSynchronousAndReentrant)
{
    const HWND a = topLevel();
    const HWND b = topLevel();
    // a forwards WM_USER with a decremented depth to b, which sends it back to a.
    auto relay = [](HWND other) {
        return [other](HWND, UINT msg, WPARAM depth, LPARAM) -> std::optional<LRESULT> {
            if (msg != WM_USER)
                return std::nullopt;
            if (depth == 0)
                return 1;
            return 1 + SendMessageA(other, WM_USER, depth - 1, 0);
        };
    };
    hooks()[a] = relay(b);
    hooks()[b] = relay(a);
    log().clear();
    EXPECT_EQ(SendMessageA(a, WM_USER, 4, 0), 5);
    std::vector<Rec> expected = {{a, WM_USER, 4, 0}, {b, WM_USER, 3, 0}, {a, WM_USER, 2, 0}, {b, WM_USER, 1, 0},
                                 {a, WM_USER, 0, 0}};
    EXPECT_EQ(log(), expected);
}

TEST_F(WindowTest, PostedMessagesArriveFromTheQtLoopInOrderAfterSentOnes)
{
    const HWND hwnd = topLevel();
    log().clear();
    EXPECT_TRUE(PostMessageA(hwnd, WM_USER + 1, 1, 0));
    EXPECT_TRUE(PostMessageA(hwnd, WM_USER + 2, 2, 0));
    SendMessageA(hwnd, WM_USER + 3, 3, 0);
    const std::vector<UINT> painting = {WM_PAINT, WM_ERASEBKGND};
    EXPECT_EQ(messages(hwnd, painting), (std::vector<UINT>{WM_USER + 3})) << "posted messages wait for the loop";
    EXPECT_FALSE(PostMessageA(0x7FFFFFFE, WM_USER, 0, 0)) << "no such window";
    QTRY_COMPARE(messages(hwnd, painting).size(), size_t(3));
    EXPECT_EQ(messages(hwnd, painting), (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2}));
}

TEST_F(WindowTest, AMessagePostedFromItsHandlerWaitsForTheNextRound)
{
    const HWND hwnd = topLevel();
    int count = 0;
    hooks()[hwnd] = [&](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_USER && ++count < 1000)
            PostMessageA(h, WM_USER, 0, 0);
        return std::nullopt;
    };
    PostMessageA(hwnd, WM_USER, 0, 0);
    PumpPostedMessages();
    EXPECT_EQ(count, 1) << "one round delivers only what waited when it began";
    QTRY_COMPARE(count, 1000);
}

TEST_F(WindowTest, PeekMessageFiltersAndRemovesOnlyWhenAsked)
{
    const HWND a = topLevel();
    const HWND b = topLevel();
    PostMessageA(a, WM_USER + 1, 1, 0);
    PostMessageA(b, WM_CHAR, 'x', 0);
    PostMessageA(0, WM_USER + 9, 9, 0);
    PostMessageA(a, WM_CHAR, 'y', 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, a, WM_CHAR, WM_CHAR, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, WPARAM('y'));
    ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_CHAR);
    ASSERT_TRUE(PeekMessageA(&m, static_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 9);
    EXPECT_FALSE(PeekMessageA(&m, static_cast<HWND>(-1), 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&m, a, WM_CHAR, WM_CHAR, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&m, a, WM_CHAR, WM_CHAR, PM_REMOVE));
    log().clear();
    PumpPostedMessages();
    EXPECT_EQ(log(), (std::vector<Rec>{{a, WM_USER + 1, 1, 0}, {b, WM_CHAR, 'x', 0}}));
}

TEST_F(WindowTest, MessagesWaitingForADestroyedWindowAreDropped)
{
    const HWND a = topLevel();
    const HWND b = topLevel();
    PostMessageA(a, WM_USER, 0, 0);
    PostMessageA(b, WM_USER, 0, 0);
    DestroyWindow(a);
    log().clear();
    PumpPostedMessages();
    EXPECT_EQ(log(), (std::vector<Rec>{{b, WM_USER, 0, 0}}));
}

int g_timerProcCalls = 0;
void countingTimerProc(HWND, UINT msg, UINT_PTR, DWORD)
{
    if (msg == WM_TIMER)
        ++g_timerProcCalls;
}

TEST_F(WindowTest, TimersPostWmTimerUntilKilled)
{
    const HWND hwnd = topLevel();
    EXPECT_EQ(SetTimer(hwnd, 42, 10, nullptr), 42u);
    log().clear();
    QTRY_VERIFY(recordsOf(WM_TIMER).size() >= 2);
    for (const Rec &r : recordsOf(WM_TIMER)) {
        EXPECT_EQ(r.hwnd, hwnd);
        EXPECT_EQ(r.wParam, 42u);
    }
    EXPECT_TRUE(KillTimer(hwnd, 42));
    EXPECT_FALSE(KillTimer(hwnd, 42));
    log().clear();
    QTest::qWait(60);
    EXPECT_TRUE(recordsOf(WM_TIMER).empty());

    // A timer procedure runs instead of the window procedure.
    g_timerProcCalls = 0;
    SetTimer(hwnd, 7, 10, countingTimerProc);
    QTRY_VERIFY(g_timerProcCalls >= 1);
    EXPECT_TRUE(recordsOf(WM_TIMER).empty());
    // Destroying the window ends its timers.
    DestroyWindow(hwnd);
    const int calls = g_timerProcCalls;
    QTest::qWait(60);
    EXPECT_EQ(g_timerProcCalls, calls);
    EXPECT_FALSE(KillTimer(hwnd, 7));
}

TEST_F(WindowTest, KillTimerRemovesAWaitingTick)
{
    const HWND hwnd = topLevel();
    SetTimer(hwnd, 1, 100000, nullptr);
    SetTimer(hwnd, 2, 100000, nullptr);
    PostMessageA(hwnd, WM_TIMER, 1, 0);
    PostMessageA(hwnd, WM_TIMER, 2, 0);
    EXPECT_TRUE(KillTimer(hwnd, 1));
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u) << "only the killed timer's tick is gone";
    EXPECT_FALSE(PeekMessageA(&m, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    KillTimer(hwnd, 2);
}

TEST_F(WindowTest, FocusMovesWithKillFocusThenSetFocus)
{
    const HWND top = topLevel();
    const HWND a = child(top, "TestPlain", 0, 0, 20, 20, 1);
    const HWND b = child(top, "TestPlain", 30, 0, 20, 20, 2);
    log().clear();
    EXPECT_EQ(SetFocus(a), 0u);
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(GetFocus(), b);
    std::vector<Rec> expected = {{a, WM_SETFOCUS, 0, 0}, {a, WM_KILLFOCUS, b, 0}, {b, WM_SETFOCUS, a, 0}};
    EXPECT_EQ(log(), expected);
    log().clear();
    EXPECT_EQ(SetFocus(b), b);
    EXPECT_TRUE(log().empty()) << "no messages when the focus stays";
    // Destroying the focus window takes the focus away first.
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), 0u);
    EXPECT_EQ(log().front(), (Rec{b, WM_KILLFOCUS, 0, 0}));
    EXPECT_EQ(SetFocus(0x7FFFFFFE), 0u);
    EXPECT_EQ(GetFocus(), 0u);
}

TEST_F(WindowTest, QtFocusMovingToAPlainWidgetAndBackIsSeenByTheWindow)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    QWidget *topWidget = WidgetOfWindow(top);
    auto *edit = new QLineEdit(topWidget); // a plain Qt widget on the same form
    edit->setGeometry(100, 60, 50, 20);
    edit->show();
    topWidget->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(topWidget));
    SetFocus(kid);
    EXPECT_EQ(QApplication::focusWidget(), WidgetOfWindow(kid)) << "Qt's focus follows SetFocus";
    log().clear();
    edit->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(GetFocus(), 0u);
    EXPECT_EQ(log(), (std::vector<Rec>{{kid, WM_KILLFOCUS, 0, 0}}));
    log().clear();
    WidgetOfWindow(kid)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(GetFocus(), kid);
    EXPECT_EQ(log(), (std::vector<Rec>{{kid, WM_SETFOCUS, 0, 0}}));
    delete edit;
}

TEST_F(WindowTest, CaptureChangesNotifyTheWindowThatLosesIt)
{
    const HWND a = topLevel();
    const HWND b = topLevel();
    log().clear();
    EXPECT_EQ(SetCapture(a), 0u);
    EXPECT_EQ(GetCapture(), a);
    EXPECT_EQ(SetCapture(b), a);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), 0u);
    std::vector<Rec> expected = {{a, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(b)}, {b, WM_CAPTURECHANGED, 0, 0}};
    EXPECT_EQ(log(), expected);
    SetCapture(a);
    DestroyWindow(a);
    EXPECT_EQ(GetCapture(), 0u);
}

TEST_F(WindowTest, PositionSizeVisibilityAndEnableState)
{
    const HWND top = topLevel();
    const HWND kid = child(top, "TestPlain", 5, 6, 30, 20);
    log().clear();
    EXPECT_TRUE(MoveWindow(kid, 7, 8, 40, 25, TRUE));
    // A new size asks for the client area first (its lParam is a pointer).
    EXPECT_EQ(messages(), (std::vector<UINT>{WM_NCCALCSIZE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(recordsOf(WM_SIZE), (std::vector<Rec>{{kid, WM_SIZE, 0, MAKELPARAM(40, 25)}}));
    EXPECT_EQ(recordsOf(WM_MOVE), (std::vector<Rec>{{kid, WM_MOVE, 0, MAKELPARAM(7, 8)}}));
    RECT r;
    GetClientRect(kid, &r);
    EXPECT_EQ(r, (RECT{0, 0, 40, 25}));
    GetWindowRect(kid, &r);
    EXPECT_EQ(r, (RECT{17, 18, 57, 43})) << "screen coordinates: the top window is at (10, 10)";
    POINT p{1, 2};
    ClientToScreen(kid, &p);
    EXPECT_EQ(p.x, 18);
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(WidgetOfWindow(kid)->geometry(), QRect(7, 8, 40, 25));
    log().clear();
    SetWindowPos(kid, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(log().empty()) << "nothing changed, nothing sent";

    EXPECT_TRUE(IsWindowVisible(kid));
    ShowWindow(top, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(kid)) << "a hidden parent hides its children";
    ShowWindow(top, SW_SHOW);

    SetFocus(kid);
    log().clear();
    EXPECT_FALSE(EnableWindow(kid, FALSE)) << "returns whether it was disabled before";
    EXPECT_FALSE(IsWindowEnabled(kid));
    EXPECT_EQ(GetFocus(), 0u) << "a disabled window loses the focus";
    EXPECT_EQ(messages(kid), (std::vector<UINT>{WM_KILLFOCUS, WM_ENABLE}));
    EXPECT_TRUE(EnableWindow(kid, TRUE));
    EXPECT_TRUE(IsWindowEnabled(kid));
}

TEST_F(WindowTest, QtClosingAndResizingATopLevelWidgetReachTheWindow)
{
    const HWND refuses = topLevel();
    hooks()[refuses] = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_CLOSE)
            return 0; // refuses to close
        return std::nullopt;
    };
    log().clear();
    EXPECT_FALSE(WidgetOfWindow(refuses)->close());
    EXPECT_EQ(messages(refuses), (std::vector<UINT>{WM_CLOSE}));
    EXPECT_TRUE(IsWindow(refuses));

    const HWND closes = topLevel();
    WidgetOfWindow(closes)->close();
    EXPECT_FALSE(IsWindow(closes)) << "the default procedure destroys the window";

    log().clear();
    WidgetOfWindow(refuses)->resize(150, 70);
    QTRY_VERIFY(!recordsOf(WM_SIZE).empty());
    EXPECT_EQ(recordsOf(WM_SIZE).back().lParam, MAKELPARAM(150, 70));
    RECT r;
    GetClientRect(refuses, &r);
    EXPECT_EQ(r, (RECT{0, 0, 150, 70}));
    EXPECT_EQ(WindowSurface(refuses).size(), QSize(150, 70));
}

TEST_F(WindowTest, WindowTextKeepsDoubleByteCharactersWhole)
{
    const HWND hwnd = topLevel();
    // "あい" in CP932 is 82 A0 82 A2.
    ASSERT_TRUE(SetWindowTextA(hwnd, "\x82\xa0\x82\xa2"));
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 4);
    char buf[8];
    EXPECT_EQ(GetWindowTextA(hwnd, buf, 4), 2) << "three bytes of room hold one whole character";
    EXPECT_STREQ(buf, "\x82\xa0");
    EXPECT_EQ(GetWindowTextA(hwnd, buf, 1), 0);
    EXPECT_STREQ(buf, "");
}

} // namespace
