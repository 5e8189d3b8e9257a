// Window classes, the window table, sent and posted messages, timers, focus,
// capture and the painting state.
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"
#include "platform/win/winstate.h"
#include "platform/win/gdi.h"
#include "platform/codepage/codepage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <map>

namespace platform::win {
using namespace detail;

namespace {

struct Timer {
    TIMERPROC proc = nullptr;
    QTimer *timer = nullptr;
};

struct State {
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;
    std::unordered_map<HWND, std::shared_ptr<WindowData>> windows;
    HWND nextHandle = 0x10000;
    std::deque<MSG> queue;
    bool pumpScheduled = false;
    QObject *pump = nullptr;
    std::map<std::pair<HWND, UINT_PTR>, Timer> timers;
    UINT_PTR nextThreadTimer = 1;
    HWND focus = 0;
    HWND capture = 0;
    int setFocusDepth = 0;
    SHORT keys[256] = {};
    DWORD messageTime = 0;
    PreDispatchFilter filter = nullptr;
};

State &state()
{
    static State s;
    return s;
}

bool sameName(const std::string &a, const char *b)
{
    if (!b || a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::shared_ptr<WindowClass> findClass(const char *name)
{
    if (!name)
        return {};
    for (auto &c : state().classes)
        if (sameName(c->name, name))
            return c;
    return {};
}

void schedulePump()
{
    State &s = state();
    if (s.pumpScheduled)
        return;
    if (!s.pump)
        s.pump = new QObject(QCoreApplication::instance());
    s.pumpScheduled = true;
    QMetaObject::invokeMethod(s.pump, [] {
        state().pumpScheduled = false;
        PumpPostedMessages();
    }, Qt::QueuedConnection);
}

QRect toQRect(const RECT &r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }
RECT toRECT(const QRect &r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

QPoint clientOriginOnScreen(const WindowData &w) { return windowOriginOnScreen(w) + w.client.topLeft(); }

bool readExtra(const std::vector<unsigned char> &bytes, int index, LONG_PTR *value)
{
    if (index < 0)
        return false;
    const size_t at = static_cast<size_t>(index);
    if (at + sizeof(LONG_PTR) <= bytes.size()) {
        std::memcpy(value, bytes.data() + at, sizeof(LONG_PTR));
        return true;
    }
    if (at + sizeof(LONG) <= bytes.size()) {
        LONG v;
        std::memcpy(&v, bytes.data() + at, sizeof v);
        *value = v;
        return true;
    }
    return false;
}

bool writeExtra(std::vector<unsigned char> &bytes, int index, LONG_PTR value, LONG_PTR *old)
{
    if (!readExtra(bytes, index, old))
        return false;
    const size_t at = static_cast<size_t>(index);
    if (at + sizeof(LONG_PTR) <= bytes.size()) {
        std::memcpy(bytes.data() + at, &value, sizeof value);
    } else {
        const LONG v = static_cast<LONG>(value);
        std::memcpy(bytes.data() + at, &v, sizeof v);
    }
    return true;
}

void removeQueued(HWND hwnd, UINT message, WPARAM wParam, bool matchMessage)
{
    auto &q = state().queue;
    q.erase(std::remove_if(q.begin(), q.end(), [&](const MSG &m) {
                return m.hwnd == hwnd && (!matchMessage || (m.message == message && m.wParam == wParam));
            }), q.end());
}

void collectTree(HWND hwnd, std::vector<HWND> &out)
{
    out.push_back(hwnd);
    if (auto w = find(hwnd))
        for (HWND c : w->children)
            collectTree(c, out);
}

bool isInTree(HWND root, HWND hwnd)
{
    for (auto w = find(hwnd); w; w = find(w->parent))
        if (w->handle == root)
            return true;
    return false;
}

void sendDestroy(HWND hwnd)
{
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    auto w = find(hwnd);
    if (!w)
        return;
    const std::vector<HWND> children = w->children;
    for (HWND c : children)
        sendDestroy(c);
}

void sendNcDestroy(HWND hwnd)
{
    auto w = find(hwnd);
    if (!w)
        return;
    const std::vector<HWND> children = w->children;
    for (HWND c : children)
        sendNcDestroy(c);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    windowGone(hwnd);
    State &s = state();
    for (auto it = s.timers.begin(); it != s.timers.end();) {
        if (it->first.first == hwnd) {
            delete it->second.timer;
            it = s.timers.erase(it);
        } else {
            ++it;
        }
    }
    removeQueued(hwnd, 0, 0, false);
    if (auto parent = find(w->parent))
        std::erase(parent->children, hwnd);
    if (w->widget) {
        w->widget->detach();
        w->widget->hide();
        w->widget->deleteLater();
    }
    s.windows.erase(hwnd);
}

void sendSizeAndMove(HWND hwnd)
{
    auto w = find(hwnd);
    if (!w)
        return;
    SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(w->client.width(), w->client.height()));
    // WM_MOVE gives the client area's origin.
    if ((w = find(hwnd)))
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.x() + w->client.x(), w->rect.y() + w->client.y()));
}

// WM_PARENTNOTIFY to the ancestors of a child window, each asking its own
// parent in turn, unless a window on the way has WS_EX_NOPARENTNOTIFY.
void notifyParents(HWND hwnd, UINT event, LPARAM lParam)
{
    auto w = find(hwnd);
    if (!w || !(w->style & WS_CHILD) || (w->exStyle & WS_EX_NOPARENTNOTIFY))
        return;
    const WPARAM wParam = MAKEWPARAM(static_cast<int>(event), static_cast<int>(w->id));
    for (HWND parent = w->parent; parent; ) {
        SendMessageA(parent, WM_PARENTNOTIFY, wParam, lParam);
        auto p = find(parent);
        if (!p || !(p->style & WS_CHILD) || (p->exStyle & WS_EX_NOPARENTNOTIFY))
            break;
        parent = p->parent;
    }
}

// Z-order among siblings: the children list runs from the top (front) down,
// and Qt's stacking follows.
void restack(HWND hwnd, HWND insertAfter)
{
    auto w = find(hwnd);
    if (!w || insertAfter == hwnd)
        return;
    auto p = find(w->parent);
    std::vector<HWND> *siblings = p ? &p->children : nullptr;
    if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST) {
        if (siblings) {
            std::erase(*siblings, hwnd);
            siblings->insert(siblings->begin(), hwnd);
        }
        if (w->widget)
            w->widget->raise();
    } else if (insertAfter == HWND_BOTTOM) {
        if (siblings) {
            std::erase(*siblings, hwnd);
            siblings->push_back(hwnd);
        }
        if (w->widget)
            w->widget->lower();
    } else if (insertAfter == HWND_NOTOPMOST) {
        return;
    } else {
        auto after = find(insertAfter);
        if (!after || after->parent != w->parent)
            return;
        if (siblings) {
            std::erase(*siblings, hwnd);
            auto it = std::find(siblings->begin(), siblings->end(), insertAfter);
            siblings->insert(it == siblings->end() ? it : it + 1, hwnd);
        }
        if (w->widget && after->widget)
            w->widget->stackUnder(after->widget);
    }
}

} // namespace

