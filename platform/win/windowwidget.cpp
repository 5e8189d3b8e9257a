#include "platform/win/windowwidget.h"
#include "platform/win/accessible.h"
#include "platform/win/window.h"
#include "platform/win/winstate.h"
#include "platform/codepage/codepage.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QStyleHints>

#include <cmath>
#include <optional>

namespace platform::win::detail {

namespace {

// Win32's double-click rectangle: 4 by 4 pixels around the first down.
constexpr int kDoubleClickSlop = 2;

struct KeyRow {
    int qtKey;
    int vk;
    int scan;
    bool extended;
};

constexpr KeyRow kKeys[] = {
    {Qt::Key_Backspace, VK_BACK, 0x0E, false}, {Qt::Key_Tab, VK_TAB, 0x0F, false},
    {Qt::Key_Backtab, VK_TAB, 0x0F, false},    {Qt::Key_Return, VK_RETURN, 0x1C, false},
    {Qt::Key_Enter, VK_RETURN, 0x1C, true},    {Qt::Key_Shift, VK_SHIFT, 0x2A, false},
    {Qt::Key_Control, VK_CONTROL, 0x1D, false}, {Qt::Key_Alt, VK_MENU, 0x38, false},
    {Qt::Key_Pause, VK_PAUSE, 0x45, false},    {Qt::Key_CapsLock, VK_CAPITAL, 0x3A, false},
    {Qt::Key_Escape, VK_ESCAPE, 0x01, false},  {Qt::Key_Space, VK_SPACE, 0x39, false},
    {Qt::Key_PageUp, VK_PRIOR, 0x49, true},    {Qt::Key_PageDown, VK_NEXT, 0x51, true},
    {Qt::Key_End, VK_END, 0x4F, true},         {Qt::Key_Home, VK_HOME, 0x47, true},
    {Qt::Key_Left, VK_LEFT, 0x4B, true},       {Qt::Key_Up, VK_UP, 0x48, true},
    {Qt::Key_Right, VK_RIGHT, 0x4D, true},     {Qt::Key_Down, VK_DOWN, 0x50, true},
    {Qt::Key_Insert, VK_INSERT, 0x52, true},   {Qt::Key_Delete, VK_DELETE, 0x53, true},
};

// Set-1 scan codes of the letter keys A..Z and the digit keys 0..9.
constexpr int kLetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                 0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
constexpr int kDigitScan[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};

} // namespace

// The virtual key code and scan code of a Qt key; vk 0 when there is none.
void virtualKey(int key, int *vk, int *scan, bool *extended)
{
    *vk = 0;
    *scan = 0;
    *extended = false;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        *vk = 'A' + (key - Qt::Key_A);
        *scan = kLetterScan[key - Qt::Key_A];
        return;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        *vk = '0' + (key - Qt::Key_0);
        *scan = kDigitScan[key - Qt::Key_0];
        return;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        *vk = VK_F1 + (key - Qt::Key_F1);
        *scan = key - Qt::Key_F1 < 10 ? 0x3B + (key - Qt::Key_F1) : 0x57 + (key - Qt::Key_F11);
        return;
    }
    for (const KeyRow &row : kKeys) {
        if (row.qtKey == key) {
            *vk = row.vk;
            *scan = row.scan;
            *extended = row.extended;
            return;
        }
    }
}

namespace {

WPARAM mouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    WPARAM f = 0;
    if (buttons & Qt::LeftButton)
        f |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        f |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        f |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier)
        f |= MK_SHIFT;
    if (mods & Qt::ControlModifier)
        f |= MK_CONTROL;
    return f;
}

void noteModifiers(Qt::KeyboardModifiers mods)
{
    setKeyDown(VK_SHIFT, mods & Qt::ShiftModifier);
    setKeyDown(VK_CONTROL, mods & Qt::ControlModifier);
    setKeyDown(VK_MENU, mods & Qt::AltModifier);
}

void noteButtons(Qt::MouseButtons buttons)
{
    setKeyDown(VK_LBUTTON, buttons & Qt::LeftButton);
    setKeyDown(VK_RBUTTON, buttons & Qt::RightButton);
    setKeyDown(VK_MBUTTON, buttons & Qt::MiddleButton);
}

struct MouseTarget {
    HWND hwnd = 0;
    LRESULT hit = HTCLIENT;
    POINT screen;
    QPoint client;
};

