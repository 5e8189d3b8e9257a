// A device pulled out and put back as a user does it: the stand-in device is
// a process of its own, ended with SIGTERM (its pseudo-terminal and link go,
// as a USB adapter's device node goes) and started again on the same link.
// The whole program runs with its port watcher; the settings window and the
// data window are driven with mouse clicks.
#include "deviceProcess.h"
#include "dataWindowFixture.h"
#include "settingFixture.h"

#include "platform/forms/constants.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/app/watcher.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/frmData.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "platform/forms/toolbar.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace talvik;
using namespace settingtest;
namespace fm = platform::forms;

namespace {

const QString kReadDone = QStringLiteral("読み込みは正常に終了しました。");
// Records stored by the stand-in: days x 48 half hours, all in 2024.
constexpr int kDays = 2;
constexpr int kRecords = kDays * 48;

class ReplugTest : public SettingFixture {
protected:
    void TearDown() override
    {
        if (m_device)
            m_device->stop();
        // The data window read into its store: closing the program asks
        // whether to keep it; not kept.
        if (m_dataOpened)
            m_script->answerNext(fm::vbNo);
        SettingFixture::TearDown();
    }

    // The device process on the fixture's adapter path.
    void makeDevice(const QStringList &args)
    {
        m_device = std::make_unique<DeviceProcess>(
            linkPath(), args + QStringList{QStringLiteral("--days"), QString::number(kDays), QStringLiteral("--end"),
                                           QStringLiteral("202403150930")});
    }
    // Plugged in: the watcher finds the adapter and the version is asked.
    void plugIn(const QString &version)
    {
        QString why;
        ASSERT_TRUE(m_device->start(&why)) << why.toStdString();
        ASSERT_TRUE(waitFor([&] { return deviceVersion == version; }, 6000))
            << "version " << deviceVersion.toStdString() << "; device heard RV "
            << m_device->requests("RV") << " times";
        EXPECT_EQ(m_device->requests("RV"), 1);
    }
    // Pulled out: the program lets go of the removed pseudo-terminal, and the
    // watcher reports the adapter gone.
    void pullOut()
    {
        const QString gone = m_device->slavePath();
        QString why;
        ASSERT_TRUE(m_device->stop(&why)) << why.toStdString();
        EXPECT_TRUE(waitFor([&] { return !processHoldsDevice(gone); }, 3000))
            << "the program still holds " << gone.toStdString();
        EXPECT_FALSE(serialController->IsOpen());
        ASSERT_TRUE(waitFor([] { return deviceVersion.isEmpty() && !adapterFound(); }, 4000));
    }
    static bool adapterFound()
    {
        int16_t port = 0;
        existingVcpWatcher()->GetVirtualPort(&port);
        return port > 0;
    }