namespace detail {

void parentNotifyMouse(HWND hwnd, UINT message, POINT screen)
{
    auto w = find(hwnd);
    if (!w || !(w->style & WS_CHILD) || (w->exStyle & WS_EX_NOPARENTNOTIFY))
        return;
    for (HWND parent = w->parent; parent; ) {
        POINT p = screen;
        ScreenToClient(parent, &p);
        SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(static_cast<int>(message), 0), MAKELPARAM(p.x, p.y));
        auto pw = find(parent);
        if (!pw || !(pw->style & WS_CHILD) || (pw->exStyle & WS_EX_NOPARENTNOTIFY))
            break;
        parent = pw->parent;
    }
}

std::shared_ptr<WindowData> find(HWND hwnd)
{
    if (!hwnd)
        return {};
    auto &w = state().windows;
    auto it = w.find(hwnd);
    return it == w.end() ? nullptr : it->second;
}

void postInput(const MSG &msg)
{
    MSG m = msg;
    m.time = GetTickCount();
    state().messageTime = m.time;
    state().queue.push_back(m);
}

void deliverInput()
{
    PumpPostedMessages();
}

bool inSetFocus() { return state().setFocusDepth > 0; }

void qtFocusIn(HWND hwnd)
{
    if (!inSetFocus() && state().focus != hwnd && IsWindow(hwnd))
        SetFocus(hwnd);
}

