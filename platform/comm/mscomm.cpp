#include "platform/comm/mscomm.h"

#include "platform/comm/portpath.h"
#include "platform/runtime/runtime_error.h"

namespace platform::comm {

namespace {
[[noreturn]] void fail(int number)
{
    switch (number) {
    case err::InvalidPropertyValue:
        throw RuntimeError(number, errorDescription(err::InvalidPropertyValue));
    case err::InvalidPortNumber:
        throw RuntimeError(number, QStringLiteral("ポート番号が無効です。"));
    case err::PortAlreadyOpen:
        throw RuntimeError(number, QStringLiteral("ポートは既に開かれています。"));
    case err::DeviceNotAvailable:
        throw RuntimeError(number, QStringLiteral("デバイスが使用できません。"));
    case err::PortNotOpen:
        throw RuntimeError(number, QStringLiteral("ポートが開かれていないため、この操作は無効です。"));
    default:
        raise(number);
    }
}
} // namespace

MSComm::MSComm(QObject *parent) : QObject(parent)
{
    LineSettings::parse(m_settingsText, m_settings);
}

MSComm::~MSComm()
{
    if (m_port)
        m_port->close();
}

void MSComm::setCommPort(int number)
{
    if (PortOpen())
        fail(err::PortAlreadyOpen);
    if (number < 1 || number > 255)
        fail(err::InvalidPortNumber);
    m_commPort = number;
}

void MSComm::setSettings(const QString &text)
{
    LineSettings parsed;
    if (!LineSettings::parse(text, parsed))
        fail(err::InvalidPropertyValue);
    m_settings = parsed;
    m_settingsText = text;
    if (PortOpen() && !m_port->configure(m_settings, static_cast<Handshake>(m_handshaking)))
        fail(err::InvalidPropertyValue);
}

void MSComm::setHandshaking(int code)
{
    if (code < 0 || code > 3)
        fail(err::InvalidPropertyValue);
    m_handshaking = code;
    if (PortOpen())
        m_port->configure(m_settings, static_cast<Handshake>(m_handshaking));
}

void MSComm::setInBufferSize(int size)
{
    if (PortOpen())
        fail(err::PortAlreadyOpen);
    if (size <= 0)
        fail(err::InvalidPropertyValue);
    m_inBufferSize = size;
}

int MSComm::InBufferCount() const
{
    return static_cast<int>(m_inBuffer.size());
}

void MSComm::setInBufferCount(int count)
{
    if (count != 0)
        fail(err::InvalidPropertyValue);
    m_inBuffer.clear();
    if (PortOpen())
        m_port->discardInput();
}

void MSComm::setRTSEnable(bool on)
{
    m_rtsEnable = on;
    if (PortOpen())
        m_port->setRts(on);
}

bool MSComm::PortOpen() const
{
    return m_port && m_port->isOpen();
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (PortOpen())
            m_port->close();
        m_inBuffer.clear();
        return;
    }
    if (PortOpen())
        fail(err::PortAlreadyOpen);
    const QString path = comPortPath(m_commPort);
    if (path.isEmpty())
        fail(err::InvalidPortNumber);
    if (!m_port) {
        m_port = m_factory ? m_factory() : createDefaultPort();
        connect(m_port.get(), &IPort::bytesArrived, this, &MSComm::onBytesArrived);
        connect(m_port.get(), &IPort::lineEvent, this, &MSComm::onLineEvent);
    }
    OpenFailure why = OpenFailure::None;
    if (!m_port->open(path, m_settings, static_cast<Handshake>(m_handshaking), why)) {
        switch (why) {
        case OpenFailure::NoSuchDevice: fail(err::InvalidPortNumber);
        case OpenFailure::InUse: fail(err::PortAlreadyOpen);
        default: fail(err::DeviceNotAvailable);
        }
    }
    m_inBuffer.clear();
    m_port->discardInput();
    m_port->setRts(m_rtsEnable);
}

bool MSComm::CTSHolding() const
{
    requireOpen();
    return m_port->ctsHolding();
}

void MSComm::setInputMode(int mode)
{
    if (mode != 0 && mode != 1)
        fail(err::InvalidPropertyValue);
    m_inputMode = mode;
}

void MSComm::setRThreshold(int count)
{
    if (count < 0)
        fail(err::InvalidPropertyValue);
    m_rThreshold = count;
}

void MSComm::setInputLen(int count)
{
    if (count < 0)
        fail(err::InvalidPropertyValue);
    m_inputLen = count;
}

QByteArray MSComm::Input()
{
    requireOpen();
    const qsizetype n = m_inputLen == 0 ? m_inBuffer.size() : qMin<qsizetype>(m_inputLen, m_inBuffer.size());
    QByteArray out = m_inBuffer.left(n);
    m_inBuffer.remove(0, n);
    return out;
}

void MSComm::Output(const QByteArray &bytes)
{
    requireOpen();
    if (!m_port->write(bytes))
        notify(ev::TxFull);
}

void MSComm::requireOpen() const
{
    if (!PortOpen())
        fail(err::PortNotOpen);
}

void MSComm::onBytesArrived()
{
    if (!PortOpen())
        return;
    m_inBuffer.append(m_port->readAvailable());
    bool overflow = false;
    if (m_inBuffer.size() > m_inBufferSize) {
        m_inBuffer.truncate(m_inBufferSize);
        overflow = true;
    }
    if (overflow)
        notify(ev::RxOver);
    if (m_rThreshold > 0 && PortOpen() && m_inBuffer.size() >= m_rThreshold)
        notify(ev::Receive);
}

void MSComm::onLineEvent(int code)
{
    notify(code);
}

void MSComm::notify(int code)
{
    if (m_notifying) {
        // A handler is running (it pumped events, or looking at the port
        // found its line gone): reported after it returns, in order. One
        // receive report stands for all bytes that came meanwhile.
        if (code != ev::Receive || !m_pending.contains(ev::Receive))
            m_pending.append(code);
        return;
    }
    m_notifying = true;
    m_commEvent = code;
    emit OnComm();
    while (!m_pending.isEmpty()) {
        const int next = m_pending.takeFirst();
        if (next == ev::Receive && !(m_rThreshold > 0 && PortOpen() && m_inBuffer.size() >= m_rThreshold))
            continue;
        m_commEvent = next;
        emit OnComm();
    }
    m_notifying = false;
}

} // namespace platform::comm
