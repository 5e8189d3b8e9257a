#include "tools/devicesim/pty.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace devicesim {

namespace {

// Paths of live links, for removal from a signal handler.
constexpr int kMaxLinks = 16;
char g_links[kMaxLinks][512];
volatile sig_atomic_t g_linkUsed[kMaxLinks];

void registerLink(const QByteArray &path)
{
    if (path.size() >= 511)
        return;
    for (int i = 0; i < kMaxLinks; ++i) {
        if (!g_linkUsed[i]) {
            std::memcpy(g_links[i], path.constData(), size_t(path.size()) + 1);
            g_linkUsed[i] = 1;
            return;
        }
    }
}

void unregisterLink(const QByteArray &path)
{
    for (int i = 0; i < kMaxLinks; ++i)
        if (g_linkUsed[i] && path == g_links[i])
            g_linkUsed[i] = 0;
}

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

void removeLinksForSignal()
{
    for (int i = 0; i < kMaxLinks; ++i)
        if (g_linkUsed[i])
            ::unlink(g_links[i]);
}

PtyLink::PtyLink(QObject *parent) : QObject(parent) {}

PtyLink::~PtyLink()
{
    close();
}

bool PtyLink::open(const QString &linkPath, QString *error)
{
    close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0)
        return setError(error, errnoText("posix_openpt"));
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        const QString text = errnoText("grantpt/unlockpt/ptsname");
        ::close(master);
        return setError(error, text);
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        const QString text = errnoText("open slave");
        ::close(master);
        return setError(error, text);
    }
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~tcflag_t(CRTSCTS);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        ::cfsetispeed(&tio, B19200);
        ::cfsetospeed(&tio, B19200);
        ::tcsetattr(slave, TCSANOW, &tio);
    }

    if (!linkPath.isEmpty()) {
        const QByteArray lp = linkPath.toLocal8Bit();
        struct stat st {};
        if (::lstat(lp.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                ::close(slave);
                ::close(master);
                return setError(error, QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
            }
            ::unlink(lp.constData());
        }
        if (::symlink(name, lp.constData()) != 0) {
            const QString text = errnoText("symlink");
            ::close(slave);
            ::close(master);
            return setError(error, text);
        }
        registerLink(lp);
        m_linkCreated = true;
    }

    m_master = master;
    m_slaveKeeper = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    m_linkPath = linkPath;
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyLink::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyLink::flush);
    return true;
}

void PtyLink::removeLink()
{
    if (!m_linkCreated)
        return;
    const QByteArray lp = m_linkPath.toLocal8Bit();
    unregisterLink(lp);
    // Remove only our own link: the path may have been taken over meanwhile.
    char target[256];
    const ssize_t n = ::readlink(lp.constData(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = 0;
        if (m_slavePath == QString::fromLocal8Bit(target))
            ::unlink(lp.constData());
    }
    m_linkCreated = false;
}

void PtyLink::close()
{
    removeLink();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_slaveKeeper >= 0)
        ::close(m_slaveKeeper);
    m_slaveKeeper = -1;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_out.clear();
}

void PtyLink::onReadable()
{
    QByteArray got;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;   // EAGAIN: drained; EIO cannot last while the keeper holds the slave
    }
    if (!got.isEmpty())
        emit bytesReceived(got);
}

void PtyLink::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    m_out.append(bytes);
    flush();
}

void PtyLink::flush()
{
    while (m_master >= 0 && !m_out.isEmpty()) {
        const ssize_t n = ::write(m_master, m_out.constData(), size_t(m_out.size()));
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_out.isEmpty());
}

} // namespace devicesim
