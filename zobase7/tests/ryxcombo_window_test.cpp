// The "RyxCombo" window with real Qt input on its backing widget: typing
// (ASCII and committed Japanese input), editing keys, selection, insert and
// overwrite, read-only, the pop-up list (button, keys, mouse pick, Esc),
// AutoSelect, the private get/set messages, the input mask, the button
// layout and the notifications its parent receives.
#include "zobase7/RyxComboGdi.h"
#include "zobase7/RyxComboState.h"
#include "zobase7/RyxComboText.h"
#include "zobase7/include/RyxCombo.h"
#include "zobase7/include/RyxComboProtocol.h"

#include "zobase7/tests/ComboItemDoubles.h"

#include "platform/win/tests/WinTestSupport.h"

#include <QClipboard>
#include <QCursor>
#include <QMenu>
#include <QWheelEvent>
#include <QWindow>
#include <QDir>
#include <QImage>
#include <QInputMethodEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <cstring>

namespace {

using namespace zobase7;
using namespace wintest;
using zobase7::testing::newCollection;
using zobase7::testing::newItem;
using platform::com::ComPtr;
using platform::com::S_OK;

constexpr UINT kCommand = 0x0111;
constexpr UINT kSetReadOnly = 0x00CF;
constexpr UINT kPosFromChar = 0x00D6;

// CP932 bytes of the Japanese test strings.
const std::string kKan = "\x8A\xBF";  // 漢
const std::string kJi = "\x8E\x9A";   // 字
const std::string kA = "\x82\xA0";    // あ

class RyxComboWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool registered = RegisterRyxComboClasses(0);
        ASSERT_TRUE(registered);
        WNDCLASSA wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "RyxTestParent";
        RegisterClassA(&wc);
    }

    void SetUp() override
    {
        log().clear();
        hooks().clear();
        parent = CreateWindowExA(0, "RyxTestParent", "", WS_POPUP | WS_VISIBLE, 100, 100, 260, 160, 0, 0, 0, nullptr);
        ASSERT_TRUE(parent);
        WidgetOfWindow(parent)->show();
        combo = CreateWindowExA(0, kRyxComboClassName, "", WS_CHILD | WS_VISIBLE, 10, 10, 160, 24, parent,
                                static_cast<HMENU>(7), 0, nullptr);
        ASSERT_TRUE(combo);
        items = newCollection();
        for (const char *c : {"Apple", "apricot", "Banana", "\xE3\x81\x82\xE3\x81\x84"}) // last: あい
            items->Add(newItem(QString::fromUtf8(c)).get());
        SendMessageA(combo, ZOM_SETITEMCOLLECTION, reinterpret_cast<WPARAM>(items.get()), 0);
        // What the control sends at creation.
        SendMessageA(combo, ZOM_SETAPPEARANCE, 1, 0);
        SendMessageA(combo, ZOM_SETBORDERSTYLE, 1, 0);
        SendMessageA(combo, ZOM_SETBACKCOLOR, 0x80000005, 0);
        SendMessageA(combo, ZOM_SETMARGINSH, MAKELONG(1, 1), 0);
        SendMessageA(combo, ZOM_SETBUTTONLAYOUT, RyxLayoutDropInside, 0);
        SetFocus(combo);
        log().clear();
    }

    void TearDown() override
    {
        DestroyWindow(parent);
        hooks().clear();
        PumpPostedMessages();
        EXPECT_FALSE(IsWindow(combo));
    }

    QWidget *widget() const { return WidgetOfWindow(combo); }

    std::string text() const
    {
        const LRESULT n = SendMessageA(combo, ZOM_GETTEXTLENGTH, 0, 0);
        std::string buf(static_cast<size_t>(n) + 1, '\0');
        SendMessageA(combo, ZOM_GETTEXT, 0, reinterpret_cast<LPARAM>(buf.data()));
        buf.resize(std::strlen(buf.c_str()));
        return buf;
    }

    std::string value() const
    {
        const LRESULT n = SendMessageA(combo, ZOM_GETVALUELENGTH, 0, 0);
        std::string buf(static_cast<size_t>(n) + 1, '\0');
        SendMessageA(combo, ZOM_GETVALUE, 0, reinterpret_cast<LPARAM>(buf.data()));
        buf.resize(std::strlen(buf.c_str()));
        return buf;
    }

    // WM_COMMAND codes the parent received from the combo, in order.
    std::vector<UINT> commands() const
    {
        std::vector<UINT> out;
        for (const Rec &r : log())
            if (r.hwnd == parent && r.msg == kCommand) {
                EXPECT_EQ(LOWORD(r.wParam), 7u) << "the combo's id";
                out.push_back(HIWORD(r.wParam));
            }
        return out;
    }
    int countCommand(UINT code) const
    {
        auto c = commands();
        return static_cast<int>(std::count(c.begin(), c.end(), code));
    }
    int countAtParent(UINT msg) const
    {
        int n = 0;
        for (const Rec &r : log())
            n += r.hwnd == parent && r.msg == msg;
        return n;
    }

    void type(const QString &s)
    {
        QTest::keyClicks(widget(), s);
        PumpPostedMessages();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {})
    {
        QTest::keyClick(widget(), k, m);
        PumpPostedMessages();
    }
    void commit(const QString &s)
    {
        QInputMethodEvent ime;
        ime.setCommitString(s);
        QApplication::sendEvent(widget(), &ime);
        PumpPostedMessages();
    }
    QPoint charPoint(int ci) const
    {
        const LRESULT p = SendMessageA(combo, kPosFromChar, static_cast<WPARAM>(ci), 0);
        return QPoint(static_cast<std::int16_t>(LOWORD(p)), static_cast<std::int16_t>(HIWORD(p)) + 3);
    }
    QPoint center(const RECT &r) const { return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
    void clickDropButton()
    {
        QTest::mouseClick(widget(), Qt::LeftButton, {}, center(RyxComboInspect(combo).dropRect));
        PumpPostedMessages();
    }
    QPoint rowPoint(int row) const
    {
        const int h = listRowHeight(*comboOf(combo));
        return QPoint(20, 1 + row * h + h / 2);
    }

    HWND parent = 0;
    HWND combo = 0;
    ComPtr<IComboItemCollection> items;
};

TEST_F(RyxComboWindowTest, TypingAsciiAndCommittedJapaneseText)
{
    type("ab");
    commit(QString::fromUtf8("漢字"));
    EXPECT_EQ(text(), "ab" + kKan + kJi);
    EXPECT_EQ(value(), text());
    EXPECT_EQ(countCommand(ZON_CHANGE), 4) << "one change per character";
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELSTART, 0, 0), 4) << "caret after the last character";
    // The caret sits at the end of the drawn text.
    EXPECT_EQ(RyxComboInspect(combo).caretChar, 4);
}

TEST_F(RyxComboWindowTest, BackspaceAndDeleteRemoveADoubleByteCharacterWhole)
{
    type("a");
    commit(QString::fromUtf8("漢"));
    type("b");
    key(Qt::Key_Left);
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), "ab");
    key(Qt::Key_Home);
    commit(QString::fromUtf8("字"));
    key(Qt::Key_Left);
    key(Qt::Key_Delete);
    EXPECT_EQ(text(), "ab");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETTEXTLENGTH, 0, 0), 2);
}

TEST_F(RyxComboWindowTest, SelectionWithShiftArrowsAndMouseDrag)
{
    type("abcdef");
    key(Qt::Key_Home);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELSTART, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELLENGTH, 0, 0), 2);
    char buf[256] = {};
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buf)), 2);
    EXPECT_STREQ(buf, "ab");
    type("X");
    EXPECT_EQ(text(), "Xcdef");
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELLENGTH, 0, 0), 4);

    // Dragging from character 1 to 4 selects "cde"; the window keeps the
    // capture while the button is down.
    QTest::mousePress(widget(), Qt::LeftButton, {}, charPoint(1));
    EXPECT_EQ(GetCapture(), combo);
    QTest::mouseMove(widget(), charPoint(4));
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, charPoint(4));
    PumpPostedMessages();
    EXPECT_EQ(GetCapture(), 0u);
    int start = -1, end = -1;
    SendMessageA(combo, ZOM_GETSELECTIONPOS, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 4);
    std::memset(buf, 0, sizeof buf);
    SendMessageA(combo, ZOM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "cde");
    // Shift+click extends from the anchor.
    QTest::mouseClick(widget(), Qt::LeftButton, Qt::ShiftModifier, charPoint(5));
    PumpPostedMessages();
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELLENGTH, 0, 0), 4);
}

