#include "talvik/link/clsDataT.h"

#include "platform/runtime/runtime_error.h"
#include "talvik/link/recordFields.h"

#include <QDate>

namespace talvik {

using frame::FieldKind;
using frame::isDigit;
using frame::readField;
using frame::twoDigits;
using frame::writeField;

QByteArray clsDataT::getSendCMD()
{
    return buildSend("RT", QByteArray("\x02WT", 3));
}

bool clsDataT::setRecvData(const QByteArray &buffer, int length)
{
    if (!takeReply(buffer, length))
        return false;
    const QByteArray &b = frameBuf;
    bool bad = b[1] != 'R' || b[2] != 'T';
    const bool yearOk = isDigit(b[3]) && isDigit(b[4]);
    bad = bad || !yearOk;
    const bool monthOk = (b[5] == '0' || b[5] == '1') && isDigit(b[6]) && twoDigits(b, 5) <= 12;
    bad = bad || !monthOk;
    // Days of the month in 2000 + year (Gregorian); month 00 has none.
    int days = 0;
    if (yearOk && monthOk && twoDigits(b, 5) >= 1)
        days = QDate(2000 + twoDigits(b, 3), twoDigits(b, 5), 1).daysInMonth();
    bad = bad || !(b[7] >= '0' && b[7] <= '3') || !isDigit(b[8]) || twoDigits(b, 7) > days;
    bad = bad || !(b[9] >= '0' && b[9] <= '2') || !isDigit(b[10]) || twoDigits(b, 9) > 23;
    bad = bad || !(b[11] >= '0' && b[11] <= '5') || !isDigit(b[12]) || twoDigits(b, 11) > 59;
    return !bad;
}

bool clsDataT::fire()
{
    if (!m_window)
        return false;
    try {
        m_window->zoDateMonitorDate().setText(QStringLiteral("20") + year() + QLatin1Char('/') + month()
                                              + QLatin1Char('/') + day());
        m_window->zoTimeMonitorTime().setText(hour() + QLatin1Char(':') + minute());
    } catch (const platform::RuntimeError &) {
        return false;
    }
    return true;
}

QString clsDataT::year() const { return readField(frameBuf, 3, 2); }
void clsDataT::setYear(const QString &v) { writeField(frameBuf, 3, 2, v, FieldKind::Digits); }
QString clsDataT::month() const { return readField(frameBuf, 5, 2); }
void clsDataT::setMonth(const QString &v) { writeField(frameBuf, 5, 2, v, FieldKind::Digits); }
QString clsDataT::day() const { return readField(frameBuf, 7, 2); }
void clsDataT::setDay(const QString &v) { writeField(frameBuf, 7, 2, v, FieldKind::Digits); }
QString clsDataT::hour() const { return readField(frameBuf, 9, 2); }
void clsDataT::setHour(const QString &v) { writeField(frameBuf, 9, 2, v, FieldKind::Digits); }
QString clsDataT::minute() const { return readField(frameBuf, 11, 2); }
void clsDataT::setMinute(const QString &v) { writeField(frameBuf, 11, 2, v, FieldKind::Digits); }

} // namespace talvik
