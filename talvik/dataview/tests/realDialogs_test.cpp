// The data window with the program's own dialogs (new customer, customer
// choice of a detector read): the dialogs are shown modally and answered by
// the test while their modal loop runs.
#include "dataWindowFixture.h"

#include "platform/comm/portpath.h"
#include "platform/com/com.h"
#include "platform/forms/constants.h"
#include "Controls/Pickwell/ComboInterfaces.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/settings/frmImportCustom.h"
#include "talvik/settings/frmNewCustom.h"
#include "tools/devicesim/simulator.h"

#include <QDir>
#include <QTimer>

#include <algorithm>

using namespace dwtest;
using namespace platform::forms;

namespace {

class RealDialogsTest : public DataWindowTest {
protected:
    void loadWithProgramDialogs()
    {
        loadWindow();
        w->setDialogs(nullptr);
        talvik::newCustomForm = &newCustom;
        talvik::importCustomForm = &importCustom;
    }
    void TearDown() override
    {
        DataWindowTest::TearDown();
        talvik::newCustomForm = nullptr;
        talvik::importCustomForm = nullptr;
        talvik::serialController = nullptr;
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
    }
    // Runs `answer` once the modal dialog is up.
    static void whenShown(Form &dialog, std::function<void()> answer)
    {
        auto *timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [timer, &dialog, answer] {
            if (!dialog.isModal())
                return;
            timer->stop();
            timer->deleteLater();
            answer();
        });
        timer->start();
    }

    talvik::frmNewCustom newCustom;
    talvik::frmImportCustom importCustom;
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<talvik::clsSerialController> serial;
};

} // namespace

TEST_F(RealDialogsTest, NewCustomerRefusedThenCreated)
{
    makeStore();
    loadWithProgramDialogs();
    clickNode(QStringLiteral("\\dDB.tran\\東京工場"));
    // A refused name keeps the dialog open with nothing created; then a
    // good one registers.
    script->answerNext(vbOK);
    whenShown(newCustom, [this] {
        newCustom.zotxtCustom.setText(QStringLiteral("名古屋|営業所"));
        newCustom.cmdRegist_Click();
        EXPECT_TRUE(newCustom.isLoaded());
        EXPECT_FALSE(exists(QStringLiteral("dDB.tran/名古屋|営業所")));
        newCustom.zotxtCustom.setText(QStringLiteral("名古屋営業所"));
        newCustom.cmdRegist_Click();
    });
    w->mnuEdit_Click(0);
    EXPECT_FALSE(newCustom.isLoaded());
    ASSERT_EQ(script->shown().size(), 1);
    EXPECT_EQ(script->shown()[0].style & 0x70, vbCritical);
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran/名古屋営業所")));
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\名古屋営業所")));
    EXPECT_EQ(logTexts().first(), QStringLiteral("お客さま名の新規作成　「名古屋営業所」"));
    EXPECT_TRUE(w->dataChanged());
    EXPECT_TRUE(w->currentKey.isEmpty());
}

TEST_F(RealDialogsTest, CustomerDialogWithoutItsComboSaysWhyAndReadsNothing)
{
    makeStore();
    // The combo's class names a file that is no library: the control cannot
    // be made, so neither can the dialog.
    const QString broken = home() + QStringLiteral("/broken.so");
    writeFile(QStringLiteral("broken.so"), "not a library");
    ASSERT_EQ(platform::com::registerInprocServer(pickwell::CLSID_zoCombo, QStringLiteral("Brenwold.Combo7"),
                                                  QStringLiteral("combo"), broken, QStringLiteral("Apartment")),
              platform::com::S_OK);
    loadWithProgramDialogs();
    QString custom = QStringLiteral("東京工場");
    script->answerNext(vbOK);
    talvik::IDataWindowDialogs &dialogs = talvik::programDialogs();
    EXPECT_FALSE(dialogs.importCustom(w.get(), custom, QStringLiteral("123456789")));
    ASSERT_EQ(script->shown().size(), 1);
    EXPECT_EQ(script->shown()[0].style & 0x70, vbCritical);
    EXPECT_TRUE(script->shown()[0].prompt.contains(QStringLiteral("ActiveX"))) << script->shown()[0].prompt.toStdString();
    EXPECT_FALSE(importCustom.isLoaded());
    EXPECT_EQ(custom, QStringLiteral("東京工場")) << "nothing chosen";
    platform::com::unregisterInprocServer(pickwell::CLSID_zoCombo, QStringLiteral("Brenwold.Combo7"));
}

