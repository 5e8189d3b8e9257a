// Device detection against the stand-in device on a pty: the watch tick,
// ActionOn with its silent version request, the model matrix and ActionOff.
#include "appFixture.h"

#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/app/watcher.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/link/clsSerialController.h"
#include "tools/devicesim/simulator.h"

using namespace talvik;
namespace forms = platform::forms;

namespace {

class DetectionTest : public AppFixture {
protected:
    void startDevice(devicesim::Model model)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        m_sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        QString error;
        ASSERT_TRUE(m_sim->start(linkPath(), &error)) << error.toStdString();
    }
    void TearDown() override
    {
        closeProgram();
        m_sim.reset();
        AppFixture::TearDown();
    }
    // One watch tick now, rather than at the timer's next second.
    static void tick() { mainForm->Timer1_Timer(); }
    // Unplugs the device and waits until the serial link has let go of it.
    void unplugDevice()
    {
        m_sim->unplug();
        EXPECT_TRUE(waitFor([] { return !serialController->IsOpen(); }, 3000));
        tick();
    }
    // Version requests the device has heard.
    int rvRequests() const
    {
        int n = 0;
        for (const QByteArray &r : m_sim->device().requests())
            n += r.mid(1, 2) == "RV";
        return n;
    }
    std::unique_ptr<devicesim::DeviceSimulator> m_sim;
};

} // namespace

TEST_F(DetectionTest, PluggedDeviceIsIdentifiedSilentlyWithTheButtonsLockedMeanwhile)
{
    ASSERT_TRUE(Main());
    bool waitShown = false;
    auto watchWait = [&] { waitShown = waitShown || waitForm->Visible(); };
    // A window that holds the main window disabled keeps it so after the unlock.
    mainForm->addDisableHold(QStringLiteral("frmData"));
    startDevice(devicesim::Model::T4KB);
    m_sim->device().faults().add(QStringLiteral("RV:delay:400"));

    ASSERT_TRUE(waitFor([&] { watchWait(); return rvRequests() == 1; }, 4000));
    EXPECT_FALSE(mainForm->cmdData.Enabled());
    EXPECT_FALSE(mainForm->cmdDate.Enabled());
    EXPECT_FALSE(mainForm->cmdSetting.Enabled());
    EXPECT_TRUE(mainForm->hasDisableHold(QStringLiteral("Portwick.Class1")));

    ASSERT_TRUE(waitFor([&] { watchWait(); return !deviceVersion.isEmpty(); }, 3000));
    EXPECT_EQ(deviceVersion, QString::fromLatin1(devicesim::versionTextOf(devicesim::Model::T4KB)));
    EXPECT_TRUE(deviceVersion.startsWith(QStringLiteral("T4KB")));
    EXPECT_TRUE(mainForm->cmdData.Enabled());
    EXPECT_TRUE(mainForm->cmdDate.Enabled());
    EXPECT_TRUE(mainForm->cmdSetting.Enabled());
    EXPECT_FALSE(mainForm->hasDisableHold(QStringLiteral("Portwick.Class1")));
    EXPECT_FALSE(mainForm->Enabled());
    mainForm->releaseDisableHold(QStringLiteral("frmData"));
    EXPECT_TRUE(mainForm->Enabled());
    EXPECT_FALSE(waitShown); // the version request shows no wait dialog

    // The watcher found the adapter's lasting number; the serial link uses it.
    int16_t port = 0;
    existingVcpWatcher()->GetVirtualPort(&port);
    EXPECT_EQ(port, 5);
    pump(1500);
    EXPECT_EQ(rvRequests(), 1); // one request per plug-in
    EXPECT_TRUE(m_script->verify());
}

TEST_F(DetectionTest, EveryKnownModelIsKept)
{
    const devicesim::Model models[] = {devicesim::Model::Reader, devicesim::Model::T4KA10, devicesim::Model::T4KA,
                                       devicesim::Model::T4KB, devicesim::Model::T6KA};
    ASSERT_TRUE(Main());
    for (devicesim::Model model : models) {
        SCOPED_TRACE(devicesim::modelName(model).toStdString());
        startDevice(model);
        tick();
        ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));
        EXPECT_EQ(deviceVersion, QString::fromLatin1(devicesim::versionTextOf(model)));
        unplugDevice();
        ASSERT_TRUE(waitFor([] { return deviceVersion.isEmpty(); }, 3000));
        m_sim.reset();
    }
    EXPECT_TRUE(m_script->verify());
}

