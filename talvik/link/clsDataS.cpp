#include "talvik/link/clsDataS.h"

#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/link/recordFields.h"

namespace talvik {

using frame::FieldKind;
using frame::isDigit;
using frame::readField;
using frame::twoDigits;
using frame::writeField;

namespace {

// CT primary current "xx0"/"xx5" up to 595: 1st 0-5, 2nd a digit, 3rd 0 or 5.
bool checkPulseF3(const QByteArray &b, int p)
{
    return b[p] >= '0' && b[p] <= '5' && isDigit(b[p + 1]) && (b[p + 2] == '0' || b[p + 2] == '5');
}

// Caution level in percent: 1st 0 or 1, 2nd 0 or 7-9, 3rd a digit.
bool checkWLevel3(const QByteArray &b, int p)
{
    return (b[p] == '0' || b[p] == '1') && (b[p + 1] == '0' || (b[p + 1] >= '7' && b[p + 1] <= '9'))
        && isDigit(b[p + 2]);
}

// Demand kW x 10: four digits, the fourth "0".
bool checkWatt(const QByteArray &b, int p)
{
    return isDigit(b[p]) && isDigit(b[p + 1]) && isDigit(b[p + 2]) && b[p + 3] == '0';
}

bool checkSkip(const QByteArray &b, int p, int lowest)
{
    if (!isDigit(b[p]) || !isDigit(b[p + 1]))
        return false;
    const int v = twoDigits(b, p);
    return v >= lowest && v <= 15;
}

bool inRange(char c, char lo, char hi) { return c >= lo && c <= hi; }

int optionIndex(const QString &field) { return platform::CInt(platform::Val(field)); }

} // namespace

void SettingRecordBase::setNumber(INumericInput &input, const QString &field)
{
    input.setValue(platform::Val(field));
    input.setBackColor(colorWhite);
}

void SettingRecordBase::fireWatt(ISettingWindow &w, const QString &watt)
{
    w.zonumWatt().setValue(platform::Val(watt.left(3) + QLatin1Char('.') + watt.mid(3, 1)));
    w.zonumWatt().setBackColor(colorWhite);
}

// ---- clsDataS ------------------------------------------------------------

QByteArray clsDataS::getSendCMD()
{
    return buildSend("RS", QByteArray("\x02WS", 3));
}

bool clsDataS::setRecvData(const QByteArray &buffer, int length)
{
    if (!takeReply(buffer, length))
        return false;
    const QByteArray &b = frameBuf;
    bool ok = b[1] == 'R';
    ok = b[2] == 'S' && ok;
    ok = checkWatt(b, 3) && ok;
    ok = inRange(b[7], '0', '3') && ok;
    ok = checkSkip(b, 8, 5) && ok;
    ok = inRange(b[10], '0', '2') && ok;
    ok = inRange(b[11], '0', '3') && ok;
    ok = inRange(b[12], '0', '2') && ok;
    return ok;
}

bool clsDataS::fire()
{
    if (!m_window)
        return false;
    try {
        ISettingWindow &w = *m_window;
        fireWatt(w, watt());
        setNumber(w.zonumSkipTime(), skip());
        w.optWatt(optionIndex(pulseF())).setValue(true);
        for (int i = 0; i <= 3; ++i)
            w.optWatt(i).setBackColor(colorButtonFace);
        w.optWlevel(optionIndex(w_level())).setValue(true);
        for (int i = 0; i <= 2; ++i)
            w.optWlevel(i).setBackColor(colorButtonFace);
        w.optWinterval1(optionIndex(w_interval1())).setValue(true);
        w.optRumble(optionIndex(rumble())).setValue(true);
        w.SetPreData();
    } catch (const platform::RuntimeError &) {
        return false;
    }
    return true;
}

QString clsDataS::watt() const { return readField(frameBuf, 3, 4); }
void clsDataS::setWatt(const QString &v) { writeField(frameBuf, 3, 4, v, FieldKind::Digits); }
QString clsDataS::pulseF() const { return readField(frameBuf, 7, 1); }
void clsDataS::setPulseF(const QString &v) { writeField(frameBuf, 7, 1, v, FieldKind::Digits); }
QString clsDataS::skip() const { return readField(frameBuf, 8, 2); }
void clsDataS::setSkip(const QString &v) { writeField(frameBuf, 8, 2, v, FieldKind::Digits); }
QString clsDataS::w_level() const { return readField(frameBuf, 10, 1); }
void clsDataS::setW_level(const QString &v) { writeField(frameBuf, 10, 1, v, FieldKind::Digits); }
QString clsDataS::w_interval1() const { return readField(frameBuf, 11, 1); }
void clsDataS::setW_interval1(const QString &v) { writeField(frameBuf, 11, 1, v, FieldKind::Digits); }
QString clsDataS::rumble() const { return readField(frameBuf, 12, 1); }
void clsDataS::setRumble(const QString &v) { writeField(frameBuf, 12, 1, v, FieldKind::Digits); }

// ---- clsDataSA -----------------------------------------------------------

QByteArray clsDataSA::getSendCMD()
{
    return buildSend("RSA", QByteArray("\x02WSA", 4));
}

bool clsDataSA::setRecvData(const QByteArray &buffer, int length)
{
    if (!takeReply(buffer, length))
        return false;
    const QByteArray &b = frameBuf;
    bool ok = b[1] == 'R';
    ok = b[2] == 'S' && ok;
    ok = checkWatt(b, 4) && ok;
    ok = checkPulseF3(b, 8) && ok;
    ok = checkSkip(b, 11, 5) && ok;
    ok = checkWLevel3(b, 13) && ok;
    return ok;
}

bool clsDataSA::fire()
{
    if (!m_window)
        return false;
    try {
        ISettingWindow &w = *m_window;
        fireWatt(w, watt());
        setNumber(w.zonumSkipTime(), skip());
        setNumber(w.zonumPulseF2(), pulseF());
        setNumber(w.zonumWLevel2(), w_level());
        w.SetPreData();
    } catch (const platform::RuntimeError &) {
        return false;
    }
    return true;
}

QString clsDataSA::watt() const { return readField(frameBuf, 4, 4); }
void clsDataSA::setWatt(const QString &v) { writeField(frameBuf, 4, 4, v, FieldKind::Digits); }
QString clsDataSA::pulseF() const { return readField(frameBuf, 8, 3); }
void clsDataSA::setPulseF(const QString &v) { writeField(frameBuf, 8, 3, v, FieldKind::Digits); }
QString clsDataSA::skip() const { return readField(frameBuf, 11, 2); }
void clsDataSA::setSkip(const QString &v) { writeField(frameBuf, 11, 2, v, FieldKind::Digits); }
QString clsDataSA::w_level() const { return readField(frameBuf, 13, 3); }
void clsDataSA::setW_level(const QString &v) { writeField(frameBuf, 13, 3, v, FieldKind::Digits); }

// ---- clsDataSB -----------------------------------------------------------

QByteArray clsDataSB::getSendCMD()
{
    if (direction == 'W') {
        // The reserved bytes always go out as blanks.
        for (int i = 21; i <= 35; ++i)
            frameBuf[i] = ' ';
    }
    return buildSend("RSB", QByteArray("\x02WSB", 4));
}

bool clsDataSB::setRecvData(const QByteArray &buffer, int length)
{
    if (!takeReply(buffer, length))
        return false;
    const QByteArray &b = frameBuf;
    bool ok = b[1] == 'R';
    ok = b[2] == 'S' && ok;
    ok = checkWatt(b, 4) && ok;
    ok = checkPulseF3(b, 8) && ok;
    ok = checkSkip(b, 11, 3) && ok;
    ok = checkWLevel3(b, 13) && ok;
    for (int i = 16; i <= 20; ++i)
        ok = isDigit(b[i]) && ok;
    return ok;
}

bool clsDataSB::fire()
{
    if (!m_window)
        return false;
    try {
        ISettingWindow &w = *m_window;
        fireWatt(w, watt());
        setNumber(w.zonumSkipTime(), skip());
        setNumber(w.zonumPulseF2(), pulseF());
        w.optPul(pulse() == QLatin1String("50000") ? 0 : 1).setValue(true);
        w.optPul(0).setBackColor(colorButtonFace);
        w.optPul(1).setBackColor(colorButtonFace);
        setNumber(w.zonumWLevel2(), w_level());
        w.SetPreData();
    } catch (const platform::RuntimeError &) {
        return false;
    }
    return true;
}

QString clsDataSB::watt() const { return readField(frameBuf, 4, 4); }
void clsDataSB::setWatt(const QString &v) { writeField(frameBuf, 4, 4, v, FieldKind::Digits); }
QString clsDataSB::pulseF() const { return readField(frameBuf, 8, 3); }
void clsDataSB::setPulseF(const QString &v) { writeField(frameBuf, 8, 3, v, FieldKind::Digits); }
QString clsDataSB::skip() const { return readField(frameBuf, 11, 2); }
void clsDataSB::setSkip(const QString &v) { writeField(frameBuf, 11, 2, v, FieldKind::Digits); }
QString clsDataSB::w_level() const { return readField(frameBuf, 13, 3); }
void clsDataSB::setW_level(const QString &v) { writeField(frameBuf, 13, 3, v, FieldKind::Digits); }
QString clsDataSB::pulse() const { return readField(frameBuf, 16, 5); }
void clsDataSB::setPulse(const QString &v) { writeField(frameBuf, 16, 5, v, FieldKind::Digits); }

} // namespace talvik