TEST_F(RyxComboWindowTest, InsertKeySwitchesToOverwriteAndReports)
{
    type("abcd");
    key(Qt::Key_Home);
    EXPECT_NE(SendMessageA(combo, ZOM_GETEDITMODESTATUS, 0, 0), 0) << "insert mode at first";
    key(Qt::Key_Insert);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETEDITMODESTATUS, 0, 0), 0);
    EXPECT_EQ(countCommand(ZON_EDITMODECHANGE), 1);
    type("XY");
    EXPECT_EQ(text(), "XYcd");
    commit(QString::fromUtf8("漢"));
    EXPECT_EQ(text(), "XY" + kKan + "d") << "a double-byte character overwrites one character";

    // The owner sets the mode; with the toggle off the Insert key does nothing.
    SendMessageA(combo, ZOM_SETINSERTMODE, 1, 0);
    EXPECT_NE(SendMessageA(combo, ZOM_GETEDITMODESTATUS, 0, 0), 0);
    SendMessageA(combo, ZOM_SETEDITMODETOGGLE, 0, 0);
    key(Qt::Key_Insert);
    EXPECT_NE(SendMessageA(combo, ZOM_GETEDITMODESTATUS, 0, 0), 0);
    EXPECT_EQ(countCommand(ZON_EDITMODECHANGE), 1);
}

TEST_F(RyxComboWindowTest, ReadOnlyRefusesInput)
{
    type("abc");
    EXPECT_EQ(SendMessageA(combo, kSetReadOnly, 1, 0), TRUE);
    log().clear();
    type("x");
    commit(QString::fromUtf8("漢"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Home);
    key(Qt::Key_Delete);
    EXPECT_EQ(text(), "abc");
    EXPECT_EQ(countCommand(ZON_CHANGE), 0);
    SendMessageA(combo, ZOM_SETSELSTART, 0, 0);
    SendMessageA(combo, ZOM_SETSELLENGTH, 1, 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_SETSELTEXT, 0, reinterpret_cast<LPARAM>("z")), 1) << "refused";
    EXPECT_EQ(text(), "abc");
    // The caret still moves and the owner may still set the text.
    EXPECT_EQ(SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>("new")), 0);
    EXPECT_EQ(text(), "new");
    SendMessageA(combo, kSetReadOnly, 0, 0);
    type("!");
    EXPECT_EQ(text(), "new!");
}

TEST_F(RyxComboWindowTest, DropDownButtonOpensAndClosesTheList)
{
    const HWND list = static_cast<HWND>(SendMessageA(combo, ZOM_GETLISTWINDOW, 0, 0));
    ASSERT_TRUE(IsWindow(list));
    EXPECT_EQ(static_cast<HWND>(SendMessageA(combo, ZOM_GETLISTWINDOW2, 0, 0)), list);
    EXPECT_FALSE(IsWindowVisible(list));
    clickDropButton();
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(GetFocus(), combo) << "the list does not take the focus";
    RECT lr, cr;
    GetWindowRect(list, &lr);
    GetWindowRect(combo, &cr);
    EXPECT_EQ(lr.top, cr.bottom) << "the list opens below the combo";
    EXPECT_EQ(lr.left, cr.left);
    EXPECT_EQ(lr.right - lr.left, 160) << "as wide as the combo";
    EXPECT_EQ(lr.bottom - lr.top, 4 * listRowHeight(*comboOf(combo)) + 2) << "four items, one row each";
    clickDropButton();
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(commands(), (std::vector<UINT>{ZON_DROPOPEN, ZON_DROPCLOSE}));
    // A disabled drop-down button opens nothing.
    SendMessageA(combo, ZOM_SETDROPDOWNENABLED, 0, 0);
    clickDropButton();
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
}

TEST_F(RyxComboWindowTest, AltDownAndF4ToggleTheList)
{
    key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
    key(Qt::Key_F4);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    key(Qt::Key_F4);
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
    key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    // A simple combo has no list to drop.
    SendMessageA(combo, ZOM_SETSTYLE, 0, 0);
    key(Qt::Key_F4);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
}

TEST_F(RyxComboWindowTest, PickingWithTheMouse)
{
    clickDropButton();
    const HWND list = RyxComboInspect(combo).list;
    QTest::mouseMove(WidgetOfWindow(list), rowPoint(2));
    PumpPostedMessages();
    EXPECT_EQ(RyxComboInspect(combo).hotRow, 2) << "the row under the pointer is highlighted";
    log().clear();
    QTest::mouseClick(WidgetOfWindow(list), Qt::LeftButton, {}, rowPoint(1));
    PumpPostedMessages();
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 1);
    EXPECT_EQ(text(), "apricot");
    EXPECT_EQ(countAtParent(ZOM_SELCHANGED), 1);
    EXPECT_EQ(commands(), (std::vector<UINT>{ZON_DROPCLOSE, ZON_CHANGE}));
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELLENGTH, 0, 0), 7) << "the picked text is selected";
    // A right click in the list is reported to the owner.
    clickDropButton();
    QTest::mouseClick(WidgetOfWindow(list), Qt::RightButton, {}, rowPoint(0));
    PumpPostedMessages();
    EXPECT_EQ(countAtParent(ZOM_LISTRBUTTONDOWN), 1);
}

TEST_F(RyxComboWindowTest, PickingWithArrowsAndEnter)
{
    key(Qt::Key_F4);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(RyxComboInspect(combo).hotRow, 1);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1) << "moving the highlight selects nothing yet";
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(RyxComboInspect(combo).hotRow, 3) << "the highlight stops at the last row";
    key(Qt::Key_Up);
    key(Qt::Key_Return);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 2);
    EXPECT_EQ(text(), "Banana");
    EXPECT_EQ(countAtParent(ZOM_SELCHANGED), 1);
    // With the list closed the arrows step through the items.
    key(Qt::Key_Down);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 3);
    EXPECT_EQ(text(), kA + "\x82\xA2"); // あい
    key(Qt::Key_Down);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 3) << "stays at the last item";
    EXPECT_EQ(countAtParent(ZOM_SELCHANGED), 2);
}

TEST_F(RyxComboWindowTest, EscClosesTheListWithoutChange)
{
    SendMessageA(combo, ZOM_SETSELECTEDINDEX, 0, 0);
    EXPECT_EQ(text(), "Apple");
    log().clear();
    key(Qt::Key_F4);
    EXPECT_EQ(RyxComboInspect(combo).hotRow, 0) << "the list opens on the selected item";
    key(Qt::Key_Down);
    key(Qt::Key_Escape);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 0);
    EXPECT_EQ(text(), "Apple");
    EXPECT_EQ(countAtParent(ZOM_SELCHANGED), 0);
    EXPECT_EQ(countCommand(ZON_CHANGE), 0);
}

TEST_F(RyxComboWindowTest, FocusLossClosesTheList)
{
    key(Qt::Key_F4);
    ASSERT_TRUE(RyxComboInspect(combo).dropped);
    SetFocus(parent);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_FALSE(IsWindowVisible(RyxComboInspect(combo).list));
    EXPECT_EQ(countCommand(ZON_DROPCLOSE), 1);
}

TEST_F(RyxComboWindowTest, AutoSelectPicksTheFirstItemStartingWithTheTypedText)
{
    SendMessageA(combo, ZOM_SETAUTOSELECT, 1, 0);
    type("AP");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 0) << "ASCII letters compare without case";
    type("R");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 1);
    EXPECT_EQ(text(), "APR") << "the typed text stays as typed";
    type("x");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1) << "no item starts with APRx";
    EXPECT_EQ(countAtParent(ZOM_SELCHANGED), 3);
    SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    commit(QString::fromUtf8("あ"));
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 3);
    key(Qt::Key_Backspace);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1) << "an empty text selects nothing";

    // Without AutoSelect typing leaves the selection alone.
    SendMessageA(combo, ZOM_SETAUTOSELECT, 0, 0);
    type("Ban");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1);
}

