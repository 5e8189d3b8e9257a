#include "zobase7/WindowClasses.h"
#include "zobase7/FieldWindow.h"
#include "zobase7/RyxNumber.h"
#include "zobase7/include/RyxCombo.h"

#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <array>
#include <cstddef>

namespace zobase7 {

namespace win = platform::win;

namespace {

struct ClassRow {
    const char *name;
    win::UINT style;
    win::WNDPROC proc;
};

constexpr win::UINT kFieldClassStyle = win::CS_GLOBALCLASS | win::CS_HREDRAW | win::CS_VREDRAW;

// Both classes draw an editable field; the combo class also answers double
// clicks (its list opens on them).
const std::array<ClassRow, 2> &classRows()
{
    static const std::array<ClassRow, 2> rows{{
        {kComboClassName, kFieldClassStyle | win::CS_DBLCLKS, RyxComboWindowProc},
        {kNumberClassName, kFieldClassStyle, RyxNumberWindowProc},
    }};
    return rows;
}

} // namespace

bool RegisterWindowClasses(win::HINSTANCE instance)
{
    for (std::size_t i = 0; i < classRows().size(); ++i) {
        const ClassRow &row = classRows()[i];
        win::WNDCLASSA wc;
        wc.style = row.style;
        wc.lpfnWndProc = row.proc;
        wc.cbWndExtra = kFieldWindowExtraBytes;
        wc.hInstance = instance;
        wc.hbrBackground = static_cast<win::HBRUSH>(win::COLOR_WINDOW + 1);
        wc.lpszClassName = row.name;
        if (!win::RegisterClassA(&wc)) {
            for (std::size_t j = 0; j < i; ++j)
                win::UnregisterClassA(classRows()[j].name, instance);
            return false;
        }
    }
    return true;
}

void UnregisterWindowClasses(win::HINSTANCE instance)
{
    for (const ClassRow &row : classRows())
        win::UnregisterClassA(row.name, instance);
}

} // namespace zobase7
