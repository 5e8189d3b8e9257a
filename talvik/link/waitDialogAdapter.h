#pragma once
// The program's one wait dialog (the global waitForm, a frmWait) behind the
// interface the protocol controller and the store drive. The dialog is looked
// up at every call, so the adapter may outlive the form and works before the
// main window has created it (then nothing is shown and no cancel is asked).
#include "talvik/link/protocolRecord.h"

namespace talvik {

class frmWait;

class WaitFormDialog : public IWaitDialog {
public:
    void clear() override;
    void setWaitMsg(const QString &text) override;
    QString loadInfo1() override;
    void setLoadInfo1(const QString &text) override;
    void setLoadInfo2(const QString &text) override;
    void setEnableCancel(bool enabled) override;
    bool isCancel() const override;
    void show(platform::forms::Form *owner) override;
    void unload() override;
    bool Visible() const override;

private:
    // The form when a member that loads it may run: the dialog exists and is
    // loaded already or has a parent to disable. A dialog without a parent
    // cannot be loaded (frmWait raises); the call is then left out.
    static frmWait *loadable();
};

// The adapter over waitForm that the controller and the store use unless a
// test or the program installs another dialog.
WaitFormDialog &programWaitDialog();

} // namespace talvik