TEST_F(RyxComboWindowTest, GetSetMessagePairsRoundTrip)
{
    SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>(("x" + kKan + "yz").c_str()));
    SendMessageA(combo, ZOM_SETSELSTART, 1, 0);
    SendMessageA(combo, ZOM_SETSELLENGTH, 2, 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELSTART, 0, 0), 1);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELLENGTH, 0, 0), 2);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELTEXT, 0, 0), 3) << "the byte length with no buffer";
    EXPECT_EQ(SendMessageA(combo, ZOM_SETSELTEXT, 0, reinterpret_cast<LPARAM>("Q")), 0);
    EXPECT_EQ(text(), "xQz");

    SendMessageA(combo, ZOM_SETMARGINSH, MAKELONG(3, 5), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETMARGINSH, 0, 0), MAKELONG(3, 5));
    SendMessageA(combo, ZOM_SETMARGINSV, MAKELONG(2, 4), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETMARGINSV, 0, 0), MAKELONG(2, 4));
    SendMessageA(combo, ZOM_SETIMEMODE, 4, 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETIMEMODE, 0, 0), 4);
    SendMessageA(combo, ZOM_SETIMESTATUS, 1, 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETIMESTATUS, 0, 0), 1);
    SendMessageA(combo, ZOM_SETINSERTMODE, 0, 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETEDITMODESTATUS, 0, 0), 0);

    EXPECT_EQ(SendMessageA(combo, ZOM_SETVALUE, 0, reinterpret_cast<LPARAM>("v1")), 0);
    EXPECT_EQ(value(), "v1");
    EXPECT_EQ(text(), "v1");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETDISPLAYTEXTLENGTH, 0, 0), 2);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETVALUEISFULL, 0, 0), 1);

    SendMessageA(combo, ZOM_SETSELECTEDINDEX, 2, 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 2);
    EXPECT_EQ(text(), "Banana") << "the selected item's content is shown";
    SendMessageA(combo, ZOM_SETSELECTEDINDEX, 9, 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1) << "out of range selects nothing";
    EXPECT_EQ(countAtParent(ZOM_SELCHANGED), 0) << "owner settings are not reported back";
    EXPECT_EQ(countCommand(ZON_CHANGE), 1) << "only the SelText replacement changed the text";

    // Messages without an effect here keep their value.
    EXPECT_EQ(RyxComboStoredValue(combo, ZOM_SETSORTORDER), -1);
    for (UINT m : {ZOM_SETSORTORDER, ZOM_SETITEMTIP, ZOM_SETSHOWLITERALS, ZOM_SETOLEDRAGMODE, ZOM_SETMOUSEPOINTER}) {
        SendMessageA(combo, m, 2, 0);
        EXPECT_EQ(RyxComboStoredValue(combo, m), 2) << std::hex << m;
    }
    EXPECT_EQ(SendMessageA(combo, ZOM_SETCURSORPOSITION, 3, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_SETCURSORPOSITION, static_cast<WPARAM>(-2), 0), 1) << "refused";
    EXPECT_EQ(SendMessageA(combo, ZOM_SETLOOKUPTABLE, 0, reinterpret_cast<LPARAM>("ab\x82")), 1)
        << "a broken double-byte character is refused";
    EXPECT_EQ(SendMessageA(combo, ZOM_SETLOOKUPTABLE, 0, reinterpret_cast<LPARAM>("abc")), 0);

    RECT tr{};
    SendMessageA(combo, ZOM_GETTEXTRECT, 0, reinterpret_cast<LPARAM>(&tr));
    EXPECT_EQ(tr.left, 2 + 3) << "frame and left margin";
    EXPECT_EQ(tr.top, 2 + 2);
    EXPECT_EQ(tr.right, 160 - 2 - kButtonWidth - 5) << "inside drop-down button and right margin";
}

TEST_F(RyxComboWindowTest, FormatMaskRefusesMalformedMasksAndGuidesInput)
{
    EXPECT_EQ(SendMessageA(combo, ZOM_SETFORMAT, 0, reinterpret_cast<LPARAM>("999-9999")), 0);
    EXPECT_EQ(text(), "___-____");
    EXPECT_EQ(SendMessageA(combo, ZOM_SETFORMAT, 0, reinterpret_cast<LPARAM>("99{9")), 1);
    EXPECT_EQ(SendMessageA(combo, ZOM_SETFORMAT, 0, reinterpret_cast<LPARAM>("---")), 1);
    EXPECT_EQ(RyxComboInspect(combo).format, "999-9999") << "a refused mask keeps the old one";

    key(Qt::Key_Home);
    type("123");
    type("x");
    EXPECT_EQ(countCommand(ZON_INVALIDINPUT), 1);
    type("4567");
    EXPECT_EQ(text(), "123-4567");
    EXPECT_EQ(value(), "1234567");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETVALUEISFULL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETCURRENTFIELD, 0, 0), 1);
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), "123-456_");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETVALUEISFULL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_SETVALUE, 0, reinterpret_cast<LPARAM>("12a")), 1) << "a letter in a digit mask";
    EXPECT_EQ(value(), "123456");
    EXPECT_EQ(SendMessageA(combo, ZOM_SETPROMPTCHAR, '*', 0), 0);
    EXPECT_EQ(text(), "123-456*");
    // Field movement by key action: back to the first field, then forward.
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyPrevField, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETCURRENTFIELD, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyPrevField, 0), 1) << "no field before the first";
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyNextField, 0), 0);
    // Removing the mask keeps the entered characters as text.
    EXPECT_EQ(SendMessageA(combo, ZOM_SETFORMAT, 0, reinterpret_cast<LPARAM>("")), 0);
    EXPECT_EQ(text(), "123456");
}

TEST_F(RyxComboWindowTest, KeyBoundToAnActionIsLeftToTheOwner)
{
    // The parent answers the key-action query: Down is bound.
    hooks()[parent] = [](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (msg == ZOM_QUERYKEYACTION)
            return w == VK_DOWN ? 1 : -1;
        return std::nullopt;
    };
    key(Qt::Key_Down);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1) << "the window did not act on the key";
    // The owner's action messages step through the items.
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyNextItem, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyNextItem, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 1);
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyPrevItem, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 0);
    // With the list open the list's key action moves its highlight and the
    // item action selects it without closing the list.
    key(Qt::Key_F4);
    const HWND list = RyxComboInspect(combo).list;
    SendMessageA(list, ZOM_LISTKEYACTION, 2, 0);
    SendMessageA(combo, ZOM_KEYACTION, RyxKeyNextItem, 0);
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 1);
    EXPECT_EQ(text(), "apricot");
}

TEST_F(RyxComboWindowTest, MoveOnActionWithTheListDroppedTakesTheHighlightedItem)
{
    // Enter bound to "next field" by the owner: with the list dropped the
    // action takes the highlighted row and closes the list; with the list
    // closed and no mask fields it is left to the owner (answer 1).
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyNextField, 0), 1);
    key(Qt::Key_F4);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    ASSERT_EQ(RyxComboInspect(combo).hotRow, 1);
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyNextField, 0), 0);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 1);
    // Dropped without a highlight, the backward action just closes the list.
    key(Qt::Key_F4);
    SendMessageA(RyxComboInspect(combo).list, ZOM_LISTKEYACTION, 3, 0);
    key(Qt::Key_F4);
    key(Qt::Key_F4);
    EXPECT_EQ(SendMessageA(combo, ZOM_KEYACTION, RyxKeyPrevField, 0), 0);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
}

TEST_F(RyxComboWindowTest, TabMovesBetweenMaskFieldsOnlyWhileThereIsOneThenLeavesWithKeyExit)
{
    const auto keyExits = [&] {
        std::vector<WPARAM> out;
        for (const Rec &r : log())
            if (r.hwnd == parent && r.msg == ZOM_KEYEXIT)
                out.push_back(r.wParam);
        return out;
    };
    const auto wantsTab = [&] { return (SendMessageA(combo, wm::GETDLGCODE, VK_TAB, 0) & wm::DLGC_WANTTAB) != 0; };
    // TabAction 1 without a mask: Tab is not the window's, it leaves.
    SendMessageA(combo, ZOM_SETTABACTION, 1, 0);
    EXPECT_FALSE(wantsTab());
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 1);
    EXPECT_EQ(keyExits(), (std::vector<WPARAM>{RyxKeyExitTab}));

    // With a mask: forward while a next field exists, then out.
    ASSERT_EQ(SendMessageA(combo, ZOM_SETFORMAT, 0, reinterpret_cast<LPARAM>("999-9999")), 0);
    key(Qt::Key_Home);
    EXPECT_TRUE(wantsTab());
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETCURRENTFIELD, 0, 0), 1);
    EXPECT_EQ(keyExits().size(), 1u) << "a move between fields does not leave";
    EXPECT_FALSE(wantsTab()) << "no field after the last";
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 1);
    EXPECT_EQ(keyExits(), (std::vector<WPARAM>{RyxKeyExitTab, RyxKeyExitTab}));
    // With Shift held the previous field counts, and the exit is Shift+Tab's.
    QTest::keyPress(widget(), Qt::Key_Shift);
    PumpPostedMessages();
    EXPECT_TRUE(wantsTab());
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETCURRENTFIELD, 0, 0), 0);
    EXPECT_FALSE(wantsTab());
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 1);
    QTest::keyRelease(widget(), Qt::Key_Shift);
    PumpPostedMessages();
    EXPECT_EQ(keyExits(), (std::vector<WPARAM>{RyxKeyExitTab, RyxKeyExitTab, RyxKeyExitShiftTab}));
    // A Tab the window asked for and received moves the caret to the next field.
    key(Qt::Key_Tab);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETCURRENTFIELD, 0, 0), 1);
    // TabAction 0: never the window's.
    SendMessageA(combo, ZOM_SETTABACTION, 0, 0);
    key(Qt::Key_Home);
    EXPECT_FALSE(wantsTab());
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 1);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETCURRENTFIELD, 0, 0), 0);
}

