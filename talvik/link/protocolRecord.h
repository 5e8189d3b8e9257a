#pragma once
// What the protocol controller calls on a device message record, what a
// settings record's fire fills in the settings window, what the clock record
// fills in the clock window, and what the controller needs of the window that
// owns a transaction. Records, windows and test doubles implement these.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace platform::forms {
class Form;
} // namespace platform::forms

namespace talvik {

// A device message record: one command family's fixed-layout frame image.
// Frames never carry the BCC: the serial link appends it on send and strips it
// on receive.
class IProtocolRecord {
public:
    virtual ~IProtocolRecord() = default;

    // The command frame: STX, command letters at index 1 and 2 (3 for
    // RSA/RSB/WSA/WSB), the fields, ETX. Called at every send and resend.
    virtual QByteArray getSendCMD() = 0;

    // One received block. buffer holds a copy of the block (index 0 = STX, or
    // the single byte ACK/NAK); length is the number of valid bytes, BCC
    // excluded. True: the block was valid and taken into the record.
    virtual bool setRecvData(const QByteArray &buffer, int length) = 0;

    // Applies the record's data to its window or store. Settings, clock,
    // version and customer-number transfers call fire(); the demand transfer
    // calls fire(true) (shift each record back to the start of its half hour).
    virtual bool fire() = 0;
    virtual bool fire(bool shiftBack)
    {
        (void)shiftBack;
        return fire();
    }

    // RD: called with the final block before it is acknowledged. The record
    // puts what it received where it survives (the store's staging table);
    // false, with the cause, when it could not, and the block is then not
    // acknowledged so that the device keeps the records.
    virtual bool stage(bool shiftBack, QString *cause)
    {
        (void)shiftBack;
        (void)cause;
        return true;
    }

    // RD: after setRecvData refused a block: true when the block had the
    // record's own frame layout and only its field values were refused (a
    // record the device may hold in that very form), false when it was no
    // block of this record at all (a lone ACK/NAK, a short or foreign frame).
    virtual bool refusedValues() const { return false; }

    // Multi-block transfers (RC, RD): true once the final block (ending in ETX
    // rather than ETB) has been received.
    virtual bool isETX() const { return true; }
    // Number of entries accepted so far (RC, RD).
    virtual int count() const { return 0; }
    // RD: the transfer came from the multi-customer reader.
    virtual bool isReader() const { return false; }

    // Prepared by the owning window before a transfer (not called by the
    // controller). Records without these members keep the defaults.
    virtual void initData() {}
    // rd(true)/wt(false) select reading, wt(true)/rd(false) writing.
    virtual void setRd(bool) {}
    virtual bool rd() const { return true; }
    virtual void setWt(bool) {}
    virtual bool wt() const { return false; }
};

// Colours the settings records give the inputs they fill.
constexpr std::uint32_t colorWhite = 0xFFFFFF;
constexpr std::uint32_t colorButtonFace = 0x8000000F;

// A numeric input of the settings window.
class INumericInput {
public:
    virtual ~INumericInput() = default;
    virtual void setValue(double value) = 0;
    virtual double value() const = 0;
    virtual void setBackColor(std::uint32_t color) = 0;
};

// A text input of the settings or clock window.
class ITextInput {
public:
    virtual ~ITextInput() = default;
    virtual void setText(const QString &text) = 0;
    virtual QString text() const = 0;
};

// One option button of an option-button array.
class IOptionButton {
public:
    virtual ~IOptionButton() = default;
    virtual void setValue(bool value) = 0;
    virtual bool value() const = 0;
    virtual void setBackColor(std::uint32_t color) = 0;
};

// The members of the settings window that the settings records' fire fills.
// The option accessors raise run-time error 9 for an index outside the array.
class ISettingWindow {
public:
    virtual ~ISettingWindow() = default;
    virtual INumericInput &zonumWatt() = 0;      // demand in kW
    virtual INumericInput &zonumSkipTime() = 0;  // skip time in minutes
    virtual INumericInput &zonumPulseF2() = 0;   // CT primary current in A
    virtual INumericInput &zonumWLevel2() = 0;   // caution level in percent
    virtual ITextInput &zoTextCustomerID() = 0;
    virtual IOptionButton &optWatt(int index) = 0;       // 0..3
    virtual IOptionButton &optWlevel(int index) = 0;     // 0..2
    virtual IOptionButton &optWinterval1(int index) = 0; // 0..3
    virtual IOptionButton &optRumble(int index) = 0;     // 0..2
    virtual IOptionButton &optPul(int index) = 0;        // 0..1
    // Remembers the inputs' present values as the values last read.
    virtual void SetPreData() = 0;
};

// The members of the clock window that the clock record's fire fills.
class IClockWindow {
public:
    virtual ~IClockWindow() = default;
    virtual ITextInput &zoDateMonitorDate() = 0; // "20YY/MM/DD"
    virtual ITextInput &zoTimeMonitorTime() = 0; // "hh:mm"
};

// The window that owns a transaction: the owner of the wait dialog, and for a
// demand or customer-number transfer the window whose log list and log file
// take the lines about rejected blocks (clsLogs.add on its own lstLogs). A
// window without a log ignores addLog.
class ITransactionOwner {
public:
    virtual ~ITransactionOwner() = default;
    virtual platform::forms::Form *ownerForm() = 0;
    virtual void addLog(const QString &text) { (void)text; }
};

// The program's one wait dialog as the protocol controller drives it.
class IWaitDialog {
public:
    virtual ~IWaitDialog() = default;
    virtual void clear() = 0;
    virtual void setWaitMsg(const QString &text) = 0;
    virtual QString loadInfo1() = 0;
    virtual void setLoadInfo1(const QString &text) = 0;
    virtual void setLoadInfo2(const QString &text) = 0;
    virtual void setEnableCancel(bool enabled) = 0;
    virtual bool isCancel() const = 0;
    // Shows the dialog modeless, owned by the form.
    virtual void show(platform::forms::Form *owner) = 0;
    virtual void unload() = 0;
    // True while the dialog is shown (the store's tree build shows it only
    // when it is not).
    virtual bool Visible() const { return false; }
};

} // namespace talvik
