#include "platform/forms/control.h"

#include "platform/forms/constants.h"
#include "platform/forms/form.h"
#include "platform/forms/formwidget.h"
#include "platform/forms/olecolor.h"

#include <QEvent>
#include <QWidget>

namespace platform::forms {

Control::Control(Form *owner, const QString &name, Control *container, int index)
    : QObject(nullptr), m_owner(owner), m_name(name), m_container(container), m_index(index)
{
    setObjectName(index >= 0 ? QStringLiteral("%1(%2)").arg(name).arg(index) : name);
    if (m_owner)
        m_owner->registerControl(this);
}

Control::~Control()
{
    if (m_owner)
        m_owner->unregisterControl(this);
    delete m_widget.data();
}

void Control::attachIfLoaded()
{
    if (m_owner && m_owner->isLoaded() && !m_widget && m_owner->m_widget)
        create(m_owner->m_widget->client());
}

void Control::load()
{
    if (m_owner)
        m_owner->ensureLoaded();
}

void Control::create(QWidget *formWidget)
{
    QWidget *parent = formWidget;
    if (m_container && m_container->m_widget)
        parent = m_container->m_widget;
    m_widget = createWidget(parent);
    m_hasBackColor = false;
    m_hasForeColor = false;
    if (m_widget) {
        m_widget->setObjectName(objectName());
        m_widget->installEventFilter(this);
        m_widget->show(); // visible within its window unless hidden later
    }
    widgetCreated();
    if (m_widget && m_container && m_container->m_widget)
        m_container->containedWidgetCreated(this);
}

void Control::detach()
{
    widgetDestroyed();
    if (m_widget)
        m_widget->removeEventFilter(this);
    m_widget = nullptr; // deleted with the form's window
}

bool Control::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget) {
        if (event->type() == QEvent::FocusIn)
            emit GotFocus();
        else if (event->type() == QEvent::FocusOut)
            emit LostFocus();
    }
    return QObject::eventFilter(watched, event);
}

QWidget *Control::widget()
{
    load();
    return m_widget;
}

bool Control::Enabled()
{
    load();
    return m_widget && !m_widget->testAttribute(Qt::WA_ForceDisabled);
}

void Control::setEnabled(bool enabled)
{
    load();
    if (m_widget)
        m_widget->setEnabled(enabled);
}

bool Control::Visible()
{
    load();
    // The control's own flag: a control of a hidden window still reads True.
    return m_widget && !m_widget->isHidden();
}

void Control::setVisible(bool visible)
{
    load();
    if (m_widget)
        m_widget->setVisible(visible);
}

int Control::Left()
{
    load();
    return m_widget ? m_widget->x() * TwipsPerPixel : 0;
}

int Control::Top()
{
    load();
    return m_widget ? m_widget->y() * TwipsPerPixel : 0;
}

int Control::Width()
{
    load();
    return m_widget ? m_widget->width() * TwipsPerPixel : 0;
}

int Control::Height()
{
    load();
    return m_widget ? m_widget->height() * TwipsPerPixel : 0;
}

void Control::setLeft(int twips)
{
    load();
    if (m_widget)
        m_widget->move(twips / TwipsPerPixel, m_widget->y());
}

void Control::setTop(int twips)
{
    load();
    if (m_widget)
        m_widget->move(m_widget->x(), twips / TwipsPerPixel);
}

void Control::setWidth(int twips)
{
    load();
    if (m_widget)
        m_widget->resize(std::max(0, twips / TwipsPerPixel), m_widget->height());
}

void Control::setHeight(int twips)
{
    load();
    if (m_widget)
        m_widget->resize(m_widget->width(), std::max(0, twips / TwipsPerPixel));
}

void Control::Move(int left, int top, int width, int height)
{
    setLeft(left);
    setTop(top);
    if (width >= 0)
        setWidth(width);
    if (height >= 0)
        setHeight(height);
}

QString Control::ToolTipText()
{
    load();
    return m_widget ? m_widget->toolTip() : QString();
}

void Control::setToolTipText(const QString &text)
{
    load();
    if (m_widget)
        m_widget->setToolTip(text);
}

quint32 Control::BackColor()
{
    load();
    if (m_hasBackColor)
        return m_backColor;
    return m_widget ? qColorToOleColor(m_widget->palette().color(m_widget->backgroundRole())) : 0;
}

void Control::setBackColor(quint32 color)
{
    load();
    oleColorToQColor(color); // rejects an invalid value before anything changes
    m_backColor = color;
    m_hasBackColor = true;
    applyColors();
}

quint32 Control::ForeColor()
{
    load();
    if (m_hasForeColor)
        return m_foreColor;
    return m_widget ? qColorToOleColor(m_widget->palette().color(m_widget->foregroundRole())) : 0;
}

void Control::setForeColor(quint32 color)
{
    load();
    oleColorToQColor(color);
    m_foreColor = color;
    m_hasForeColor = true;
    applyColors();
}

void Control::applyColors()
{
    if (!m_widget)
        return;
    QPalette palette = m_widget->palette();
    if (m_hasBackColor) {
        const QColor color = oleColorToQColor(m_backColor);
        palette.setColor(m_widget->backgroundRole(), color);
        palette.setColor(QPalette::Base, color);
        palette.setColor(QPalette::Button, color);
        m_widget->setAutoFillBackground(true);
    }
    if (m_hasForeColor) {
        const QColor color = oleColorToQColor(m_foreColor);
        palette.setColor(m_widget->foregroundRole(), color);
        palette.setColor(QPalette::Text, color);
        palette.setColor(QPalette::ButtonText, color);
    }
    m_widget->setPalette(palette);
}

double Control::FontSize()
{
    load();
    return m_widget ? m_widget->font().pointSizeF() : 0.0;
}

void Control::setFontSize(double points)
{
    load();
    if (m_widget && points > 0) {
        QFont font = m_widget->font();
        font.setPointSizeF(points);
        m_widget->setFont(font);
    }
}

bool Control::FontBold()
{
    load();
    return m_widget && m_widget->font().bold();
}

void Control::setFontBold(bool bold)
{
    load();
    if (m_widget) {
        QFont font = m_widget->font();
        font.setBold(bold);
        m_widget->setFont(font);
    }
}

QString Control::FontName()
{
    load();
    return m_widget ? m_widget->font().family() : QString();
}

void Control::setFontName(const QString &name)
{
    load();
    if (m_widget) {
        QFont font = m_widget->font();
        font.setFamily(name);
        m_widget->setFont(font);
    }
}

void Control::SetFocus()
{
    load();
    if (m_widget)
        m_widget->setFocus(Qt::OtherFocusReason);
}

void Control::Refresh()
{
    load();
    if (m_widget)
        m_widget->repaint();
}

} // namespace platform::forms
