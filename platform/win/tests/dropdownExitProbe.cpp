// Run by dropdown_test as a process of its own: a drop-down still shown, its
// watch still running, when the application object goes (the end of a
// program), and hidden after it, as a combo hides its list when it is
// destroyed. Exit code 0 when the process came through; 2-4 when the scene
// could not be set up.
#include "platform/win/dropdown.h"
#include "platform/win/window.h"

#include <QApplication>

#include <memory>

using namespace platform::win;

int main(int argc, char **argv)
{
    HWND popup = 0;
    {
        auto app = std::make_unique<QApplication>(argc, argv);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "ProbeWindow";
        RegisterClassA(&wc);
        const HWND anchor =
            CreateWindowExA(0, "ProbeWindow", "anchor", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100, 0, 0, 0, nullptr);
        popup = CreateWindowExA(0, "ProbeWindow", "", WS_POPUP, 10, 110, 200, 80, 0, 0, 0, nullptr);
        if (!anchor || !popup)
            return 2;
        if (!ShowDropDown(popup, anchor))
            return 3;
        QApplication::processEvents();
        if (!IsDropDownShown(popup))
            return 4;
        app.reset();
    }
    HideDropDown(popup);
    return 0;
}
