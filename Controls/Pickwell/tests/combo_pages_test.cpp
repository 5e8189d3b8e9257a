// The General, Appearance, Format, Lookup and Button pages: each fills from
// the control, Apply reaches the control's saved state, refused values stop
// Apply with the message and the focus on the field, and Tab walks the
// fields in the order of the page's table.
#include "ComboPageTestSupport.h"

#include "Controls/Pickwell/ComboPageControls.h"

using namespace pickwell;
using namespace pickwell::testing;

namespace {

const QString kRefused = QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。");
const QString kRefusedCaption = QStringLiteral("ﾌﾟﾛﾊﾟﾃｨｴﾗｰ");

class ComboPagesTest : public ComboPageTest {
protected:
    // Tab from the first field through the page, back to the first.
    std::vector<int> tabOrder(int first)
    {
        focus(first);
        std::vector<int> order{focusedId()};
        for (int i = 0; i < 60; ++i) {
            key(Qt::Key_Tab);
            const int id = focusedId();
            if (id == first)
                break;
            order.push_back(id);
        }
        return order;
    }
};

} // namespace

TEST_F(ComboPagesTest, GeneralFillsFromTheControl)
{
    ASSERT_EQ(m_combo->put_MousePointer(99), S_OK);
    ASSERT_EQ(m_combo->put_ClipMode(1), S_OK);
    ASSERT_EQ(m_combo->put_ReadOnly(-1), S_OK);
    ASSERT_EQ(m_combo->put_Style(2), S_OK);
    ASSERT_EQ(m_combo->put_MaxDropDownItems(12), S_OK);
    ASSERT_EQ(m_combo->put_ItemTip(-1), S_OK);
    Bstr prompt(QStringLiteral("#"));
    ASSERT_EQ(m_combo->put_PromptChar(prompt.get()), S_OK);
    open(&createGeneralPage);
    EXPECT_EQ(m_title, QStringLiteral("全般"));
    EXPECT_EQ(listSelection(IDC_MOUSEPOINTER), 16);
    EXPECT_EQ(listText(IDC_MOUSEPOINTER, 16), QStringLiteral("99 - ﾕｰｻﾞｰ定義"));
    EXPECT_EQ(win::SendMessageA(item(IDC_MOUSEPOINTER), win::CB_GETCOUNT, 0, 0), 17);
    EXPECT_EQ(listSelection(IDC_CLIPMODE), 1);
    EXPECT_EQ(listText(IDC_IMEMODE, 8), QStringLiteral("8 - 半角英数"));
    EXPECT_EQ(listSelection(IDC_STYLE), 2);
    EXPECT_EQ(listSelection(IDC_SORTORDER), 2);
    EXPECT_TRUE(isChecked(IDC_READONLY));
    EXPECT_TRUE(isChecked(IDC_ITEMTIP));
    EXPECT_FALSE(isChecked(IDC_AUTOSELECT));
    EXPECT_EQ(text(IDC_MAXDROPDOWNITEMS), QStringLiteral("12"));
    EXPECT_EQ(text(IDC_PROMPTCHAR), QStringLiteral("#"));
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE) << "filling does not make the page dirty";
    screenshot(QStringLiteral("combo_page_general.png"));
}

TEST_F(ComboPagesTest, GeneralAppliesListsChecksAndNumbers)
{
    ASSERT_EQ(m_combo->put_MousePointer(15), S_OK);
    open(&createGeneralPage);
    focus(IDC_MOUSEPOINTER);
    key(Qt::Key_Down); // the 17th entry stands for 99
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    ASSERT_FALSE(site.status.empty());
    EXPECT_EQ(site.status.back(), win::PROPPAGESTATUS_DIRTY);
    focus(IDC_READONLY);
    key(Qt::Key_Space);
    focus(IDC_OVERFLOWTIP);
    key(Qt::Key_Space);
    focus(IDC_SORTORDER);
    key(Qt::Key_Up);
    retype(IDC_MAXDROPDOWNITEMS, QStringLiteral("23"));
    retype(IDC_CURSORPOSITION, QStringLiteral("-4"));
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(savedInt(QStringLiteral("MousePointer")), 99);
    EXPECT_EQ(savedInt(QStringLiteral("ReadOnly")), 1);
    EXPECT_EQ(savedInt(QStringLiteral("OverflowTip")), -1);
    EXPECT_EQ(savedInt(QStringLiteral("SortOrder")), 1);
    EXPECT_EQ(savedInt(QStringLiteral("MaxDropdownItems")), 23);
    EXPECT_EQ(savedInt(QStringLiteral("CursorPosition")), -4);
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
}

