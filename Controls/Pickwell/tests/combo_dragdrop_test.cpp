// Two combos on one window, with zobase7's real "RyxCombo" inside, dragging
// text between them and within one by real Qt mouse and key input: a move,
// a copy with Ctrl, a move within the control and a drop onto its own
// selection, Esc, a quick click and a drag started by holding the button.
#include "Controls/Pickwell/ComboControl.h"
#include "Controls/Pickwell/ComboWin.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/win/ole/dragdrop.h"
#include "platform/win/window.h"
#include "zobase7/SubObjects.h"
#include "zobase7/include/RyxCombo.h"
#include "zobase7/include/RyxComboProtocol.h"
#include "pointer.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

using namespace pickwell;
using namespace platform::com;
namespace win = platform::win;

class ComboDragDropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static const bool registered = zobase7::RegisterRyxComboClasses(0);
        ASSERT_TRUE(registered);
        win::WNDCLASSA wc;
        wc.lpfnWndProc = win::DefWindowProcA;
        wc.lpszClassName = "ComboDragParent";
        win::RegisterClassA(&wc);
    }
    void SetUp() override
    {
        module().attach();
        zobase7::registerSubObjectClasses();
        m_parent = win::CreateWindowExA(0, "ComboDragParent", "", win::WS_POPUP | win::WS_VISIBLE, 50, 50, 400, 120, 0,
                                        0, 0, nullptr);
        ASSERT_TRUE(m_parent);
        win::WidgetOfWindow(m_parent)->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win::WidgetOfWindow(m_parent)));
        m_a = makeCombo(10, "hello world");
        m_b = makeCombo(200, "xyz");
        ASSERT_TRUE(m_a && m_b);
    }
    void TearDown() override
    {
        QTest::mouseRelease(widget(m_a), Qt::LeftButton, {}, QPoint(1, 1));
        m_a.reset();
        m_b.reset();
        win::DestroyWindow(m_parent);
    }

    ComPtr<ICombo> makeCombo(int x, const char *value)
    {
        ComPtr<ICombo> combo;
        EXPECT_EQ(createCombo(IID_ICombo, combo.putVoid()), S_OK);
        ComPtr<IPersistStreamInit> init;
        combo->QueryInterface(IID_IPersistStreamInit, init.putVoid());
        init->InitNew();
        combo->put_OLEDragMode(zoOLEDragAutomatic);
        combo->put_OLEDropMode(zoOLEDropAutomatic);
        auto &c = *static_cast<zoCombo *>(combo.get());
        const win::HWND hwnd = c.CreateControlWindow(m_parent, win::RECT{x, 20, x + 170, 44});
        EXPECT_TRUE(hwnd);
        Bstr v(QString::fromUtf8(value));
        combo->put_Value(v.get());
        return combo;
    }
    static zoCombo &control(const ComPtr<ICombo> &c) { return *static_cast<zoCombo *>(c.get()); }
    static win::HWND hwndOf(const ComPtr<ICombo> &c)
    {
        int32_t h = 0;
        c->get_hWnd(&h);
        return win::HWND(h);
    }
    static QWidget *widget(const ComPtr<ICombo> &c) { return win::WidgetOfWindow(hwndOf(c)); }
    static QString text(const ComPtr<ICombo> &c)
    {
        Bstr t;
        c->get_Text(t.put());
        return t.toQString();
    }
    static void select(const ComPtr<ICombo> &c, int start, int length)
    {
        c->put_SelStart(start);
        c->put_SelLength(length);
    }
    static int32_t selLength(const ComPtr<ICombo> &c)
    {
        int32_t n = -1;
        c->get_SelLength(&n);
        return n;
    }
    // The widget point over the left edge of character index (its middle
    // row), nudged right by dx pixels.
    static QPoint charPoint(const ComPtr<ICombo> &c, int index, int dx = 0)
    {
        const win::HWND h = hwndOf(c);
        const win::LRESULT pos = win::SendMessageA(h, EM_POSFROMCHAR, win::WPARAM(index), 0);
        win::RECT client;
        win::GetClientRect(h, &client);
        win::POINT p{win::GET_X_LPARAM(pos) + dx, (client.bottom - client.top) / 2};
        win::ClientToScreen(h, &p);
        return widget(c)->mapFromGlobal(QPoint(p.x, p.y));
    }
    // Presses on the selection of a, and lets the script drive the drag
    // that the first move starts.
    void dragFromA(const QPoint &press, std::function<void()> script)
    {
        QTest::mousePress(widget(m_a), Qt::LeftButton, {}, press);
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            EXPECT_TRUE(win::IsDragRunning());
            script();
        });
        QTest::mouseMove(widget(m_a), press + QPoint(3, 0));
        EXPECT_TRUE(ran) << "the move started no drag";
        EXPECT_FALSE(win::IsDragRunning());
    }

    win::HWND m_parent = 0;
    ComPtr<ICombo> m_a, m_b;
};

