// The dialog manager: templates, dialog units, focus rules, keyboard
// navigation with real key input, modal loops and the item helpers.
#include "DialogTestSupport.h"

#include <QDir>

#include <QApplication>

using namespace wintest;

namespace {

TEST_F(DialogTest, ItemsAreLaidOutInDialogUnitsOfTheDialogFont)
{
    DialogTemplate t = frame(222, 185);
    t.items.push_back(item(1, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 20, 50, 14));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);

    // The base units are those of the template's font, measured as Win32 does.
    const HFONT font = static_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    ASSERT_NE(font, 0u);
    const HDC hdc = CreateCompatibleDC(0);
    SelectObject(hdc, font);
    TEXTMETRICA tm;
    SIZE letters;
    GetTextMetricsA(hdc, &tm);
    GetTextExtentPoint32A(hdc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    DeleteDC(hdc);
    const int bx = (letters.cx / 26 + 1) / 2, by = tm.tmHeight;
    ASSERT_GT(bx, 2);

    RECT client;
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, (222 * bx + 2) / 4);
    EXPECT_EQ(client.bottom, (185 * by + 4) / 8);
    RECT r{10, 20, 60, 34};
    ASSERT_TRUE(MapDialogRect(dlg, &r));
    RECT button;
    GetWindowRect(GetDlgItem(dlg, 1), &button);
    POINT origin{0, 0};
    ClientToScreen(dlg, &origin);
    EXPECT_EQ(button.left - origin.x, r.left);
    EXPECT_EQ(button.top - origin.y, r.top);
    EXPECT_EQ(button.right - button.left, r.right - r.left);
    EXPECT_EQ(button.bottom - button.top, r.bottom - r.top);
    EXPECT_EQ(SendMessageA(GetDlgItem(dlg, 1), WM_GETFONT, 0, 0), static_cast<LRESULT>(font))
        << "every item gets the dialog font";
    EXPECT_FALSE(MapDialogRect(GetDlgItem(dlg, 1), &r)) << "only dialogs map dialog units";
}

TEST_F(DialogTest, InitDialogReturningTrueFocusesTheFirstTabStopAndFalseLeavesFocusAlone)
{
    DialogTemplate t = frame();
    t.items.push_back(item(5, "STATIC", "label", SS_LEFT, 5, 5, 40, 10));
    t.items.push_back(item(6, "EDIT", "", WS_TABSTOP | WS_DISABLED, 5, 20, 40, 12));
    t.items.push_back(item(7, "EDIT", "", WS_TABSTOP, 5, 35, 40, 12));
    HWND firstSeen = 0;
    dialogHook() = [&](HWND, UINT msg, WPARAM wParam, LPARAM) -> LONG_PTR {
        if (msg == WM_INITDIALOG)
            firstSeen = static_cast<HWND>(wParam);
        return 0;
    };
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    EXPECT_EQ(firstSeen, GetDlgItem(dlg, 7)) << "wParam: the first enabled tab stop";
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 7));

    SetFocus(0);
    initDialogResult() = FALSE;
    const HWND second = modeless(t);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(GetFocus(), 0u);
}

TEST_F(DialogTest, TabAndShiftTabFollowCreationOrderSkippingHiddenAndDisabledItems)
{
    DialogTemplate t = frame();
    t.items.push_back(item(10, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    t.items.push_back(item(11, "BUTTON", "hidden", WS_TABSTOP, 5, 20, 60, 14));
    t.items.back().style &= ~WS_VISIBLE;
    t.items.push_back(item(12, "BUTTON", "disabled", WS_TABSTOP | WS_DISABLED, 5, 35, 60, 14));
    t.items.push_back(item(13, "STATIC", "no stop", SS_LEFT, 5, 50, 60, 10));
    t.items.push_back(item(14, "BUTTON", "check", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 62, 60, 12));
    t.items.push_back(item(15, "BUTTON", "push", BS_PUSHBUTTON | WS_TABSTOP, 5, 76, 60, 14));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 10));

    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 14));
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 15));
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 10)) << "wraps to the first";
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 15)) << "Shift+Tab wraps back to the last";

    // Enabling and showing brings the skipped items into the order.
    EnableWindow(GetDlgItem(dlg, 12), TRUE);
    ShowWindow(GetDlgItem(dlg, 11), SW_SHOW);
    SetFocus(GetDlgItem(dlg, 10));
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 11));
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 12));
    EXPECT_TRUE(commands().empty() || std::none_of(commands().begin(), commands().end(),
                                                   [](const Command &c) { return c.code == BN_CLICKED; }))
        << "Tab clicks nothing";
    EXPECT_EQ(itemText(dlg, 10), "") << "the Tab character is not typed into the edit";
}

