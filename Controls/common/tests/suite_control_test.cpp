// The control base: real Qt input on a subclassed window becomes stock
// events on a sink connected through a connection point, with the capture,
// double-click and double-byte rules of the base.
#include "Controls/common/SuiteControlBase.h"
#include "platform/win/tests/WinTestSupport.h"

#include <QTest>

#include <string>

using namespace wintest;
using namespace controls;
namespace com = platform::com;

namespace {

const com::IID kEventsIid = com::GUID::fromString(QStringLiteral("{5B1D2E40-6C73-4F0A-9D11-2A7E5C3B8F01}"));

// An event as a line: its name and its arguments in declaration order (a
// by-reference short is shown by its value).
std::string describe(com::DISPID id, const std::vector<com::VARIANT *> &args)
{
    std::string name;
    switch (id) {
    case DISPID_CLICK: name = "Click"; break;
    case DISPID_DBLCLICK: name = "DblClick"; break;
    case DISPID_KEYDOWN: name = "KeyDown"; break;
    case DISPID_KEYPRESS: name = "KeyPress"; break;
    case DISPID_KEYUP: name = "KeyUp"; break;
    case DISPID_MOUSEDOWN: name = "MouseDown"; break;
    case DISPID_MOUSEMOVE: name = "MouseMove"; break;
    case DISPID_MOUSEUP: name = "MouseUp"; break;
    default: name = "Event" + std::to_string(id); break;
    }
    for (const com::VARIANT *v : args) {
        switch (v->vt) {
        case com::VT_I2: name += " " + std::to_string(v->iVal); break;
        case com::VT_I4: name += " " + std::to_string(v->lVal); break;
        case com::VT_BYREF | com::VT_I2: name += " &" + std::to_string(static_cast<uint16_t>(*v->piVal)); break;
        default: name += " vt" + std::to_string(v->vt); break;
        }
    }
    return name;
}

// A sink of the outgoing interface that logs every call and may act on it.
class RecordingSink final : public com::IDispatch {
public:
    using Hook = std::function<void(com::DISPID, std::vector<com::VARIANT *> &)>;
    struct Call {
        com::DISPID id;
        bool nullIid;
        com::LCID lcid;
        uint16_t flags;
        bool noResult;
        uint32_t namedArgs;
        std::vector<com::VARIANT> args; // natural order, shallow copies
    };

    explicit RecordingSink(std::vector<std::string> *sharedLog = nullptr) : m_log(sharedLog) {}

    com::HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        if (!object)
            return com::E_POINTER;
        if (iid == com::IID_IUnknown || iid == com::IID_IDispatch || iid == kEventsIid) {
            *object = static_cast<com::IDispatch *>(this);
            AddRef();
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override { return --m_refs; }
    com::HRESULT GetTypeInfoCount(uint32_t *) override { return com::E_NOTIMPL; }
    com::HRESULT GetIDsOfNames(const com::IID &, const com::OLECHAR *const *, uint32_t, com::LCID,
                               com::DISPID *) override
    {
        return com::E_NOTIMPL;
    }
    com::HRESULT Invoke(com::DISPID id, const com::IID &riid, com::LCID lcid, uint16_t flags,
                        com::DISPPARAMS *params, com::VARIANT *result, com::EXCEPINFO *, uint32_t *) override
    {
        std::vector<com::VARIANT *> args;
        for (uint32_t i = params->cArgs; i > 0; --i)
            args.push_back(&params->rgvarg[i - 1]);
        Call call{id, riid == com::IID_NULL, lcid, flags, result == nullptr, params->cNamedArgs, {}};
        for (com::VARIANT *a : args)
            call.args.push_back(*a);
        calls.push_back(call);
        if (hook)
            hook(id, args);
        // Logged after the hook, so a by-reference change shows.
        events.push_back(describe(id, args));
        if (m_log)
            m_log->push_back(m_name + ":" + events.back());
        return com::S_OK;
    }

    void setName(std::string name) { m_name = std::move(name); }
    uint32_t refs() const { return m_refs; }

    std::vector<Call> calls;
    std::vector<std::string> events;
    Hook hook;

private:
    std::vector<std::string> *m_log;
    std::string m_name;
    uint32_t m_refs = 0;
};

// The owner of the connection point (its reference count).
class PointOwner final : public com::IUnknown {
public:
    com::HRESULT QueryInterface(const com::IID &, void **object) override
    {
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    uint32_t refs = 1;
};

// A control on a window of a test class: its procedure hands the window's
// messages to the base and falls back on the class's recording procedure.
class TestControl final : public SuiteControlBase {
public:
    TestControl() { EventMask = 0xFF; }

