#pragma once
// A scripted IPort for tests: opens any path the test allows, keeps what the
// program writes, and lets the test feed received bytes, line events and the
// CTS line. Its notifications arrive on the event loop like a real port's.
#include "platform/comm/port.h"

#include <QSet>
#include <functional>

namespace platform::comm {

class ScriptedPort : public IPort {
    Q_OBJECT
public:
    explicit ScriptedPort(QObject *parent = nullptr);

    bool open(const QString &path, const LineSettings &settings, Handshake handshake,
              OpenFailure &why) override;
    void close() override;
    bool isOpen() const override;
    bool configure(const LineSettings &settings, Handshake handshake) override;
    QByteArray readAvailable() override;
    bool write(const QByteArray &bytes) override;
    void discardInput() override { m_input.clear(); }
    void setRts(bool on) override { m_rts = on; }
    bool ctsHolding() const override { return m_cts; }

    // Test side.
    // Paths that open; an empty set opens every path.
    void allowPaths(const QSet<QString> &paths) { m_allowed = paths; }
    void refuseOpen(OpenFailure why) { m_refuse = why; }
    // Bytes arrive; the notification follows at once (as one chunk).
    void feed(const QByteArray &bytes);
    // Bytes queued without notification, delivered with the next feed.
    void stage(const QByteArray &bytes) { m_input.append(bytes); }
    void raiseLineEvent(int commEvent) { emit lineEvent(commEvent); }
    // The far end goes, as a pulled adapter: whoever next looks at the port
    // (isOpen, open, write) finds it closed, and it reports DSR once.
    void hangUp() { m_hungUp = m_open; }
    void setCts(bool held) { m_cts = held; }
    // Called with every write, after it was recorded.
    void onWrite(std::function<void(const QByteArray &)> peer) { m_peer = std::move(peer); }

    QByteArray written() const { return m_written; }
    void clearWritten() { m_written.clear(); }
    QString openedPath() const { return m_path; }
    LineSettings settings() const { return m_settings; }
    Handshake handshake() const { return m_handshake; }
    bool rts() const { return m_rts; }
    int openCount() const { return m_openCount; }

private:
    // Closes a hung-up port and reports it; true while the port is open.
    bool dropIfHungUp();

    bool m_open = false;
    bool m_hungUp = false;
    bool m_cts = true;
    bool m_rts = false;
    int m_openCount = 0;
    OpenFailure m_refuse = OpenFailure::None;
    QSet<QString> m_allowed;
    QString m_path;
    LineSettings m_settings;
    Handshake m_handshake = Handshake::None;
    QByteArray m_input;
    QByteArray m_written;
    std::function<void(const QByteArray &)> m_peer;
};

} // namespace platform::comm
