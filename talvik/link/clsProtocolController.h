#pragma once
// One command/response transaction with the device at a time: sends the
// record's frame, follows the reply block by block, acknowledges blocks,
// resends a refused write, reports time-outs, drives the wait dialog and tells
// the owner window how the transaction ended.
//
// Every controller shares the one serial link and sees every block; only the
// controller whose transaction runs (mode not 0) acts on it, cancel included,
// and only that one stops or re-arms the shared reply timer.
// The controller's own signals are delivered queued: they run after the serial
// link's receive handler has returned, so a handler may open a modal dialog or
// start the next transfer without nesting inside the receive machine.
#include "talvik/link/protocolRecord.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

namespace talvik {

class clsSerialController;

// The start of the error text of an RD transfer whose records could not be
// stored before the final block was acknowledged (the cause follows on the
// next line). The device is fine and still holds the records.
inline const QString recordsNotStoredText =
    QStringLiteral("受信したデータを保存できませんでした。データは機器に残っています。");

// The error text of a write the device refused with NAK after every resend:
// the device answered, so it is still there.
inline const QString writeRefusedText = QStringLiteral("登録に失敗しました。");

class clsProtocolController : public QObject {
    Q_OBJECT
public:
    // serial nullptr: the program-wide serialController.
    explicit clsProtocolController(clsSerialController *serial = nullptr, QObject *parent = nullptr);
    ~clsProtocolController() override;

    void cont(ITransactionOwner *owner);
    void WaitNoVisible() { m_showWait = false; }
    IProtocolRecord *data() const { return m_data; }
    void setData(IProtocolRecord *record) { m_data = record; }
    clsSerialController *serial() const { return m_SerialCtl; }

    int protocolMode() const { return m_protocolMode; }
    // True while a transaction of any controller but except runs.
    static bool transactionRunning(const clsProtocolController *except = nullptr);

    // True when the last customer-number step (RC / WC) ended with
    // OnCustomer(False) because the device did not answer (time-out, a
    // damaged or broken-off reply); False when the device refused the number
    // with NAKs or the step succeeded. Read by the OnCustomer handler.
    bool customerTimedOut() const { return m_customerTimedOut; }
    // The message of a transfer the device did not answer in time.
    static QString timeOutText();

    // The wait dialog every controller drives: by default (and after
    // setWaitDialog(nullptr)) the program's one waitForm through
    // programWaitDialog(); while waitForm does not exist nothing is shown and
    // no cancel can be asked for. Tests install a double here.
    static void setWaitDialog(IWaitDialog *dialog);
    static IWaitDialog *waitDialog();

signals:
    void OnEvent(const QString &msg);
    void OnError(const QString &msg);
    void OnVersion(bool ok);
    void OnCustomer(bool ok);
    void OnTranStart();
    void OnTranEnd();
    void OnNext();

private:
    // Times a block of an RD transfer is asked for again with NAK before
    // the transfer ends as failed (the device's own limit of resends).
    static constexpr int maxBlockResends = 3;

    void sendCurrentCommand();
    // An RD block the record refused: answered with NAK so that the device
    // sends it again, or, past the resend limit, the transfer ends as failed
    // before the final ACK, so that the device keeps its records. True only
    // when the device sent the same record again, which it then holds in
    // that form: it is left out, logged and acknowledged.
    bool passRefusedBlock(const QByteArray &block, bool cut);
    void m_SerialCtl_OnEvent(const QByteArray &data, int count, bool ok);
    void m_SerialCtl_OnError(const QString &msg);
    void m_SerialCtl_OnTimeOut();
    void closeWait();
    void unloadWait();
    void addLog(const QString &text);
    void post(std::function<void()> raise);
    void raiseEvent(const QString &msg);
    void raiseError(const QString &msg);
    void raiseTranEnd();
    void raiseVersion(bool ok);
    void raiseCustomer(bool ok);

    clsSerialController *m_SerialCtl;
    IProtocolRecord *m_data = nullptr;
    ITransactionOwner *m_owner = nullptr;
    int m_protocolMode = 0;
    int m_nakRetryCount = 0;
    // Blocks of the running RC or RD transfer received so far.
    int m_blocks = 0;
    // Refusals in a row of the RD block the device is sending, and that
    // block when it was an RD record with refused values.
    int m_blockRefusals = 0;
    QByteArray m_refusedBlock;
    bool m_showWait = true;
    bool m_customerTimedOut = false;
};

} // namespace talvik
