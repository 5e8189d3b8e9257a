// Fault plan: per command, how the device misbehaves on the wire.
//
// Text form (command line and tests):  CMD:KIND[:ARG][@BLOCK][xTIMES]
//   CMD    RV RS RSA RSB WS WSA WSB RT WT RC WC RD, or * for every command
//   KIND   badbcc      reply with a wrong BCC byte
//          nak         answer the request with a lone NAK, ARG times (default 1), then normally
//          alwaysnak   answer every request with a lone NAK
//          garbage     send unframed garbage bytes instead of the reply
//          silence     send nothing
//          delay       send the reply after ARG ms (default 1500)
//          partial     send the first half of the reply frame, then stall
//          noise       send noise bytes before the reply's STX (the reply itself is good)
//          ackinframe  send half of the frame, an ACK, and nothing more
//          nakinframe  send half of the frame, a NAK, and nothing more
//          dupstx      insert a second STX in the middle of the frame (BCC over the real frame)
//          oversize    pad the frame's text beyond 1024 bytes (BCC correct over all bytes)
//          badfield    overwrite a field with an out-of-range value; ARG "POS=TEXT" (byte
//                      position in the frame, text to put there) or empty for the command's default
//          unplug      send half of the frame, then close the master and remove the link
//   BLOCK  the 1-based block of a multi-block reply (RC, RD) that is hit; default 1, * = every block
//   TIMES  how often the fault fires before it is spent; default: always (nak: ARG times)
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace devicesim {

enum class FaultKind {
    None,
    BadBcc,
    Nak,
    Garbage,
    Silence,
    Delay,
    Partial,
    Noise,
    AckInFrame,
    NakInFrame,
    DupStx,
    Oversize,
    BadField,
    Unplug,
};

struct Fault {
    QByteArray command;      // "RD", "WS", ... or "*"
    FaultKind kind = FaultKind::None;
    int arg = 0;             // delay in ms
    int fieldPos = -1;       // badfield: byte position, -1 = default of the command
    QByteArray fieldText;    // badfield: bytes to put there
    int block = 1;           // 1-based block, 0 = every block
    int times = -1;          // remaining firings, -1 = unlimited

    // Faults that replace the whole reply to a request (whatever the block).
    bool isRequestFault() const { return kind == FaultKind::Nak; }
};

// Parses one fault text; returns std::nullopt and sets *error on bad input.
std::optional<Fault> parseFault(const QString &text, QString *error = nullptr);

QString faultKindName(FaultKind kind);

class FaultPlan {
public:
    void add(const Fault &fault) { m_faults.append(fault); }
    bool add(const QString &text, QString *error = nullptr);
    void clear() { m_faults.clear(); }
    void clear(const QByteArray &command);
    bool isEmpty() const { return m_faults.isEmpty(); }
    const QList<Fault> &faults() const { return m_faults; }

    // The request-level fault for a command (lone NAK), consumed when found.
    std::optional<Fault> takeRequestFault(const QByteArray &command);
    // The frame fault for block (1-based) of a command's reply, consumed when found.
    std::optional<Fault> takeFrameFault(const QByteArray &command, int block);

private:
    std::optional<Fault> take(const QByteArray &command, int block, bool requestLevel);
    QList<Fault> m_faults;
};

} // namespace devicesim