TEST_F(DialogTest, ItemsMadeWithoutWsVisibleStayHiddenWhenTheDialogShowsUntilShownThemselves)
{
    // The dialog is made hidden and shown afterwards, as a property sheet
    // or an About box is; one item starts hidden and shows later.
    DialogTemplate t = frame();
    t.style &= ~WS_VISIBLE;
    t.items.push_back(item(20, "STATIC", "credits", SS_LEFT, 5, 5, 120, 40));
    t.items.back().style &= ~WS_VISIBLE;
    t.items.push_back(item(21, "BUTTON", "OK", BS_PUSHBUTTON | WS_TABSTOP, 5, 60, 60, 14));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    ShowWindow(dlg, SW_SHOW);
    QWidget *dialog = WidgetOfWindow(dlg);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    QWidget *hidden = WidgetOfWindow(GetDlgItem(dlg, 20));
    QWidget *shown = WidgetOfWindow(GetDlgItem(dlg, 21));
    ASSERT_TRUE(hidden && shown);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, 20)));
    EXPECT_FALSE(hidden->isVisible()) << "a hidden item is not painted with its dialog";
    EXPECT_TRUE(shown->isVisible());
    // The hidden item's area shows the dialog, not the item's white surface.
    const QPoint inside = hidden->geometry().center();
    const QImage picture = dialog->grab().toImage();
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!artifacts.isEmpty() && QDir().mkpath(artifacts))
        picture.save(artifacts + QStringLiteral("/dialog_hidden_item.png"));
    EXPECT_NE(picture.pixelColor(hidden->mapTo(dialog, hidden->rect().center())), QColor(Qt::white))
        << "at " << inside.x() << "," << inside.y();

    ShowWindow(GetDlgItem(dlg, 20), SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, 20)));
    EXPECT_TRUE(hidden->isVisible());
    ShowWindow(GetDlgItem(dlg, 20), SW_HIDE);
    EXPECT_FALSE(hidden->isVisible());

    // A hidden child of a hidden top-level window stays hidden when the
    // window shows, also without a dialog.
    const HWND top = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 60, 0, 0, 0, nullptr);
    const HWND child = CreateWindowExA(0, "STATIC", "x", WS_CHILD, 5, 5, 40, 20, top, 0, 0, nullptr);
    ASSERT_TRUE(top && child);
    ShowWindow(top, SW_SHOW);
    EXPECT_TRUE(WidgetOfWindow(top)->isVisible());
    EXPECT_FALSE(WidgetOfWindow(child)->isVisible());
    DestroyWindow(top);
}

TEST_F(DialogTest, TabEntersAControlParentChildAndGetNextDlgTabItemAgrees)
{
    DialogTemplate t = frame();
    t.items.push_back(item(20, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    // A child page holding its own fields, as property pages are hosted.
    DialogTemplate page;
    page.style = WS_CHILD | WS_VISIBLE | DS_CONTROL | DS_SETFONT;
    page.exStyle = WS_EX_CONTROLPARENT;
    page.y = 20;
    page.cx = 100;
    page.cy = 60;
    page.items.push_back(item(30, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    page.items.push_back(item(31, "EDIT", "", WS_TABSTOP, 5, 20, 60, 12));
    initDialogResult() = FALSE;
    const HWND child = CreateDialogIndirectParamA(0, &page, dlg, RecordingDlgProc, 0);
    ASSERT_NE(child, 0u);
    EXPECT_EQ(GetParent(child), dlg);
    EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, 20), FALSE), GetDlgItem(child, 30));
    EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(child, 31), FALSE), GetDlgItem(dlg, 20));
    EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, 20), TRUE), GetDlgItem(child, 31));

    SetFocus(GetDlgItem(dlg, 20));
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(child, 30));
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(child, 31));
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 20));
}

