// The inner-window protocol against a recording "RyxCombo": the creation
// push in its order, the item hand-over with a preselection, the window's
// notifications turned into events, the button layout and the key actions.
#include "ComboTestSupport.h"

#include "platform/com/font.h"
#include "platform/win/gdi.h"

#include <QTest>

using namespace pickwell;
using namespace pickwell::testing;
using namespace zobase7;

namespace {

std::vector<win::UINT> afterFirst(const std::vector<win::UINT> &all, win::UINT first)
{
    auto it = std::find(all.begin(), all.end(), first);
    return std::vector<win::UINT>(it, all.end());
}

} // namespace

TEST_F(ComboTest, CreationPushSendsEverySettingInOrder)
{
    setSite(true);
    initNew();
    ASSERT_NE(createWindow(120, 22), 0u);
    const std::vector<Sent> log = ryx().protocol();

    // The window asks for the items while it is created; the push follows.
    const std::vector<Sent> expected = {
        {ZOM_SETITEMCOLLECTION, reinterpret_cast<win::WPARAM>(ryx().collection), {}},
        {ZOM_GETLISTWINDOW, 0, {}},
        {ZOM_GETLISTWINDOW2, 0, {}},
        // 1.
        {ZOM_SETAPPEARANCE, 1, {}},
        {ZOM_SETBORDERSTYLE, 1, {}},
        {ZOM_SETALIGNHORIZONTAL, 0, {}},
        {ZOM_SETALIGNVERTICAL, 0, {}},
        {ZOM_SETFORECOLOR, 0x80000008, {}},
        {ZOM_SETBACKCOLOR, 0x80000005, {}},
        // 2. left, right, top, bottom, each replacing its half of the pair.
        {ZOM_GETMARGINSH, 0, {}},
        {ZOM_SETMARGINSH, win::WPARAM(win::MAKELONG(1, 4)), {}},
        {ZOM_GETMARGINSH, 0, {}},
        {ZOM_SETMARGINSH, win::WPARAM(win::MAKELONG(1, 1)), {}},
        {ZOM_GETMARGINSV, 0, {}},
        {ZOM_SETMARGINSV, win::WPARAM(win::MAKELONG(1, 6)), {}},
        {ZOM_GETMARGINSV, 0, {}},
        {ZOM_SETMARGINSV, win::WPARAM(win::MAKELONG(1, 1)), {}},
    };
    ASSERT_GE(log.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(log[i], expected[i]) << "at " << i;
    ASSERT_NE(ryx().collection, nullptr);
    // 3. The font handle, then the spin, drop-down and layout settings.
    EXPECT_EQ(log[expected.size()].msg, WM_SETFONT);
    EXPECT_NE(log[expected.size()].wParam, 0u);

    const std::vector<win::UINT> all = ryx().messages();
    const std::vector<win::UINT> rest(all.begin() + long(expected.size()) + 1, all.end());
    const std::vector<win::UINT> order = {
        // 4.
        ZOM_SETSPINENABLED, ZOM_SETSPINDELAY, ZOM_SETSPININCREMENT, ZOM_SETSPINWRAP, ZOM_SETSPINKEYS,
        ZOM_SETDROPDOWNENABLED, ZOM_SETBUTTONLAYOUT, ZOM_SETDROPDOWNVISIBLE,
        // 5.
        ZOM_SETUSERMODE, ZOM_SETEDITMODETOGGLE, ZOM_SETINSERTMODE, ZOM_SETEDITMODETOGGLE, ZOM_SETMOUSEPOINTER,
        // 6.
        EM_SETREADONLY, ZOM_SETSHOWCONTEXTMENU, ZOM_SETIMEMODE, ZOM_SETIMESTATUS, ZOM_SETCLIPMODE, ZOM_SETERRORBEEP,
        ZOM_SETHIGHLIGHTTEXT, ZOM_SETMOVEONLRKEY, ZOM_SETTABACTION, ZOM_SETSHOWLITERALS, ZOM_SETALLOWSPACE,
        ZOM_SETAUTOCONVERT, ZOM_SETLOOKUPMODE,
        // 7.
        ZOM_SETLOOKUPTABLE, ZOM_SETPROMPTCHAR, ZOM_SETFORMAT, ZOM_SETVALUE, ZOM_SETCURSORPOSITION,
        // 8.
        ZOM_SETSORTORDER, ZOM_SETSORTBY,
        // 9.
        ZOM_SETAUTODROPDOWN, ZOM_SETAUTOSELECT, ZOM_SETTEXTBOXSTYLE, ZOM_SETDESCRIPTIONWIDTH, ZOM_SETIMAGEWIDTH,
        ZOM_SETMAXDROPDOWNITEMS, ZOM_SETIMAGEALIGN, ZOM_SETSCROLLBARMODE, ZOM_SETSTYLE, ZOM_SETLISTBOXSTYLE,
        ZOM_SETITEMTIP, ZOM_SETOVERFLOWTIP, ZOM_SETSTATUSBAR, ZOM_SETDROPDOWNSHADOW, ZOM_SETSHOWSCROLLBAR,
        ZOM_SETINTEGRALHEIGHT, ZOM_SETDROPDOWNWIDTH, ZOM_SETOLEDRAGMODE, ZOM_SETBACKGROUNDIMAGE,
        // 10.
        ZOM_SETITEMHEIGHT,
        // the first size of the window: the drop-down width follows it
        ZOM_SETDROPDOWNWIDTH,
    };
    ASSERT_GE(rest.size(), order.size());
    EXPECT_EQ(std::vector<win::UINT>(rest.begin(), rest.begin() + long(order.size())), order);

    // A few values of the push.
    EXPECT_EQ(ryx().last(ZOM_SETBUTTONLAYOUT), RyxLayoutDropInside);
    EXPECT_EQ(ryx().last(ZOM_SETDROPDOWNVISIBLE), 0);
    EXPECT_EQ(ryx().last(ZOM_SETUSERMODE), -1);
    EXPECT_EQ(ryx().last(ZOM_SETPROMPTCHAR), '_');
    EXPECT_EQ(ryx().last(ZOM_SETSPINDELAY), 100);
    EXPECT_EQ(ryx().last(ZOM_SETSORTORDER), 2);
    EXPECT_EQ(ryx().last(ZOM_SETLISTBOXSTYLE), 2);
    EXPECT_EQ(ryx().last(ZOM_SETSTYLE), 1);
    EXPECT_EQ(ryx().last(ZOM_SETDROPDOWNWIDTH), 120);
    for (const Sent &s : log)
        if (s.msg == ZOM_SETVALUE) {
            EXPECT_EQ(s.text, QByteArray("zoComboCustom")); // the ambient display name
        }
    // The measured item height is stored (and later persisted).
    EXPECT_GT(ryx().last(ZOM_SETITEMHEIGHT), 0);
    int32_t height = 0;
    m_combo->get_ItemHeight(&height);
    EXPECT_EQ(height, ryx().last(ZOM_SETITEMHEIGHT));
    EXPECT_EQ(control().IsDirty(), S_FALSE);
    // Text is not pushed.
    EXPECT_EQ(ryx().count(ZOM_SETTEXT), 0);
}

TEST_F(ComboTest, PreselectionBeforeTheWindowFollowsTheItemHandOver)
{
    initNew();
    addItem(QStringLiteral("北支店"));
    auto second = addItem(QStringLiteral("南支店"));
    addItem(QStringLiteral("東支店"));
    ASSERT_EQ(m_combo->put_SelectedItem(second.get()), S_OK);
    int32_t index = -9;
    m_combo->get_SelectedIndex(&index); // from the cache: no window yet
    EXPECT_EQ(index, 1);

    ASSERT_NE(createWindow(), 0u);
    const auto msgs = ryx().messages();
    const auto from = afterFirst(msgs, ZOM_SETITEMCOLLECTION);
    ASSERT_GE(from.size(), 4u);
    EXPECT_EQ(from[1], ZOM_GETLISTWINDOW);
    EXPECT_EQ(from[2], ZOM_GETLISTWINDOW2);
    EXPECT_EQ(from[3], ZOM_SETSELECTEDINDEX);
    EXPECT_EQ(ryx().selected, 1);

    // Read back through the window, as the customer dialog does.
    ComPtr<IComboItem> picked;
    ASSERT_EQ(m_combo->get_SelectedItem(picked.put()), S_OK);
    ASSERT_TRUE(picked);
    Bstr content;
    picked->get_Content(content.put());
    EXPECT_EQ(content.toQString(), QStringLiteral("南支店"));
}

TEST_F(ComboTest, NoSelectionSentWhenNoneWasMade)
{
    initNew();
    addItem(QStringLiteral("a"));
    ASSERT_NE(createWindow(), 0u);
    EXPECT_EQ(ryx().count(ZOM_SETSELECTEDINDEX), 0);
}

TEST_F(ComboTest, ItemHeightNotificationDuringThePushIsIgnored)
{
    initNew();
    // The window reports an item height while the settings are pushed.
    ryx().onMessage = [](win::HWND hwnd, win::UINT msg) {
        if (msg == ZOM_SETSTYLE)
            win::SendMessageA(hwnd, ZOM_NOTIFYITEMHEIGHT, 31, 0);
    };
    const win::HWND hwnd = createWindow();
    ASSERT_NE(hwnd, 0u);
    ryx().onMessage = nullptr;
    int32_t height = 0;
    m_combo->get_ItemHeight(&height);
    EXPECT_NE(height, 31);
    EXPECT_GT(height, 0);

    // After the push a report sets ItemHeight through its put.
    win::SendMessageA(hwnd, ZOM_NOTIFYITEMHEIGHT, 31, 0);
    m_combo->get_ItemHeight(&height);
    EXPECT_EQ(height, 31);
    EXPECT_EQ(ryx().last(ZOM_SETITEMHEIGHT), 31);
}

// ---- notifications from the window

TEST_F(ComboTest, CommandNotificationsFireTheirEventsInOrder)
{
    setSite(true);
    initNew();
    connectSink();
    const win::HWND hwnd = createWindow();
    ASSERT_NE(hwnd, 0u);
    m_sink.calls.clear();
    auto command = [&](win::WORD code, win::LPARAM l = 0) {
        win::SendMessageA(hwnd, WM_COMMAND, win::MAKEWPARAM(0, code), l ? l : win::LPARAM(hwnd));
    };
    command(ZON_CHANGE);
    command(ZON_EDITMODECHANGE);
    command(ZON_INVALIDINPUT);
    command(ZON_SELECTEDINDEXCHANGED);
    command(ZON_DROPCLOSE);
    win::SendMessageA(hwnd, ZOM_NOTIFYMOUSEENTER, 0, 0);
    win::SendMessageA(hwnd, ZOM_NOTIFYMOUSEEXIT, 0, 0);
    win::SendMessageA(hwnd, ZOM_NOTIFYSPINUP, 0, 0);
    win::SendMessageA(hwnd, ZOM_NOTIFYSPINDOWN, 0, 0);
    EXPECT_EQ(m_sink.ids(), (std::vector<DISPID>{DISPID_EV_CHANGE, DISPID_EV_EDITMODECHANGE, DISPID_EV_INVALIDINPUT,
                                                 DISPID_EV_SELECTEDINDEXCHANGED, DISPID_EV_DROPCLOSE, 0x33, 0x34, 0x35,
                                                 0x36}));
    // A change marks the control dirty.
    EXPECT_EQ(control().IsDirty(), S_OK);
}

TEST_F(ComboTest, KeyExitPassesTheActionByReference)
{
    initNew();
    connectSink();
    const win::HWND hwnd = createWindow();
    int16_t seen = -1;
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        if (id == DISPID_EV_KEYEXIT && p->cArgs == 1 && p->rgvarg[0].vt == (VT_BYREF | VT_I2))
            seen = *p->rgvarg[0].piVal;
    };
    win::SendMessageA(hwnd, ZOM_KEYEXIT, 4, 0);
    EXPECT_EQ(seen, 4);
}

