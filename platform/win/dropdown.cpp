#include "platform/win/dropdown.h"
#include "platform/win/window.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <exception>
#include <map>
#include <memory>

namespace platform::win {

namespace {

// Watches the application's input while one drop-down is shown.
class DropDownWatch final : public QObject {
public:
    DropDownWatch(HWND popup, QWidget *popupWidget, QWidget *anchorWidget)
        : m_popup(popup), m_popupWidget(popupWidget), m_anchorWidget(anchorWidget),
          m_top(anchorWidget ? anchorWidget->window() : nullptr)
    {
        qApp->installEventFilter(this);
    }
    ~DropDownWatch() override
    {
        if (qApp)
            qApp->removeEventFilter(this);
    }
    void stop()
    {
        m_stopped = true;
        // A drop-down destroyed after the application object (at the end of
        // the program) stops its watch with no application left.
        if (qApp)
            qApp->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (m_stopped)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick: {
            // Qt offers a press to the window first and moves the focus
            // before the widget sees it: the press is judged at the window,
            // where it can still be held back whole.
            QWidget *widget = qobject_cast<QWidget *>(object);
            if (auto *window = qobject_cast<QWindow *>(object))
                widget = widgetAt(window, static_cast<QMouseEvent *>(event)->position().toPoint());
            if (!widget || inside(widget, m_popupWidget) || inside(widget, m_anchorWidget))
                return false;
            // A press in another pop-up (a menu) is that pop-up's.
            if (widget->window()->windowType() == Qt::Popup)
                return false;
            cancel();
            return true;
        }
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Hide:
        case QEvent::Close:
        case QEvent::WindowDeactivate:
            if (object == m_top.data())
                cancel();
            return false;
        case QEvent::ApplicationDeactivate:
            cancel();
            return false;
        default:
            return false;
        }
    }

private:
    // The widget of a top-level window under a point of that window.
    static QWidget *widgetAt(QWindow *window, const QPoint &at)
    {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->windowHandle() != window)
                continue;
            QWidget *child = top->childAt(at);
            return child ? child : top;
        }
        return nullptr;
    }
    static bool inside(const QWidget *widget, const QPointer<QWidget> &area)
    {
        return area && (widget == area.data() || area->isAncestorOf(widget));
    }
    void cancel()
    {
        // The drop-down's procedure hides it, which stops this watch. Nothing
        // it raises may leave through Qt's event dispatch.
        try {
            if (IsWindow(m_popup))
                SendMessageA(m_popup, WM_CANCELMODE, 0, 0);
        } catch (const std::exception &e) {
            qWarning("drop-down: closing failed: %s", e.what());
        } catch (...) {
            qWarning("drop-down: closing failed");
        }
    }

    HWND m_popup;
    QPointer<QWidget> m_popupWidget;
    QPointer<QWidget> m_anchorWidget;
    QPointer<QWidget> m_top;
    bool m_stopped = false;
};

std::map<HWND, DropDownWatch *> &watches()
{
    static std::map<HWND, DropDownWatch *> map;
    return map;
}

void stopWatch(HWND popup)
{
    auto it = watches().find(popup);
    if (it == watches().end())
        return;
    DropDownWatch *watch = it->second;
    watches().erase(it);
    // The watch may be the caller (its filter cancelled the drop-down).
    watch->stop();
    watch->deleteLater();
}

} // namespace

BOOL ShowDropDown(HWND popup, HWND anchor)
{
    QWidget *pw = WidgetOfWindow(popup);
    QWidget *aw = WidgetOfWindow(anchor);
    if (!pw || !aw || pw->parentWidget())
        return FALSE;
    stopWatch(popup);
    // A borderless window the window manager neither places nor activates;
    // the anchor's top-level window is its owner.
    const Qt::WindowFlags flags = Qt::ToolTip | Qt::FramelessWindowHint;
    if ((pw->windowFlags() & (Qt::WindowType_Mask | Qt::FramelessWindowHint)) != flags)
        pw->setWindowFlags(flags);
    pw->setAttribute(Qt::WA_ShowWithoutActivating);
    pw->winId();
    QWidget *top = aw->window();
    top->winId();
    if (pw->windowHandle() && top->windowHandle() && pw->windowHandle()->transientParent() != top->windowHandle())
        pw->windowHandle()->setTransientParent(top->windowHandle());
    ShowWindow(popup, SW_SHOWNA);
    if (!IsWindow(popup))
        return FALSE;
    pw->raise();
    auto *watch = new DropDownWatch(popup, pw, aw);
    watches()[popup] = watch;
    // A destroyed drop-down is no longer watched.
    QObject::connect(pw, &QObject::destroyed, watch, [popup] { stopWatch(popup); });
    return TRUE;
}

BOOL HideDropDown(HWND popup)
{
    stopWatch(popup);
    if (!IsWindow(popup))
        return FALSE;
    ShowWindow(popup, SW_HIDE);
    return TRUE;
}

BOOL IsDropDownShown(HWND popup)
{
    return watches().count(popup) && IsWindowVisible(popup) ? TRUE : FALSE;
}

} // namespace platform::win