void qtFocusOut(HWND hwnd)
{
    State &s = state();
    if (inSetFocus() || s.focus != hwnd)
        return;
    s.focus = 0;
    SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
}

void setKeyDown(int vk, bool down)
{
    SHORT &k = state().keys[vk & 0xFF];
    if (down) {
        if (!(k & 0x8000))
            k ^= 1;
        k = static_cast<SHORT>(k | 0x8000);
    } else {
        k = static_cast<SHORT>(k & 1);
    }
}

void paintFromQt(HWND hwnd)
{
    paintFrame(hwnd);
    if (auto w = find(hwnd); w && !w->update.isEmpty())
        SendMessageA(hwnd, WM_PAINT, 0, 0);
}

} // namespace detail

// ---- classes ----

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc || wc->cbClsExtra < 0
        || wc->cbWndExtra < 0 || wc->cbClsExtra > 40 * 1024 || wc->cbWndExtra > 40 * 1024)
        return 0;
    if (findClass(wc->lpszClassName))
        return 0;
    auto c = std::make_shared<WindowClass>();
    c->name = wc->lpszClassName;
    c->atom = state().nextAtom++;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->instance = wc->hInstance;
    c->icon = wc->hIcon;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    c->wndExtra = wc->cbWndExtra;
    c->clsExtra.assign(static_cast<size_t>(wc->cbClsExtra), 0);
    state().classes.push_back(c);
    return c->atom;
}

BOOL UnregisterClassA(const char *className, HINSTANCE)
{
    auto c = findClass(className);
    if (!c)
        return FALSE;
    for (auto &[h, w] : state().windows)
        if (w->cls == c)
            return FALSE;
    std::erase(state().classes, c);
    return TRUE;
}

BOOL GetClassInfoA(HINSTANCE, const char *className, WNDCLASSA *wc)
{
    auto c = findClass(className);
    if (!c || !wc)
        return FALSE;
    wc->style = c->style;
    wc->lpfnWndProc = c->proc;
    wc->cbClsExtra = static_cast<int>(c->clsExtra.size());
    wc->cbWndExtra = c->wndExtra;
    wc->hInstance = c->instance;
    wc->hIcon = c->icon;
    wc->hCursor = c->cursor;
    wc->hbrBackground = c->background;
    wc->lpszMenuName = nullptr;
    wc->lpszClassName = c->name.c_str();
    return TRUE;
}

LONG_PTR GetClassLongPtrA(HWND hwnd, int index)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    const WindowClass &c = *w->cls;
    switch (index) {
    case GCLP_WNDPROC: return reinterpret_cast<LONG_PTR>(c.proc);
    case GCL_STYLE: return c.style;
    case GCL_CBWNDEXTRA: return c.wndExtra;
    case GCL_CBCLSEXTRA: return static_cast<LONG_PTR>(c.clsExtra.size());
    case GCLP_HBRBACKGROUND: return c.background;
    case GCLP_HCURSOR: return c.cursor;
    default: {
        LONG_PTR v = 0;
        readExtra(c.clsExtra, index, &v);
        return v;
    }
    }
}

LONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    WindowClass &c = *w->cls;
    LONG_PTR old = GetClassLongPtrA(hwnd, index);
    switch (index) {
    case GCLP_WNDPROC: c.proc = reinterpret_cast<WNDPROC>(value); break;
    case GCL_STYLE: c.style = static_cast<UINT>(value); break;
    case GCLP_HBRBACKGROUND: c.background = static_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c.cursor = static_cast<HCURSOR>(value); break;
    default:
        if (!writeExtra(c.clsExtra, index, value, &old))
            return 0;
    }
    return old;
}