// The window that gets a mouse message: the capture window when one is set
// (always as client input), else the widget's own window asked by
// WM_NCHITTEST (HTTRANSPARENT passes the point to the parent).
MouseTarget mouseTarget(HWND own, const QPointF &globalPos)
{
    MouseTarget t;
    t.screen = POINT{static_cast<LONG>(std::floor(globalPos.x())), static_cast<LONG>(std::floor(globalPos.y()))};
    const LPARAM at = MAKELPARAM(t.screen.x, t.screen.y);
    if (GetCapture()) {
        t.hwnd = GetCapture();
    } else {
        t.hwnd = own;
        for (;;) {
            t.hit = SendMessageA(t.hwnd, WM_NCHITTEST, 0, at);
            const HWND parent = GetParent(t.hwnd);
            if (t.hit != HTTRANSPARENT || !parent || !(GetWindowLongA(t.hwnd, GWL_STYLE) & WS_CHILD))
                break;
            t.hwnd = parent;
        }
    }
    POINT c = t.screen;
    ScreenToClient(t.hwnd, &c);
    t.client = QPoint(c.x, c.y);
    return t;
}

// The key and button state an event brings, then the window it goes to;
// nothing when no enabled window takes it (a disabled window is not even
// asked where the point lies).
std::optional<MouseTarget> takeMouseEvent(HWND own, QMouseEvent *event)
{
    if (!own)
        return std::nullopt;
    event->accept();
    noteModifiers(event->modifiers());
    noteButtons(event->buttons());
    noteMouseScreenPoint(event->globalPosition());
    if (!GetCapture() && !IsWindowEnabled(own))
        return std::nullopt;
    const MouseTarget t = mouseTarget(own, event->globalPosition());
    if (!IsWindow(t.hwnd) || !IsWindowEnabled(t.hwnd))
        return std::nullopt;
    noteMouseWindow(t.hwnd);
    return t;
}

UINT buttonMessage(Qt::MouseButton b, int kind, bool nonClient) // kind 0 down, 1 up, 2 double
{
    switch (b) {
    case Qt::LeftButton: return (nonClient ? WM_NCLBUTTONDOWN : WM_LBUTTONDOWN) + kind;
    case Qt::RightButton: return (nonClient ? WM_NCRBUTTONDOWN : WM_RBUTTONDOWN) + kind;
    case Qt::MiddleButton: return (nonClient ? WM_NCMBUTTONDOWN : WM_MBUTTONDOWN) + kind;
    default: return 0;
    }
}

MSG makeMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG m;
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    return m;
}

} // namespace

namespace {
POINT g_lastMousePoint{0, 0};
}

void noteMouseScreenPoint(const QPointF &global)
{
    g_lastMousePoint = POINT{static_cast<LONG>(std::floor(global.x())), static_cast<LONG>(std::floor(global.y()))};
}

POINT lastMouseScreenPoint() { return g_lastMousePoint; }

WindowWidget::WindowWidget(HWND hwnd, QWidget *parent)
    : QWidget(parent), m_hwnd(hwnd)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    installWindowAccessibility();
}

void WindowWidget::paintEvent(QPaintEvent *)
{
    if (!m_hwnd)
        return;
    paintFromQt(m_hwnd);
    auto w = detail::find(m_hwnd);
    if (!m_hwnd || !w)
        return;
    // The shown image: the frame, the client surface over it, the caret
    // inverted on top.
    QImage shown = w->frame.isNull() ? w->surface : w->frame;
    if (!w->frame.isNull()) {
        QPainter over(&shown);
        over.drawImage(w->client.topLeft(), w->surface);
    }
    drawCaret(m_hwnd, shown);
    QPainter p(this);
    p.drawImage(0, 0, shown);
}