TEST_F(RealDialogsTest, DetectorReadConfirmedInTheCustomerDialog)
{
    makeStore();
    devicesim::DeviceConfig cfg;
    cfg.model = devicesim::Model::T4KA;
    cfg.customers = 1;
    cfg.days = 1;
    // The detector's customer exists in the store already.
    const QString number = QString::fromLatin1(devicesim::customerNumberFor(cfg.seed, 0));
    writeFile(QStringLiteral("dDB/") + number + QStringLiteral("/keep.txt"), "x");
    sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
    const QString link = home() + QStringLiteral("/ttyDEV");
    ASSERT_TRUE(sim->start(link));
    platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
    serial = std::make_unique<talvik::clsSerialController>();
    serial->setPort(7);
    talvik::serialController = serial.get();
    talvik::deviceVersion = QString::fromLatin1(devicesim::versionTextOf(cfg.model));
    loadWithProgramDialogs();
    clickNode(QStringLiteral("\\dDB.tran\\大阪支店"));

    // The confirmation question, then the end of the read.
    script->answerNext(vbOK);
    script->answerNext(vbOK);
    whenShown(importCustom, [this, number] {
        // The device's number is offered and preselected.
        EXPECT_EQ(importCustom.Custom(), number);
        EXPECT_EQ(importCustom.AddCustom(), number);
        importCustom.cmdOK_Click();
    });
    w->readInfoData();
    ASSERT_TRUE(waitFor([&] { return script->shown().size() == 2; })) << prompts().join('|').toStdString();
    EXPECT_TRUE(script->shown()[0].prompt.startsWith(QStringLiteral("[") + number + QStringLiteral("]にデータを読み込みます。")));
    EXPECT_EQ(script->shown()[1].prompt, QStringLiteral("読み込みは正常に終了しました。"));
    EXPECT_FALSE(talvik::commBusy);
    // The records went into the existing customer, without a creation line.
    const QStringList log = logTexts();
    EXPECT_FALSE(std::any_of(log.begin(), log.end(), [](const QString &l) {
        return l.startsWith(QStringLiteral("お客さま名の新規作成"));
    }));
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QString &l) {
        return l.startsWith(QStringLiteral("情報データ読み込み("));
    })) << log.join('|').toStdString();
}

TEST_F(RealDialogsTest, CustomerComboListsTheStoresFoldersByNameWithoutRegardToCase)
{
    makeStore();
    loadWithProgramDialogs();
    // Customer folders made in another order than their names'.
    const QStringList made = {QStringLiteral("023456789"), QStringLiteral("033456789"), QStringLiteral("013456789"),
                              QStringLiteral("kita"),      QStringLiteral("Higashi"),   QStringLiteral("minami"),
                              QStringLiteral("Nishi"),     QStringLiteral("003456789"), QStringLiteral("Chuo")};
    for (const QString &n : made)
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("dDB.tran/") + n)));
    QStringList listed;
    whenShown(importCustom, [this, &listed] {
        for (int i = 0; i < importCustom.zoComboCustom.Items().Count(); ++i)
            listed << importCustom.zoComboCustom.Items().Item(i).Content();
        importCustom.cmdCancel_Click();
    });
    QString custom;
    EXPECT_FALSE(talvik::programDialogs().importCustom(w.get(), custom, QString()));
    EXPECT_EQ(listed, (QStringList{QStringLiteral("003456789"), QStringLiteral("013456789"), QStringLiteral("023456789"),
                                   QStringLiteral("033456789"), QStringLiteral("Chuo"), QStringLiteral("Higashi"),
                                   QStringLiteral("kita"), QStringLiteral("minami"), QStringLiteral("Nishi"),
                                   QStringLiteral("大阪支店"), QStringLiteral("東京工場")}));
}
