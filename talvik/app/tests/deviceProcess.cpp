#include "deviceProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>

namespace {

bool isLink(const QString &path)
{
    struct stat st {};
    return ::lstat(path.toLocal8Bit().constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

template <typename F>
bool waitUntil(F condition, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

QByteArray hexOf(const QByteArray &text)
{
    QByteArray out = "02";
    for (char c : text)
        out += ' ' + QByteArray(1, c).toHex().toUpper();
    return out;
}

} // namespace

DeviceProcess::DeviceProcess(const QString &linkPath, const QStringList &args) : m_linkPath(linkPath), m_args(args) {}

DeviceProcess::~DeviceProcess()
{
    stop();
}

bool DeviceProcess::start(QString *why)
{
    auto fail = [why](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (running())
        return fail(QStringLiteral("already running"));
    m_process = std::make_unique<QProcess>();
    m_log.clear();
    m_process->start(QStringLiteral(DEVICESIM_PROGRAM), QStringList{QStringLiteral("--link"), m_linkPath} + m_args);
    if (!m_process->waitForStarted(5000))
        return fail(QStringLiteral("talvik-devicesim did not start: ") + m_process->errorString());
    if (!waitUntil([this] { return isLink(m_linkPath) || m_process->state() == QProcess::NotRunning; }, 5000)
        || !isLink(m_linkPath))
        return fail(QStringLiteral("no link: ") + QString::fromLocal8Bit(log()));
    m_slavePath = QFileInfo(m_linkPath).symLinkTarget();
    return true;
}

bool DeviceProcess::stop(QString *why)
{
    if (!m_process)
        return true;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
            if (why)
                *why = QStringLiteral("talvik-devicesim did not end on SIGTERM");
            return false;
        }
    }
    log();
    if (!waitUntil([this] { return !isLink(m_linkPath); }, 3000)) {
        if (why)
            *why = QStringLiteral("the link stayed");
        return false;
    }
    return true;
}

bool DeviceProcess::running() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

QByteArray DeviceProcess::log()
{
    if (m_process)
        m_log += m_process->readAllStandardError();
    return m_log;
}

int DeviceProcess::requests(const QByteArray &command)
{
    const QByteArray needle = "RX " + hexOf(command);
    return int(log().count(needle));
}

int DeviceProcess::requestsEndingWith(char last)
{
    // A request line ends with its last character, ETX and the BCC.
    const QByteArray end = ' ' + QByteArray(1, last).toHex().toUpper() + " 03 ";
    int n = 0;
    for (const QByteArray &line : log().split('\n'))
        if (line.contains(" RX 02 ") && line.contains(end))
            ++n;
    return n;
}

int DeviceProcess::acksAfterFirst(const QByteArray &command)
{
    const QByteArray request = "RX " + hexOf(command);
    bool after = false;
    int acks = 0;
    for (const QByteArray &line : log().split('\n')) {
        after = after || line.contains(request);
        if (after && line.trimmed().endsWith("RX 06"))
            ++acks;
    }
    return acks;
}

int DeviceProcess::sentDemandBlocks()
{
    return int(log().count("TX " + hexOf("RD")));
}

bool processHoldsDevice(const QString &devicePath)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFileInfo(fds.filePath(fd)).symLinkTarget();
        if (target == devicePath || target == devicePath + QStringLiteral(" (deleted)"))
            return true;
    }
    return false;
}
