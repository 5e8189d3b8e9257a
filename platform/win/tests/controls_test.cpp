// The built-in controls driven by real mouse and key input inside a dialog.
#include "DialogTestSupport.h"
#include "platform/win/accessible.h"

#include <QAccessible>

using namespace wintest;

namespace {

class ControlsTest : public DialogTest {
protected:
    std::vector<Command> commandsOf(int id)
    {
        std::vector<Command> out;
        for (const Command &c : commands())
            if (c.id == id)
                out.push_back(c);
        return out;
    }
    std::vector<int> codesOf(int id)
    {
        std::vector<int> out;
        for (const Command &c : commandsOf(id))
            out.push_back(c.code);
        return out;
    }
};

TEST_F(ControlsTest, ClassNamesAreCaseInsensitiveSystemClasses)
{
    const HWND top = topLevel();
    for (const char *name : {"button", "Static", "edit", "LISTBOX", "ComboBox"}) {
        const HWND h = CreateWindowExA(0, name, "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, top, 1, 0, nullptr);
        EXPECT_NE(h, 0u) << name;
        DestroyWindow(h);
    }
}

TEST_F(ControlsTest, AssistiveToolsSeeRolesNamesValuesAndStatesOfTheWindows)
{
    DialogTemplate t = frame();
    t.items.push_back(item(200, "BUTTON", "&Print", BS_PUSHBUTTON | WS_TABSTOP, 5, 5, 60, 14));
    t.items.push_back(item(201, "BUTTON", "Keep", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 22, 60, 12));
    t.items.push_back(item(202, "EDIT", "", WS_TABSTOP | WS_BORDER, 5, 38, 80, 12));
    t.items.push_back(item(203, "STATIC", "Number:", SS_LEFT, 5, 54, 60, 10));
    t.items.push_back(item(204, "BUTTON", "Off", BS_AUTORADIOBUTTON | WS_DISABLED, 5, 66, 60, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    auto of = [dlg](int id) { return QAccessible::queryAccessibleInterface(WidgetOfWindow(GetDlgItem(dlg, id))); };
    for (int id : {200, 201, 202, 203, 204})
        ASSERT_NE(of(id), nullptr) << id;

    EXPECT_EQ(of(200)->role(), QAccessible::Button);
    EXPECT_EQ(of(200)->text(QAccessible::Name), QStringLiteral("Print")) << "the mnemonic mark is no part of the name";
    EXPECT_EQ(of(201)->role(), QAccessible::CheckBox);
    EXPECT_EQ(of(201)->text(QAccessible::Name), QStringLiteral("Keep"));
    EXPECT_FALSE(of(201)->state().checked);
    CheckDlgButton(dlg, 201, BST_CHECKED);
    EXPECT_TRUE(of(201)->state().checked);
    EXPECT_EQ(of(203)->role(), QAccessible::StaticText);
    EXPECT_EQ(of(203)->text(QAccessible::Name), QStringLiteral("Number:"));
    EXPECT_EQ(of(204)->role(), QAccessible::RadioButton);
    EXPECT_TRUE(of(204)->state().disabled);

    // A field's text is its value, typed or set.
    EXPECT_EQ(of(202)->role(), QAccessible::EditableText);
    SetFocus(GetDlgItem(dlg, 202));
    EXPECT_TRUE(of(202)->state().focused);
    typeText(QStringLiteral("12ア"));
    EXPECT_EQ(of(202)->text(QAccessible::Value), QStringLiteral("12ア"));
    SetDlgItemTextA(dlg, 202, "99");
    EXPECT_EQ(of(202)->text(QAccessible::Value), QStringLiteral("99"));

    // A class of a library takes the role it registers.
    WNDCLASSA wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "AccessibleTestField";
    ASSERT_TRUE(RegisterClassA(&wc));
    const HWND custom = CreateWindowExA(0, "AccessibleTestField", "abc", WS_CHILD | WS_VISIBLE, 100, 5, 50, 14, dlg,
                                        0, 0, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(WidgetOfWindow(custom))->role(), QAccessible::Client);
    SetClassAccessibleRole("accessibletestfield", QAccessible::ComboBox);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(WidgetOfWindow(custom))->role(), QAccessible::ComboBox);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(WidgetOfWindow(custom))->text(QAccessible::Value),
              QStringLiteral("abc"));
    DestroyWindow(custom);
    UnregisterClassA("AccessibleTestField", 0);
}

TEST_F(ControlsTest, PushButtonClickReleasedInsideNotifiesAndOutsideDoesNot)
{
    DialogTemplate t = frame();
    t.items.push_back(item(100, "BUTTON", "push", BS_PUSHBUTTON | WS_TABSTOP, 5, 5, 60, 14));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    const HWND button = GetDlgItem(dlg, 100);
    QWidget *w = WidgetOfWindow(button);

    click(button);
    ASSERT_EQ(commandsOf(100).size(), 1u);
    EXPECT_EQ(commandsOf(100)[0], (Command{100, BN_CLICKED, button}));
    EXPECT_EQ(GetFocus(), button) << "a click focuses the button";

    commands().clear();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    QTest::mouseMove(w, QPoint(w->width() + 30, 5));
    EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0) << "pops up when the mouse leaves";
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(w->width() + 30, 5));
    EXPECT_TRUE(commandsOf(100).empty()) << "released outside: no click";
    EXPECT_EQ(GetCapture(), 0u);

