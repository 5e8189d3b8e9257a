#pragma once
// The service-mode customer dialog: the 9-digit customer number whose
// dedicated CSV file below dataFolder is imported.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace talvik {

class frmImportCustomSrv : public platform::forms::Form {
    Q_OBJECT
public:
    explicit frmImportCustomSrv(QObject *parent = nullptr);

    // True when a valid number was confirmed; False at every load.
    bool Status() const { return m_status; }
    // Out: the confirmed number, "" after cancel.
    QString Custom() const { return m_custom; }
    void setCustom(const QString &number) { m_custom = number; }
    // Emptied on confirmation; not used otherwise.
    QString AddCustom() const { return m_addCustom; }
    void setAddCustom(const QString &number) { m_addCustom = number; }

    platform::forms::Frame fraCustom{this, QStringLiteral("fraCustom")};
    platform::forms::TextBox TxtNum{this, QStringLiteral("TxtNum"), &fraCustom};
    platform::forms::Label lblWarn1{this, QStringLiteral("lblWarn1")};
    platform::forms::CommandButton cmdOK{this, QStringLiteral("cmdOK")};
    platform::forms::CommandButton cmdCancel{this, QStringLiteral("cmdCancel")};

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void designForm() override;
    void Form_Load() override;

private:
    bool m_status = false;
    QString m_custom;
    QString m_addCustom;
};

} // namespace talvik
