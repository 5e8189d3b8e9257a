#include "platform/shell/shellexecute.h"
#include "platform/shell/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform::shell {

namespace {

ShellExecuteRecorder &recorder()
{
    static ShellExecuteRecorder r;
    return r;
}

bool hasScheme(const QString &file)
{
    const int colon = file.indexOf(QLatin1String("://"));
    return colon > 1; // "C://" is a drive, not a scheme
}

} // namespace

void SetShellExecuteRecorder(ShellExecuteRecorder r) { recorder() = std::move(r); }

std::intptr_t ShellExecute(const ShellExecuteRequest &request)
{
    if (recorder())
        return recorder()(request);
    if (request.file.isEmpty())
        return SE_ERR_FNF;
    if (hasScheme(request.file))
        return QDesktopServices::openUrl(QUrl(request.file)) ? kShellExecuteDone : SE_ERR_NOASSOC;
    const QString path = toNativePath(request.file);
    const QFileInfo info(path);
    if (!info.exists())
        return SE_ERR_FNF;
    if (info.isExecutable() && !info.isDir()) {
        const QStringList arguments = QProcess::splitCommand(request.parameters);
        const QString folder = request.directory.isEmpty() ? QString() : toNativePath(request.directory);
        return QProcess::startDetached(path, arguments, folder) ? kShellExecuteDone : SE_ERR_NOASSOC;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? kShellExecuteDone : SE_ERR_NOASSOC;
}

} // namespace platform::shell