int GetClassNameA(HWND hwnd, char *buffer, int size)
{
    auto w = find(hwnd);
    if (!w || !buffer || size <= 0)
        return 0;
    const int n = std::min<int>(size - 1, static_cast<int>(w->cls->name.size()));
    std::memcpy(buffer, w->cls->name.data(), static_cast<size_t>(n));
    buffer[n] = 0;
    return n;
}

// ---- creation and destruction ----

HWND CreateWindowExA(DWORD exStyle, const char *className, const char *windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void *param)
{
    State &s = state();
    auto cls = findClass(className);
    if (!cls)
        return 0;
    auto parentData = find(parent);
    if ((style & WS_CHILD) && !parentData)
        return 0;
    auto w = std::make_shared<WindowData>();
    w->handle = s.nextHandle;
    s.nextHandle += 2;
    w->cls = cls;
    w->proc = cls->proc;
    w->parent = parentData ? parent : 0;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->id = (style & WS_CHILD) ? static_cast<LONG_PTR>(menu) : 0;
    w->instance = instance;
    w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
    w->rect = QRect(x, y, std::max(0, width), std::max(0, height));
    w->client = QRect(QPoint(0, 0), w->rect.size());
    resizeSurfaces(*w);
    QWidget *parentWidget = parentData ? static_cast<QWidget *>(parentData->widget.data()) : nullptr;
    w->widget = new WindowWidget(w->handle, (style & WS_CHILD) ? parentWidget : nullptr);
    // Hidden until ShowWindow: Qt would otherwise show a child widget along
    // with its parent, although the window was made without WS_VISIBLE.
    w->widget->hide();
    // Popup and captioned top-level windows draw their own frame.
    if (!(style & WS_CHILD) && ((style & WS_POPUP) || (style & WS_CAPTION)))
        w->widget->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    w->widget->setGeometry(widgetGeometry(*w));
    s.windows[w->handle] = w;
    if (parentData)
        parentData->children.push_back(w->handle);

    const HWND h = w->handle;
    CREATESTRUCTA cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (!SendMessageA(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (auto cur = find(h)) {
            cur->destroying = true;
            sendNcDestroy(h);
        }
        return 0;
    }
    if (!IsWindow(h))
        return 0;
    calcClientArea(h, false);
    if (!IsWindow(h))
        return 0;
    if (SendMessageA(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return 0;
    }
    if (!IsWindow(h))
        return 0;
    sendSizeAndMove(h);
    if (IsWindow(h))
        notifyParents(h, WM_CREATE, static_cast<LPARAM>(h));
    if ((style & WS_VISIBLE) && IsWindow(h))
        ShowWindow(h, SW_SHOW);
    return IsWindow(h) ? h : 0;
}

BOOL DestroyWindow(HWND hwnd)
{
    State &s = state();
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    if (w->destroying)
        return TRUE;
    std::vector<HWND> tree;
    collectTree(hwnd, tree);
    for (HWND h : tree)
        if (auto d = find(h))
            d->destroying = true;
    if (w->style & WS_VISIBLE) {
        w->style &= ~WS_VISIBLE;
        if (w->widget)
            w->widget->hide();
    }
    if (s.focus && isInTree(hwnd, s.focus)) {
        const HWND old = s.focus;
        s.focus = 0;
        SendMessageA(old, WM_KILLFOCUS, 0, 0);
    }
    if (s.capture && isInTree(hwnd, s.capture)) {
        const HWND old = s.capture;
        s.capture = 0;
        SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    }
    notifyParents(hwnd, WM_DESTROY, static_cast<LPARAM>(hwnd));
    sendDestroy(hwnd);
    sendNcDestroy(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return find(hwnd) ? TRUE : FALSE; }

HWND GetParent(HWND hwnd)
{
    auto w = find(hwnd);
    return w ? w->parent : 0;
}

HWND SetParent(HWND child, HWND newParent)
{
    auto w = find(child);
    auto p = find(newParent);
    if (!w || (newParent && !p) || (newParent && isInTree(child, newParent)))
        return 0;
    const HWND old = w->parent;
    if (auto op = find(old))
        std::erase(op->children, child);
    w->parent = newParent;
    if (p)
        p->children.push_back(child);
    if (w->widget) {
        const bool visible = w->style & WS_VISIBLE;
        w->widget->setParent(p ? p->widget.data() : nullptr);
        w->widget->setGeometry(widgetGeometry(*w));
        w->widget->setVisible(visible);
    }
    return old;
}

BOOL IsChild(HWND parent, HWND hwnd)
{
    return hwnd != parent && IsWindow(parent) && isInTree(parent, hwnd) ? TRUE : FALSE;
}

HWND GetWindow(HWND hwnd, UINT cmd)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    if (cmd == GW_CHILD)
        return w->children.empty() ? 0 : w->children.front();
    auto p = find(w->parent);
    if (!p)
        return 0;
    auto it = std::find(p->children.begin(), p->children.end(), hwnd);
    if (cmd == GW_HWNDNEXT)
        return (it + 1) < p->children.end() ? *(it + 1) : 0;
    if (cmd == GW_HWNDPREV)
        return it != p->children.begin() ? *(it - 1) : 0;
    return 0;
}

int GetDlgCtrlID(HWND hwnd)
{
    auto w = find(hwnd);
    return w ? static_cast<int>(w->id) : 0;
}

HWND GetDlgItem(HWND parent, int id)
{
    auto p = find(parent);
    if (!p)
        return 0;
    for (HWND c : p->children)
        if (GetDlgCtrlID(c) == id)
            return c;
    return 0;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return static_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return w->parent;
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    default: {
        LONG_PTR v = 0;
        readExtra(w->extra, index, &v);
        return v;
    }
    }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (!value)
            return 0;
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_HINSTANCE: w->instance = static_cast<HINSTANCE>(value); break;
    case GWLP_ID: w->id = value; break;
    case GWL_STYLE: {
        const DWORD keep = w->style & (WS_VISIBLE | WS_DISABLED | WS_CHILD);
        w->style = (static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_DISABLED | WS_CHILD)) | keep;
        break;
    }
    case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value); break;
    case GWLP_USERDATA: w->userData = value; break;
    case GWLP_HWNDPARENT: return 0;
    default:
        if (!writeExtra(w->extra, index, value, &old))
            return 0;
    }
    return old;
}

