#pragma once
// The about box: logo, program name, version and the credit lines; a click
// anywhere closes it.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace talvik {

class frmVersion : public platform::forms::Form {
    Q_OBJECT
public:
    frmVersion();

    platform::forms::Frame zoContainer3D1{this, QStringLiteral("zoContainer3D1")};
    platform::forms::Frame zoContainer3D2{this, QStringLiteral("zoContainer3D2")};
    platform::forms::Image imgLogo{this, QStringLiteral("imgLogo"), &zoContainer3D1};
    platform::forms::Label lblName{this, QStringLiteral("lblName"), &zoContainer3D1};
    platform::forms::Label lblVersion{this, QStringLiteral("lblVersion"), &zoContainer3D1};
    platform::forms::ControlArray<platform::forms::Label> lblCredit{this, QStringLiteral("lblCredit"), 5,
                                                                    &zoContainer3D2};

protected:
    void designForm() override;
    void Form_Load() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Click();
};

} // namespace talvik
