#include "tools/devicesim/tests/rawclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace devicesim::test {

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(1000);
    } while (t.elapsed() < ms);
}

RawClient::RawClient(const QString &path)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        return;
    termios tio{};
    ::tcgetattr(m_fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_fd, TCSANOW, &tio);
}

RawClient::~RawClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void RawClient::sendRaw(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else
            pump(1);
    }
}

void RawClient::sendFrame(const QByteArray &text)
{
    QByteArray b = "\x02" + text + "\x03";
    char x = 0;
    for (char c : b)
        x ^= c;
    sendRaw(b + x);
}

void RawClient::sendAck() { sendRaw(QByteArray(1, 0x06)); }
void RawClient::sendNak() { sendRaw(QByteArray(1, 0x15)); }

bool RawClient::fill(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!m_hungUp) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 2) > 0) {
            char buf[2048];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                m_pending.append(buf, n);
                return true;
            }
            if (n == 0 || (n < 0 && errno == EIO) || (p.revents & POLLHUP))
                m_hungUp = true;
        }
        if (t.elapsed() >= timeoutMs)
            return false;
    }
    return false;
}

Reply RawClient::read(int timeoutMs)
{
    // The host's rules: noise outside a frame ignored, ACK/NAK end a frame,
    // a second STX dropped, the byte after ETX/ETB is the BCC, 1024 bytes kept.
    enum { Idle, Text, Bcc } state = Idle;
    QByteArray buf;
    QElapsedTimer t;
    t.start();
    for (;;) {
        while (!m_pending.isEmpty()) {
            const char b = m_pending.front();
            m_pending.remove(0, 1);
            if (state == Bcc) {
                char x = 0;
                for (char c : buf)
                    x ^= c;
                return Reply{Reply::Frame, buf, x == b};
            }
            if (b == 0x06 || b == 0x15)
                return Reply{b == 0x06 ? Reply::Ack : Reply::Nak, QByteArray(1, b), true};
            if (b == 0x02) {
                if (state == Idle) {
                    buf = QByteArray(1, b);
                    state = Text;
                }
                continue;
            }
            if (state == Idle)
                continue;
            if (buf.size() < 1024)
                buf.append(b);
            if (b == 0x03 || b == 0x17)
                state = Bcc;
        }
        const int left = timeoutMs - int(t.elapsed());
        if (left <= 0 || !fill(left))
            return Reply{};
    }
}

QByteArray RawClient::readRaw(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        fill(int(ms - t.elapsed()));
    const QByteArray out = m_pending;
    m_pending.clear();
    return out;
}

bool RawClient::waitHangup(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!m_hungUp && t.elapsed() < timeoutMs) {
        fill(int(timeoutMs - t.elapsed()));
        m_pending.clear();
    }
    return m_hungUp;
}

QList<Reply> RawClient::readTransfer(int timeoutMs)
{
    QList<Reply> out;
    for (;;) {
        const Reply r = read(timeoutMs);
        out.append(r);
        if (r.kind != Reply::Frame)
            return out;
        sendAck();
        if (r.end() == 0x03)
            return out;
    }
}

} // namespace devicesim::test
