// A minimal host for tests: opens the pty slave with plain POSIX calls in raw
// mode, writes frames with their BCC and reads replies by the host's receive
// rules, pumping the Qt event loop meanwhile (the device runs on it).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace devicesim::test {

struct Reply {
    enum Kind { None, Frame, Ack, Nak };
    Kind kind = None;
    QByteArray bytes;   // frame: STX..ETX/ETB, without BCC
    bool bccOk = false;
    char end() const { return bytes.isEmpty() ? 0 : bytes.back(); }
    QByteArray text() const { return bytes.mid(1, bytes.size() - 2); }
};

class RawClient {
public:
    explicit RawClient(const QString &path);
    ~RawClient();
    bool isOpen() const { return m_fd >= 0; }

    void sendRaw(const QByteArray &bytes);
    // STX + text + ETX + BCC
    void sendFrame(const QByteArray &text);
    void sendAck();
    void sendNak();

    // Next reply unit within timeoutMs; kind None on time-out.
    Reply read(int timeoutMs = 1000);
    // Every byte that arrives within ms (the raw wire).
    QByteArray readRaw(int ms);
    // True when the line hangs up (master closed) within timeoutMs.
    bool waitHangup(int timeoutMs);
    // Reads RD/RC blocks, acknowledging each, until ETX or a non-frame.
    QList<Reply> readTransfer(int timeoutMs = 1000);

private:
    bool fill(int timeoutMs);
    int m_fd = -1;
    QByteArray m_pending;
    bool m_hungUp = false;
};

// Pumps the Qt event loop for ms.
void pump(int ms);

} // namespace devicesim::test
