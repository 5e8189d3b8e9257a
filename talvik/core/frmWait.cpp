#include "talvik/core/frmWait.h"

#include "platform/runtime/runtime_error.h"

#include <QWidget>

namespace talvik {

using namespace platform::forms;

frmWait::frmWait(QObject *parent) : Form(parent)
{
    connect(&cmdCancel, &CommandButton::Click, this, &frmWait::cmdCancel_Click);
}

frmWait::~frmWait()
{
    if (m_disabled) {
        m_disabled->releaseDisableHold(holdName());
        Screen::setMousePointer(vbDefault);
    }
}

void frmWait::designForm()
{
    setDesignSize(5400, 1980);
    setCaption(QString());
    // A progress window over the window that owns the operation.
    setDialogBox(true);
    widget()->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint);
    lblWaitMsg.Move(240, 180, 4920, 420);
    lblWaitMsg.setAlignment(2);
    lblWaitMsg.setWordWrap(true);
    lblLoadInfo1.Move(240, 660, 4920, 300);
    lblLoadInfo1.setAlignment(2);
    lblLoadInfo2.Move(240, 990, 4920, 300);
    lblLoadInfo2.setAlignment(2);
    cmdCancel.Move(2040, 1380, 1320, 420);
    cmdCancel.setCaption(QStringLiteral("キャンセル"));
    cmdCancel.setCancel(true);
    setFixedBorder(true);
}

void frmWait::Form_Load()
{
    m_cancel = false;
    cmdCancel.setEnabled(false);
    cmdCancel.setVisible(false);
    // No owner set: the client gets the error the original reported for an
    // unset object (91); nothing is disabled and no hourglass is shown.
    if (!m_parent)
        platform::raise(platform::err::ObjectVariableNotSet);
    m_disabled = m_parent;
    m_disabled->addDisableHold(holdName());
    Screen::setMousePointer(vbHourglass);
}

void frmWait::Form_QueryUnload(int &cancel, int unloadMode)
{
    // Only the client ends the dialog; closing it from the window menu would
    // leave the operation running without its progress window.
    if (unloadMode == vbFormControlMenu)
        cancel = 1;
}

void frmWait::Form_Unload(int &)
{
    if (m_disabled)
        m_disabled->releaseDisableHold(holdName());
    m_disabled = nullptr;
    Screen::setMousePointer(vbDefault);
}

void frmWait::clear()
{
    lblLoadInfo1.setCaption(QString());
    lblLoadInfo2.setCaption(QString());
    lblWaitMsg.setCaption(QString());
    nameByMessage();
}

void frmWait::nameByMessage()
{
    // The dialog has no title: assistive tools name it by its message, as a
    // sighted user reads it.
    if (QWidget *window = widget())
        window->setAccessibleName(lblWaitMsg.Caption());
}

void frmWait::setParent(Form *window)
{
    m_parent = window;
}

void frmWait::setEnableCancel(bool enable)
{
    cmdCancel.setEnabled(enable);
    cmdCancel.setVisible(enable);
}

QString frmWait::waitMsg()
{
    return lblWaitMsg.Caption();
}

void frmWait::setWaitMsg(const QString &text)
{
    lblWaitMsg.setCaption(text);
    nameByMessage();
    Refresh();
}

QString frmWait::loadInfo1()
{
    return lblLoadInfo1.Caption();
}

void frmWait::setLoadInfo1(const QString &text)
{
    lblLoadInfo1.setCaption(text);
    Refresh();
}

QString frmWait::loadInfo2()
{
    return lblLoadInfo2.Caption();
}

void frmWait::setLoadInfo2(const QString &text)
{
    lblLoadInfo2.setCaption(text);
    Refresh();
}

void frmWait::cmdCancel_Click()
{
    m_cancel = true;
}

} // namespace talvik
