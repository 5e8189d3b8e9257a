#pragma once
// A recording dialog procedure and template builders for the dialog and
// control tests.
#include "WinTestSupport.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/codepage/codepage.h"

#include <QTest>

namespace wintest {

struct Command {
    int id;
    int code;
    HWND control;
    friend bool operator==(const Command &, const Command &) = default;
};

inline std::vector<Command> &commands()
{
    static std::vector<Command> c;
    return c;
}

// What the test's dialog procedure does beyond recording WM_COMMAND.
using DialogHook = std::function<LONG_PTR(HWND, UINT, WPARAM, LPARAM)>;
inline DialogHook &dialogHook()
{
    static DialogHook h;
    return h;
}
inline LONG_PTR &initDialogResult()
{
    static LONG_PTR r = TRUE;
    return r;
}

inline LONG_PTR RecordingDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND)
        commands().push_back({LOWORD(wParam), HIWORD(wParam), static_cast<HWND>(lParam)});
    if (dialogHook())
        if (LONG_PTR r = dialogHook()(dlg, msg, wParam, lParam))
            return r;
    return msg == WM_INITDIALOG ? initDialogResult() : FALSE;
}

inline DialogItemTemplate item(int id, const char *cls, const char *text, DWORD style, int x, int y, int cx, int cy,
                               DWORD exStyle = 0)
{
    return DialogItemTemplate{id, cls, text, style | WS_VISIBLE, exStyle, x, y, cx, cy};
}

inline std::string ansi(const char *utf8) { return platform::codepage::toAnsi(QString::fromUtf8(utf8)).toStdString(); }

class DialogTest : public WinTest {
protected:
    void SetUp() override
    {
        WinTest::SetUp();
        commands().clear();
        dialogHook() = nullptr;
        initDialogResult() = TRUE;
    }
    void TearDown() override
    {
        // The hooks may refer to the test's locals: they go first.
        SetDialogShownHook(nullptr);
        dialogHook() = nullptr;
        for (HWND d : m_dialogs)
            DestroyWindow(d);
        WinTest::TearDown();
    }
    HWND modeless(const DialogTemplate &t, HWND owner = 0)
    {
        const HWND d = CreateDialogIndirectParamA(0, &t, owner, RecordingDlgProc, 0);
        if (d)
            m_dialogs.push_back(d);
        commands().clear(); // the notifications of the initial focus
        return d;
    }
    static DialogTemplate frame(int cx = 200, int cy = 120)
    {
        DialogTemplate t;
        t.style |= WS_VISIBLE;
        t.caption = "Test";
        t.cx = cx;
        t.cy = cy;
        return t;
    }
    // Real key input on the window that has the focus.
    static void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget *w = WidgetOfWindow(GetFocus());
        ASSERT_NE(w, nullptr) << "no window has the focus";
        QTest::keyClick(w, k, mods);
    }
    static void typeText(const QString &text)
    {
        QWidget *w = WidgetOfWindow(GetFocus());
        ASSERT_NE(w, nullptr);
        for (QChar ch : text) {
            if (ch.unicode() < 0x80)
                QTest::keyClick(w, ch.toLatin1());
            else // a character without a key of its own, as an input method gives
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
    }
    static void click(HWND control, QPoint at = QPoint(-1, -1))
    {
        QWidget *w = WidgetOfWindow(control);
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, at.x() < 0 ? w->rect().center() : at);
    }
    static std::string itemText(HWND dlg, int id)
    {
        char buffer[256] = {};
        GetDlgItemTextA(dlg, id, buffer, sizeof buffer);
        return buffer;
    }
    std::vector<HWND> m_dialogs;
};

} // namespace wintest
