#pragma once
// IPort on QSerialPort.
//
// A pseudo-terminal has no modem-status lines: QSerialPort::pinoutSignals
// fails on it, and such a line reports CTS held. RTS cannot be raised on a
// pty either; the failure is ignored. Handshaking code 3 (RTS/CTS and
// XON/XOFF together) has no Qt equivalent and is opened as RTS/CTS, the
// nearer of the two. Parity, framing and break conditions are not reported
// by Qt 6 and never arrive from this port; a device that goes away
// (QSerialPort::ResourceError) is reported as a DSR change (CommEvent 4).
#include "platform/comm/port.h"

#include <QSerialPort>

namespace platform::comm {

class SerialPort : public IPort {
    Q_OBJECT
public:
    explicit SerialPort(QObject *parent = nullptr);
    ~SerialPort() override;

    bool open(const QString &path, const LineSettings &settings, Handshake handshake,
              OpenFailure &why) override;
    void close() override;
    bool isOpen() const override;
    bool configure(const LineSettings &settings, Handshake handshake) override;
    QByteArray readAvailable() override;
    bool write(const QByteArray &bytes) override;
    void discardInput() override;
    void setRts(bool on) override;
    bool ctsHolding() const override;

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
};

} // namespace platform::comm