void WindowWidget::mouseButton(QMouseEvent *event, bool down, bool fromDoubleClick)
{
    const std::optional<MouseTarget> found = takeMouseEvent(m_hwnd, event);
    if (!found)
        return;
    const MouseTarget t = *found;
    const HWND target = t.hwnd;
    const bool nonClient = t.hit != HTCLIENT && !GetCapture();
    int kind = down ? 0 : 1;
    if (down) {
        // A second down on the same button soon and near enough is a double
        // click; it becomes WM_xBUTTONDBLCLK only for CS_DBLCLKS classes.
        const quint64 t = event->timestamp();
        const QPoint pos = event->position().toPoint();
        const bool isDouble = fromDoubleClick
            || (!m_lastWasDouble && m_lastButton == event->button()
                && t - m_lastDownTime <= static_cast<quint64>(QGuiApplication::styleHints()->mouseDoubleClickInterval())
                && std::abs(pos.x() - m_lastDownPos.x()) <= kDoubleClickSlop
                && std::abs(pos.y() - m_lastDownPos.y()) <= kDoubleClickSlop);
        if (isDouble && !fromDoubleClick)
            m_skipQtDoubleClick = true; // Qt follows this press with its own double-click event
        m_lastWasDouble = isDouble;
        m_lastButton = event->button();
        m_lastDownTime = t;
        m_lastDownPos = pos;
        // Double clicks in the non-client area need no class style.
        if (isDouble && (nonClient || (GetClassLongPtrA(target, GCL_STYLE) & CS_DBLCLKS)))
            kind = 2;
    }
    const UINT message = buttonMessage(event->button(), kind, nonClient);
    if (!message)
        return;
    if (down && !GetCapture()) {
        SendMessageA(target, WM_SETCURSOR, target, MAKELPARAM(static_cast<int>(t.hit), static_cast<int>(buttonMessage(event->button(), 0, false))));
        if (!nonClient && IsWindow(target))
            parentNotifyMouse(target, buttonMessage(event->button(), 0, false), t.screen);
        if (!IsWindow(target))
            return;
    }
    if (nonClient)
        postInput(makeMsg(target, message, static_cast<WPARAM>(t.hit), MAKELPARAM(t.screen.x, t.screen.y)));
    else
        postInput(makeMsg(target, message, mouseKeyFlags(event->buttons(), event->modifiers()),
                          MAKELPARAM(t.client.x(), t.client.y())));
    deliverInput();
}

void WindowWidget::mousePressEvent(QMouseEvent *event) { mouseButton(event, true, false); }

void WindowWidget::mouseReleaseEvent(QMouseEvent *event) { mouseButton(event, false, false); }

void WindowWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_skipQtDoubleClick) {
        m_skipQtDoubleClick = false;
        event->accept();
        return;
    }
    mouseButton(event, true, true);
}

void WindowWidget::mouseMoveEvent(QMouseEvent *event)
{
    const std::optional<MouseTarget> found = takeMouseEvent(m_hwnd, event);
    if (!found)
        return;
    const MouseTarget t = *found;
    const HWND target = t.hwnd;
    if (!GetCapture()) {
        SendMessageA(target, WM_SETCURSOR, target, MAKELPARAM(static_cast<int>(t.hit), static_cast<int>(WM_MOUSEMOVE)));
        if (!IsWindow(target))
            return;
    }
    if (t.hit != HTCLIENT && !GetCapture())
        postInput(makeMsg(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(t.hit), MAKELPARAM(t.screen.x, t.screen.y)));
    else
        postInput(makeMsg(target, WM_MOUSEMOVE, mouseKeyFlags(event->buttons(), event->modifiers()),
                          MAKELPARAM(t.client.x(), t.client.y())));
    deliverInput();
}

void WindowWidget::wheelEvent(QWheelEvent *event)
{
    if (!m_hwnd)
        return;
    event->accept();
    const int delta = event->angleDelta().y();
    noteModifiers(event->modifiers());
    noteButtons(event->buttons());
    if (delta == 0 || !IsWindowEnabled(m_hwnd))
        return;
    // The turn goes to the window under the pointer (the one Qt chose), with
    // the pointer's screen position.
    const QPointF global = event->globalPosition();
    const WPARAM keys = mouseKeyFlags(event->buttons(), event->modifiers());
    postInput(makeMsg(m_hwnd, WM_MOUSEWHEEL,
                      static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(static_cast<WORD>(keys), static_cast<WORD>(static_cast<std::int16_t>(delta))))),
                      MAKELPARAM(static_cast<int>(std::floor(global.x())), static_cast<int>(std::floor(global.y())))));
    deliverInput();
}

