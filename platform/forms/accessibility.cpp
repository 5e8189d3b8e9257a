#include "platform/forms/accessibility.h"

#include "platform/forms/control.h"
#include "platform/win/mnemonic.h"

#include <QWidget>

namespace platform::forms {

QString spokenCaption(const QString &caption)
{
    QString out = platform::win::withoutMnemonic(caption, platform::win::TrailingAmpersand::Keep);
    // The full-width spaces only spread the letters over the button.
    out.remove(QChar(0x3000));
    out = out.trimmed();
    // A label's closing colon is punctuation, not part of the name.
    while (out.endsWith(QLatin1Char(':')) || out.endsWith(QChar(0xFF1A)))
        out.chop(1);
    return out.trimmed();
}

void setAccessibleName(Control &control, const QString &name)
{
    QWidget *widget = control.widget();
    if (!widget)
        return;
    widget->setAccessibleName(name);
    for (QWidget *inner : widget->findChildren<QWidget *>())
        if (inner->focusPolicy() != Qt::NoFocus)
            inner->setAccessibleName(name);
}

} // namespace platform::forms