    void attach(HWND hwnd)
    {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ASSERT_TRUE(SubclassWindow(hwnd, &TestControl::Proc));
    }
    void PreTranslateKeyDown(int16_t &keyCode, int16_t) override { preKeyDown.push_back(keyCode); }
    void PreTranslateChar(int16_t &character, int16_t) override { preChar.push_back(static_cast<uint16_t>(character)); }
    bool IsClickPoint(POINT p) override { return clickPoint ? clickPoint(p) : true; }

    static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto *self = reinterpret_cast<TestControl *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            const LRESULT r = self->CallDefaultProc(msg, wParam, lParam);
            self->DetachWindow();
            return r;
        }
        if (self->DispatchBaseWindowMessage(hwnd, msg, wParam, lParam))
            return 0;
        return self->CallDefaultProc(msg, wParam, lParam);
    }

    std::vector<int> preKeyDown;
    std::vector<unsigned> preChar;
    std::function<bool(POINT)> clickPoint;
};

class SuiteControlTest : public WinTest {
protected:
    void SetUp() override
    {
        WinTest::SetUp();
        ASSERT_EQ(m_point.Advise(&m_sink, &m_cookie), com::S_OK);
        m_control.SetEventSinks(&m_point);
    }
    void TearDown() override
    {
        WinTest::TearDown();
        m_point.Unadvise(m_cookie);
    }
    // A window of the class, subclassed by the control; the log starts
    // empty.
    HWND controlWindow(const char *cls = "TestDbl")
    {
        const HWND top = topLevel("TestPlain", 300, 200);
        const HWND hwnd = child(top, cls, 20, 20, 120, 80);
        m_control.attach(hwnd);
        log().clear();
        return hwnd;
    }
    // Messages that reached the window's previous procedure.
    std::vector<UINT> defaults(HWND hwnd)
    {
        return messages(hwnd, {WM_PAINT, WM_ERASEBKGND, WM_MOUSEMOVE, WM_CAPTURECHANGED});
    }
    std::vector<WPARAM> defaultChars(HWND hwnd)
    {
        std::vector<WPARAM> out;
        for (const Rec &r : log())
            if (r.hwnd == hwnd && r.msg == WM_CHAR)
                out.push_back(r.wParam);
        return out;
    }
    std::vector<std::string> events() const
    {
        std::vector<std::string> out;
        for (const std::string &e : m_sink.events)
            if (e.rfind("MouseMove", 0) != 0)
                out.push_back(e);
        return out;
    }
    static void typeText(HWND hwnd, const char *utf8)
    {
        QTest::sendKeyEvent(QTest::Click, WidgetOfWindow(hwnd), Qt::Key_unknown, QString::fromUtf8(utf8),
                            Qt::NoModifier);
    }

