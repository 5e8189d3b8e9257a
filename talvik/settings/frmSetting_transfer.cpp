// The settings window's transfers with the device: the customer number
// (RC / WC) first, then the settings record of the connected model
// (RS / RSA / RSB or WS / WSA / WSB).
#include "talvik/settings/frmSetting.h"

#include "platform/forms/msgbox.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/settings/settingFile.h"

namespace talvik {

namespace fm = platform::forms;

namespace {
const QString kWriteDone = QStringLiteral("登録は正常に終了しました。");
} // namespace

IProtocolRecord *frmSetting::modelRecord()
{
    const QString &v = deviceVersion;
    if (isModelT4kaV10(v))
        return m_dataS.get();
    if (isModelT4kaNotV10(v) || isModelT4kb(v))
        return m_dataSA.get();
    if (isModelT6ka(v))
        return m_dataSB.get();
    return nullptr;
}

bool frmSetting::startFirstStep()
{
    const QString &v = deviceVersion;
    if (isModelT4ka(v) || isModelT6ka(v) || isModelT4kb(v)) {
        m_Protocol->setData(m_dataC.get());
        m_transferRunning = true;
        m_Protocol->cont(this);
        return true;
    }
    fm::MsgBox(isModelRdx9(v) ? kReaderRefused : kCheckConnection, fm::vbExclamation);
    return false;
}

void frmSetting::mnuReadSetting_Click()
{
    if (modelCode == 0) {
        fm::MsgBox(kCheckConnection, fm::vbExclamation);
        return;
    }
    m_dataC->setRd(true);
    m_dataS->setRd(true);
    m_dataSA->setRd(true);
    m_dataSB->setRd(true);
    m_writePending = false;
    startFirstStep();
}

void frmSetting::mnuWriteSetting_Click()
{
    if (modelCode == 0) {
        fm::MsgBox(kCheckConnection, fm::vbExclamation);
        return;
    }
    if (txtCustomerID.Text().isEmpty()) {
        fm::MsgBox(QStringLiteral("お客さま番号が不正です。"), fm::vbExclamation);
        return;
    }
    if (fm::MsgBox(QStringLiteral("設定データを登録します。") + QStringLiteral("\r") + QStringLiteral("よろしいですか？"),
                   fm::vbYesNo)
        != fm::vbYes)
        return;
    if (!collectSettingInputs())
        return;
    // "System.ini" and the log line record the change once the device has
    // confirmed it (m_Protocol_OnEvent); until then they are kept as they
    // stand now, so that later edits do not slip into them.
    m_pendingIni = settingsKeyValues(false);
    m_pendingLogCustomer = txtCustomerID.Text();
    m_pendingLogDetails = settingsLogDetails();
    m_writePending = true;
    SetPreData();
    m_dataS->setWt(true);
    m_dataSA->setWt(true);
    m_dataSB->setWt(true);
    m_dataC->setWt(true);
    if (!startFirstStep())
        m_writePending = false;
}

void frmSetting::recordHeldCustomer()
{
    // The device kept the number it had: the one it last confirmed to this
    // window, else the one "System.ini" holds for the model (kept as it is).
    const QString &customerKey = settingfile::keys()[1];
    QString held = m_deviceCustomer;
    if (held.isEmpty())
        held = settingfile::readKey(settingfile::systemIniPath(), QString::number(modelCode), customerKey);
    for (int i = 0; i < m_pendingIni.size(); ++i) {
        if (m_pendingIni[i].first != customerKey)
            continue;
        if (m_deviceCustomer.isEmpty())
            m_pendingIni.removeAt(i);
        else
            m_pendingIni[i].second = m_deviceCustomer;
        break;
    }
    m_pendingLogCustomer = held;
}

void frmSetting::m_Protocol_OnCustomer(bool ok)
{
    // A device that did not answer the customer step goes on as one that
    // refused it (a read without the number, a write after the question)
    // only while it is still known: its model stands and its port is still
    // there and open. A device that has gone ends the step as the time-out
    // it is.
    if (!ok && m_Protocol->customerTimedOut() && !deviceStillKnown()) {
        m_Protocol_OnError(clsProtocolController::timeOutText());
        return;
    }
    if (ok) {
        txtCustomerID.setFormat(QStringLiteral("9"));
        txtCustomerID.setText(m_dataC->customer());
        m_deviceCustomer = m_dataC->customer();
    } else {
        if (m_dataC->rd()) {
            // Emptied first: the field's change handling would paint over the grey.
            txtCustomerID.setText(QString());
            txtCustomerID.setBackColor(colorButtonFace);
        } else {
            txtCustomerID.setBackColor(colorButtonFace);
            const int answer = fm::MsgBox(QStringLiteral("お客さま番号の登録は行えません。") + QStringLiteral("\r\r")
                                              + QStringLiteral("お客さま番号以外の設定を登録しますか？"),
                                          fm::vbYesNo + fm::vbExclamation);
            if (answer == fm::vbNo) {
                m_writePending = false;
                endTransfer();
                return;
            }
            if (m_writePending)
                recordHeldCustomer();
        }
    }
    IProtocolRecord *record = modelRecord();
    if (!record) {
        m_writePending = false;
        fm::MsgBox(QStringLiteral("ﾊﾞｰｼﾞｮﾝが不明です。"), fm::vbCritical);
        endTransfer();
        return;
    }
    m_Protocol->setData(record);
    setBusy(QStringLiteral("m_Protocol_OnCustomer"));
    m_Protocol->cont(this);
}

void frmSetting::m_Protocol_OnEvent(const QString &msg)
{
    m_transferRunning = false;
    if (msg == kWriteDone) {
        logChanged = true;
        if (m_writePending) {
            m_writePending = false;
            QString failure;
            if (!settingfile::writeKeys(settingfile::systemIniPath(), QString::number(modelCode), m_pendingIni,
                                        failure))
                showFailure(failure);
            if (m_logs)
                m_logs->add(&lstLogs, settingsLogLine(m_pendingLogCustomer, m_pendingLogDetails));
        }
    }
    m_writePending = false;
    txtCustomerID.setBackColor(colorWhite);
    numWatt.setBackColor(colorWhite);
    numSkipTime.setBackColor(colorWhite);
    numPulseF2.setBackColor(colorWhite);
    numWLevel2.setBackColor(colorWhite);
    for (int i = 0; i <= 1; ++i)
        optPulButtons(i).setBackColor(colorButtonFace);
    for (int i = 0; i <= 3; ++i)
        optWattButtons(i).setBackColor(colorButtonFace);
    for (int i = 0; i <= 2; ++i)
        optWlevelButtons(i).setBackColor(colorButtonFace);
    fm::MsgBox(msg, fm::vbInformation);
    clearBusy(QStringLiteral("設定"));
    endTransfer();
}

bool frmSetting::deviceStillKnown()
{
    const clsSerialController *serial = m_Protocol->serial();
    return modelRecord() && serial && serial->IsOpen();
}

bool frmSetting::deviceStillThere(const QString &msg)
{
    // A write refused with NAKs and a transfer refused because another one
    // runs: the device answered, it has not gone.
    return msg == writeRefusedText || msg.startsWith(QStringLiteral("現在通信中です"));
}

void frmSetting::m_Protocol_OnError(const QString &msg)
{
    m_transferRunning = false;
    // A write that failed changed nothing on the device: nothing recorded.
    m_writePending = false;
    // Time-outs and port errors forget the device until it is identified
    // again; a device that refused keeps its model and layout.
    if (!deviceStillThere(msg)) {
        txtVerDisp.setText(kNoVersion);
        deviceVersion.clear();
    }
    // The busy flag always ends with the transfer, so that the port watch
    // does not stay paused.
    clearBusy(QStringLiteral("frmSetting"));
    if (!msg.isEmpty())
        fm::MsgBox(msg, fm::vbCritical);
    endTransfer();
}

void frmSetting::endTransfer()
{
    m_transferRunning = false;
    // A re-layout the main window asked for while the transfer ran (the
    // device was unplugged or identified again) is applied now.
    if (m_relayoutPending) {
        m_relayoutPending = false;
        cmdReadVersionClick();
    }
}

} // namespace talvik
