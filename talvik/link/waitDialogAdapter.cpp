#include "talvik/link/waitDialogAdapter.h"

#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"

namespace talvik {

frmWait *WaitFormDialog::loadable()
{
    if (!waitForm)
        return nullptr;
    if (!waitForm->isLoaded() && !waitForm->parentWindow())
        return nullptr;
    return waitForm;
}

void WaitFormDialog::clear()
{
    if (frmWait *f = loadable())
        f->clear();
}

void WaitFormDialog::setWaitMsg(const QString &text)
{
    if (frmWait *f = loadable())
        f->setWaitMsg(text);
}

QString WaitFormDialog::loadInfo1()
{
    frmWait *f = loadable();
    return f ? f->loadInfo1() : QString();
}

void WaitFormDialog::setLoadInfo1(const QString &text)
{
    if (frmWait *f = loadable())
        f->setLoadInfo1(text);
}

void WaitFormDialog::setLoadInfo2(const QString &text)
{
    if (frmWait *f = loadable())
        f->setLoadInfo2(text);
}

void WaitFormDialog::setEnableCancel(bool enabled)
{
    if (frmWait *f = loadable())
        f->setEnableCancel(enabled);
}

bool WaitFormDialog::isCancel() const
{
    return waitForm && waitForm->isCancel();
}

void WaitFormDialog::show(platform::forms::Form *owner)
{
    if (frmWait *f = loadable())
        f->Show(platform::forms::vbModeless, owner);
}

void WaitFormDialog::unload()
{
    // Unloading a dialog that is not loaded does nothing.
    if (waitForm && waitForm->isLoaded())
        waitForm->Unload();
}

bool WaitFormDialog::Visible() const
{
    return waitForm && waitForm->isLoaded() && waitForm->Visible();
}

WaitFormDialog &programWaitDialog()
{
    static WaitFormDialog dialog;
    return dialog;
}

} // namespace talvik