    frmSetting &openSettings()
    {
        QTest::mouseClick(mainForm->cmdSetting.widget(), Qt::LeftButton);
        frmSetting &w = window();
        w.widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.widget()));
        return w;
    }
    void clickTool(frmSetting &w, const QString &tip)
    {
        for (QToolButton *button : w.tlbSetting.widget()->findChildren<QToolButton *>()) {
            if (button->toolTip() == tip) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no tool button " << tip.toStdString();
    }
    // A settings read that ends well: RC and RSB reach the device.
    void readSettings(frmSetting &w)
    {
        const int rc = m_device->requests("RC");
        const int rsb = m_device->requests("RSB");
        expectBox(kReadDone, fm::vbInformation);
        clickTool(w, QStringLiteral("設定データの読み込み"));
        ASSERT_TRUE(waitForBoxes(6000)) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
        EXPECT_EQ(m_device->requests("RC"), rc + 1);
        EXPECT_EQ(m_device->requests("RSB"), rsb + 1);
        EXPECT_EQ(w.txtCustomerID.Text().size(), 9);
        EXPECT_FALSE(commBusy);
    }

    // The data window shown from the main window, its customer dialogs
    // answered by the test.
    frmData &openDataWindow()
    {
        QTest::mouseClick(mainForm->cmdData.widget(), Qt::LeftButton);
        auto *w = dynamic_cast<frmData *>(dataForm);
        EXPECT_NE(w, nullptr);
        w->setDialogs(&m_dialogs);
        m_dataOpened = true;
        return *w;
    }
    // The read button of the data window's toolbar.
    void clickRead(frmData &w)
    {
        auto *bar = qobject_cast<QToolBar *>(w.tlbData.widget());
        ASSERT_NE(bar, nullptr);
        QWidget *button = bar->widgetForAction(w.tlbData.Buttons(QStringLiteral("mnuTerm|0")).action());
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Records stored for a customer in the working store.
    int storedRecords(const QString &customer) const
    {
        int n = 0;
        QDirIterator it(home() + QStringLiteral("/dDB.tran/") + customer, {QStringLiteral("demand.csv")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly))
                n += int(f.readAll().count("\r\n"));
        }
        return n;
    }
    // The next box is taken whatever it says; its text is kept.
    void takeNextBox(QString &prompt)
    {
        m_script->answerNextWith([&prompt](const fm::ShownDialog &box) {
            prompt = box.prompt;
            return fm::vbOK;
        });
    }
    // The device replaced while the program waits for its answer: the
    // process ends once the request of the command has reached it, and a new
    // one (new args) is on the same link 0.3 s later, the program running
    // meanwhile.
    void replaceWhileWaiting(const QByteArray &command, const QStringList &args)
    {
        ASSERT_TRUE(waitFor([&] { return m_device->requests(command) >= 1; }, 4000))
            << "the device never heard " << command.constData();
        QString why;
        ASSERT_TRUE(m_device->stop(&why)) << why.toStdString();
        pump(300);
        makeDevice(args);
        ASSERT_TRUE(m_device->start(&why)) << why.toStdString();
    }
    // The new device is asked its version within a few seconds (once), and
    // the program knows it again.
    void identifiedAgain(const QString &version)
    {
        EXPECT_TRUE(waitFor([&] { return deviceVersion == version; }, 5000))
            << "version " << deviceVersion.toStdString() << "; the new device heard RV " << m_device->requests("RV")
            << " times";
        EXPECT_EQ(m_device->requests("RV"), 1);
    }

    frmDateTime &openClock()
    {
        QTest::mouseClick(mainForm->cmdDate.widget(), Qt::LeftButton);
        auto &w = *static_cast<frmDateTime *>(clockForm);
        w.widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.widget()));
        return w;
    }
    static void clickClockTool(frmDateTime &w, const QString &key)
    {
        QWidget *button =
            qobject_cast<QToolBar *>(w.tlbDateTime.widget())->widgetForAction(w.tlbDateTime.Buttons(key).action());
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // A read broken off by pulling the device out during the pause the
    // device makes before the given RD block.
    void pullOutDuringBlock(int block)
    {
        ASSERT_TRUE(waitFor([&] { return m_device->sentDemandBlocks() >= block - 1; }, 8000))
            << m_device->sentDemandBlocks() << " RD blocks";
        pullOut();
    }

    std::unique_ptr<DeviceProcess> m_device;
    dwtest::DialogsDouble m_dialogs;
    bool m_dataOpened = false;
};

} // namespace