    PointOwner m_owner;
    com::ConnectionPoint m_point{&m_owner, kEventsIid};
    RecordingSink m_sink;
    uint32_t m_cookie = 0;
    TestControl m_control;
};

using Events = std::vector<std::string>;

// ---- mouse

TEST_F(SuiteControlTest, LeftClickRaisesDownUpAndClickAndHoldsTheCaptureInBetween)
{
    const HWND hwnd = controlWindow();
    QWidget *w = WidgetOfWindow(hwnd);
    HWND captureInDown = 0;
    m_sink.hook = [&](com::DISPID id, auto &) {
        if (id == DISPID_MOUSEDOWN)
            captureInDown = GetCapture();
    };
    QTest::mousePress(w, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(7, 9));
    EXPECT_EQ(captureInDown, hwnd) << "the capture is taken before MouseDown";
    EXPECT_EQ(GetCapture(), hwnd);
    EXPECT_EQ(m_control.ButtonState & 0x3F, 1u);
    EXPECT_EQ(m_control.DownPoint.x, 7);
    EXPECT_EQ(m_control.DownPoint.y, 9);
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(8, -3));
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(m_control.ButtonState & 0x3F, 0u);
    EXPECT_EQ(events(), (Events{"MouseDown 1 3 7 9", "MouseUp 1 0 8 -3", "Click"}));
    // The window's own procedure still saw both buttons (default first).
    EXPECT_EQ(defaults(hwnd), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    // Every call is a method call with the user default locale, no named
    // arguments and no result asked.
    for (const auto &c : m_sink.calls) {
        EXPECT_TRUE(c.nullIid);
        EXPECT_EQ(c.lcid, 0x400u);
        EXPECT_EQ(c.flags, com::DISPATCH_METHOD);
        EXPECT_TRUE(c.noResult);
        EXPECT_EQ(c.namedArgs, 0u);
    }
}

TEST_F(SuiteControlTest, CaptureStaysWhileAnyButtonIsDownAndOnlyTheLeftButtonClicks)
{
    const HWND hwnd = controlWindow();
    QWidget *w = WidgetOfWindow(hwnd);
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mousePress(w, Qt::RightButton, {}, QPoint(6, 6));
    EXPECT_EQ(m_control.ButtonState & 7, 3u) << "the left button is still down";
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(GetCapture(), hwnd) << "the right button still holds the capture";
    QTest::mouseRelease(w, Qt::RightButton, {}, QPoint(6, 6));
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 5 5", "MouseDown 2 0 6 6", "MouseUp 1 0 5 5", "Click",
                                "MouseUp 2 0 6 6"}));

    // Middle button: down and up, no Click; its default comes after the event.
    m_sink.events.clear();
    log().clear();
    QTest::mouseClick(w, Qt::MiddleButton, {}, QPoint(2, 3));
    EXPECT_EQ(events(), (Events{"MouseDown 4 0 2 3", "MouseUp 4 0 2 3"}));
    EXPECT_EQ(defaults(hwnd), (std::vector<UINT>{WM_MBUTTONDOWN, WM_MBUTTONUP}));
    EXPECT_EQ(GetCapture(), 0u);
}

TEST_F(SuiteControlTest, ARightDownAfterAMissedLeftUpForgetsTheLeftButton)
{
    const HWND hwnd = controlWindow();
    QWidget *w = WidgetOfWindow(hwnd);
    // The left button went up outside the window's sight: its bit is stale.
    m_control.ButtonState |= 1;
    QTest::mouseClick(w, Qt::RightButton, {}, QPoint(4, 4));
    EXPECT_EQ(m_control.ButtonState & 7, 0u);
    EXPECT_EQ(GetCapture(), 0u) << "the capture goes with the last button";
}

TEST_F(SuiteControlTest, ADoubleClickRaisesDblClickAndNoSecondClick)
{
    const HWND hwnd = controlWindow("TestDbl");
    SetFocus(hwnd);
    QWidget *w = WidgetOfWindow(hwnd);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(GetCapture(), hwnd) << "the double click takes the capture";
    EXPECT_EQ(m_control.ButtonState & 0x3F, 1u | 8u) << "left down with its double-click mark";
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 5 5", "MouseUp 1 0 5 5", "Click", "DblClick", "MouseUp 1 0 5 5"}));
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(m_control.ButtonState & 0x3F, 0u) << "the mark ends with the release";

    // The next single click clicks again.
    m_sink.events.clear();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 30 30", "MouseUp 1 0 30 30", "Click"}));
}