TEST_F(ComboTest, DropOpenIgnoresNoDefaultAndRecordEventWritesBack)
{
    initNew();
    connectSink();
    const win::HWND hwnd = createWindow();
    double value = 1.5;
    RyxComboEventRecord record;
    record.value = &value;
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        if (id == DISPID_EV_DROPOPEN)
            *p->rgvarg[0].pboolVal = VARIANT_TRUE; // the handler asks for no default
        if (id == DISPID_EV_RECORD && p->cArgs == 3) {
            // Arguments arrive reversed: the last field first.
            *p->rgvarg[2].pboolVal = VARIANT_TRUE;
            *p->rgvarg[1].pdblVal = 7.25;
            *p->rgvarg[0].pboolVal = VARIANT_TRUE;
        }
    };
    EXPECT_EQ(win::SendMessageA(hwnd, WM_COMMAND, win::MAKEWPARAM(0, ZON_DROPOPEN), win::LPARAM(hwnd)), 0);
    win::SendMessageA(hwnd, WM_COMMAND, win::MAKEWPARAM(0, ZON_RECORD), reinterpret_cast<win::LPARAM>(&record));
    ASSERT_EQ(m_sink.calls.size(), 2u);
    EXPECT_EQ(m_sink.calls[1].id, DISPID_EV_RECORD);
    EXPECT_EQ(m_sink.calls[1].types,
              (std::vector<VARTYPE>{VT_BYREF | VT_BOOL, VT_BYREF | VT_R8, VT_BYREF | VT_BOOL}));
    EXPECT_EQ(record.flag, VARIANT_TRUE);
    EXPECT_EQ(value, 7.25);
    EXPECT_EQ(record.cancel, VARIANT_TRUE);
}

