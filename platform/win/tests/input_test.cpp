// Qt input on the backing widgets turned into mouse and key messages.
#include "WinTestSupport.h"

#include <QInputMethodEvent>
#include <QTest>

using namespace wintest;

namespace {

class InputTest : public WinTest {
protected:
    // Client mouse messages; hit tests, cursor requests and parent
    // notifications are checked on their own.
    std::vector<UINT> mouseMessages(HWND hwnd)
    {
        return messages(hwnd, {WM_MOUSEMOVE, WM_PAINT, WM_ERASEBKGND, WM_NCHITTEST, WM_SETCURSOR, WM_PARENTNOTIFY});
    }
};

TEST_F(InputTest, AClickSendsDownAndUpWithKeyFlagsAndClientCoordinates)
{
    const HWND top = topLevel();
    const HWND kid = child(top, "TestPlain", 20, 30, 100, 50);
    log().clear();
    QTest::mouseClick(WidgetOfWindow(kid), Qt::LeftButton, Qt::ShiftModifier, QPoint(12, 34));
    const auto down = recordsOf(WM_LBUTTONDOWN);
    const auto up = recordsOf(WM_LBUTTONUP);
    ASSERT_EQ(down.size(), 1u);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(down[0].hwnd, kid);
    EXPECT_EQ(down[0].wParam, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(down[0].lParam, MAKELPARAM(12, 34));
    EXPECT_EQ(up[0].wParam, MK_SHIFT) << "the released button is no longer down";
    EXPECT_EQ(mouseMessages(kid), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_TRUE(mouseMessages(top).empty()) << "the parent sees nothing";

    log().clear();
    QTest::mouseClick(WidgetOfWindow(kid), Qt::RightButton, Qt::ControlModifier, QPoint(3, 4));
    EXPECT_EQ(mouseMessages(kid), (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP}));
    EXPECT_EQ(recordsOf(WM_RBUTTONDOWN)[0].wParam, MK_RBUTTON | MK_CONTROL);
}

TEST_F(InputTest, DoubleClicksOnlyForClassesWithCsDblclks)
{
    const HWND top = topLevel();
    const HWND plain = child(top, "TestPlain", 0, 0, 50, 50, 1);
    const HWND dbl = child(top, "TestDbl", 60, 0, 50, 50, 2);
    log().clear();
    for (HWND h : {plain, dbl}) {
        QWidget *w = WidgetOfWindow(h);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
    }
    EXPECT_EQ(mouseMessages(plain), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(mouseMessages(dbl), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    const auto dblRec = recordsOf(WM_LBUTTONDBLCLK);
    ASSERT_EQ(dblRec.size(), 1u);
    EXPECT_EQ(dblRec[0].wParam, MK_LBUTTON);
    EXPECT_EQ(dblRec[0].lParam, MAKELPARAM(5, 5));
}

TEST_F(InputTest, ADoubleClickMadeOfTwoQuickPressesBecomesOneDblclk)
{
    // The platform delivers the second press, then Qt's double-click event:
    // the window sees WM_LBUTTONDBLCLK once, not a down as well.
    const HWND top = topLevel();
    const HWND dbl = child(top, "TestDbl", 0, 0, 50, 50, 1);
    QWidget *w = WidgetOfWindow(dbl);
    log().clear();
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons, ulong time) {
        QMouseEvent e(type, QPointF(6, 6), w->mapToGlobal(QPointF(6, 6)), Qt::LeftButton, buttons, Qt::NoModifier);
        e.setTimestamp(time);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, 100000);
    send(QEvent::MouseButtonRelease, Qt::NoButton, 100010);
    send(QEvent::MouseButtonPress, Qt::LeftButton, 100100);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton, 100100);
    send(QEvent::MouseButtonRelease, Qt::NoButton, 100110);
    // A third quick press starts over with a plain down.
    send(QEvent::MouseButtonPress, Qt::LeftButton, 100200);
    send(QEvent::MouseButtonRelease, Qt::NoButton, 100210);
    EXPECT_EQ(mouseMessages(dbl), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                                      WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(InputTest, MouseMovesCarryButtonsAndSignedCoordinates)
{
    const HWND top = topLevel();
    const HWND kid = child(top, "TestPlain", 20, 20, 60, 60);
    QWidget *w = WidgetOfWindow(kid);
    log().clear();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(w, QPoint(15, 16));
    const auto moves = recordsOf(WM_MOUSEMOVE);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().wParam, MK_LBUTTON);
    EXPECT_EQ(moves.back().lParam, MAKELPARAM(15, 16));

    // With the capture on the child, a move over the parent goes to the child
    // in the child's coordinates, left of its origin.
    SetCapture(kid);
    log().clear();
    QTest::mouseMove(WidgetOfWindow(top), QPoint(5, 25));
    const auto captured = recordsOf(WM_MOUSEMOVE);
    ASSERT_FALSE(captured.empty());
    EXPECT_EQ(captured.back().hwnd, kid);
    EXPECT_EQ(GET_X_LPARAM(captured.back().lParam), -15);
    EXPECT_EQ(GET_Y_LPARAM(captured.back().lParam), 5);
    QTest::mouseRelease(WidgetOfWindow(top), Qt::LeftButton, {}, QPoint(5, 25));
    EXPECT_EQ(recordsOf(WM_LBUTTONUP).back().hwnd, kid);
    ReleaseCapture();
}

TEST_F(InputTest, OverlappingButtonsCarryBothFlagsAndTheButtonKeyState)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    QWidget *w = WidgetOfWindow(kid);
    SHORT leftDuringRight = 0;
    hooks()[kid] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_RBUTTONDOWN)
            leftDuringRight = GetAsyncKeyState(VK_LBUTTON);
        return std::nullopt;
    };
    log().clear();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mousePress(w, Qt::RightButton, {}, QPoint(4, 4));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseRelease(w, Qt::RightButton, {}, QPoint(4, 4));
    EXPECT_EQ(mouseMessages(kid), (std::vector<UINT>{WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP}));
    EXPECT_EQ(recordsOf(WM_RBUTTONDOWN)[0].wParam, MK_LBUTTON | MK_RBUTTON);
    EXPECT_EQ(recordsOf(WM_LBUTTONUP)[0].wParam, MK_RBUTTON);
    EXPECT_EQ(recordsOf(WM_RBUTTONUP)[0].wParam, 0u);
    EXPECT_LT(leftDuringRight, 0) << "the left button is down while the right goes down";
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
}

