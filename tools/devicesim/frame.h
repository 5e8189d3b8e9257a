// Device frames: STX, ASCII text, ETX or ETB, then one BCC byte (XOR of every
// byte from STX through ETX/ETB). ACK and NAK travel as single bytes.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace devicesim {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char EOT = 0x04;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr char ETB = 0x17;

// Frames received beyond this many bytes keep only their first bytes, as the
// host does; the BCC then normally fails.
constexpr int kMaxFrameBytes = 1024;

// XOR of every byte of data, starting from 0.
char bcc(const QByteArray &data);

// body starts with STX and ends with ETX/ETB; returns body + BCC.
QByteArray withBcc(const QByteArray &body);

// STX + text + end + BCC.
QByteArray makeFrame(const QByteArray &text, char end = ETX);

// "02 52 56 03 51"
QString toHex(const QByteArray &bytes);

// One unit assembled by the receive machine.
struct ReceivedUnit {
    enum Kind { Frame, Ack, Nak };
    Kind kind = Frame;
    QByteArray bytes;   // frame: STX..ETX/ETB without BCC; Ack/Nak: the one byte
    char bccByte = 0;   // frame only: the BCC byte that arrived
    bool bccOk = true;  // frame only
};

} // namespace devicesim

Q_DECLARE_TYPEINFO(devicesim::ReceivedUnit, Q_RELOCATABLE_TYPE);

namespace devicesim {

// The receive rules of the link: bytes outside a frame other than STX, ACK
// and NAK are ignored; an ACK or NAK ends a frame in progress unreported; a
// second STX inside a frame is dropped; after ETX/ETB the next byte is the BCC
// whatever its value; at most kMaxFrameBytes bytes are kept.
class FrameReceiver {
public:
    std::function<void(const ReceivedUnit &)> onUnit;
    std::function<void(char)> onNoise;   // a byte ignored outside a frame

    void feed(const QByteArray &bytes);
    void feed(char b);
    void reset();
    bool inFrame() const { return m_state != Idle; }

private:
    enum State { Idle, Text, WaitBcc };
    State m_state = Idle;
    QByteArray m_buf;
    void store(char b);
};

} // namespace devicesim
