// The device read of the service window against the stand-in device on a
// pseudo-terminal: a detector and the three-customer reader, the counts taken
// from the count files of the program folder, and the end of the reader's
// chain clearing the busy flag.
#include "serviceFixture.h"

#include "platform/comm/portpath.h"
#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/store/demandTable.h"
#include "tools/devicesim/simulator.h"

#include <QAction>
#include <QDir>
#include <QMap>

#include <optional>

using namespace srvtest;
using namespace platform::forms;

namespace {

const QString kDone = QStringLiteral("読み込みは正常に終了しました。");

class ServiceRead : public ServiceWindowTest {
protected:
    void startDevice(devicesim::Model model, int customers, std::optional<QDateTime> end = std::nullopt)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = 1;
        cfg.end = end;
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

namespace {

const QByteArray kCreated = "202403010800";

// The year table a transfer of these records gives: each record's half hour
// starts 30 minutes before its stamp; counts by start time, else `none`.
QByteArray expectedTable(const QList<devicesim::DemandRecord> &records, const QMap<QString, QByteArray> &counts,
                         const QByteArray &none)
{
    QByteArray table;
    for (const devicesim::DemandRecord &r : records) {
        const QString key = r.stamp.addSecs(-1800).toString(QStringLiteral("yyMMddHHmm"));
        table += key.toLatin1() + QByteArray::number(r.watt).rightJustified(4, '0') + kCreated
                 + counts.value(key, none) + "\r\n";
    }
    return table;
}

class ServiceReadAfterStartUp : public ServiceRead {
protected:
    void SetUp() override
    {
        ServiceRead::SetUp();
        // One acquisition time for the whole run, so the tables are known.
        talvik::storeServices().now = [] { return QDateTime(QDate(2024, 3, 1), QTime(8, 0)); };
    }
    // Service mode started for kCustomer, whose committed year table was
    // written by the ordinary data window (4 columns).
    void startWithOrdinaryTable()
    {
        writeFile(QStringLiteral("dDB/123456789/2024年/schema.ini"), talvik::schemaText(false));
        writeFile(QStringLiteral("dDB/123456789/2024年/demand.csv"),
                  "24010409000100202312311200\r\n24010510000999202312311200\r\n");
        talvik::srvMode = true;
        makeInput();
        answerNumberDialog(kCustomer);
        loadWindow();
    }
};

} // namespace

TEST_F(ServiceReadAfterStartUp, StartUpImportAndDetectorReadIntoOrdinaryTablesStoreEverything)
{
    startDevice(devicesim::Model::T6KA, 1, QDateTime(QDate(2024, 1, 6), QTime(0, 0), Qt::UTC));
    // The detector's last day ends on 2024-01-06 00:00: 48 half hours of
    // 2024-01-05, read into a customer the ordinary window wrote.
    startWithOrdinaryTable();
    ASSERT_TRUE(w->isLoaded());
    EXPECT_TRUE(prompts().isEmpty()) << prompts().join(u'|').toStdString();
    // Old rows with no counts, the file's rows with the count file's counts
    // (10:00 replaces the old 10:00), all in 6 columns.
    const QByteArray schema6 = talvik::schemaText(true);
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv")),
              QByteArray("24010409000100202312311200-001-001\r\n"
                         "24010510000123202403010800" "00030001\r\n"
                         "24010510300456202403010800" "00120004\r\n"
                         "24010511000078202403010800-001-001\r\n"
                         "24021009000200202403010800" "00070000\r\n"));
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/123456789/2024年/schema.ini")), schema6);
    EXPECT_FALSE(exists(QStringLiteral("dDB.dl/unmerged.txt")));
    EXPECT_FALSE(exists(QStringLiteral("dDB.kept")));

