#include "talvik/app/frmVersion.h"

#include "platform/forms/app.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/core/basComVariables.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace talvik {

namespace forms = platform::forms;

frmVersion::frmVersion()
{
    connect(&imgLogo, &forms::Image::Click, this, &frmVersion::Form_Click);
    connect(&lblName, &forms::Label::Click, this, &frmVersion::Form_Click);
    connect(&lblVersion, &forms::Label::Click, this, &frmVersion::Form_Click);
    connect(&lblCredit, &forms::ControlArrayBase::Click, this, [this](int) { Form_Click(); });
}

void frmVersion::designForm()
{
    setCaption(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setDesignSize(6000, 4200);
    setFixedBorder(true);
    zoContainer3D1.Move(120, 120, 5760, 1800);
    imgLogo.Move(120, 120, 1560, 1560);
    imgLogo.setStretch(true);
    lblName.Move(1800, 360, 3800, 420);
    lblName.setFontSize(14);
    lblName.setFontBold(true);
    lblVersion.Move(1800, 960, 3800, 360);
    zoContainer3D2.Move(120, 2040, 5760, 2040);
    static const char *const credits[5] = {
        "書庫の作成と展開: LHA 書庫ライブラリ",
        "帳票の印刷: 印刷コンポーネント",
        "グラフの描画: 描画コンポーネント",
        "PDF の出力: PDF 出力コンポーネント",
        "入力欄: 数値・文字・日付・時刻の入力コントロール",
    };
    for (int i = 0; i < 5; ++i) {
        lblCredit(i).Move(180, 120 + i * 360, 5400, 300);
        lblCredit(i).setCaption(QString::fromUtf8(credits[i]));
    }
}

void frmVersion::Form_Load()
{
    // A missing or unreadable logo leaves the picture empty and stops nothing.
    try {
        imgLogo.setPicture(forms::LoadPicture(forms::App::Path() + QStringLiteral("/Logo.gif")));
    } catch (const platform::RuntimeError &) {
        imgLogo.setPicture(forms::Picture());
    }
    lblName.setCaption(appTitle);
    lblVersion.setCaption(appVersion);
    widget()->installEventFilter(this);
}

bool frmVersion::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && isLoaded() && watched == widget())
        Form_Click();
    return forms::Form::eventFilter(watched, event);
}

void frmVersion::Form_Click()
{
    // Unloaded once the click has been handled, not inside its own event.
    QTimer::singleShot(0, this, [this] {
        if (isLoaded())
            Unload();
    });
}

} // namespace talvik
