#pragma once
// A recording window procedure for the window-layer tests: every message any
// recorded window receives is logged in order, and a test may hook a window
// to answer messages itself before the default procedure runs.
#include "platform/win/window.h"
#include "platform/win/gdi.h"
#include "platform/com/olecolor.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

using namespace platform::win;

struct Rec {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    friend bool operator==(const Rec &, const Rec &) = default;
};

inline std::vector<Rec> &log()
{
    static std::vector<Rec> l;
    return l;
}

using Hook = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;
inline std::map<HWND, Hook> &hooks()
{
    static std::map<HWND, Hook> h;
    return h;
}
// Hook for the window being created (its handle is not known yet).
inline Hook &creationHook()
{
    static Hook h;
    return h;
}

inline LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    log().push_back({hwnd, msg, wParam, lParam});
    auto it = hooks().find(hwnd);
    if (it != hooks().end()) {
        Hook hook = it->second; // the hook may erase itself
        if (auto r = hook(hwnd, msg, wParam, lParam))
            return *r;
    } else if (creationHook()) {
        if (auto r = creationHook()(hwnd, msg, wParam, lParam))
            return *r;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The logged message numbers, optionally for one window and without the
// given noise (mouse moves, painting).
inline std::vector<UINT> messages(HWND only = 0, std::vector<UINT> skip = {})
{
    std::vector<UINT> out;
    for (const Rec &r : log())
        if ((!only || r.hwnd == only) && std::find(skip.begin(), skip.end(), r.msg) == skip.end())
            out.push_back(r.msg);
    return out;
}

inline std::vector<Rec> recordsOf(UINT msg)
{
    std::vector<Rec> out;
    for (const Rec &r : log())
        if (r.msg == msg)
            out.push_back(r);
    return out;
}

class WinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        log().clear();
        hooks().clear();
        creationHook() = nullptr;
        registerClass("TestPlain", 0);
        registerClass("TestDbl", CS_DBLCLKS);
        m_windowsBefore = WindowCount();
    }
    void TearDown() override
    {
        for (HWND h : m_created)
            DestroyWindow(h);
        hooks().clear();
        creationHook() = nullptr;
        PumpPostedMessages();
        while (PeekMessageA(nullptr, 0, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassA("TestPlain", 0);
        UnregisterClassA("TestDbl", 0);
        EXPECT_EQ(WindowCount(), m_windowsBefore) << "windows left alive";
    }
    static void registerClass(const char *name, UINT style, HBRUSH background = 0)
    {
        WNDCLASSA wc;
        wc.style = style;
        wc.lpfnWndProc = RecordingProc;
        wc.cbWndExtra = 2 * sizeof(LONG_PTR);
        wc.hbrBackground = background;
        wc.lpszClassName = name;
        RegisterClassA(&wc);
    }
    HWND topLevel(const char *cls = "TestPlain", int w = 200, int h = 100)
    {
        const HWND hwnd = CreateWindowExA(0, cls, "top", WS_POPUP | WS_VISIBLE, 10, 10, w, h, 0, 0, 0, nullptr);
        m_created.push_back(hwnd);
        if (QWidget *widget = WidgetOfWindow(hwnd))
            widget->show();
        return hwnd;
    }
    HWND child(HWND parent, const char *cls = "TestPlain", int x = 10, int y = 10, int w = 80, int h = 40, int id = 1)
    {
        return CreateWindowExA(0, cls, "child", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                               static_cast<HMENU>(id), 0, nullptr);
    }
    int m_windowsBefore = 0;
    std::vector<HWND> m_created;
};

} // namespace wintest