TEST_F(ComboTest, SelectionChangeMarksTheSelectedItemAndFires)
{
    initNew();
    connectSink();
    auto a = addItem(QStringLiteral("a"));
    auto b = addItem(QStringLiteral("b"));
    a->SetSelected(-1);
    const win::HWND hwnd = createWindow();
    ryx().selected = 1;
    m_sink.calls.clear();
    win::SendMessageA(hwnd, ZOM_SELCHANGED, 0, 0);
    int16_t sa = 1, sb = 0;
    a->get_Selected(&sa);
    b->get_Selected(&sb);
    EXPECT_EQ(sa, 0);
    EXPECT_EQ(sb, -1);
    EXPECT_EQ(m_sink.ids(), std::vector<DISPID>{DISPID_EV_SELECTEDINDEXCHANGED});
    int32_t index = -1;
    m_combo->get_SelectedIndex(&index);
    EXPECT_EQ(index, 1);
}

TEST_F(ComboTest, QueriesAnswerFromTheControl)
{
    setSite(false);
    initNew();
    const win::HWND hwnd = createWindow();
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYUSERMODE, 0, 0), 0);
    // Key translation: Enter is bound (option 24 of the Key object), F5 not.
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYKEYACTION, win::VK_RETURN, 0), 1);
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYKEYACTION, 0x74, 0), -1);
    // At design time the whole window is client area.
    EXPECT_EQ(win::SendMessageA(hwnd, WM_NCHITTEST, 0, win::MAKELPARAM(500, 500)), HTCLIENT);
}

