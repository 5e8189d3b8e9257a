// The device read of the service window against the stand-in device on a
// pseudo-terminal: a detector and the three-customer reader, the counts taken
// from the count files of the program folder, and the end of the reader's
// chain clearing the busy flag.
#include "serviceFixture.h"

#include "platform/comm/portpath.h"
#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "tools/devicesim/simulator.h"

#include <QAction>
#include <QDir>

using namespace srvtest;
using namespace platform::forms;

namespace {

const QString kDone = QStringLiteral("読み込みは正常に終了しました。");

class ServiceRead : public ServiceWindowTest {
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
        ServiceWindowTest::TearDown();
        talvik::serialController = nullptr;
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
    }
    bool waitForEnd()
    {
        return waitFor([&] {
            for (const auto &d : script->shown())
                if (d.prompt.startsWith(kDone))
                    return true;
            return false;
        });
    }
    // A count file in the program folder for the customer's last record:
    // its half hour starts 30 minutes before the record's time.
    QByteArray countLastRecord(int customer, const char *caution, const char *limit)
    {
        const auto &c = sim->device().customers()[customer];
        const QDateTime start = c.records.last().stamp.addSecs(-1800);
        writeFile(QString::fromLatin1(c.number) + QStringLiteral("as.csv"),
                  start.toString(QStringLiteral("yyyyMMdd,HHmm")).toLatin1() + ',' + caution + ',' + limit + "\r\n");
        return start.toString(QStringLiteral("yyMMddHHmm")).toLatin1();
    }
    // The stored line of a half hour (YYMMDDHHMM) of a customer.
    QByteArray storedLine(const QString &number, const QByteArray &key)
    {
        const QString folder = QStringLiteral("dDB.tran/") + number;
        for (const QString &year : QDir(path(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QByteArray &line : readFile(folder + u'/' + year + QStringLiteral("/demand.csv")).split('\n'))
                if (line.startsWith(key))
                    return line.trimmed();
        return QByteArray();
    }
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<talvik::clsSerialController> serial;
};

} // namespace

TEST_F(ServiceRead, DetectorReadTakesTheCountsOfTheProgramFoldersCountFile)
{
    startDevice(devicesim::Model::T4KB, 1);
    const QString number = QString::fromLatin1(sim->device().customers()[0].number);
    const QByteArray key = countLastRecord(0, "5", "2");
    loadWindow();
    script->answerNext(vbOK);
    w->mnuTerm(0).action()->trigger();
    ASSERT_TRUE(waitForEnd()) << prompts().join(u'|').toStdString();
    EXPECT_EQ(talvik::dataFolder, platform::shell::programFolder());
    EXPECT_FALSE(talvik::commBusy);
    const QByteArray line = storedLine(number, key);
    ASSERT_EQ(line.size(), 34) << line.toStdString();
    EXPECT_EQ(line.right(8), QByteArray("00050002"));
}

TEST_F(ServiceRead, ReaderChainOfThreeCustomersEndsAndClearsBusy)
{
    startDevice(devicesim::Model::Reader, 3);
    QStringList numbers;
    for (const auto &c : sim->device().customers())
        numbers << QString::fromLatin1(c.number);
    const QByteArray key = countLastRecord(1, "9", "3");
    loadWindow();
    script->answerNext(vbOK);
    w->mnuTerm(0).action()->trigger();
    ASSERT_TRUE(waitForEnd()) << prompts().join(u'|').toStdString();
    EXPECT_EQ(dialogs.calls, QStringList{QStringLiteral("selectDelete")});
    ASSERT_EQ(script->shown().size(), 1);
    // The chain's end says what the data window says, nothing more.
    EXPECT_EQ(script->shown()[0].prompt, QStringLiteral("読み込みは正常に終了しました。"));
    EXPECT_FALSE(talvik::commBusy);
    for (const QString &n : numbers)
        EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\") + n)) << n.toStdString();
    // The second customer has its count file; the others have none ("-001").
    EXPECT_EQ(storedLine(numbers[1], key).right(8), QByteArray("00090003"));
    const QByteArray other = storedLine(numbers[0], key);
    ASSERT_FALSE(other.isEmpty());
    EXPECT_EQ(other.right(8), QByteArray("-001-001"));
    // The table and graph were emptied at the end of the chain.
    EXPECT_LE(w->mfgData().Rows(), 1);
}
