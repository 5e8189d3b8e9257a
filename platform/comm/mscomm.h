#pragma once
// The serial port control: port number, settings text, handshaking, input
// buffer, RTS, open/close, CTS, byte input and output, and the OnComm
// notification with its CommEvent code. Notifications arrive on the event
// loop's thread, never nested inside one another: an event that comes while a
// handler runs (a port found gone while the handler looks at it) is reported
// after the handler returns.
//
// Run-time errors raised (platform::RuntimeError): 380 invalid property value,
// 8002 invalid port number, 8005 port already open, 8010 the device is not
// available, 8018 operation valid only while the port is open.
#include "platform/comm/port.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace platform::comm {

// CommEvent codes.
namespace ev {
constexpr int Send = 1;
constexpr int Receive = 2;
constexpr int CTS = 3;
constexpr int DSR = 4;
constexpr int CD = 5;
constexpr int Ring = 6;
constexpr int EOFChar = 7;
constexpr int Break = 1001;
constexpr int CTSTimeout = 1002;
constexpr int DSRTimeout = 1003;
constexpr int Frame = 1004;
constexpr int Overrun = 1006;
constexpr int CDTimeout = 1007;
constexpr int RxOver = 1008;
constexpr int RxParity = 1009;
constexpr int TxFull = 1010;
constexpr int DCB = 1011;
} // namespace ev

namespace err {
constexpr int InvalidPropertyValue = 380;
constexpr int InvalidPortNumber = 8002;
constexpr int PortAlreadyOpen = 8005;
constexpr int DeviceNotAvailable = 8010;
constexpr int PortNotOpen = 8018;
} // namespace err

class MSComm : public QObject {
    Q_OBJECT
public:
    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    // Replaces the port object used by the next open (tests: a scripted port).
    void setPortFactory(PortFactory factory) { m_factory = std::move(factory); }
    // The port object of the last open (nullptr before the first).
    IPort *port() const { return m_port.get(); }

    int CommPort() const { return m_commPort; }
    void setCommPort(int number);

    QString Settings() const { return m_settingsText; }
    void setSettings(const QString &text);

    int Handshaking() const { return m_handshaking; }
    void setHandshaking(int code);

    int InBufferSize() const { return m_inBufferSize; }
    void setInBufferSize(int size);

    int InBufferCount() const;
    // Only 0 is accepted: discards everything waiting.
    void setInBufferCount(int count);

    bool RTSEnable() const { return m_rtsEnable; }
    void setRTSEnable(bool on);

    bool PortOpen() const;
    void setPortOpen(bool open);

    bool CTSHolding() const;

    // 0 text, 1 binary; Input returns bytes either way.
    int InputMode() const { return m_inputMode; }
    void setInputMode(int mode);

    int RThreshold() const { return m_rThreshold; }
    void setRThreshold(int count);

    int InputLen() const { return m_inputLen; }
    void setInputLen(int count);

    // Takes InputLen bytes (all with InputLen 0) from the input buffer.
    QByteArray Input();
    // Writes bytes to the line.
    void Output(const QByteArray &bytes);

    int CommEvent() const { return m_commEvent; }

signals:
    void OnComm();

private:
    void onBytesArrived();
    void onLineEvent(int code);
    void notify(int code);
    void requireOpen() const;

    PortFactory m_factory;
    std::unique_ptr<IPort> m_port;
    int m_commPort = 1;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    LineSettings m_settings;
    int m_handshaking = 0;
    int m_inBufferSize = 1024;
    bool m_rtsEnable = false;
    int m_inputMode = 0;
    int m_rThreshold = 0;
    int m_inputLen = 0;
    int m_commEvent = 0;
    QByteArray m_inBuffer;
    bool m_notifying = false;
    // Events that came while a handler ran, reported after it.
    QList<int> m_pending;
};

} // namespace platform::comm