TEST_F(ComboPagesTest, RefusedMaxDropDownItemsKeepsTheFocusAndEarlierValues)
{
    open(&createGeneralPage);
    focus(IDC_CLIPMODE);
    key(Qt::Key_Down);
    retype(IDC_MAXDROPDOWNITEMS, QStringLiteral("0"));
    focus(IDC_AUTOSELECT);
    key(Qt::Key_Space);
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRefused);
    EXPECT_EQ(boxes[0].caption, kRefusedCaption);
    EXPECT_TRUE(boxes[0].type & win::MB_ICONERROR);
    EXPECT_EQ(focusedId(), IDC_MAXDROPDOWNITEMS);
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    // Set before the refused field: kept; after it: not reached.
    EXPECT_EQ(savedInt(QStringLiteral("ClipMode")), 1);
    EXPECT_EQ(savedInt(QStringLiteral("MaxDropdownItems")), 8);
    EXPECT_EQ(savedInt(QStringLiteral("AutoSelect")), 0);
}

TEST_F(ComboPagesTest, CursorPositionBeyondSixteenBitsIsRefusedNotWrapped)
{
    open(&createGeneralPage);
    retype(IDC_CURSORPOSITION, QStringLiteral("40000"));
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRefused);
    EXPECT_EQ(focusedId(), IDC_CURSORPOSITION);
    EXPECT_EQ(savedInt(QStringLiteral("CursorPosition")), -1) << "40000 must not arrive as -25536";
}

TEST_F(ComboPagesTest, GeneralTabOrderFollowsTheTable)
{
    open(&createGeneralPage);
    const std::vector<int> expected{216, 217, 218, 219, 224, 220, 221, 222, 223, 228, 225, 226, 227, 231,
                                    232, 263, 264, 265, 230, 229, 266, 267, 268, 270, 271, 272, 269};
    EXPECT_EQ(tabOrder(IDC_CLIPMODE), expected);
    focus(IDC_CLIPMODE);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focusedId(), IDC_INTEGRALHEIGHT);
}

TEST_F(ComboPagesTest, AppearanceFillsAndApplies)
{
    ASSERT_EQ(m_combo->put_BorderStyle(0), S_OK);
    ASSERT_EQ(m_combo->put_ListBoxStyle(4), S_OK);
    ASSERT_EQ(m_combo->put_MarginLeft(3), S_OK);
    ASSERT_EQ(m_combo->put_DropDownShadow(-1), S_OK);
    open(&createAppearancePage);
    EXPECT_EQ(m_title, QStringLiteral("表示"));
    EXPECT_EQ(listSelection(IDC_BORDERSTYLE), 0);
    EXPECT_EQ(listText(IDC_BORDERSTYLE, 1), QStringLiteral("1 - 実線"));
    EXPECT_EQ(listSelection(IDC_LISTBOXSTYLE), 4);
    EXPECT_EQ(text(IDC_MARGINLEFT), QStringLiteral("3"));
    EXPECT_TRUE(isChecked(IDC_DROPDOWNSHADOW));
    EXPECT_TRUE(isChecked(IDC_SHOWSCROLLBAR));
    screenshot(QStringLiteral("combo_page_appearance.png"));

    focus(IDC_BORDERSTYLE);
    key(Qt::Key_Down);
    retype(IDC_MARGINTOP, QStringLiteral("7"));
    retype(IDC_ITEMHEIGHT, QStringLiteral("21"));
    focus(IDC_SCROLLBARMODE);
    key(Qt::Key_Down);
    focus(IDC_DROPDOWNSHADOW);
    key(Qt::Key_Space);
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(savedInt(QStringLiteral("BorderStyle")), 1);
    EXPECT_EQ(savedInt(QStringLiteral("MarginTop")), 7);
    EXPECT_EQ(savedInt(QStringLiteral("MarginLeft")), 3);
    EXPECT_EQ(savedInt(QStringLiteral("ItemHeight")), 21);
    EXPECT_EQ(savedInt(QStringLiteral("ScrollBarMode")), 1);
    EXPECT_EQ(savedInt(QStringLiteral("Shadow")), 0);
}

