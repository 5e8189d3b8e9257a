#pragma once
// The byte port behind the serial port control: one implementation on
// QSerialPort for real lines and pseudo-terminals, and a scripted one that
// lets tests inject bytes and line events the operating system never reports
// through Qt (parity, framing, break, modem-line changes).
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace platform::comm {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

// The settings text of the control ("19200,N,8,1") taken apart.
struct LineSettings {
    int baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Parses "baud,parity,data,stop"; false when the text is not such a line.
    static bool parse(const QString &text, LineSettings &out);
};

// Handshaking codes of the control: 0 none, 1 XON/XOFF, 2 RTS/CTS,
// 3 RTS/CTS and XON/XOFF together.
enum class Handshake { None = 0, XonXoff = 1, RtsCts = 2, RtsCtsXonXoff = 3 };

// Why an open failed.
enum class OpenFailure { None, NoSuchDevice, InUse, Other };

class IPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~IPort() override = default;

    virtual bool open(const QString &path, const LineSettings &settings, Handshake handshake,
                      OpenFailure &why) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Applies new line settings to an open port; false when refused.
    virtual bool configure(const LineSettings &settings, Handshake handshake) = 0;
    // Takes every byte the port has received so far.
    virtual QByteArray readAvailable() = 0;
    // Queues bytes for sending; false when the port refused them.
    virtual bool write(const QByteArray &bytes) = 0;
    // Discards received bytes not yet taken.
    virtual void discardInput() = 0;
    virtual void setRts(bool on) = 0;
    // CTS line; a line without modem-status lines reports it held.
    virtual bool ctsHolding() const = 0;

signals:
    // Bytes are waiting to be taken.
    void bytesArrived();
    // A line event with the control's CommEvent code (1, 3-7, 1001-1011).
    void lineEvent(int commEvent);
};

using PortFactory = std::function<std::unique_ptr<IPort>()>;

// Creates the port that a control opens. By default a QSerialPort port; tests
// install a factory that hands out scripted ports.
void setDefaultPortFactory(PortFactory factory);
std::unique_ptr<IPort> createDefaultPort();

} // namespace platform::comm
