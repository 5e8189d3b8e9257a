#pragma once
// A place on a form for a widget that lives longer than the form's window
// (the tree, the grid, the drawing surface, the print control): while the
// form is loaded the widget fills the place; when the window goes, the widget
// is taken back and hidden, so that it survives unload and load.
#include "platform/forms/control.h"

#include <QPointer>

namespace talvik {

class HostedWidget : public platform::forms::Control {
    Q_OBJECT
public:
    using Control::Control;
    ~HostedWidget() override;
    // Takes the widget out of the place (before the window or the place goes).
    void release();
    // The widget shown in the place (not owned).
    void setHosted(QWidget *widget);
    QWidget *hosted() const { return m_hosted; }
    // The place and the widget show and hide together: either may be told.
    void setVisible(bool visible) override;

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    void widgetDestroyed() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_hosted;
    QPointer<QWidget> m_place;
    bool m_syncing = false;
};

} // namespace talvik
