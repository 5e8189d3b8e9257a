#pragma once
// Field access on a record's frame image, shared by the device message
// records: fields are fixed-width ASCII; a write takes exactly the field's
// width or fails (run-time error 380) with the image untouched, so that no
// value can overrun its neighbour.
#include <QByteArray>
#include <QString>

namespace talvik::frame {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char ETB = 0x17;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;

constexpr int InvalidPropertyValue = 380;

enum class FieldKind { Digits, Ascii };

// The field's bytes as text (through the ANSI code page, leniently: the
// device sends ASCII, and a stray byte must not stop the reader).
QString readField(const QByteArray &image, int pos, int width);

// Stores text into the field; raises 380 unless the text is exactly `width`
// characters of ASCII (digits for FieldKind::Digits).
void writeField(QByteArray &image, int pos, int width, const QString &text, FieldKind kind);

// True when the byte is an ASCII digit.
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
// Numeric value of two digit bytes.
inline int twoDigits(const QByteArray &b, int pos) { return (b[pos] - '0') * 10 + (b[pos + 1] - '0'); }

// The request of a read command: STX, letters, ETX.
QByteArray request(const char *letters);

} // namespace talvik::frame
