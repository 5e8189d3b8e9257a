#pragma once
// Settings records of the three detector layouts: RS/WS (14 bytes),
// RSA/WSA (17 bytes), RSB/WSB (37 bytes). Each checks a read reply field by
// field and pushes the values into the settings window.
#include "talvik/link/directedRecord.h"

namespace talvik {

class SettingRecordBase : public DirectedRecord {
public:
    // The window that fire fills; without one fire returns False.
    void setSettingWindow(ISettingWindow *window) { m_window = window; }
    ISettingWindow *settingWindow() const { return m_window; }

protected:
    using DirectedRecord::DirectedRecord;
    // zonumWatt := "ddd.d" of the watt field; background white.
    void fireWatt(ISettingWindow &w, const QString &watt);
    static void setNumber(INumericInput &input, const QString &field);
    ISettingWindow *m_window = nullptr;
};

// RS / WS: T4KA with firmware "1.0".
class clsDataS : public SettingRecordBase {
public:
    clsDataS() : SettingRecordBase(14) {}
    QByteArray getSendCMD() override;
    bool setRecvData(const QByteArray &buffer, int length) override;
    bool fire() override;

    QString watt() const;
    void setWatt(const QString &v);
    QString pulseF() const;
    void setPulseF(const QString &v);
    QString skip() const;
    void setSkip(const QString &v);
    QString w_level() const;
    void setW_level(const QString &v);
    QString w_interval1() const;
    void setW_interval1(const QString &v);
    QString rumble() const;
    void setRumble(const QString &v);
};

// RSA / WSA: T4KA without "1.0", and T4KB.
class clsDataSA : public SettingRecordBase {
public:
    clsDataSA() : SettingRecordBase(17) {}
    QByteArray getSendCMD() override;
    bool setRecvData(const QByteArray &buffer, int length) override;
    bool fire() override;

    QString watt() const;
    void setWatt(const QString &v);
    QString pulseF() const;
    void setPulseF(const QString &v);
    QString skip() const;
    void setSkip(const QString &v);
    QString w_level() const;
    void setW_level(const QString &v);
};

// RSB / WSB: T6KA.
class clsDataSB : public SettingRecordBase {
public:
    clsDataSB() : SettingRecordBase(37) {}
    QByteArray getSendCMD() override;
    bool setRecvData(const QByteArray &buffer, int length) override;
    bool fire() override;

    QString watt() const;
    void setWatt(const QString &v);
    QString pulseF() const;
    void setPulseF(const QString &v);
    QString pulse() const;
    void setPulse(const QString &v);
    QString skip() const;
    void setSkip(const QString &v);
    QString w_level() const;
    void setW_level(const QString &v);
};

} // namespace talvik
