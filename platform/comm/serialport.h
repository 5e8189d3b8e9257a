#pragma once
// IPort on QSerialPort.
//
// A pseudo-terminal has no modem-status lines: QSerialPort::pinoutSignals
// fails on it, and such a line reports CTS held. RTS cannot be raised on a
// pty either; the failure is ignored. Handshaking code 3 (RTS/CTS and
// XON/XOFF together) has no Qt equivalent and is opened as RTS/CTS, the
// nearer of the two. Parity, framing and break conditions are not reported
// by Qt 6 and never arrive from this port.
//
// A device that goes away (a USB adapter pulled out, the far end of a
// pseudo-terminal closed) leaves the open descriptor hung up for good: reads
// see end of file and writes fail, and Qt reports that as a resource, read or
// write error depending on what errno last held. Any such error on a line
// that has hung up, and a resource error always, closes the port at once and
// is reported as a DSR change (CommEvent 4), so that the next open reaches
// whatever node the adapter has now. Whoever looks first at a hung-up line
// drops it: isOpen, open, write and the error slot all go through
// dropIfHungUp, so "open" means a descriptor is held and its line is up.
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
    // The open line has hung up: its device is gone.
    bool hungUp() const;
    // A port whose line has hung up is closed and reported (DSR). True while
    // the port is open afterwards.
    bool dropIfHungUp();
    // Closes a port whose device is gone and reports it.
    void dropGoneDevice();

    QSerialPort m_port;
};

} // namespace platform::comm
