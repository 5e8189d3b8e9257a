// The stand-in device: a demand detector or the multi-customer reader,
// speaking the framed command protocol. Transport-free: bytes from the host
// go into receiveBytes, bytes for the host leave through the transmit signal
// (DeviceSimulator wires both to a pseudo-terminal).
//
// Behaviour the protocol leaves to the device, as built here:
// - A request with a wrong BCC, an unknown command, a wrong length, bad
//   fields or a command the model does not have is answered with a lone NAK.
// - Reads reply with one frame (RV, RS, RSA, RSB, RT) or block by block
//   (RC, RD): ETB ends every block but the last, ETX the last. The next block
//   goes out only after the host's ACK. A NAK resends the same block; after
//   kMaxResends resends of one block the transfer is abandoned. With no ACK
//   or NAK within the ACK time-out (3000 ms) the transfer is abandoned too;
//   a new request frame abandons it at once.
// - Nothing to send (RC without customer number, RD without records, RD for
//   a number the reader does not hold) is answered with a lone ACK.
// - Writes (WS, WSA, WSB, WT, WC) are answered ACK when taken, else NAK.
// - The reader takes the 14-byte RD request (number and delete flag); the
//   detectors take the 4-byte one. With the delete flag "1" the reader
//   deletes that customer's records once the host has acknowledged the last
//   block; an abandoned transfer deletes nothing. The number stays in the
//   reader's list.
// - WT sets the clock; it then runs on from the time set. WC sets a
//   detector's customer number, and adds a number to the reader's list.
// - The model UNKNOWN answers only RV; SILENT answers nothing.
// - Frame-shaping faults (badbcc, partial, dupstx, ...) do not change a
//   one-byte reply; silence, delay, garbage, noise and unplug do.
#pragma once

#include "tools/devicesim/faultplan.h"
#include "tools/devicesim/frame.h"
#include "tools/devicesim/model.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace devicesim {

struct LogEntry {
    enum Direction { In, Out };
    Direction direction = In;
    QByteArray bytes;   // exactly the bytes that crossed the line (received frames with their BCC)
    QString note;       // "BCC NG", "noise", the fault applied, ...
    qint64 msecs = 0;   // since the device was created
};

} // namespace devicesim

Q_DECLARE_TYPEINFO(devicesim::LogEntry, Q_RELOCATABLE_TYPE);

namespace devicesim {

QString formatLogEntry(const LogEntry &e);

class Device : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxResends = 3;
    static constexpr int kDefaultAckTimeoutMs = 3000;
    // The log and the list of received units keep this many of their most
    // recent entries (a long transfer must not fill the memory with them);
    // the frame log on standard error is complete.
    static constexpr qsizetype kKeptEntries = 100000;

    explicit Device(const DeviceConfig &config, QObject *parent = nullptr);

    // Bytes from the host.
    void receiveBytes(const QByteArray &bytes);

    // --- inspection and control (tests, the program) ---
    Model model() const { return m_config.model; }
    const DeviceConfig &config() const { return m_config; }
    FaultPlan &faults() { return m_faults; }
    // The most recent kKeptEntries frames both ways.
    const QList<LogEntry> &log() const { return m_log; }
    void clearLog();
    // Frames and lone ACK/NAK received from the host, in order (the most
    // recent kKeptEntries).
    const QList<ReceivedUnit> &received() const { return m_received; }
    // Request frames (without BCC) that the device acted on or refused.
    QList<QByteArray> requests() const;

    QByteArray versionText() const { return m_version; }
    SettingsLayout settingsLayout() const { return settingsLayoutOf(m_config.model); }
    QByteArray settingsText() const { return m_settings; }
    void setSettingsText(const QByteArray &text) { m_settings = text; }

    QDateTime clock() const;                  // device wall clock, as Qt::UTC
    void setClock(const QDateTime &wallClock);

    QList<Customer> &customers() { return m_customers; }
    const QList<Customer> &customers() const { return m_customers; }
    int findCustomer(const QByteArray &number) const;

    void setAckTimeout(int ms) { m_ackTimeoutMs = ms; }
    bool isTransferring() const { return m_transfer.active; }
    int completedTransfers() const { return m_completed; }
    int abandonedTransfers() const { return m_abandoned; }

    // Forget any transfer and half-received frame (used when unplugged).
    void resetLink();

signals:
    void transmit(const QByteArray &bytes);
    void logged(const devicesim::LogEntry &entry);
    void unplugRequested();
    void transferCompleted(const QByteArray &command);
    void transferAbandoned(const QByteArray &command);

private:
    struct Transfer {
        bool active = false;
        QByteArray command;          // "RC" or "RD"
        // Frame body STX..ETB/ETX of block i, made when the block is sent.
        std::function<QByteArray(qsizetype)> blockAt;
        qsizetype blocks = 0;
        qsizetype current = 0;       // index of the block awaiting its ACK
        int resends = 0;
        int deleteCustomer = -1;     // reader: customer whose records go after the last ACK
    };

    void onUnit(const ReceivedUnit &unit);
    void onNoise(char b);
    void handleRequest(const QByteArray &frame);
    void handleAckNak(bool ack);

    void replyByte(const QByteArray &command, char b);
    void replyFrame(const QByteArray &command, int block, const QByteArray &body);
    void send(const QByteArray &bytes, const QString &note);
    void startTransfer(const QByteArray &command, qsizetype blocks,
                       std::function<QByteArray(qsizetype)> blockAt, int deleteCustomer);
    void sendCurrentBlock();
    void abandonTransfer(const QString &why);
    void completeTransfer();

    void doRV(const QByteArray &f);
    void doReadSettings(const QByteArray &cmd, const QByteArray &f);
    void doWriteSettings(const QByteArray &cmd, const QByteArray &f);
    void doRT(const QByteArray &f);
    void doWT(const QByteArray &f);
    void doRC(const QByteArray &f);
    void doWC(const QByteArray &f);
    void doRD(const QByteArray &f);

    QByteArray defaultBadField(const QByteArray &command, int *pos) const;
    void addLog(LogEntry::Direction dir, const QByteArray &bytes, const QString &note);

    DeviceConfig m_config;
    FaultPlan m_faults;
    FrameReceiver m_receiver;
    QList<LogEntry> m_log;
    QList<ReceivedUnit> m_received;
    QElapsedTimer m_uptime;

    QByteArray m_version;
    QByteArray m_settings;
    qint64 m_clockOffsetSecs = 0;   // device clock - wall clock
    QList<Customer> m_customers;

    Transfer m_transfer;
    QTimer m_ackTimer;
    int m_ackTimeoutMs = kDefaultAckTimeoutMs;
    quint64 m_generation = 0;       // bumps on every new request; stale delayed sends drop out
    int m_completed = 0;
    int m_abandoned = 0;
};

} // namespace devicesim
