// The store under a full file system and a read-only program folder: the
// staging write, the year-table merge, the records kept after a failed merge,
// and a device read whose records cannot be staged.
#include "storeFixture.h"
#include "testfiles.h"

#include "platform/comm/portpath.h"
#include "platform/fileio/tests/fullDisk.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsDataDSrv.h"
#include "talvik/store/stagingArea.h"
#include "tools/devicesim/simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <memory>

using namespace storetest;
using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::ReadOnlyFolder;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;
using talvik::clsDataD;

namespace {

const QString kDiskFull = QStringLiteral("ディスクの空き領域が不足しています。");
const QString kKept = QStringLiteral("データは保管してあり、次回の保存時に取り込みます。");

QString failed(const QString &customer)
{
    return QStringLiteral("お客さま「") + customer + QStringLiteral("」のデータを保存できませんでした。");
}

// The store's own fixture, with the program folder moved to a scene's folder.
class StoreDurability : public StoreTest {
protected:
    void useProgramFolder(const QString &folder)
    {
        prog = folder;
        qputenv("TALVIK_HOME", folder.toUtf8());
    }
    QString at(const QString &relative) const { return prog + u'/' + relative; }
    void put(const QString &relative, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(at(relative)).path());
        QFile f(at(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray get(const QString &relative) const { return talviktest::readFile(at(relative)); }
    // A year table of 2023 with 120 rows of 1 to 3 December.
    void oldYear2023(const QString &customer)
    {
        QByteArray old;
        for (int i = 0; i < 120; ++i)
            old += QStringLiteral("2312%1%20123202312312359\r\n")
                       .arg(1 + i / 48, 2, 10, QLatin1Char('0'))
                       .arg(QTime(0, 0).addSecs(1800 * (i % 48)).toString(QStringLiteral("HHmm")))
                       .toLatin1();
        put(QStringLiteral("dDB.tran/") + customer + QStringLiteral("/2023年/schema.ini"), expectedSchema4());
        put(QStringLiteral("dDB.tran/") + customer + QStringLiteral("/2023年/demand.csv"), old);
    }
    // A transfer: half hours from `from`, every 30 minutes, the last with ETX.
    static void feed(clsDataD &d, const QDateTime &from, int n, int watt)
    {
        d.getSendCMD();
        for (int i = 0; i < n; ++i) {
            const QByteArray stamp = from.addSecs(1800 * i).toString(QStringLiteral("yyMMddHHmm")).toLatin1();
            const QByteArray w = QByteArray::number(watt + i).rightJustified(4, '0');
            ASSERT_TRUE(d.setRecvData(block(stamp.constData(), w.constData(), i + 1 == n), 18));
        }
    }
    QMap<QString, QByteArray> tran() const { return snapshotFolder(at(QStringLiteral("dDB.tran"))); }

    QString prog;
};

const QDateTime decFirst(QDate(2023, 12, 2), QTime(20, 0), Qt::UTC);
const QDateTime newYear(QDate(2023, 12, 31), QTime(22, 0), Qt::UTC);

} // namespace

TEST_F(StoreDurability, FullDiskDuringTheMergeLeavesTheYearTableAndKeepsTheStagedRecords)
{
    FullDisk disk;
    RecordProperty("realFullDisk", disk.real() ? "yes" : "no");
    useProgramFolder(disk.folder());
    oldYear2023(QStringLiteral("Kita"));
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    feed(d, decFirst, 30, 500); // updates and new rows of December 2023
    QString cause;
    ASSERT_TRUE(d.stage(true, &cause)) << cause.toStdString();
    const QByteArray staged = get(QStringLiteral("dDB.dl/demand.csv"));
    ASSERT_EQ(staged.count('\n'), 30);
    const auto before = tran();

    disk.fill();
    EXPECT_FALSE(d.fire(true));
    EXPECT_EQ(tran(), before);
    EXPECT_TRUE(temporaryLeftovers(prog).isEmpty()) << temporaryLeftovers(prog).join(',').toStdString();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(failed(QStringLiteral("Kita")) + u'\n')) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(kDiskFull)) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QStringLiteral("2023年"))) << "names the file";
    EXPECT_TRUE(messages[0].endsWith(kKept)) << messages[0].toStdString();
    // No success path: no log line, no tree.
    EXPECT_TRUE(logLines.isEmpty());
    EXPECT_EQ(window.view.Count(), 0);
    // The staged records stay, marked as not merged.
    EXPECT_EQ(get(QStringLiteral("dDB.dl/demand.csv")), staged);
    EXPECT_EQ(talvik::staging::unmergedCustomer(talvik::staging::stagingFolder()), QStringLiteral("Kita"));
}