TEST_F(DialogTest, EnterChoosesTheFocusedOrDefaultButtonAndEscapeCancels)
{
    DialogTemplate t = frame();
    t.items.push_back(item(40, "EDIT", "abc", WS_TABSTOP, 5, 5, 60, 12));
    t.items.push_back(item(41, "BUTTON", "go", BS_PUSHBUTTON | WS_TABSTOP, 5, 20, 60, 14));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 40));
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), 0) << "no default button yet";

    key(Qt::Key_Return);
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0], (Command{IDOK, BN_CLICKED, 0})) << "no default: IDOK";
    EXPECT_EQ(itemText(dlg, 40), "abc") << "Enter types nothing into the edit";

    commands().clear();
    SendMessageA(dlg, DM_SETDEFID, 41, 0);
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(41, DC_HASDEFID));
    key(Qt::Key_Return);
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0], (Command{41, BN_CLICKED, GetDlgItem(dlg, 41)}));

    // A disabled default button takes Enter and does nothing.
    commands().clear();
    EnableWindow(GetDlgItem(dlg, 41), FALSE);
    key(Qt::Key_Return);
    EXPECT_TRUE(commands().empty());
    EnableWindow(GetDlgItem(dlg, 41), TRUE);

    commands().clear();
    key(Qt::Key_Escape);
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0], (Command{IDCANCEL, BN_CLICKED, 0}));

    // Focus on a push button: Enter presses that button.
    SendMessageA(dlg, DM_SETDEFID, IDOK, 0);
    SetFocus(GetDlgItem(dlg, 41));
    commands().clear();
    key(Qt::Key_Return);
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0].id, 41);
}

TEST_F(DialogTest, TheDefaultButtonOfTheTemplateAnswersDmGetdefid)
{
    DialogTemplate t = frame();
    t.items.push_back(item(50, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    t.items.push_back(item(51, "BUTTON", "def", BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 20, 60, 14));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(51, DC_HASDEFID));
    key(Qt::Key_Return);
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0].id, 51);
}

TEST_F(DialogTest, WmNextDlgCtlMovesByHandleOrDirectionAndSelectsEditText)
{
    DialogTemplate t = frame();
    t.items.push_back(item(60, "EDIT", "hello", WS_TABSTOP, 5, 5, 60, 12));
    t.items.push_back(item(61, "EDIT", "world", WS_TABSTOP, 5, 20, 60, 12));
    initDialogResult() = FALSE;
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    SendMessageA(dlg, WM_NEXTDLGCTL, GetDlgItem(dlg, 61), TRUE);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 61));
    DWORD start = 9, end = 9;
    SendDlgItemMessageA(dlg, 61, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u) << "an edit reached by navigation has its text selected";
    SendMessageA(dlg, WM_NEXTDLGCTL, 1, FALSE);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 60)) << "previous";
    SendMessageA(dlg, WM_NEXTDLGCTL, 0, FALSE);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 61)) << "next";
}

TEST_F(DialogTest, ArrowKeysMoveInsideARadioGroupAndCheckTheNewButton)
{
    DialogTemplate t = frame();
    t.items.push_back(item(70, "BUTTON", "a", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 5, 5, 60, 12));
    t.items.push_back(item(71, "BUTTON", "b", BS_AUTORADIOBUTTON, 5, 20, 60, 12));
    t.items.push_back(item(72, "BUTTON", "c", BS_AUTORADIOBUTTON, 5, 35, 60, 12));
    t.items.push_back(item(73, "BUTTON", "next group", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 5, 50, 60, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    CheckRadioButton(dlg, 70, 72, 70);
    SetFocus(GetDlgItem(dlg, 70));
    key(Qt::Key_Down);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 71));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 71), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 70), BST_UNCHECKED);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 70)) << "the group wraps; the next group is not entered";
    key(Qt::Key_Up);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 72));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 72), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 73), BST_UNCHECKED);
    // Tab leaves the group from its checked button.
    key(Qt::Key_Tab);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 73));
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 72)) << "the checked radio button is the group's tab stop";
}

