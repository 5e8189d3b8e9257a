#include "platform/forms/doevents.h"

#include "platform/forms/form.h"

#include <QCoreApplication>
#include <QEvent>

namespace platform::forms {

int DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Deletions deferred by the code that runs now; Qt delivers only those
    // that are safe at this loop level.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return int(Form::loadedForms().size());
}

} // namespace platform::forms
