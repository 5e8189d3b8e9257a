#include "platform/forms/toolbar.h"

#include "platform/forms/collectionerrors.h"
#include "platform/forms/imagelist.h"
#include "platform/runtime/runtime_error.h"

#include <QAction>
#include <QEvent>
#include <QLayout>
#include <QSet>
#include <QToolBar>

namespace platform::forms {

namespace {
// Assistive tools read a button's name: its caption, or for a button that
// shows only an image its tool tip.
void nameButtonWidgets(QAction *action)
{
    if (!action || action->isSeparator())
        return;
    const QString name = action->text().isEmpty() ? action->toolTip() : action->text();
    for (QObject *object : action->associatedObjects())
        if (auto *widget = qobject_cast<QWidget *>(object); widget && !qobject_cast<QToolBar *>(widget))
            widget->setAccessibleName(name);
}
} // namespace

// ---- ToolbarButton --------------------------------------------------------

QString ToolbarButton::Caption() const
{
    return m_action ? m_action->text() : QString();
}

void ToolbarButton::setCaption(const QString &caption)
{
    if (m_action) {
        m_action->setText(caption);
        nameButtonWidgets(m_action);
    }
}

QString ToolbarButton::ToolTipText() const
{
    return m_action ? m_action->toolTip() : QString();
}

void ToolbarButton::setToolTipText(const QString &text)
{
    if (m_action) {
        m_action->setToolTip(text);
        nameButtonWidgets(m_action);
    }
}

bool ToolbarButton::Enabled() const
{
    return m_action && m_action->isEnabled();
}

void ToolbarButton::setEnabled(bool enabled)
{
    if (m_action)
        m_action->setEnabled(enabled);
}

bool ToolbarButton::Visible() const
{
    return m_action && m_action->isVisible();
}

void ToolbarButton::setVisible(bool visible)
{
    if (m_action)
        m_action->setVisible(visible);
}

int ToolbarButton::Value() const
{
    return m_action && m_action->isChecked() ? tbrPressed : tbrUnpressed;
}

void ToolbarButton::setValue(int value)
{
    if (m_action && m_action->isCheckable())
        m_action->setChecked(value == tbrPressed);
}

// ---- Toolbar --------------------------------------------------------------

QWidget *Toolbar::createWidget(QWidget *parent)
{
    m_buttons.clear();
    auto *bar = new QToolBar(parent);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Button images of the control's size; the buttons are kept clear of
    // the controls placed on the bar.
    bar->setIconSize(QSize(16, 16));
    bar->installEventFilter(this);
    return bar;
}

bool Toolbar::eventFilter(QObject *watched, QEvent *event)
{
    if (hasWidget() && watched == widget() && !m_fitting &&
        (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize || event->type() == QEvent::Show))
        QMetaObject::invokeMethod(this, &Toolbar::fitButtons, Qt::QueuedConnection);
    return Control::eventFilter(watched, event);
}

void Toolbar::fitButtons()
{
    // Never loads the form: a fit that comes after the window went does nothing.
    if (!hasWidget() || m_fitting)
        return;
    auto *bar = qobject_cast<QToolBar *>(widget());
    if (!bar)
        return;
    m_fitting = true;
    QSet<QWidget *> buttons;
    for (QAction *action : bar->actions())
        if (QWidget *w = bar->widgetForAction(action))
            buttons.insert(w);
    // The left edge of the controls placed on the bar.
    int limit = bar->width();
    for (QObject *child : bar->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w || w->isWindow() || buttons.contains(w) || !w->isVisibleTo(bar) ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        limit = std::min(limit, w->x());
    }
    auto rightEnd = [&] {
        int right = 0;
        for (QWidget *w : buttons)
            if (w->isVisibleTo(bar))
                right = std::max(right, w->geometry().right());
        return right;
    };
    int size = bar->iconSize().width();
    bar->layout()->activate();
    while (rightEnd() >= limit && size > 8) {
        size -= 2;
        bar->setIconSize(QSize(size, size));
        bar->layout()->activate();
    }
    m_fitting = false;
}

void Toolbar::widgetDestroyed()
{
    m_buttons.clear();
}

ToolbarButton &Toolbar::Add(const QString &key, const QString &caption, int style, int image, int index)
{
    auto *bar = w<QToolBar>();
    if (!key.isEmpty() && find(key))
        raiseCollectionError(collectionError::KeyNotUnique);
    if (index != -1 && (index < 1 || index > int(m_buttons.size()) + 1))
        raiseCollectionError(collectionError::IndexOutOfBounds);
    auto button = std::make_unique<ToolbarButton>();
    button->m_key = key;
    button->m_style = style;
    QAction *action = nullptr;
    if (style == tbrSeparator || style == tbrPlaceholder) {
        action = new QAction(bar);
        action->setSeparator(true);
    } else {
        action = new QAction(caption, bar);
        action->setCheckable(style == tbrCheck || style == tbrButtonGroup);
        if (image > 0 && m_images)
            action->setIcon(QIcon(m_images->Item(image).pixmap()));
        ToolbarButton *raw = button.get();
        connect(action, &QAction::triggered, this, [this, raw] { emit ButtonClick(raw); });
    }
    button->m_action = action;
    const size_t at = index == -1 ? m_buttons.size() : size_t(index - 1);
    QAction *before = at < m_buttons.size() ? m_buttons[at]->m_action.data() : nullptr;
    bar->insertAction(before, action);
    nameButtonWidgets(action);
    m_buttons.insert(m_buttons.begin() + std::ptrdiff_t(at), std::move(button));
    renumber();
    return *m_buttons[at];
}

void Toolbar::renumber()
{
    for (size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->m_index = int(i) + 1;
}

int Toolbar::Count()
{
    load();
    return int(m_buttons.size());
}

ToolbarButton &Toolbar::Buttons(int index)
{
    load();
    if (index < 1 || index > int(m_buttons.size()))
        raiseCollectionError(collectionError::IndexOutOfBounds);
    return *m_buttons[size_t(index - 1)];
}

ToolbarButton &Toolbar::Buttons(const QString &key)
{
    ToolbarButton *button = find(key);
    if (!button)
        raiseCollectionError(collectionError::ElementNotFound);
    return *button;
}

ToolbarButton *Toolbar::find(const QString &key)
{
    load();
    for (auto &button : m_buttons)
        if (!key.isEmpty() && button->m_key == key)
            return button.get();
    return nullptr;
}

void Toolbar::clickButton(const QString &key)
{
    ToolbarButton &button = Buttons(key);
    auto *bar = w<QToolBar>();
    if (bar->isEnabled() && button.m_action && button.m_action->isEnabled() && button.m_action->isVisible())
        button.m_action->trigger();
}

} // namespace platform::forms
