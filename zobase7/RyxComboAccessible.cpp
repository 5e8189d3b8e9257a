#include "zobase7/RyxComboAccessible.h"

#include "platform/win/accessible.h"
#include "platform/win/controls.h"
#include "platform/win/window.h"

#include <cstring>

namespace zobase7::detail {

LRESULT accessibleQuery(const RyxComboState &s, UINT msg, WPARAM wParam, LPARAM lParam, bool *handled)
{
    *handled = true;
    const int n = itemCount(s);
    const int row = static_cast<int>(wParam);
    switch (msg) {
    case CB_GETCOUNT:
        return n;
    case CB_GETLBTEXTLEN:
        return row >= 0 && row < n ? static_cast<LRESULT>(itemContent(s, row).size()) : CB_ERR;
    case CB_GETLBTEXT: {
        if (row < 0 || row >= n || !lParam)
            return CB_ERR;
        const std::string text = itemContent(s, row);
        std::memcpy(reinterpret_cast<char *>(lParam), text.c_str(), text.size() + 1);
        return static_cast<LRESULT>(text.size());
    }
    case CB_GETCURSEL:
        return s.dropped && s.hot >= 0 ? s.hot : s.selected;
    case CB_GETDROPPEDSTATE:
        return s.dropped ? TRUE : FALSE;
    default:
        *handled = false;
        return 0;
    }
}

void announceText(const RyxComboState &s)
{
    if (IsWindow(s.hwnd))
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, s.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void announceSelection(const RyxComboState &s)
{
    if (IsWindow(s.hwnd))
        NotifyWinEvent(EVENT_OBJECT_SELECTION, s.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void announceList(const RyxComboState &s, bool open)
{
    if (IsWindow(s.hwnd))
        NotifyWinEvent(open ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, s.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

} // namespace zobase7::detail
