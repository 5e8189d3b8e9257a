#include "tools/devicesim/frame.h"

namespace devicesim {

char bcc(const QByteArray &data)
{
    char x = 0;
    for (char c : data)
        x ^= c;
    return x;
}

QByteArray withBcc(const QByteArray &body)
{
    return body + bcc(body);
}

QByteArray makeFrame(const QByteArray &text, char end)
{
    QByteArray body;
    body.reserve(text.size() + 3);
    body.append(STX);
    body.append(text);
    body.append(end);
    return withBcc(body);
}

QString toHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

void FrameReceiver::reset()
{
    m_state = Idle;
    m_buf.clear();
}

void FrameReceiver::store(char b)
{
    if (m_buf.size() < kMaxFrameBytes)
        m_buf.append(b);
}

void FrameReceiver::feed(const QByteArray &bytes)
{
    for (char b : bytes)
        feed(b);
}

void FrameReceiver::feed(char b)
{
    if (m_state == WaitBcc) {
        ReceivedUnit u;
        u.kind = ReceivedUnit::Frame;
        u.bytes = m_buf;
        u.bccByte = b;
        u.bccOk = bcc(m_buf) == b;
        reset();
        if (onUnit)
            onUnit(u);
        return;
    }
    if (b == ACK || b == NAK) {
        reset();
        ReceivedUnit u;
        u.kind = b == ACK ? ReceivedUnit::Ack : ReceivedUnit::Nak;
        u.bytes = QByteArray(1, b);
        if (onUnit)
            onUnit(u);
        return;
    }
    if (b == STX) {
        if (m_state == Idle) {
            m_buf.clear();
            m_buf.append(b);
            m_state = Text;
        }
        return;
    }
    if (m_state == Idle) {
        if (onNoise)
            onNoise(b);
        return;
    }
    // Inside a frame's text.
    store(b);
    if (b == ETX || b == ETB)
        m_state = WaitBcc;
}

} // namespace devicesim