TEST_F(DetectionTest, UnknownAndSilentDevicesAreReported)
{
    ASSERT_TRUE(Main());
    bool asked = false;
    m_script->answerNextWith([&](const forms::ShownDialog &box) {
        EXPECT_EQ(box.prompt, QStringLiteral("電源、接続及び通信設定を確認してください。"));
        EXPECT_EQ(box.style, forms::vbExclamation);
        asked = true;
        return forms::vbOK;
    });
    startDevice(devicesim::Model::Unknown);
    tick();
    ASSERT_TRUE(waitFor([&] { return asked; }, 4000));
    EXPECT_TRUE(deviceVersion.isEmpty());
    EXPECT_TRUE(mainForm->cmdData.Enabled());
    unplugDevice();
    m_sim.reset();

    // A text with "1.0" but no model name is refused as well.
    asked = false;
    m_script->answerNextWith([&](const forms::ShownDialog &box) {
        EXPECT_EQ(box.prompt, QStringLiteral("電源、接続及び通信設定を確認してください。"));
        asked = true;
        return forms::vbOK;
    });
    startDevice(devicesim::Model::T4KA10);
    m_sim->device().faults().add(QStringLiteral("RV:badfield:3=XK10 Ver1.0"));
    tick();
    ASSERT_TRUE(waitFor([&] { return asked; }, 4000));
    EXPECT_TRUE(deviceVersion.isEmpty());
    unplugDevice();
    m_sim.reset();

    asked = false;
    m_script->answerNextWith([&](const forms::ShownDialog &box) {
        EXPECT_EQ(box.prompt, QStringLiteral("不明な機器が接続されています。"));
        EXPECT_EQ(box.style, forms::vbExclamation);
        asked = true;
        return forms::vbOK;
    });
    startDevice(devicesim::Model::Silent);
    tick();
    ASSERT_TRUE(waitFor([&] { return asked; }, 5000));
    EXPECT_TRUE(deviceVersion.isEmpty());
    EXPECT_TRUE(waitFor([] { return mainForm->cmdData.Enabled() && mainForm->Enabled(); }, 1000));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(DetectionTest, UnplugClearsTheVersionOnce)
{
    ASSERT_TRUE(Main());
    startDevice(devicesim::Model::T6KA);
    ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));
    m_sim->unplug();
    ASSERT_TRUE(waitFor([] { return deviceVersion.isEmpty(); }, 3000));
    int16_t port = 0;
    existingVcpWatcher()->GetVirtualPort(&port);
    EXPECT_EQ(port, -1);
    // A second ActionOff would clear this again.
    deviceVersion = QStringLiteral("marker");
    pump(2200);
    EXPECT_EQ(deviceVersion, QStringLiteral("marker"));
    deviceVersion.clear();
    // Plugged in again, the device is asked again.
    ASSERT_TRUE(m_sim->replug());
    ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));
    EXPECT_EQ(rvRequests(), 2);
}

TEST_F(DetectionTest, TicksDoNothingWhileAWindowsTransactionRuns)
{
    ASSERT_TRUE(Main());
    commBusy = true;
    startDevice(devicesim::Model::T4KA);
    pump(2500);
    EXPECT_EQ(rvRequests(), 0);
    EXPECT_TRUE(deviceVersion.isEmpty());
    int16_t port = 0;
    existingVcpWatcher()->GetVirtualPort(&port);
    EXPECT_LE(port, 0); // not looked for
    EXPECT_TRUE(mainForm->Timer1.Enabled());
    commBusy = false;
    ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));
    EXPECT_EQ(rvRequests(), 1);
}

TEST_F(DetectionTest, ALineThatHungUpDuringATransactionCountsAsUnpluggedOnceTheTransactionEnds)
{
    ASSERT_TRUE(Main());
    startDevice(devicesim::Model::T6KA);
    ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));
    const QString version = deviceVersion;
    // Pulled out and put back while a window's transaction runs: the watch
    // never sees the adapter missing, but the open line hung up.
    commBusy = true;
    m_sim->unplug();
    ASSERT_TRUE(waitFor([] { return !serialController->IsOpen(); }, 3000));
    ASSERT_TRUE(m_sim->replug());
    pump(2200);
    EXPECT_EQ(rvRequests(), 1);
    EXPECT_EQ(deviceVersion, version); // nothing while the transaction runs
    // Ended: the adapter counts as gone and found again, the new device is asked.
    commBusy = false;
    ASSERT_TRUE(waitFor([&] { return rvRequests() == 2; }, 3000));
    ASSERT_TRUE(waitFor([&] { return deviceVersion == version; }, 3000));
    pump(2200);
    EXPECT_EQ(rvRequests(), 2);
}