TEST_F(ComboDragDropTest, BothControlsAreDropTargets)
{
    EXPECT_TRUE(win::IsDropTargetRegistered(hwndOf(m_a)));
    EXPECT_TRUE(win::IsDropTargetRegistered(hwndOf(m_b)));
    EXPECT_EQ(text(m_a), QStringLiteral("hello world"));
}

TEST_F(ComboDragDropTest, DraggedTextMovesToTheOtherControl)
{
    select(m_a, 0, 5); // "hello"
    dragFromA(charPoint(m_a, 2, 2), [&] {
        QTest::mouseMove(widget(m_b), charPoint(m_b, 1, 1));
        QTest::mouseMove(widget(m_b), charPoint(m_b, 3, 1));
        QTest::mouseRelease(widget(m_b), Qt::LeftButton, {}, charPoint(m_b, 3, 1));
    });
    EXPECT_EQ(text(m_b), QStringLiteral("xyzhello"));
    EXPECT_EQ(text(m_a), QStringLiteral(" world")) << "a move takes the text out of the source";
    EXPECT_EQ(win::GetFocus(), hwndOf(m_b)) << "the control that took the drop has the focus";
}

TEST_F(ComboDragDropTest, JapaneseTextMovesWhole)
{
    Bstr v(QString::fromUtf8("日本語です"));
    m_a->put_Value(v.get());
    select(m_a, 0, 3);
    Bstr sel;
    m_a->get_SelText(sel.put());
    ASSERT_EQ(sel.toQString(), QString::fromUtf8("日本語"));
    dragFromA(charPoint(m_a, 1, 2), [&] {
        QTest::mouseMove(widget(m_b), charPoint(m_b, 3, 1));
        QTest::mouseMove(widget(m_b), charPoint(m_b, 3, 2));
        QTest::mouseRelease(widget(m_b), Qt::LeftButton, {}, charPoint(m_b, 3, 2));
    });
    EXPECT_EQ(text(m_b), QString::fromUtf8("xyz日本語"));
    EXPECT_EQ(text(m_a), QString::fromUtf8("です"));
}

TEST_F(ComboDragDropTest, CtrlCopiesAndTheSourceKeepsItsText)
{
    select(m_a, 6, 5); // "world"
    dragFromA(charPoint(m_a, 8, 2), [&] {
        QTest::mouseMove(widget(m_b), charPoint(m_b, 0, 1));
        QTest::keyPress(widget(m_a), Qt::Key_Control, Qt::ControlModifier);
        QTest::mouseMove(widget(m_b), charPoint(m_b, 0, 2));
        QTest::mouseRelease(widget(m_b), Qt::LeftButton, Qt::ControlModifier, charPoint(m_b, 0, 2));
    });
    QTest::keyRelease(widget(m_b), Qt::Key_Control);
    EXPECT_EQ(text(m_b), QStringLiteral("worldxyz"));
    EXPECT_EQ(text(m_a), QStringLiteral("hello world"));
}