TEST_F(RyxComboWindowTest, TabOnADroppedListTakesTheHighlightedItemAndLeaves)
{
    // Dropped with nothing highlighted: the list just closes, nothing is picked.
    key(Qt::Key_F4);
    ASSERT_EQ(RyxComboInspect(combo).hotRow, -1);
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 1);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(countAtParent(ZOM_KEYEXIT), 1);
    // A highlighted row is taken as Enter takes it.
    key(Qt::Key_F4);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    ASSERT_EQ(RyxComboInspect(combo).hotRow, 2);
    EXPECT_EQ(SendMessageA(combo, ZOM_QUERYTABSTOP, 0, 0), 1);
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 2);
    EXPECT_EQ(text(), "Banana");
    EXPECT_EQ(countAtParent(ZOM_KEYEXIT), 2);
}

TEST_F(RyxComboWindowTest, HomeAndEndInTheDroppedListGoToTheFirstAndLastRow)
{
    type("Ban");
    const int caret = RyxComboInspect(combo).caretChar;
    key(Qt::Key_F4);
    key(Qt::Key_End);
    EXPECT_EQ(RyxComboInspect(combo).hotRow, 3);
    key(Qt::Key_Home);
    EXPECT_EQ(RyxComboInspect(combo).hotRow, 0);
    key(Qt::Key_End);
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
    EXPECT_EQ(RyxComboInspect(combo).caretChar, caret) << "the edit's caret stayed";
    key(Qt::Key_Return);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 3);
    // Closed, Home is the edit field's.
    key(Qt::Key_Home);
    EXPECT_EQ(RyxComboInspect(combo).caretChar, 0);
}

TEST_F(RyxComboWindowTest, SpinButtonReportsUpAndDown)
{
    SendMessageA(combo, ZOM_SETBUTTONLAYOUT, RyxLayoutBothInsideSpinLeft, 0);
    const RyxComboInfo info = RyxComboInspect(combo);
    ASSERT_LT(info.spinRect.right, info.dropRect.right);
    QTest::mouseClick(widget(), Qt::LeftButton, {}, QPoint(center(info.spinRect).x(), info.spinRect.top + 2));
    QTest::mouseClick(widget(), Qt::LeftButton, {}, QPoint(center(info.spinRect).x(), info.spinRect.bottom - 2));
    PumpPostedMessages();
    EXPECT_EQ(countAtParent(ZOM_NOTIFYSPINUP), 1);
    EXPECT_EQ(countAtParent(ZOM_NOTIFYSPINDOWN), 1);
    SendMessageA(combo, ZOM_SETSPINENABLED, 0, 0);
    QTest::mouseClick(widget(), Qt::LeftButton, {}, QPoint(center(info.spinRect).x(), info.spinRect.top + 2));
    PumpPostedMessages();
    EXPECT_EQ(countAtParent(ZOM_NOTIFYSPINUP), 1) << "a disabled spin reports nothing";
}

TEST_F(RyxComboWindowTest, CaretFollowsTheTextAndGoesWithTheFocus)
{
    type("abc");
    auto posOf = [&](int ci) {
        const LRESULT p = SendMessageA(combo, kPosFromChar, static_cast<WPARAM>(ci), 0);
        return POINT{static_cast<std::int16_t>(LOWORD(p)), static_cast<std::int16_t>(HIWORD(p))};
    };
    POINT caret;
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(caret.x, posOf(3).x);
    EXPECT_EQ(caret.y, posOf(3).y);
    EXPECT_GT(posOf(3).x, posOf(0).x) << "characters have width";
    key(Qt::Key_Home);
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(caret.x, posOf(0).x);
    SetFocus(parent);
    EXPECT_FALSE(GetCaretPos(&caret)) << "the caret goes with the focus";
    SetFocus(combo);
    EXPECT_TRUE(GetCaretPos(&caret));
    // Right alignment puts the end of the text at the text area's right edge.
    const RECT area = RyxComboInspect(combo).textRect;
    SendMessageA(combo, ZOM_SETALIGNHORIZONTAL, 1, 0);
    EXPECT_EQ(posOf(3).x, area.right);
    const int width = posOf(3).x - posOf(0).x;
    SendMessageA(combo, ZOM_SETALIGNHORIZONTAL, 2, 0);
    EXPECT_EQ(posOf(0).x, area.left + (area.right - area.left - width) / 2);
    // Vertical alignment: top, bottom, centre of the text area.
    const int lineHeight = gdi::textHeight(0);
    EXPECT_EQ(posOf(0).y, area.top);
    SendMessageA(combo, ZOM_SETALIGNVERTICAL, 1, 0);
    EXPECT_EQ(posOf(0).y, area.bottom - lineHeight);
    SendMessageA(combo, ZOM_SETALIGNVERTICAL, 2, 0);
    EXPECT_EQ(posOf(0).y, area.top + (area.bottom - area.top - lineHeight) / 2);
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(caret.y, posOf(0).y) << "the caret follows the alignment";
}

TEST_F(RyxComboWindowTest, PointerFollowsTheMousePointerSetting)
{
    // On a display the window manager maps and places the window first.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOfWindow(parent)));
    const RyxComboInfo info = RyxComboInspect(combo);
    // On a real display the pointer's move arrives from the server a moment
    // later, and later still on a loaded machine.
    auto settleOn = [](HCURSOR expected) {
        for (int i = 0; i < 200 && GetCursor() != expected; ++i) {
            QTest::qWait(10);
            PumpPostedMessages();
        }
    };
    QTest::mouseMove(widget(), QPoint(info.textRect.left + 5, info.textRect.top + 3));
    PumpPostedMessages();
    settleOn(LoadCursorA(0, IDC_IBEAM));
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_IBEAM));
    SendMessageA(combo, ZOM_SETMOUSEPOINTER, 11, 0); // zoHourglass
    QTest::mouseMove(widget(), QPoint(info.textRect.left + 6, info.textRect.top + 3));
    PumpPostedMessages();
    settleOn(LoadCursorA(0, IDC_WAIT));
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_WAIT));
}

TEST_F(RyxComboWindowTest, PaintsTheFrameBackColourAndButtons)
{
    SendMessageA(combo, ZOM_SETBACKCOLOR, 0x0000FF00, 0); // green (BGR)
    InvalidateRect(combo, nullptr, TRUE);
    UpdateWindow(combo);
    QImage img = WindowSurface(combo);
    const RyxComboInfo info = RyxComboInspect(combo);
    EXPECT_EQ(img.pixel(info.textRect.right - 2, info.textRect.bottom - 2), qRgb(0, 255, 0));
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    EXPECT_EQ(img.pixel(5, 0), qRgb(GetRValue(shadow), GetGValue(shadow), GetBValue(shadow))) << "sunken frame";
    // The drop-down button's face and a dark arrow pixel in its middle.
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    EXPECT_EQ(img.pixel(info.dropRect.left + 3, info.dropRect.top + 3), qRgb(GetRValue(face), GetGValue(face), GetBValue(face)));
    bool arrow = false;
    for (int x = info.dropRect.left + 3; x < info.dropRect.right - 3 && !arrow; ++x)
        for (int y = info.dropRect.top + 3; y < info.dropRect.bottom - 3 && !arrow; ++y)
            arrow = qGray(img.pixel(x, y)) < 60;
    EXPECT_TRUE(arrow);
    // Disabled: the field takes the button face colour.
    EnableWindow(combo, FALSE);
    UpdateWindow(combo);
    img = WindowSurface(combo);
    EXPECT_EQ(img.pixel(info.textRect.right - 2, info.textRect.bottom - 2), qRgb(GetRValue(face), GetGValue(face), GetBValue(face)));
}