TEST_F(SuiteControlTest, WithoutCsDblclksTheSecondPressIsAnotherClick)
{
    const HWND hwnd = controlWindow("TestPlain");
    SetFocus(hwnd);
    QWidget *w = WidgetOfWindow(hwnd);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 5 5", "MouseUp 1 0 5 5", "Click", "MouseDown 1 0 5 5",
                                "MouseUp 1 0 5 5", "Click"}));
}

TEST_F(SuiteControlTest, ADoubleClickOnAWindowWithoutFocusIsIgnored)
{
    const HWND hwnd = controlWindow("TestDbl");
    SetFocus(0);
    QWidget *w = WidgetOfWindow(hwnd);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(defaults(hwnd), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}))
        << "the double click does not reach the default procedure";
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 5 5", "MouseUp 1 0 5 5", "Click"})) << "no DblClick";
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(SuiteControlTest, ClickNeedsAClickPointAndTheClickBit)
{
    const HWND hwnd = controlWindow();
    QWidget *w = WidgetOfWindow(hwnd);
    m_control.clickPoint = [](POINT p) { return p.x < 50; };
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 60 5", "MouseUp 1 0 60 5"})) << "released outside the click area";

    // A handler of MouseUp that turns Click off in between stops it.
    m_sink.events.clear();
    m_control.clickPoint = [&](POINT) {
        m_control.EventMask &= ~kEventClick;
        return true;
    };
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 10 5", "MouseUp 1 0 10 5"}));
}

TEST_F(SuiteControlTest, MouseMoveCarriesTheButtonsDown)
{
    const HWND hwnd = controlWindow();
    QWidget *w = WidgetOfWindow(hwnd);
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(w, QPoint(15, 16));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(15, 16));
    std::vector<std::string> moves;
    for (const std::string &e : m_sink.events)
        if (e.rfind("MouseMove", 0) == 0)
            moves.push_back(e);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), "MouseMove 1 0 15 16");
}

