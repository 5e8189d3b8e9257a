#include "platform/forms/accessibility.h"

#include "platform/forms/control.h"

#include <QWidget>

namespace platform::forms {

QString spokenCaption(const QString &caption)
{
    QString out;
    out.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c == QLatin1Char('&') && i + 1 < caption.size()) {
            out += caption[++i];
            continue;
        }
        if (c == QChar(0x3000))
            continue;
        out += c;
    }
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