void WindowWidget::keyPressEvent(QKeyEvent *event)
{
    if (!m_hwnd)
        return;
    event->accept();
    int vk, scan;
    bool extended;
    virtualKey(event->key(), &vk, &scan, &extended);
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
        setKeyDown(vk, true);
    else
        noteModifiers(event->modifiers());
    // Key data: repeat count 1, scan code, extended bit, context (Alt) bit,
    // previous-state bit for auto-repeat.
    LPARAM data = 1 | (static_cast<LPARAM>(scan) << 16) | (extended ? (1 << 24) : 0) | (alt ? (1 << 29) : 0)
        | (event->isAutoRepeat() ? (1 << 30) : 0);
    if (vk) {
        setKeyDown(vk, true);
        postInput(makeMsg(m_hwnd, alt || vk == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk), data));
    }
    if (alt) {
        // Alt combinations make system characters, which nothing here uses.
    } else if (event->modifiers() & Qt::ControlModifier) {
        // Ctrl with a letter is the control character 1..26; other keys
        // with Ctrl make none unless Qt already gave a control character.
        if (vk >= 'A' && vk <= 'Z')
            postInput(makeMsg(m_hwnd, WM_CHAR, static_cast<WPARAM>(vk - 'A' + 1), data));
        else if (event->text().size() == 1 && event->text().at(0).unicode() < 0x20)
            postChars(event->text(), data);
    } else {
        postChars(event->text(), data);
    }
    deliverInput();
}

void WindowWidget::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_hwnd)
        return;
    event->accept();
    int vk, scan;
    bool extended;
    virtualKey(event->key(), &vk, &scan, &extended);
    if (!vk)
        return;
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (vk != VK_SHIFT && vk != VK_CONTROL && vk != VK_MENU)
        noteModifiers(event->modifiers());
    setKeyDown(vk, false);
    const LPARAM data = 1 | (static_cast<LPARAM>(scan) << 16) | (extended ? (1 << 24) : 0) | (alt ? (1 << 29) : 0)
        | (LPARAM(1) << 30) | (LPARAM(1) << 31);
    postInput(makeMsg(m_hwnd, alt || vk == VK_MENU ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk), data));
    deliverInput();
}

void WindowWidget::postChars(const QString &text, LPARAM keyData)
{
    for (int i = 0; i < text.size(); ++i) {
        QString one = text.mid(i, text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1);
        i += one.size() - 1;
        if (one == QStringLiteral("\x7f") || !codepage::isAnsiEncodable(one))
            continue; // Delete makes no character; CP932 cannot hold the rest
        const QByteArray bytes = codepage::toAnsi(one);
        // A double-byte character arrives as two WM_CHARs, lead byte first.
        for (char b : bytes)
            postInput(makeMsg(m_hwnd, WM_CHAR, static_cast<unsigned char>(b), keyData));
    }
}

void WindowWidget::inputMethodEvent(QInputMethodEvent *event)
{
    if (!m_hwnd)
        return;
    event->accept();
    if (!event->commitString().isEmpty()) {
        postChars(event->commitString(), 1);
        deliverInput();
    }
}

void WindowWidget::closeEvent(QCloseEvent *event)
{
    // Closing from Qt (the frame's close button) asks the window: the
    // default procedure destroys it, a procedure may refuse.
    event->ignore();
    // A disabled window (the owner of a modal dialog) takes no input, its
    // close box included.
    if (m_hwnd && IsWindowEnabled(m_hwnd))
        SendMessageA(m_hwnd, WM_CLOSE, 0, 0);
}

void WindowWidget::resizeEvent(QResizeEvent *)
{
    // Geometry set by the window layer matches already; a size Qt gives a
    // top-level window (the user resizing its frame) becomes the window's.
    RECT r;
    if (!m_hwnd || parentWidget() || !GetWindowRect(m_hwnd, &r))
        return;
    if (r.right - r.left != width() || r.bottom - r.top != height())
        SetWindowPos(m_hwnd, 0, 0, 0, width(), height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowWidget::moveEvent(QMoveEvent *)
{
    RECT r;
    if (!m_hwnd || parentWidget() || !GetWindowRect(m_hwnd, &r))
        return;
    const QPoint at = geometry().topLeft(); // the client area, without Qt's frame
    if (r.left != at.x() || r.top != at.y())
        SetWindowPos(m_hwnd, 0, at.x(), at.y(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowWidget::focusInEvent(QFocusEvent *)
{
    if (m_hwnd)
        qtFocusIn(m_hwnd);
}

void WindowWidget::focusOutEvent(QFocusEvent *)
{
    if (!m_hwnd)
        return;
    // Qt moving its focus to another of our windows is handled by that
    // window's focus-in.
    if (qobject_cast<WindowWidget *>(QApplication::focusWidget()))
        return;
    qtFocusOut(m_hwnd);
}

} // namespace platform::win::detail
