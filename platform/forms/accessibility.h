#pragma once
// Names of controls for assistive tools (screen readers). A control's
// caption is what a sighted user reads; a screen reader speaks the name.
#include <QString>

namespace platform::forms {

class Control;

// A caption as a screen reader should say it: the '&' mnemonic marks taken
// out ("&&" stays a plain '&'), the full-width spaces that spread its
// letters over a button removed, a closing colon (":" or "：") dropped and
// spaces at either end trimmed.
QString spokenCaption(const QString &caption);

// Names the control for assistive tools; its caption stays as it is. The
// name reaches the widgets inside the control that take the focus (an
// input's edit field) as well, so the field the user is in is named.
void setAccessibleName(Control &control, const QString &name);

} // namespace platform::forms
