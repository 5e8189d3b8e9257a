#pragma once
// The hidden comm host: the serial port control MS_Comm, the one-shot reply
// timer tmrCom, and tmrFrame, which drops a frame that stopped half way.
#include "platform/comm/mscomm.h"
#include "platform/forms/form.h"
#include "platform/forms/timer.h"

namespace talvik {

class frmComm : public platform::forms::Form {
    Q_OBJECT
public:
    explicit frmComm(QObject *parent = nullptr);

    // > 0: a fresh one-shot countdown of that many ms; <= 0 stops the timer.
    void startTimer(int interval);
    // The same for the partial-frame timer.
    void startFrameTimer(int interval);

    platform::comm::MSComm MS_Comm;
    platform::forms::Timer tmrCom{this, QStringLiteral("tmrCom")};
    platform::forms::Timer tmrFrame{this, QStringLiteral("tmrFrame")};

signals:
    void OnComm();
    void OnTimeOut();
    void OnFrameTimeOut();

protected:
    void Form_Load() override;

private:
    void tmrCom_Timer();
    void tmrFrame_Timer();
};

} // namespace talvik
