#pragma once
// The new-customer dialog: registers a customer name as a folder of
// "dDB.tran", rebuilds the data window's tree and logs the new name.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/sibling_inputs.h"

namespace talvik {

class frmNewCustom : public platform::forms::Form {
    Q_OBJECT
public:
    explicit frmNewCustom(QObject *parent = nullptr);

    platform::forms::Frame fraNewCustom{this, QStringLiteral("fraNewCustom")};
    platform::forms::TextInput zotxtCustom{this, QStringLiteral("zotxtCustom"), &fraNewCustom};
    platform::forms::CommandButton cmdRegist{this, QStringLiteral("cmdRegist")};
    platform::forms::CommandButton cmdCancel{this, QStringLiteral("cmdCancel")};

    void cmdRegist_Click();
    void cmdCancel_Click();

protected:
    void designForm() override;
};

} // namespace talvik