TEST_F(SuiteControlTest, CancelModeReleasesTheCaptureAndForgetsTheButtons)
{
    const HWND hwnd = controlWindow();
    QWidget *w = WidgetOfWindow(hwnd);
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(GetCapture(), hwnd);
    SendMessageA(hwnd, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(m_control.ButtonState & 0x3F, 0u);
    EXPECT_EQ(recordsOf(WM_CANCELMODE).size(), 1u) << "the default procedure saw it";
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(SuiteControlTest, NonClientLeftButtonTracksTheLeftBit)
{
    const HWND hwnd = controlWindow();
    m_control.ButtonState |= 8; // a stale double-click mark
    SendMessageA(hwnd, WM_NCLBUTTONDOWN, 2, 0);
    EXPECT_EQ(m_control.ButtonState & 0x3F, 1u);
    SendMessageA(hwnd, WM_NCLBUTTONUP, 2, 0);
    EXPECT_EQ(m_control.ButtonState & 0x3F, 0u);
    EXPECT_EQ(defaults(hwnd), (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_NCLBUTTONUP}));
    EXPECT_TRUE(events().empty());
}

TEST_F(SuiteControlTest, ASinkThatDestroysTheWindowInMouseDownStopsEverythingQuietly)
{
    const HWND hwnd = controlWindow();
    QWidget *w = WidgetOfWindow(hwnd);
    m_sink.hook = [&](com::DISPID id, auto &) {
        if (id == DISPID_MOUSEDOWN)
            DestroyWindow(hwnd);
    };
    m_control.DownPoint = POINT{-1, -1};
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(m_control.Window, 0u);
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(m_control.DownPoint.x, -1) << "no state touched after the window went";
    EXPECT_EQ(events(), (Events{"MouseDown 1 0 5 5"}));
    EXPECT_EQ(m_control.CallDefaultProc(WM_USER, 0, 0), 0) << "no window, no default";
}

// ---- keys

TEST_F(SuiteControlTest, KeyDownRunsPreTranslationAndDefaultUnlessTheHandlerClearsTheKey)
{
    const HWND hwnd = controlWindow();
    SetFocus(hwnd);
    log().clear();
    QTest::keyClick(WidgetOfWindow(hwnd), Qt::Key_Left);
    EXPECT_EQ(events(), (Events{"KeyDown &37 0", "KeyUp &37 0"}));
    EXPECT_EQ(m_control.preKeyDown, (std::vector<int>{VK_LEFT}));
    EXPECT_EQ(recordsOf(WM_KEYDOWN).size(), 1u);

    // A handler that sets KeyCode to 0 stops both.
    m_sink.events.clear();
    m_control.preKeyDown.clear();
    log().clear();
    m_sink.hook = [](com::DISPID id, auto &args) {
        if (id == DISPID_KEYDOWN)
            *args[0]->piVal = 0;
    };
    QTest::keyClick(WidgetOfWindow(hwnd), Qt::Key_Left);
    EXPECT_EQ(events(), (Events{"KeyDown &0 0", "KeyUp &37 0"}));
    EXPECT_TRUE(m_control.preKeyDown.empty());
    EXPECT_TRUE(recordsOf(WM_KEYDOWN).empty());
    EXPECT_EQ(recordsOf(WM_KEYUP).size(), 1u);

    // A handler that changes the key passes the new key on.
    log().clear();
    m_sink.hook = [](com::DISPID id, auto &args) {
        if (id == DISPID_KEYDOWN)
            *args[0]->piVal = VK_RIGHT;
    };
    QTest::keyClick(WidgetOfWindow(hwnd), Qt::Key_Left);
    ASSERT_EQ(recordsOf(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(recordsOf(WM_KEYDOWN)[0].wParam, WPARAM(VK_RIGHT));
    EXPECT_EQ(m_control.preKeyDown, (std::vector<int>{VK_RIGHT}));
}

TEST_F(SuiteControlTest, PreTranslationNeedsTheFocus)
{
    const HWND hwnd = controlWindow();
    SetFocus(0);
    SendMessageA(hwnd, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(events(), (Events{"KeyDown &40 0"}));
    EXPECT_TRUE(m_control.preKeyDown.empty());
    EXPECT_EQ(recordsOf(WM_KEYDOWN).size(), 1u) << "the default still runs";
}

TEST_F(SuiteControlTest, EventMaskZeroRaisesNothingAndSkipsKeyPreTranslation)
{
    const HWND hwnd = controlWindow();
    m_control.EventMask = 0;
    SetFocus(hwnd);
    log().clear();
    QWidget *w = WidgetOfWindow(hwnd);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(w, QPoint(9, 9));
    QTest::keyClick(w, Qt::Key_A);
    typeText(hwnd, "あ");
    EXPECT_TRUE(m_sink.events.empty());
    EXPECT_TRUE(m_control.preKeyDown.empty());
    EXPECT_TRUE(m_control.preChar.empty());
    // The window still works: every message reached its default procedure.
    EXPECT_EQ(defaults(hwnd), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP,
                                                 WM_CHAR, WM_CHAR}));
    EXPECT_EQ(defaultChars(hwnd), (std::vector<WPARAM>{'a', 0x82, 0xA0}));
    EXPECT_EQ(GetCapture(), 0u) << "the capture still follows the buttons";
}

TEST_F(SuiteControlTest, AShiftKeyWithFlagsOneRaisesNothing)
{
    const HWND hwnd = controlWindow();
    SendMessageA(hwnd, WM_KEYDOWN, VK_SHIFT, MAKELPARAM(1, 1));
    SendMessageA(hwnd, WM_KEYUP, VK_SHIFT, MAKELPARAM(1, 0xC001));
    EXPECT_TRUE(events().empty());
    ASSERT_EQ(recordsOf(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(recordsOf(WM_KEYDOWN)[0].lParam, MAKELPARAM(1, 0));
    ASSERT_EQ(recordsOf(WM_KEYUP).size(), 1u);
    EXPECT_EQ(recordsOf(WM_KEYUP)[0].lParam, LPARAM(0xC0000001));

    SendMessageA(hwnd, WM_KEYDOWN, VK_SHIFT, MAKELPARAM(1, 0x2A));
    EXPECT_EQ(events(), (Events{"KeyDown &16 0"}));
}

TEST_F(SuiteControlTest, SystemKeysRaiseKeyEventsAndGoOnAsSystemKeys)
{
    const HWND hwnd = controlWindow();
    SendMessageA(hwnd, WM_SYSKEYDOWN, 'F', MAKELPARAM(1, 0x2021));
    SendMessageA(hwnd, WM_SYSKEYUP, 'F', MAKELPARAM(1, 0xE021));
    EXPECT_EQ(events(), (Events{"KeyDown &70 0", "KeyUp &70 0"}));
    EXPECT_EQ(defaults(hwnd), (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYUP}));
    EXPECT_EQ(recordsOf(WM_SYSKEYDOWN)[0].lParam, MAKELPARAM(1, 0x2021));
}

// ---- characters

TEST_F(SuiteControlTest, ADoubleByteCharacterIsOneKeyPressWithTheJoinedCode)
{
    const HWND hwnd = controlWindow();
    SetFocus(hwnd);
    log().clear();
    typeText(hwnd, "aあ");
    EXPECT_EQ(events(), (Events{"KeyPress &97", "KeyPress &33440"})); // 0x82A0
    EXPECT_EQ(m_control.preChar, (std::vector<unsigned>{'a', 0x82A0}));
    EXPECT_EQ(defaultChars(hwnd), (std::vector<WPARAM>{'a', 0x82, 0xA0}));

    // A trail byte in the lead-byte range (一 = 88 EA) is not taken for a
    // lead of its own.
    m_sink.events.clear();
    log().clear();
    typeText(hwnd, "一漢");
    EXPECT_EQ(events(), (Events{"KeyPress &35050", "KeyPress &35519"})); // 0x88EA, 0x8ABF
    EXPECT_EQ(defaultChars(hwnd), (std::vector<WPARAM>{0x88, 0xEA, 0x8A, 0xBF}));
}

TEST_F(SuiteControlTest, KeyAsciiZeroSwallowsBothBytes)
{
    const HWND hwnd = controlWindow();
    SetFocus(hwnd);
    m_sink.hook = [](com::DISPID id, auto &args) {
        if (id == DISPID_KEYPRESS && static_cast<uint16_t>(*args[0]->piVal) == 0x82A0)
            *args[0]->piVal = 0;
    };
    log().clear();
    typeText(hwnd, "あb");
    EXPECT_EQ(events(), (Events{"KeyPress &0", "KeyPress &98"}));
    EXPECT_EQ(defaultChars(hwnd), (std::vector<WPARAM>{'b'}));
    EXPECT_EQ(m_control.preChar, (std::vector<unsigned>{'b'})) << "no pre-translation of a swallowed key";
    EXPECT_FALSE(PeekMessageA(nullptr, hwnd, WM_CHAR, WM_CHAR, PM_NOREMOVE)) << "no byte left behind";
}

TEST_F(SuiteControlTest, AReplacedDoubleByteCodeComesAheadOfEarlierInput)
{
    const HWND hwnd = controlWindow();
    SetFocus(hwnd);
    // あ (82 A0) becomes う (82 A4) while い (82 A2) already waits.
    m_sink.hook = [](com::DISPID id, auto &args) {
        if (id == DISPID_KEYPRESS && static_cast<uint16_t>(*args[0]->piVal) == 0x82A0)
            *args[0]->piVal = static_cast<int16_t>(0x82A4);
    };
    log().clear();
    typeText(hwnd, "あい");
    EXPECT_EQ(defaultChars(hwnd), (std::vector<WPARAM>{0x82, 0xA4, 0x82, 0xA2}));
    EXPECT_EQ(events(), (Events{"KeyPress &33444", "KeyPress &33442"})) << "the new trail raises nothing";
    EXPECT_FALSE(PeekMessageA(nullptr, 0, 0, 0, PM_NOREMOVE)) << "no marker left in the queue";
    EXPECT_TRUE(recordsOf(kRepostCharMarker).empty()) << "the marker never reaches the window";

    // Replaced by a single byte: the old trail goes, the new byte is passed.
    m_sink.hook = [](com::DISPID id, auto &args) {
        if (id == DISPID_KEYPRESS && static_cast<uint16_t>(*args[0]->piVal) == 0x82A0)
            *args[0]->piVal = 'x';
    };
    log().clear();
    typeText(hwnd, "あc");
    EXPECT_EQ(defaultChars(hwnd), (std::vector<WPARAM>{'x', 'c'}));
}

TEST_F(SuiteControlTest, AReplacedSingleByteBecomesADoubleByteCharacter)
{
    const HWND hwnd = controlWindow();
    SetFocus(hwnd);
    m_sink.hook = [](com::DISPID id, auto &args) {
        if (id == DISPID_KEYPRESS && *args[0]->piVal == 'a')
            *args[0]->piVal = static_cast<int16_t>(0x82A0);
    };
    log().clear();
    typeText(hwnd, "ab");
    PumpPostedMessages(); // the round that delivered "a" ended before "b"
    EXPECT_EQ(defaultChars(hwnd), (std::vector<WPARAM>{0x82, 0xA0, 'b'}));
    EXPECT_EQ(events(), (Events{"KeyPress &33440", "KeyPress &98"}));
}

TEST_F(SuiteControlTest, KeyPressWithoutFocusGoesNoFurther)
{
    const HWND hwnd = controlWindow();
    SetFocus(0);
    typeText(hwnd, "z");
    EXPECT_EQ(events(), (Events{"KeyPress &122"}));
    EXPECT_TRUE(defaultChars(hwnd).empty());
    EXPECT_TRUE(m_control.preChar.empty());

    // A double-byte character is raised once; its trail byte does not come
    // back as a KeyPress of its own.
    m_sink.events.clear();
    typeText(hwnd, "あ");
    PumpPostedMessages();
    EXPECT_EQ(events(), (Events{"KeyPress &33440"}));
    EXPECT_TRUE(defaultChars(hwnd).empty());
    EXPECT_FALSE(PeekMessageA(nullptr, hwnd, WM_CHAR, WM_CHAR, PM_NOREMOVE));
}

TEST_F(SuiteControlTest, RepostCharPutsTheByteFirstAndAlwaysEnds)
{
    const HWND hwnd = controlWindow();
    // Empty queue: one WM_CHAR, nothing else.
    SuiteControlBase::RepostChar(hwnd, 0x82A4);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, hwnd);
    EXPECT_EQ(m.message, WM_CHAR);
    EXPECT_EQ(m.wParam, 0xA4u);
    EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));

    // Waiting messages, a thread message among them, keep their order after it.
    PostMessageA(hwnd, WM_USER + 1, 11, 0);
    PostMessageA(0, WM_USER + 2, 22, 0);
    PostMessageA(hwnd, WM_USER + 3, 33, 0);
    SuiteControlBase::RepostChar(hwnd, 0x41);
    std::vector<std::pair<UINT, WPARAM>> order;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE))
        order.emplace_back(m.message, m.wParam);
    EXPECT_EQ(order, (std::vector<std::pair<UINT, WPARAM>>{
                         {WM_CHAR, 0x41}, {WM_USER + 1, 11}, {WM_USER + 2, 22}, {WM_USER + 3, 33}}));

    // No window: nothing is posted and the queue is left alone.
    PostMessageA(hwnd, WM_USER + 4, 44, 0);
    SuiteControlBase::RepostChar(0xDEAD, 0x41);
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 4);
    EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
}