TEST_F(ComboPagesTest, AMarginOutOfRangeSetsNoneOfTheFour)
{
    open(&createAppearancePage);
    retype(IDC_MARGINLEFT, QStringLiteral("9"));
    retype(IDC_MARGINBOTTOM, QStringLiteral("8"));
    retype(IDC_MARGINTOP, QStringLiteral("40000"));
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRefused);
    EXPECT_EQ(boxes[0].caption, kRefusedCaption);
    EXPECT_EQ(focusedId(), IDC_MARGINTOP);
    for (const char *name : {"MarginLeft", "MarginBottom", "MarginRight", "MarginTop"})
        EXPECT_EQ(savedInt(QString::fromLatin1(name)), 1) << name;
}

TEST_F(ComboPagesTest, AppearanceTabOrder)
{
    open(&createAppearancePage);
    const std::vector<int> expected{201, 202, 203, 204, 205, 206, 207, 208, 252, 253,
                                    254, 255, 256, 257, 258, 259, 261, 262};
    EXPECT_EQ(tabOrder(IDC_APPEARANCE), expected);
}

TEST_F(ComboPagesTest, FormatOffersTheTemplatesAndAppliesTypedOrPickedMasks)
{
    Bstr mask(QStringLiteral("999-99"));
    ASSERT_EQ(m_combo->put_Format(mask.get()), S_OK);
    open(&createFormatPage);
    EXPECT_EQ(m_title, QStringLiteral("ﾌｫｰﾏｯﾄ"));
    EXPECT_EQ(text(IDC_FORMAT), QStringLiteral("999-99"));
    EXPECT_EQ(win::SendMessageA(item(IDC_FORMAT), win::CB_GETCOUNT, 0, 0), 33);
    EXPECT_EQ(listText(IDC_FORMAT, 17), QStringLiteral("９９９－９９"));
    screenshot(QStringLiteral("combo_page_format.png"));

    // Typing into the field.
    focus(IDC_FORMAT);
    ASSERT_EQ(win::GetFocus(), EditComboEditWindow(item(IDC_FORMAT)));
    key(Qt::Key_End);
    type(QStringLiteral("9"));
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(savedText(QStringLiteral("Format")), QStringLiteral("999-999"));

    // Picking from the list.
    win::SetFocus(EditComboListWindow(item(IDC_FORMAT)));
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(text(IDC_FORMAT), QStringLiteral("999-9999"));
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(savedText(QStringLiteral("Format")), QStringLiteral("999-9999"));

    // From the keyboard: Down steps to the next template, F4 opens the list.
    focus(IDC_FORMAT);
    key(Qt::Key_Down);
    EXPECT_EQ(text(IDC_FORMAT), QStringLiteral("〒 999-99"));
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    // (Straight to the edit's widget, without a pass of the event loop: the
    // headless platform would hand the activation to the shown list.)
    QWidget *editWidget = win::WidgetOfWindow(EditComboEditWindow(item(IDC_FORMAT)));
    ASSERT_NE(editWidget, nullptr);
    QTest::keyClick(editWidget, Qt::Key_F4);
    EXPECT_EQ(win::SendMessageA(EditComboListWindow(item(IDC_FORMAT)), win::CB_GETDROPPEDSTATE, 0, 0), win::TRUE);
    QTest::keyClick(editWidget, Qt::Key_Down);
    QTest::keyClick(editWidget, Qt::Key_Return);
    EXPECT_EQ(win::SendMessageA(EditComboListWindow(item(IDC_FORMAT)), win::CB_GETDROPPEDSTATE, 0, 0), win::FALSE);
    EXPECT_EQ(text(IDC_FORMAT), QStringLiteral("〒 999-9999"));
    EXPECT_EQ(win::GetFocus(), EditComboEditWindow(item(IDC_FORMAT)));
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(savedText(QStringLiteral("Format")), QStringLiteral("〒 999-9999"));

    // SetObjects refills the field and selects all of it.
    Bstr other(QStringLiteral("&&&"));
    ASSERT_EQ(m_combo->put_Format(other.get()), S_OK);
    IUnknown *objects[] = {m_combo.get()};
    ASSERT_EQ(m_page->SetObjects(1, objects), S_OK);
    EXPECT_EQ(text(IDC_FORMAT), QStringLiteral("&&&"));
    win::DWORD from = 0, to = 0;
    win::SendMessageA(EditComboEditWindow(item(IDC_FORMAT)), win::EM_GETSEL, reinterpret_cast<win::WPARAM>(&from),
                      reinterpret_cast<win::LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 3u);
}

