// The inner-window protocol against a recording "RyxCombo": the creation
// push in its order, the item hand-over with a preselection, the window's
// notifications turned into events, the button layout and the key actions.
#include "ComboTestSupport.h"

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
        if (s.msg == ZOM_SETVALUE)
            EXPECT_EQ(s.text, QByteArray("zoComboCustom")); // the ambient display name
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
