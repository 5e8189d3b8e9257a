#include "platform/forms/statusbar.h"

#include "platform/forms/collectionerrors.h"
#include "platform/forms/constants.h"
#include "platform/runtime/runtime_error.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace platform::forms {

QString Panel::Text() const
{
    return m_label ? m_label->text() : QString();
}

void Panel::setText(const QString &text)
{
    if (m_label)
        m_label->setText(text);
}

int Panel::Width() const
{
    return m_label ? m_label->width() * TwipsPerPixel : 0;
}

void Panel::setWidth(int twips)
{
    if (m_label)
        m_label->setFixedWidth(std::max(0, twips / TwipsPerPixel));
}

QWidget *StatusBar::createWidget(QWidget *parent)
{
    m_panels.clear();
    auto *bar = new QWidget(parent);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(2);
    layout->addStretch(1);
    m_clock = new QTimer(bar);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &StatusBar::updateClock);
    return bar;
}

void StatusBar::widgetDestroyed()
{
    m_panels.clear();
}

Panel &StatusBar::Add(const QString &key, const QString &text, int style)
{
    QWidget *bar = widget();
    auto panel = std::make_unique<Panel>();
    panel->m_key = key;
    panel->m_style = style;
    panel->m_label = new QLabel(text, bar);
    panel->m_label->setFrameShape(QFrame::Panel);
    panel->m_label->setFrameShadow(QFrame::Sunken);
    auto *layout = static_cast<QHBoxLayout *>(bar->layout());
    layout->insertWidget(layout->count() - 1, panel->m_label);
    m_panels.push_back(std::move(panel));
    m_panels.back()->m_index = int(m_panels.size());
    if (style == sbrDate || style == sbrTime) {
        updateClock();
        m_clock->start();
    }
    return *m_panels.back();
}

int StatusBar::Count()
{
    load();
    return int(m_panels.size());
}

Panel &StatusBar::Panels(int index)
{
    load();
    if (index < 1 || index > int(m_panels.size()))
        raiseCollectionError(collectionError::IndexOutOfBounds);
    return *m_panels[size_t(index - 1)];
}

void StatusBar::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (auto &panel : m_panels) {
        if (panel->m_style == sbrDate)
            panel->setText(now.toString(QStringLiteral("yyyy/MM/dd")));
        else if (panel->m_style == sbrTime)
            panel->setText(now.toString(QStringLiteral("H:mm")));
    }
}

} // namespace platform::forms