TEST_F(ComboPagesTest, AMaskTheWindowRefusesStopsAtTheFormatField)
{
    // The inner window checks masks: give the control its window.
    win::DialogTemplate parentTemplate;
    parentTemplate.style = win::WS_POPUP | win::DS_SETFONT;
    parentTemplate.cx = 100;
    parentTemplate.cy = 30;
    const win::HWND parent = win::CreateDialogIndirectParamA(0, &parentTemplate, 0, nullptr, 0);
    ASSERT_NE(parent, 0u);
    auto &control = *static_cast<zoCombo *>(m_combo.get());
    ASSERT_NE(control.CreateControlWindow(parent, win::RECT{0, 0, 120, 22}), 0u);
    open(&createFormatPage);
    retype(IDC_FORMAT, QStringLiteral("9{9"));
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRefused);
    EXPECT_EQ(focusedId(), IDC_FORMAT);
    EXPECT_EQ(savedText(QStringLiteral("Format")), QString());
    retype(IDC_FORMAT, QStringLiteral("99-99"));
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(savedText(QStringLiteral("Format")), QStringLiteral("99-99"));
    close();
    m_combo.reset(); // its window goes with it
    win::DestroyWindow(parent);
}

TEST_F(ComboPagesTest, LookupFillsAndApplies)
{
    Bstr table(QStringLiteral("ABC"));
    ASSERT_EQ(m_combo->put_LookupTable(table.get()), S_OK);
    ASSERT_EQ(m_combo->put_LookupMode(1), S_OK);
    open(&createLookupPage);
    EXPECT_EQ(m_title, QStringLiteral("参照ﾃｰﾌﾞﾙ"));
    EXPECT_EQ(text(IDC_LOOKUPTABLE), QStringLiteral("ABC"));
    EXPECT_EQ(listSelection(IDC_LOOKUPMODE), 1);
    screenshot(QStringLiteral("combo_page_lookup.png"));
    retype(IDC_LOOKUPTABLE, QStringLiteral("xyz"));
    focus(IDC_LOOKUPMODE);
    key(Qt::Key_Down);
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(savedText(QStringLiteral("LookupTable")), QStringLiteral("xyz"));
    EXPECT_EQ(savedInt(QStringLiteral("LookupMode")), 2);
    EXPECT_EQ(tabOrder(IDC_LOOKUPTABLE), (std::vector<int>{234, 235}));
}

