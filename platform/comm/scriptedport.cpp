#include "platform/comm/scriptedport.h"

namespace platform::comm {

ScriptedPort::ScriptedPort(QObject *parent) : IPort(parent) {}

bool ScriptedPort::isOpen() const
{
    return const_cast<ScriptedPort *>(this)->dropIfHungUp();
}

bool ScriptedPort::dropIfHungUp()
{
    if (m_hungUp) {
        m_hungUp = false;
        m_open = false;
        emit lineEvent(4);
    }
    return m_open;
}

bool ScriptedPort::open(const QString &path, const LineSettings &settings, Handshake handshake,
                        OpenFailure &why)
{
    dropIfHungUp();
    why = m_refuse;
    if (m_refuse != OpenFailure::None)
        return false;
    if (!m_allowed.isEmpty() && !m_allowed.contains(path)) {
        why = OpenFailure::NoSuchDevice;
        return false;
    }
    m_open = true;
    ++m_openCount;
    m_path = path;
    m_settings = settings;
    m_handshake = handshake;
    m_input.clear();
    return true;
}

void ScriptedPort::close()
{
    m_open = false;
    m_hungUp = false;
}

bool ScriptedPort::configure(const LineSettings &settings, Handshake handshake)
{
    m_settings = settings;
    m_handshake = handshake;
    return true;
}

QByteArray ScriptedPort::readAvailable()
{
    QByteArray out;
    out.swap(m_input);
    return out;
}

bool ScriptedPort::write(const QByteArray &bytes)
{
    if (!dropIfHungUp())
        return false;
    m_written.append(bytes);
    if (m_peer)
        m_peer(bytes);
    return true;
}

void ScriptedPort::feed(const QByteArray &bytes)
{
    m_input.append(bytes);
    if (m_open)
        emit bytesArrived();
}

} // namespace platform::comm