TEST_F(InputTest, ADisabledWindowGetsNoMouseMessages)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    EnableWindow(kid, FALSE);
    log().clear();
    QTest::mouseClick(WidgetOfWindow(kid), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(mouseMessages(kid).empty());
}

TEST_F(InputTest, KeyPressOfASendsKeyDownCharAndKeyUp)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    log().clear();
    QTest::keyClick(WidgetOfWindow(kid), 'A', Qt::ShiftModifier);
    // The Shift key itself comes first and last.
    const std::vector<UINT> expected = {WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP};
    EXPECT_EQ(messages(kid, {WM_PAINT, WM_ERASEBKGND}), expected);
    EXPECT_EQ(recordsOf(WM_KEYDOWN)[0].wParam, WPARAM(VK_SHIFT));
    EXPECT_EQ(recordsOf(WM_KEYUP)[1].wParam, WPARAM(VK_SHIFT));
    const auto down = recordsOf(WM_KEYDOWN)[1];
    EXPECT_EQ(down.wParam, WPARAM('A'));
    EXPECT_EQ(LOWORD(down.lParam), 1) << "repeat count";
    EXPECT_EQ(HIWORD(down.lParam) & 0xFF, 0x1E) << "scan code of A";
    EXPECT_EQ(recordsOf(WM_CHAR)[0].wParam, WPARAM('A'));
    const auto up = recordsOf(WM_KEYUP)[0];
    EXPECT_EQ(up.wParam, WPARAM('A'));
    EXPECT_EQ(HIWORD(up.lParam) & 0xC000, 0xC000) << "previous state and transition bits";

    log().clear();
    QTest::keyClick(WidgetOfWindow(kid), Qt::Key_A);
    EXPECT_EQ(recordsOf(WM_CHAR)[0].wParam, WPARAM('a'));
    log().clear();
    QTest::keyClick(WidgetOfWindow(kid), Qt::Key_Left);
    EXPECT_EQ(messages(kid, {WM_PAINT, WM_ERASEBKGND}), (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
    EXPECT_EQ(recordsOf(WM_KEYDOWN)[0].wParam, WPARAM(VK_LEFT));
    EXPECT_TRUE(HIWORD(recordsOf(WM_KEYDOWN)[0].lParam) & 0x100) << "extended key";
    log().clear();
    QTest::keyClick(WidgetOfWindow(kid), Qt::Key_Return);
    EXPECT_EQ(recordsOf(WM_CHAR).at(0).wParam, WPARAM(0x0D));
}

TEST_F(InputTest, AJapaneseCharacterArrivesAsTwoCharsLeadByteFirst)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    // While the lead byte is handled, its trail byte waits in the queue.
    WPARAM waitingTrail = 0;
    hooks()[kid] = [&](HWND h, UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        MSG m;
        if (msg == WM_CHAR && IsDBCSLeadByte(static_cast<BYTE>(wp)) && PeekMessageA(&m, h, WM_CHAR, WM_CHAR, PM_NOREMOVE))
            waitingTrail = m.wParam;
        return std::nullopt;
    };
    log().clear();
    QTest::sendKeyEvent(QTest::Click, WidgetOfWindow(kid), Qt::Key_unknown, QString::fromUtf8("あ"), Qt::NoModifier);
    const auto chars = recordsOf(WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, 0x82u);
    EXPECT_EQ(chars[1].wParam, 0xA0u);
    EXPECT_EQ(waitingTrail, 0xA0u);

    // Committed input-method text likewise, one pair per character.
    log().clear();
    QInputMethodEvent ime;
    ime.setCommitString(QString::fromUtf8("漢a"));
    QApplication::sendEvent(WidgetOfWindow(kid), &ime);
    const auto imeChars = recordsOf(WM_CHAR);
    ASSERT_EQ(imeChars.size(), 3u);
    EXPECT_EQ(imeChars[0].wParam, 0x8Au); // 漢 = 8A BF
    EXPECT_EQ(imeChars[1].wParam, 0xBFu);
    EXPECT_EQ(imeChars[2].wParam, WPARAM('a'));

    // A character CP932 cannot hold makes no WM_CHAR and no crash.
    log().clear();
    QTest::sendKeyEvent(QTest::Click, WidgetOfWindow(kid), Qt::Key_unknown, QString::fromUtf8("😀"), Qt::NoModifier);
    EXPECT_TRUE(recordsOf(WM_CHAR).empty());
}

