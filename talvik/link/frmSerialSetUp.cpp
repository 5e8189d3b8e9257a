#include "talvik/link/frmSerialSetUp.h"

#include "platform/forms/msgbox.h"
#include "platform/profile/profile.h"
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
    const std::pair<platform::forms::ComboBox *, List> lists[] = {
        {&cmbPort, ListPort}, {&cmbBps, ListBps},   {&cmbParity, ListParity},
        {&cmbBit, ListBit},   {&cmbSBit, ListSBit}, {&cmbFlow, ListFlow}};
    for (const auto &[combo, list] : lists) {
        connect(combo, &platform::forms::ComboBox::Click, this, [this, list = list] { listChosen(list); });
        connect(combo, &platform::forms::ComboBox::Change, this, [this, list = list] { listChosen(list); });
    }
}

void frmSerialSetUp::listChosen(List list)
{
    if (!m_showing)
        m_chosen[std::size_t(list)] = true;
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
    m_chosen.fill(false);
    if (!SerialController)
        return;
    // Showing the values is no choice of the user.
    m_showing = true;
    const int port = SerialController->Port();
    cmbPort.setListIndex(port >= 1 && port <= 16 ? port : 0);
    cmbBps.setListIndex(indexIn(kBps, SerialController->Bps()));
    cmbParity.setListIndex(indexIn(kParity, SerialController->Parity()));
    cmbBit.setListIndex(indexIn(kBit, SerialController->Bit()));
    cmbSBit.setListIndex(indexIn(kSBit, SerialController->SBit()));
    const int flow = SerialController->Flow();
    cmbFlow.setListIndex(flow >= 0 && flow <= 3 ? flow : 0);
    m_showing = false;
}

void frmSerialSetUp::cmbPort_Change()
{
    cmdSet.setEnabled(true);
}

void frmSerialSetUp::takeLists()
{
    clsSerialController &c = *SerialController;
    // A value the lists cannot show (a hand-edited port 17, 4800 baud) is kept
    // unless the user chose in that list: the shown entry is not its value.
    const auto take = [this](List list, bool inList) { return inList || m_chosen[std::size_t(list)]; };
    if (take(ListPort, c.Port() >= 0 && c.Port() <= 16))
        c.setPort(static_cast<std::int16_t>(qMax(0, cmbPort.ListIndex())));
    if (take(ListFlow, c.Flow() >= 0 && c.Flow() <= 3))
        c.setFlow(static_cast<std::int16_t>(qMax(0, cmbFlow.ListIndex())));
    if (cmbBps.ListIndex() >= 0 && take(ListBps, kBps.contains(c.Bps())))
        c.setBps(kBps[cmbBps.ListIndex()]);
    if (cmbParity.ListIndex() >= 0 && take(ListParity, kParity.contains(c.Parity())))
        c.setParity(kParity[cmbParity.ListIndex()]);
    if (cmbBit.ListIndex() >= 0 && take(ListBit, kBit.contains(c.Bit())))
        c.setBit(kBit[cmbBit.ListIndex()]);
    if (cmbSBit.ListIndex() >= 0 && take(ListSBit, kSBit.contains(c.SBit())))
        c.setSBit(kSBit[cmbSBit.ListIndex()]);
}

bool frmSerialSetUp::cmdSet_Click()
{
    if (!SerialController) {
        platform::forms::MsgBox(QStringLiteral("通信ポートが開けません｡　電源、接続及び通信設定を確認してください。 "),
                                platform::forms::vbCritical, QStringLiteral("シリアル通信異常"));
        cmdSet.setEnabled(false);
        return true;
    }
    clsSerialController &c = *SerialController;
    const std::int16_t port = c.Port();
    const std::int16_t flow = c.Flow();
    const QString bps = c.Bps();
    const QString parity = c.Parity();
    const QString bit = c.Bit();
    const QString sbit = c.SBit();
    takeLists();
    // The file first: a failed write leaves the link, its port and the file
    // as they were, as a cancel would.
    if (!c.WriteIni()) {
        c.setPort(port);
        c.setFlow(flow);
        c.setBps(bps);
        c.setParity(parity);
        c.setBit(bit);
        c.setSBit(sbit);
        platform::forms::MsgBox(QStringLiteral("通信設定を保存できませんでした。\r\n")
                                    + platform::profile::lastWriteFailure().description(),
                                platform::forms::vbCritical, appTitle);
        return false;
    }
    if (c.IsOpen())
        c.closePort();
    c.openPort();
    // The values written are the ones shown from now on.
    m_chosen.fill(false);
    cmdSet.setEnabled(false);
    return true;
}

void frmSerialSetUp::cmdOK_Click()
{
    // A failed apply keeps the dialog open.
    if (cmdSet_Click())
        cmdExit_Click();
}

void frmSerialSetUp::cmdExit_Click()
{
    Unload();
}

} // namespace talvik
