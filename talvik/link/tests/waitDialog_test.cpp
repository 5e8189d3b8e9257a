// The protocol controller with the program's own wait dialog (waitForm
// behind WaitFormDialog), against the stand-in device on a pseudo-terminal.
#include "platform/comm/portpath.h"
#include "platform/forms/form.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/link/clsDataV.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/waitDialogAdapter.h"
#include "tests/linkHarness.h"
#include "tools/devicesim/simulator.h"

using namespace talvik;
using namespace linktest;

namespace {

class OwnerWindow : public platform::forms::Form, public ITransactionOwner {
public:
    platform::forms::Form *ownerForm() override { return this; }
    void addLog(const QString &text) override { logs << text; }
    QStringList logs;
};

// A demand record whose store run fails.
struct FailingDemand : DemandDouble {
    bool fire(bool s) override
    {
        DemandDouble::fire(s);
        return false;
    }
};

struct ProgramWaitDialog : ::testing::Test {
    QTemporaryDir home;
    platform::forms::DialogScript script;
    OwnerWindow owner;
    frmWait wait;
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<clsSerialController> serial;
    std::unique_ptr<clsProtocolController> proto;
    Recorder rec;

    void SetUp() override
    {
        qputenv("TALVIK_HOME", home.path().toLocal8Bit());
        clsProtocolController::setWaitDialog(nullptr);
        deviceLabel = QStringLiteral("検出器");
        wait.setParent(&owner);
        waitForm = &wait;
    }
    void TearDown() override
    {
        proto.reset();
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
        wait.Unload();
        waitForm = nullptr;
        commBusy = false;
    }
    void start(int days = 1)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = devicesim::Model::T4KA;
        cfg.days = days;
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        const QString link = home.path() + "/ttyDEV";
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<clsSerialController>();
        serial->setPort(7);
        proto = std::make_unique<clsProtocolController>(serial.get());
        rec.attach(*proto);
    }
};

} // namespace

TEST_F(ProgramWaitDialog, TransactionShowsTheProgramsDialogAndGivesTheWindowBack)
{
    start();
    EXPECT_EQ(clsProtocolController::waitDialog(), &programWaitDialog());
    clsDataV v;
    v.initData();
    proto->setData(&v);
    proto->cont(&owner);
    // While the reply is awaited: shown, owner disabled, cancel offered.
    EXPECT_TRUE(wait.isLoaded());
    EXPECT_TRUE(wait.Visible());
    EXPECT_EQ(wait.waitMsg(), QStringLiteral("通信中・・・・しばらくお待ちください。"));
    EXPECT_FALSE(owner.Enabled());
    EXPECT_TRUE(wait.cmdCancel.Visible());
    ASSERT_TRUE(waitFor([&] { return rec.ended(); }));
    EXPECT_EQ(rec.events, (QStringList{"OnTranEnd", "OnVersion:1"}));
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(owner.Enabled());
}

TEST_F(ProgramWaitDialog, CancelButtonEndsADemandTransferAtTheNextBlock)
{
    start();
    DemandDouble d;
    proto->setData(&d);
    proto->cont(&owner);
    wait.cmdCancel.Click();
    ASSERT_TRUE(waitFor([&] { return rec.ended(); }));
    EXPECT_EQ(rec.events, (QStringList{"OnEvent:キャンセルしました。", "OnTranEnd"}));
    EXPECT_EQ(d.fires, 0);
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(owner.Enabled());
}

TEST_F(ProgramWaitDialog, FailedStoreRunClearsTheBusyFlagWithoutAnEvent)
{
    start();
    FailingDemand d;
    commBusy = true;
    proto->setData(&d);
    proto->cont(&owner);
    ASSERT_TRUE(waitFor([&] { return d.fires == 1; }));
    pump(100);
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(rec.events.isEmpty()) << rec.events.join(u',').toStdString();
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(owner.Enabled());
}

TEST_F(ProgramWaitDialog, AdapterWithoutADialogOrParentDoesNothing)
{
    WaitFormDialog &a = programWaitDialog();
    waitForm = nullptr;
    a.clear();
    a.setWaitMsg(QStringLiteral("x"));
    a.show(&owner);
    EXPECT_EQ(a.loadInfo1(), QString());
    EXPECT_FALSE(a.isCancel());
    EXPECT_FALSE(a.Visible());
    a.unload();

    // A dialog with no parent cannot be loaded: the calls are left out
    // instead of raising inside the serial link's handlers.
    frmWait orphan;
    waitForm = &orphan;
    EXPECT_NO_THROW(a.clear());
    EXPECT_NO_THROW(a.setLoadInfo1(QStringLiteral("y")));
    EXPECT_NO_THROW(a.show(&owner));
    EXPECT_FALSE(orphan.isLoaded());
    EXPECT_TRUE(owner.Enabled());
    waitForm = nullptr;
}
