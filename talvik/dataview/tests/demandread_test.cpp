// The demand read end to end: the data window, its protocol controller, the
// serial link on a pseudo-terminal and the stand-in device (a detector and
// the multi-customer reader), with the customer dialogs answered by the test.
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

#include <algorithm>

using namespace dwtest;
using namespace platform::forms;

namespace {

class DemandReadTest : public DataWindowTest {
protected:
    void startDevice(devicesim::Model model, int customers)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = 1;
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        const QString link = home() + QStringLiteral("/ttyDEV");
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<talvik::clsSerialController>();
        serial->setPort(7);
        talvik::serialController = serial.get();
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
    // RD requests the device received: (customer number, delete flag).
    QStringList rdRequests() const
    {
        QStringList out;
        for (const QByteArray &r : sim->device().requests())
            if (r.startsWith("\x02RD"))
                out << QString::fromLatin1(r.mid(3, r.size() - 4));
        return out;
    }
    // Waits until the read ended with an information box.
    bool waitForEnd(const QString &start)
    {
        return waitFor([&] {
            for (const auto &d : script->shown())
                if (d.prompt.startsWith(start))
                    return true;
            return false;
        });
    }
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<talvik::clsSerialController> serial;
};

const QString kDone = QStringLiteral("読み込みは正常に終了しました。");

} // namespace

TEST_F(DemandReadTest, DetectorReadIntoItsCustomerNumber)
{
    makeStore();
    startDevice(devicesim::Model::T4KB, 1);
    loadWindow();
    const QString number = QString::fromLatin1(sim->device().customers()[0].number);
    script->answerNext(vbOK);
    w->mnuTerm_Click(0);
    ASSERT_TRUE(waitForEnd(kDone)) << prompts().join('|').toStdString();
    EXPECT_EQ(dialogs.calls, QStringList{QStringLiteral("importCustom")});
    // The device's number is offered and preselected.
    EXPECT_EQ(dialogs.lastAddCustom, number);
    EXPECT_EQ(dialogs.lastCustom, number);
    EXPECT_EQ(prompts(), QStringList{kDone});
    EXPECT_EQ(script->shown()[0].style, vbInformation);
    EXPECT_TRUE(w->dataChanged());
    EXPECT_FALSE(talvik::commBusy);
    // The folder, the tree, the log lines and the stored records.
    const QString folder = QStringLiteral("dDB.tran/") + number;
    EXPECT_TRUE(exists(folder));
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\") + number));
    const QStringList log = logTexts();
    EXPECT_TRUE(log.contains(QStringLiteral("お客さま名の新規作成　「") + number + QStringLiteral("」")))
        << log.join('|').toStdString();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                            [](const QString &l) { return l.startsWith(QStringLiteral("情報データ読み込み(")); }))
        << log.join('|').toStdString();
    const QStringList years = QDir(path(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_FALSE(years.isEmpty());
    EXPECT_FALSE(readFile(folder + u'/' + years[0] + QStringLiteral("/demand.csv")).isEmpty());
    EXPECT_TRUE(w->currentKey.isEmpty());
}

TEST_F(DemandReadTest, DetectorReadRefusesABadNameAndCreatesNothing)
{
    makeStore();
    startDevice(devicesim::Model::T6KA, 1);
    loadWindow();
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("bad/name");
        return true;
    };
    script->answerNext(vbOK);
    w->mnuPop_Click(0);
    ASSERT_TRUE(waitFor([&] { return !script->shown().isEmpty(); }));
    EXPECT_TRUE(script->shown()[0].prompt.startsWith(QStringLiteral("お客さま名「bad/name」には読み込めません。")));
    EXPECT_FALSE(exists(QStringLiteral("dDB.tran/bad")));
    EXPECT_TRUE(rdRequests().isEmpty());
    EXPECT_FALSE(talvik::commBusy);
}