TEST_F(ComboDragDropTest, AMoveWithinTheControlIsNotRemovedTwice)
{
    select(m_a, 0, 5);
    dragFromA(charPoint(m_a, 1, 2), [&] {
        QTest::mouseMove(widget(m_a), charPoint(m_a, 9, 0));
        QTest::mouseMove(widget(m_a), charPoint(m_a, 11, 1));
        QTest::mouseRelease(widget(m_a), Qt::LeftButton, {}, charPoint(m_a, 11, 1));
    });
    EXPECT_EQ(text(m_a), QStringLiteral(" worldhello"));
    EXPECT_EQ(text(m_b), QStringLiteral("xyz"));
}

TEST_F(ComboDragDropTest, ADropOntoItsOwnSelectionChangesNothing)
{
    select(m_a, 0, 5);
    dragFromA(charPoint(m_a, 1, 2), [&] {
        QTest::mouseMove(widget(m_a), charPoint(m_a, 3, 1));
        QTest::mouseRelease(widget(m_a), Qt::LeftButton, {}, charPoint(m_a, 3, 1));
    });
    EXPECT_EQ(text(m_a), QStringLiteral("hello world"));
}

TEST_F(ComboDragDropTest, EscapeCancelsTheDrag)
{
    select(m_a, 0, 5);
    dragFromA(charPoint(m_a, 2, 2), [&] {
        QTest::mouseMove(widget(m_b), charPoint(m_b, 1, 1));
        QTest::keyClick(widget(m_a), Qt::Key_Escape);
    });
    QTest::mouseRelease(widget(m_b), Qt::LeftButton, {}, charPoint(m_b, 1, 1));
    EXPECT_EQ(text(m_a), QStringLiteral("hello world"));
    EXPECT_EQ(text(m_b), QStringLiteral("xyz"));
    EXPECT_EQ(zobase7::RyxComboStoredValue(hwndOf(m_b), 0x1196), 0) << "the drop feedback of b ended";
}

TEST_F(ComboDragDropTest, AQuickClickOnTheSelectionIsAClick)
{
    select(m_a, 0, 5);
    win::SetFocus(hwndOf(m_a));
    const QPoint p = charPoint(m_a, 2, 0);
    QTest::mousePress(widget(m_a), Qt::LeftButton, {}, p);
    EXPECT_EQ(selLength(m_a), 5) << "the press waits for the drag timer";
    QTest::mouseRelease(widget(m_a), Qt::LeftButton, {}, p);
    EXPECT_EQ(selLength(m_a), 0) << "the press reached the window before the release";
    int32_t start = -1;
    m_a->get_SelStart(&start);
    EXPECT_EQ(start, 2);
    EXPECT_FALSE(control(m_a).dragDrop().IsDragArmed());
}

TEST_F(ComboDragDropTest, ARightClickOnTheSelectionIsSwallowed)
{
    select(m_a, 0, 5);
    const QPoint p = charPoint(m_a, 2, 0);
    QTest::mousePress(widget(m_a), Qt::RightButton, {}, p);
    QTest::mouseRelease(widget(m_a), Qt::RightButton, {}, p);
    EXPECT_EQ(selLength(m_a), 5) << "no press is replayed for the right button";
    EXPECT_FALSE(control(m_a).dragDrop().IsDragArmed());
}

TEST_F(ComboDragDropTest, WithoutAutomaticDragAPressOnTheSelectionIsAPress)
{
    m_a->put_OLEDragMode(zoOLEDragManual);
    select(m_a, 0, 5);
    QTest::mousePress(widget(m_a), Qt::LeftButton, {}, charPoint(m_a, 2, 0));
    EXPECT_EQ(selLength(m_a), 0);
    EXPECT_FALSE(control(m_a).dragDrop().IsDragArmed());
    QTest::mouseRelease(widget(m_a), Qt::LeftButton, {}, charPoint(m_a, 2, 0));
}

