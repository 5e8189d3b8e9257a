#include "platform/forms/centring.h"

#include <QEvent>
#include <QGuiApplication>
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

namespace {

const char *const kPlacingName = "talvik-placing";

// Waits on the window's first exposure, places it with its own frame and
// ends itself. Ends without moving when the window is hidden first, or after
// a few seconds without an exposure (a window manager that never maps it).
class Placing final : public QObject {
public:
    using TopLeftFor = std::function<QPoint(QWidget *window, const QSize &outer)>;

    Placing(QWidget *window, TopLeftFor topLeftFor) : QObject(window), m_window(window), m_topLeftFor(std::move(topLeftFor))
    {
        setObjectName(QLatin1String(kPlacingName));
        window->installEventFilter(this);
        if (QWindow *handle = window->windowHandle())
            handle->installEventFilter(this);
        QTimer::singleShot(5000, this, [this] { deleteLater(); });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Hide) {
            deleteLater();
        } else if (watched != m_window && event->type() == QEvent::Expose && m_window && !m_done) {
            auto *handle = static_cast<QWindow *>(watched);
            if (handle->isExposed()) {
                m_done = true;
                const QRect frame = m_window->frameGeometry();
                const QPoint topLeft = m_topLeftFor(m_window, frame.size());
                if (topLeft != frame.topLeft())
                    m_window->move(topLeft);
                deleteLater();
            }
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    TopLeftFor m_topLeftFor;
    bool m_done = false;
};

bool exposed(QWidget *window)
{
    return window->windowHandle() && window->windowHandle()->isExposed();
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
            return w->frameGeometry().topLeft();
        const QRect area = screen->availableGeometry();
        const QRect on = target && target->isVisible() ? target->frameGeometry() : area;
        return keptOn(centredTopLeft(outer, on), outer, area);
    });
}

void keepPlaceOnceFramed(QWidget *window)
{
    if (!window || !window->isVisible() || exposed(window))
        return;
    cancelPlacing(window);
    const QPoint topLeft = window->pos();
    new Placing(window, [topLeft](QWidget *, const QSize &) { return topLeft; });
}

void cancelPlacing(QWidget *window)
{
    if (!window)
        return;
    const QObjectList children = window->children();
    for (QObject *child : children)
        if (child->objectName() == QLatin1String(kPlacingName))
            delete child;
}

} // namespace platform::forms
