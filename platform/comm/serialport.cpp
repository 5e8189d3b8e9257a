#include "platform/comm/serialport.h"

#include <QFileInfo>

#include <poll.h>

namespace platform::comm {

namespace {

QSerialPort::Parity toQt(Parity p)
{
    switch (p) {
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::Mark: return QSerialPort::MarkParity;
    case Parity::Space: return QSerialPort::SpaceParity;
    case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(StopBits s)
{
    switch (s) {
    case StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case StopBits::Two: return QSerialPort::TwoStop;
    case StopBits::One: break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl toQt(Handshake h)
{
    switch (h) {
    case Handshake::XonXoff: return QSerialPort::SoftwareControl;
    case Handshake::RtsCts:
    case Handshake::RtsCtsXonXoff: return QSerialPort::HardwareControl;
    case Handshake::None: break;
    }
    return QSerialPort::NoFlowControl;
}

} // namespace

SerialPort::SerialPort(QObject *parent) : IPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &IPort::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

SerialPort::~SerialPort()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialPort::open(const QString &path, const LineSettings &settings, Handshake handshake,
                      OpenFailure &why)
{
    why = OpenFailure::None;
    // A line that hung up is reported as gone before the new node is opened.
    if (dropIfHungUp())
        m_port.close();
    if (!QFileInfo::exists(path)) {
        why = OpenFailure::NoSuchDevice;
        return false;
    }
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError: why = OpenFailure::NoSuchDevice; break;
        case QSerialPort::PermissionError: why = OpenFailure::InUse; break;
        default: why = OpenFailure::Other; break;
        }
        m_port.clearError();
        return false;
    }
    if (!configure(settings, handshake)) {
        m_port.close();
        why = OpenFailure::Other;
        return false;
    }
    return true;
}

void SerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialPort::isOpen() const
{
    // Looking at the line is what finds its device gone; the drop changes
    // the port's state as the operating system already has.
    return const_cast<SerialPort *>(this)->dropIfHungUp();
}

bool SerialPort::dropIfHungUp()
{
    if (hungUp())
        dropGoneDevice();
    return m_port.isOpen();
}

bool SerialPort::hungUp() const
{
    if (!m_port.isOpen())
        return false;
    pollfd line{};
    line.fd = static_cast<int>(m_port.handle());
    line.events = POLLIN;
    if (line.fd < 0 || ::poll(&line, 1, 0) < 0)
        return false;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool SerialPort::configure(const LineSettings &settings, Handshake handshake)
{
    bool ok = m_port.setBaudRate(settings.baudRate);
    ok = m_port.setParity(toQt(settings.parity)) && ok;
    ok = m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) && ok;
    ok = m_port.setStopBits(toQt(settings.stopBits)) && ok;
    ok = m_port.setFlowControl(toQt(handshake)) && ok;
    m_port.clearError();
    return ok;
}

QByteArray SerialPort::readAvailable()
{
    return m_port.readAll();
}

bool SerialPort::write(const QByteArray &bytes)
{
    if (!dropIfHungUp())
        return false;
    return m_port.write(bytes) == bytes.size();
}

void SerialPort::discardInput()
{
    m_port.readAll();
    m_port.clear(QSerialPort::Input);
    m_port.clearError();
}

void SerialPort::setRts(bool on)
{
    // Fails on a pty and under hardware handshaking; neither is an error here.
    if (m_port.flowControl() != QSerialPort::HardwareControl)
        m_port.setRequestToSend(on);
    m_port.clearError();
}

bool SerialPort::ctsHolding() const
{
    auto &port = const_cast<QSerialPort &>(m_port);
    const QSerialPort::PinoutSignals pins = port.pinoutSignals();
    if (port.error() != QSerialPort::NoError) {
        // No modem-status lines (a pseudo-terminal): treat CTS as held.
        port.clearError();
        return true;
    }
    return pins.testFlag(QSerialPort::ClearToSendSignal);
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
        dropGoneDevice();
        return;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // Which of the three Qt reports for a hung-up line depends on a
        // stale errno; the line itself tells.
        if (dropIfHungUp())
            m_port.clearError();
        return;
    default:
        return;
    }
}

void SerialPort::dropGoneDevice()
{
    if (!m_port.isOpen())
        return;
    m_port.clearError();
    m_port.close();
    emit lineEvent(4);
}

} // namespace platform::comm
