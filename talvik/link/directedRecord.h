#pragma once
// The mechanics shared by the records with a read/write direction (settings,
// clock, customer number): the frame image, the last built frame and the
// one-byte direction with its rd/wt pair.
#include "talvik/link/protocolRecord.h"

namespace talvik {

class DirectedRecord : public IProtocolRecord {
public:
    // rd(true) or wt(false): read; wt(true) or rd(false): write.
    void setRd(bool b) override { direction = b ? 'R' : 'W'; }
    bool rd() const override { return direction == 'R'; }
    void setWt(bool b) override { direction = b ? 'W' : 'R'; }
    bool wt() const override { return direction == 'W'; }

    const QByteArray &image() const { return frameBuf; }

protected:
    explicit DirectedRecord(int frameLength) : frameBuf(frameLength, '\0') {}

    // Direction R: the read request; W: the image with its fixed bytes set
    // (`header` from index 0, ETX last); none: the last built frame.
    QByteArray buildSend(const char *readLetters, const QByteArray &header);

    // Length check and copy of a reply into the image.
    bool takeReply(const QByteArray &buffer, int length);

    QByteArray frameBuf;
    QByteArray sendFrame;
    char direction = 0;
};

} // namespace talvik
