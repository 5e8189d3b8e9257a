// The dialogs of the data window as the program has them: the settings
// windows held in the program-wide variables.
#include "talvik/dataview/frmData.h"

#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/frmSerialSetUp.h"

#include "talvik/settings/frmGraphSet.h"
#include "talvik/settings/frmImportCustom.h"
#include "talvik/settings/frmNewCustom.h"
#include "talvik/settings/frmSelDelete.h"

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
        if (selDeleteForm) {
            selDeleteForm->setCustomer(&list);
            selDeleteForm->Show(vbModal, owner);
            return selDeleteForm->Status();
        }
        notAvailable(QStringLiteral("お客さま番号の選択画面"));
        return false;
    }

    bool importCustom(Form *owner, QString &custom, const QString &addCustom) override
    {
        if (importCustomForm) {
            importCustomForm->setAddCustom(addCustom);
            importCustomForm->setCustom(custom);
            try {
                importCustomForm->Show(vbModal, owner);
            } catch (const platform::RuntimeError &e) {
                // The dialog could not be made (its combo control is missing):
                // say why and choose nothing, as a cancel does.
                if (importCustomForm->isLoaded())
                    importCustomForm->Unload();
                MsgBox(e.Description(), vbOKOnly + vbCritical, appTitle);
                return false;
            }
            if (!importCustomForm->Status())
                return false;
            custom = importCustomForm->Custom();
            return true;
        }
        notAvailable(QStringLiteral("お客さま名の選択画面"));
        return false;
    }

    void newCustom(Form *owner) override
    {
        if (newCustomForm) {
            newCustomForm->Show(vbModal, owner);
            return;
        }
        notAvailable(QStringLiteral("お客さま名の新規作成画面"));
    }

    void graphSettings(Form *owner) override
    {
        if (graphSetForm) {
            graphSetForm->Show(vbModal, owner);
            return;
        }
        notAvailable(QStringLiteral("グラフ設定画面"));
    }

    int scaleWeight() override
    {
        if (graphSetForm)
            return graphSetForm->scaleWeight();
        return kFallbackScale;
    }

    int outvalue() override
    {
        if (graphSetForm)
            return graphSetForm->outvalue();
        return 0;
    }

    int outStyle() override
    {
        if (graphSetForm)
            return graphSetForm->outStyle();
        return 0;
    }

    int getScaleWeight(int index) override
    {
        if (graphSetForm)
            return graphSetForm->getScaleWeight(std::int16_t(index));
        if (index < 0 || index >= int(std::size(kGraphScaleLadder)))
            return kFallbackScale;
        return kGraphScaleLadder[index];
    }

    int getScaleIndexByWeight(int kW) override
    {
        if (graphSetForm)
            return graphSetForm->getScaleIndexByWeight(std::int16_t(kW));
        for (int i = 0; i < int(std::size(kGraphScaleLadder)); ++i)
            if (kGraphScaleLadder[i] == kW)
                return i;
        return 0;
    }

    void showClock(Form *owner) override
    {
        if (clockForm) {
            clockForm->Show(vbModeless, owner);
            return;
        }
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
