#include "talvik/link/clsDataC.h"

#include "platform/runtime/runtime_error.h"
#include "talvik/link/recordFields.h"

namespace talvik {

clsDataC::clsDataC() : DirectedRecord(13)
{
    direction = 'R';
    initData();
}

void clsDataC::initData()
{
    m_count = 0;
    m_idx = 0;
    frameBuf.fill('\0', 13);
    customers = QStringList{QString()};
    delFlags = QList<bool>{false};
}

void clsDataC::add(const QString &number)
{
    frame::writeField(frameBuf, 3, 9, number, frame::FieldKind::Digits);
    if (m_count < customers.size()) {
        customers[m_count] = number;
        delFlags[m_count] = true;
    } else {
        customers.append(number);
        delFlags.append(true);
    }
    m_idx = m_count;
    ++m_count;
}

QByteArray clsDataC::getSendCMD()
{
    const QByteArray out = buildSend("RC", QByteArray("\x02WC", 3));
    m_count = 0;
    return out;
}

bool clsDataC::setRecvData(const QByteArray &buffer, int length)
{
    if (!takeReply(buffer, length))
        return false;
    bool ok = frameBuf[1] == 'R' && frameBuf[2] == 'C';
    for (int i = 3; i <= 11; ++i)
        ok = ok && frame::isDigit(frameBuf[i]);
    if (ok)
        add(frame::readField(frameBuf, 3, 9));
    return ok;
}

QString clsDataC::customer() const
{
    return customers.value(m_idx);
}

bool clsDataC::isDel() const
{
    return delFlags.value(m_idx, false);
}

void clsDataC::setIsDel(bool flag)
{
    if (m_idx < 0 || m_idx >= delFlags.size())
        platform::raise(platform::err::SubscriptOutOfRange);
    delFlags[m_idx] = flag;
}

bool clsDataC::isETX() const
{
    return frameBuf[12] == frame::ETX;
}

} // namespace talvik
