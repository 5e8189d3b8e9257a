// The non-client area: the frame each window style takes, WM_NCCALCSIZE,
// WM_NCHITTEST, WM_NCPAINT and the non-client clicks of the default
// procedure, window DCs, AdjustWindowRectEx, RedrawWindow and scrolling.
//
// Windows draw their whole frame themselves, caption included; top-level
// windows with WS_POPUP or WS_CAPTION are frameless Qt windows for that. An
// overlapped top-level window without caption bits keeps Qt's decoration.
#include "platform/win/window.h"
#include "platform/win/gdi.h"
#include "platform/win/gdistate.h"
#include "platform/win/windowwidget.h"
#include "platform/win/winstate.h"

#include <QMargins>
#include <QWindow>

#include <cstring>

namespace platform::win {
using namespace detail;

namespace {

constexpr int kCaptionHeight = 18;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_CAPTIONTEXT = 9;

enum class Outer { None, Border, DialogFrame, ThickFrame };

Outer outerFrame(DWORD style, DWORD exStyle)
{
    if (style & WS_THICKFRAME)
        return Outer::ThickFrame;
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        return Outer::DialogFrame;
    if (style & WS_BORDER)
        return Outer::Border;
    return Outer::None;
}

bool hasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

constexpr int kCloseBox = 14;

// The close box of a caption with WS_SYSMENU, in window coordinates.
QRect closeBox(const WindowData &w, const QMargins &m)
{
    if (!hasCaption(w.style) || !(w.style & WS_SYSMENU))
        return {};
    const int top = m.top() - kCaptionHeight;
    return QRect(w.rect.width() - m.right() - 2 - kCloseBox, top + (kCaptionHeight - kCloseBox) / 2, kCloseBox, kCloseBox);
}

QMargins frameInsets(DWORD style, DWORD exStyle)
{
    int n = 0;
    switch (outerFrame(style, exStyle)) {
    case Outer::None: break;
    case Outer::Border: n = 1; break;
    case Outer::DialogFrame: n = 3; break;
    case Outer::ThickFrame: n = 4; break;
    }
    if (exStyle & WS_EX_STATICEDGE)
        n += 1;
    if (exStyle & WS_EX_CLIENTEDGE)
        n += 2;
    QMargins m(n, n, n, n);
    if (hasCaption(style))
        m.setTop(m.top() + kCaptionHeight);
    return m;
}

RECT shrink(const RECT &r, const QMargins &m)
{
    RECT out{r.left + m.left(), r.top + m.top(), r.right - m.right(), r.bottom - m.bottom()};
    // An inverted client rectangle collapses to nothing at its top-left.
    out.right = std::max(out.right, out.left);
    out.bottom = std::max(out.bottom, out.top);
    return out;
}

RECT toRect(const QRect &r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

} // namespace

namespace detail {

QRect widgetGeometry(const WindowData &w)
{
    QRect r = w.rect;
    if (auto p = find(w.parent))
        r.translate(p->client.topLeft());
    return r;
}

QPoint windowOriginOnScreen(const WindowData &w)
{
    QPoint p = w.rect.topLeft();
    for (auto parent = find(w.parent); parent; parent = find(parent->parent))
        p += parent->rect.topLeft() + parent->client.topLeft();
    return p;
}

void resizeSurfaces(WindowData &w)
{
    auto resized = [](const QImage &old, const QSize &size) {
        QImage next(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
        if (!next.isNull()) {
            next.fill(Qt::white);
            if (!old.isNull())
                for (int y = 0; y < std::min(next.height(), old.height()); ++y)
                    std::memcpy(next.scanLine(y), old.constScanLine(y), 4 * std::min(next.width(), old.width()));
        }
        return next;
    };
    if (w.surface.size() != w.client.size() || w.surface.isNull())
        w.surface = resized(w.surface, w.client.size());
    const bool framed = w.client != QRect(QPoint(0, 0), w.rect.size());
    if (!framed)
        w.frame = QImage();
    else if (w.frame.size() != w.rect.size())
        w.frame = resized(w.frame, w.rect.size());
}

bool calcClientArea(HWND hwnd, bool sizing)
{
    auto w = find(hwnd);
    if (!w)
        return false;
    const QRect oldClient = w->client;
    RECT result;
    if (sizing) {
        NCCALCSIZE_PARAMS params;
        WINDOWPOS pos;
        pos.hwnd = hwnd;
        pos.x = w->rect.x();
        pos.y = w->rect.y();
        pos.cx = w->rect.width();
        pos.cy = w->rect.height();
        params.rgrc[0] = toRect(w->rect);
        params.rgrc[1] = toRect(w->rect);
        params.rgrc[2] = toRect(oldClient.translated(w->rect.topLeft()));
        params.lppos = &pos;
        SendMessageA(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
        result = params.rgrc[0];
    } else {
        result = toRect(w->rect);
        SendMessageA(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&result));
    }
    if (!(w = find(hwnd)))
        return false;
    // The client area stays inside the window whatever the procedure answers.
    const QRect window(QPoint(0, 0), w->rect.size());
    QRect client(QPoint(result.left - w->rect.x(), result.top - w->rect.y()),
                 QSize(std::max<LONG>(0, result.right - result.left), std::max<LONG>(0, result.bottom - result.top)));
    client = client.intersected(window);
    if (client.isEmpty())
        client = QRect(QPoint(std::clamp(result.left - w->rect.x(), 0, window.width()),
                              std::clamp(result.top - w->rect.y(), 0, window.height())), QSize(0, 0));
    w->client = client;
    resizeSurfaces(*w);
    w->ncDirty = true;
    if (client.topLeft() != oldClient.topLeft())
        for (HWND c : w->children)
            if (auto cw = find(c); cw && cw->widget)
                cw->widget->setGeometry(widgetGeometry(*cw));
    if (w->widget)
        w->widget->update();
    return client.size() != oldClient.size();
}

LRESULT defNcCalcSize(WindowData &w, WPARAM wParam, LPARAM lParam)
{
    if (!lParam)
        return 0;
    const QMargins m = frameInsets(w.style, w.exStyle);
    if (wParam) {
        auto *p = reinterpret_cast<NCCALCSIZE_PARAMS *>(lParam);
        p->rgrc[0] = shrink(p->rgrc[0], m);
    } else {
        auto *r = reinterpret_cast<RECT *>(lParam);
        *r = shrink(*r, m);
    }
    return 0;
}

LRESULT defNcHitTest(WindowData &w, LPARAM lParam)
{
    const QPoint p = QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) - windowOriginOnScreen(w);
    if (!QRect(QPoint(0, 0), w.rect.size()).contains(p))
        return HTNOWHERE;
    if (w.client.contains(p))
        return HTCLIENT;
    const QMargins m = frameInsets(w.style, w.exStyle);
    if (hasCaption(w.style)) {
        const int top = m.top() - kCaptionHeight;
        if (p.y() >= top && p.y() < m.top() && p.x() >= m.left() && p.x() < w.rect.width() - m.right())
            return closeBox(w, m).contains(p) ? HTCLOSE : HTCAPTION;
    }
    if (w.style & WS_THICKFRAME) {
        // The sizing frame: sides, and corners within a caption height of one.
        const int W = w.rect.width(), H = w.rect.height(), c = kCaptionHeight;
        const bool left = p.x() < 4, right = p.x() >= W - 4, top = p.y() < 4, bottom = p.y() >= H - 4;
        const bool nearLeft = p.x() < c, nearRight = p.x() >= W - c, nearTop = p.y() < c, nearBottom = p.y() >= H - c;
        if ((top && nearLeft) || (left && nearTop))
            return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop))
            return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom))
            return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom))
            return HTBOTTOMRIGHT;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
        if (top)
            return HTTOP;
        if (bottom)
            return HTBOTTOM;
    }
    return HTBORDER;
}

