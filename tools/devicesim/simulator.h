// A stand-in device attached to the master side of a pseudo-terminal, on the
// Qt event loop of the current thread.
#pragma once

#include "tools/devicesim/device.h"
#include "tools/devicesim/pty.h"

#include <QObject>

#include <cstdio>

namespace devicesim {

class DeviceSimulator : public QObject {
    Q_OBJECT
public:
    static constexpr int kUnplugGraceMs = 200;

    explicit DeviceSimulator(const DeviceConfig &config, QObject *parent = nullptr);
    ~DeviceSimulator() override;

    // Plugs the device in: a new pty, linkPath a symbolic link to its slave.
    bool start(const QString &linkPath, QString *error = nullptr);
    // Unplugs: closes the master and removes the link. Emits unplugged().
    void unplug();
    // Plugs in again under the link path of the last start.
    bool replug(QString *error = nullptr);
    bool isPlugged() const { return m_pty.isOpen(); }

    Device &device() { return m_device; }
    PtyLink &pty() { return m_pty; }
    QString linkPath() const { return m_linkPath; }
    QString slavePath() const { return m_pty.slavePath(); }

    // Writes every frame received and sent as one hex line to out (nullptr: off).
    void setLogStream(std::FILE *out) { m_logOut = out; }

signals:
    void unplugged();

private:
    Device m_device;
    PtyLink m_pty;
    QString m_linkPath;
    std::FILE *m_logOut = nullptr;
    bool m_unplugPending = false;
};

} // namespace devicesim