    // A detector read into another customer of the ordinary window.
    writeFile(QStringLiteral("dDB.tran/北工場/2024年/schema.ini"), talvik::schemaText(false));
    writeFile(QStringLiteral("dDB.tran/北工場/2024年/demand.csv"), "24010400000050202312311200\r\n");
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("北工場");
        return true;
    };
    script->answerNext(vbOK);
    w->mnuTerm(0).action()->trigger();
    ASSERT_TRUE(waitForEnd()) << prompts().join(u'|').toStdString();
    EXPECT_EQ(prompts(), QStringList{kDone});
    QList<devicesim::DemandRecord> records = sim->device().customers()[0].records;
    ASSERT_EQ(records.size(), 48);
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/北工場/2024年/demand.csv")),
              "24010400000050202312311200-001-001\r\n" + expectedTable(records, {}, "-001-001"));
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/北工場/2024年/schema.ini")), schema6);
}

TEST_F(ServiceReadAfterStartUp, ReaderCustomersTakeTheirOwnCountFilesNotTheStartUpCustomers)
{
    startDevice(devicesim::Model::Reader, 3, QDateTime(QDate(2024, 1, 6), QTime(0, 0), Qt::UTC));
    startWithOrdinaryTable();
    ASSERT_TRUE(w->isLoaded());
    ASSERT_EQ(talvik::srvCustomer, kCustomer);
    const auto &customers = sim->device().customers();
    QStringList numbers;
    for (const auto &c : customers)
        numbers << QString::fromLatin1(c.number);
    // The device read looks in the program folder: the start-up customer has
    // a count file there for every half hour of the read, the second reader
    // customer has its own for two of them, the others have none.
    QByteArray startUpCounts;
    for (const devicesim::DemandRecord &r : customers[0].records)
        startUpCounts += r.stamp.addSecs(-1800).toString(QStringLiteral("yyyyMMdd,HHmm")).toLatin1() + ",9,9\r\n";
    writeFile(kCustomer + u'/' + kCustomer + QStringLiteral("as.csv"), startUpCounts);
    const QList<devicesim::DemandRecord> &second = customers[1].records;
    ASSERT_GE(second.size(), 10);
    const QString k1 = second[3].stamp.addSecs(-1800).toString(QStringLiteral("yyMMddHHmm"));
    const QString k2 = second[7].stamp.addSecs(-1800).toString(QStringLiteral("yyMMddHHmm"));
    writeFile(numbers[1] + u'/' + numbers[1] + QStringLiteral("AS.CSV"),
              "20" + k1.left(6).toLatin1() + ',' + k1.mid(6).toLatin1() + ",5,2\r\n" + "20" + k2.left(6).toLatin1()
                  + ',' + k2.mid(6).toLatin1() + ",11,0\r\n");
    script->answerNext(vbOK);
    w->mnuTerm(0).action()->trigger();
    ASSERT_TRUE(waitForEnd()) << prompts().join(u'|').toStdString();
    EXPECT_FALSE(talvik::commBusy);
    const QMap<QString, QByteArray> secondCounts{{k1, "00050002"}, {k2, "00110000"}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(numbers[i].toStdString());
        // The reader's records of one day fall into one year.
        const QString year = QStringLiteral("20") + customers[i].records.first().stamp.addSecs(-1800).toString(
                                                        QStringLiteral("yy")) + QStringLiteral("年");
        ASSERT_EQ(customers[i].records.first().stamp.addSecs(-1800).date().year(),
                  customers[i].records.last().stamp.addSecs(-1800).date().year());
        const QByteArray expected = i == 1 ? expectedTable(customers[i].records, secondCounts, "00000000")
                                           : expectedTable(customers[i].records, {}, "-001-001");
        EXPECT_EQ(readFile(QStringLiteral("dDB.tran/") + numbers[i] + u'/' + year + QStringLiteral("/demand.csv")),
                  expected);
    }
    // The start-up customer's own table is as the start-up import left it.
    EXPECT_TRUE(readFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv")).startsWith("24010409000100"));
}