TEST_F(DialogTest, ModalDialogDisablesItsOwnerAndEndsWithEndDialogsResult)
{
    const HWND owner = topLevel();
    DialogTemplate t = frame();
    t.style &= ~WS_VISIBLE;
    t.caption = ansi("設定の確認");
    t.items.push_back(item(IDOK, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 5, 50, 14));
    bool ownerEnabledWhileShown = true;
    bool ownerEnabledAfterEndDialog = false;
    QString title;
    bool topLevelWidget = false;
    bool ownerSurvivedItsCloseBox = false;
    SetDialogShownHook([&](HWND dlg) {
        ownerEnabledWhileShown = IsWindowEnabled(owner);
        // The disabled owner's close box does nothing.
        WidgetOfWindow(owner)->close();
        ownerSurvivedItsCloseBox = IsWindow(owner);
        QWidget *w = WidgetOfWindow(dlg);
        title = w->windowTitle();
        topLevelWidget = w->isWindow() && w->isVisible();
        click(GetDlgItem(dlg, IDOK));
    });
    dialogHook() = [&](HWND dlg, UINT msg, WPARAM wParam, LPARAM) -> LONG_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 77);
            ownerEnabledAfterEndDialog = IsWindowEnabled(owner);
            return TRUE;
        }
        return 0;
    };
    const int before = WindowCount();
    const LONG_PTR result = DialogBoxIndirectParamA(0, &t, owner, RecordingDlgProc, 0);
    EXPECT_EQ(result, 77);
    EXPECT_FALSE(ownerEnabledWhileShown);
    EXPECT_TRUE(ownerSurvivedItsCloseBox) << "a disabled window was closed";
    EXPECT_TRUE(ownerEnabledAfterEndDialog) << "EndDialog enables the owner before it returns";
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(title, QString::fromUtf8("設定の確認"));
    EXPECT_TRUE(topLevelWidget);
    EXPECT_EQ(WindowCount(), before) << "the dialog is destroyed when the call returns";
}

TEST_F(DialogTest, ModalLoopDeliversPostedMessagesAndKeys)
{
    const HWND owner = topLevel();
    DialogTemplate t = frame();
    t.items.push_back(item(80, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    constexpr UINT kFinish = WM_USER + 50;
    SetDialogShownHook([&](HWND dlg) {
        // Nothing ends the dialog here: the posted message does, from the loop.
        PostMessageA(dlg, kFinish, 5, 0);
    });
    std::string typed;
    dialogHook() = [&](HWND dlg, UINT msg, WPARAM wParam, LPARAM) -> LONG_PTR {
        if (msg == kFinish) {
            if (wParam == 5) {
                // Real keys while the modal loop runs: Esc ends it.
                typeText(QStringLiteral("xy"));
                typed = itemText(dlg, 80);
                key(Qt::Key_Escape);
            }
            return TRUE;
        }
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return 0;
    };
    EXPECT_EQ(DialogBoxIndirectParamA(0, &t, owner, RecordingDlgProc, 0), IDCANCEL);
    EXPECT_EQ(typed, "xy");
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(DialogTest, ClosingOrDestroyingAModalDialogEndsItsLoopAndFreesTheOwner)
{
    const HWND owner = topLevel();
    DialogTemplate t = frame();
    t.items.push_back(item(IDCANCEL, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 5, 5, 50, 14));
    // Qt closing the window (its frame's close button) asks for IDCANCEL.
    SetDialogShownHook([](HWND dlg) { WidgetOfWindow(dlg)->close(); });
    dialogHook() = [](HWND dlg, UINT msg, WPARAM wParam, LPARAM) -> LONG_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 9);
            return TRUE;
        }
        return 0;
    };
    EXPECT_EQ(DialogBoxIndirectParamA(0, &t, owner, RecordingDlgProc, 0), 9);
    EXPECT_TRUE(IsWindowEnabled(owner));

    // A disabled Cancel button keeps the dialog open on close.
    commands().clear();
    SetDialogShownHook([](HWND dlg) {
        EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
        SendMessageA(dlg, WM_CLOSE, 0, 0);
        PumpPostedMessages();
        EXPECT_TRUE(IsWindowVisible(dlg));
        // Destroyed without EndDialog: the loop still ends.
        DestroyWindow(dlg);
    });
    const int before = WindowCount();
    DialogBoxIndirectParamA(0, &t, owner, RecordingDlgProc, 0);
    EXPECT_TRUE(commands().empty());
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is not left disabled";
    EXPECT_EQ(WindowCount(), before);
}