TEST_F(RyxComboWindowTest, PointerEnteringAndLeavingIsReported)
{
    const QPoint inside(20, 10);
    // On a display the window manager maps and places the window first.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOfWindow(parent)));
    QCursor::setPos(widget()->mapToGlobal(inside));
    QTest::mouseMove(widget(), inside);
    PumpPostedMessages();
    QTest::mouseMove(widget(), inside + QPoint(3, 0));
    for (int i = 0; i < 20 && countAtParent(ZOM_NOTIFYMOUSEENTER) == 0; ++i) {
        QTest::qWait(10);
        PumpPostedMessages();
    }
    PumpPostedMessages();
    EXPECT_EQ(countAtParent(ZOM_NOTIFYMOUSEENTER), 1) << "once while the pointer stays";
    QTest::qWait(250);
    EXPECT_EQ(countAtParent(ZOM_NOTIFYMOUSEEXIT), 0) << "still inside";
    // A point of the screen away from every window (a real display keeps the
    // pointer on the screen).
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight() - QPoint(5, 5));
    for (int i = 0; i < 20 && countAtParent(ZOM_NOTIFYMOUSEEXIT) == 0; ++i)
        QTest::qWait(50);
    EXPECT_EQ(countAtParent(ZOM_NOTIFYMOUSEEXIT), 1);
    QCursor::setPos(widget()->mapToGlobal(inside));
    QTest::mouseMove(widget(), inside);
    PumpPostedMessages();
    for (int i = 0; i < 20 && countAtParent(ZOM_NOTIFYMOUSEENTER) < 2; ++i)
        QTest::qWait(10);
    EXPECT_EQ(countAtParent(ZOM_NOTIFYMOUSEENTER), 2) << "entering again is reported again";
}

TEST_F(RyxComboWindowTest, TextStaysWithinWhatA16BitLengthCanSay)
{
    const std::string full(RyxComboText::kMaxBytes, 'a');
    EXPECT_EQ(SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>((full + "b").c_str())), 1) << "refused";
    EXPECT_EQ(SendMessageA(combo, ZOM_GETTEXTLENGTH, 0, 0), 0) << "unchanged";
    EXPECT_EQ(SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>(full.c_str())), 0);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETTEXTLENGTH, 0, 0), 65535);
    log().clear();
    type("z");
    commit(QString::fromUtf8("漢"));
    EXPECT_EQ(SendMessageA(combo, ZOM_GETTEXTLENGTH, 0, 0), 65535) << "typing into a full field changes nothing";
    EXPECT_EQ(countCommand(ZON_CHANGE), 0);
    key(Qt::Key_Backspace);
    commit(QString::fromUtf8("漢"));
    EXPECT_EQ(SendMessageA(combo, ZOM_GETTEXTLENGTH, 0, 0), 65534) << "a double-byte character needs two bytes of room";
    type("z");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETTEXTLENGTH, 0, 0), 65535);
}

TEST_F(RyxComboWindowTest, DropDownListStyleTakesNoTextAndPicksByFirstCharacter)
{
    SendMessageA(combo, ZOM_SETSTYLE, 2, 0);
    type("b");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 2);
    EXPECT_EQ(text(), "Banana");
    type("a");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 0) << "Apple, the first item starting with a";
    type("a");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 1) << "then the next one, apricot";
    type("a");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 0) << "and round again";
    type("q");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 0) << "no item starts with q";
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), "Apple");
    // A click in the text opens the list.
    QTest::mouseClick(widget(), Qt::LeftButton, {}, QPoint(20, 12));
    PumpPostedMessages();
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
}

TEST_F(RyxComboWindowTest, ClearAndDropTextMessages)
{
    SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>("abcdef"));
    log().clear();
    // Text from another source lands at the character index and is selected.
    EXPECT_EQ(SendMessageA(combo, ZOM_INSERTDROPTEXT, 2, reinterpret_cast<LPARAM>("XY")), 0);
    EXPECT_EQ(text(), "abXYcdef");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELSTART, 0, 0), 2);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELLENGTH, 0, 0), 2);
    // The control's own selected text moves to a later index.
    EXPECT_EQ(SendMessageA(combo, ZOM_MOVEDROPTEXT, 6, reinterpret_cast<LPARAM>("XY")), 0);
    EXPECT_EQ(text(), "abcdXYef");
    // Dropped onto itself: nothing moves.
    EXPECT_EQ(SendMessageA(combo, ZOM_MOVEDROPTEXT, 5, reinterpret_cast<LPARAM>("XY")), 0);
    EXPECT_EQ(text(), "abcdXYef");
    // Moved elsewhere: the selection goes.
    SendMessageA(combo, ZOM_REMOVEMOVEDTEXT, 0, 0);
    EXPECT_EQ(text(), "abcdef");
    EXPECT_EQ(countCommand(ZON_CHANGE), 3);
    SendMessageA(combo, ZOM_CLEAR, 0, 0);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(countCommand(ZON_CHANGE), 4);
    SendMessageA(combo, kSetReadOnly, 1, 0);
    SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>("ro"));
    EXPECT_EQ(SendMessageA(combo, ZOM_INSERTDROPTEXT, 0, reinterpret_cast<LPARAM>("x")), 1) << "read-only refuses drops";
    EXPECT_EQ(text(), "ro");
}

