#pragma once
// The serial settings dialog: six lists for port, baud rate, parity, data
// bits, stop bits and handshaking; apply writes them into the serial link,
// saves "Serial.ini" and reopens the port.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <QPointer>

#include <array>

namespace talvik {

class clsSerialController;

class frmSerialSetUp : public platform::forms::Form {
    Q_OBJECT
public:
    explicit frmSerialSetUp(QObject *parent = nullptr);

    // Takes the serial link to edit and shows its values (name as the original).
    void SetSerialContoller(clsSerialController *ctl);

    platform::forms::Frame fraSerialSetting{this, QStringLiteral("fraSerialSetting")};
    platform::forms::Label lblSerial0{this, QStringLiteral("lblSerial"), &fraSerialSetting, 0};
    platform::forms::Label lblSerial1{this, QStringLiteral("lblSerial"), &fraSerialSetting, 1};
    platform::forms::Label lblSerial2{this, QStringLiteral("lblSerial"), &fraSerialSetting, 2};
    platform::forms::Label lblSerial3{this, QStringLiteral("lblSerial"), &fraSerialSetting, 3};
    platform::forms::Label lblSerial4{this, QStringLiteral("lblSerial"), &fraSerialSetting, 4};
    platform::forms::Label lblSerial5{this, QStringLiteral("lblSerial"), &fraSerialSetting, 5};
    platform::forms::ComboBox cmbPort{this, QStringLiteral("cmbPort"), &fraSerialSetting};
    platform::forms::ComboBox cmbBps{this, QStringLiteral("cmbBps"), &fraSerialSetting};
    platform::forms::ComboBox cmbParity{this, QStringLiteral("cmbParity"), &fraSerialSetting};
    platform::forms::ComboBox cmbBit{this, QStringLiteral("cmbBit"), &fraSerialSetting};
    platform::forms::ComboBox cmbSBit{this, QStringLiteral("cmbSBit"), &fraSerialSetting};
    platform::forms::ComboBox cmbFlow{this, QStringLiteral("cmbFlow"), &fraSerialSetting};
    platform::forms::CommandButton cmdOK{this, QStringLiteral("cmdOK")};
    platform::forms::CommandButton cmdExit{this, QStringLiteral("cmdExit")};
    platform::forms::CommandButton cmdSet{this, QStringLiteral("cmdSet")};

    // Applies the lists; false (after a message) when "Serial.ini" could not
    // be written: the serial link and the port then stay as they were.
    bool cmdSet_Click();
    void cmdOK_Click();
    void cmdExit_Click();

protected:
    void designForm() override;
    void Form_Load() override;

private:
    enum List { ListPort, ListBps, ListParity, ListBit, ListSBit, ListFlow, ListCount };
    void cmbPort_Change();
    void listChosen(List list);
    // Takes the lists into the serial link. A value of the link that no
    // list entry shows stays unless the user chose in that list.
    void takeLists();
    QPointer<clsSerialController> SerialController;
    // The lists the user chose in since the values were shown.
    std::array<bool, ListCount> m_chosen{};
    bool m_showing = false;
};

} // namespace talvik
