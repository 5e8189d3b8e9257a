#include "talvik/settings/frmNewCustom.h"

#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/customerName.h"
#include "talvik/store/dataWindow.h"

#include <exception>

namespace talvik {

using namespace platform::forms;

namespace {
// Leading and trailing half-width blanks removed (the Trim of the original).
QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

[[noreturn]] void objectNotSet()
{
    platform::raise(platform::err::ObjectVariableNotSet);
}
} // namespace

frmNewCustom::frmNewCustom(QObject *parent) : Form(parent)
{
    connect(&cmdRegist, &CommandButton::Click, this, &frmNewCustom::cmdRegist_Click);
    connect(&cmdCancel, &CommandButton::Click, this, &frmNewCustom::cmdCancel_Click);
}

void frmNewCustom::designForm()
{
    setCaption(QStringLiteral("お客さま名の登録"));
    setDesignSize(5040, 1980);
    setBorderStyle(vbFixedDialog);
    setStartUpPosition(vbStartUpOwner);
    fraNewCustom.setCaption(QStringLiteral("新規お客さま名"));
    fraNewCustom.Move(120, 120, 4800, 900);
    zotxtCustom.Move(240, 400, 4320, 330);
    cmdRegist.setCaption(QStringLiteral("登　録"));
    cmdRegist.Move(1080, 1320, 1300, 420);
    cmdRegist.setDefault(true);
    cmdCancel.setCaption(QStringLiteral("キャンセル"));
    cmdCancel.Move(2640, 1320, 1300, 420);
    cmdCancel.setCancel(true);
}

void frmNewCustom::cmdRegist_Click()
{
    try {
        const QString name = trimBlanks(zotxtCustom.Text());
        // A name the store cannot hold as a customer is refused before
        // anything is created; the dialog stays open with the typed text.
        const QString refused = validateCustomerName(name);
        if (!refused.isEmpty()) {
            MsgBox(refused, vbCritical);
            return;
        }
        platform::shell::CreateFolder(platform::shell::programFolder() + QStringLiteral("\\dDB.tran\\") + name);
        Unload();
        if (!dataForm)
            objectNotSet();
        dataForm->TreeNode().mkNodeInit(dataForm->treData(), dataForm->form());
        if (!appLogs)
            objectNotSet();
        appLogs->add(dataForm->lstLogs(), QStringLiteral("お客さま名の新規作成　「") + name + QStringLiteral("」"));
    } catch (const platform::RuntimeError &e) {
        MsgBox(e.Description(), vbCritical);
    } catch (const std::exception &e) {
        MsgBox(QString::fromLocal8Bit(e.what()), vbCritical);
    }
}

void frmNewCustom::cmdCancel_Click()
{
    Unload();
}

} // namespace talvik
