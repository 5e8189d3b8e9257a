#include "talvik/app/waitDialog.h"

#include "platform/forms/constants.h"
#include "talvik/core/frmWait.h"

namespace talvik {

void WaitDialogAdapter::clear() { m_form.clear(); }
void WaitDialogAdapter::setWaitMsg(const QString &text) { m_form.setWaitMsg(text); }
QString WaitDialogAdapter::loadInfo1() { return m_form.loadInfo1(); }
void WaitDialogAdapter::setLoadInfo1(const QString &text) { m_form.setLoadInfo1(text); }
void WaitDialogAdapter::setLoadInfo2(const QString &text) { m_form.setLoadInfo2(text); }
void WaitDialogAdapter::setEnableCancel(bool enabled) { m_form.setEnableCancel(enabled); }
bool WaitDialogAdapter::isCancel() const { return m_form.isCancel(); }
void WaitDialogAdapter::show(platform::forms::Form *owner) { m_form.Show(platform::forms::vbModeless, owner); }
void WaitDialogAdapter::unload() { m_form.Unload(); }

} // namespace talvik