TEST_F(ComboDragDropTest, TheDragCursorShowsOverTheSelection)
{
    select(m_a, 0, 5);
    // On a display: input once the window manager has placed the window, and
    // the pointer over the field before it moves, as a person's is.
    ASSERT_TRUE(QTest::qWaitForWindowActive(win::WidgetOfWindow(m_parent)));
    ASSERT_TRUE(talviktest::pointerInto(widget(m_a), charPoint(m_a, 9, 1)));
    ASSERT_TRUE(talviktest::movePointer(widget(m_a), charPoint(m_a, 8, 1)));
    EXPECT_EQ(zobase7::RyxComboStoredValue(hwndOf(m_a), zobase7::ZOM_SETDRAGCURSOR), -1) << "not over the selection";
    ASSERT_TRUE(talviktest::movePointer(widget(m_a), charPoint(m_a, 2, 1)));
    EXPECT_EQ(zobase7::RyxComboStoredValue(hwndOf(m_a), zobase7::ZOM_SETDRAGCURSOR), 0);
}

TEST_F(ComboDragDropTest, HoldingTheButtonStartsTheDrag)
{
    select(m_a, 0, 5);
    bool dragged = false;
    int tries = 0;
    std::function<void()> script = [&] {
        if (!win::IsDragRunning()) {
            if (++tries < 100)
                QTimer::singleShot(20, script);
            return;
        }
        dragged = true;
        QTest::mouseMove(widget(m_b), charPoint(m_b, 3, 1));
        QTest::mouseRelease(widget(m_b), Qt::LeftButton, {}, charPoint(m_b, 3, 1));
    };
    QTest::mousePress(widget(m_a), Qt::LeftButton, {}, charPoint(m_a, 2, 2));
    QTimer::singleShot(20, script);
    QTRY_VERIFY_WITH_TIMEOUT(tries >= 100 || dragged, 4000);
    EXPECT_TRUE(dragged);
    EXPECT_EQ(text(m_b), QStringLiteral("xyzhello"));
}

TEST_F(ComboDragDropTest, TextAControlRefusesStaysWithTheSource)
{
    // A field with an input mask takes no dropped text.
    Bstr mask(QStringLiteral("999-9999"));
    ASSERT_EQ(m_b->put_Format(mask.get()), S_OK);
    const QString before = text(m_b);
    select(m_a, 0, 5);
    dragFromA(charPoint(m_a, 2, 2), [&] {
        QTest::mouseMove(widget(m_b), charPoint(m_b, 1, 1));
        QTest::mouseMove(widget(m_b), charPoint(m_b, 1, 2));
        QTest::mouseRelease(widget(m_b), Qt::LeftButton, {}, charPoint(m_b, 1, 2));
    });
    EXPECT_EQ(text(m_b), before);
    EXPECT_EQ(text(m_a), QStringLiteral("hello world")) << "the move did not happen, so nothing is removed";
}

TEST_F(ComboDragDropTest, ADropDownListTakesNoText)
{
    m_b->put_Style(zoDropDownList);
    select(m_a, 0, 5);
    dragFromA(charPoint(m_a, 2, 2), [&] {
        QTest::mouseMove(widget(m_b), QPoint(20, 10));
        QTest::mouseMove(widget(m_b), QPoint(22, 10));
        QTest::mouseRelease(widget(m_b), Qt::LeftButton, {}, QPoint(22, 10));
    });
    EXPECT_EQ(text(m_a), QStringLiteral("hello world")) << "nothing was taken, so nothing moved";
    EXPECT_EQ(zobase7::RyxComboStoredValue(hwndOf(m_b), 0x5033), -1) << "no drop caret";
}

} // namespace