TEST_F(ComboTest, ItemChangesAreForwardedToTheWindow)
{
    initNew();
    const win::HWND hwnd = createWindow();
    ASSERT_NE(hwnd, 0u);
    auto a = addItem(QStringLiteral("a"));
    EXPECT_EQ(ryx().count(ZOM_ITEMSNOTIFY1), 1);
    addItem(QStringLiteral("b"));
    ryx().log.clear();
    Bstr text(QStringLiteral("changed"));
    a->put_Content(text.get());
    // The item's Index (1-based) and its change code.
    ASSERT_EQ(ryx().count(ZOM_ITEMSCHANGED), 1);
    for (const Sent &s : ryx().log)
        if (s.msg == ZOM_ITEMSCHANGED) {
            EXPECT_EQ(s.wParam, 1u);
            EXPECT_EQ(s.lParam, ChangeContent);
        }
    ComPtr<IComboItemCollection> items;
    m_combo->get_Items(items.put());
    items->RemoveAt(1);
    EXPECT_EQ(ryx().count(ZOM_ITEMSNOTIFY2), 1);
    ComPtr<IComboItem> c;
    CoCreateInstance(CLSID_ComboItem, nullptr, IID_IComboItem, c.putVoid());
    items->Insert(0, c.get());
    EXPECT_EQ(ryx().count(ZOM_ITEMSNOTIFY5), 1);
    items->Clear();
    EXPECT_EQ(ryx().count(ZOM_ITEMSNOTIFY4), 1);
    EXPECT_EQ(control().IsDirty(), S_OK);
}

// ---- button layout

TEST_F(ComboTest, ButtonLayoutCodesFollowTheButtonsAndTheirPositions)
{
    initNew();
    ComPtr<ISpin> spin;
    ComPtr<IDropDown> dd;
    ASSERT_EQ(m_combo->get_Spin(spin.put()), S_OK);
    ASSERT_EQ(m_combo->get_DropDown(dd.put()), S_OK);
    struct Case {
        int32_t sv, sp, dv, dp, bp, code;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0},  {0, 0, 1, 0, 0, 3},  {0, 0, 1, 1, 0, 8},  {1, 0, 0, 0, 0, 1},  {2, 1, 0, 0, 0, 7},
        {1, 0, 1, 0, 0, 5},  {1, 0, 1, 0, 1, 6},  {1, 1, 1, 1, 0, 10}, {1, 1, 1, 1, 1, 9},  {1, 1, 1, 0, 0, 4},
        {1, 0, 1, 1, 0, 2},  {2, 0, 2, 1, 1, 2},
    };
    for (const Case &c : cases) {
        spin->put_Visible(c.sv);
        spin->put_Position(c.sp);
        dd->put_Visible(c.dv);
        dd->put_Position(c.dp);
        m_combo->put_BtnPositioning(c.bp);
        int32_t code = -1;
        ASSERT_EQ(control().ButtonLayoutCode(&code, nullptr, nullptr), S_OK);
        EXPECT_EQ(code, c.code) << c.sv << c.sp << c.dv << c.dp << c.bp;
    }
}