BOOL SetWindowTextA(HWND hwnd, const char *text)
{
    return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, char *buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) { return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

// ---- messages ----

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto w = find(hwnd);
    if (!w)
        return 0;
    switch (msg) {
    case WM_NCCREATE: {
        const auto *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        if (cs && cs->lpszName)
            w->text = cs->lpszName;
        return TRUE;
    }
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<const char *>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        char *buffer = reinterpret_cast<char *>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        size_t n = std::min<size_t>(wParam - 1, w->text.size());
        // Never split a double-byte character at the end of the buffer.
        size_t i = 0;
        while (i < n) {
            const size_t step = codepage::isLeadByte(static_cast<unsigned char>(w->text[i])) ? 2 : 1;
            if (i + step > n)
                break;
            i += step;
        }
        std::memcpy(buffer, w->text.data(), i);
        buffer[i] = 0;
        return static_cast<LRESULT>(i);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        const HBRUSH brush = w->cls->background;
        if (!brush)
            return 0;
        RECT r;
        GetClipBox(static_cast<HDC>(wParam), &r);
        FillRect(static_cast<HDC>(wParam), &r, brush);
        return 1;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_NCCALCSIZE:
        return defNcCalcSize(*w, wParam, lParam);
    case WM_NCHITTEST:
        return defNcHitTest(*w, lParam);
    case WM_NCPAINT:
        defNcPaint(*w);
        return 0;
    case WM_SETCURSOR:
        return defSetCursor(*w, wParam, lParam);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
        return defNcButton(*w, msg, wParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_CANCELMODE:
        if (state().capture == hwnd)
            ReleaseCapture();
        return 0;
    default:
        return 0;
    }
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto w = find(hwnd);
    if (!w || !w->proc)
        return 0;
    // The shared pointer keeps the record alive while the procedure runs,
    // even when the procedure destroys its window.
    return w->proc(hwnd, msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (hwnd && !IsWindow(hwnd))
        return FALSE;
    MSG m;
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    state().queue.push_back(m);
    schedulePump();
    return TRUE;
}

BOOL PeekMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    auto &q = state().queue;
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (hwnd == static_cast<HWND>(-1)) {
            if (it->hwnd != 0)
                continue;
        } else if (hwnd && it->hwnd != hwnd) {
            continue;
        }
        if ((filterMin || filterMax) && (it->message < filterMin || it->message > filterMax))
            continue;
        if (msg)
            *msg = *it;
        if (removeFlags & PM_REMOVE)
            q.erase(it);
        return TRUE;
    }
    return FALSE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    if (!msg)
        return 0;
    state().messageTime = msg->time;
    if (msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG *)
{
    // Character messages are already made from Qt's key events.
    return FALSE;
}

DWORD GetTickCount()
{
    static QElapsedTimer clock = [] { QElapsedTimer t; t.start(); return t; }();
    return static_cast<DWORD>(clock.elapsed());
}

DWORD GetMessageTime() { return state().messageTime; }

void PumpPostedMessages()
{
    // Only what waits now: a message a procedure posts in turn waits for the
    // next round, so the Qt loop keeps running.
    size_t n = state().queue.size();
    while (n-- > 0 && !state().queue.empty()) {
        MSG m = state().queue.front();
        state().queue.pop_front();
        if (state().filter && state().filter(&m))
            continue;
        DispatchMessageA(&m);
    }
    if (!state().queue.empty())
        schedulePump();
}

void SetPreDispatchFilter(PreDispatchFilter filter) { state().filter = filter; }

int WindowCount() { return static_cast<int>(state().windows.size()); }

// ---- state ----

BOOL ShowWindow(HWND hwnd, int cmd)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    const bool was = w->style & WS_VISIBLE;
    const bool show = cmd != SW_HIDE;
    if (was == show)
        return was ? TRUE : FALSE;
    SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!(w = find(hwnd)))
        return was ? TRUE : FALSE;
    if (show)
        w->style |= WS_VISIBLE;
    else
        w->style &= ~WS_VISIBLE;
    if (w->widget)
        w->widget->setVisible(show);
    if (show)
        InvalidateRect(hwnd, nullptr, TRUE);
    else if (state().focus && isInTree(hwnd, state().focus))
        SetFocus(0);
    return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    for (auto w = find(hwnd); w; w = find(w->parent)) {
        if (!(w->style & WS_VISIBLE))
            return FALSE;
        if (!(w->style & WS_CHILD))
            return TRUE;
    }
    return FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    const bool wasDisabled = w->style & WS_DISABLED;
    if (wasDisabled == !enable)
        return wasDisabled ? TRUE : FALSE;
    if (!enable) {
        w->style |= WS_DISABLED;
        if (state().focus && isInTree(hwnd, state().focus))
            SetFocus(0);
        if (state().capture == hwnd)
            ReleaseCapture();
    } else {
        w->style &= ~WS_DISABLED;
    }
    SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    auto w = find(hwnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    QRect r = w->rect;
    if (!(flags & SWP_NOMOVE))
        r.moveTo(x, y);
    if (!(flags & SWP_NOSIZE))
        r.setSize(QSize(std::max(0, cx), std::max(0, cy)));
    const bool moved = r.topLeft() != w->rect.topLeft();
    const bool sized = r.size() != w->rect.size();
    const QSize oldSize = w->client.size();
    w->rect = r;
    bool clientSized = false;
    if (sized || (flags & SWP_FRAMECHANGED)) {
        calcClientArea(hwnd, true);
        if (!(w = find(hwnd)))
            return TRUE;
        clientSized = w->client.size() != oldSize;
    }
    const QSize size = w->client.size();
    if (clientSized && !(flags & SWP_NOREDRAW)) {
        const UINT cs = w->cls->style;
        if ((flags & SWP_FRAMECHANGED) || (cs & CS_HREDRAW && size.width() != oldSize.width())
            || (cs & CS_VREDRAW && size.height() != oldSize.height())) {
            InvalidateRect(hwnd, nullptr, TRUE);
        } else {
            const QRegion fresh = QRegion(0, 0, size.width(), size.height()) - QRegion(0, 0, oldSize.width(), oldSize.height());
            w->update += fresh;
            if (!fresh.isEmpty())
                w->erasePending = true;
        }
    }
    if (w->widget)
        w->widget->setGeometry(widgetGeometry(*w));
    if (!(flags & SWP_NOZORDER))
        restack(hwnd, insertAfter);
    if (clientSized && IsWindow(hwnd))
        SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(size.width(), size.height()));
    if (moved && (w = find(hwnd)))
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.x() + w->client.x(), w->rect.y() + w->client.y()));
    if ((flags & SWP_SHOWWINDOW) && IsWindow(hwnd))
        ShowWindow(hwnd, SW_SHOWNA);
    if ((flags & SWP_HIDEWINDOW) && IsWindow(hwnd))
        ShowWindow(hwnd, SW_HIDE);
    if (auto cur = find(hwnd); cur && cur->widget)
        cur->widget->update();
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(hwnd, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL GetClientRect(HWND hwnd, RECT *rect)
{
    auto w = find(hwnd);
    if (!w || !rect)
        return FALSE;
    *rect = RECT{0, 0, w->client.width(), w->client.height()};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT *rect)
{
    auto w = find(hwnd);
    if (!w || !rect)
        return FALSE;
    const QPoint o = windowOriginOnScreen(*w);
    *rect = RECT{o.x(), o.y(), o.x() + w->rect.width(), o.y() + w->rect.height()};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT *point)
{
    auto w = find(hwnd);
    if (!w || !point)
        return FALSE;
    const QPoint o = clientOriginOnScreen(*w);
    point->x += o.x();
    point->y += o.y();
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT *point)
{
    auto w = find(hwnd);
    if (!w || !point)
        return FALSE;
    const QPoint o = clientOriginOnScreen(*w);
    point->x -= o.x();
    point->y -= o.y();
    return TRUE;
}

HWND SetFocus(HWND hwnd)
{
    State &s = state();
    if (hwnd && !IsWindow(hwnd))
        return 0;
    const HWND prev = s.focus;
    if (hwnd == prev)
        return prev;
    ++s.setFocusDepth;
    if (prev && IsWindow(prev))
        SendMessageA(prev, WM_KILLFOCUS, hwnd, 0);
    s.focus = IsWindow(hwnd) ? hwnd : 0;
    if (s.focus) {
        if (auto w = find(s.focus); w && w->widget)
            w->widget->setFocus(Qt::OtherFocusReason);
        SendMessageA(s.focus, WM_SETFOCUS, prev, 0);
    }
    --s.setFocusDepth;
    return prev;
}

HWND GetFocus() { return state().focus; }

HWND SetCapture(HWND hwnd)
{
    State &s = state();
    const HWND prev = s.capture;
    if (!IsWindow(hwnd) || hwnd == prev)
        return prev;
    s.capture = hwnd;
    if (prev && IsWindow(prev))
        SendMessageA(prev, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(hwnd));
    return prev;
}

BOOL ReleaseCapture()
{
    State &s = state();
    const HWND prev = s.capture;
    s.capture = 0;
    if (prev && IsWindow(prev))
        SendMessageA(prev, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return state().capture; }

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    State &s = state();
    if (hwnd && !IsWindow(hwnd))
        return 0;
    if (!hwnd)
        id = s.nextThreadTimer++;
    Timer &t = s.timers[{hwnd, id}];
    t.proc = proc;
    if (!t.timer) {
        t.timer = new QTimer;
        QObject::connect(t.timer, &QTimer::timeout, [hwnd, id] {
            State &st = state();
            auto it = st.timers.find({hwnd, id});
            if (it == st.timers.end())
                return;
            // One WM_TIMER per timer waits at a time, as timer ticks coalesce.
            for (const MSG &m : st.queue)
                if (m.hwnd == hwnd && m.message == WM_TIMER && m.wParam == id)
                    return;
            MSG m;
            m.hwnd = hwnd;
            m.message = WM_TIMER;
            m.wParam = id;
            m.lParam = reinterpret_cast<LPARAM>(it->second.proc);
            m.time = GetTickCount();
            st.queue.push_back(m);
            schedulePump();
        });
    }
    t.timer->start(static_cast<int>(std::clamp<UINT>(elapse, 10, 0x7FFFFFFF)));
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    State &s = state();
    auto it = s.timers.find({hwnd, id});
    if (it == s.timers.end())
        return FALSE;
    delete it->second.timer;
    s.timers.erase(it);
    auto &q = s.queue;
    q.erase(std::remove_if(q.begin(), q.end(), [&](const MSG &m) {
                return m.hwnd == hwnd && m.message == WM_TIMER && m.wParam == id;
            }), q.end());
    return TRUE;
}

SHORT GetKeyState(int virtualKey) { return state().keys[virtualKey & 0xFF]; }

SHORT GetAsyncKeyState(int virtualKey)
{
    return static_cast<SHORT>(state().keys[virtualKey & 0xFF] & 0x8000);
}

BOOL IsDBCSLeadByte(BYTE b) { return codepage::isLeadByte(b) ? TRUE : FALSE; }

// ---- painting ----

BOOL InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    const QRect client(QPoint(0, 0), w->client.size());
    const QRect area = rect ? toQRect(*rect).intersected(client) : client;
    if (area.isEmpty())
        return TRUE;
    w->update += area;
    if (erase)
        w->erasePending = true;
    if (w->widget)
        w->widget->update(area.translated(w->client.topLeft()));
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT *rect)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    if (rect)
        w->update -= toQRect(*rect);
    else
        w->update = QRegion();
    if (w->update.isEmpty())
        w->erasePending = false;
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT *rect, BOOL)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    if (rect)
        *rect = w->update.isEmpty() ? RECT{} : toRECT(w->update.boundingRect());
    return w->update.isEmpty() ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND hwnd)
{
    auto w = find(hwnd);
    if (!w)
        return FALSE;
    if (!w->update.isEmpty())
        SendMessageA(hwnd, WM_PAINT, 0, 0);
    if (auto cur = find(hwnd); cur && cur->widget)
        cur->widget->update();
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT *ps)
{
    auto w = find(hwnd);
    if (!w || !ps)
        return 0;
    const QRegion region = w->update;
    const bool erase = w->erasePending;
    w->update = QRegion();
    w->erasePending = false;
    const HDC hdc = createWindowDC(hwnd, region);
    ps->hdc = hdc;
    ps->rcPaint = region.isEmpty() ? RECT{} : toRECT(region.boundingRect());
    ps->fErase = TRUE;
    if (erase && !region.isEmpty())
        ps->fErase = SendMessageA(hwnd, WM_ERASEBKGND, static_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT *ps)
{
    if (ps && ps->hdc)
        releaseDC(ps->hdc);
    if (auto w = find(hwnd); w && w->widget)
        w->widget->update();
    return TRUE;
}

QWidget *WidgetOfWindow(HWND hwnd)
{
    auto w = find(hwnd);
    return w ? w->widget.data() : nullptr;
}

HWND WindowOfWidget(const QWidget *widget)
{
    auto *ww = qobject_cast<const WindowWidget *>(widget);
    return ww ? ww->handle() : 0;
}

QImage WindowSurface(HWND hwnd)
{
    auto w = find(hwnd);
    return w ? w->surface : QImage();
}

} // namespace platform::win
