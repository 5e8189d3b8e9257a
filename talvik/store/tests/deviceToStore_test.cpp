// Demand records from the stand-in device into the store, end to end: the
// device on a pseudo-terminal, the serial link, the protocol controller and
// clsDataD with the program's own wait dialog, log and message boxes.
#include "platform/codepage/codepage.h"
#include "platform/comm/portpath.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/treeview.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"
#include "tools/devicesim/simulator.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using namespace talvik;

namespace {

// The data window as the store and the controller see it, with a real log
// list.
class DataWindow : public platform::forms::Form, public IDataWindow, public ITransactionOwner {
public:
    clsTreeNode &TreeNode() override { return tree; }
    platform::forms::TreeView &treData() override { return view; }
    platform::forms::ListBox *lstLogs() override { return &logList; }
    platform::forms::MSHFlexGrid &mfgData() override { return grid; }
    int TextWidth(const QString &text) override { return 100 * int(text.size()); }
    int GraphZoom() override { return 100; }
    void setGraphZoom(int) override {}
    void setRootMenus() override {}
    platform::forms::Form *form() override { return this; }
    platform::forms::Form *ownerForm() override { return this; }
    void addLog(const QString &text) override { appLogsAdd(&logList, text); }

    QStringList logLines()
    {
        QStringList out;
        for (int i = 0; i < logList.ListCount(); ++i)
            out << logList.List(i);
        return out;
    }

