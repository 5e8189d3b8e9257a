// The pop-up list of a "RyxCombo" window: a drop-down window of its own
// class that shows the combo's items by ListBoxStyle, scrolls with its
// scroll bar and the wheel, and picks one with the mouse. The combo window
// keeps the keyboard focus; its keys move the list's highlight.
#include "zobase7/RyxComboAccessible.h"
#include "zobase7/RyxComboGdi.h"
#include "zobase7/RyxComboState.h"

#include "zobase7/include/ComboItemInterfaces.h"
#include "platform/codepage/codepage.h"
#include "platform/win/dropdown.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <QImage>

#include <algorithm>

namespace zobase7 {

namespace {

namespace com = platform::com;

std::string ansiOf(const char16_t *text, std::uint32_t length)
{
    // Characters CP932 cannot hold are shown as '?'.
    QString s = QString::fromUtf16(text, static_cast<qsizetype>(length));
    QByteArray out;
    for (QChar c : s) {
        QString one(c);
        out += platform::codepage::isAnsiEncodable(one) ? platform::codepage::toAnsi(one) : QByteArray("?");
    }
    return std::string(out.constData(), static_cast<size_t>(out.size()));
}

com::ComPtr<IComboItem> itemAt(const RyxComboState &s, int index)
{
    com::ComPtr<IComboItem> item;
    if (s.items && index >= 0)
        s.items->get_Item(index, item.put());
    return item;
}

QImage itemImage(const RyxComboState &s, int index)
{
    auto item = itemAt(s, index);
    com::ComPtr<com::IPicture> picture;
    QImage image;
    if (item && com::SUCCEEDED(item->get_Image(picture.put())) && picture)
        picture->getImage(&image);
    return image;
}

// Arrow buttons repeat while held: first after this delay, then faster.
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kRepeatDelay = 400;
constexpr UINT kRepeatInterval = 50;
constexpr int kMinThumb = 8;

bool inRect(const RECT &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

int rowAt(const RyxComboState &s, int x, int y)
{
    if (y < 1)
        return -1;
    const ListScrollBar sb = listScrollBar(s);
    if (sb.shown && x >= sb.bar.left)
        return -1;
    const int row = s.topRow + (y - 1) / listRowHeight(s);
    return row < itemCount(s) && row < s.topRow + visibleRows(s) ? row : -1;
}

void drawScrollBar(const RyxComboState &s, HDC hdc)
{
    const ListScrollBar sb = listScrollBar(s);
    if (!sb.shown)
        return;
    gdi::fillRect(hdc, sb.track, GetSysColor(0 /* COLOR_SCROLLBAR */));
    const UINT inactive = sb.scrollable ? 0 : DFCS_INACTIVE;
    RECT up = sb.up, down = sb.down;
    DrawFrameControl(hdc, &up, DFC_SCROLL, DFCS_SCROLLUP | inactive | (s.scrollPart == ListPartUp ? DFCS_PUSHED : 0));
    DrawFrameControl(hdc, &down, DFC_SCROLL,
                     DFCS_SCROLLDOWN | inactive | (s.scrollPart == ListPartDown ? DFCS_PUSHED : 0));
    if (sb.thumb.bottom > sb.thumb.top) {
        RECT thumb = sb.thumb;
        DrawEdge(hdc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
}

// One step of the scroll-bar part held by the mouse.
void scrollStep(RyxComboState &s)
{
    const int page = std::max(1, visibleRows(s) - 1);
    switch (s.scrollPart) {
    case ListPartUp: scrollListTo(s, s.topRow - 1); break;
    case ListPartDown: scrollListTo(s, s.topRow + 1); break;
    case ListPartPageUp:
    case ListPartPageDown: {
        // The track pages only while the pointer is still on its side of the thumb.
        const ListScrollBar sb = listScrollBar(s);
        if (s.scrollPart == ListPartPageUp && s.scrollPointerY < sb.thumb.top)
            scrollListTo(s, s.topRow - page);
        if (s.scrollPart == ListPartPageDown && s.scrollPointerY >= sb.thumb.bottom)
            scrollListTo(s, s.topRow + page);
        break;
    }
    default: break;
    }
}

void endScrollPress(RyxComboState &s)
{
    if (s.scrollPart == ListPartNone)
        return;
    s.scrollPart = ListPartNone;
    KillTimer(s.list, kRepeatTimer);
    InvalidateRect(s.list, nullptr, FALSE);
}

// A press on the scroll bar: arrows and the track scroll (and repeat while
// held), the thumb is dragged.
void pressScrollBar(RyxComboState &s, const ListScrollBar &sb, int x, int y)
{
    if (!sb.scrollable)
        return;
    if (inRect(sb.up, x, y))
        s.scrollPart = ListPartUp;
    else if (inRect(sb.down, x, y))
        s.scrollPart = ListPartDown;
    else if (inRect(sb.thumb, x, y))
        s.scrollPart = ListPartThumb;
    else if (y < sb.thumb.top)
        s.scrollPart = ListPartPageUp;
    else
        s.scrollPart = ListPartPageDown;
    s.scrollPointerY = y;
    SetCapture(s.list);
    if (s.scrollPart == ListPartThumb) {
        s.thumbGrip = y - sb.thumb.top;
    } else {
        scrollStep(s);
        SetTimer(s.list, kRepeatTimer, kRepeatDelay, nullptr);
    }
    InvalidateRect(s.list, nullptr, FALSE);
}

// The thumb follows the pointer: its top edge maps onto the first row.
void dragThumb(RyxComboState &s, int y)
{
    const ListScrollBar sb = listScrollBar(s);
    const int travel = (sb.track.bottom - sb.track.top) - (sb.thumb.bottom - sb.thumb.top);
    if (travel <= 0)
        return;
    const int offset = std::clamp(static_cast<int>(y - s.thumbGrip - sb.track.top), 0, travel);
    scrollListTo(s, (offset * maxTopRow(s) + travel / 2) / travel);
}

void paintList(RyxComboState &s, HDC hdc)
{
    RECT client;
    GetClientRect(s.list, &client);
    const COLORREF back = gdi::colorOf(s.backColor);
    gdi::fillRect(hdc, client, back);
    const int h = listRowHeight(s);
    const int n = itemCount(s);
    const ListScrollBar sb = listScrollBar(s);
    const int width = sb.shown ? sb.bar.left + 1 : client.right - client.left;
    const bool image = s.listBoxStyle == 0 || s.listBoxStyle == 1 || s.listBoxStyle == 4 || s.listBoxStyle == 5;
    const bool text = s.listBoxStyle >= 2;
    const bool description = s.listBoxStyle % 2 == 1;
    const int descWidth = description ? (s.descriptionWidth > 0 ? s.descriptionWidth : (width - 2) / 2) : 0;
    for (int row = s.topRow; row < n && row < s.topRow + visibleRows(s); ++row) {
        const int top = 1 + (row - s.topRow) * h;
        RECT r{1, top, width - 1, top + h};
        const bool hot = row == s.hot;
        const COLORREF rowBack = hot ? GetSysColor(13 /* COLOR_HIGHLIGHT */)
                                     : gdi::colorOf(itemBackColor(s, row, s.backColor));
        const COLORREF rowFore = hot ? GetSysColor(14 /* COLOR_HIGHLIGHTTEXT */)
                                     : gdi::colorOf(itemForeColor(s, row, s.foreColor));
        gdi::fillRect(hdc, r, rowBack);
        int x = r.left + 2;
        if (image) {
            // the picture column
            const RECT box{x, top, x + s.imageWidth, top + h};
            gdi::drawImage(hdc, box, itemImage(s, row), s.imageAlign, rowBack);
            x += s.imageWidth + 2;
        }
        const int ty = top + (h - gdi::textHeight(s.font)) / 2;
        if (text) {
            RECT clip{x, top, r.right - descWidth, top + h};
            gdi::drawText(hdc, s.font, clip, x, ty, itemContent(s, row), rowFore);
        }
        if (description) {
            const int dx = text ? r.right - descWidth : x;
            RECT clip{dx, top, r.right, top + h};
            gdi::drawText(hdc, s.font, clip, dx + 2, ty, itemDescription(s, row), rowFore);
        }
    }
    drawScrollBar(s, hdc);
    // one-pixel frame
    const COLORREF frame = GetSysColor(COLOR_WINDOWTEXT);
    const LONG right = client.right;
    gdi::fillRect(hdc, RECT{0, 0, right, 1}, frame);
    gdi::fillRect(hdc, RECT{0, client.bottom - 1, right, client.bottom}, frame);
    gdi::fillRect(hdc, RECT{0, 0, 1, client.bottom}, frame);
    gdi::fillRect(hdc, RECT{right - 1, 0, right, client.bottom}, frame);
}

} // namespace

using platform::com::FAILED;
using platform::com::SUCCEEDED;
using platform::com::VARIANT_BOOL;

int itemCount(const RyxComboState &s)
{
    std::int32_t n = 0;
    if (!s.items || FAILED(s.items->get_Count(&n)) || n < 0)
        return 0;
    return n;
}

std::string itemContent(const RyxComboState &s, int index)
{
    auto item = itemAt(s, index);
    com::Bstr text;
    if (!item || FAILED(item->get_Content(text.put())))
        return {};
    return ansiOf(text.get(), text.length());
}

std::string itemDescription(const RyxComboState &s, int index)
{
    auto item = itemAt(s, index);
    com::Bstr text;
    if (!item || FAILED(item->get_Description(text.put())))
        return {};
    return ansiOf(text.get(), text.length());
}

std::uint32_t itemBackColor(const RyxComboState &s, int index, std::uint32_t fallback)
{
    auto item = itemAt(s, index);
    com::OLE_COLOR c = fallback;
    VARIANT_BOOL transparent = 0;
    if (!item || FAILED(item->get_BackColor(&c)))
        return fallback;
    if (SUCCEEDED(item->get_BackTransparent(&transparent)) && transparent)
        return fallback;
    return c;
}

std::uint32_t itemForeColor(const RyxComboState &s, int index, std::uint32_t fallback)
{
    auto item = itemAt(s, index);
    com::OLE_COLOR c = fallback;
    VARIANT_BOOL transparent = 0;
    if (!item || FAILED(item->get_ForeColor(&c)))
        return fallback;
    if (SUCCEEDED(item->get_ForeTransparent(&transparent)) && transparent)
        return fallback;
    return c;
}

int listRowHeight(const RyxComboState &s)
{
    return s.itemHeight > 0 ? s.itemHeight : gdi::textHeight(s.font) + 2;
}

int visibleRows(const RyxComboState &s)
{
    return std::max(1, std::min(itemCount(s), std::max(1, s.maxDropDownItems)));
}

int maxTopRow(const RyxComboState &s)
{
    return std::max(0, itemCount(s) - visibleRows(s));
}

ListScrollBar listScrollBar(const RyxComboState &s)
{
    ListScrollBar sb;
    sb.scrollable = itemCount(s) > visibleRows(s);
    sb.shown = s.showScrollBar && (s.scrollBarMode == 1 || sb.scrollable);
    RECT client{};
    if (!sb.shown || !s.list || !GetClientRect(s.list, &client)) {
        sb.shown = false;
        return sb;
    }
    // Inside the one-pixel frame at the right edge.
    const LONG width = std::min<LONG>(GetSystemMetrics(SM_CXVSCROLL), std::max<LONG>(0, client.right - 2));
    sb.bar = RECT{client.right - 1 - width, 1, client.right - 1, std::max<LONG>(1, client.bottom - 1)};
    const LONG height = sb.bar.bottom - sb.bar.top;
    const LONG arrow = std::min<LONG>(width, height / 2);
    sb.up = RECT{sb.bar.left, sb.bar.top, sb.bar.right, sb.bar.top + arrow};
    sb.down = RECT{sb.bar.left, sb.bar.bottom - arrow, sb.bar.right, sb.bar.bottom};
    sb.track = RECT{sb.bar.left, sb.up.bottom, sb.bar.right, sb.down.top};
    const LONG track = sb.track.bottom - sb.track.top;
    if (sb.scrollable && track >= kMinThumb) {
        // The thumb's length is the shown part of the rows, its place the first row.
        const int n = itemCount(s);
        const LONG length = std::max<LONG>(kMinThumb, track * visibleRows(s) / n);
        const LONG top = sb.track.top + (track - length) * std::clamp(s.topRow, 0, maxTopRow(s)) / std::max(1, maxTopRow(s));
        sb.thumb = RECT{sb.bar.left, top, sb.bar.right, top + length};
    }
    return sb;
}

bool scrollListTo(RyxComboState &s, int first)
{
    first = std::clamp(first, 0, maxTopRow(s));
    if (first == s.topRow)
        return false;
    s.topRow = first;
    if (s.list)
        InvalidateRect(s.list, nullptr, FALSE);
    return true;
}

void placeList(RyxComboState &s)
{
    if (!s.list)
        return;
    RECT client;
    GetClientRect(s.hwnd, &client);
    POINT below{0, client.bottom};
    ClientToScreen(s.hwnd, &below);
    const int width = s.dropDownWidth > 0 ? s.dropDownWidth : client.right - client.left;
    const int height = visibleRows(s) * listRowHeight(s) + 2;
    SetWindowPos(s.list, HWND_TOP, below.x, below.y, width, height, SWP_NOACTIVATE);
    InvalidateRect(s.list, nullptr, FALSE);
}

void moveHot(RyxComboState &s, int delta)
{
    const int n = itemCount(s);
    if (n == 0) {
        s.hot = -1;
        return;
    }
    s.hot = s.hot < 0 ? (delta >= 0 ? std::max(0, delta - 1) : n - 1) : s.hot + delta;
    s.hot = std::clamp(s.hot, 0, n - 1);
    const int rows = visibleRows(s);
    if (s.hot < s.topRow)
        s.topRow = s.hot;
    if (s.hot >= s.topRow + rows)
        s.topRow = s.hot - rows + 1;
    if (s.list)
        InvalidateRect(s.list, nullptr, FALSE);
    detail::announceSelection(s);
}

LRESULT RyxComboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE)
        return 0; // shown as a drop-down of its combo (ShowDropDown)
    std::shared_ptr<RyxComboState> s = comboOfList(hwnd);
    if (!s)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const int x = static_cast<std::int16_t>(LOWORD(lParam));
    const int y = static_cast<std::int16_t>(HIWORD(lParam));
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        if (hdc)
            paintList(*s, hdc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEMOVE: {
        if (s->scrollPart == ListPartThumb) {
            dragThumb(*s, y);
            return 0;
        }
        if (s->scrollPart != ListPartNone) {
            s->scrollPointerY = y;
            return 0;
        }
        const int row = rowAt(*s, x, y);
        if (row >= 0 && row != s->hot) {
            s->hot = row;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (GetFocus() != s->hwnd)
            SendMessageA(s->hwnd, ZOM_REQUESTFOCUS, 0, 0);
        const ListScrollBar sb = listScrollBar(*s);
        if (sb.shown && inRect(sb.bar, x, y)) {
            pressScrollBar(*s, sb, x, y);
            return 0;
        }
        const int row = rowAt(*s, x, y);
        if (row >= 0) {
            s->hot = row;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        if (s->scrollPart != ListPartNone) {
            endScrollPress(*s);
            ReleaseCapture();
            return 0;
        }
        const int row = rowAt(*s, x, y);
        if (row >= 0 && s->dropped)
            pickItem(s, row);
        return 0;
    }
    case WM_CAPTURECHANGED:
        endScrollPress(*s);
        return 0;
    case WM_TIMER:
        if (wParam != kRepeatTimer)
            return 0;
        if (s->scrollPart == ListPartNone || s->scrollPart == ListPartThumb) {
            KillTimer(hwnd, kRepeatTimer);
            return 0;
        }
        SetTimer(hwnd, kRepeatTimer, kRepeatInterval, nullptr);
        scrollStep(*s);
        return 0;
    case WM_MOUSEWHEEL: {
        // Whole notches scroll kWheelRows rows each; the rest waits for more turn.
        s->wheelRest += static_cast<std::int16_t>(HIWORD(wParam));
        const int notches = s->wheelRest / WHEEL_DELTA;
        s->wheelRest -= notches * WHEEL_DELTA;
        if (notches)
            scrollListTo(*s, s->topRow - notches * kWheelRows);
        return 0;
    }
    case WM_CANCELMODE:
        // A press outside the list or its combo, or the dialog moving away.
        endScrollPress(*s);
        if (GetCapture() == hwnd)
            ReleaseCapture();
        closeList(*s);
        return 0;
    case WM_RBUTTONDOWN:
        SendMessageA(s->hwnd, ZOM_LISTRBUTTONDOWN, wParam, lParam);
        return 0;
    case WM_CHAR:
        SendMessageA(s->hwnd, ZOM_LISTCHAR, wParam, lParam);
        return 0;
    case ZOM_LISTKEYACTION:
        if (s->dropped)
            moveHot(*s, wParam == 3 ? -1 : 1);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace zobase7