TEST_F(RyxComboWindowTest, ListShowsItemPicturesByListBoxStyle)
{
    QImage red(10, 10, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ComPtr<IComboItem> first;
    ASSERT_EQ(items->get_Item(0, first.put()), S_OK);
    ComPtr<platform::com::IPicture> picture = platform::com::createPicture(1 /* bitmap */, red);
    ASSERT_EQ(first->put_Image(picture.get()), S_OK);
    SendMessageA(combo, ZOM_SETLISTBOXSTYLE, 4, 0); // picture and text
    key(Qt::Key_F4);
    const HWND list = RyxComboInspect(combo).list;
    UpdateWindow(list);
    const int h = listRowHeight(*comboOf(combo));
    QImage img = WindowSurface(list);
    const int mid = 1 + h / 2;
    EXPECT_EQ(img.pixel(3 + 4, mid), qRgb(255, 0, 0)) << "the picture in its column";
    EXPECT_NE(img.pixel(3 + 4, 1 + h + h / 2), qRgb(255, 0, 0)) << "the second item has none";
    // Centred in a 16-pixel column: pixels 5..14 from the column start.
    SendMessageA(combo, ZOM_SETIMAGEALIGN, 2, 0);
    UpdateWindow(list);
    img = WindowSurface(list);
    EXPECT_NE(img.pixel(3 + 1, mid), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(3 + 6, mid), qRgb(255, 0, 0));
    // Text only: no picture column.
    SendMessageA(combo, ZOM_SETLISTBOXSTYLE, 2, 0);
    UpdateWindow(list);
    img = WindowSurface(list);
    EXPECT_NE(img.pixel(3 + 6, mid), qRgb(255, 0, 0));
}

TEST(RyxComboLayout, ButtonsSitWhereTheLayoutCodeSays)
{
    const RECT client{0, 0, 200, 24};
    auto g = [&](UINT code) { return layoutCombo(client, code, true, true, 2, 1, 1, 1, 1); };
    RyxComboGeometry none = g(RyxLayoutNone);
    EXPECT_EQ(none.frame, client);
    EXPECT_EQ(none.text, (RECT{3, 3, 197, 21}));
    EXPECT_EQ(none.spin, RECT{});
    // Spin inside, drop-down outside (code 2).
    RyxComboGeometry two = g(RyxLayoutSpinInsideDropOutside);
    EXPECT_EQ(two.drop, (RECT{184, 0, 200, 24}));
    EXPECT_EQ(two.frame.right, 184);
    EXPECT_EQ(two.spin, (RECT{166, 2, 182, 22}));
    EXPECT_EQ(two.text.right, 165);
    // Drop-down inside, spin outside (code 4).
    RyxComboGeometry four = g(RyxLayoutDropInsideSpinOutside);
    EXPECT_EQ(four.spin, (RECT{184, 0, 200, 24}));
    EXPECT_EQ(four.drop, (RECT{166, 2, 182, 22}));
    // Both outside: spin on the right (9) or on the left (10).
    RyxComboGeometry nine = g(RyxLayoutBothOutsideSpinRight);
    EXPECT_EQ(nine.drop.left, 168);
    EXPECT_EQ(nine.spin.left, 184);
    RyxComboGeometry ten = g(RyxLayoutBothOutsideSpinLeft);
    EXPECT_EQ(ten.spin.left, 168);
    EXPECT_EQ(ten.drop.left, 184);
    // Both inside: 5 spin left, 6 spin right.
    EXPECT_LT(g(RyxLayoutBothInsideSpinLeft).spin.left, g(RyxLayoutBothInsideSpinLeft).drop.left);
    EXPECT_GT(g(RyxLayoutBothInsideSpinRight).spin.left, g(RyxLayoutBothInsideSpinRight).drop.left);
    // A hidden button gives its room back.
    RyxComboGeometry hidden = layoutCombo(client, RyxLayoutSpinInsideDropOutside, true, false, 2, 1, 1, 1, 1);
    EXPECT_EQ(hidden.frame.right, 200);
    EXPECT_EQ(hidden.drop, RECT{});
    // A window narrower than its buttons keeps an empty text area, never a negative one.
    RyxComboGeometry tiny = layoutCombo(RECT{0, 0, 20, 10}, RyxLayoutBothOutsideSpinLeft, true, true, 2, 1, 1, 1, 1);
    EXPECT_GE(tiny.text.right, tiny.text.left);
    EXPECT_GE(tiny.text.bottom, tiny.text.top);
}

// A superclass sees the notifications before the parent and hands over the
// items when asked at creation.
struct SuperclassRecord {
    static std::vector<UINT> &seen()
    {
        static std::vector<UINT> s;
        return s;
    }
    static IComboItemCollection *&collection()
    {
        static IComboItemCollection *c = nullptr;
        return c;
    }
    static LRESULT proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
    {
        seen().push_back(msg);
        if (msg == ZOM_REQUESTITEMS) {
            SendMessageA(hwnd, ZOM_SETITEMCOLLECTION, reinterpret_cast<WPARAM>(collection()), 0);
            return 0; // handled here, not passed on
        }
        return RyxComboWindowProc(hwnd, msg, w, l);
    }
};

TEST_F(RyxComboWindowTest, SuperclassSeesNotificationsFirstAndHandsOverItems)
{
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(0, kRyxComboClassName, &wc));
    wc.lpfnWndProc = SuperclassRecord::proc;
    wc.lpszClassName = "ComboEditTest";
    ASSERT_TRUE(RegisterClassA(&wc));
    SuperclassRecord::collection() = items.get();
    SuperclassRecord::seen().clear();
    const HWND sub = CreateWindowExA(0, "ComboEditTest", "", WS_CHILD | WS_VISIBLE, 10, 60, 160, 24, parent,
                                     static_cast<HMENU>(8), 0, nullptr);
    ASSERT_TRUE(sub);
    EXPECT_EQ(countAtParent(ZOM_REQUESTITEMS), 0) << "the superclass answered it";
    SendMessageA(sub, ZOM_KEYACTION, RyxKeyNextItem, 0);
    EXPECT_EQ(SendMessageA(sub, ZOM_GETSELECTEDINDEX, 0, 0), 0) << "the handed-over items are there";
    auto &seen = SuperclassRecord::seen();
    EXPECT_NE(std::find(seen.begin(), seen.end(), ZOM_SELCHANGED), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), kCommand), seen.end());
    EXPECT_EQ(countAtParent(ZOM_SELCHANGED), 1) << "passed on to the parent by the class procedure";
    DestroyWindow(sub);
    EXPECT_TRUE(UnregisterClassA("ComboEditTest", 0));
}

// A superclass that takes a caption band off the top of the window (as the
// control does through its caption painter): the window lays itself out in
// what is left.
LRESULT CaptionBandProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_NCCALCSIZE && w == FALSE) {
        const LRESULT r = RyxComboWindowProc(hwnd, msg, w, l);
        reinterpret_cast<RECT *>(l)->top += 14;
        return r;
    }
    return RyxComboWindowProc(hwnd, msg, w, l);
}

TEST_F(RyxComboWindowTest, LaysOutInTheClientAreaLeftByANonClientCaption)
{
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(0, kRyxComboClassName, &wc));
    wc.lpfnWndProc = CaptionBandProc;
    wc.lpszClassName = "ComboCaptionTest";
    ASSERT_TRUE(RegisterClassA(&wc));
    const HWND sub = CreateWindowExA(0, "ComboCaptionTest", "", WS_CHILD | WS_VISIBLE, 10, 60, 160, 40, parent,
                                     static_cast<HMENU>(9), 0, nullptr);
    ASSERT_TRUE(sub);
    RECT client;
    GetClientRect(sub, &client);
    EXPECT_EQ(client.bottom, 26);
    SendMessageA(sub, ZOM_SETBUTTONLAYOUT, RyxLayoutDropOutside, 0);
    const RyxComboInfo info = RyxComboInspect(sub);
    EXPECT_EQ(info.dropRect, (RECT{144, 0, 160, 26})) << "buttons in client coordinates below the band";
    EXPECT_LE(info.textRect.bottom, 26);
    // A click in the client area at the drop-down button opens the list.
    QTest::mouseClick(WidgetOfWindow(sub), Qt::LeftButton, {}, QPoint(150, 14 + 13));
    PumpPostedMessages();
    EXPECT_TRUE(RyxComboInspect(sub).dropped);
    DestroyWindow(sub);
    EXPECT_TRUE(UnregisterClassA("ComboCaptionTest", 0));
}

TEST_F(RyxComboWindowTest, DestroyingTheWindowReleasesTheItemsAndTheList)
{
    const HWND list = RyxComboInspect(combo).list;
    items->AddRef();
    const uint32_t refsWithWindow = items->Release();
    DestroyWindow(combo);
    EXPECT_FALSE(IsWindow(list));
    items->AddRef();
    EXPECT_EQ(items->Release(), refsWithWindow - 1) << "the window's reference is gone";
}

TEST_F(RyxComboWindowTest, ScreenshotWithTheListOpen)
{
    const HFONT font = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
    SendMessageA(combo, 0x0030 /* WM_SETFONT */, font, TRUE);
    SendMessageA(combo, ZOM_SETBUTTONLAYOUT, RyxLayoutSpinInsideDropOutside, 0);
    SendMessageA(combo, ZOM_SETSELECTEDINDEX, 1, 0);
    key(Qt::Key_F4);
    key(Qt::Key_Down);
    const HWND list = RyxComboInspect(combo).list;
    UpdateWindow(parent);
    UpdateWindow(combo);
    UpdateWindow(list);
    const QImage top = WidgetOfWindow(parent)->grab().toImage();
    const QImage pop = WidgetOfWindow(list)->grab().toImage();
    RECT pr, lr;
    GetWindowRect(parent, &pr);
    GetWindowRect(list, &lr);
    QImage shot(std::max<int>(pr.right, lr.right) - pr.left + 10, std::max<int>(pr.bottom, lr.bottom) - pr.top + 10,
                QImage::Format_RGB32);
    shot.fill(Qt::darkGray);
    {
        QPainter p(&shot);
        p.drawImage(0, 0, top);
        p.drawImage(lr.left - pr.left, lr.top - pr.top, pop);
    }
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS", QDir::tempPath());
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/ryxcombo_list_open.png"));

    // The highlighted row (row 2) is drawn in the highlight colour, the
    // others in the window colour.
    const COLORREF hl = GetSysColor(13);
    const int h = listRowHeight(*comboOf(combo));
    const QColor rowTwo = pop.pixelColor(3, 1 + 2 * h + 1);
    EXPECT_EQ(rowTwo, QColor(GetRValue(hl), GetGValue(hl), GetBValue(hl)));
    const COLORREF wnd = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(pop.pixelColor(3, 1 + 0 * h + 1), QColor(GetRValue(wnd), GetGValue(wnd), GetBValue(wnd)));
    // Some text pixels in row 0 (dark on the window colour).
    bool ink = false;
    for (int x = 2; x < 60 && !ink; ++x)
        for (int y = 1; y < 1 + h && !ink; ++y)
            ink = pop.pixelColor(x, y).lightness() < 100;
    EXPECT_TRUE(ink) << "the first item's text is drawn";
    closeList(*comboOf(combo));
    DeleteObject(font);
}


// ---- the list's scroll bar, the wheel and the click outside ------------------

