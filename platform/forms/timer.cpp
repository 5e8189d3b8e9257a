#include "platform/forms/timer.h"

#include "platform/runtime/runtime_error.h"

#include <QTimer>

namespace platform::forms {

TimerControl::TimerControl(Form *owner, const QString &name, Control *container, int index)
    : Control(owner, name, container, index), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &TimerControl::tick);
    if (!owner) {
        m_live = true; // a stand-alone timer has no form to wait for
        restart();
    }
}

TimerControl::~TimerControl() = default;

QWidget *TimerControl::createWidget(QWidget *)
{
    // Each load starts from the design defaults.
    m_enabled = true;
    m_interval = 0;
    return nullptr;
}

void TimerControl::widgetCreated()
{
    m_live = true;
    restart();
}

void TimerControl::widgetDestroyed()
{
    m_live = false;
    m_timer->stop();
}

bool TimerControl::Enabled()
{
    load();
    return m_enabled;
}

void TimerControl::setEnabled(bool enabled)
{
    load();
    if (m_enabled == enabled)
        return; // enabling a running timer does not restart its countdown
    m_enabled = enabled;
    restart();
}

int TimerControl::Interval()
{
    load();
    return m_interval;
}

void TimerControl::setInterval(int milliseconds)
{
    if (milliseconds < 0 || milliseconds > 65535)
        platform::raise(platform::err::InvalidPropertyValue);
    load();
    m_interval = milliseconds;
    restart();
}

bool TimerControl::isRunning() const
{
    return m_timer->isActive();
}

void TimerControl::restart()
{
    if (m_live && m_enabled && m_interval > 0)
        m_timer->start(m_interval);
    else
        m_timer->stop();
}

void TimerControl::tick()
{
    if (m_inTick)
        return;
    m_inTick = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_inTick};
    emit Timer();
}

} // namespace platform::forms
