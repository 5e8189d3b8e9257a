// The base library's window classes: there while it is loaded, global so
// that a control library superclasses them, gone when it is unloaded.
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace platform::win;

namespace {

bool classInfo(const char *name, WNDCLASSA *wc = nullptr)
{
    WNDCLASSA local;
    return GetClassInfoA(0, name, wc ? wc : &local) == TRUE;
}

class BaseLibraryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        unload();
        UnregisterClassA("ComboEdit", 0);
        UnregisterClassA("RyxNumberLgtX", 0);
    }
    void load()
    {
        m_handle = dlopen(ZOBASE7_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << dlerror();
    }
    void unload()
    {
        if (m_handle)
            dlclose(std::exchange(m_handle, nullptr));
    }
    bool registeredAtLoad()
    {
        auto f = reinterpret_cast<bool (*)()>(dlsym(m_handle, "ZoBase7ClassesRegistered"));
        return f && f();
    }
    void *m_handle = nullptr;
};

TEST_F(BaseLibraryTest, LoadingRegistersBothGlobalClassesAndUnloadingRemovesThem)
{
    ASSERT_FALSE(classInfo("RyxCombo"));
    load();
    EXPECT_TRUE(registeredAtLoad());
    WNDCLASSA combo, number;
    ASSERT_TRUE(classInfo("RyxCombo", &combo));
    ASSERT_TRUE(classInfo("ryxnumberlgtx", &number)) << "class names ignore ASCII case";
    EXPECT_TRUE(combo.style & CS_GLOBALCLASS);
    EXPECT_TRUE(number.style & CS_GLOBALCLASS);
    EXPECT_TRUE(combo.style & CS_DBLCLKS) << "the combo's list opens on double clicks";
    EXPECT_NE(combo.hInstance, 0u) << "the library's own instance";
    unload();
    EXPECT_FALSE(classInfo("RyxCombo"));
    EXPECT_FALSE(classInfo("RyxNumberLgtX"));
}

TEST_F(BaseLibraryTest, ASuperclassDrawsItsBackgroundAndTakesCharactersAndArrows)
{
    load();
    WNDCLASSA wc;
    ASSERT_TRUE(classInfo("RyxCombo", &wc));
    // As a control library superclasses it: its own name and background.
    wc.lpszClassName = "ComboEdit";
    wc.hInstance = 0;
    wc.hbrBackground = CreateSolidBrush(RGB(200, 10, 20));
    ASSERT_NE(RegisterClassA(&wc), 0);
    const HWND edit = CreateWindowExA(0, "ComboEdit", "abc", WS_POPUP | WS_VISIBLE, 0, 0, 40, 20, 0, 0, 0, nullptr);
    const HWND number = CreateWindowExA(0, "RyxNumberLgtX", "", WS_POPUP, 0, 0, 30, 10, 0, 0, 0, nullptr);
    ASSERT_TRUE(IsWindow(edit));
    ASSERT_TRUE(IsWindow(number));
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
    EXPECT_EQ(SendMessageA(number, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
    InvalidateRect(edit, nullptr, TRUE);
    UpdateWindow(edit);
    const QImage surface = WindowSurface(edit);
    ASSERT_FALSE(surface.isNull());
    EXPECT_EQ(surface.pixel(0, 0), qRgb(200, 10, 20));
    EXPECT_EQ(surface.pixel(39, 19), qRgb(200, 10, 20));
    // The text is drawn in the window text colour, from the left for the
    // combo's field and from the right for the number field.
    auto inkColumns = [](const QImage &img, QRgb background) {
        int first = -1, last = -1;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (img.pixel(x, y) != background) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
        return std::pair{first, last};
    };
    const auto [editFirst, editLast] = inkColumns(surface, qRgb(200, 10, 20));
    EXPECT_GE(editFirst, 2);
    EXPECT_LT(editFirst, 10) << "left-aligned";
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    bool inkFound = false;
    for (int x = 0; x < 40 && !inkFound; ++x)
        for (int y = 0; y < 20 && !inkFound; ++y)
            inkFound = surface.pixel(x, y) == qRgb(GetRValue(ink), GetGValue(ink), GetBValue(ink));
    EXPECT_TRUE(inkFound);

    ShowWindow(number, SW_SHOW);
    SetWindowTextA(number, "12");
    UpdateWindow(number);
    const QImage numberSurface = WindowSurface(number);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const auto [numberFirst, numberLast] =
        inkColumns(numberSurface, qRgb(GetRValue(window), GetGValue(window), GetBValue(window)));
    EXPECT_GT(numberFirst, 5) << "right-aligned";
    EXPECT_LE(numberLast, 27);
    EXPECT_GE(numberLast, 22);

    // An empty text draws nothing but the background.
    SetWindowTextA(number, "");
    UpdateWindow(number);
    EXPECT_EQ(inkColumns(WindowSurface(number), qRgb(GetRValue(window), GetGValue(window), GetBValue(window))).first,
              -1);

    // The font given is kept and handed back.
    const HFONT font = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, "Tahoma");
    SendMessageA(number, WM_SETFONT, font, TRUE);
    EXPECT_EQ(static_cast<HFONT>(SendMessageA(number, WM_GETFONT, 0, 0)), font);
    DestroyWindow(edit);
    DestroyWindow(number);
    DeleteObject(font);
    const HBRUSH brush = wc.hbrBackground;
    EXPECT_TRUE(UnregisterClassA("ComboEdit", 0));
    DeleteObject(brush);
}

TEST_F(BaseLibraryTest, ATakenClassNameLeavesNoneOfItsClassesBehind)
{
    WNDCLASSA wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "RyxNumberLgtX";
    ASSERT_NE(RegisterClassA(&wc), 0);
    load();
    EXPECT_FALSE(registeredAtLoad());
    EXPECT_FALSE(classInfo("RyxCombo")) << "the class registered first is taken back";
    WNDCLASSA mine;
    ASSERT_TRUE(classInfo("RyxNumberLgtX", &mine));
    EXPECT_EQ(mine.lpfnWndProc, &DefWindowProcA) << "the other owner's class is left alone";
    unload();
    EXPECT_TRUE(classInfo("RyxNumberLgtX"));
}

} // namespace
