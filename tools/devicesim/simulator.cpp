#include "tools/devicesim/simulator.h"

#include <QTimer>

namespace devicesim {

DeviceSimulator::DeviceSimulator(const DeviceConfig &config, QObject *parent)
    : QObject(parent), m_device(config)
{
    connect(&m_pty, &PtyLink::bytesReceived, this, [this](const QByteArray &bytes) {
        if (!m_unplugPending)   // a device being unplugged hears nothing more
            m_device.receiveBytes(bytes);
    });
    connect(&m_device, &Device::transmit, &m_pty, &PtyLink::write);
    // The unplug fault asks from inside the device's send. The device goes
    // quiet at once; the master closes a moment later so that the host can
    // read the half frame before the hang-up (a hang-up flushes unread input).
    connect(&m_device, &Device::unplugRequested, this, [this] {
        m_device.resetLink();
        m_unplugPending = true;
        QTimer::singleShot(kUnplugGraceMs, this, [this] {
            if (m_unplugPending)
                unplug();
        });
    });
    connect(&m_device, &Device::logged, this, [this](const LogEntry &e) {
        if (m_logOut) {
            std::fprintf(m_logOut, "%s\n", formatLogEntry(e).toLocal8Bit().constData());
            std::fflush(m_logOut);
        }
    });
}

DeviceSimulator::~DeviceSimulator()
{
    m_pty.close();
}

bool DeviceSimulator::start(const QString &linkPath, QString *error)
{
    m_linkPath = linkPath;
    m_unplugPending = false;
    m_device.resetLink();
    return m_pty.open(linkPath, error);
}

void DeviceSimulator::unplug()
{
    m_unplugPending = false;
    if (!m_pty.isOpen())
        return;
    // Bytes already queued (the half frame of an unplug fault) go out first
    // when the pty takes them at once; what it cannot take is lost, as on a
    // pulled cable.
    m_pty.close();
    m_device.resetLink();
    if (m_logOut) {
        std::fprintf(m_logOut, "-- unplugged %s\n", m_linkPath.toLocal8Bit().constData());
        std::fflush(m_logOut);
    }
    emit unplugged();
}

bool DeviceSimulator::replug(QString *error)
{
    return start(m_linkPath, error);
}

} // namespace devicesim
