// The "RyxNumberLgtX" numeric field of the base library, driven as the
// property pages drive it: private messages with VARIANTs, and real keys.
#include "zobase7/RyxNumberProtocol.h"

#include "platform/com/automation.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace platform::win;
namespace com = platform::com;
namespace number = zobase7::number;

namespace {

struct Note {
    int id;
    int code;
    HWND from;
};
std::vector<Note> g_notes;

LONG_PTR recordingProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND)
        g_notes.push_back({LOWORD(wParam), HIWORD(wParam), static_cast<HWND>(lParam)});
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

class NumberFieldTest : public ::testing::Test {
protected:
    static constexpr int kField = 100;
    static constexpr int kOther = 101;

    void SetUp() override
    {
        m_library = dlopen(ZOBASE7_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_library, nullptr) << dlerror();
        DialogTemplate t;
        t.style = WS_POPUP | WS_VISIBLE | DS_SETFONT;
        t.cx = 120;
        t.cy = 40;
        t.items.push_back({kField, "RyxNumberLgtX", "", WS_VISIBLE | WS_TABSTOP, 0, 4, 4, 60, 12});
        t.items.push_back({kOther, "EDIT", "", WS_VISIBLE | WS_TABSTOP, 0, 4, 20, 60, 12});
        m_dialog = CreateDialogIndirectParamA(0, &t, 0, recordingProc, 0);
        ASSERT_TRUE(IsWindow(m_dialog));
        m_field = GetDlgItem(m_dialog, kField);
        ASSERT_TRUE(IsWindow(m_field));
        g_notes.clear();
    }
    void TearDown() override
    {
        if (IsWindow(m_dialog))
            DestroyWindow(m_dialog);
        if (m_library)
            dlclose(m_library);
    }

    double get(UINT msg)
    {
        com::VARIANT v;
        v.vt = com::VT_R8;
        SendMessageA(m_field, msg, 0, reinterpret_cast<LPARAM>(&v));
        EXPECT_EQ(v.vt, com::VT_R8);
        return v.dblVal;
    }
    void setR8(UINT msg, double value)
    {
        com::VARIANT v;
        v.vt = com::VT_R8;
        v.dblVal = value;
        SendMessageA(m_field, msg, 0, reinterpret_cast<LPARAM>(&v));
    }
    // As the pages put a value: prepare, then a VT_I2.
    void setI2(int16_t value)
    {
        SendMessageA(m_field, number::Prepare, 1, 0);
        com::VARIANT v;
        v.vt = com::VT_I2;
        v.iVal = value;
        EXPECT_EQ(SendMessageA(m_field, number::SetValue, 0, reinterpret_cast<LPARAM>(&v)), 1);
    }
    std::string text()
    {
        char buffer[64] = {};
        GetWindowTextA(m_field, buffer, sizeof buffer);
        return buffer;
    }
    void type(const char *keys)
    {
        SetFocus(m_field);
        QTest::keyClicks(WidgetOfWindow(m_field), keys);
    }
    int changes() const
    {
        return static_cast<int>(std::count_if(g_notes.begin(), g_notes.end(), [this](const Note &n) {
            return n.id == kField && n.code == EN_CHANGE && n.from == m_field;
        }));
    }

    void *m_library = nullptr;
    HWND m_dialog = 0;
    HWND m_field = 0;
};

TEST_F(NumberFieldTest, TypedDigitsAndALeadingSignMakeTheValueAndEachChangeIsReported)
{
    setR8(number::SetMinimum, -99999);
    type("-12a3");
    EXPECT_EQ(text(), "-123") << "the letter is refused";
    EXPECT_DOUBLE_EQ(get(number::GetValue), -123);
    EXPECT_EQ(changes(), 4);

    // A second sign, or one behind digits, is refused.
    QTest::keyClick(WidgetOfWindow(m_field), Qt::Key_Home);
    QTest::keyClicks(WidgetOfWindow(m_field), "-");
    QTest::keyClick(WidgetOfWindow(m_field), Qt::Key_End);
    QTest::keyClicks(WidgetOfWindow(m_field), "-");
    EXPECT_EQ(text(), "-123");

    // Backspace and Delete edit at the caret.
    QTest::keyClick(WidgetOfWindow(m_field), Qt::Key_Backspace);
    EXPECT_EQ(text(), "-12");
    QTest::keyClick(WidgetOfWindow(m_field), Qt::Key_Home);
    QTest::keyClick(WidgetOfWindow(m_field), Qt::Key_Delete);
    EXPECT_EQ(text(), "12");
    EXPECT_DOUBLE_EQ(get(number::GetValue), 12);
}