TEST_F(StoreDurability, KeptRecordsAreMergedByTheNextRunAsIfBothRunsHadSucceeded)
{
    // The reference: both transfers stored without trouble.
    QTemporaryDir plain;
    useProgramFolder(plain.path());
    oldYear2023(QStringLiteral("Kita"));
    {
        clsDataD d;
        d.setCustomer(QStringLiteral("Kita"));
        feed(d, newYear, 20, 700); // into 2023 and a new 2024
        ASSERT_TRUE(d.fire(true));
        feed(d, newYear.addSecs(3 * 3600), 30, 300); // overlaps and goes on
        ASSERT_TRUE(d.fire(true));
    }
    const auto expected = tran();
    ASSERT_EQ(expected.size(), 4);
    const QStringList expectedLog = logLines;
    ASSERT_EQ(expectedLog.size(), 2);
    logLines.clear();

    FullDisk disk;
    RecordProperty("realFullDisk", disk.real() ? "yes" : "no");
    useProgramFolder(disk.folder());
    oldYear2023(QStringLiteral("Kita"));
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    feed(d, newYear, 20, 700);
    ASSERT_TRUE(d.stage(true, nullptr));
    disk.fill();
    ASSERT_FALSE(d.fire(true));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].endsWith(kKept));
    disk.release();

    // The next transfer moves the kept records aside, merges them first and
    // then its own.
    feed(d, newYear.addSecs(3 * 3600), 30, 300);
    ASSERT_TRUE(d.fire(true)) << messages.join('|').toStdString();
    EXPECT_EQ(tran(), expected);
    EXPECT_EQ(logLines, expectedLog);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(talvik::staging::keptSets().isEmpty());
    EXPECT_TRUE(talvik::staging::unmergedCustomer(talvik::staging::stagingFolder()).isEmpty());
    EXPECT_TRUE(temporaryLeftovers(prog).isEmpty());
    // The next run finds nothing left over to merge again.
    feed(d, newYear.addSecs(3 * 3600), 30, 300);
    ASSERT_TRUE(d.fire(true));
    EXPECT_EQ(tran(), expected);
}

