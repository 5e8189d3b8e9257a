// A pseudo-terminal whose master side the simulated device owns. The slave
// is put in raw mode (no echo, no CR/LF translation, no flow control) and a
// given path is made a symbolic link to it while the link is plugged in.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace devicesim {

class PtyLink : public QObject {
    Q_OBJECT
public:
    explicit PtyLink(QObject *parent = nullptr);
    ~PtyLink() override;

    // Creates the pseudo-terminal and, when linkPath is not empty, the
    // symbolic link. A stale symbolic link at linkPath is replaced; any other
    // file there is left alone and open fails.
    bool open(const QString &linkPath, QString *error = nullptr);
    // Closes the master (the slave's users see a hang-up) and removes the link.
    void close();

    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    QString linkPath() const { return m_linkPath; }

    // Queues bytes for the slave's reader; written as the pty accepts them.
    void write(const QByteArray &bytes);
    qsizetype pendingOutput() const { return m_out.size(); }

signals:
    void bytesReceived(const QByteArray &bytes);

private:
    void onReadable();
    void flush();
    void removeLink();

    int m_master = -1;
    int m_slaveKeeper = -1;   // keeps the slave open so the master never reads EIO between host sessions
    QString m_slavePath;
    QString m_linkPath;
    bool m_linkCreated = false;
    QByteArray m_out;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
};

// Removes every path registered by a live PtyLink; safe in a signal handler
// (uses unlink only). The program calls it from its SIGINT/SIGTERM handler.
void removeLinksForSignal();

} // namespace devicesim