// ---- FireEvent

TEST_F(SuiteControlTest, FireEventPassesTypedArgumentsReversedToEverySinkInConnectionOrder)
{
    std::vector<std::string> shared;
    RecordingSink second(&shared);
    RecordingSink first(&shared);
    first.setName("first");
    second.setName("second");
    // m_sink is connected already; connect the two more in this order.
    uint32_t c1 = 0, c2 = 0;
    ASSERT_EQ(m_point.Advise(&first, &c1), com::S_OK);
    ASSERT_EQ(m_point.Advise(&second, &c2), com::S_OK);

    static const com::VARTYPE types[] = {com::VT_BSTR, com::VT_R8, com::VT_BOOL, com::VT_VARIANT,
                                         com::VT_BYREF | com::VT_BOOL, com::VT_I4};
    const EventDescriptor event{0x40, 6, types};
    com::Bstr text(QStringLiteral("名前"));
    com::VARIANT whole;
    whole.vt = com::VT_I4;
    whole.lVal = 123456;
    com::VARIANT_BOOL cancel = com::VARIANT_FALSE;
    // The first sink cancels; the second sees the change.
    first.hook = [](com::DISPID, auto &args) { *args[4]->pboolVal = com::VARIANT_TRUE; };
    com::VARIANT_BOOL seenBySecond = 0;
    second.hook = [&](com::DISPID, auto &args) { seenBySecond = *args[4]->pboolVal; };

    m_control.FireEvent(event, {text.get(), 2.5, com::VARIANT_TRUE, whole, &cancel, int32_t(7)});
    EXPECT_EQ(shared, (Events{"first:Event64 vt8 vt5 vt11 123456 vt16395 7", "second:Event64 vt8 vt5 vt11 123456 vt16395 7"}));
    EXPECT_EQ(seenBySecond, com::VARIANT_TRUE);
    EXPECT_EQ(cancel, com::VARIANT_TRUE) << "the by-reference argument reaches the caller";
    ASSERT_EQ(first.calls.size(), 1u);
    const auto &args = first.calls[0].args;
    EXPECT_EQ(args[0].bstrVal, text.get());
    EXPECT_EQ(args[1].dblVal, 2.5);
    EXPECT_EQ(args[2].boolVal, com::VARIANT_TRUE);
    EXPECT_EQ(args[3].vt, com::VT_I4) << "a VARIANT argument is passed as it is";
    EXPECT_EQ(args[3].lVal, 123456);
    EXPECT_EQ(args[5].lVal, 7);
    EXPECT_EQ(m_sink.events.size(), 1u) << "the fixture's sink, connected first, was called too";

    m_point.Unadvise(c1);
    m_point.Unadvise(c2);
    EXPECT_EQ(first.refs(), 0u);
}

