#include "x11window.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace talviktest {

namespace {

xcb_connection_t *connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

} // namespace

bool onX11()
{
    return connection() != nullptr;
}

quint32 x11Window(QWidget *window)
{
    if (!connection() || !window || !window->isWindow())
        return 0;
    return static_cast<quint32>(window->winId());
}

quint32 x11TransientFor(quint32 window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return 0;
    // What Qt wrote may still wait in its output buffer.
    xcb_flush(c);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1), nullptr);
    quint32 owner = 0;
    if (reply && reply->type == XCB_ATOM_WINDOW && xcb_get_property_value_length(reply) >= 4)
        owner = *static_cast<const uint32_t *>(xcb_get_property_value(reply));
    std::free(reply);
    return owner;
}

bool x11RequestClose(QWidget *window)
{
    xcb_connection_t *c = connection();
    const quint32 id = x11Window(window);
    if (!c || !id)
        return false;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = atom(c, "WM_PROTOCOLS");
    event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, id, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    xcb_flush(c);
    return true;
}

bool x11EndMoveResize(QWidget *window)
{
    xcb_connection_t *c = connection();
    const quint32 id = x11Window(window);
    if (!c || !id)
        return false;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = atom(c, "_NET_WM_MOVERESIZE");
    event.data.data32[2] = 11; // _NET_WM_MOVERESIZE_CANCEL
    event.data.data32[4] = 1;  // from a normal application
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
    return true;
}

bool x11TellFrameExtents(QWidget *window, int left, int right, int top, int bottom)
{
    xcb_connection_t *c = connection();
    const quint32 id = x11Window(window);
    if (!c || !id)
        return false;
    const uint32_t extents[4] = {uint32_t(left), uint32_t(right), uint32_t(top), uint32_t(bottom)};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 32, 4,
                        extents);
    xcb_flush(c);
    return true;
}

bool activateWindowAsAPersonDoes(QWidget *window, int timeoutMs)
{
    if (!window)
        return false;
    xcb_connection_t *c = connection();
    if (!c) {
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window, timeoutMs);
    }
    const xcb_window_t id = x11Window(window);
    const auto focusIsOnWindow = [c, id] {
        xcb_get_input_focus_reply_t *reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        const bool on = reply && reply->focus == id;
        std::free(reply);
        return on;
    };
    QDeadlineTimer deadline(timeoutMs);
    QDeadlineTimer nextAsk(0);
    while (!deadline.hasExpired()) {
        if (nextAsk.hasExpired()) {
            window->activateWindow();
            nextAsk.setRemainingTime(500);
        }
        QTest::qWait(20);
        // Qt has read every focus event the server sent before this answer
        // once the answer says the focus is here and Qt agrees.
        if (focusIsOnWindow() && QApplication::activeWindow() == window) {
            QTest::qWait(20);
            if (focusIsOnWindow() && QApplication::activeWindow() == window)
                return true;
        }
    }
    return false;
}

} // namespace talviktest
