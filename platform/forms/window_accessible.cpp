#include "platform/forms/window_accessible.h"

#include "platform/forms/form.h"
#include "platform/forms/formwidget.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace platform::forms::detail {

namespace {

// A form's window. A window is told as a frame, as a top-level window with
// a caption is; a dialog box, as its form declares it or while it is shown
// modally, is told as a dialog, with the modal state while the user can use
// no other window.
class FormWindowAccessible final : public QAccessibleWidget {
public:
    explicit FormWindowAccessible(FormWidget *widget) : QAccessibleWidget(widget, QAccessible::Window) {}

    QAccessible::Role role() const override
    {
        Form *form = this->form();
        const bool dialog = (form && form->isDialogBox()) || (widget() && widget()->isModal());
        return dialog ? QAccessible::Dialog : QAccessible::Window;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.modal = widget() && widget()->isModal();
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        // The name given to the window wins over its caption (Qt's own
        // rule); the caption is read as the title bar shows it.
        if (t == QAccessible::Name && widget() && widget()->accessibleName().isEmpty())
            return widget()->windowTitle();
        return QAccessibleWidget::text(t);
    }

private:
    Form *form() const
    {
        auto *w = static_cast<FormWidget *>(widget());
        return w ? w->form() : nullptr;
    }
};

QAccessibleInterface *formWindowAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(FormWidget::staticMetaObject.className()))
        if (auto *w = qobject_cast<FormWidget *>(object))
            return new FormWindowAccessible(w);
    return nullptr;
}

} // namespace

void installFormWindowAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(formWindowAccessibleFactory);
}

void tellWindowNameChanged(QWidget *window)
{
    if (!window || !QAccessible::isActive())
        return;
    QAccessibleEvent event(window, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

} // namespace platform::forms::detail
