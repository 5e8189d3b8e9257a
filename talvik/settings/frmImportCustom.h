#pragma once
// The customer-name dialog: the customer (folder of "dDB.tran") into which
// demand records are read, picked from a combo list and confirmed.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "talvik/settings/zoCombo.h"

namespace talvik {

class frmImportCustom : public platform::forms::Form {
    Q_OBJECT
public:
    explicit frmImportCustom(QObject *parent = nullptr);

    // True when the user confirmed a customer; False at every load.
    bool Status() const { return m_status; }
    // In: the name to preselect. Out: the confirmed name, "" after cancel.
    QString Custom() const { return m_custom; }
    void setCustom(const QString &name) { m_custom = name; }
    // In: a name offered first. Emptied on confirmation, kept on cancel.
    QString AddCustom() const { return m_addCustom; }
    void setAddCustom(const QString &name) { m_addCustom = name; }

    platform::forms::Frame fraCustom{this, QStringLiteral("fraCustom")};
    zoCombo zoComboCustom{this, QStringLiteral("zoComboCustom"), customerComboDefinition(), &fraCustom};
    platform::forms::ControlArray<platform::forms::Label> lblWarn1{this, QStringLiteral("lblWarn1"), 3};
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
