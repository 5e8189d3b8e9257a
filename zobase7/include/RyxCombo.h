#pragma once
// The "RyxCombo" window class of zobase7: an edit field with a spin button,
// a drop-down button and a pop-up list of combo items, driven by the private
// messages of RyxComboProtocol.h.
#include "platform/win/wintypes.h"

#include <string>

#if defined(__GNUC__)
#define ZOBASE7_API __attribute__((visibility("default")))
#else
#define ZOBASE7_API
#endif

namespace zobase7 {

// Registers "RyxCombo" (global class, double clicks) and its list class
// "RyxComboList"; false when either cannot be registered.
ZOBASE7_API bool RegisterRyxComboClasses(platform::win::HINSTANCE instance);
ZOBASE7_API void UnregisterRyxComboClasses(platform::win::HINSTANCE instance);

// The class window procedure of "RyxCombo".
ZOBASE7_API platform::win::LRESULT RyxComboWindowProc(platform::win::HWND hwnd, platform::win::UINT msg,
                                                      platform::win::WPARAM wParam, platform::win::LPARAM lParam);

// Inspection (tests, diagnostics).
struct RyxComboInfo {
    bool exists = false;
    bool dropped = false;
    int hotRow = -1;
    int topRow = 0;            // first row the open list shows
    int visibleRows = 0;       // rows the list shows at once
    bool scrollBarShown = false;
    platform::win::RECT scrollBar{}; // in the list's client coordinates
    platform::win::RECT scrollThumb{};
    int selected = -1;
    platform::win::HWND list = 0;
    platform::win::RECT textRect;
    platform::win::RECT spinRect;
    platform::win::RECT dropRect;
    int caretChar = 0;
    int anchorChar = 0;
    bool insertMode = true;
    bool readOnly = false;
    std::string format;
};
ZOBASE7_API RyxComboInfo RyxComboInspect(platform::win::HWND hwnd);
// The value last sent with a message that only stores it (-1 when never sent).
ZOBASE7_API platform::win::LRESULT RyxComboStoredValue(platform::win::HWND hwnd, platform::win::UINT message);

} // namespace zobase7
