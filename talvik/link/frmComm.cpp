#include "talvik/link/frmComm.h"

namespace talvik {

frmComm::frmComm(QObject *parent) : Form(parent)
{
    connect(&MS_Comm, &platform::comm::MSComm::OnComm, this, &frmComm::OnComm);
    connect(&tmrCom, &platform::forms::TimerControl::Timer, this, &frmComm::tmrCom_Timer);
    connect(&tmrFrame, &platform::forms::TimerControl::Timer, this, &frmComm::tmrFrame_Timer);
    MS_Comm.setRThreshold(1);
    MS_Comm.setInBufferSize(1048);
}

void frmComm::Form_Load()
{
    tmrCom.setEnabled(false);
    tmrCom.setInterval(0);
    tmrFrame.setEnabled(false);
    tmrFrame.setInterval(0);
}

void frmComm::startTimer(int interval)
{
    if (interval > 0) {
        tmrCom.setEnabled(true);
        tmrCom.setInterval(interval);
    } else {
        tmrCom.setEnabled(false);
        tmrCom.setInterval(0);
    }
}

void frmComm::startFrameTimer(int interval)
{
    if (interval > 0) {
        tmrFrame.setEnabled(true);
        tmrFrame.setInterval(interval);
    } else {
        tmrFrame.setEnabled(false);
        tmrFrame.setInterval(0);
    }
}

void frmComm::tmrCom_Timer()
{
    tmrCom.setEnabled(false);
    tmrCom.setInterval(0);
    emit OnTimeOut();
}

void frmComm::tmrFrame_Timer()
{
    tmrFrame.setEnabled(false);
    tmrFrame.setInterval(0);
    emit OnFrameTimeOut();
}

} // namespace talvik
