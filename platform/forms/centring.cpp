#include "platform/forms/centring.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace platform::forms {

QPoint centredTopLeft(const QSize &outer, const QRect &target)
{
    return target.center() - QPoint(outer.width() / 2, outer.height() / 2) + QPoint(1, 1);
}

QPoint keptOn(const QPoint &topLeft, const QSize &outer, const QRect &area)
{
    return QPoint(std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - outer.width())),
                  std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - outer.height())));
}

QMargins frameMarginsOf(QWidget *window)
{
    if (!window || !window->isWindow() || (window->windowFlags() & Qt::FramelessWindowHint))
        return QMargins();
    QWindow *handle = window->windowHandle();
    if (!handle)
        return QMargins();
    // Before the window manager has told the frame, Qt works it out from
    // the window it was put in, which may not have its size yet: a side
    // that comes out negative says the frame is still being built, and it
    // counts as not known.
    const QMargins frame = handle->frameMargins();
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0)
        return QMargins();
    return frame;
}

QRect outerGeometry(QWidget *window)
{
    if (!window)
        return QRect();
    if (!window->isWindow())
        return window->frameGeometry();
    return window->geometry().marginsAdded(frameMarginsOf(window));
}

void moveFrameTo(QWidget *window, const QPoint &topLeft)
{
    if (!window)
        return;
    if (!window->isWindow() || !window->isVisible() || !window->windowHandle()) {
        // Qt takes a top-left corner given before the showing for the frame's.
        window->move(topLeft);
        return;
    }
    // QWidget::move() adds the frame the widget learnt last to the inner
    // window's place; what it adds is taken back and the frame told now put
    // in its stead.
    const QMargins frame = frameMarginsOf(window);
    const QPoint inner = topLeft + QPoint(frame.left(), frame.top());
    window->move(window->pos() + inner - window->geometry().topLeft());
}

namespace {

// How often a wait looks at the window again: often enough that a window
// is placed within a frame or two of the window manager framing it, seldom
// enough to cost nothing while a window manager is slow.
constexpr int kPollMs = 20;
// How long a wait gives the window manager to frame an exposed window (or
// to expose a shown one) before it goes on with the frame known then: a
// window manager that draws no frame never tells one, and a loaded one
// under a test run has been seen to take more than a second.
constexpr int kFrameDeadlineMs = 3000;
// How long a resize is waited on to be reported back by the window system:
// the report of a configure comes within a round trip, so two seconds only
// end a wait on a window manager that refuses the size.
constexpr int kResizeReportMs = 2000;

bool exposed(QWidget *window)
{
    return window->windowHandle() && window->windowHandle()->isExposed();
}

bool hasKnownFrame(QWidget *window)
{
    return (window->windowFlags() & Qt::FramelessWindowHint) || !frameMarginsOf(window).isNull();
}

// A wait on the window manager for one window: a child of the window,
// pending until finish(), polled by its check().
// It follows what the window system reports of the inner window's place
// and size (the configure notifications): Qt's widget takes a move or a
// resize the program asks at once, and a report of an earlier configure
// still on its way takes it back until the report of the asked one comes.
class FrameWait : public QObject {
protected:
public:
    bool pending() const { return m_pending; }

protected:
    explicit FrameWait(QWidget *window) : QObject(window), m_window(window)
    {
        m_poll.setInterval(kPollMs);
        connect(&m_poll, &QTimer::timeout, this, [this] { check(); });
        followReports();
    }
    virtual void check() = 0;
    void finish()
    {
        m_poll.stop();
        m_pending = false; // it goes later, but no longer counts
        deleteLater();
    }
    // Starts following the reports once the window has its handle.
    void followReports()
    {
        QWindow *handle = m_window ? m_window->windowHandle() : nullptr;
        if (!handle || handle == m_handle)
            return;
        if (m_handle)
            m_handle->removeEventFilter(this);
        m_handle = handle;
        m_reported = handle->geometry();
        handle->installEventFilter(this);
    }
    // Notes a report of the window system; true when event is one.
    bool noteReport(QObject *watched, QEvent *event)
    {
        if (watched != m_handle || !event->spontaneous())
            return false;
        if (event->type() == QEvent::Move)
            m_reported.moveTopLeft(static_cast<QMoveEvent *>(event)->pos());
        else if (event->type() == QEvent::Resize)
            m_reported.setSize(static_cast<QResizeEvent *>(event)->size());
        else
            return false;
        return true;
    }
    // The inner window's place and size as the window system reported them.
    QRect reported() const { return m_reported; }