    // Pressed, the button is drawn sunken: its top-left pixel takes the
    // shadow colour instead of the highlight.
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    UpdateWindow(button);
    const QRgb pressedCorner = WindowSurface(button).pixel(0, 0);
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(w->width() + 30, 5));
    UpdateWindow(button);
    const QRgb upCorner = WindowSurface(button).pixel(0, 0);
    auto rgb = [](COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); };
    EXPECT_NE(pressedCorner, upCorner);
    EXPECT_EQ(upCorner, rgb(GetSysColor(COLOR_BTNHIGHLIGHT)) | 0xFF000000u) << "raised";
    commands().clear();

    // Space: pressed on the key going down, clicked when it comes up.
    QTest::keyPress(w, Qt::Key_Space);
    EXPECT_TRUE(commandsOf(100).empty());
    QTest::keyRelease(w, Qt::Key_Space);
    EXPECT_EQ(codesOf(100), (std::vector<int>{BN_CLICKED}));

    commands().clear();
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(codesOf(100), (std::vector<int>{BN_CLICKED}));
    EnableWindow(button, FALSE);
    click(button);
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(codesOf(100).size(), 1u) << "a disabled button does not click";
}

TEST_F(ControlsTest, CheckBoxTogglesByMouseAndSpaceAndDrawsItsMark)
{
    DialogTemplate t = frame();
    t.items.push_back(item(110, "BUTTON", "check", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 5, 80, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    const HWND box = GetDlgItem(dlg, 110);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 110), BST_UNCHECKED);
    UpdateWindow(box);
    const QImage unchecked = WindowSurface(box);

    click(box);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 110), BST_CHECKED);
    UpdateWindow(box);
    EXPECT_NE(WindowSurface(box), unchecked) << "the check mark is drawn";
    key(Qt::Key_Space);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 110), BST_UNCHECKED);
    EXPECT_EQ(codesOf(110), (std::vector<int>{BN_CLICKED, BN_CLICKED}));

    CheckDlgButton(dlg, 110, BST_CHECKED);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(codesOf(110).size(), 2u) << "setting the check by message notifies nothing";
}

