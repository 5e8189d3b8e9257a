#include "talvik/link/directedRecord.h"

#include "talvik/link/recordFields.h"

namespace talvik {

QByteArray DirectedRecord::buildSend(const char *readLetters, const QByteArray &header)
{
    if (direction == 'R') {
        sendFrame = frame::request(readLetters);
    } else if (direction == 'W') {
        for (int i = 0; i < header.size(); ++i)
            frameBuf[i] = header[i];
        frameBuf[frameBuf.size() - 1] = frame::ETX;
        sendFrame = frameBuf;
    }
    return sendFrame;
}

bool DirectedRecord::takeReply(const QByteArray &buffer, int length)
{
    if (length != frameBuf.size() || buffer.size() < length)
        return false;
    frameBuf = buffer.left(length);
    return true;
}

} // namespace talvik