TEST_F(SuiteControlTest, FireEventRaisesNothingForArgumentsThatDoNotFitTheDescriptor)
{
    static const com::VARTYPE shortArg[] = {com::VT_I2};
    const EventDescriptor event{0x41, 1, shortArg};
    m_control.FireEvent(event, {int32_t(5)}); // a long where a short is declared
    m_control.FireEvent(event, {});           // too few
    m_control.FireEvent(event, {int16_t(1), int16_t(2)}); // too many
    const EventDescriptor tooMany{0x42, 33, nullptr};
    m_control.FireEvent(tooMany, {});
    EXPECT_TRUE(m_sink.events.empty());
    m_control.FireEvent(event, {int16_t(-3)});
    EXPECT_EQ(m_sink.events, (Events{"Event65 -3"}));
}

TEST_F(SuiteControlTest, TheStandardRowsAndShiftState)
{
    EXPECT_EQ(kMouseDownEvent.argumentCount, 4);
    EXPECT_EQ(kMouseUpEvent.argumentTypes[2], com::VT_I4);
    EXPECT_EQ(kKeyPressEvent.argumentTypes[0], com::VT_BYREF | com::VT_I2);
    EXPECT_EQ(kSpinDownEvent.dispid, 0x36);
    EXPECT_EQ(kControlViewStatus, 3u);

    const HWND hwnd = controlWindow();
    int16_t inEvent = -1;
    m_sink.hook = [&](com::DISPID id, auto &) {
        if (id == DISPID_KEYDOWN)
            inEvent = GetShiftState();
    };
    QTest::keyPress(WidgetOfWindow(hwnd), Qt::Key_Q, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(inEvent, kShiftMask | kAltMask);
    QTest::keyRelease(WidgetOfWindow(hwnd), Qt::Key_Q, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(GetShiftState(), 0);
}

} // namespace