    platform::forms::ListBox logList{this, QStringLiteral("lstLogs")};
    clsTreeNode tree;
    platform::forms::TreeView view;
    platform::forms::MSHFlexGrid grid;
};

bool waitFor(const std::function<bool()> &done, int ms = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

const QDateTime runTime(QDate(2024, 6, 3), QTime(8, 5));
const QString logStamp = QStringLiteral("2024/06/03 08:05    ");

class DeviceToStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("TALVIK_HOME", home.path().toUtf8());
        platform::forms::DialogScript::setUnexpectedDialogHandler(
            [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
        storeServices() = StoreServices();
        storeServices().now = [] { return runTime; };
        logs = std::make_unique<clsLogs>([] { return runTime; });
        appLogs = logs.get();
        wait.setParent(&window);
        waitForm = &wait;
        dataForm = &window;
        deviceLabel = QStringLiteral("検出器");
    }
    void TearDown() override
    {
        proto.reset();
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
        wait.Unload();
        waitForm = nullptr;
        dataForm = nullptr;
        appLogs = nullptr;
        commBusy = false;
        storeServices() = StoreServices();
        qunsetenv("TALVIK_HOME");
    }

    void start(const devicesim::DeviceConfig &cfg)
    {
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        const QString link = home.path() + QStringLiteral("/ttyDEV");
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<clsSerialController>();
        serial->setPort(7);
        proto = std::make_unique<clsProtocolController>(serial.get());
        QObject::connect(proto.get(), &clsProtocolController::OnEvent,
                         [this](const QString &m) { events << QStringLiteral("OnEvent:") + m; });
        QObject::connect(proto.get(), &clsProtocolController::OnError,
                         [this](const QString &m) { events << QStringLiteral("OnError:") + m; });
        QObject::connect(proto.get(), &clsProtocolController::OnTranEnd, [this] { events << QStringLiteral("OnTranEnd"); });
        QObject::connect(proto.get(), &clsProtocolController::OnNext, [this] { events << QStringLiteral("OnNext"); });
    }

    // One RD transaction; true when it ended within the time limit.
    bool read(clsDataD &record)
    {
        events.clear();
        proto->setData(&record);
        proto->cont(&window);
        return waitFor([&] {
            return events.contains(QStringLiteral("OnTranEnd")) || events.contains(QStringLiteral("OnNext"))
                   || (!events.isEmpty() && events.last().startsWith(QStringLiteral("OnError")));
        });
    }

    QByteArray readFile(const QString &relative) const { return talviktest::readFile(home.path() + u'/' + relative); }

    // The year tables the device's records must give, by year folder: each
    // record 30 minutes before its stamp, in the device's order.
    static QMap<QString, QByteArray> expectedTables(const QList<devicesim::DemandRecord> &records)
    {
        QMap<QString, QByteArray> tables;
        for (const devicesim::DemandRecord &r : records) {
            const QDateTime start = r.stamp.addSecs(-1800);
            tables[QString::number(start.date().year()) + QStringLiteral("年")] +=
                start.toString(QStringLiteral("yyMMddHHmm")).toLatin1()
                + QByteArray::number(r.watt).rightJustified(4, '0') + "202406030805\r\n";
        }
        return tables;
    }

    void expectTables(const QString &customer, const QMap<QString, QByteArray> &tables)
    {
        for (auto it = tables.begin(); it != tables.end(); ++it)
            EXPECT_EQ(readFile(QStringLiteral("dDB.tran/") + customer + u'/' + it.key() + QStringLiteral("/demand.csv")),
                      it.value())
                << it.key().toStdString();
    }

    static QString storeLine(int added, int updated, const QString &customer)
    {
        return QStringLiteral("情報データ読み込み(追加：%1 更新：%2)　　　-->　「%3」").arg(added).arg(updated).arg(customer);
    }

    QTemporaryDir home;
    platform::forms::DialogScript script;
    DataWindow window;
    frmWait wait;
    std::unique_ptr<clsLogs> logs;
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<clsSerialController> serial;
    std::unique_ptr<clsProtocolController> proto;
    QStringList events;
};

} // namespace

TEST_F(DeviceToStore, DetectorRecordsAcrossTheYearEndReachBothYearTablesAndTheLog)
{
    devicesim::DeviceConfig cfg;
    cfg.model = devicesim::Model::T4KA;
    cfg.days = 1;
    cfg.end = QDateTime(QDate(2024, 1, 1), QTime(0, 30), Qt::UTC);
    start(cfg);
    const QList<devicesim::DemandRecord> records = sim->device().customers().value(0).records;
    ASSERT_EQ(records.size(), 48);

    clsDataD d;
    d.initData();
    d.setCustomer(QStringLiteral("北店"));
    ASSERT_TRUE(read(d));
    EXPECT_EQ(events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    EXPECT_EQ(sim->device().requests().value(0), QByteArray("\x02RD\x03"));
    EXPECT_EQ(d.count(), 48);

    // 47 half hours of 31 December and the last one, stamped 00:30 on
    // 1 January, which starts at 00:00 and so belongs to 2024.
    const QMap<QString, QByteArray> tables = expectedTables(records);
    ASSERT_EQ(tables.keys(), (QStringList{"2023年", "2024年"}));
    EXPECT_EQ(tables.value("2024年").count('\n'), 1);
    expectTables(QStringLiteral("北店"), tables);

    // The log line at the top of the window's list and in the log file.
    const QString line = logStamp + storeLine(48, 0, QStringLiteral("北店"));
    EXPECT_EQ(window.logLines(), QStringList{line});
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/download.log")), platform::codepage::toAnsi(line) + "\r\n");

    // The tree shows the customer and both years; the wait dialog is gone and
    // the window usable again.
    EXPECT_NO_THROW(window.view.Item(QStringLiteral("\\dDB.tran\\北店\\2023年")));
    EXPECT_NO_THROW(window.view.Item(QStringLiteral("\\dDB.tran\\北店\\2024年")));
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(window.Enabled());

    // The detector keeps its records: a second read updates every row and
    // leaves the tables as they were.
    ASSERT_TRUE(read(d));
    expectTables(QStringLiteral("北店"), tables);
    EXPECT_EQ(window.logLines().value(0), logStamp + storeLine(0, 48, QStringLiteral("北店")));
    EXPECT_EQ(window.logLines().size(), 2);
}

TEST_F(DeviceToStore, ReaderCustomerReadWithDeleteEmptiesOnlyThatCustomer)
{
    devicesim::DeviceConfig cfg;
    cfg.model = devicesim::Model::Reader;
    cfg.customers = 2;
    cfg.days = 1;
    cfg.end = QDateTime(QDate(2024, 3, 15), QTime(9, 30), Qt::UTC);
    start(cfg);
    const QByteArray number = sim->device().customers().value(1).number;
    const QList<devicesim::DemandRecord> records = sim->device().customers().value(1).records;
    ASSERT_EQ(records.size(), 48);
    const QString customer = QString::fromLatin1(number);

    clsDataD d;
    d.initData();
    d.setIsReader(true);
    d.setIsDel(true);
    d.setCustomer(customer);
    ASSERT_TRUE(read(d));
    // A reader's transfer ends with OnNext, so the owner can go on with the
    // next customer.
    EXPECT_EQ(events, QStringList{"OnNext"});
    EXPECT_EQ(sim->device().requests().value(0), QByteArray("\x02RD") + number + "1\x03");
    ASSERT_TRUE(waitFor([&] { return sim->device().customers().value(1).records.isEmpty(); }, 3000));
    EXPECT_EQ(sim->device().customers().value(0).records.size(), 48);
    expectTables(customer, expectedTables(records));
    EXPECT_EQ(window.logLines(), QStringList{logStamp + storeLine(48, 0, customer)});

    // The records are gone from the reader: the next read finds none and the
    // store stays as it was.
    ASSERT_TRUE(read(d));
    EXPECT_EQ(events, (QStringList{"OnEvent:読み出し件数は０件です。", "OnTranEnd"}));
    expectTables(customer, expectedTables(records));
    EXPECT_EQ(window.logLines().size(), 1);
    EXPECT_FALSE(wait.isLoaded());
}

TEST_F(DeviceToStore, MonthZeroBlocksAreLoggedAndLeftOutWhileTheGoodOnesAreStored)
{
    devicesim::DeviceConfig cfg;
    cfg.model = devicesim::Model::T4KA;
    cfg.days = 1;
    cfg.end = QDateTime(QDate(2024, 5, 13), QTime(12, 0), Qt::UTC);
    start(cfg);
    sim->device().faults().add(QStringLiteral("RD:badfield@3"));
    sim->device().faults().add(QStringLiteral("RD:badfield@20"));
    QList<devicesim::DemandRecord> records = sim->device().customers().value(0).records;
    ASSERT_EQ(records.size(), 48);

    clsDataD d;
    d.initData();
    d.setCustomer(QStringLiteral("Kita"));
    ASSERT_TRUE(read(d));
    EXPECT_EQ(events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    EXPECT_EQ(d.count(), 46);
    // The device counts the transfer once the last ACK has reached it.
    EXPECT_TRUE(waitFor([&] { return sim->device().completedTransfers() == 1; }, 3000));

    // Blocks 3 and 20 (month 00) are not stored; every other half hour is.
    records.removeAt(19);
    records.removeAt(2);
    expectTables(QStringLiteral("Kita"), expectedTables(records));
    const QString cancelled = logStamp + QStringLiteral("データ１件　キャンセル");
    EXPECT_EQ(window.logLines(),
              (QStringList{logStamp + storeLine(46, 0, QStringLiteral("Kita")), cancelled, cancelled}));
    EXPECT_TRUE(script.shown().isEmpty());
}

namespace {

const QString kTimeoutError =
    QStringLiteral("OnError:ﾀｲﾑｱｳﾄが発生しました。検出器電源、接続及び通信設定を確認してください。");

// Transfers broken inside a frame, against a device of one day per customer
// whose last record is stamped 2024-03-15 09:30.
class BrokenTransferToStore : public DeviceToStore {
protected:
    void startDay(devicesim::Model model, int customers, const QString &fault)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = 1;
        cfg.end = QDateTime(QDate(2024, 3, 15), QTime(9, 30), Qt::UTC);
        start(cfg);
        sim->device().setAckTimeout(300);
        sim->device().faults().add(fault);
    }
    // One RD transfer into the record; a reader's customer i, marked for
    // deletion, or the detector's records under the given name.
    bool readInto(clsDataD &d, const QString &customer, bool reader)
    {
        d.initData();
        d.setIsReader(reader);
        d.setIsDel(reader);
        d.setCustomer(customer);
        return read(d);
    }
    QString number(int i) const { return QString::fromLatin1(sim->device().customers().value(i).number); }
    qsizetype held(int i) const { return sim->device().customers().value(i).records.size(); }
};

} // namespace

// A block that comes back with the same bad month after the NAK is one the
// device holds so: left out and logged, as above. One whose resend is good
// costs nothing: every half hour is stored and nothing is logged.
TEST_F(BrokenTransferToStore, MonthZeroBlockCuredByTheResendIsStored)
{
    startDay(devicesim::Model::T4KA, 1, QStringLiteral("RD:badfield@3x1"));
    clsDataD d;
    ASSERT_TRUE(readInto(d, QStringLiteral("Kita"), false));
    EXPECT_EQ(events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    EXPECT_EQ(d.count(), 48);
    expectTables(QStringLiteral("Kita"), expectedTables(sim->device().customers().value(0).records));
    EXPECT_EQ(window.logLines(), QStringList{logStamp + storeLine(48, 0, QStringLiteral("Kita"))});
}

// The reader with both customers marked for deletion and a NAK inside the
// fifth block of each transfer, once: the host answers NAK, the reader sends
// the block again, and every record reaches the store before the reader
// deletes it.
TEST_F(BrokenTransferToStore, NakInsideAReaderBlockWithDeleteLosesNoRecord)
{
    startDay(devicesim::Model::Reader, 2, QStringLiteral("RD:nakinframe@5x1"));
    QList<QList<devicesim::DemandRecord>> records;
    for (const auto &c : sim->device().customers())
        records << QList<devicesim::DemandRecord>(c.records);
    ASSERT_EQ(records.size(), 2);
    for (int i = 0; i < 2; ++i) {
        if (i > 0)
            sim->device().faults().add(QStringLiteral("RD:nakinframe@5x1"));
        clsDataD d;
        ASSERT_TRUE(readInto(d, number(i), true)) << i;
        EXPECT_EQ(events, QStringList{"OnNext"}) << i;
        EXPECT_EQ(d.count(), 48) << i;
        expectTables(number(i), expectedTables(records[i]));
        EXPECT_EQ(window.logLines().value(0), logStamp + storeLine(48, 0, number(i))) << i;
        ASSERT_TRUE(waitFor([&] { return held(i) == 0; }, 3000)) << i;
    }
    EXPECT_EQ(sim->device().completedTransfers(), 2);
    EXPECT_EQ(window.logLines().size(), 2) << "no record left out";
    // Each NAK of the host was answered by the same block again.
    int naks = 0;
    for (const devicesim::ReceivedUnit &u : sim->device().received())
        naks += u.kind == devicesim::ReceivedUnit::Nak;
    EXPECT_EQ(naks, 2);
}

// The same fault on every resend: after three NAKs the read ends as a failed
// transfer, nothing of it is stored, and the reader keeps every record.
TEST_F(BrokenTransferToStore, BlockBrokenOnEveryResendEndsTheReadAndTheReaderKeepsItsRecords)
{
    startDay(devicesim::Model::Reader, 2, QStringLiteral("RD:nakinframe@5"));
    clsDataD d;
    ASSERT_TRUE(readInto(d, number(0), true));
    EXPECT_EQ(events, QStringList{kTimeoutError});
    ASSERT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() == 1; }, 3000));
    EXPECT_EQ(sim->device().completedTransfers(), 0);
    EXPECT_EQ(held(0), 48);
    EXPECT_EQ(held(1), 48);
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/dDB.tran/") + number(0)));
    EXPECT_TRUE(window.logLines().isEmpty());
    EXPECT_FALSE(wait.isLoaded());
}

// An ACK inside the first block of a detector's transfer: the read fails as
// a time-out (never "no records") and the detector keeps its records; the
// same fault once is overcome by the resend.
TEST_F(BrokenTransferToStore, AckInsideTheFirstBlockIsAFailedReadNotAnEmptyOne)
{
    startDay(devicesim::Model::T4KB, 1, QStringLiteral("RD:ackinframe@1"));
    clsDataD d;
    ASSERT_TRUE(readInto(d, QStringLiteral("Minami"), false));
    EXPECT_EQ(events, QStringList{kTimeoutError});
    EXPECT_EQ(held(0), 48);
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/dDB.tran/Minami")));

    sim->device().faults().clear("RD");
    sim->device().faults().add(QStringLiteral("RD:ackinframe@1x1"));
    ASSERT_TRUE(readInto(d, QStringLiteral("Minami"), false));
    EXPECT_EQ(events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    expectTables(QStringLiteral("Minami"), expectedTables(sim->device().customers().value(0).records));
}