TEST_F(DemandReadTest, ReaderReadsEveryCustomerWithItsDeleteFlag)
{
    makeStore();
    startDevice(devicesim::Model::Reader, 3);
    loadWindow();
    QStringList numbers;
    for (const auto &c : sim->device().customers())
        numbers << QString::fromLatin1(c.number);
    ASSERT_EQ(numbers.size(), 3);
    dialogs.onSelect = [](talvik::clsDataC &list) {
        list.setIdx(0);
        list.setIsDel(true);
        list.setIdx(2);
        list.setIsDel(true);
        return true;
    };
    script->answerNext(vbOK);
    w->readInfoData();
    ASSERT_TRUE(waitForEnd(kDone)) << prompts().join('|').toStdString();
    EXPECT_EQ(dialogs.calls, QStringList{QStringLiteral("selectDelete")});
    EXPECT_EQ(rdRequests(), (QStringList{numbers[0] + u'1', numbers[1] + u'0', numbers[2] + u'1'}));
    ASSERT_EQ(script->shown().size(), 1);
    // The read's end message alone, the same one a detector's read ends with.
    EXPECT_EQ(script->shown()[0].prompt, kDone);
    // The end of the chain clears the busy flag.
    EXPECT_FALSE(talvik::commBusy);
    for (const QString &n : numbers) {
        EXPECT_TRUE(exists(QStringLiteral("dDB.tran/") + n)) << n.toStdString();
        EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\") + n));
    }
    // The reader deleted what it was told to delete once it was read.
    ASSERT_TRUE(waitFor([&] { return sim->device().customers()[2].records.isEmpty(); }));
    EXPECT_TRUE(sim->device().customers()[0].records.isEmpty());
    EXPECT_FALSE(sim->device().customers()[1].records.isEmpty());
    int created = 0;
    for (const QString &l : logTexts())
        if (l.startsWith(QStringLiteral("お客さま名の新規作成　「")))
            ++created;
    EXPECT_EQ(created, 3);
}

TEST_F(DemandReadTest, ReaderGoesOnAfterACustomerWithoutRecords)
{
    makeStore();
    startDevice(devicesim::Model::Reader, 3);
    sim->device().customers()[1].records.clear();
    loadWindow();
    script->answerNext(vbOK);
    w->readInfoData();
    ASSERT_TRUE(waitForEnd(kDone)) << prompts().join('|').toStdString();
    EXPECT_EQ(rdRequests().size(), 3) << "the third customer is read";
    ASSERT_EQ(script->shown().size(), 1);
    // The read's end message alone, the same one a detector's read ends with.
    EXPECT_EQ(script->shown()[0].prompt, kDone);
    EXPECT_FALSE(talvik::commBusy);
}

TEST_F(DemandReadTest, CancelledChooserReadsNothing)
{
    makeStore();
    startDevice(devicesim::Model::Reader, 2);
    loadWindow();
    dialogs.onSelect = [](talvik::clsDataC &) { return false; };
    w->readInfoData();
    ASSERT_TRUE(waitFor([&] { return !dialogs.calls.isEmpty(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(rdRequests().isEmpty());
    EXPECT_FALSE(w->dataChanged());
    EXPECT_FALSE(talvik::commBusy);
}

TEST_F(DataWindowTest, ErrorsClearTheBusyFlagAndForgetTheDevice)
{
    makeStore();
    loadWindow();
    talvik::deviceVersion = QStringLiteral("RDX-9");
    talvik::commBusy = true;
    w->m_Protocol_OnError(QString());
    EXPECT_FALSE(talvik::commBusy) << "also without a message";
    EXPECT_TRUE(talvik::deviceVersion.isEmpty());
    EXPECT_TRUE(script->shown().isEmpty());

    talvik::commBusy = true;
    script->answerNext(vbOK);
    w->m_Protocol_OnError(QStringLiteral("受信ﾃﾞｰﾀが不正です。"));
    EXPECT_FALSE(talvik::commBusy);
    ASSERT_EQ(script->shown().size(), 1);
    EXPECT_EQ(script->shown()[0].style, vbCritical);

    // The next read is refused until the version is read again.
    script->answerNext(vbOK);
    w->readInfoData();
    EXPECT_EQ(prompts().last(), QStringLiteral("電源、接続及び通信設定を確認してください。"));
}

namespace {

// The shown window's read, started with a click on its toolbar's read button,
// against a device whose transfers break inside a frame.
class ReadThroughLinkFaults : public DemandReadTest {
protected:
    void startFaulty(devicesim::Model model, int customers)
    {
        startDevice(model, customers);
        sim->device().setAckTimeout(400);
        makeStore();
        loadWindow();
        w->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
        QApplication::processEvents();
    }
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
};

const QString kTimeout = QStringLiteral("ﾀｲﾑｱｳﾄが発生しました。検出器電源、接続及び通信設定を確認してください。");

} // namespace

// RDX-9, two customers of one day, both marked for deletion, a NAK inside
// the fifth block of a transfer once: the read ends well, every record is in
// the store and only then gone from the reader.
TEST_F(ReadThroughLinkFaults, NakInsideAReaderBlockWithDeleteLosesNothing)
{
    startFaulty(devicesim::Model::Reader, 2);
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
    startFaulty(devicesim::Model::Reader, 2);
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
    startFaulty(devicesim::Model::T4KB, 1);
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
    startFaulty(devicesim::Model::Reader, 2);
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