TEST_F(ComboTest, SpinChangeResendsItsSettingsAndTheLayout)
{
    initNew();
    const win::HWND hwnd = createWindow();
    ASSERT_NE(hwnd, 0u);
    ComPtr<ISpin> spin;
    m_combo->get_Spin(spin.put());
    ryx().log.clear();
    spin->put_Visible(zoShowOnFocus); // seen through the control's hook 1001
    const auto msgs = ryx().messages();
    const std::vector<win::UINT> expected = {ZOM_SETSPINENABLED, ZOM_SETSPINDELAY,   ZOM_SETSPININCREMENT,
                                             ZOM_SETSPINWRAP,    ZOM_SETSPINKEYS,    ZOM_SETBUTTONLAYOUT,
                                             ZOM_SETSPINVISIBLE, ZOM_SETDROPDOWNVISIBLE};
    EXPECT_EQ(msgs, expected);
    EXPECT_EQ(ryx().last(ZOM_SETBUTTONLAYOUT), RyxLayoutBothInsideSpinLeft);
    EXPECT_EQ(ryx().last(ZOM_SETSPINVISIBLE), 1);

    // A disabled control sends the spin and drop-down buttons as disabled.
    ryx().log.clear();
    m_combo->put_Enabled(VARIANT_FALSE);
    EXPECT_EQ(ryx().last(ZOM_SETSPINENABLED), 0);
    EXPECT_EQ(ryx().last(ZOM_SETDROPDOWNENABLED), 0);
}

TEST_F(ComboTest, ResizingFollowsDropDownWidthUntilTheUserSetsIt)
{
    initNew();
    const win::HWND hwnd = createWindow(120, 22);
    int32_t width = 0;
    m_combo->get_DropDownWidth(&width);
    EXPECT_EQ(width, 120);
    win::SetWindowPos(hwnd, 0, 0, 0, 150, 22, win::SWP_NOMOVE | win::SWP_NOZORDER);
    m_combo->get_DropDownWidth(&width);
    EXPECT_EQ(width, 150);
    ASSERT_EQ(m_combo->put_DropDownWidth(90), S_OK);
    win::SetWindowPos(hwnd, 0, 0, 0, 200, 22, win::SWP_NOMOVE | win::SWP_NOZORDER);
    m_combo->get_DropDownWidth(&width);
    EXPECT_EQ(width, 90);
}

// ---- key actions, with real key input on the window

class ComboKeyTest : public ComboTest {
protected:
    void SetUp() override
    {
        ComboTest::SetUp();
        setSite(true);
        initNew();
        connectSink();
        m_list = win::CreateWindowExA(0, "ComboTestParent", "", 0, 0, 0, 10, 10, 0, 0, 0, nullptr);
        ryx().listWindow = m_list;
        m_hwnd = createWindow();
        ASSERT_NE(m_hwnd, 0u);
        win::SetFocus(m_hwnd);
        ASSERT_EQ(win::GetFocus(), m_hwnd);
        ComPtr<IKey> key;
        m_combo->get_Key(key.put());
        m_key = key;
        ryx().log.clear();
    }
    void TearDown() override
    {
        win::DestroyWindow(m_list);
        ComboTest::TearDown();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget *w = win::WidgetOfWindow(m_hwnd);
        ASSERT_NE(w, nullptr);
        QTest::keyPress(w, key, mods);
        QTest::keyRelease(w, key, mods);
    }
    win::HWND m_hwnd = 0;
    win::HWND m_list = 0;
    ComPtr<IKey> m_key;
};

TEST_F(ComboKeyTest, NextFieldKeyStopsWhenTheWindowTakesIt)
{
    ryx().answers[ZOM_KEYACTION] = 0; // done
    press(Qt::Key_Return);
    EXPECT_EQ(ryx().messages(), std::vector<win::UINT>{ZOM_KEYACTION});
    EXPECT_EQ(ryx().last(ZOM_KEYACTION), RyxKeyNextField);
    // The key was consumed: the class procedure never saw it.
    EXPECT_TRUE(ryx().keysSeen.empty());
    // KeyDown was raised before the action.
    ASSERT_FALSE(m_sink.calls.empty());
    EXPECT_EQ(m_sink.calls.front().id, -602);
}

TEST_F(ComboKeyTest, NextItemKeyMovesTheList)
{
    m_key->Add(KeyActionNext, win::VK_DOWN, 0);
    // The list window sees its own message; the inner window its action.
    press(Qt::Key_Down);
    EXPECT_EQ(ryx().messages(), std::vector<win::UINT>{ZOM_KEYACTION});
    EXPECT_EQ(ryx().last(ZOM_KEYACTION), RyxKeyNextItem);
    EXPECT_TRUE(ryx().keysSeen.empty());

    // Bound to both: the field move first, the list move when it is not taken.
    ryx().log.clear();
    m_key->Add(KeyActionNextField, win::VK_DOWN, 0);
    ryx().answers[ZOM_KEYACTION] = 1;
    press(Qt::Key_Down);
    EXPECT_EQ(ryx().messages(), (std::vector<win::UINT>{ZOM_KEYACTION, ZOM_KEYACTION}));
}

