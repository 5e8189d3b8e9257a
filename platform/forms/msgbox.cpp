#include "platform/forms/msgbox.h"

#include "platform/forms/app.h"
#include "platform/forms/dialogscript.h"

namespace platform::forms {

int msgBoxButtons(int style)
{
    const int buttons = style & 0x7;
    return buttons <= vbRetryCancel ? buttons : vbOKOnly;
}

int msgBoxIcon(int style)
{
    return style & 0x70;
}

int msgBoxDefaultButton(int style)
{
    return (style & 0x300) >> 8;
}

QList<int> msgBoxResults(int style)
{
    switch (msgBoxButtons(style)) {
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    default: return {vbOK};
    }
}

int msgBoxDefaultResult(int style)
{
    const QList<int> results = msgBoxResults(style);
    const int index = msgBoxDefaultButton(style);
    // A default button beyond the buttons shown falls back to the first.
    return index < results.size() ? results.at(index) : results.first();
}

int msgBoxEscapeResult(int style)
{
    const QList<int> results = msgBoxResults(style);
    if (results.contains(vbCancel))
        return vbCancel;
    if (results.contains(vbNo))
        return vbNo;
    return results.first();
}

QString msgBoxButtonText(int result)
{
    switch (result) {
    case vbOK: return QStringLiteral("OK");
    case vbCancel: return QStringLiteral("キャンセル");
    case vbAbort: return QStringLiteral("中止(&A)");
    case vbRetry: return QStringLiteral("再試行(&R)");
    case vbIgnore: return QStringLiteral("無視(&I)");
    case vbYes: return QStringLiteral("はい(&Y)");
    case vbNo: return QStringLiteral("いいえ(&N)");
    default: return QString();
    }
}

int MsgBox(const QString &prompt, int buttons, const QString &title)
{
    return DialogScript::showMessageBox(prompt, buttons, title.isEmpty() ? App::Title() : title);
}

} // namespace platform::forms
