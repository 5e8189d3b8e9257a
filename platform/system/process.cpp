#include "platform/system/process.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <dlfcn.h>

#include <map>
#include <memory>

namespace platform::system {

namespace {

struct Started {
    std::unique_ptr<QProcess> process;
    int openHandles = 0;
};

std::map<int64_t, Started> &processes()
{
    static std::map<int64_t, Started> table;
    return table;
}

// Handle value -> process id.
std::map<int64_t, int64_t> &handles()
{
    static std::map<int64_t, int64_t> table;
    return table;
}

int64_t nextHandle()
{
    static int64_t next = 0x100;
    return next += 4;
}

int64_t newHandle(int64_t pid)
{
    const int64_t h = nextHandle();
    handles()[h] = pid;
    ++processes()[pid].openHandles;
    return h;
}

} // namespace

bool CreateProcess(const QString &commandLine, bool hidden, PROCESS_INFORMATION &info, uint32_t &lastError)
{
    Q_UNUSED(hidden); // no window is ever created for a child here
    info = PROCESS_INFORMATION();
    QStringList args = QProcess::splitCommand(commandLine);
    if (args.isEmpty()) {
        lastError = 87; // ERROR_INVALID_PARAMETER
        return false;
    }
    const QString program = args.takeFirst();
    QString exe = QFileInfo(program).isAbsolute() ? program : QStandardPaths::findExecutable(program);
    if (exe.isEmpty() || !QFileInfo(exe).isExecutable()) {
        lastError = 2; // ERROR_FILE_NOT_FOUND
        return false;
    }
    auto p = std::make_unique<QProcess>();
    p->setProgram(exe);
    p->setArguments(args);
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start();
    if (!p->waitForStarted(5000)) {
        lastError = 2;
        return false;
    }
    const int64_t pid = p->processId();
    processes()[pid].process = std::move(p);
    info.dwProcessId = pid;
    info.hProcess = newHandle(pid);
    lastError = 0;
    return true;
}

int64_t OpenProcess(uint32_t access, int64_t processId)
{
    Q_UNUSED(access);
    auto it = processes().find(processId);
    if (it == processes().end() || !it->second.process)
        return 0;
    return newHandle(processId);
}

bool GetExitCodeProcess(int64_t handle, uint32_t &exitCode)
{
    auto h = handles().find(handle);
    if (h == handles().end())
        return false;
    QProcess *p = processes()[h->second].process.get();
    if (!p)
        return false;
    if (p->state() != QProcess::NotRunning) {
        p->waitForFinished(0); // collects an exit that has already happened
        if (p->state() != QProcess::NotRunning) {
            exitCode = STILL_ACTIVE;
            return true;
        }
    }
    exitCode = static_cast<uint32_t>(p->exitCode());
    return true;
}

bool CloseHandle(int64_t handle)
{
    auto h = handles().find(handle);
    if (h == handles().end())
        return false;
    const int64_t pid = h->second;
    handles().erase(h);
    auto it = processes().find(pid);
    if (it != processes().end() && --it->second.openHandles <= 0 && it->second.process &&
        it->second.process->state() == QProcess::NotRunning)
        processes().erase(it);
    return true;
}

QString FormatMessage(uint32_t errorCode)
{
    switch (errorCode) {
    case 0: return QStringLiteral("この操作を正しく終了しました。");
    case 2: return QStringLiteral("指定されたファイルが見つかりません。");
    case 5: return QStringLiteral("アクセスが拒否されました。");
    case 6: return QStringLiteral("ハンドルが無効です。");
    case 87: return QStringLiteral("パラメーターが間違っています。");
    case 234: return QStringLiteral("データがさらにあります。");
    case 259: return QStringLiteral("データはこれ以上ありません。");
    case 1013: return QStringLiteral("構成レジストリ キーに書き込めませんでした。");
    default: return QStringLiteral("エラー %1").arg(errorCode);
    }
}

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Sleep(uint32_t milliseconds)
{
    QThread::msleep(milliseconds);
}

QString modulePath(const void *addressInModule)
{
    Dl_info dl{};
    if (dladdr(addressInModule, &dl) && dl.dli_fname && *dl.dli_fname) {
        const QString p = QString::fromLocal8Bit(dl.dli_fname);
        // The program itself may be named by a relative path.
        return QFileInfo(p).isAbsolute() ? p : QCoreApplication::applicationFilePath();
    }
    return QCoreApplication::applicationFilePath();
}

QString moduleFolder(const void *addressInModule)
{
    return QFileInfo(modulePath(addressInModule)).absolutePath();
}

} // namespace platform::system