TEST_F(ComboKeyTest, PreviousKeysAndTheClearKey)
{
    m_key->Add(KeyActionPrev, win::VK_UP, 0);
    press(Qt::Key_Up);
    EXPECT_EQ(ryx().last(ZOM_KEYACTION), RyxKeyPrevItem);
    ryx().log.clear();
    ryx().answers[ZOM_KEYACTION] = 0;
    press(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(ryx().last(ZOM_KEYACTION), RyxKeyPrevField);
    ryx().log.clear();
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ryx().messages(), std::vector<win::UINT>{ZOM_CLEAR});
    // Unbound keys go to the window as they are.
    ryx().log.clear();
    ryx().keysSeen.clear();
    press(Qt::Key_F5);
    EXPECT_TRUE(ryx().log.empty());
    EXPECT_EQ(ryx().keysSeen, std::vector<win::UINT>{0x74});
}

TEST_F(ComboKeyTest, KeyCodeZeroFromTheHandlerSuppressesTheAction)
{
    m_sink.onEvent = [](DISPID id, DISPPARAMS *p) {
        if (id == -602)
            *p->rgvarg[1].piVal = 0; // KeyCode (first argument, passed last)
    };
    press(Qt::Key_Return);
    EXPECT_EQ(ryx().count(ZOM_KEYACTION), 0);
}

TEST_F(ComboKeyTest, ClearKeyIsDroppedWhileTheLeftButtonIsDown)
{
    QWidget *w = win::WidgetOfWindow(m_hwnd);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_TRUE(win::GetKeyState(win::VK_LBUTTON) & 0x8000);
    ryx().log.clear();
    ryx().keysSeen.clear();
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ryx().count(ZOM_CLEAR), 0);
    // Dropped: the window does not see the key either.
    EXPECT_EQ(std::count(ryx().keysSeen.begin(), ryx().keysSeen.end(), win::UINT(win::VK_DELETE)), 0);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

TEST_F(ComboKeyTest, ClearKeyLeavesAReadOnlyControl)
{
    m_combo->put_ReadOnly(VARIANT_TRUE);
    win::PumpPostedMessages();
    ryx().log.clear();
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ryx().count(ZOM_CLEAR), 0);
}

// ---- keyboard pre-translation, control information, drawing

TEST_F(ComboTest, PreTranslationOfTabArrowsAndCopy)
{
    initNew();
    const win::HWND hwnd = createWindow();
    ComPtr<win::IOleInPlaceActiveObject> active;
    ASSERT_EQ(m_combo->QueryInterface(win::IID_IOleInPlaceActiveObject, active.putVoid()), S_OK);
    win::MSG msg;
    msg.hwnd = hwnd;
    msg.message = win::WM_KEYDOWN;
    msg.wParam = win::VK_TAB;
    // The window keeps the Tab key: consumed here.
    ryx().answers[ZOM_QUERYTABSTOP] = 0;
    EXPECT_EQ(active->TranslateAccelerator(&msg), S_OK);
    ryx().answers[ZOM_QUERYTABSTOP] = 1;
    EXPECT_EQ(active->TranslateAccelerator(&msg), S_FALSE);
    // Arrow and paging keys go straight to the window.
    ryx().keysSeen.clear();
    msg.wParam = win::VK_DOWN;
    EXPECT_EQ(active->TranslateAccelerator(&msg), S_OK);
    EXPECT_EQ(ryx().keysSeen, std::vector<win::UINT>{win::VK_DOWN});
    // A plain 'C' is left to the site; Ctrl+C copies (tested through the key
    // state of real input below).
    msg.wParam = 'C';
    ryx().log.clear();
    EXPECT_EQ(active->TranslateAccelerator(&msg), S_FALSE);
    EXPECT_EQ(ryx().count(WM_COPY), 0);
}

TEST_F(ComboKeyTest, ControlCCopiesThroughPreTranslation)
{
    ComPtr<win::IOleInPlaceActiveObject> active;
    ASSERT_EQ(m_combo->QueryInterface(win::IID_IOleInPlaceActiveObject, active.putVoid()), S_OK);
    QWidget *w = win::WidgetOfWindow(m_hwnd);
    QTest::keyPress(w, Qt::Key_Control);
    win::MSG msg;
    msg.hwnd = m_hwnd;
    msg.message = win::WM_KEYDOWN;
    msg.wParam = 'C';
    ryx().log.clear();
    active->TranslateAccelerator(&msg);
    QTest::keyRelease(w, Qt::Key_Control);
    EXPECT_EQ(ryx().count(WM_COPY), 1);
}