TEST_F(ControlsTest, EditTypingKeepsDoubleByteCharactersWhole)
{
    DialogTemplate t = frame();
    t.items.push_back(item(120, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 5, 5, 100, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 120));
    SetFocus(0);
    click(GetDlgItem(dlg, 120));
    EXPECT_EQ(codesOf(120), (std::vector<int>{EN_KILLFOCUS, EN_SETFOCUS}));
    commands().clear();

    typeText(QStringLiteral("ab"));
    typeText(QString::fromUtf8("日"));
    EXPECT_EQ(itemText(dlg, 120), "ab\x93\xfa");
    EXPECT_EQ(codesOf(120), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}))
        << "the double-byte character is one change";
    DWORD start = 0, end = 0;
    SendDlgItemMessageA(dlg, 120, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 4u);

    POINT afterWide;
    ASSERT_TRUE(GetCaretPos(&afterWide));
    key(Qt::Key_Backspace);
    EXPECT_EQ(itemText(dlg, 120), "ab") << "Backspace removes both bytes";
    POINT afterAb;
    GetCaretPos(&afterAb);
    EXPECT_LT(afterAb.x, afterWide.x) << "the system caret follows the text";
    key(Qt::Key_Home);
    POINT home;
    GetCaretPos(&home);
    EXPECT_LT(home.x, afterAb.x);
    key(Qt::Key_End);
    typeText(QString::fromUtf8("漢"));
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    key(Qt::Key_Delete);
    EXPECT_EQ(itemText(dlg, 120), "a\x8a\xbf");
    key(Qt::Key_End);
    key(Qt::Key_Left, Qt::ShiftModifier);
    SendDlgItemMessageA(dlg, 120, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u) << "Shift+Left selects the whole character";
    typeText(QStringLiteral("z"));
    EXPECT_EQ(itemText(dlg, 120), "az") << "typing replaces the selection";
    SetFocus(0);
    EXPECT_FALSE(GetCaretPos(&home)) << "the edit gives up the caret with the focus";
}

TEST_F(ControlsTest, EditSelectionReplaceLimitNumberAndReadOnly)
{
    DialogTemplate t = frame();
    t.items.push_back(item(130, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 5, 5, 100, 12));
    t.items.push_back(item(131, "EDIT", "", WS_TABSTOP | ES_NUMBER, 5, 20, 100, 12));
    t.items.push_back(item(132, "EDIT", "fixed", WS_TABSTOP | ES_READONLY, 5, 35, 100, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    const HWND edit = GetDlgItem(dlg, 130);
    SetWindowTextA(edit, "x\x93\xfay");
    // A selection end inside a double-byte character moves to its start.
    SendMessageA(edit, EM_SETSEL, 0, 2);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 1u);
    SendMessageA(edit, EM_SETSEL, 1, -1);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("!"));
    EXPECT_EQ(itemText(dlg, 130), "x!");

    SendMessageA(edit, EM_LIMITTEXT, 3, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 3);
    commands().clear();
    typeText(QStringLiteral("a"));
    typeText(QStringLiteral("b"));
    EXPECT_EQ(itemText(dlg, 130), "x!a") << "typing stops at the limit";
    EXPECT_EQ(codesOf(130), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_MAXTEXT}));
    SetWindowTextA(edit, "");
    typeText(QStringLiteral("ab"));
    typeText(QString::fromUtf8("日"));
    EXPECT_EQ(itemText(dlg, 130), "ab") << "a double-byte character that does not fit is refused whole";

    key(Qt::Key_Tab);
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 131));
    EXPECT_EQ(codesOf(130).back(), EN_KILLFOCUS);
    typeText(QString::fromUtf8("1a2日3"));
    EXPECT_EQ(itemText(dlg, 131), "123") << "ES_NUMBER takes digits only";

    key(Qt::Key_Tab);
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 132));
    typeText(QStringLiteral("zz"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Delete);
    EXPECT_EQ(itemText(dlg, 132), "fixed") << "read-only";
}

TEST_F(ControlsTest, EditWithoutAutoScrollRefusesTextWiderThanTheField)
{
    DialogTemplate t = frame();
    t.items.push_back(item(135, "EDIT", "", WS_TABSTOP, 5, 5, 20, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    typeText(QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
    const std::string text = itemText(dlg, 135);
    EXPECT_FALSE(text.empty());
    EXPECT_LT(text.size(), 20u);
}

TEST_F(ControlsTest, ListBoxSelectsByMouseAndArrowKeys)
{
    DialogTemplate t = frame();
    t.items.push_back(item(140, "LISTBOX", "", WS_TABSTOP | LBS_NOTIFY | WS_BORDER, 5, 5, 100, 60));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    const HWND list = GetDlgItem(dlg, 140);
    EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one")), 0);
    EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("three")), 1);
    EXPECT_EQ(SendMessageA(list, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("two")), 1);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    SendMessageA(list, LB_SETITEMDATA, 2, 0x7777);

    const int h = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(h, 0);
    click(list, QPoint(10, h + h / 2));
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(codesOf(140), (std::vector<int>{LBN_SELCHANGE}));
    EXPECT_EQ(GetFocus(), list);
    click(list, QPoint(10, h + h / 2));
    EXPECT_EQ(codesOf(140).size(), 1u) << "the same item again is no change";

    key(Qt::Key_Down);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2);
    key(Qt::Key_Down);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2) << "stays on the last";
    key(Qt::Key_Home);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(codesOf(140), (std::vector<int>{LBN_SELCHANGE, LBN_SELCHANGE, LBN_SELCHANGE}));

    char buffer[16] = {};
    EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "three");
    EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 1, 0), 3);
    EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 2, 0), 0x7777);

    SendMessageA(list, LB_SETCURSEL, 2, 0);
    EXPECT_EQ(SendMessageA(list, LB_DELETESTRING, 0, 0), 2);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1) << "the selection follows its item";
    EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 1, 0), 0x7777);
    EXPECT_EQ(SendMessageA(list, LB_DELETESTRING, 5, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, 9, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
    key(Qt::Key_Down);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR) << "an empty list selects nothing";
}

