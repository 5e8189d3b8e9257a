// The demand read of the shown data window, started with a click on its
// toolbar's read button, against the stand-in device on a pseudo-terminal
// whose transfers break inside a frame: what the user is told, what reaches
// the store and what the device still holds afterwards.
#include "dataWindowFixture.h"

#include "platform/comm/portpath.h"
#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "tools/devicesim/simulator.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QToolBar>

using namespace dwtest;
using namespace platform::forms;

namespace {

const QString kDone = QStringLiteral("読み込みは正常に終了しました。");
const QString kTimeout = QStringLiteral("ﾀｲﾑｱｳﾄが発生しました。検出器電源、接続及び通信設定を確認してください。");

class ReadThroughLinkFaults : public DataWindowTest {
protected:
    void startDevice(devicesim::Model model, int customers)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = 1;
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        sim->device().setAckTimeout(400);
        const QString link = home() + QStringLiteral("/ttyDEV");
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<talvik::clsSerialController>();
        serial->setPort(7);
        talvik::serialController = serial.get();
        talvik::deviceLabel = QStringLiteral("検出器");
        talvik::deviceVersion = QString::fromLatin1(devicesim::versionTextOf(model));
    }
    void TearDown() override
    {
        DataWindowTest::TearDown();
        talvik::serialController = nullptr;
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
    }
    void showWindow()
    {
        makeStore();
        loadWindow();
        w->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
        QApplication::processEvents();
    }
    // The user presses the toolbar's read button.
    void clickRead()
    {
        auto *bar = qobject_cast<QToolBar *>(w->tlbData.widget());
        ASSERT_NE(bar, nullptr);
        QWidget *button = bar->widgetForAction(w->tlbData.Buttons(QStringLiteral("mnuTerm|0")).action());
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    bool waitForBox() { return waitFor([&] { return !script->shown().isEmpty(); }, 15000); }
    qsizetype heldRecords() const
    {
        qsizetype n = 0;
        for (const auto &c : sim->device().customers())
            n += c.records.size();
        return n;
    }
    // Rows of the customer's year tables in the working store.
    qsizetype storedRows(const QString &customer) const
    {
        const QString folder = QStringLiteral("dDB.tran/") + customer;
        qsizetype n = 0;
        for (const QString &year : QDir(path(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            n += readFile(folder + u'/' + year + QStringLiteral("/demand.csv")).count('\n');
        return n;
    }

    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<talvik::clsSerialController> serial;
};

} // namespace

// RDX-9, two customers of one day, both marked for deletion, a NAK inside
// the fifth block of a transfer once: the read ends well, every record is in
// the store and only then gone from the reader.
TEST_F(ReadThroughLinkFaults, NakInsideAReaderBlockWithDeleteLosesNothing)
{
    startDevice(devicesim::Model::Reader, 2);
    showWindow();
    sim->device().faults().add(QStringLiteral("RD:nakinframe@5x1"));
    dialogs.onSelect = [](talvik::clsDataC &list) {
        for (int i = 0; i < list.count(); ++i) {
            list.setIdx(i);
            list.setIsDel(true);
        }
        return true;
    };
    ASSERT_EQ(heldRecords(), 96);
    script->answerNext(vbOK);
    clickRead();
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(prompts(), QStringList{kDone});
    EXPECT_EQ(script->shown()[0].style, vbInformation);
    ASSERT_TRUE(waitFor([&] { return sim->device().completedTransfers() == 3; }));
    EXPECT_EQ(heldRecords(), 0);
    qsizetype stored = 0;
    for (const auto &c : sim->device().customers())
        stored += storedRows(QString::fromLatin1(c.number));
    EXPECT_EQ(stored, 96);
    EXPECT_FALSE(logTexts().contains(QStringLiteral("データ１件　キャンセル")));
    EXPECT_FALSE(talvik::commBusy);
    // A picture of the window after the read for the build's artifacts.
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!artifacts.isEmpty() && QDir().mkpath(artifacts)) {
        QApplication::processEvents();
        EXPECT_TRUE(w->widget()->grab().save(artifacts + QStringLiteral("/frmData_readerAfterNakInBlock.png")));
    }
}

// The same fault on every send of the block: the read ends with the time-out
// message before the final ACK, and the reader keeps all 96 records.
TEST_F(ReadThroughLinkFaults, NakInsideEverySendOfABlockEndsTheReadAndKeepsTheRecords)
{
    startDevice(devicesim::Model::Reader, 2);
    showWindow();
    sim->device().faults().add(QStringLiteral("RD:nakinframe@5"));
    dialogs.onSelect = [](talvik::clsDataC &list) {
        for (int i = 0; i < list.count(); ++i) {
            list.setIdx(i);
            list.setIsDel(true);
        }
        return true;
    };
    script->answerNext(vbOK);
    clickRead();
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(prompts(), QStringList{kTimeout});
    EXPECT_EQ(script->shown()[0].style, vbCritical);
    ASSERT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() == 1; }));
    EXPECT_EQ(heldRecords(), 96);
    EXPECT_EQ(storedRows(QString::fromLatin1(sim->device().customers()[0].number)), 0);
    EXPECT_FALSE(talvik::commBusy);
}

// A detector whose first demand block is cut by an ACK: a failed transfer
// with the time-out message, not "no records".
TEST_F(ReadThroughLinkFaults, AckInsideTheFirstDemandBlockIsReportedAsATimeOut)
{
    startDevice(devicesim::Model::T4KB, 1);
    showWindow();
    sim->device().faults().add(QStringLiteral("RD:ackinframe@1"));
    const QString number = QString::fromLatin1(sim->device().customers()[0].number);
    script->answerNext(vbOK);
    clickRead();
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(prompts(), QStringList{kTimeout});
    EXPECT_EQ(script->shown()[0].style, vbCritical);
    EXPECT_EQ(heldRecords(), 48);
    EXPECT_EQ(storedRows(number), 0);
    EXPECT_FALSE(talvik::commBusy);
}

// The reader's customer-number list cut by an ACK: the time-out message, not
// "no data", and no demand transfer starts.
TEST_F(ReadThroughLinkFaults, AckInsideTheCustomerListIsReportedAsATimeOut)
{
    startDevice(devicesim::Model::Reader, 2);
    showWindow();
    sim->device().faults().add(QStringLiteral("RC:ackinframe@1"));
    script->answerNext(vbOK);
    clickRead();
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(prompts(), QStringList{kTimeout});
    EXPECT_EQ(script->shown()[0].style, vbCritical);
    EXPECT_TRUE(dialogs.calls.isEmpty());
    for (const QByteArray &r : sim->device().requests())
        EXPECT_FALSE(r.startsWith("\x02RD"));
    EXPECT_EQ(heldRecords(), 96);
    EXPECT_FALSE(talvik::commBusy);
}
