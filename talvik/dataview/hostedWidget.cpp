#include "talvik/dataview/hostedWidget.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWidget>

namespace talvik {

void HostedWidget::setHosted(QWidget *widget)
{
    if (m_hosted)
        m_hosted->removeEventFilter(this);
    m_hosted = widget;
    if (m_hosted) {
        m_hosted->hide();
        m_hosted->installEventFilter(this);
    }
}

void HostedWidget::setVisible(bool visible)
{
    m_syncing = true;
    Control::setVisible(visible);
    if (m_hosted && m_place)
        m_hosted->setVisible(visible);
    // A place shown lies over the controls it shares room with.
    if (visible && m_place)
        m_place->raise();
    m_syncing = false;
}

bool HostedWidget::eventFilter(QObject *watched, QEvent *event)
{
    // The widget shown or hidden by its own owner takes its place along.
    if (watched == m_hosted && m_place && !m_syncing &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        m_syncing = true;
        m_place->setVisible(event->type() == QEvent::ShowToParent);
        if (event->type() == QEvent::ShowToParent)
            m_place->raise();
        m_syncing = false;
    }
    return Control::eventFilter(watched, event);
}

QWidget *HostedWidget::createWidget(QWidget *parent)
{
    auto *place = new QWidget(parent);
    auto *layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    m_place = place;
    return place;
}

void HostedWidget::widgetCreated()
{
    if (!m_hosted || !m_place)
        return;
    m_hosted->setParent(m_place);
    m_place->layout()->addWidget(m_hosted);
    m_syncing = true;
    m_hosted->show();
    m_syncing = false;
}

HostedWidget::~HostedWidget()
{
    release();
}

void HostedWidget::widgetDestroyed()
{
    release();
}

void HostedWidget::release()
{
    // Take the widget back before the window deletes its children.
    if (m_hosted) {
        if (m_place && m_place->layout())
            m_place->layout()->removeWidget(m_hosted);
        m_syncing = true;
        m_hosted->hide();
        m_hosted->setParent(nullptr);
        m_syncing = false;
    }
    m_place = nullptr;
}

} // namespace talvik