class RyxComboListTest : public RyxComboWindowTest {
protected:
    // Twenty items: eight rows show, twelve more below.
    void fillTwenty()
    {
        items->Clear();
        for (int i = 0; i < 20; ++i)
            items->Add(newItem(QStringLiteral("item %1").arg(i)).get());
        SendMessageA(combo, ZOM_ITEMSNOTIFY1, 0, 0);
    }
    HWND list() const { return RyxComboInspect(combo).list; }
    QWidget *listWidget() const { return WidgetOfWindow(list()); }
    int top() const { return RyxComboInspect(combo).topRow; }
    // Turns the wheel by a delta (120 a notch, positive away from the user)
    // over a point of a top-level widget, through its window.
    static void wheel(QWidget *topLevel, QPoint at, int delta)
    {
        QWheelEvent event(at, topLevel->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(topLevel->windowHandle(), &event);
        PumpPostedMessages();
    }
    void clickList(QPoint at)
    {
        QTest::mouseClick(listWidget(), Qt::LeftButton, {}, at);
        PumpPostedMessages();
    }
    static QColor sys(int index)
    {
        const COLORREF c = GetSysColor(index);
        return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
    }
};

TEST_F(RyxComboListTest, ScrollBarShowsByShowScrollBarAndScrollBarMode)
{
    // Four items fit: automatic mode shows no bar, the rows use the whole width.
    clickDropButton();
    RyxComboInfo info = RyxComboInspect(combo);
    EXPECT_FALSE(info.scrollBarShown);
    UpdateWindow(list());
    QImage shown = listWidget()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() - 4, 1 + listRowHeight(*comboOf(combo)) / 2), sys(COLOR_WINDOW));
    closeList(*comboOf(combo));

    // Always shown: the bar is there, without a thumb, with inactive arrows.
    SendMessageA(combo, ZOM_SETSCROLLBARMODE, 1, 0);
    clickDropButton();
    info = RyxComboInspect(combo);
    ASSERT_TRUE(info.scrollBarShown);
    EXPECT_EQ(info.scrollBar.right, 160 - 1);
    EXPECT_EQ(info.scrollBar.right - info.scrollBar.left, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(info.scrollThumb.bottom - info.scrollThumb.top, 0) << "nothing to scroll: no thumb";
    UpdateWindow(list());
    shown = listWidget()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(info.scrollBar.left + 3, info.scrollBar.top + 3), sys(COLOR_3DFACE)) << "the up arrow's face";
    // The highlighted row stops at the bar.
    SendMessageA(list(), ZOM_LISTKEYACTION, 2, 0);
    UpdateWindow(list());
    shown = listWidget()->grab().toImage();
    const int rowY = 1 + listRowHeight(*comboOf(combo)) / 2;
    EXPECT_EQ(shown.pixelColor(info.scrollBar.left - 2, rowY), sys(13 /* COLOR_HIGHLIGHT */));
    EXPECT_NE(shown.pixelColor(info.scrollBar.left + 3, rowY), sys(13));
    closeList(*comboOf(combo));

    // ShowScrollBar False: no bar in either mode.
    SendMessageA(combo, ZOM_SETSHOWSCROLLBAR, 0, 0);
    fillTwenty();
    clickDropButton();
    EXPECT_FALSE(RyxComboInspect(combo).scrollBarShown);
    closeList(*comboOf(combo));

    // Automatic mode with more items than rows: the bar with a thumb.
    SendMessageA(combo, ZOM_SETSHOWSCROLLBAR, static_cast<WPARAM>(-1), 0);
    SendMessageA(combo, ZOM_SETSCROLLBARMODE, 0, 0);
    clickDropButton();
    info = RyxComboInspect(combo);
    ASSERT_TRUE(info.scrollBarShown);
    EXPECT_EQ(info.visibleRows, 8);
    EXPECT_GT(info.scrollThumb.bottom - info.scrollThumb.top, 0);
    EXPECT_EQ(info.scrollThumb.top, info.scrollBar.top + GetSystemMetrics(SM_CXVSCROLL)) << "at the top, under the arrow";
    UpdateWindow(list());
    shown = listWidget()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(info.scrollThumb.left + 4, (info.scrollThumb.top + info.scrollThumb.bottom) / 2),
              sys(COLOR_3DFACE));
    EXPECT_EQ(shown.pixelColor(info.scrollThumb.left + 4, info.scrollThumb.bottom + 4), sys(0 /* COLOR_SCROLLBAR */));
}

TEST_F(RyxComboListTest, TheWheelScrollsThreeRowsANotchAndStaysInTheList)
{
    fillTwenty();
    clickDropButton();
    ASSERT_EQ(top(), 0);
    const QPoint over = rowPoint(2);
    wheel(listWidget(), over, -120);
    EXPECT_EQ(top(), 3);
    // Half notches add up.
    wheel(listWidget(), over, -60);
    EXPECT_EQ(top(), 3);
    wheel(listWidget(), over, -60);
    EXPECT_EQ(top(), 6);
    // Never past the last rows or above the first.
    for (int i = 0; i < 5; ++i)
        wheel(listWidget(), over, -120);
    EXPECT_EQ(top(), 12);
    wheel(listWidget(), over, 120);
    EXPECT_EQ(top(), 9);
    // A turn over the combo's field scrolls the open list too.
    QWidget *field = widget();
    wheel(field->window(), field->mapTo(field->window(), QPoint(10, 5)), 120 * 10);
    EXPECT_EQ(top(), 0);
    EXPECT_TRUE(RyxComboInspect(combo).dropped) << "the wheel does not close the list";
    // The scrolled rows are what a click picks.
    wheel(listWidget(), over, -240);
    clickList(rowPoint(1));
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 7);
    EXPECT_EQ(text(), "item 7");
}

TEST_F(RyxComboListTest, ScrollBarArrowsTrackAndThumbScroll)
{
    fillTwenty();
    clickDropButton();
    RyxComboInfo info = RyxComboInspect(combo);
    ASSERT_TRUE(info.scrollBarShown);
    const int arrow = GetSystemMetrics(SM_CXVSCROLL);
    const int x = (info.scrollBar.left + info.scrollBar.right) / 2;
    const QPoint up(x, info.scrollBar.top + arrow / 2);
    const QPoint down(x, info.scrollBar.bottom - arrow / 2);
    clickList(down);
    EXPECT_EQ(top(), 1);
    EXPECT_TRUE(RyxComboInspect(combo).dropped) << "the bar picks nothing";
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), -1);
    clickList(up);
    EXPECT_EQ(top(), 0);
    // The track below the thumb pages by the rows shown less one.
    info = RyxComboInspect(combo);
    clickList(QPoint(x, info.scrollThumb.bottom + 3));
    EXPECT_EQ(top(), 7);
    // The thumb dragged to the end shows the last rows, and back to the start.
    info = RyxComboInspect(combo);
    const QPoint grip(x, (info.scrollThumb.top + info.scrollThumb.bottom) / 2);
    QTest::mousePress(listWidget(), Qt::LeftButton, {}, grip);
    PumpPostedMessages();
    EXPECT_EQ(GetCapture(), list()) << "the list holds the mouse while the thumb moves";
    QTest::mouseMove(listWidget(), QPoint(x, info.scrollBar.bottom + 50));
    PumpPostedMessages();
    EXPECT_EQ(top(), 12);
    QTest::mouseMove(listWidget(), QPoint(x, -50));
    PumpPostedMessages();
    EXPECT_EQ(top(), 0);
    QTest::mouseRelease(listWidget(), Qt::LeftButton, {}, QPoint(x, -50));
    PumpPostedMessages();
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
    // An arrow held down repeats.
    QTest::mousePress(listWidget(), Qt::LeftButton, {}, down);
    PumpPostedMessages();
    QTest::qWait(800);
    PumpPostedMessages();
    QTest::mouseRelease(listWidget(), Qt::LeftButton, {}, down);
    PumpPostedMessages();
    const int held = top();
    EXPECT_GT(held, 2);
    QTest::qWait(200);
    PumpPostedMessages();
    EXPECT_EQ(top(), held) << "the repeat ends with the release";
}

