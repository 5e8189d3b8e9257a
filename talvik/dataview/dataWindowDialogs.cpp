// The dialogs of the data window as the program has them: the settings
// windows held in the program-wide variables.
#include "talvik/dataview/frmData.h"

#include "platform/forms/msgbox.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/frmSerialSetUp.h"

#ifdef TALVIK_HAVE_SETTINGS
#include "talvik/settings/frmGraphSet.h"
#include "talvik/settings/frmImportCustom.h"
#include "talvik/settings/frmNewCustom.h"
#include "talvik/settings/frmSelDelete.h"
#endif
#if __has_include("talvik/app/frmDateTime.h")
#include "talvik/app/frmDateTime.h"
#define TALVIK_HAVE_CLOCK_WINDOW 1
#endif

#include <iterator>

namespace talvik {

using namespace platform::forms;

namespace {

// The scale ladder entry used while no graph options window exists.
constexpr int kFallbackScale = 75;

void notAvailable(const QString &what)
{
    MsgBox(what + QStringLiteral("はこの構成では使用できません。"), vbOKOnly + vbExclamation, appTitle);
}

class ProgramDialogs : public IDataWindowDialogs {
public:
    bool selectDeleteCustomers(Form *owner, clsDataC &list) override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (selDeleteForm) {
            selDeleteForm->setCustomer(&list);
            selDeleteForm->Show(vbModal, owner);
            return selDeleteForm->Status();
        }
#endif
        (void)owner;
        (void)list;
        notAvailable(QStringLiteral("お客さま番号の選択画面"));
        return false;
    }

    bool importCustom(Form *owner, QString &custom, const QString &addCustom) override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (importCustomForm) {
            importCustomForm->setAddCustom(addCustom);
            importCustomForm->setCustom(custom);
            importCustomForm->Show(vbModal, owner);
            if (!importCustomForm->Status())
                return false;
            custom = importCustomForm->Custom();
            return true;
        }
#endif
        (void)owner;
        (void)custom;
        (void)addCustom;
        notAvailable(QStringLiteral("お客さま名の選択画面"));
        return false;
    }

    void newCustom(Form *owner) override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (newCustomForm) {
            newCustomForm->Show(vbModal, owner);
            return;
        }
#endif
        (void)owner;
        notAvailable(QStringLiteral("お客さま名の新規作成画面"));
    }

    void graphSettings(Form *owner) override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (graphSetForm) {
            graphSetForm->Show(vbModal, owner);
            return;
        }
#endif
        (void)owner;
        notAvailable(QStringLiteral("グラフ設定画面"));
    }

    int scaleWeight() override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (graphSetForm)
            return graphSetForm->scaleWeight();
#endif
        return kFallbackScale;
    }

    int outvalue() override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (graphSetForm)
            return graphSetForm->outvalue();
#endif
        return 0;
    }

    int outStyle() override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (graphSetForm)
            return graphSetForm->outStyle();
#endif
        return 0;
    }

    int getScaleWeight(int index) override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (graphSetForm)
            return graphSetForm->getScaleWeight(std::int16_t(index));
#endif
        if (index < 0 || index >= int(std::size(kGraphScaleLadder)))
            return kFallbackScale;
        return kGraphScaleLadder[index];
    }

    int getScaleIndexByWeight(int kW) override
    {
#ifdef TALVIK_HAVE_SETTINGS
        if (graphSetForm)
            return graphSetForm->getScaleIndexByWeight(std::int16_t(kW));
#endif
        for (int i = 0; i < int(std::size(kGraphScaleLadder)); ++i)
            if (kGraphScaleLadder[i] == kW)
                return i;
        return 0;
    }

    void showClock(Form *owner) override
    {
#ifdef TALVIK_HAVE_CLOCK_WINDOW
        if (clockForm) {
            static_cast<Form *>(clockForm)->Show(vbModeless, owner);
            return;
        }
#endif
        (void)owner;
        notAvailable(QStringLiteral("時刻設定画面"));
    }

    void showSerialSetUp(Form *owner) override
    {
        if (serialSetUpForm) {
            serialSetUpForm->Show(vbModal, owner);
            return;
        }
        notAvailable(QStringLiteral("シリアル通信設定画面"));
    }
};

} // namespace

IDataWindowDialogs &programDialogs()
{
    static ProgramDialogs dialogs;
    return dialogs;
}

} // namespace talvik
