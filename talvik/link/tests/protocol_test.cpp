// The protocol controller end to end: the serial link on a real
// pseudo-terminal with the stand-in device, and on the scripted port for the
// cases that need two controllers or an exact block sequence.
#include "platform/comm/portpath.h"
#include "platform/comm/scriptedport.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/link/clsDataT.h"
#include "talvik/link/clsDataV.h"
#include "talvik/link/clsSerialController.h"
#include "tests/linkHarness.h"
#include "tests/windowDoubles.h"
#include "tools/devicesim/simulator.h"

using namespace talvik;
using namespace linktest;

namespace {

const QString kTimeout = QStringLiteral("ﾀｲﾑｱｳﾄが発生しました。検出器電源、接続及び通信設定を確認してください。");

// The stand-in device on a pty, reached as COM 7.
struct DeviceLink : ::testing::Test {
    LinkEnv env;
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<clsSerialController> serial;
    std::unique_ptr<clsProtocolController> proto;
    OwnerDouble owner;
    Recorder rec;

    void start(devicesim::Model model, int customers = -1)
    {
        deviceLabel = QStringLiteral("検出器");
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = 1;
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        const QString link = env.home.path() + "/ttyDEV";
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<clsSerialController>();
        serial->setPort(7);
        proto = std::make_unique<clsProtocolController>(serial.get());
        rec.attach(*proto);
    }
    void TearDown() override
    {
        proto.reset();
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
    }
    bool run(IProtocolRecord &r, int ms = 8000)
    {
        rec.events.clear();
        proto->setData(&r);
        proto->cont(&owner);
        return waitFor([&] { return rec.ended(); }, ms);
    }
};

} // namespace

TEST_F(DeviceLink, VersionOfEveryModel)
{
    using devicesim::Model;
    for (Model m : {Model::Reader, Model::T4KA10, Model::T4KA, Model::T4KB, Model::T6KA, Model::Unknown}) {
        TearDown();
        start(m);
        clsDataV v;
        v.initData();
        ASSERT_TRUE(run(v));
        EXPECT_EQ(rec.events, (QStringList{"OnTranEnd", "OnVersion:1"}));
        EXPECT_EQ(v.version().toLatin1(), devicesim::versionTextOf(m).left(16));
    }
}