TEST_F(ComboPagesTest, ALookupTableOutsideTheCodePageStillFills)
{
    Bstr table(QStringLiteral("a") + QString::fromUcs4(U"\U0001F600"));
    // The control takes the table as given; the page shows its code-page form.
    ASSERT_EQ(m_combo->put_LookupTable(table.get()), S_OK);
    open(&createLookupPage);
    EXPECT_EQ(text(IDC_LOOKUPTABLE), QStringLiteral("a?"));
}

TEST_F(ComboPagesTest, ButtonPageEditsSpinAndDropDownThroughNewObjects)
{
    open(&createButtonPage);
    EXPECT_EQ(m_title, QStringLiteral("ﾎﾞﾀﾝ定義"));
    EXPECT_EQ(text(IDC_SPIN_DELAY), QStringLiteral("100"));
    screenshot(QStringLiteral("combo_page_button.png"));
    ComPtr<ISpin> before;
    ASSERT_EQ(m_combo->get_Spin(before.put()), S_OK);

    // Spin outside, drop-down inside: the positioning check box goes grey.
    focus(IDC_SPIN_POSITION);
    win::SendMessageA(item(IDC_SPIN_POSITION), win::CB_SETCURSEL, 0, 0);
    key(Qt::Key_Down);
    focus(IDC_DROP_POSITION);
    win::SendMessageA(item(IDC_DROP_POSITION), win::CB_SETCURSEL, 1, 0);
    key(Qt::Key_Up);
    EXPECT_EQ(listSelection(IDC_SPIN_POSITION), 1);
    EXPECT_EQ(listSelection(IDC_DROP_POSITION), 0);
    EXPECT_FALSE(win::IsWindowEnabled(item(IDC_BTNPOSITIONING)));
    focus(IDC_DROP_POSITION);
    key(Qt::Key_Down);
    EXPECT_TRUE(win::IsWindowEnabled(item(IDC_BTNPOSITIONING)));

    retype(IDC_SPIN_INCREMENT, QStringLiteral("5"));
    retype(IDC_SPIN_DELAY, QStringLiteral("250"));
    focus(IDC_SPIN_WRAP);
    key(Qt::Key_Space);
    focus(IDC_BTNPOSITIONING);
    key(Qt::Key_Space);
    EXPECT_EQ(m_page->Apply(), S_OK);

    ComPtr<ISpin> after;
    ASSERT_EQ(m_combo->get_Spin(after.put()), S_OK);
    EXPECT_NE(after.get(), before.get()) << "the control is given a new Spin";
    int32_t v = 0;
    after->get_Position(&v);
    EXPECT_EQ(v, 1);
    after->get_Delay(&v);
    EXPECT_EQ(v, 250);
    int16_t increment = 0;
    after->get_Increment(&increment);
    EXPECT_EQ(increment, 5);
    VARIANT_BOOL wrap = 0;
    after->get_Wrap(&wrap);
    EXPECT_EQ(wrap, -1);
    ComPtr<IDropDown> drop;
    ASSERT_EQ(m_combo->get_DropDown(drop.put()), S_OK);
    drop->get_Position(&v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(savedInt(QStringLiteral("BtnPositioning")), 1);
}

TEST_F(ComboPagesTest, ButtonPageRefusesADelayOutOfRange)
{
    open(&createButtonPage);
    retype(IDC_SPIN_DELAY, QStringLiteral("99999"));
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRefused);
    EXPECT_EQ(focusedId(), IDC_SPIN_DELAY);
    ComPtr<ISpin> spin;
    m_combo->get_Spin(spin.put());
    int32_t delay = 0;
    spin->get_Delay(&delay);
    EXPECT_EQ(delay, 100);
}

TEST_F(ComboPagesTest, ButtonTabOrder)
{
    open(&createButtonPage);
    EXPECT_EQ(tabOrder(IDC_SPIN_VISIBLE), (std::vector<int>{236, 237, 238, 239, 240, 241, 242, 243, 244, 245, 246}));
}
