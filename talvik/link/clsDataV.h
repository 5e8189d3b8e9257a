#pragma once
// Version record: RV reads the 16-character version text (20-byte reply).
#include "talvik/link/protocolRecord.h"

namespace talvik {

class clsDataV : public IProtocolRecord {
public:
    clsDataV() : frameBuf(20, '\0') {}
    void initData() override;
    QByteArray getSendCMD() override;
    bool setRecvData(const QByteArray &buffer, int length) override;
    bool fire() override { return true; }

    // The 16 bytes of the version field, trailing blanks and zero bytes kept.
    QString version() const;
    void setVersion(const QString &v);

private:
    QByteArray frameBuf;
};

} // namespace talvik
