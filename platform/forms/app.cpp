#include "platform/forms/app.h"

#include "platform/shell/shell.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>

#include <map>
#include <memory>

#ifndef TALVIK_VERSION_MAJOR
#define TALVIK_VERSION_MAJOR 0
#endif
#ifndef TALVIK_VERSION_MINOR
#define TALVIK_VERSION_MINOR 0
#endif
#ifndef TALVIK_VERSION_PATCH
#define TALVIK_VERSION_PATCH 0
#endif

namespace platform::forms {

namespace {
struct AppState {
    QString title;
    QString helpFile;
    bool commandSet = false;
    QString command;
    // Instance locks by program folder, held for the process's life.
    std::map<QString, std::unique_ptr<QLockFile>> locks;
    std::map<QString, bool> previous;
};

AppState &state()
{
    static AppState s;
    return s;
}
} // namespace

QString App::Path()
{
    return platform::shell::programFolder();
}

QString App::Title()
{
    return state().title;
}

void App::setTitle(const QString &title)
{
    state().title = title;
}

int App::Major()
{
    return TALVIK_VERSION_MAJOR;
}

int App::Minor()
{
    return TALVIK_VERSION_MINOR;
}

int App::Revision()
{
    return TALVIK_VERSION_PATCH;
}

QString App::lockFileName()
{
    return QStringLiteral(".talvik-instance.lock");
}

bool App::PrevInstance()
{
    AppState &s = state();
    const QString folder = Path();
    auto known = s.previous.find(folder);
    if (known != s.previous.end())
        return known->second;
    auto lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + lockFileName());
    lock->setStaleLockTime(0); // held for life: stale only when its process is gone
    bool taken = lock->tryLock(0);
    if (!taken && lock->error() != QLockFile::LockFailedError) {
        // A read-only program folder: keep the lock in the temporary folder,
        // named after the program folder.
        const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        lock = std::make_unique<QLockFile>(QDir::tempPath() + QStringLiteral("/talvik-") + QString::fromLatin1(hash) +
                                           QStringLiteral(".lock"));
        lock->setStaleLockTime(0);
        taken = lock->tryLock(0);
    }
    s.previous[folder] = !taken;
    if (taken)
        s.locks[folder] = std::move(lock);
    return !taken;
}

void App::releaseInstanceLock()
{
    state().locks.clear();
    state().previous.clear();
}

QString App::HelpFile()
{
    return state().helpFile;
}

void App::setHelpFile(const QString &path)
{
    state().helpFile = path;
}

QString App::Command()
{
    if (state().commandSet)
        return state().command;
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    // An empty argument still is an argument: it is shown quoted, as on the
    // command line that gave it.
    for (QString &a : arguments)
        if (a.isEmpty() || a.contains(QLatin1Char(' ')) || a.contains(QLatin1Char('\t')))
            a = QLatin1Char('"') + a + QLatin1Char('"');
    return arguments.join(QLatin1Char(' '));
}

void App::clearCommand()
{
    state().commandSet = false;
    state().command.clear();
}

void App::setCommand(const QString &command)
{
    state().commandSet = true;
    state().command = command;
}

} // namespace platform::forms
