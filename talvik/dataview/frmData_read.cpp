// The data window's demand read: the model check, the customer-number list
// (RC), the customer dialogs, one demand transfer (RD) per customer, and the
// events of the window's protocol controller.
#include "talvik/dataview/frmData.h"

#include "platform/forms/doevents.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/customerName.h"

#include <exception>

namespace talvik {

using namespace platform::forms;

namespace {

const QString kBusyName = QStringLiteral("frmData");
const QString kReadDone = QStringLiteral("読み込みは正常に終了しました。");
const QString kNoRecords = QStringLiteral("読み出し件数は０件です。");

bool isKnownDetector(const QString &version)
{
    return isModelT4kaNotV10(version) || isModelT4kaV10(version) || isModelT6ka(version) || isModelT4kb(version);
}

} // namespace

void frmData::readInfoData()
{
    checkModelAndRead();
}

void frmData::checkModelAndRead()
{
    if (isModelRdx9(deviceVersion) || isKnownDetector(deviceVersion)) {
        startCustomerRead();
        return;
    }
    MsgBox(QStringLiteral("電源、接続及び通信設定を確認してください。"), vbOKOnly + vbExclamation, appTitle);
}

void frmData::startCustomerRead()
{
    if (!customerList || !m_Protocol)
        return;
    m_readerChain = false;
    m_readCount = 0;
    customerList->initData();
    m_Protocol->setData(customerList.get());
    m_Protocol->cont(this);
}

void frmData::m_Protocol_OnCustomer(bool ok)
{
    if (!ok) {
        MsgBox(QStringLiteral("ﾀｲﾑｱｳﾄが発生しました。") + deviceLabel +
                   QStringLiteral("電源、接続及び通信設定を確認してください。"),
               vbOKOnly + vbCritical, appTitle);
        return;
    }
    if (isModelRdx9(deviceVersion)) {
        selectCustomers();
    } else if (isKnownDetector(deviceVersion)) {
        customerList->setIdx(0);
        confirmCustomerName(customerList->customer());
    }
}

void frmData::selectCustomers()
{
    demandData->initData();
    demandData->setIsReader(true);
    if (!dialogs().selectDeleteCustomers(this, *customerList))
        return;
    m_dataChanged = true;
    if (customerList->count() < 1)
        return;
    customerList->setIdx(0);
    demandData->setIsDel(customerList->isDel());
    m_readerChain = true;
    if (!readCustomerData(customerList->customer()))
        m_readerChain = false;
}

void frmData::confirmCustomerName(const QString &number)
{
    demandData->initData();
    demandData->setIsReader(false);
    QString custom;
    QString addCustom;
    if (!number.isEmpty()) {
        addCustom = number;
        custom = number;
    } else if (getTreeKeyLevel(currentKey) == 1) {
        custom = getTreeKeyCaption(currentKey);
    }
    if (!dialogs().importCustom(this, custom, addCustom))
        return;
    m_dataChanged = true;
    readCustomerData(custom);
}

bool frmData::readCustomerData(const QString &customer)
{
    // The name becomes a folder of the store: refused names create nothing.
    const QString reason = validateCustomerName(customer);
    if (!reason.isEmpty()) {
        MsgBox(QStringLiteral("お客さま名「") + customer + QStringLiteral("」には読み込めません。\n") + reason,
               vbOKOnly + vbExclamation, appTitle);
        return false;
    }
    const QString folder = platform::shell::programFolder() + QStringLiteral("\\dDB.tran\\") + customer;
    if (!platform::shell::FolderExists(folder)) {
        try {
            platform::shell::CreateFolder(folder);
        } catch (const platform::RuntimeError &e) {
            MsgBox(QStringLiteral("お客さま名「") + customer + QStringLiteral("」のフォルダを作成できません。\n") +
                       e.Description(),
                   vbOKOnly + vbCritical, appTitle);
            return false;
        }
        try {
            TreeNode().mkNodeInit(m_treData, this);
        } catch (const std::exception &) {
        }
        afterTreeRebuilt();
        addLog(QStringLiteral("お客さま名の新規作成　「") + customer + QStringLiteral("」"));
    }
    demandData->setCustomer(customer);
    m_Protocol->setData(demandData.get());
    setBusy(kBusyName);
    m_Protocol->cont(this);
    return true;
}

bool frmData::readNextCustomer()
{
    const int n = customerList->count();
    const int i = customerList->idx();
    if (n <= i + 1)
        return false;
    demandData->initData();
    demandData->setIsReader(true);
    customerList->setIdx(i + 1);
    demandData->setIsDel(customerList->isDel());
    if (!readCustomerData(customerList->customer())) {
        // The refusal was shown; the chain ends with the flag cleared.
        m_readerChain = false;
        clearBusy(kBusyName);
    }
    return true;
}

void frmData::m_Protocol_OnNext()
{
    // The reader's transfer of this customer is stored.
    ++m_readCount;
    afterTreeRebuilt();
    if (readNextCustomer())
        return;
    // The last customer of the list: the chain ends like a detector's read.
    endReaderChain();
}

void frmData::endReaderChain()
{
    m_readerChain = false;
    m_Protocol_OnEvent(m_readCount > 0 ? kReadDone : kNoRecords);
}

void frmData::m_Protocol_OnEvent(const QString &msg)
{
    const bool demandTransfer = m_Protocol && m_Protocol->data() == demandData.get();
    // In the reader's chain a customer without records does not end the
    // read: the next customer is read.
    if (m_readerChain && msg == kNoRecords) {
        if (readNextCustomer())
            return;
        endReaderChain();
        return;
    }
    if (demandTransfer && msg == kReadDone && !m_readerChain)
        ++m_readCount;
    m_readerChain = false;
    MsgBox(msg, vbOKOnly + vbInformation, appTitle);
    clearBusy(kBusyName);
    vsdGraph.Clear();
    vsdGraph.setAccessibleName(QString());
    try {
        m_mfgData.Clear();
        m_mfgData.setRows(1);
        m_mfgData.setRows(0);
    } catch (const std::exception &) {
    }
    DoEvents();
    // The store run rebuilt the tree.
    if (demandTransfer)
        afterTreeRebuilt();
}

void frmData::m_Protocol_OnError(const QString &msg)
{
    m_readerChain = false;
    // A device that answered but whose records could not be stored stays
    // known, so that the read can be repeated once the disk is writable.
    if (!msg.startsWith(recordsNotStoredText))
        deviceVersion.clear();
    if (!msg.isEmpty())
        MsgBox(msg, vbOKOnly + vbCritical, appTitle);
    // The flag is cleared whatever the message.
    clearBusy(kBusyName);
}

void frmData::m_Protocol_OnTranEnd()
{
}

} // namespace talvik
