#pragma once
// The ANSI code page of the program: CP932 (Windows-31J). Text inside the
// program is Unicode (QString); files, INI values and archive names are CP932.
#include <QByteArray>
#include <QString>

namespace platform::codepage {

// Encodes to CP932. A character CP932 cannot hold raises run-time error 5 with
// a description naming the character; nothing is replaced by "?".
QByteArray toAnsi(const QString &text);

// True when every character of the text has a CP932 encoding.
bool isAnsiEncodable(const QString &text);

// Decodes CP932. A byte sequence that is not CP932 raises run-time error 5.
QString fromAnsi(const QByteArray &bytes);

// Decodes CP932, replacing undecodable bytes with U+FFFD (for showing
// foreign text, never for data that is written back).
QString fromAnsiLenient(const QByteArray &bytes);

// True when byte b is a CP932 lead byte (its pair's second byte may be 0x5C "\").
constexpr bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace platform::codepage