    QPointer<QWidget> m_window;
    QPointer<QWindow> m_handle;
    QRect m_reported;
    QTimer m_poll;
    bool m_pending = true;
};

// The pending wait of type T among window's own children, or nullptr.
template <class T> T *pendingWait(QWidget *window)
{
    for (QObject *child : window->children())
        if (auto *wait = dynamic_cast<T *>(child); wait && wait->pending())
            return wait;
    return nullptr;
}

// Waits until the window is exposed and the window manager has told its
// frame (the frame extents may come a little after the exposure), places it
// with that frame and ends itself. A frameless window is placed at its
// exposure. Ends without moving when the window is hidden first; after a few
// seconds it places the window with the frame known then (a window manager
// that draws no frame).
class Placing final : public FrameWait {
public:
    using TopLeftFor = std::function<QPoint(QWidget *window, const QSize &outer)>;

    Placing(QWidget *window, TopLeftFor topLeftFor, QWidget *target = nullptr)
        : FrameWait(window), m_target(target), m_topLeftFor(std::move(topLeftFor))
    {
        window->installEventFilter(this);
        // Checked at the exposure itself, before anything else reaches the
        // window, and then polled for a frame told late.
        window->winId();
        followReports();
        m_poll.start();
        m_age.start();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (noteReport(watched, event))
            return false;
        if (watched == m_window && event->type() == QEvent::Hide)
            finish();
        else if (watched == m_handle && event->type() == QEvent::Expose && m_poll.isActive())
            check();
        return false;
    }

private:
    void check() override
    {
        QWidget *window = m_window;
        QWindow *handle = window ? window->windowHandle() : nullptr;
        if (!handle) {
            finish();
            return;
        }
        const bool late = m_age.hasExpired(kFrameDeadlineMs);
        if (!handle->isExposed() && !late)
            return;
        // The window centred on is waited on as well: its frame is the target.
        const bool framed = hasKnownFrame(window) && (!m_target || !m_target->isVisible() || hasKnownFrame(m_target));
        if (!framed && !late)
            return;
        // A size the program gave before the frame was known is applied
        // first: the place is worked out for the frame's final size, and a
        // resize sent after the move could take the place back.
        if (sizingPending(window) && !late)
            return;
        if (handle->isExposed()) {
            const QRect frame = outerGeometry(window);
            const QPoint topLeft = m_topLeftFor(window, frame.size());
            if (topLeft != frame.topLeft()) {
                // Pending until the window system has moved it. Moved again
                // only when the place itself changed (a frame told late);
                // a window manager that keeps it elsewhere is not fought,
                // the deadline ends the wait.
                if (!m_moved || m_requested != topLeft) {
                    m_moved = true;
                    m_requested = topLeft;
                    moveFrameTo(window, topLeft);
                }
                if (!late)
                    return;
            } else if (m_moved && reported().topLeft() != window->geometry().topLeft() && !late) {
                return; // the move is not reported yet
            }
        }
        finish();
    }

