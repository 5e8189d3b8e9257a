#include "talvik/link/clsProtocolController.h"

#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/recordFields.h"
#include "talvik/link/waitDialogAdapter.h"

#include <QList>

namespace talvik {

namespace {

IWaitDialog *&installedWaitDialog()
{
    static IWaitDialog *dialog = nullptr;
    return dialog;
}

// The controllers alive now.
QList<const clsProtocolController *> &liveControllers()
{
    static QList<const clsProtocolController *> controllers;
    return controllers;
}

// The installed dialog, else the program's waitForm.
IWaitDialog *theWaitDialog()
{
    if (IWaitDialog *d = installedWaitDialog())
        return d;
    return &programWaitDialog();
}

const QString kBadReply = QStringLiteral("受信ﾃﾞｰﾀが不正です。");
const QString kBadFrame = QStringLiteral("送信ﾃﾞｰﾀが不正です。");

// Mode of a command frame by its letters at index 1 and 2; the first match wins.
int modeOf(const QByteArray &frame)
{
    if (frame.size() < 3)
        return 0;
    const char a = frame[1], b = frame[2];
    if (a == 'W' && b == 'S')
        return 7;
    if (a == 'W' && b == 'C')
        return 6;
    if (a == 'W' && b == 'T')
        return 8;
    if (a == 'R' && b == 'S')
        return 1;
    if (a == 'R' && b == 'T')
        return 2;
    if (a == 'R' && b == 'D')
        return 3;
    if (a == 'R' && b == 'V')
        return 4;
    if (a == 'R' && b == 'C')
        return 5;
    return 0;
}

} // namespace

void clsProtocolController::setWaitDialog(IWaitDialog *dialog)
{
    installedWaitDialog() = dialog;
}

IWaitDialog *clsProtocolController::waitDialog()
{
    return theWaitDialog();
}

clsProtocolController::clsProtocolController(clsSerialController *serial, QObject *parent)
    : QObject(parent), m_SerialCtl(serial ? serial : serialController)
{
    liveControllers().append(this);
    if (m_SerialCtl) {
        connect(m_SerialCtl, &clsSerialController::OnEvent, this, &clsProtocolController::m_SerialCtl_OnEvent);
        connect(m_SerialCtl, &clsSerialController::OnError, this, &clsProtocolController::m_SerialCtl_OnError);
        connect(m_SerialCtl, &clsSerialController::OnTimeOut, this, &clsProtocolController::m_SerialCtl_OnTimeOut);
    }
}

clsProtocolController::~clsProtocolController()
{
    liveControllers().removeOne(this);
}

bool clsProtocolController::transactionRunning(const clsProtocolController *except)
{
    for (const clsProtocolController *c : liveControllers())
        if (c != except && c->m_protocolMode != 0)
            return true;
    return false;
}

void clsProtocolController::post(std::function<void()> raise)
{
    QMetaObject::invokeMethod(this, std::move(raise), Qt::QueuedConnection);
}

void clsProtocolController::raiseEvent(const QString &msg) { post([this, msg] { emit OnEvent(msg); }); }
void clsProtocolController::raiseError(const QString &msg) { post([this, msg] { emit OnError(msg); }); }
void clsProtocolController::raiseTranEnd() { post([this] { emit OnTranEnd(); }); }
void clsProtocolController::raiseVersion(bool ok) { post([this, ok] { emit OnVersion(ok); }); }
void clsProtocolController::raiseCustomer(bool ok) { post([this, ok] { emit OnCustomer(ok); }); }

void clsProtocolController::closeWait()
{
    if (IWaitDialog *w = theWaitDialog()) {
        w->clear();
        w->unload();
    }
}

void clsProtocolController::unloadWait()
{
    if (IWaitDialog *w = theWaitDialog())
        w->unload();
}

void clsProtocolController::addLog(const QString &text)
{
    if (m_owner)
        m_owner->addLog(text);
}

QString clsProtocolController::timeOutText()
{
    return QStringLiteral("ﾀｲﾑｱｳﾄが発生しました。") + deviceLabel + QStringLiteral("電源、接続及び通信設定を確認してください。");
}

void clsProtocolController::cont(ITransactionOwner *owner)
{
    m_nakRetryCount = 0;
    m_customerTimedOut = false;
    m_owner = owner;
    if (!m_SerialCtl) {
        raiseError(QStringLiteral("通信ポートが開けません｡　電源、接続及び通信設定を確認してください。 "));
        return;
    }
    if (!m_SerialCtl->IsOpen() && !m_SerialCtl->openPort()) {
        raiseError(QStringLiteral("通信ポートが開けません｡　電源、接続及び通信設定を確認してください。 "));
        return;
    }
    if (m_SerialCtl->IsBusy()) {
        raiseError(QStringLiteral("現在通信中です｡しばらく待ってから再度実行してください｡ "));
        return;
    }
    if (IWaitDialog *w = theWaitDialog()) {
        w->clear();
        w->setWaitMsg(QStringLiteral("通信中・・・・しばらくお待ちください。"));
        if (m_showWait)
            w->show(owner ? owner->ownerForm() : nullptr);
        w->setEnableCancel(true);
    }
    m_showWait = true;
    post([this] { emit OnTranStart(); });
    sendCurrentCommand();
}

void clsProtocolController::sendCurrentCommand()
{
    IWaitDialog *w = theWaitDialog();
    if (w)
        w->setLoadInfo1(QString());
    m_SerialCtl->setTimer(0);
    const QByteArray frame = m_data ? m_data->getSendCMD() : QByteArray();
    if (frame.size() < 4) {
        // A record without a direction (or none at all): nothing is sent.
        m_protocolMode = 0;
        closeWait();
        raiseError(kBadFrame);
        return;
    }
    m_protocolMode = modeOf(frame);
    m_blocks = 0;
    m_blockRefusals = 0;
    m_refusedBlock.clear();
    if (m_protocolMode == 3 && w)
        w->setLoadInfo1(w->loadInfo1() + QStringLiteral("情報データ読み込み中"));
    m_SerialCtl->setTimer(1000);
    m_SerialCtl->sendData(frame, static_cast<int>(frame.size()));
}

void clsProtocolController::m_SerialCtl_OnEvent(const QByteArray &data, int count, bool ok)
{
    // Every controller sees every block; an idle one leaves the shared reply
    // timer alone, which the running transaction may just have re-armed.
    if (m_protocolMode == 0)
        return;
    IWaitDialog *w = theWaitDialog();
    if (w && w->isCancel()) {
        m_protocolMode = 0;
        closeWait();
        raiseEvent(QStringLiteral("キャンセルしました。"));
        raiseTranEnd();
        return;
    }
    if (!ok) {
        m_SerialCtl_OnTimeOut();
        return;
    }
    m_SerialCtl->setTimer(0);
    const char first = count > 0 ? data[0] : 0;
    const bool isAck = count == 1 && first == frame::ACK;
    const bool isNak = count == 1 && first == frame::NAK;

    switch (m_protocolMode) {
    case 1:
    case 2:
    case 4: {
        const int mode = m_protocolMode;
        m_protocolMode = 0;
        if (!m_data->setRecvData(data, count)) {
            closeWait();
            raiseError(kBadReply);
            return;
        }
        m_SerialCtl->sendAck();
        closeWait();
        if (!m_data->fire()) {
            raiseError(kBadReply);
        } else if (mode == 4) {
            raiseTranEnd();
            raiseVersion(true);
        } else {
            raiseEvent(QStringLiteral("読み込みは正常に終了しました。"));
            raiseTranEnd();
        }
        return;
    }
    case 3: {
        // An ACK or NAK that cut a frame short is a broken block, never the
        // device's answer.
        const bool cut = m_SerialCtl->cutFrame();
        if (isAck && !cut && m_blocks > 0) {
            // A lone ACK after blocks were taken: the transfer broke off and
            // ends as a device that stopped answering; nothing is stored.
            m_SerialCtl_OnTimeOut();
            return;
        }
        if (isAck && !cut) {
            // Nothing to read; the transaction is over.
            m_protocolMode = 0;
            closeWait();
            raiseEvent(QStringLiteral("読み出し件数は０件です。"));
            raiseTranEnd();
            return;
        }
        ++m_blocks;
        if (!cut && m_data->setRecvData(data, count)) {
            m_blockRefusals = 0;
            m_refusedBlock.clear();
        } else if (!passRefusedBlock(data.left(count), cut)) {
            return;
        }
        if (!m_data->isETX()) {
            m_SerialCtl->sendAck();
            m_SerialCtl->setTimer(0);
            m_SerialCtl->setTimer(1000);
            if (m_data->count() % 10 == 0 && w)
                w->setLoadInfo2(QLatin1Char(' ') + QString::number(m_data->count()) + QStringLiteral(" 件"));
            return;
        }
        m_protocolMode = 0;
        {
            // The final block is acknowledged only once the records are on
            // disk: until then the device keeps them (a reader does not
            // delete them).
            QString cause;
            if (!m_data->stage(true, &cause)) {
                closeWait();
                raiseError(recordsNotStoredText + (cause.isEmpty() ? QString() : u'\n' + cause));
                return;
            }
        }
        m_SerialCtl->sendAck();
        if (!m_data->fire(true)) {
            closeWait();
            clearBusy(QStringLiteral("エラー時"));
            return;
        }
        closeWait();
        if (m_data->isReader()) {
            post([this] { emit OnNext(); });
        } else {
            raiseEvent(QStringLiteral("読み込みは正常に終了しました。"));
            raiseTranEnd();
        }
        return;
    }
    case 5:
        // A list broken off after blocks, or cut by an ACK or NAK inside a
        // frame, ends as a device that stopped answering.
        if ((isAck && m_blocks > 0) || m_SerialCtl->cutFrame()) {
            m_SerialCtl_OnTimeOut();
            return;
        }
        if (isAck) {
            m_protocolMode = 0;
            closeWait();
            raiseEvent(QStringLiteral("読み出しデータはありません。"));
            raiseTranEnd();
            return;
        }
        ++m_blocks;
        if (!m_data->setRecvData(data, count))
            addLog(QStringLiteral("不正なお客さま番号です。"));
        m_SerialCtl->sendAck();
        if (m_data->isETX()) {
            m_protocolMode = 0;
            m_data->fire();
            closeWait();
            raiseTranEnd();
            raiseCustomer(true);
        } else {
            m_SerialCtl->setTimer(0);
            m_SerialCtl->setTimer(1000);
        }
        return;
    case 6:
    case 7:
    case 8: {
        const int mode = m_protocolMode;
        if (!isAck && !isNak) {
            // Neither ACK nor NAK: ended as a device that did not answer.
            m_SerialCtl_OnTimeOut();
            return;
        }
        m_protocolMode = 0;
        if (isAck) {
            closeWait();
            if (mode == 6) {
                raiseTranEnd();
                raiseCustomer(true);
            } else {
                raiseEvent(QStringLiteral("登録は正常に終了しました。"));
                raiseTranEnd();
            }
            return;
        }
        if (m_nakRetryCount < 3) {
            ++m_nakRetryCount;
            sendCurrentCommand();
            return;
        }
        closeWait();
        if (mode == 6)
            raiseCustomer(false);
        else
            raiseError(writeRefusedText);
        return;
    }
    default:
        return;
    }
}

bool clsProtocolController::passRefusedBlock(const QByteArray &block, bool cut)
{
    const bool record = !cut && m_data->refusedValues();
    if (record && block == m_refusedBlock) {
        // The same record again after the NAK: no resend will change it.
        m_blockRefusals = 0;
        m_refusedBlock.clear();
        addLog(QStringLiteral("データ１件　キャンセル"));
        return true;
    }
    m_refusedBlock = record ? block : QByteArray();
    if (++m_blockRefusals > maxBlockResends) {
        // Never acknowledged: the device keeps every record of the transfer.
        m_SerialCtl_OnTimeOut();
        return false;
    }
    m_SerialCtl->sendNAK();
    m_SerialCtl->setTimer(0);
    m_SerialCtl->setTimer(1000);
    return false;
}

void clsProtocolController::m_SerialCtl_OnTimeOut()
{
    if (m_protocolMode == 0)
        return;
    m_SerialCtl->setTimer(0);
    const int mode = m_protocolMode;
    m_protocolMode = 0;
    unloadWait();
    if (mode == 4)
        raiseVersion(false);
    else if (mode == 5 || mode == 6) {
        // The customer step: the owner tells a silent device from a refusal.
        m_customerTimedOut = true;
        raiseCustomer(false);
    } else
        raiseError(timeOutText());
}

void clsProtocolController::m_SerialCtl_OnError(const QString &msg)
{
    unloadWait();
    if (m_protocolMode != 0)
        m_SerialCtl->setTimer(0);
    m_protocolMode = 0;
    raiseError(msg);
}

} // namespace talvik