void defNcPaint(WindowData &w)
{
    const HWND hwnd = w.handle;
    const HDC dc = GetWindowDC(hwnd);
    if (!dc)
        return;
    RECT r{0, 0, w.rect.width(), w.rect.height()};
    const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    switch (outerFrame(w.style, w.exStyle)) {
    case Outer::None: break;
    case Outer::Border:
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        r = shrink(r, QMargins(1, 1, 1, 1));
        break;
    case Outer::ThickFrame:
    case Outer::DialogFrame: {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        const int rings = outerFrame(w.style, w.exStyle) == Outer::ThickFrame ? 2 : 1;
        for (int i = 0; i < rings; ++i) {
            FrameRect(dc, &r, face);
            r = shrink(r, QMargins(1, 1, 1, 1));
        }
        break;
    }
    }
    if (hasCaption(w.style)) {
        RECT caption{r.left, r.top, r.right, r.top + kCaptionHeight};
        FillRect(dc, &caption, GetSysColorBrush(COLOR_ACTIVECAPTION));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
        const HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        RECT text = caption;
        text.left += 2;
        DrawTextA(dc, w.text.c_str(), static_cast<int>(w.text.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        const QRect box = closeBox(w, frameInsets(w.style, w.exStyle));
        if (!box.isEmpty()) {
            RECT b{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
            DrawFrameControl(dc, &b, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
            // A cross of two diagonals inside the button.
            const HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
            const HGDIOBJ oldPen = SelectObject(dc, pen);
            const int n = std::min(b.right - b.left, b.bottom - b.top) - 2;
            if (n > 1) {
                const int x = b.left + 1, y = b.top + 1;
                MoveToEx(dc, x, y, nullptr);
                LineTo(dc, x + n, y + n);
                MoveToEx(dc, x + n - 1, y, nullptr);
                LineTo(dc, x - 1, y + n);
            }
            SelectObject(dc, oldPen);
            DeleteObject(pen);
        }
        r.top += kCaptionHeight;
    }
    if (w.exStyle & WS_EX_STATICEDGE)
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    if (w.exStyle & WS_EX_CLIENTEDGE)
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    ReleaseDC(hwnd, dc);
}

LRESULT defNcButton(WindowData &w, UINT msg, WPARAM hit)
{
    QWidget *widget = w.widget.data();
    QWindow *window = widget && !(w.style & WS_CHILD) ? widget->windowHandle() : nullptr;
    if (msg == WM_NCLBUTTONDOWN && window) {
        // Moving and sizing belong to the window system.
        Qt::Edges edges;
        switch (hit) {
        case HTCAPTION: window->startSystemMove(); return 0;
        case HTLEFT: edges = Qt::LeftEdge; break;
        case HTRIGHT: edges = Qt::RightEdge; break;
        case HTTOP: edges = Qt::TopEdge; break;
        case HTBOTTOM: edges = Qt::BottomEdge; break;
        case HTTOPLEFT: edges = Qt::TopEdge | Qt::LeftEdge; break;
        case HTTOPRIGHT: edges = Qt::TopEdge | Qt::RightEdge; break;
        case HTBOTTOMLEFT: edges = Qt::BottomEdge | Qt::LeftEdge; break;
        case HTBOTTOMRIGHT: edges = Qt::BottomEdge | Qt::RightEdge; break;
        default: return 0;
        }
        window->startSystemResize(edges);
        return 0;
    }
    if (msg == WM_NCLBUTTONUP && hit == static_cast<WPARAM>(HTCLOSE))
        SendMessageA(w.handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

void paintFrame(HWND hwnd)
{
    auto w = find(hwnd);
    if (!w || !w->ncDirty)
        return;
    w->ncDirty = false;
    // Windows without a non-client area have nothing to paint there.
    if (w->client != QRect(QPoint(0, 0), w->rect.size()))
        SendMessageA(hwnd, WM_NCPAINT, 1, 0);
}

} // namespace detail

HDC GetWindowDC(HWND hwnd)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    const HDC h = createFrameDC(hwnd, QRegion(0, 0, w->rect.width(), w->rect.height()));
    dc(h)->fromGetDC = true;
    return h;
}

BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL, DWORD exStyle)
{
    if (!rect)
        return FALSE;
    const QMargins m = frameInsets(style, exStyle);
    rect->left -= m.left();
    rect->top -= m.top();
    rect->right += m.right();
    rect->bottom += m.bottom();
    return TRUE;
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CYCAPTION: return kCaptionHeight + 1;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        const HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        const int v = GetDeviceCaps(screen, index == SM_CXSCREEN ? HORZRES : VERTRES);
        DeleteDC(screen);
        return v;
    }
    default: return 0;
    }
}

BOOL RedrawWindow(HWND hwnd, const RECT *rect, HRGN region, UINT flags)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    QRegion area;
    const QRect client(QPoint(0, 0), w->client.size());
    if (region) {
        const HRGN copy = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(copy, region, 0, RGN_COPY);
        const HRGN all = CreateRectRgn(0, 0, client.width(), client.height());
        CombineRgn(copy, copy, all, RGN_AND);
        RECT box;
        GetRgnBox(copy, &box);
        // Take the region's pixels through the update-region machinery.
        if (flags & RDW_INVALIDATE)
            InvalidateRgn(hwnd, copy, (flags & RDW_ERASE) ? TRUE : FALSE);
        if (flags & RDW_VALIDATE)
            ValidateRgn(hwnd, copy);
        DeleteObject(copy);
        DeleteObject(all);
        area = QRegion(QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)));
    } else {
        area = rect ? QRegion(QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1))) & client
                    : QRegion(client);
        if (flags & RDW_INVALIDATE)
            InvalidateRect(hwnd, rect, (flags & RDW_ERASE) ? TRUE : FALSE);
        if (flags & RDW_VALIDATE)
            ValidateRect(hwnd, rect);
    }
    if ((w = find(hwnd)) && (flags & RDW_FRAME) && (flags & RDW_INVALIDATE)) {
        w->ncDirty = true;
        if (w->widget)
            w->widget->update();
    }
    if ((flags & RDW_ALLCHILDREN) && (w = find(hwnd))) {
        const std::vector<HWND> children = w->children;
        for (HWND c : children) {
            auto cw = find(c);
            if (!cw)
                continue;
            // The part of the area over the child, in its client coordinates.
            const QRegion over = area.translated(-(cw->rect.topLeft() + cw->client.topLeft()));
            const QRect box = over.boundingRect();
            if (over.isEmpty())
                continue;
            const RECT cr{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
            RedrawWindow(c, &cr, 0, flags);
        }
    }
    if ((flags & RDW_UPDATENOW) && IsWindow(hwnd)) {
        paintFrame(hwnd);
        UpdateWindow(hwnd);
    } else if ((flags & RDW_ERASENOW) && IsWindow(hwnd)) {
        paintFrame(hwnd);
    }
    return TRUE;
}