TEST_F(ComboTest, CaptionMnemonicBecomesAnAccelerator)
{
    initNew();
    ComPtr<win::IOleControl> ctl;
    ASSERT_EQ(m_combo->QueryInterface(win::IID_IOleControl, ctl.putVoid()), S_OK);
    EXPECT_EQ(ctl->GetControlInfo(nullptr), E_POINTER);
    win::CONTROLINFO info;
    ASSERT_EQ(ctl->GetControlInfo(&info), S_OK);
    EXPECT_EQ(info.hAccel, 0u);
    EXPECT_EQ(info.cAccel, 0);

    ComPtr<ICaptionDisp> caption;
    m_combo->get_Caption(caption.put());
    Bstr text(QStringLiteral("顧客(&K)"));
    caption->put_Text(text.get());
    ASSERT_EQ(ctl->GetControlInfo(&info), S_OK);
    EXPECT_EQ(info.cb, 16u);
    ASSERT_EQ(info.cAccel, 1);
    auto entries = AcceleratorEntries(info.hAccel);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ((*entries)[0].key, 'K');
    EXPECT_EQ((*entries)[0].fVirt, 17); // FVIRTKEY | FALT
    EXPECT_EQ((*entries)[0].cmd, 1);

    // A symbol typed with Shift adds FSHIFT.
    Bstr shifted(QStringLiteral("合計&!"));
    caption->put_Text(shifted.get());
    ASSERT_EQ(ctl->GetControlInfo(&info), S_OK);
    entries = AcceleratorEntries(info.hAccel);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ((*entries)[0].fVirt, 21);
    EXPECT_EQ((*entries)[0].key, '1');

    // A character no key types: no accelerator.
    Bstr untyped(QStringLiteral("&あ"));
    caption->put_Text(untyped.get());
    ASSERT_EQ(ctl->GetControlInfo(&info), S_OK);
    EXPECT_EQ(info.hAccel, 0u);
    EXPECT_EQ(info.cAccel, 0);
}

TEST_F(ComboTest, DrawingLetsTheWindowPaintIntoTheGivenDc)
{
    initNew();
    const win::HWND hwnd = createWindow();
    ASSERT_NE(hwnd, 0u);
    ComPtr<win::IViewObjectEx> view;
    ASSERT_EQ(m_combo->QueryInterface(win::IID_IViewObjectEx, view.putVoid()), S_OK);
    win::DWORD status = 0;
    view->GetViewStatus(&status);
    EXPECT_EQ(status, 3u);
    const win::HDC dc = win::GetDC(m_parent);
    const win::RECTL bounds{10, 10, 130, 32};
    ryx().log.clear();
    ASSERT_EQ(view->Draw(win::DVASPECT_CONTENT, -1, nullptr, nullptr, 0, dc, &bounds, nullptr, nullptr, 0), S_OK);
    win::ReleaseDC(m_parent, dc);
    ASSERT_EQ(ryx().count(win::WM_PAINT), 1);
    EXPECT_EQ(ryx().log.back().wParam, win::WPARAM(dc));
    EXPECT_NE(ryx().log.back().lParam, 0);
    // Refresh asks the window to paint itself.
    ryx().log.clear();
    m_combo->Refresh();
    ASSERT_EQ(ryx().count(win::WM_PAINT), 1);
    EXPECT_EQ(ryx().log.back().wParam, 0u);
    EXPECT_EQ(ryx().log.back().lParam, 0);
    ComPtr<win::IOleObject> ole;
    m_combo->QueryInterface(win::IID_IOleObject, ole.putVoid());
    win::DWORD misc = 0;
    ole->GetMiscStatus(win::DVASPECT_CONTENT, &misc);
    EXPECT_EQ(misc, 131473u);
}

TEST_F(ComboTest, ListInputRaisesTheControlsKeyEvents)
{
    initNew();
    connectSink();
    const win::HWND list = win::CreateWindowExA(0, "ComboTestParent", "", 0, 0, 0, 10, 10, 0, 0, 0, nullptr);
    ryx().listWindow = list;
    const win::HWND hwnd = createWindow();
    win::SetFocus(hwnd);
    m_sink.calls.clear();
    win::SendMessageA(hwnd, ZOM_LISTCHAR, 'a', 1);
    ASSERT_FALSE(m_sink.calls.empty());
    EXPECT_EQ(m_sink.calls.front().id, -603); // KeyPress
    // Without a list window nothing is routed.
    win::DestroyWindow(list);
    m_sink.calls.clear();
    win::SendMessageA(hwnd, ZOM_LISTCHAR, 'b', 1);
    EXPECT_TRUE(m_sink.calls.empty());
}