TEST_F(ControlsTest, DropDownListComboOpensPicksAndSelectsByKeys)
{
    DialogTemplate t = frame();
    t.items.push_back(item(150, "COMBOBOX", "", WS_TABSTOP | CBS_DROPDOWNLIST, 5, 5, 100, 14));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    const HWND combo = GetDlgItem(dlg, 150);
    for (const char *s : {"red", "green", "blue"})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 0, 0), 0);
    EXPECT_TRUE(commands().empty()) << "CB_SETCURSEL does not notify";

    click(combo);
    const HWND list = GetComboDropDownList(combo);
    ASSERT_NE(list, 0u);
    EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(codesOf(150), (std::vector<int>{CBN_DROPDOWN}));
    const int h = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    click(list, QPoint(10, 2 * h + h / 2));
    EXPECT_FALSE(IsWindow(list)) << "picking closes the list";
    EXPECT_EQ(GetComboDropDownList(combo), 0u);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(codesOf(150), (std::vector<int>{CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELCHANGE}));

    commands().clear();
    ASSERT_EQ(GetFocus(), combo);
    key(Qt::Key_Up);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(codesOf(150), (std::vector<int>{CBN_SELCHANGE}));
    char buffer[16] = {};
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "green");

    // Open by key, move in the list, Esc closes without choosing; Esc and
    // Enter there do not reach the dialog.
    commands().clear();
    key(Qt::Key_F4);
    ASSERT_NE(GetComboDropDownList(combo), 0u);
    key(Qt::Key_Down);
    key(Qt::Key_Escape);
    EXPECT_EQ(GetComboDropDownList(combo), 0u);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(commandsOf(IDCANCEL).empty());
    key(Qt::Key_F4);
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(commandsOf(IDOK).empty());

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 0, 0), CB_ERR);
}

TEST_F(ControlsTest, StaticShowsTextAndKeepsItsImage)
{
    DialogTemplate t = frame();
    t.items.push_back(item(160, "STATIC", "Label", SS_CENTER, 5, 5, 100, 12));
    t.items.push_back(item(161, "STATIC", "", SS_BITMAP, 5, 20, 20, 20));
    t.items.push_back(item(162, "STATIC", "", SS_ETCHEDHORZ, 5, 45, 100, 2));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    const HWND label = GetDlgItem(dlg, 160);
    UpdateWindow(label);
    const QImage before = WindowSurface(label);
    SetWindowTextA(label, "Other text");
    UpdateWindow(label);
    EXPECT_NE(WindowSurface(label), before);
    EXPECT_EQ(SendMessageA(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);

    const HWND picture = GetDlgItem(dlg, 161);
    const HBITMAP bmp = CreateBitmap(20, 20, 1, 32, nullptr);
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, bmp), 0);
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), static_cast<LRESULT>(bmp));
    UpdateWindow(picture);
    const HDC hdc = GetDC(picture);
    EXPECT_EQ(GetPixel(hdc, 5, 5), RGB(0, 0, 0)) << "the bitmap (all black) is shown";
    ReleaseDC(picture, hdc);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, 0);
    DeleteObject(bmp);

    const HWND line = GetDlgItem(dlg, 162);
    UpdateWindow(line);
    const HDC ldc = GetDC(line);
    EXPECT_EQ(GetPixel(ldc, 3, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(ldc, 3, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    ReleaseDC(line, ldc);
}

} // namespace