namespace {

// Moves the pixels of `area` by (dx, dy) within `limit` on the image and
// returns the part of `area` no pixel moved into.
QRegion scrollPixels(QImage &image, int dx, int dy, const QRect &area, const QRect &limit)
{
    const QRect scroll = area.intersected(limit).intersected(image.rect());
    if (scroll.isEmpty())
        return {};
    const QImage before = image.copy(scroll);
    const QRect moved = scroll.translated(dx, dy).intersected(scroll);
    for (int y = moved.top(); y <= moved.bottom(); ++y)
        for (int x = moved.left(); x <= moved.right(); ++x)
            image.setPixel(x, y, before.pixel(x - dx - scroll.left(), y - dy - scroll.top()));
    return QRegion(scroll) - QRegion(moved);
}

QRect toQ(const RECT &r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

} // namespace

BOOL ScrollDC(HDC hdc, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN update, RECT *updateRect)
{
    DC *d = dc(hdc);
    if (!d)
        return FALSE;
    QImage *image = targetImage(*d);
    if (!image || image->isNull())
        return FALSE;
    const QRect area = scroll ? toQ(*scroll) : image->rect();
    const QRect limit = clip ? toQ(*clip) : image->rect();
    const QRegion uncovered = scrollPixels(*image, dx, dy, area, limit);
    if (update) {
        // Rebuild the handle's region from the uncovered rectangles.
        SetRectRgn(update, 0, 0, 0, 0);
        for (const QRect &r : uncovered) {
            const HRGN part = CreateRectRgn(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
            CombineRgn(update, update, part, RGN_OR);
            DeleteObject(part);
        }
    }
    if (updateRect) {
        const QRect b = uncovered.boundingRect();
        *updateRect = uncovered.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    surfaceChanged(*d);
    return TRUE;
}

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN update, RECT *updateRect,
                   UINT flags)
{
    auto w = find(hwnd);
    if (!w)
        return ERROR;
    const QRect area = scroll ? toQ(*scroll) : w->surface.rect();
    const QRect limit = clip ? toQ(*clip) : w->surface.rect();
    QRegion uncovered = scrollPixels(w->surface, dx, dy, area, limit);
    // What was waiting to be painted moves with the pixels.
    const QRegion scrolled = QRegion(area.intersected(limit));
    const QRegion pending = w->update & scrolled;
    if (!pending.isEmpty()) {
        w->update -= pending;
        w->update += pending.translated(dx, dy) & scrolled;
    }
    if (flags & SW_SCROLLCHILDREN) {
        const std::vector<HWND> children = w->children;
        for (HWND c : children)
            if (auto cw = find(c); cw && (!scroll || area.intersects(cw->rect)))
                SetWindowPos(c, 0, cw->rect.x() + dx, cw->rect.y() + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!(w = find(hwnd)))
        return ERROR;
    if (flags & SW_INVALIDATE) {
        w->update += uncovered;
        if (flags & SW_ERASE)
            w->erasePending = true;
    }
    if (update) {
        SetRectRgn(update, 0, 0, 0, 0);
        for (const QRect &r : uncovered) {
            const HRGN part = CreateRectRgn(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
            CombineRgn(update, update, part, RGN_OR);
            DeleteObject(part);
        }
    }
    if (updateRect) {
        const QRect b = uncovered.boundingRect();
        *updateRect = uncovered.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    if (w->widget)
        w->widget->update();
    if (uncovered.isEmpty())
        return NULLREGION;
    return uncovered.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace platform::win
