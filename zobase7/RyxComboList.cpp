// The pop-up list of a "RyxCombo" window: a top-level window of its own
// class that shows the combo's items by ListBoxStyle and picks one with the
// mouse. The combo window keeps the keyboard focus; its keys move the
// list's highlight.
#include "zobase7/RyxComboGdi.h"
#include "zobase7/RyxComboState.h"

#include "Controls/Pickwell/PickwellInterfaces.h"
#include "platform/codepage/codepage.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"

#include <QImage>
#include <QWidget>

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

com::ComPtr<pickwell::IComboItem> itemAt(const RyxComboState &s, int index)
{
    com::ComPtr<pickwell::IComboItem> item;
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

int visibleRows(const RyxComboState &s)
{
    return std::max(1, std::min(itemCount(s), std::max(1, s.maxDropDownItems)));
}

int rowAt(const RyxComboState &s, int y)
{
    if (y < 1)
        return -1;
    const int row = s.topRow + (y - 1) / listRowHeight(s);
    return row < itemCount(s) && row < s.topRow + visibleRows(s) ? row : -1;
}

void paintList(RyxComboState &s, HDC hdc)
{
    RECT client;
    GetClientRect(s.list, &client);
    const COLORREF back = gdi::colorOf(s.backColor);
    gdi::fillRect(hdc, client, back);
    const int h = listRowHeight(s);
    const int n = itemCount(s);
    const int width = client.right - client.left;
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
    // one-pixel frame
    const COLORREF frame = GetSysColor(COLOR_WINDOWTEXT);
    gdi::fillRect(hdc, RECT{0, 0, width, 1}, frame);
    gdi::fillRect(hdc, RECT{0, client.bottom - 1, width, client.bottom}, frame);
    gdi::fillRect(hdc, RECT{0, 0, 1, client.bottom}, frame);
    gdi::fillRect(hdc, RECT{width - 1, 0, width, client.bottom}, frame);
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
}

LRESULT RyxComboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        // A pop-up that never takes the activation or the focus from the combo.
        if (QWidget *w = WidgetOfWindow(hwnd)) {
            w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
            w->setAttribute(Qt::WA_ShowWithoutActivating);
        }
        return 0;
    }
    std::shared_ptr<RyxComboState> s = comboOfList(hwnd);
    if (!s)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
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
        const int row = rowAt(*s, y);
        if (row >= 0 && row != s->hot) {
            s->hot = row;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_LBUTTONDOWN: {
        if (GetFocus() != s->hwnd)
            SendMessageA(s->hwnd, ZOM_REQUESTFOCUS, 0, 0);
        const int row = rowAt(*s, y);
        if (row >= 0) {
            s->hot = row;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        const int row = rowAt(*s, y);
        if (row >= 0 && s->dropped)
            pickItem(s, row);
        return 0;
    }
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
