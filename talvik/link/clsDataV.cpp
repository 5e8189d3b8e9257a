#include "talvik/link/clsDataV.h"

#include "talvik/link/recordFields.h"

namespace talvik {

void clsDataV::initData()
{
    frameBuf.fill('\0', 20);
}

QByteArray clsDataV::getSendCMD()
{
    return frame::request("RV");
}

bool clsDataV::setRecvData(const QByteArray &buffer, int length)
{
    if (length != 20 || buffer.size() < length)
        return false;
    frameBuf = buffer.left(20);
    return frameBuf[1] == 'R' && frameBuf[2] == 'V';
}

QString clsDataV::version() const
{
    return frame::readField(frameBuf, 3, 16);
}

void clsDataV::setVersion(const QString &v)
{
    frame::writeField(frameBuf, 3, 16, v, frame::FieldKind::Ascii);
}

} // namespace talvik
