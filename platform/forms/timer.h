#pragma once
// Timer control. Enabled and Interval as in the original: a running timer
// ticks every Interval ms on the event loop; setting Interval while enabled
// restarts the countdown; Interval 0 or Enabled False stops it. A tick that
// comes while the handler of the previous one is still running (it yields to
// pending events) is skipped rather than nested.
// On a form the timer is a control: touching it loads the form, unloading the
// form stops it, and each load starts from Enabled True, Interval 0 unless
// the form's design says otherwise. Without an owner it stands alone.
// The class is TimerControl so that its event can keep the name Timer();
// declare members as Timer and connect with &TimerControl::Timer.
#include "platform/forms/control.h"

class QTimer;

namespace platform::forms {

class TimerControl : public Control {
    Q_OBJECT
public:
    explicit TimerControl(Form *owner = nullptr, const QString &name = QString(), Control *container = nullptr,
                   int index = -1);
    ~TimerControl() override;

    bool Enabled() override;
    void setEnabled(bool enabled) override;
    int Interval();
    void setInterval(int milliseconds);
    // Ticking now (enabled, interval > 0, form loaded).
    bool isRunning() const;

signals:
    void Timer();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    void widgetDestroyed() override;

private:
    void restart();
    void tick();
    QTimer *m_timer;
    bool m_enabled = true;
    int m_interval = 0;
    bool m_live = false;
    bool m_inTick = false;
};

using Timer = TimerControl;

} // namespace platform::forms