TEST_F(NumberFieldTest, ASignIsRefusedWhenTheMinimumIsNotNegativeAndDigitsAreLimited)
{
    setR8(number::SetMinimum, 0);
    SendMessageA(m_field, number::SetIntegerDigits, 5, 0);
    type("-123456");
    EXPECT_EQ(text(), "12345");
    EXPECT_DOUBLE_EQ(get(number::GetValue), 12345);
}

TEST_F(NumberFieldTest, FocusByTabSelectsAllSoTypingReplacesTheNumber)
{
    setI2(250);
    SetFocus(GetDlgItem(m_dialog, kOther));
    QTest::keyClick(WidgetOfWindow(GetDlgItem(m_dialog, kOther)), Qt::Key_Tab);
    ASSERT_EQ(GetFocus(), m_field);
    QTest::keyClicks(WidgetOfWindow(m_field), "7");
    EXPECT_EQ(text(), "7");
}

TEST_F(NumberFieldTest, LimitsAndValuesTravelAsVariantsAndAnOutOfRangeValueIsKept)
{
    setR8(number::SetMinimum, 0);
    setR8(number::SetMaximum, 32767);
    EXPECT_DOUBLE_EQ(get(number::GetMinimum), 0);
    EXPECT_DOUBLE_EQ(get(number::GetMaximum), 32767);

    setI2(-25);
    EXPECT_EQ(text(), "-25");
    EXPECT_DOUBLE_EQ(get(number::GetValue), -25);
    EXPECT_GE(changes(), 1);

    // The caller checks the range: a typed 40000 stays as typed.
    SendMessageA(m_field, EM_SETSEL, 0, -1);
    type("40000");
    EXPECT_DOUBLE_EQ(get(number::GetValue), 40000);

    // A VARIANT that is no number changes nothing.
    com::VARIANT bad;
    bad.vt = com::VT_BSTR;
    bad.bstrVal = com::SysAllocString(u"x");
    EXPECT_EQ(SendMessageA(m_field, number::SetValue, 0, reinterpret_cast<LPARAM>(&bad)), 0);
    com::VariantClear(&bad);
    EXPECT_DOUBLE_EQ(get(number::GetValue), 40000);
    // An empty field reads as 0.
    SetWindowTextA(m_field, "");
    EXPECT_DOUBLE_EQ(get(number::GetValue), 0);
    // Text that is no number is refused.
    EXPECT_EQ(SendMessageA(m_field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc")), FALSE);
}

TEST_F(NumberFieldTest, MarginsComeBackAsTopAndBottomWords)
{
    SendMessageA(m_field, number::SetMargins, MAKELONG(3, 7), 0);
    const auto answer = static_cast<std::uintptr_t>(SendMessageA(m_field, number::GetMargins, 0, 0));
    EXPECT_EQ(LOWORD(answer), 3);
    EXPECT_EQ(HIWORD(answer), 7);
}

TEST_F(NumberFieldTest, TheFixedSingleBorderIsDrawnSunkenIn3D)
{
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    UpdateWindow(m_field);
    EXPECT_EQ(WindowSurface(m_field).pixel(0, 0), qRgb(GetRValue(window), GetGValue(window), GetBValue(window)));
    SendMessageA(m_field, number::SetBorderStyle, 1, 0);
    SendMessageA(m_field, number::SetAppearance, 1, 0);
    UpdateWindow(m_field);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(WindowSurface(m_field).pixel(0, 0), qRgb(GetRValue(shadow), GetGValue(shadow), GetBValue(shadow)));
}

} // namespace