TEST_F(RyxComboListTest, APressOutsideClosesTheListAndGoesNoFurther)
{
    clickDropButton();
    ASSERT_TRUE(RyxComboInspect(combo).dropped);
    log().clear();
    // On the parent window beside the combo.
    QTest::mouseClick(WidgetOfWindow(parent), Qt::LeftButton, {}, QPoint(200, 120));
    PumpPostedMessages();
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
    EXPECT_FALSE(IsWindowVisible(list()));
    EXPECT_EQ(commands(), std::vector<UINT>{ZON_DROPCLOSE});
    EXPECT_EQ(countAtParent(WM_LBUTTONDOWN), 0) << "the press that closed the list is not passed on";
    // The next press there is the parent's again; the button opens the list again.
    QTest::mouseClick(WidgetOfWindow(parent), Qt::LeftButton, {}, QPoint(200, 120));
    PumpPostedMessages();
    EXPECT_EQ(countAtParent(WM_LBUTTONDOWN), 1);
    clickDropButton();
    EXPECT_TRUE(RyxComboInspect(combo).dropped);
    // Presses on the list and on the combo's own field keep the list's own meaning.
    clickList(QPoint(20, -1 + 1));
    EXPECT_TRUE(RyxComboInspect(combo).dropped) << "the list's frame picks nothing";
    // The parent moving away closes it too.
    SetWindowPos(parent, 0, 120, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    QApplication::processEvents();
    PumpPostedMessages();
    EXPECT_FALSE(RyxComboInspect(combo).dropped);
}

TEST_F(RyxComboListTest, TheListBelongsToTheCombosWindowAndNeverTakesTheFocus)
{
    clickDropButton();
    QWindow *own = listWidget()->windowHandle();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->transientParent(), WidgetOfWindow(parent)->windowHandle());
    EXPECT_TRUE(listWidget()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(GetFocus(), combo);
}

// ---- the edit's clipboard keys and context menu -------------------------------

class RyxComboClipboardTest : public RyxComboWindowTest {
protected:
    static QString clip() { return QApplication::clipboard()->text(); }
    static void setClip(const QString &t) { QApplication::clipboard()->setText(t); }
    void selectAll()
    {
        key(Qt::Key_End);
        key(Qt::Key_Home, Qt::ShiftModifier);
    }
    // Opens the context menu with a right click on the field.
    QMenu *rightClick()
    {
        QTest::mouseClick(widget(), Qt::RightButton, {}, charPoint(0));
        PumpPostedMessages();
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }
    static QAction *item(QMenu *menu, const QString &start)
    {
        for (QAction *a : menu->actions())
            if (!a->isSeparator() && a->text().startsWith(start))
                return a;
        return nullptr;
    }
    void choose(QMenu *menu, const QString &start)
    {
        QAction *a = item(menu, start);
        ASSERT_NE(a, nullptr) << start.toStdString();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        PumpPostedMessages();
    }
    void TearDown() override
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        RyxComboWindowTest::TearDown();
    }
};

TEST_F(RyxComboClipboardTest, CutCopyAndPasteKeys)
{
    type("Banana split");
    selectAll();
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clip(), QStringLiteral("Banana split"));
    key(Qt::Key_End);
    key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(text(), "Banana splitBanana split");
    // Ctrl+X and Shift+Delete cut the selection.
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(clip(), QStringLiteral("it"));
    EXPECT_EQ(text(), "Banana splitBanana spl");
    key(Qt::Key_Home);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(clip(), QStringLiteral("B"));
    EXPECT_EQ(text(), "anana splitBanana spl");
    // Ctrl+Insert copies.
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(clip(), QStringLiteral("a"));
    // Ctrl+V replaces the selection with a Japanese text.
    setClip(QString::fromUtf8("漢字"));
    selectAll();
    log().clear();
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), kKan + kJi);
    EXPECT_EQ(countCommand(ZON_CHANGE), 1);
}

TEST_F(RyxComboClipboardTest, APasteSelectsLikeTypingAndTakesTheFirstLineOnly)
{
    SendMessageA(combo, ZOM_SETAUTOSELECT, static_cast<WPARAM>(-1), 0);
    setClip(QStringLiteral("apr"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 1) << "apricot";
    selectAll();
    setClip(QStringLiteral("Ban\r\nsecond line"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), "Ban");
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELECTEDINDEX, 0, 0), 2);
}

TEST_F(RyxComboClipboardTest, APasteThatCannotBeHeldChangesNothingAndIsReported)
{
    type("keep");
    // A character outside the field's code page.
    setClip(QString::fromUtf8("x\xF0\x9F\x98\x80"));
    log().clear();
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), "keep");
    EXPECT_EQ(countCommand(ZON_INVALIDINPUT), 1);
    EXPECT_EQ(countCommand(ZON_CHANGE), 0);
    // Through the input mask: digits fill it, a letter refuses the whole paste.
    ASSERT_EQ(SendMessageA(combo, ZOM_SETFORMAT, 0, reinterpret_cast<LPARAM>("999-9999")), 0);
    key(Qt::Key_Home);
    setClip(QStringLiteral("1234567"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), "123-4567");
    selectAll();
    setClip(QStringLiteral("12a"));
    log().clear();
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), "123-4567");
    EXPECT_EQ(countCommand(ZON_INVALIDINPUT), 1);
    // Too long for the field: refused whole.
    ASSERT_EQ(SendMessageA(combo, ZOM_SETFORMAT, 0, reinterpret_cast<LPARAM>("")), 0);
    SendMessageA(combo, ZOM_SETTEXT, 0, reinterpret_cast<LPARAM>("short"));
    setClip(QString(int(RyxComboText::kMaxBytes), QLatin1Char('x')));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), "short");
}

TEST_F(RyxComboClipboardTest, ReadOnlyCopiesButNeitherCutsNorPastes)
{
    type("fixed");
    SendMessageA(combo, kSetReadOnly, 1, 0);
    selectAll();
    setClip(QStringLiteral("other"));
    key(Qt::Key_X, Qt::ControlModifier);
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(clip(), QStringLiteral("other")) << "no cut";
    key(Qt::Key_V, Qt::ControlModifier);
    key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(text(), "fixed");
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clip(), QStringLiteral("fixed"));
    // A drop-down list takes no text either.
    SendMessageA(combo, kSetReadOnly, 0, 0);
    SendMessageA(combo, ZOM_SETSTYLE, 2, 0);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), "fixed");
}

TEST_F(RyxComboClipboardTest, ContextMenuOffersTheEditCommandsByState)
{
    type("Apple pie");
    setClip(QStringLiteral("Kiwi"));
    QMenu *menu = rightClick();
    ASSERT_NE(menu, nullptr) << "ShowContextMenu is on by default";
    ASSERT_EQ(menu->actions().size(), 6) << "five commands and a separator";
    EXPECT_FALSE(item(menu, QStringLiteral("切り取り"))->isEnabled()) << "no selection";
    EXPECT_FALSE(item(menu, QStringLiteral("コピー"))->isEnabled());
    EXPECT_FALSE(item(menu, QStringLiteral("削除"))->isEnabled());
    EXPECT_TRUE(item(menu, QStringLiteral("貼り付け"))->isEnabled());
    EXPECT_TRUE(item(menu, QStringLiteral("すべて選択"))->isEnabled());
    choose(menu, QStringLiteral("すべて選択"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(SendMessageA(combo, ZOM_GETSELLENGTH, 0, 0), 9);
    EXPECT_EQ(GetFocus(), combo);

    menu = rightClick();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(item(menu, QStringLiteral("切り取り"))->isEnabled());
    choose(menu, QStringLiteral("コピー"));
    EXPECT_EQ(clip(), QStringLiteral("Apple pie"));
    menu = rightClick();
    choose(menu, QStringLiteral("削除"));
    EXPECT_EQ(text(), "");
    menu = rightClick();
    choose(menu, QStringLiteral("貼り付け"));
    EXPECT_EQ(text(), "Apple pie");
    SendMessageA(combo, ZOM_SETSELSTART, 0, 0);
    SendMessageA(combo, ZOM_SETSELLENGTH, 6, 0);
    menu = rightClick();
    choose(menu, QStringLiteral("切り取り"));
    EXPECT_EQ(text(), "pie");
    EXPECT_EQ(clip(), QStringLiteral("Apple "));

    // Read-only: only copying and selecting remain.
    SendMessageA(combo, kSetReadOnly, 1, 0);
    SendMessageA(combo, ZOM_SETSELSTART, 0, 0);
    SendMessageA(combo, ZOM_SETSELLENGTH, 3, 0);
    menu = rightClick();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(item(menu, QStringLiteral("切り取り"))->isEnabled());
    EXPECT_FALSE(item(menu, QStringLiteral("貼り付け"))->isEnabled());
    EXPECT_FALSE(item(menu, QStringLiteral("削除"))->isEnabled());
    EXPECT_TRUE(item(menu, QStringLiteral("コピー"))->isEnabled());
    menu->close();
    PumpPostedMessages();

    // Shift+F10 opens it from the keyboard; ShowContextMenu False opens none.
    key(Qt::Key_F10, Qt::ShiftModifier);
    menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->close();
    PumpPostedMessages();
    SendMessageA(combo, ZOM_SETSHOWCONTEXTMENU, 0, 0);
    EXPECT_EQ(rightClick(), nullptr);
}

} // namespace
