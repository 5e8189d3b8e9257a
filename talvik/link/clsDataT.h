#pragma once
// Clock record: RT reads the device clock, WT sets it (14-byte frame).
#include "talvik/link/directedRecord.h"

namespace talvik {

class clsDataT : public DirectedRecord {
public:
    clsDataT() : DirectedRecord(14) {}
    QByteArray getSendCMD() override;
    bool setRecvData(const QByteArray &buffer, int length) override;
    bool fire() override;

    // The window that fire fills; without one fire returns False.
    void setClockWindow(IClockWindow *window) { m_window = window; }

    QString year() const;
    void setYear(const QString &v);
    QString month() const;
    void setMonth(const QString &v);
    QString day() const;
    void setDay(const QString &v);
    QString hour() const;
    void setHour(const QString &v);
    QString minute() const;
    void setMinute(const QString &v);

private:
    IClockWindow *m_window = nullptr;
};

} // namespace talvik