TEST_F(ComboTest, ReleasingTheControlDestroysItsWindowFirst)
{
    initNew();
    const win::HWND hwnd = createWindow();
    ASSERT_TRUE(win::IsWindow(hwnd));
    m_combo.reset();
    EXPECT_FALSE(win::IsWindow(hwnd));
}

TEST_F(ComboKeyTest, MouseInputRaisesTheStockEventsOnTheSink)
{
    QWidget *w = win::WidgetOfWindow(m_hwnd);
    m_sink.calls.clear();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(8, 6));
    const auto ids = m_sink.ids();
    ASSERT_GE(ids.size(), 3u);
    EXPECT_EQ(ids[0], -605); // MouseDown
    EXPECT_EQ(ids[1], -607); // MouseUp
    EXPECT_EQ(ids[2], -600); // Click
    EXPECT_EQ(m_sink.calls[0].types, (std::vector<VARTYPE>{VT_I2, VT_I2, VT_I4, VT_I4}));
}

TEST_F(ComboTest, FontPutSendsTheNewFontAndWatchesIt)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    FONTDESC desc;
    desc.name = QStringLiteral("MS UI Gothic");
    desc.size = 120000;
    ComPtr<IDispatch> font;
    ASSERT_EQ(OleCreateFontIndirect(desc, IID_IFontDisp, font.putVoid()), S_OK);
    const long long before = ryx().last(WM_SETFONT);
    ryx().log.clear();
    ASSERT_EQ(m_combo->putref_Font(font.get()), S_OK);
    ASSERT_EQ(ryx().count(WM_SETFONT), 1);
    EXPECT_NE(ryx().last(WM_SETFONT), 0);
    EXPECT_NE(ryx().last(WM_SETFONT), before);
    EXPECT_TRUE(control().isHooked(-512));
    // A change of the held font reaches the window again.
    ComPtr<IDispatch> held;
    m_combo->get_Font(held.put());
    ComPtr<IFont> f;
    ASSERT_EQ(held->QueryInterface(IID_IFont, f.putVoid()), S_OK);
    ryx().log.clear();
    f->put_Bold(VARIANT_TRUE);
    EXPECT_EQ(ryx().count(WM_SETFONT), 1);
}

TEST_F(ComboTest, RemainingNotificationsAndQueries)
{
    setSite(true);
    initNew();
    const win::HWND hwnd = createWindow();
    ASSERT_NE(hwnd, 0u);
    // Focus on request.
    EXPECT_NE(win::GetFocus(), hwnd);
    win::SendMessageA(hwnd, ZOM_REQUESTFOCUS, 0, 0);
    EXPECT_EQ(win::GetFocus(), hwnd);
    // Without an ambient back colour the control's own answers.
    m_combo->put_BackColor(0x00123456);
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYAMBIENTBACKCOLOR, 0, 0), 0x00123456);
    // The spin changed inside the window: its settings and the layout again.
    ryx().log.clear();
    win::SendMessageA(hwnd, ZOM_NOTIFYSPINCHANGED, 0, 0);
    EXPECT_EQ(ryx().count(ZOM_SETSPINENABLED), 1);
    EXPECT_EQ(ryx().count(ZOM_SETBUTTONLAYOUT), 1);
    // No drag of its own runs.
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYOWNDRAG, 0, 0), 0);
    // The selection runs from character 5 back to 2: x strictly between 14 and 35.
    ryx().selStart = 5;
    ryx().selEnd = 2;
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYCURSORINSELECTION, 0, win::MAKELPARAM(20, 10)), 1);
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYCURSORINSELECTION, 0, win::MAKELPARAM(14, 10)), -1);
    EXPECT_EQ(win::SendMessageA(hwnd, ZOM_QUERYCURSORINSELECTION, 0, win::MAKELPARAM(20, 25)), -1);
    // At run time a point outside the client area is the border.
    win::POINT outside{-3, -3};
    win::ClientToScreen(hwnd, &outside);
    EXPECT_EQ(win::SendMessageA(hwnd, WM_NCHITTEST, 0, win::MAKELPARAM(outside.x, outside.y)), HTBORDER);
}

TEST_F(ComboTest, CaptionTakesItsPlaceFromTheProposedRectangle)
{
    initNew();
    const win::HWND hwnd = createWindow();
    ComPtr<ICaptionDisp> caption;
    m_combo->get_Caption(caption.put());
    Bstr text(QStringLiteral("支店"));
    caption->put_Text(text.get());
    caption->put_Size(30);
    win::RECT proposed{0, 0, 120, 22};
    win::SendMessageA(hwnd, WM_NCCALCSIZE, 0, reinterpret_cast<win::LPARAM>(&proposed));
    EXPECT_EQ(proposed.left, 30);
    EXPECT_EQ(proposed.right, 120);
}
