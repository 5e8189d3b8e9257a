#pragma once
// Customer-number list: RC reads every number of a device (one 13-byte block
// per number, the last ending in ETX), WC writes one number.
#include "talvik/link/directedRecord.h"

#include <QList>
#include <QStringList>

namespace talvik {

class clsDataC : public DirectedRecord {
public:
    clsDataC();
    void initData() override;
    // Takes exactly 9 digits (else run-time error 380, nothing changed).
    void add(const QString &number);
    QByteArray getSendCMD() override;
    bool setRecvData(const QByteArray &buffer, int length) override;
    bool fire() override { return true; }

    int idx() const { return m_idx; }
    void setIdx(int i) { m_idx = i; }
    // The entry idx addresses; empty / False outside the list.
    QString customer() const;
    bool isDel() const;
    // Run-time error 9 outside the list.
    void setIsDel(bool flag);
    int count() const override { return m_count; }
    bool isETX() const override;

private:
    QStringList customers;
    QList<bool> delFlags;
    int m_count = 0;
    int m_idx = 0;
};

} // namespace talvik
