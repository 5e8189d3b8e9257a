#include "platform/forms/commondialog.h"

#include "platform/forms/app.h"
#include "platform/forms/constants.h"
#include "platform/forms/dialogscript.h"
#include "platform/runtime/runtime_error.h"

#include <QFileInfo>
#include <QStringList>

namespace platform::forms {

QStringList CommonDialog::qtFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        // A text that already names its patterns in parentheses ("専用CSV(*.CSV)")
        // is shown once; the dialog reads the patterns from it.
        const QString text = parts.at(i).trimmed();
        const int open = int(text.lastIndexOf(QLatin1Char('(')));
        QString named = open >= 0 && text.endsWith(QLatin1Char(')')) ? text.mid(open + 1, text.size() - open - 2) : QString();
        named.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!named.isEmpty() && named.simplified().compare(patterns, Qt::CaseInsensitive) == 0)
            result.append(text);
        else
            result.append(QStringLiteral("%1 (%2)").arg(text, patterns));
    }
    return result;
}

void CommonDialog::ShowOpen()
{
    show(false);
}

void CommonDialog::ShowSave()
{
    show(true);
}

QString CommonDialog::shownTitle(bool save) const
{
    if (!m_dialogTitle.isEmpty())
        return m_dialogTitle;
    return save ? QStringLiteral("名前を付けて保存") : QStringLiteral("開く");
}

QString CommonDialog::boxTitle() const
{
    return m_dialogTitle.isEmpty() ? App::Title() : m_dialogTitle;
}

bool CommonDialog::confirm(const QString &prompt)
{
    if (DialogScript::showMessageBox(prompt, vbYesNo | vbExclamation, boxTitle()) == vbYes)
        return true;
    if (m_cancelError)
        platform::raise(platform::err::CancelError);
    return false;
}

void CommonDialog::show(bool save)
{
    if (!m_filter.isEmpty() && m_filter.count(QLatin1Char('|')) % 2 == 0)
        platform::raise(20476, QStringLiteral("フィルタの指定が不正です。"));
    FileDialogRequest request;
    request.save = save;
    request.title = shownTitle(save);
    request.initDir = m_initDir;
    request.filter = m_filter;
    request.filterIndex = m_filterIndex;
    request.fileName = m_fileName;
    request.defaultExt = m_defaultExt;
    request.flags = m_flags;
    const std::optional<FileDialogAnswer> answer = DialogScript::showFileDialog(request);
    if (!answer) {
        if (m_cancelError)
            platform::raise(platform::err::CancelError);
        return;
    }
    QString path = answer->path;
    // A typed name without extension gets the default extension.
    if (!m_defaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        QString ext = m_defaultExt;
        if (ext.startsWith(QLatin1Char('.')))
            ext.remove(0, 1);
        path += QLatin1Char('.') + ext;
    }
    // With the overwrite prompt a save to an existing file asks first; with
    // the create prompt a file that does not exist does. No counts as a
    // cancel.
    const bool exists = QFileInfo::exists(path);
    const QString name = QFileInfo(path).fileName();
    if (save && (m_flags & cdlOFNOverwritePrompt) && exists
        && !confirm(QStringLiteral("%1 は既に存在します。\n上書きしますか？").arg(name)))
        return;
    if ((m_flags & cdlOFNCreatePrompt) && !(m_flags & cdlOFNFileMustExist) && !exists
        && !confirm(QStringLiteral("%1 は存在しません。\nファイルを作成しますか？").arg(name)))
        return;
    m_fileName = path;
    m_fileTitle = QFileInfo(path).fileName();
    m_filterIndex = answer->filterIndex;
}

} // namespace platform::forms