TEST_F(DeviceLink, SettingsReadAndUnchangedWriteForEachLayout)
{
    using devicesim::Model;
    const QList<Model> models = {Model::T4KA10, Model::T4KB, Model::T6KA};
    for (Model m : models) {
        TearDown();
        start(m);
        SettingWindowDouble w;
        std::unique_ptr<SettingRecordBase> r;
        if (m == Model::T4KA10)
            r = std::make_unique<clsDataS>();
        else if (m == Model::T4KB)
            r = std::make_unique<clsDataSA>();
        else
            r = std::make_unique<clsDataSB>();
        r->setSettingWindow(&w);
        r->setRd(true);
        ASSERT_TRUE(run(*r));
        EXPECT_EQ(rec.events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
        EXPECT_EQ(w.preDataCalls, 1);
        EXPECT_GT(w.watt.v, -1);
        const QByteArray read = r->image();
        r->setWt(true);
        ASSERT_TRUE(run(*r));
        EXPECT_EQ(rec.events, (QStringList{"OnEvent:登録は正常に終了しました。", "OnTranEnd"}));
        const QByteArray written = sim->device().requests().last();
        // Fields byte-identical to the read (reserved bytes of RSB go out blank).
        const int fieldEnd = m == Model::T6KA ? 21 : int(read.size()) - 1;
        const int fieldStart = m == Model::T4KA10 ? 3 : 4;
        EXPECT_EQ(written.mid(fieldStart, fieldEnd - fieldStart), read.mid(fieldStart, fieldEnd - fieldStart));
        EXPECT_EQ(written[1], 'W');
    }
}

TEST_F(DeviceLink, ClockReadAndWrite)
{
    start(devicesim::Model::T4KA);
    ClockWindowDouble w;
    clsDataT t;
    t.setClockWindow(&w);
    t.setRd(true);
    ASSERT_TRUE(run(t));
    EXPECT_EQ(rec.events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    EXPECT_EQ(w.date.t.size(), 10);
    EXPECT_TRUE(w.date.t.startsWith("20"));
    t.setYear("30");
    t.setMonth("01");
    t.setDay("02");
    t.setHour("03");
    t.setMinute("04");
    t.setWt(true);
    ASSERT_TRUE(run(t));
    EXPECT_EQ(rec.events, (QStringList{"OnEvent:登録は正常に終了しました。", "OnTranEnd"}));
    EXPECT_EQ(sim->device().clock().date(), QDate(2030, 1, 2));
}

TEST_F(DeviceLink, CustomerListWithZeroOneAndSeveralNumbers)
{
    for (int n : {0, 1, 4}) {
        TearDown();
        start(n == 4 ? devicesim::Model::Reader : devicesim::Model::T4KA, n);
        clsDataC c;
        c.initData();
        ASSERT_TRUE(run(c));
        if (n == 0) {
            EXPECT_EQ(rec.events, (QStringList{"OnEvent:読み出しデータはありません。", "OnTranEnd"}));
            EXPECT_EQ(proto->protocolMode(), 0); // a lone ACK ends the mode
            continue;
        }
        EXPECT_EQ(rec.events, (QStringList{"OnTranEnd", "OnCustomer:1"}));
        ASSERT_EQ(c.count(), n);
        for (int i = 0; i < n; ++i) {
            c.setIdx(i);
            EXPECT_EQ(c.customer().toLatin1(), sim->device().customers()[i].number);
        }
    }
}

TEST_F(DeviceLink, CustomerNumberWrite)
{
    start(devicesim::Model::T4KA, 0);
    clsDataC c;
    c.initData();
    c.add("123456789");
    c.setWt(true);
    ASSERT_TRUE(run(c));
    EXPECT_EQ(rec.events, (QStringList{"OnTranEnd", "OnCustomer:1"}));
    ASSERT_EQ(sim->device().customers().size(), 1);
    EXPECT_EQ(sim->device().customers()[0].number, QByteArray("123456789"));
}

TEST_F(DeviceLink, DemandRecordsIntoARecordDouble)
{
    start(devicesim::Model::T4KA);
    DemandDouble d;
    ASSERT_TRUE(run(d, 20000));
    EXPECT_EQ(rec.events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    EXPECT_EQ(d.count(), sim->device().customers()[0].records.size());
    EXPECT_EQ(d.fires, 1);
    EXPECT_TRUE(d.shift);
    EXPECT_TRUE(env.wait.info2History.contains(" 10 件"));
    EXPECT_TRUE(owner.logs.isEmpty());
}

TEST_F(DeviceLink, NakThreeTimesThenAckFourNaksFail)
{
    start(devicesim::Model::T4KA10);
    clsDataS s;
    SettingWindowDouble w;
    s.setSettingWindow(&w);
    s.setRd(true);
    ASSERT_TRUE(run(s));
    s.setWt(true);
    sim->device().faults().add(QStringLiteral("WS:nak:3"));
    ASSERT_TRUE(run(s));
    EXPECT_EQ(rec.events, (QStringList{"OnEvent:登録は正常に終了しました。", "OnTranEnd"}));
    sim->device().faults().add(QStringLiteral("WS:alwaysnak"));
    const int before = sim->device().requests().size();
    ASSERT_TRUE(run(s));
    EXPECT_EQ(rec.events, QStringList{"OnError:登録に失敗しました。"});
    EXPECT_EQ(sim->device().requests().size() - before, 4); // first send and three resends
}

TEST_F(DeviceLink, SilentDeviceTimesOut)
{
    start(devicesim::Model::Silent);
    clsDataT t;
    t.setRd(true);
    ASSERT_TRUE(run(t));
    EXPECT_EQ(rec.events, QStringList{"OnError:" + kTimeout});
    clsDataV v;
    ASSERT_TRUE(run(v));
    EXPECT_EQ(rec.events, QStringList{"OnVersion:0"});
    clsDataC c;
    ASSERT_TRUE(run(c));
    EXPECT_EQ(rec.events, QStringList{"OnCustomer:0"});
}

TEST_F(DeviceLink, BadBccTakesTheTimeoutPath)
{
    start(devicesim::Model::T4KA);
    sim->device().faults().add(QStringLiteral("*:badbcc"));
    clsDataV v;
    ASSERT_TRUE(run(v));
    EXPECT_EQ(rec.events, QStringList{"OnVersion:0"});
    clsDataSA sa;
    sa.setRd(true);
    ASSERT_TRUE(run(sa));
    EXPECT_EQ(rec.events, QStringList{"OnError:" + kTimeout});
    clsDataC c;
    ASSERT_TRUE(run(c));
    EXPECT_EQ(rec.events, QStringList{"OnCustomer:0"});
    DemandDouble d;
    ASSERT_TRUE(run(d));
    EXPECT_EQ(rec.events, QStringList{"OnError:" + kTimeout});
}

TEST_F(DeviceLink, CancelMidTransfer)
{
    start(devicesim::Model::T4KA);
    DemandDouble d;
    QObject::connect(serial.get(), &clsSerialController::OnEvent, [&](const QByteArray &, int, bool) {
        if (d.count() == 5)
            env.wait.cancel = true;
    });
    ASSERT_TRUE(run(d));
    EXPECT_EQ(rec.events, (QStringList{"OnEvent:キャンセルしました。", "OnTranEnd"}));
    EXPECT_EQ(d.fires, 0);
    EXPECT_LT(d.count(), 10);
}

TEST_F(DeviceLink, AckInsideATransferEndsItAsTimeOut)
{
    start(devicesim::Model::T4KA);
    // Half of the fifth demand block, then an ACK: the host sees a lone ACK
    // after four blocks.
    sim->device().faults().add(QStringLiteral("RD:ackinframe@5"));
    DemandDouble d;
    ASSERT_TRUE(run(d));
    EXPECT_EQ(rec.events, QStringList{"OnError:" + kTimeout});
    EXPECT_EQ(d.count(), 4);
    EXPECT_EQ(d.fires, 0);
    EXPECT_EQ(d.stages, 0);
    // The same inside the reader's customer-number list.
    TearDown();
    start(devicesim::Model::Reader, 3);
    sim->device().faults().add(QStringLiteral("RC:ackinframe@2"));
    clsDataC c;
    c.initData();
    ASSERT_TRUE(run(c));
    EXPECT_EQ(rec.events, QStringList{"OnCustomer:0"});
}

TEST_F(DeviceLink, PortThatCannotOpen)
{
    start(devicesim::Model::T4KA);
    // The port cannot be opened: the device path is gone.
    platform::comm::setComPortResolver([](int) { return QStringLiteral("/dev/no-such-talvik-port"); });
    clsDataV v;
    ASSERT_TRUE(run(v));
    EXPECT_EQ(rec.events,
              QStringList{"OnError:通信ポートが開けません｡　電源、接続及び通信設定を確認してください。 "});
    EXPECT_FALSE(env.wait.shown);
    EXPECT_EQ(env.wait.showCount, 0);
}

TEST_F(DeviceLink, HalfFrameRefusedThenRecovered)
{
    start(devicesim::Model::T4KA);
    sim->device().faults().add(QStringLiteral("RV:partial@1x1"));
    clsDataV v;
    ASSERT_TRUE(run(v));
    EXPECT_EQ(rec.events, QStringList{"OnVersion:0"}); // the reply timer ends it
    // The device sent half a frame again right now: simulate a stall mid-frame.
    ASSERT_TRUE(serial->IsOpen());
    QByteArray half("\x02RVT4", 5);
    sim->pty().write(half);
    ASSERT_TRUE(waitFor([&] { return serial->IsBusy(); }, 2000));
    ASSERT_TRUE(run(v, 500));
    EXPECT_EQ(rec.events, QStringList{"OnError:現在通信中です｡しばらく待ってから再度実行してください｡ "});
    ASSERT_TRUE(waitFor([&] { return !serial->IsBusy(); }, 3000));
    ASSERT_TRUE(run(v));
    EXPECT_EQ(rec.events, (QStringList{"OnTranEnd", "OnVersion:1"}));
}

namespace {

// Two controllers (two windows) on one serial link over the scripted port.
struct TwoWindows : ::testing::Test {
    LinkEnv env;
    platform::comm::ScriptedPort *port = nullptr;
    std::unique_ptr<clsSerialController> serial;
    std::unique_ptr<clsProtocolController> a, b;
    OwnerDouble ownerA, ownerB;
    Recorder recA, recB;

    void SetUp() override
    {
        deviceLabel = QStringLiteral("検出器");
        platform::comm::setComPortResolver([](int) { return QStringLiteral("/dev/scripted"); });
        platform::comm::setDefaultPortFactory([this] {
            auto p = std::make_unique<platform::comm::ScriptedPort>();
            port = p.get();
            return p;
        });
        serial = std::make_unique<clsSerialController>();
        serial->setPort(2);
        a = std::make_unique<clsProtocolController>(serial.get());
        b = std::make_unique<clsProtocolController>(serial.get());
        recA.attach(*a);
        recB.attach(*b);
    }
    void TearDown() override
    {
        a.reset();
        b.reset();
        serial.reset();
        platform::comm::setDefaultPortFactory({});
        platform::comm::setComPortResolver({});
    }
    void startA(IProtocolRecord &r)
    {
        a->setData(&r);
        a->cont(&ownerA);
        ASSERT_NE(port, nullptr);
    }
    static QByteArray rd(const char *stamp, char end)
    {
        return withBcc(QByteArray("\x02RD") + stamp + "0123" + QByteArray(1, end));
    }
};

} // namespace

TEST_F(TwoWindows, OnlyTheRunningControllerActsOnCancel)
{
    DemandDouble d;
    startA(d);
    port->feed(rd("2403150930", 0x17));
    env.wait.cancel = true;
    port->feed(rd("2403151000", 0x17));
    pump(20);
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:キャンセルしました。", "OnTranEnd"}));
    EXPECT_TRUE(recB.events.isEmpty());
    EXPECT_EQ(a->protocolMode(), 0);
}

TEST_F(TwoWindows, ARunningTransactionIsSeenFromEveryOtherController)
{
    EXPECT_FALSE(clsProtocolController::transactionRunning());
    DemandDouble d;
    startA(d);
    EXPECT_TRUE(clsProtocolController::transactionRunning());
    EXPECT_TRUE(clsProtocolController::transactionRunning(b.get()));
    EXPECT_FALSE(clsProtocolController::transactionRunning(a.get()));
    port->feed(QByteArray("\x06", 1)); // nothing to read: ended
    pump(20);
    EXPECT_FALSE(clsProtocolController::transactionRunning(b.get()));
    // A controller that is gone is no longer asked.
    startA(d);
    a.reset();
    EXPECT_FALSE(clsProtocolController::transactionRunning());
}

TEST_F(TwoWindows, LoneAckEndsTheModeSoLaterRepliesAreIgnored)
{
    DemandDouble d;
    startA(d);
    port->feed(QByteArray("\x06", 1));
    pump(20);
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:読み出し件数は０件です。", "OnTranEnd"}));
    EXPECT_EQ(a->protocolMode(), 0);
    recA.events.clear();
    port->clearWritten();
    port->feed(rd("2403150930", 0x03)); // an unrelated block
    pump(20);
    EXPECT_TRUE(recA.events.isEmpty());
    EXPECT_EQ(d.fires, 0);
    EXPECT_TRUE(port->written().isEmpty()); // not acknowledged
}

// A record block with values the record refuses is asked for again; when
// the device sends the very same block again it holds it so: it is logged by
// the owning window, left out and acknowledged, and the transfer goes on.
TEST_F(TwoWindows, RejectedBlocksAreLoggedByTheOwningWindow)
{
    DemandDouble d;
    startA(d);
    const QByteArray bad = withBcc(QByteArray("\x02RDxx031509300123\x17", 18));
    port->clearWritten();
    port->feed(bad);
    pump(20);
    EXPECT_EQ(port->written(), QByteArray("\x15", 1)) << "asked for again, not acknowledged";
    EXPECT_TRUE(ownerA.logs.isEmpty());
    port->feed(bad);
    port->feed(rd("2403151000", 0x03));
    pump(20);
    EXPECT_EQ(ownerA.logs, QStringList{"データ１件　キャンセル"});
    EXPECT_TRUE(ownerB.logs.isEmpty());
    EXPECT_EQ(env.wait.info2History.value(0), " 0 件"); // count 0 after the rejected block
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    EXPECT_EQ(port->written(), QByteArray("\x15\x06\x06", 3)); // NAK, then both blocks acknowledged

    clsDataC c;
    c.initData();
    startA(c);
    port->feed(withBcc(QByteArray("\x02RC12345A789\x17", 13)));
    port->feed(withBcc(QByteArray("\x02RC123456789\x03", 13)));
    pump(20);
    EXPECT_EQ(ownerA.logs.last(), "不正なお客さま番号です。");
    EXPECT_EQ(c.count(), 1);
}

TEST_F(TwoWindows, SerialErrorsReachEveryWindowAndCableIsChecked)
{
    clsDataT t;
    t.setRd(true);
    startA(t);
    port->raiseLineEvent(platform::comm::ev::RxParity);
    pump(20);
    EXPECT_EQ(recA.events, QStringList{"OnError:ﾊﾟﾘﾃｨｴﾗｰです。"});
    EXPECT_EQ(recB.events, QStringList{"OnError:ﾊﾟﾘﾃｨｴﾗｰです。"});
    EXPECT_EQ(a->protocolMode(), 0);

    recA.events.clear();
    recB.events.clear();
    port->setCts(false);
    port->clearWritten();
    startA(t); // reopens the port
    pump(20);
    EXPECT_TRUE(recA.events.contains("OnError:ケーブルが接続されていません。"));
    EXPECT_FALSE(port->written().contains("\x02RT"));
}

TEST_F(TwoWindows, RecordWithoutDirectionSendsNothing)
{
    clsDataS s; // no direction set
    startA(s);
    pump(20);
    EXPECT_EQ(recA.events, QStringList{"OnError:送信ﾃﾞｰﾀが不正です。"});
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_EQ(a->protocolMode(), 0);
}

TEST_F(TwoWindows, EventsAreDeliveredAfterTheReceiveHandlerReturns)
{
    clsDataV v;
    v.initData();
    bool insideReceive = false;
    QObject::connect(serial.get(), &clsSerialController::OnEvent, [&](const QByteArray &, int, bool) {
        insideReceive = true;
    });
    QObject::connect(serial.get(), &clsSerialController::OnTranEnd, [&] { insideReceive = false; });
    bool sawNested = false;
    QObject::connect(a.get(), &clsProtocolController::OnVersion, [&](bool) { sawNested = insideReceive; });
    startA(v);
    port->feed(withBcc(QByteArray("\x02RVRDX-9           \x03", 20)));
    EXPECT_TRUE(recA.events.isEmpty()); // nothing raised inside the feed
    pump(20);
    EXPECT_EQ(recA.events, (QStringList{"OnTranEnd", "OnVersion:1"}));
    EXPECT_FALSE(sawNested);
    EXPECT_EQ(v.version(), "RDX-9           ");
}

TEST_F(TwoWindows, WaitNoVisibleSkipsTheDialogOnce)
{
    clsDataV v;
    a->WaitNoVisible();
    startA(v);
    EXPECT_EQ(env.wait.showCount, 0);
    port->feed(QByteArray("\x15", 1)); // a lone NAK: rejected, no ACK
    pump(20);
    EXPECT_EQ(recA.events, QStringList{"OnError:受信ﾃﾞｰﾀが不正です。"});
    EXPECT_FALSE(port->written().contains('\x06'));
    startA(v);
    EXPECT_EQ(env.wait.showCount, 1);
}

// A lone ACK after blocks of a transfer is a broken-off transfer, not an
// empty one: it ends as a time-out, nothing is stored and nothing more is
// acknowledged.
TEST_F(TwoWindows, LoneAckAfterDemandBlocksEndsAsTimeOut)
{
    DemandDouble d;
    startA(d);
    port->feed(rd("2403150930", 0x17));
    port->feed(rd("2403151000", 0x17));
    pump(20);
    EXPECT_EQ(port->written().count('\x06'), 2);
    port->clearWritten();
    port->feed(QByteArray("\x06", 1));
    pump(20);
    EXPECT_EQ(recA.events, QStringList{"OnError:" + kTimeout});
    EXPECT_EQ(d.fires, 0);
    EXPECT_EQ(d.stages, 0);
    EXPECT_EQ(a->protocolMode(), 0);
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_FALSE(env.wait.shown);
    EXPECT_TRUE(recB.events.isEmpty());
}

TEST_F(TwoWindows, LoneAckAfterCustomerBlocksEndsAsTimeOut)
{
    clsDataC c;
    c.initData();
    startA(c);
    port->feed(withBcc(QByteArray("\x02RC123456789\x17")));
    pump(20);
    port->clearWritten();
    port->feed(QByteArray("\x06", 1));
    pump(20);
    EXPECT_EQ(recA.events, QStringList{"OnCustomer:0"});
    EXPECT_EQ(a->protocolMode(), 0);
    EXPECT_TRUE(port->written().isEmpty());

    // As the first reply a lone ACK still means an empty list.
    recA.events.clear();
    startA(c);
    port->feed(QByteArray("\x06", 1));
    pump(20);
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:読み出しデータはありません。", "OnTranEnd"}));
}

// The final block is acknowledged only after the record has staged what it
// received; when it cannot, the device is left holding the records.
TEST_F(TwoWindows, FinalDemandBlockIsNotAcknowledgedWhenStagingFails)
{
    DemandDouble d;
    d.stageCause = QStringLiteral("ディスクの空き領域が不足しています。");
    startA(d);
    port->feed(rd("2403150930", 0x17));
    pump(20);
    port->clearWritten();
    port->feed(rd("2403151000", 0x03));
    pump(20);
    EXPECT_EQ(d.stages, 1);
    EXPECT_EQ(d.fires, 0);
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_EQ(recA.events,
              QStringList{"OnError:受信したデータを保存できませんでした。データは機器に残っています。\n"
                          "ディスクの空き領域が不足しています。"});
    EXPECT_EQ(a->protocolMode(), 0);
    EXPECT_FALSE(env.wait.shown);

    // Staged: acknowledged, then stored.
    recA.events.clear();
    d.stageCause.clear();
    startA(d);
    port->feed(rd("2403151000", 0x03));
    pump(20);
    EXPECT_EQ(port->written().right(1), QByteArray("\x06", 1));
    EXPECT_EQ(d.stages, 2);
    EXPECT_EQ(d.fires, 1);
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
}

// An idle controller connected after the running one must not stop the reply
// timer the running one has just re-armed: the device falling silent in the
// middle of a transfer still ends it with the time-out.
TEST_F(TwoWindows, IdleControllerLeavesTheRunningTransfersTimerAlone)
{
    DemandDouble d;
    startA(d);
    port->feed(rd("2403150930", 0x17));
    ASSERT_TRUE(waitFor([&] { return !recA.events.isEmpty(); }, 3000));
    EXPECT_EQ(recA.events, QStringList{"OnError:" + kTimeout});
    EXPECT_TRUE(recB.events.isEmpty());

    // The same with the idle controller connected first.
    recA.events.clear();
    DemandDouble e;
    b->setData(&e);
    b->cont(&ownerB);
    port->feed(rd("2403150930", 0x17));
    ASSERT_TRUE(waitFor([&] { return !recB.events.isEmpty(); }, 3000));
    EXPECT_EQ(recB.events, QStringList{"OnError:" + kTimeout});
    EXPECT_TRUE(recA.events.isEmpty());
}

// A NAK inside a demand block cuts it off: the host never acknowledges what
// is not a record, it answers NAK and takes the block the device sends again.
TEST_F(TwoWindows, NakInsideADemandBlockIsAnsweredWithNakAndTheResendIsTaken)
{
    DemandDouble d;
    startA(d);
    port->clearWritten();
    port->feed(rd("2403150930", 0x17));
    const QByteArray second = rd("2403151000", 0x17);
    port->feed(second.left(9) + QByteArray("\x15", 1));
    pump(20);
    EXPECT_EQ(port->written(), QByteArray("\x06\x15", 2));
    EXPECT_TRUE(recA.events.isEmpty());
    EXPECT_EQ(a->protocolMode(), 3);
    port->feed(second);
    port->feed(rd("2403151030", 0x03));
    pump(20);
    EXPECT_EQ(port->written(), QByteArray("\x06\x15\x06\x06", 4));
    EXPECT_EQ(d.count(), 3);
    EXPECT_EQ(d.stages, 1);
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
    EXPECT_TRUE(ownerA.logs.isEmpty()) << "nothing was left out";
}

// A block that is no record, four times in a row (a lone NAK, a cut frame, a
// foreign frame): three NAKs, then the transfer ends as failed before any
// further ACK, so that a reader deletes nothing.
TEST_F(TwoWindows, FourBrokenBlocksInARowEndTheTransferAsATimeOut)
{
    DemandDouble d;
    d.reader = true;
    startA(d);
    port->feed(rd("2403150930", 0x17));
    pump(20);
    port->clearWritten();
    port->feed(QByteArray("\x15", 1));
    port->feed(QByteArray("\x02RD2403\x06", 8));
    port->feed(withBcc(QByteArray("\x02RC123456789\x17", 13)));
    pump(20);
    EXPECT_EQ(port->written(), QByteArray("\x15\x15\x15", 3));
    EXPECT_TRUE(recA.events.isEmpty());
    port->feed(QByteArray("\x15", 1));
    pump(20);
    EXPECT_EQ(recA.events, QStringList{"OnError:" + kTimeout});
    EXPECT_EQ(port->written(), QByteArray("\x15\x15\x15", 3)) << "no ACK, no fourth NAK";
    EXPECT_EQ(d.stages, 0);
    EXPECT_EQ(d.fires, 0);
    EXPECT_EQ(a->protocolMode(), 0);
    EXPECT_FALSE(env.wait.shown);
    EXPECT_TRUE(ownerA.logs.isEmpty());

    // A good block between refusals starts the count afresh.
    recA.events.clear();
    startA(d);
    port->clearWritten();
    for (int i = 0; i < 3; ++i)
        port->feed(QByteArray("\x15", 1));
    port->feed(rd("2403150930", 0x17));
    for (int i = 0; i < 3; ++i)
        port->feed(QByteArray("\x15", 1));
    port->feed(rd("2403151000", 0x03));
    pump(20);
    EXPECT_EQ(port->written(), QByteArray("\x15\x15\x15\x06\x15\x15\x15\x06", 8));
    EXPECT_EQ(recA.events, QStringList{"OnNext"});
    EXPECT_EQ(d.count(), 2);
}

// An ACK inside the first block is a broken transfer, not an empty one.
TEST_F(TwoWindows, AckInsideTheFirstBlockIsNoEmptyRead)
{
    DemandDouble d;
    startA(d);
    port->clearWritten();
    const QByteArray first = rd("2403150930", 0x17);
    port->feed(first.left(9) + QByteArray("\x06", 1));
    pump(20);
    EXPECT_TRUE(recA.events.isEmpty()) << recA.events.join('|').toStdString();
    EXPECT_EQ(port->written(), QByteArray("\x15", 1));
    EXPECT_EQ(d.blocksGiven, 0) << "a cut block is not handed to the record";
    for (int i = 0; i < 3; ++i)
        port->feed(first.left(9) + QByteArray("\x06", 1));
    pump(20);
    EXPECT_EQ(recA.events, QStringList{"OnError:" + kTimeout});
    EXPECT_EQ(d.stages, 0);
    EXPECT_FALSE(port->written().contains('\x06'));

    // A lone ACK that cuts nothing is still the device's "nothing to read".
    recA.events.clear();
    startA(d);
    port->feed(QByteArray("\x06", 1));
    pump(20);
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:読み出し件数は０件です。", "OnTranEnd"}));
}

// A record block with bad values whose resend is good: nothing left out.
TEST_F(TwoWindows, BadValuesCuredByTheResendAreStored)
{
    DemandDouble d;
    startA(d);
    port->clearWritten();
    port->feed(withBcc(QByteArray("\x02RD24031509x00123\x03", 18)));
    port->feed(rd("2403150930", 0x03));
    pump(20);
    EXPECT_EQ(port->written(), QByteArray("\x15\x06", 2));
    EXPECT_EQ(d.count(), 1);
    EXPECT_TRUE(ownerA.logs.isEmpty());
    EXPECT_EQ(recA.events, (QStringList{"OnEvent:読み込みは正常に終了しました。", "OnTranEnd"}));
}

// The customer-number list cut by an ACK or a NAK inside a block ends as a
// device that stopped answering, never as "no data" nor with a number lost.
TEST_F(TwoWindows, CustomerListCutInsideABlockEndsAsTimeOut)
{
    for (const char cutter : {'\x06', '\x15'}) {
        recA.events.clear();
        clsDataC c;
        c.initData();
        startA(c);
        port->clearWritten();
        port->feed(QByteArray("\x02RC1234", 7) + QByteArray(1, cutter));
        pump(20);
        EXPECT_EQ(recA.events, QStringList{"OnCustomer:0"}) << int(cutter);
        EXPECT_TRUE(port->written().isEmpty()) << int(cutter);
        EXPECT_EQ(a->protocolMode(), 0);
        EXPECT_TRUE(ownerA.logs.isEmpty());
    }
}
