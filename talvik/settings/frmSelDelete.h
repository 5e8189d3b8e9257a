#pragma once
// The reader's customer chooser: one row per customer number with a check box
// that asks the reader to delete that customer's records after reading. The
// dialog writes the delete flags of the caller's customer list in place.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/listview.h"

namespace talvik {

class clsDataC;

class frmSelDelete : public platform::forms::Form {
    Q_OBJECT
public:
    explicit frmSelDelete(QObject *parent = nullptr);

    // True when the user confirmed; False at every load.
    bool Status() const { return m_status; }
    // The reader's customer-number list; the caller keeps ownership and keeps
    // it alive while the dialog is shown.
    void setCustomer(clsDataC *list) { m_customer = list; }

    platform::forms::ListView lvwCustomer{this, QStringLiteral("lvwCustomer")};
    platform::forms::CheckBox chkAllDel{this, QStringLiteral("chkAllDel")};
    platform::forms::CommandButton cmdOK{this, QStringLiteral("cmdOK")};
    platform::forms::CommandButton cmdCancel{this, QStringLiteral("cmdCancel")};

    void lvwCustomer_ItemCheck(platform::forms::ListItem *Item);
    void lvwCustomer_ItemClick(platform::forms::ListItem *Item);
    void chkAllDel_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // Text colour of a row (OLE colour), as the row shows it.
    quint32 rowForeColor(int index);

protected:
    void designForm() override;
    void Form_Load() override;

private:
    bool m_status = false;
    clsDataC *m_customer = nullptr;
};

} // namespace talvik
