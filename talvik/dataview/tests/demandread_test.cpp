// The demand read end to end: the data window, its protocol controller, the
// serial link on a pseudo-terminal and the stand-in device (a detector and
// the multi-customer reader), with the customer dialogs answered by the test.
#include "dataWindowFixture.h"

#include "platform/comm/portpath.h"
#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "tools/devicesim/simulator.h"

#include <QDir>

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
    // The spec's end text alone, as after a detector's read.
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
    // The spec's end text alone, as after a detector's read.
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