TEST_F(InputTest, KeyStateFollowsShiftAndControl)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    SHORT shiftDuringKey = 0, controlDuringKey = 0;
    hooks()[kid] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_KEYDOWN) {
            shiftDuringKey = GetKeyState(VK_SHIFT);
            controlDuringKey = GetKeyState(VK_CONTROL);
        }
        return std::nullopt;
    };
    QWidget *w = WidgetOfWindow(kid);
    QTest::keyPress(w, Qt::Key_Shift);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    QTest::keyClick(w, Qt::Key_B, Qt::ShiftModifier);
    EXPECT_LT(shiftDuringKey, 0);
    EXPECT_GE(controlDuringKey, 0);
    QTest::keyRelease(w, Qt::Key_Shift);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_LT(controlDuringKey, 0);
    EXPECT_GE(shiftDuringKey, 0);
    EXPECT_EQ(recordsOf(WM_CHAR).back().wParam, 3u) << "Ctrl+C is character 3";
    QTest::keyClick(w, Qt::Key_C);
    EXPECT_GE(controlDuringKey, 0);
}

TEST_F(InputTest, KeysAndPostedMessagesShareOneQueueInOrder)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    log().clear();
    PostMessageA(kid, WM_USER, 0, 0);
    QTest::keyClick(WidgetOfWindow(kid), Qt::Key_X);
    EXPECT_EQ(messages(kid, {WM_PAINT, WM_ERASEBKGND}), (std::vector<UINT>{WM_USER, WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
}

} // namespace