// Two failed merges in a row leave two kept sets; the next good run merges
// them oldest first, so a half hour read three times keeps the last value.
TEST_F(StoreDurability, SeveralKeptSetsAreMergedOldestFirst)
{
    const QDateTime starts[] = {newYear, newYear.addSecs(1800), newYear.addSecs(3600)};
    QTemporaryDir plain;
    useProgramFolder(plain.path());
    {
        clsDataD d;
        d.setCustomer(QStringLiteral("Kita"));
        for (int i = 0; i < 3; ++i) {
            feed(d, starts[i], 6, 100 * (i + 1));
            ASSERT_TRUE(d.fire(true));
        }
    }
    const auto expected = tran();
    logLines.clear();

    FullDisk disk;
    useProgramFolder(disk.folder());
    clsDataD d;
    d.setCustomer(QStringLiteral("Kita"));
    for (int i = 0; i < 2; ++i) {
        feed(d, starts[i], 6, 100 * (i + 1));
        ASSERT_TRUE(d.stage(true, nullptr)) << i;
        disk.fill();
        ASSERT_FALSE(d.fire(true)) << i;
        disk.release();
    }
    // The first set failed again ahead of the second, which stayed staged.
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(talvik::staging::keptSets().size(), 1);
    EXPECT_EQ(talvik::staging::unmergedCustomer(talvik::staging::stagingFolder()), QStringLiteral("Kita"));
    EXPECT_TRUE(tran().isEmpty()) << "nothing merged yet";

    feed(d, starts[2], 6, 300);
    ASSERT_TRUE(d.fire(true)) << messages.join('|').toStdString();
    EXPECT_EQ(tran(), expected);
    EXPECT_EQ(logLines.size(), 3);
    EXPECT_TRUE(talvik::staging::keptSets().isEmpty());
    EXPECT_TRUE(QDir(at(QStringLiteral("dDB.kept"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(StoreDurability, KeptRecordsOfAnotherCustomerGoToThatCustomer)
{
    FullDisk disk;
    useProgramFolder(disk.folder());
    clsDataD a;
    a.setCustomer(QStringLiteral("Kita"));
    feed(a, newYear.addSecs(3600), 4, 100); // 23:00 to 00:30, stored from 22:30 to 00:00
    ASSERT_TRUE(a.stage(true, nullptr));
    disk.fill();
    ASSERT_FALSE(a.fire(true));
    disk.release();

    // A CSV import of another customer carries Kita's records into the store.
    clsDataD b;
    b.initData();
    b.setCustomer(QStringLiteral("Minami"));
    ASSERT_TRUE(b.setRecvData(block("2405131000", "0123"), 18));
    ASSERT_TRUE(b.fire(false)) << messages.join('|').toStdString();
    EXPECT_EQ(get(QStringLiteral("dDB.tran/Kita/2023年/demand.csv")),
              QByteArray("23123122300100202401020915\r\n23123123000101202401020915\r\n"
                         "23123123300102202401020915\r\n"));
    EXPECT_EQ(get(QStringLiteral("dDB.tran/Kita/2024年/demand.csv")), QByteArray("24010100000103202401020915\r\n"));
    EXPECT_EQ(get(QStringLiteral("dDB.tran/Minami/2024年/demand.csv")), QByteArray("24051310000123202401020915\r\n"));
    EXPECT_EQ(logLines, (QStringList{QStringLiteral("情報データ読み込み(追加：4 更新：0)　　　-->　「Kita」"),
                                     QStringLiteral("情報データ読み込み(追加：1 更新：0)　　　-->　「Minami」")}));
}

// Kept records of the service record (six columns) wait for a service-mode
// store run; the ordinary record leaves them alone.
TEST_F(StoreDurability, ServiceRecordsAreKeptForTheServiceRecord)
{
    talvik::StoreServices &services = talvik::storeServices();
    talvik::dataFolder = QStringLiteral("/data");
    services.getCsvFileAlarmInfo = [](const QString &, talvik::AlarmInfoTable &table) {
        table.clear();
        table.append({QStringLiteral("209901010000"), QString(), QString()});
        return false;
    };
    FullDisk disk;
    useProgramFolder(disk.folder());
    talvik::clsDataDSrv service;
    service.setCustomer(QStringLiteral("Kita"));
    ASSERT_TRUE(service.setRecvData(block("2405131030", "0123", true), 18));
    ASSERT_TRUE(service.stage(true, nullptr));
    disk.fill();
    ASSERT_FALSE(service.fire(true));
    disk.release();

    clsDataD d;
    d.setCustomer(QStringLiteral("Minami"));
    ASSERT_TRUE(d.setRecvData(block("2405131000", "0456"), 18));
    ASSERT_TRUE(d.fire(false)) << messages.join('|').toStdString();
    EXPECT_EQ(get(QStringLiteral("dDB.tran/Minami/2024年/demand.csv")), QByteArray("24051310000456202401020915\r\n"));
    EXPECT_EQ(get(QStringLiteral("dDB.tran/Kita/2024年/demand.csv")), QByteArray("<missing>"));
    EXPECT_EQ(talvik::staging::keptSets().size(), 1);

    talvik::clsDataDSrv next;
    next.setCustomer(QStringLiteral("Kita"));
    ASSERT_TRUE(next.setRecvData(block("2405131100", "0124"), 18));
    ASSERT_TRUE(next.fire(false)) << messages.join('|').toStdString();
    EXPECT_EQ(get(QStringLiteral("dDB.tran/Kita/2024年/demand.csv")),
              QByteArray("24051310000123202401020915-001-001\r\n24051311000124202401020915-001-001\r\n"));
    EXPECT_TRUE(talvik::staging::keptSets().isEmpty());
}

TEST_F(StoreDurability, FullDiskWhileStagingChangesNothingAndSaysSo)
{
    FullDisk disk;
    RecordProperty("realFullDisk", disk.real() ? "yes" : "no");
    useProgramFolder(disk.folder());
    oldYear2023(QStringLiteral("南店"));
    {
        // A merged earlier import leaves its staging table behind.
        clsDataD first;
        first.setCustomer(QStringLiteral("南店"));
        ASSERT_TRUE(first.setRecvData(block("2312011000", "0999"), 18));
        ASSERT_TRUE(first.fire(false));
    }
    logLines.clear();
    const auto before = snapshotFolder(prog);
    const int nodes = window.view.Count();

    disk.fill();
    clsDataD d;
    d.initData();
    d.setCustomer(QStringLiteral("南店"));
    ASSERT_TRUE(d.setRecvData(block("2312021000", "0123"), 18));
    EXPECT_FALSE(d.fire(false));
    EXPECT_EQ(snapshotFolder(prog), before);
    EXPECT_TRUE(temporaryLeftovers(prog).isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(failed(QStringLiteral("南店")) + u'\n')) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(kDiskFull));
    EXPECT_FALSE(messages[0].contains(kKept)) << "nothing was staged";
    EXPECT_TRUE(logLines.isEmpty());
    EXPECT_EQ(window.view.Count(), nodes);

    // The device path: staging reports the cause and nothing is marked.
    QString cause;
    EXPECT_FALSE(d.stage(true, &cause));
    EXPECT_TRUE(cause.contains(kDiskFull)) << cause.toStdString();
    EXPECT_EQ(snapshotFolder(prog), before);
    EXPECT_EQ(messages.size(), 1) << "the caller reports a staging failure";
}

TEST_F(StoreDurability, ReadOnlyProgramFolderFailsTheImportWithAMessage)
{
    useProgramFolder(home());
    oldYear2023(QStringLiteral("南店"));
    const auto before = snapshotFolder(prog);
    clsDataD d;
    d.initData();
    d.setCustomer(QStringLiteral("南店"));
    ASSERT_TRUE(d.setRecvData(block("2312021000", "0123"), 18));
    {
        ReadOnlyFolder ro(prog);
        RecordProperty("realReadOnly", ro.real() ? "yes" : "no");
        EXPECT_FALSE(d.fire(false));
    }
    EXPECT_EQ(snapshotFolder(prog), before);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(failed(QStringLiteral("南店")) + u'\n')) << messages[0].toStdString();
    EXPECT_TRUE(logLines.isEmpty());
}

namespace {

bool waitFor(const std::function<bool()> &done, int ms = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// The reader on a pty, its records read through the serial link and the
// protocol controller into clsDataD.
class ReaderOnFullDisk : public StoreDurability {
protected:
    void TearDown() override
    {
        proto.reset();
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
        talvik::commBusy = false;
        StoreDurability::TearDown();
    }
    void start(const QString &linkFolder)
    {
        talvik::deviceLabel = QStringLiteral("検出器");
        devicesim::DeviceConfig cfg;
        cfg.model = devicesim::Model::Reader;
        cfg.customers = 2;
        cfg.days = 1;
        cfg.end = QDateTime(QDate(2024, 3, 15), QTime(9, 30), Qt::UTC);
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        sim->device().setAckTimeout(400);
        const QString link = linkFolder + QStringLiteral("/ttyDEV");
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<talvik::clsSerialController>();
        serial->setPort(7);
        proto = std::make_unique<talvik::clsProtocolController>(serial.get());
        talvik::clsProtocolController::setWaitDialog(&wait);
        using C = talvik::clsProtocolController;
        QObject::connect(proto.get(), &C::OnEvent, [this](const QString &m) { events << "OnEvent:" + m; });
        QObject::connect(proto.get(), &C::OnError, [this](const QString &m) { events << "OnError:" + m; });
        QObject::connect(proto.get(), &C::OnTranEnd, [this] { events << QStringLiteral("OnTranEnd"); });
        QObject::connect(proto.get(), &C::OnNext, [this] { events << QStringLiteral("OnNext"); });
    }
    bool read(clsDataD &d, int customer)
    {
        events.clear();
        d.initData();
        d.setIsReader(true);
        d.setIsDel(true);
        d.setCustomer(QString::fromLatin1(sim->device().customers().value(customer).number));
        proto->setData(&d);
        talvik::commBusy = true;
        proto->cont(&owner);
        return waitFor([&] {
            return events.contains(QStringLiteral("OnNext")) || events.contains(QStringLiteral("OnTranEnd"))
                   || (!events.isEmpty() && events.last().startsWith(QStringLiteral("OnError")));
        });
    }
    struct Owner : talvik::ITransactionOwner {
        platform::forms::Form *ownerForm() override { return nullptr; }
    } owner;
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<talvik::clsSerialController> serial;
    std::unique_ptr<talvik::clsProtocolController> proto;
    QStringList events;
};

} // namespace

TEST_F(ReaderOnFullDisk, TheReaderKeepsTheRecordsThatCouldNotBeStaged)
{
    FullDisk disk;
    RecordProperty("realFullDisk", disk.real() ? "yes" : "no");
    useProgramFolder(disk.folder());
    start(home());
    const QList<devicesim::DemandRecord> second = sim->device().customers().value(1).records;
    ASSERT_EQ(second.size(), 48);

    // The first customer is stored and deleted from the reader.
    clsDataD d;
    ASSERT_TRUE(read(d, 0));
    ASSERT_EQ(events, QStringList{"OnNext"});
    ASSERT_TRUE(waitFor([&] { return sim->device().customers().value(0).records.isEmpty(); }, 3000));
    const auto before = snapshotFolder(prog);

    // Then the disk is full: the second customer's final block is not
    // acknowledged and the reader keeps every record of that customer.
    disk.fill();
    ASSERT_TRUE(read(d, 1));
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].startsWith(
        QStringLiteral("OnError:受信したデータを保存できませんでした。データは機器に残っています。\n")))
        << events[0].toStdString();
    EXPECT_TRUE(events[0].contains(kDiskFull)) << events[0].toStdString();
    ASSERT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() == 1; }, 3000));
    EXPECT_EQ(sim->device().completedTransfers(), 1);
    EXPECT_EQ(sim->device().customers().value(1).records.size(), 48);
    EXPECT_EQ(snapshotFolder(prog), before);
    EXPECT_TRUE(temporaryLeftovers(prog).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << "the window shows the controller's error";
    EXPECT_FALSE(wait.visible);

    // With space again the same read stores them and the reader deletes them.
    disk.release();
    ASSERT_TRUE(read(d, 1));
    EXPECT_EQ(events, QStringList{"OnNext"});
    ASSERT_TRUE(waitFor([&] { return sim->device().customers().value(1).records.isEmpty(); }, 3000));
    const QString folder = QStringLiteral("dDB.tran/") + QString::fromLatin1(sim->device().customers().value(1).number);
    EXPECT_EQ(get(folder + QStringLiteral("/2024年/demand.csv")).count('\n'), 48);
}