    QPointer<QWidget> m_target;
    TopLeftFor m_topLeftFor;
    QElapsedTimer m_age;
    bool m_moved = false;
    QPoint m_requested;
};

// Gives a window's frame the outer size the program asked once the window
// manager has framed it. Waits only while the window is shown; a window
// exposed for a few seconds without a frame (a window manager that draws
// none) keeps the size it has.
class Sizing final : public FrameWait {
public:
    explicit Sizing(QWidget *window) : FrameWait(window)
    {
        window->installEventFilter(this);
        if (window->isVisible())
            m_poll.start();
    }
    void ask(int outerWidth, int outerHeight)
    {
        if (outerWidth >= 0)
            m_width = outerWidth;
        if (outerHeight >= 0)
            m_height = outerHeight;
    }
    QSize asked() const { return QSize(m_width, m_height); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (noteReport(watched, event) || watched != m_window)
            return false;
        if (event->type() == QEvent::Show && !m_poll.isActive()) {
            m_poll.start();
        } else if (event->type() == QEvent::Hide) {
            m_poll.stop();
            m_exposedAge.invalidate();
        }
        return false;
    }

private:
    void check() override
    {
        QWidget *window = m_window;
        if (!window) {
            finish();
            return;
        }
        followReports();
        if (m_resized) {
            // Done once the window system has reported the size asked.
            if ((window->size() == m_asked && reported().size() == m_asked) || m_resizedAge.hasExpired(kResizeReportMs))
                finish();
            return;
        }
        if (!exposed(window))
            return;
        if (!m_exposedAge.isValid())
            m_exposedAge.start();
        if (!hasKnownFrame(window)) {
            if (m_exposedAge.hasExpired(kFrameDeadlineMs))
                finish();
            return;
        }
        const QMargins frame = frameMarginsOf(window);
        const int width = m_width >= 0 ? std::max(1, m_width - frame.left() - frame.right()) : window->width();
        const int height = m_height >= 0 ? std::max(1, m_height - frame.top() - frame.bottom()) : window->height();
        if (QSize(width, height) == window->size() && reported().size() == window->size()) {
            finish();
            return;
        }
        m_asked = QSize(width, height);
        m_resized = true;
        m_resizedAge.start();
        window->resize(m_asked);
    }

    QElapsedTimer m_exposedAge;
    QElapsedTimer m_resizedAge;
    bool m_resized = false;
    QSize m_asked;
    int m_width = -1;
    int m_height = -1;
};

Sizing *pendingSizing(QWidget *window)
{
    return pendingWait<Sizing>(window);
}

} // namespace

void centreOnceFramed(QWidget *window, QWidget *on)
{
    if (!window)
        return;
    cancelPlacing(window);
    window->winId(); // the window handle the exposure arrives on
    QPointer<QWidget> target(on);
    new Placing(window, [target](QWidget *w, const QSize &outer) {
        QScreen *screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return outerGeometry(w).topLeft();
        const QRect area = screen->availableGeometry();
        const QRect on = target && target->isVisible() ? outerGeometry(target) : area;
        return keptOn(centredTopLeft(outer, on), outer, area);
    }, on);
}

void keepPlaceOnceFramed(QWidget *window)
{
    if (!window || !window->isVisible() || exposed(window))
        return;
    cancelPlacing(window);
    const QPoint topLeft = outerGeometry(window).topLeft();
    new Placing(window, [topLeft](QWidget *, const QSize &) { return topLeft; });
}

void keepSizeOnceFramed(QWidget *window, int outerWidth, int outerHeight)
{
    if (!window || !window->isWindow())
        return;
    Sizing *sizing = pendingSizing(window);
    if (hasKnownFrame(window)) {
        // The size given now is exact; an older wish must not undo it.
        delete sizing;
        return;
    }
    if (!sizing)
        sizing = new Sizing(window);
    sizing->ask(outerWidth, outerHeight);
}

bool sizingPending(QWidget *window)
{
    return window && pendingSizing(window);
}

QSize outerSizeAsked(QWidget *window)
{
    Sizing *sizing = window ? pendingSizing(window) : nullptr;
    return sizing ? sizing->asked() : QSize(-1, -1);
}

bool placingPending(QWidget *window)
{
    if (!window)
        return false;
    return pendingWait<Placing>(window) != nullptr;
}

void cancelPlacing(QWidget *window)
{
    if (!window)
        return;
    while (Placing *placing = pendingWait<Placing>(window))
        delete placing;
}

} // namespace platform::forms