TEST_F(DialogTest, ActivationSendsWmActivateAndBringsTheFocusBack)
{
    DialogTemplate t = frame();
    t.items.push_back(item(85, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    t.items.push_back(item(86, "EDIT", "", WS_TABSTOP, 5, 20, 60, 12));
    std::vector<WPARAM> activations;
    dialogHook() = [&](HWND, UINT msg, WPARAM wParam, LPARAM) -> LONG_PTR {
        if (msg == WM_ACTIVATE)
            activations.push_back(wParam);
        return 0;
    };
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    QWidget *w = WidgetOfWindow(dlg);
    w->activateWindow();
    QTest::qWait(50);
    key(Qt::Key_Tab);
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 86));

    QWidget other;
    other.resize(40, 40);
    other.show();
    other.activateWindow();
    QTest::qWait(50);
    EXPECT_NE(GetFocus(), GetDlgItem(dlg, 86)) << "the focus left with the dialog";
    w->activateWindow();
    QTest::qWait(50);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 86)) << "and comes back to the same control";
    ASSERT_GE(activations.size(), 2u);
    EXPECT_EQ(LOWORD(activations[activations.size() - 2]), WA_INACTIVE);
    EXPECT_EQ(LOWORD(activations.back()), WA_ACTIVE);
}

TEST_F(DialogTest, AChildOwnerMeansItsTopLevelWindowIsDisabled)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    DialogTemplate t = frame();
    bool topDisabled = false, kidEnabled = false;
    SetDialogShownHook([&](HWND dlg) {
        topDisabled = !IsWindowEnabled(top);
        kidEnabled = IsWindowEnabled(kid);
        EXPECT_EQ(GetDialogOwner(dlg), top);
        EndDialog(dlg, 3);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(0, &t, kid, RecordingDlgProc, 0), 3);
    EXPECT_TRUE(topDisabled);
    EXPECT_TRUE(kidEnabled);
    EXPECT_TRUE(IsWindowEnabled(top));
}

