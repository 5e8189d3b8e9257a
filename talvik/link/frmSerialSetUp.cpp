#include "talvik/link/frmSerialSetUp.h"

#include "platform/forms/msgbox.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"

namespace talvik {

namespace {
const QStringList kBps = {"300", "600", "1200", "2400", "9600", "14400", "19200", "38400"};
const QStringList kParity = {"E", "O", "N"};
const QStringList kBit = {"7", "8"};
const QStringList kSBit = {"1", "2"};

// Index of a text in a list; 0 for a text not in it.
int indexIn(const QStringList &list, const QString &text)
{
    const int i = int(list.indexOf(text));
    return i < 0 ? 0 : i;
}
} // namespace

frmSerialSetUp::frmSerialSetUp(QObject *parent) : Form(parent)
{
    connect(&cmdSet, &platform::forms::CommandButton::Click, this, &frmSerialSetUp::cmdSet_Click);
    connect(&cmdOK, &platform::forms::CommandButton::Click, this, &frmSerialSetUp::cmdOK_Click);
    connect(&cmdExit, &platform::forms::CommandButton::Click, this, &frmSerialSetUp::cmdExit_Click);
    connect(&cmbPort, &platform::forms::ComboBox::Click, this, &frmSerialSetUp::cmbPort_Change);
    connect(&cmbPort, &platform::forms::ComboBox::Change, this, &frmSerialSetUp::cmbPort_Change);
}

void frmSerialSetUp::designForm()
{
    setCaption(QStringLiteral("シリアル通信設定"));
    setDesignSize(4200, 3600);
    setFixedBorder(true);
    fraSerialSetting.setCaption(QStringLiteral("通信条件"));
    fraSerialSetting.Move(120, 120, 3960, 2760);
    platform::forms::Label *labels[] = {&lblSerial0, &lblSerial1, &lblSerial2, &lblSerial3, &lblSerial4, &lblSerial5};
    platform::forms::ComboBox *lists[] = {&cmbPort, &cmbBps, &cmbParity, &cmbBit, &cmbSBit, &cmbFlow};
    const QStringList captions = {"ポート番号", "ボーレート", "パリティ", "データビット", "ストップビット", "フロー制御"};
    for (int i = 0; i < 6; ++i) {
        labels[i]->setCaption(captions[i]);
        labels[i]->Move(240, 360 + i * 390, 1300, 300);
        lists[i]->setStyle(platform::forms::vbComboDropdownList);
        lists[i]->Move(1600, 320 + i * 390, 2160, 300);
    }
    cmbPort.AddItem(QStringLiteral("<USB>"));
    for (int i = 1; i <= 16; ++i)
        cmbPort.AddItem(i < 10 ? QString::number(i) + QLatin1Char(' ') : QString::number(i));
    for (const QString &b : kBps)
        cmbBps.AddItem(b);
    for (const char16_t *p : {u"E：偶数", u"O：奇数", u"N：無し"})
        cmbParity.AddItem(QString::fromUtf16(p));
    cmbBit.AddItem("7");
    cmbBit.AddItem("8");
    cmbSBit.AddItem("1");
    cmbSBit.AddItem("2");
    for (const char16_t *f : {u"0:ﾊﾝﾄﾞｼｪｲｸ無し", u"1:XON/OFF", u"2:RTS/CTS", u"3:RTS/CTS & XON/OFF "})
        cmbFlow.AddItem(QString::fromUtf16(f));
    cmdOK.setCaption("OK");
    cmdOK.Move(120, 3000, 1200, 420);
    cmdExit.setCaption(QStringLiteral("キャンセル"));
    cmdExit.Move(1500, 3000, 1200, 420);
    cmdSet.setCaption(QStringLiteral("適用"));
    cmdSet.Move(2880, 3000, 1200, 420);
}

void frmSerialSetUp::Form_Load()
{
    for (platform::forms::ComboBox *c : {&cmbPort, &cmbBps, &cmbParity, &cmbBit, &cmbSBit, &cmbFlow})
        c->setListIndex(0);
    SetSerialContoller(serialController);
    cmdSet.setEnabled(false);
}

void frmSerialSetUp::SetSerialContoller(clsSerialController *ctl)
{
    SerialController = ctl;
    if (!SerialController)
        return;
    const int port = SerialController->Port();
    cmbPort.setListIndex(port >= 1 && port <= 16 ? port : 0);
    cmbBps.setListIndex(indexIn(kBps, SerialController->Bps()));
    cmbParity.setListIndex(indexIn(kParity, SerialController->Parity()));
    cmbBit.setListIndex(indexIn(kBit, SerialController->Bit()));
    cmbSBit.setListIndex(indexIn(kSBit, SerialController->SBit()));
    const int flow = SerialController->Flow();
    cmbFlow.setListIndex(flow >= 0 && flow <= 3 ? flow : 0);
}

void frmSerialSetUp::cmbPort_Change()
{
    cmdSet.setEnabled(true);
}

void frmSerialSetUp::cmdSet_Click()
{
    if (!SerialController) {
        platform::forms::MsgBox(QStringLiteral("通信ポートが開けません｡　電源、接続及び通信設定を確認してください。 "),
                                platform::forms::vbCritical, QStringLiteral("シリアル通信異常"));
    } else {
        if (SerialController->IsOpen())
            SerialController->closePort();
        SerialController->setPort(static_cast<std::int16_t>(qMax(0, cmbPort.ListIndex())));
        SerialController->setFlow(static_cast<std::int16_t>(qMax(0, cmbFlow.ListIndex())));
        if (cmbBps.ListIndex() >= 0)
            SerialController->setBps(kBps[cmbBps.ListIndex()]);
        if (cmbParity.ListIndex() >= 0)
            SerialController->setParity(kParity[cmbParity.ListIndex()]);
        if (cmbBit.ListIndex() >= 0)
            SerialController->setBit(kBit[cmbBit.ListIndex()]);
        if (cmbSBit.ListIndex() >= 0)
            SerialController->setSBit(kSBit[cmbSBit.ListIndex()]);
        SerialController->WriteIni();
        SerialController->openPort();
    }
    cmdSet.setEnabled(false);
}

void frmSerialSetUp::cmdOK_Click()
{
    cmdSet_Click();
    cmdExit_Click();
}

void frmSerialSetUp::cmdExit_Click()
{
    Unload();
}

} // namespace talvik
