#pragma once
// The program's wait dialog (frmWait) as the protocol controllers drive it.
#include "talvik/link/protocolRecord.h"

namespace talvik {

class frmWait;

class WaitDialogAdapter : public IWaitDialog {
public:
    explicit WaitDialogAdapter(frmWait &form) : m_form(form) {}
    void clear() override;
    void setWaitMsg(const QString &text) override;
    QString loadInfo1() override;
    void setLoadInfo1(const QString &text) override;
    void setLoadInfo2(const QString &text) override;
    void setEnableCancel(bool enabled) override;
    bool isCancel() const override;
    void show(platform::forms::Form *owner) override;
    void unload() override;

private:
    frmWait &m_form;
};

} // namespace talvik
