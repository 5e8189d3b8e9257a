#pragma once
// MsgBox with the original styles: buttons (vbOKOnly ... vbRetryCancel) +
// icon (vbCritical, vbQuestion, vbExclamation, vbInformation) + default button
// (vbDefaultButton2/3). Returns vbOK ... vbNo. An empty title gives
// App::Title(). Goes through the dialog service (dialogscript.h).
#include "platform/forms/constants.h"

#include <QString>

namespace platform::forms {

int MsgBox(const QString &prompt, int buttons = vbOKOnly, const QString &title = QString());

// Parts of a style value.
int msgBoxButtons(int style);       // 0..5
int msgBoxIcon(int style);          // 0, 16, 32, 48, 64
int msgBoxDefaultButton(int style); // 0, 1, 2 (first, second, third button)
// Results of the buttons of a style, in the order shown.
QList<int> msgBoxResults(int style);
// The result of the default button of a style.
int msgBoxDefaultResult(int style);
// The result of Escape on a box of a style, which is also the answer of a box
// that goes without a button pressed (its owner closed): Cancel where the box
// has one, No for Yes/No, the lone OK. Abort/Retry/Ignore has no Escape
// button; such a box that goes answers Abort, which gives the operation up.
int msgBoxEscapeResult(int style);
// Japanese text of a result's button ("はい", "いいえ", "キャンセル", "OK" ...).
QString msgBoxButtonText(int result);

} // namespace platform::forms