TEST_F(DialogTest, TemplatesByIdPerModuleAndFailedCreation)
{
    constexpr HINSTANCE kModuleA = 0x1000, kModuleB = 0x2000;
    DialogTemplate t = frame();
    t.items.push_back(item(IDOK, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 5, 50, 14));
    RegisterDialogTemplate(kModuleA, 300, t);
    EXPECT_NE(FindDialogTemplate(kModuleA, 300), nullptr);
    EXPECT_EQ(FindDialogTemplate(kModuleB, 300), nullptr) << "each module has its own table";

    SetDialogShownHook([](HWND dlg) { key(Qt::Key_Return); (void)dlg; });
    dialogHook() = [](HWND dlg, UINT msg, WPARAM wParam, LPARAM) -> LONG_PTR {
        if (msg == WM_COMMAND) {
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        return 0;
    };
    EXPECT_EQ(DialogBoxParamA(kModuleA, MAKEINTRESOURCEA(300), 0, RecordingDlgProc, 0), IDOK);
    EXPECT_EQ(DialogBoxParamA(kModuleB, MAKEINTRESOURCEA(300), 0, RecordingDlgProc, 0), -1);
    EXPECT_EQ(CreateDialogParamA(kModuleB, MAKEINTRESOURCEA(300), 0, RecordingDlgProc, 0), 0u);

    // A control of an unknown class fails the whole dialog and leaves nothing behind.
    DialogTemplate bad = frame();
    bad.items.push_back(item(1, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    bad.items.push_back(item(2, "NoSuchClass", "", 0, 5, 20, 60, 12));
    const int before = WindowCount();
    EXPECT_EQ(DialogBoxIndirectParamA(0, &bad, 0, RecordingDlgProc, 0), -1);
    EXPECT_EQ(WindowCount(), before);
    EXPECT_TRUE(UnregisterDialogTemplate(kModuleA, 300));
    EXPECT_FALSE(UnregisterDialogTemplate(kModuleA, 300));
}

TEST_F(DialogTest, MessageResultAndDirectAnswers)
{
    DialogTemplate t = frame();
    constexpr UINT kAsk = WM_USER + 60;
    dialogHook() = [](HWND dlg, UINT msg, WPARAM, LPARAM) -> LONG_PTR {
        if (msg == kAsk) {
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 1234);
            return TRUE;
        }
        return 0;
    };
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    EXPECT_EQ(SendMessageA(dlg, kAsk, 0, 0), 1234) << "a handled message answers DWLP_MSGRESULT";
    EXPECT_EQ(GetWindowLongPtrA(dlg, DWLP_DLGPROC), reinterpret_cast<LONG_PTR>(&RecordingDlgProc));
    // Subclassing the dialog procedure through DWLP_DLGPROC.
    static int calls = 0;
    calls = 0;
    SetWindowLongPtrA(dlg, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(+[](HWND, UINT msg, WPARAM, LPARAM) -> LONG_PTR {
                          if (msg == WM_USER + 61)
                              ++calls;
                          return FALSE;
                      }));
    SendMessageA(dlg, WM_USER + 61, 0, 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(SendMessageA(dlg, kAsk, 0, 0), 0) << "the replaced procedure no longer answers";
}

TEST_F(DialogTest, ItemTextAndNumbers)
{
    DialogTemplate t = frame();
    t.items.push_back(item(90, "EDIT", "", WS_TABSTOP, 5, 5, 60, 12));
    const HWND dlg = modeless(t);
    ASSERT_NE(dlg, 0u);
    BOOL ok = FALSE;
    EXPECT_TRUE(SetDlgItemInt(dlg, 90, static_cast<UINT>(-12), TRUE));
    EXPECT_EQ(itemText(dlg, 90), "-12");
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(dlg, 90, &ok, TRUE)), -12);
    EXPECT_TRUE(ok);
    GetDlgItemInt(dlg, 90, &ok, FALSE);
    EXPECT_FALSE(ok) << "a sign is not a number when unsigned";
    SetDlgItemTextA(dlg, 90, "  42 ");
    EXPECT_EQ(GetDlgItemInt(dlg, 90, &ok, FALSE), 42u);
    EXPECT_TRUE(ok);
    SetDlgItemTextA(dlg, 90, "12x");
    EXPECT_EQ(GetDlgItemInt(dlg, 90, &ok, TRUE), 0u);
    EXPECT_FALSE(ok);
    SetDlgItemTextA(dlg, 90, "99999999999");
    GetDlgItemInt(dlg, 90, &ok, TRUE);
    EXPECT_FALSE(ok) << "out of range";
    SetDlgItemTextA(dlg, 90, "");
    GetDlgItemInt(dlg, 90, &ok, TRUE);
    EXPECT_FALSE(ok);

    char small[4] = "zzz";
    EXPECT_EQ(GetDlgItemTextA(dlg, 999, small, sizeof small), 0u);
    EXPECT_EQ(small[0], 0) << "an unknown item gives an empty text";
    EXPECT_EQ(SendDlgItemMessageA(dlg, 999, WM_GETTEXTLENGTH, 0, 0), 0);
}

} // namespace