TEST_F(ReplugTest, AnIdleDevicePluggedBackIsIdentifiedAndReadTwiceInARow)
{
    makeDevice({QStringLiteral("--model"), QStringLiteral("T6KA")});
    plugIn(kT6ka);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        pullOut();
        plugIn(kT6ka);
        EXPECT_TRUE(serialController->IsOpen());
        frmSetting &w = openSettings();
        readSettings(w);
        ASSERT_TRUE(w.Unload());
    }
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReplugTest, TheOpenSettingsWindowFollowsTheReplugAndReads)
{
    makeDevice({QStringLiteral("--model"), QStringLiteral("T6KA")});
    plugIn(kT6ka);
    frmSetting &w = openSettings();
    ASSERT_EQ(w.modelCode, 5);
    readSettings(w);

    pullOut();
    ASSERT_TRUE(waitFor([&] { return w.modelCode == 0; }, 2000));
    EXPECT_EQ(w.txtVerDisp.Text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報無し"));
    EXPECT_FALSE(w.fraPulse.Visible());

    plugIn(kT6ka);
    ASSERT_TRUE(waitFor([&] { return w.modelCode == 5; }, 2000));
    EXPECT_TRUE(w.fraPulse.Visible());
    readSettings(w);
    screenshot(QStringLiteral("replug_settings_after_replug.png"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReplugTest, ADetectorReadBrokenByThePullIsReadWholeAfterThePlug)
{
    makeDevice({QStringLiteral("--model"), QStringLiteral("T6KA"), QStringLiteral("--fault"),
                QStringLiteral("RD:delay:900@40")});
    plugIn(kT6ka);
    frmData &w = openDataWindow();
    QString failure;
    takeNextBox(failure);
    clickRead(w);
    pullOutDuringBlock(40);
    ASSERT_TRUE(waitForBoxes(4000));
    EXPECT_EQ(failure, clsProtocolController::timeOutText());
    ASSERT_EQ(m_dialogs.lastCustom.size(), 9);
    const QString customer = m_dialogs.lastCustom;
    EXPECT_EQ(storedRecords(customer), 0);
    EXPECT_FALSE(commBusy);

    // Plugged back (the fault is gone with the old run): every record.
    makeDevice({QStringLiteral("--model"), QStringLiteral("T6KA")});
    plugIn(kT6ka);
    expectBox(kReadDone, fm::vbInformation);
    clickRead(w);
    ASSERT_TRUE(waitForBoxes(8000)) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(m_dialogs.lastCustom, customer);
    EXPECT_EQ(m_device->sentDemandBlocks(), kRecords);
    EXPECT_EQ(storedRecords(customer), kRecords);
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReplugTest, AReaderReadWithDeleteBrokenByThePullDeletesNothingAndIsReadWholeAfterThePlug)
{
    const QStringList reader{QStringLiteral("--model"), QStringLiteral("RDX-9"), QStringLiteral("--customers"),
                             QStringLiteral("2")};
    makeDevice(reader + QStringList{QStringLiteral("--fault"), QStringLiteral("RD:delay:900@30")});
    plugIn(kRdx9);
    frmData &w = openDataWindow();
    m_dialogs.onSelect = [](clsDataC &list) {
        for (int i = 0; i < list.count(); ++i) {
            list.setIdx(i);
            list.setIsDel(true);
        }
        return true;
    };
    QString failure;
    takeNextBox(failure);
    clickRead(w);
    pullOutDuringBlock(30);
    ASSERT_TRUE(waitForBoxes(4000));
    EXPECT_EQ(failure, clsProtocolController::timeOutText());
    EXPECT_FALSE(commBusy);
    // The device never had the last block of the transfer acknowledged, so
    // it deleted nothing.
    EXPECT_LT(m_device->acksAfterFirst("RD"), kRecords) << m_device->log().toStdString();

    makeDevice(reader);
    plugIn(kRdx9);
    expectBox(kReadDone, fm::vbInformation);
    clickRead(w);
    ASSERT_TRUE(waitForBoxes(10000)) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(m_device->sentDemandBlocks(), 2 * kRecords);
    // Both customers were asked for, with the delete flag.
    EXPECT_EQ(m_device->requests("RD01"), 1);
    EXPECT_EQ(m_device->requests("RD02"), 1);
    EXPECT_EQ(m_device->requests("RD"), m_device->requestsEndingWith('1'));
    QStringList customers = QDir(home() + QStringLiteral("/dDB.tran")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(customers.size(), 2) << customers.join(u' ').toStdString();
    for (const QString &c : customers)
        EXPECT_EQ(storedRecords(c), kRecords) << c.toStdString();
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(m_script->verify());
}

// A device replaced in the middle of a transaction: the process ends while
// the program waits for its answer, and a new one is on the same link at
// once, before the watch could see the adapter missing. The user is told of
// the time-out once; the new device is identified and the next transfer works.

TEST_F(ReplugTest, ADeviceReplacedWhileTheSettingsWindowWaitsForTheCustomerNumberIsIdentifiedAndRead)
{
    const QStringList t6ka{QStringLiteral("--model"), QStringLiteral("T6KA")};
    makeDevice(t6ka + QStringList{QStringLiteral("--fault"), QStringLiteral("RC:silence")});
    plugIn(kT6ka);
    frmSetting &w = openSettings();
    expectBox(clsProtocolController::timeOutText(), fm::vbCritical);
    clickTool(w, QStringLiteral("設定データの読み込み"));
    replaceWhileWaiting("RC", t6ka);
    ASSERT_TRUE(waitForBoxes(4000));
    identifiedAgain(kT6ka);
    ASSERT_TRUE(waitFor([&] { return w.modelCode == 5; }, 2000));
    readSettings(w);
    screenshot(QStringLiteral("replug_settings_after_device_replaced.png"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReplugTest, ADeviceReplacedDuringAClockWriteIsIdentifiedAndItsClockRead)
{
    const QStringList t6ka{QStringLiteral("--model"), QStringLiteral("T6KA")};
    makeDevice(t6ka + QStringList{QStringLiteral("--fault"), QStringLiteral("WT:silence")});
    plugIn(kT6ka);
    frmDateTime &clock = openClock();
    QTest::mouseClick(clock.cmdCopyTime.widget(), Qt::LeftButton);
    expectBox(QStringLiteral("時刻データを登録します。よろしいですか？"), fm::vbYesNo, fm::vbYes);
    expectBox(clsProtocolController::timeOutText(), fm::vbCritical);
    clickClockTool(clock, QStringLiteral("WriteTime"));
    replaceWhileWaiting("WT", t6ka);
    ASSERT_TRUE(waitForBoxes(4000));
    EXPECT_FALSE(commBusy);
    identifiedAgain(kT6ka);

    expectBox(kReadDone, fm::vbInformation);
    clickClockTool(clock, QStringLiteral("ReadTime"));
    ASSERT_TRUE(waitForBoxes(4000));
    EXPECT_EQ(m_device->requests("RT"), 1);
    EXPECT_FALSE(clock.zoDateMonitor.IsEmpty());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReplugTest, AReaderReplacedInTheMiddleOfARecordReadIsIdentifiedAndReadWhole)
{
    const QStringList reader{QStringLiteral("--model"), QStringLiteral("RDX-9"), QStringLiteral("--customers"),
                             QStringLiteral("2")};
    makeDevice(reader + QStringList{QStringLiteral("--fault"), QStringLiteral("RD:silence@5")});
    plugIn(kRdx9);
    frmData &w = openDataWindow();
    QString failure;
    takeNextBox(failure);
    clickRead(w);
    ASSERT_TRUE(waitFor([&] { return m_device->sentDemandBlocks() >= 4; }, 8000))
        << m_device->sentDemandBlocks() << " RD blocks";
    replaceWhileWaiting("RD", reader);
    ASSERT_TRUE(waitForBoxes(4000));
    EXPECT_EQ(failure, clsProtocolController::timeOutText());
    EXPECT_FALSE(commBusy);
    identifiedAgain(kRdx9);

    expectBox(kReadDone, fm::vbInformation);
    clickRead(w);
    ASSERT_TRUE(waitForBoxes(10000)) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(m_device->sentDemandBlocks(), 2 * kRecords);
    QStringList customers = QDir(home() + QStringLiteral("/dDB.tran")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(customers.size(), 2) << customers.join(u' ').toStdString();
    for (const QString &c : customers)
        EXPECT_EQ(storedRecords(c), kRecords) << c.toStdString();
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReplugTest, AnIdleDeviceReplacedWithinOneWatchTickIsIdentifiedAgain)
{
    const QStringList t6ka{QStringLiteral("--model"), QStringLiteral("T6KA")};
    makeDevice(t6ka);
    plugIn(kT6ka);
    // The link is gone for 0.3 s only: the watch seldom sees it missing.
    QString why;
    ASSERT_TRUE(m_device->stop(&why)) << why.toStdString();
    pump(300);
    makeDevice({QStringLiteral("--model"), QStringLiteral("T4KB")});
    ASSERT_TRUE(m_device->start(&why)) << why.toStdString();
    identifiedAgain(kT4kb);
    frmSetting &w = openSettings();
    ASSERT_EQ(w.modelCode, 3) << deviceVersion.toStdString();
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReplugTest, ADeviceThatStopsAnsweringBehindAnAdapterThatStaysIsNotAskedAgain)
{
    // No hang-up: the process and its link stay, the device only falls silent.
    makeDevice({QStringLiteral("--model"), QStringLiteral("T6KA"), QStringLiteral("--fault"),
                QStringLiteral("RSB:silence")});
    plugIn(kT6ka);
    frmSetting &w = openSettings();
    expectBox(clsProtocolController::timeOutText(), fm::vbCritical);
    clickTool(w, QStringLiteral("設定データの読み込み"));
    ASSERT_TRUE(waitForBoxes(4000));
    EXPECT_EQ(m_device->requests("RSB"), 1);
    EXPECT_TRUE(deviceVersion.isEmpty());
    pump(2500);
    EXPECT_EQ(m_device->requests("RV"), 1);
    EXPECT_TRUE(deviceVersion.isEmpty());
    EXPECT_TRUE(m_script->verify());
}
