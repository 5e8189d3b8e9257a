#pragma once
// The serial link: opens the port with the settings of "Serial.ini", sends
// frames byte by byte with their BCC, sends ACK, cuts the received bytes into
// frames (STX ... ETX/ETB + BCC, or a lone ACK/NAK) and reports them, line
// errors and reply time-outs through its signals.
//
// A frame that stops arriving half way is dropped after 1000 ms without a
// byte, so that one broken reply cannot block later transactions. OnEvent
// hands out a copy of the frame; the receive machine is idle again before it
// is raised.
#include "talvik/link/frmComm.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace talvik {

class clsSerialController : public QObject {
    Q_OBJECT
public:
    static constexpr int bufferLimit = 1024;
    static constexpr int frameGapMs = 1000;

    clsSerialController();
    ~clsSerialController() override;

    bool WriteIni();
    bool openPort();
    void closePort();
    void sendData(const QByteArray &data, int length);
    void sendAck();
    void sendNAK();
    void sendEOT();
    bool checkLine();
    bool checkBCC(std::uint8_t b);

    std::int16_t Port() const { return m_port; }
    void setPort(std::int16_t v) { m_port = v; }
    QString Bps() const { return m_bps; }
    void setBps(const QString &v) { m_bps = v; }
    QString Parity() const { return m_parity; }
    void setParity(const QString &v) { m_parity = v; }
    QString Bit() const { return m_bit; }
    void setBit(const QString &v) { m_bit = v; }
    QString SBit() const { return m_sbit; }
    void setSBit(const QString &v) { m_sbit = v; }
    std::int16_t Flow() const { return m_flow; }
    void setFlow(std::int16_t v) { m_flow = v; }

    bool IsOpen() const;
    // Starts the one-shot reply timer; 0 stops it.
    void setTimer(int milliseconds);
    bool IsBusy() const { return m_state != -1; }
    // While OnEvent reports a lone ACK or NAK: true when that byte came in
    // the middle of a frame and cut it off (the frame's bytes are dropped).
    // Such a byte is a broken block, not an answer of the device.
    bool cutFrame() const { return m_cutFrame; }
    // True once after the port reported its device gone (the line hung up,
    // as when the adapter is pulled out), whether or not the adapter is back
    // by now; the report is taken. The main window's watch uses it.
    bool takeDeviceGone();

    // The COM number the port watcher found (GetVirtualPort), used when Port
    // is 0 or less. Until a watcher is installed no port is found. The main
    // window installs the provider over its port watcher (vcpWatcher) when it
    // loads and removes it (an empty function) when it unloads; tests install
    // their own.
    static void setVirtualPortProvider(std::function<int()> provider);
    static int GetVirtualPort();

    // The comm host (tests reach the port control through it).
    frmComm &comm() { return *m_Comm; }

signals:
    void OnEvent(const QByteArray &data, int count, bool ok);
    void OnError(const QString &msg);
    void OnTranStart();
    void OnTranEnd();
    void OnTimeOut();

private:
    void SerialInit();
    void ReadIni();
    void m_Comm_OnComm();
    void m_Comm_OnTimeOut();
    void m_Comm_OnFrameTimeOut();
    void receive(std::uint8_t b);
    void execMatrix(std::uint8_t b);
    void storeDataStart(std::uint8_t b);
    void fnc_storeData(std::uint8_t b);
    void fnc_resetData();
    void fnc_notifyEvent(bool ok, bool cutFrame = false);
    void errorPath(const QString &message);
    void fault(const char *procedure, const QString &description);
    void writeByte(char b);
    // checkLine for a send: false without a report when the port is closed.
    bool readyToSend();

    std::unique_ptr<frmComm> m_Comm;
    std::int16_t m_port = 0;
    QString m_bps = QStringLiteral("19200");
    QString m_parity = QStringLiteral("N");
    QString m_bit = QStringLiteral("8");
    QString m_sbit = QStringLiteral("1");
    std::int16_t m_flow = 0;
    QByteArray m_buffer;
    int m_count = 0;
    int m_limit = bufferLimit;
    int m_state = -1;
    // Bytes of the current frame were dropped at the buffer limit.
    bool m_overflow = false;
    // The unit being reported is an ACK/NAK that ended a frame in progress.
    bool m_cutFrame = false;
    // The port reported its device gone; not yet taken by takeDeviceGone.
    bool m_deviceGone = false;
};

// Path of "Serial.ini" in the program folder.
QString serialIniPath();

} // namespace talvik
