// The serial link over the scripted port: Serial.ini, opening, the receive
// machine, the line-event table, sending, the reply and partial-frame timers.
#include "platform/codepage/codepage.h"
#include "platform/comm/mscomm.h"
#include "platform/comm/portpath.h"
#include "platform/comm/scriptedport.h"
#include "talvik/link/clsSerialController.h"
#include "tests/linkHarness.h"

#include <QFile>

using namespace talvik;
using namespace linktest;
using platform::comm::ScriptedPort;

namespace {

struct Block {
    QByteArray data;
    int count;
    bool ok;
    bool cut = false; // cutFrame() while the block was reported
};

struct SerialFixture : ::testing::Test {
    LinkEnv env;
    ScriptedPort *port = nullptr;
    std::unique_ptr<clsSerialController> serial;
    QList<Block> blocks;
    QStringList errors;
    int timeouts = 0;

    void SetUp() override
    {
        platform::comm::setComPortResolver(
            [](int n) { return n == 5 ? QStringLiteral("/dev/scripted5") : QString(); });
        platform::comm::setDefaultPortFactory([this] {
            auto p = std::make_unique<ScriptedPort>();
            port = p.get();
            return p;
        });
    }
    void TearDown() override
    {
        serial.reset();
        platform::comm::setDefaultPortFactory({});
        platform::comm::setComPortResolver({});
        clsSerialController::setVirtualPortProvider({});
    }
    void create()
    {
        serial = std::make_unique<clsSerialController>();
        QObject::connect(serial.get(), &clsSerialController::OnEvent,
                         [this](const QByteArray &d, int c, bool ok) { blocks.append({d, c, ok, serial->cutFrame()}); });
        QObject::connect(serial.get(), &clsSerialController::OnError, [this](const QString &m) { errors << m; });
        QObject::connect(serial.get(), &clsSerialController::OnTimeOut, [this] { ++timeouts; });
    }
    void openOn5()
    {
        create();
        serial->setPort(5);
        ASSERT_TRUE(serial->openPort());
        ASSERT_NE(port, nullptr);
    }
    void writeIni(const QString &text)
    {
        QFile f(env.home.path() + "/Serial.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(platform::codepage::toAnsi(text));
    }
};

} // namespace

TEST_F(SerialFixture, ReadIniDefaultsAndValues)
{
    create();
    EXPECT_EQ(serial->Port(), 0);
    EXPECT_EQ(serial->Bps(), "19200");
    EXPECT_EQ(serial->Parity(), "N");
    EXPECT_EQ(serial->Bit(), "8");
    EXPECT_EQ(serial->SBit(), "1");
    EXPECT_EQ(serial->Flow(), 0);

    writeIni(QStringLiteral("[通信設定]\r\nポート=17\r\nボーレート=4800\r\nパリティ=\r\nビット長=7\r\n"
                            "ストップビット=2\r\nフロー制御=x\r\n"));
    create();
    EXPECT_EQ(serial->Port(), 17);
    EXPECT_EQ(serial->Bps(), "4800");
    EXPECT_EQ(serial->Parity(), "N"); // empty value keeps the default
    EXPECT_EQ(serial->Bit(), "7");
    EXPECT_EQ(serial->SBit(), "2");
    EXPECT_EQ(serial->Flow(), 0); // not a number
}

TEST_F(SerialFixture, WriteIniStoresTheSixKeysInCp932)
{
    create();
    serial->setPort(3);
    serial->setBps("9600");
    serial->setParity("E");
    serial->setBit("7");
    serial->setSBit("2");
    serial->setFlow(2);
    ASSERT_TRUE(serial->WriteIni());
    QFile f(env.home.path() + "/Serial.ini");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), platform::codepage::toAnsi(QStringLiteral(
                               "[通信設定]\r\nポート=3\r\nボーレート=9600\r\nパリティ=E\r\nビット長=7\r\n"
                               "ストップビット=2\r\nフロー制御=2\r\n")));
    create(); // read back
    EXPECT_EQ(serial->Port(), 3);
    EXPECT_EQ(serial->Flow(), 2);
    EXPECT_EQ(serial->Parity(), "E");
}

TEST_F(SerialFixture, OpenPortAppliesSettingsAndAutomaticPort)
{
    create();
    serial->setFlow(3);
    // Port 0 and no watcher port: False at once, no message.
    EXPECT_FALSE(serial->openPort());
    EXPECT_EQ(port, nullptr);
    clsSerialController::setVirtualPortProvider([] { return 5; });
    ASSERT_TRUE(serial->openPort());
    EXPECT_TRUE(serial->IsOpen());
    EXPECT_EQ(port->openedPath(), "/dev/scripted5");
    EXPECT_EQ(port->settings().baudRate, 19200);
    EXPECT_EQ(port->handshake(), platform::comm::Handshake::RtsCtsXonXoff);
    EXPECT_TRUE(port->rts());
    EXPECT_EQ(serial->comm().MS_Comm.InputMode(), 1);
    EXPECT_EQ(serial->comm().MS_Comm.InBufferSize(), 1024);
    serial->closePort();
    EXPECT_FALSE(serial->IsOpen());
    // A port that refuses: False without a message.
    port->refuseOpen(platform::comm::OpenFailure::InUse);
    EXPECT_FALSE(serial->openPort());
    // A bad settings text: False without a message.
    port->refuseOpen(platform::comm::OpenFailure::None);
    serial->setBps("fast");
    EXPECT_FALSE(serial->openPort());
    EXPECT_TRUE(env.script.shown().isEmpty());
}

TEST_F(SerialFixture, ReceiveMachineCutsFrames)
{
    openOn5();
    // Noise while idle, then a frame; its BCC is not counted.
    const QByteArray rv("\x02RVT4KA 1.0        \x03", 20);
    port->feed("zz\x04" + withBcc(rv));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0].count, 20);
    EXPECT_EQ(blocks[0].data, rv);
    EXPECT_TRUE(blocks[0].ok);
    EXPECT_FALSE(serial->IsBusy());

    // Lone ACK and NAK are one-byte blocks; an ACK inside a frame ends it unreported.
    blocks.clear();
    port->feed(QByteArray("\x06", 1));
    port->feed(QByteArray("\x02RS12\x15", 6));
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_EQ(blocks[0].data, QByteArray("\x06", 1));
    EXPECT_EQ(blocks[1].data, QByteArray("\x15", 1));
    EXPECT_EQ(blocks[1].count, 1);
    // Only the byte that ended a frame in progress says so.
    EXPECT_FALSE(blocks[0].cut);
    EXPECT_TRUE(blocks[1].cut);
    EXPECT_FALSE(serial->cutFrame()) << "the mark lasts only while the byte is reported";

    // A second STX is dropped; the byte after ETX is the BCC whatever it is.
    blocks.clear();
    port->feed(QByteArray("\x02R\x02T\x03", 5));
    EXPECT_TRUE(serial->IsBusy());
    port->feed(QByteArray("\x02", 1));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0].data, QByteArray("\x02RT\x03", 4));
    EXPECT_FALSE(blocks[0].ok); // 02^52^54^03 != 02

    // A wrong BCC is delivered with ok False; ETB ends a block too.
    blocks.clear();
    const QByteArray rc("\x02RC123456789\x17", 13);
    port->feed(rc + QByteArray(1, char(withBcc(rc).back() ^ 1)));
    port->feed(withBcc(rc));
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_FALSE(blocks[0].ok);
    EXPECT_TRUE(blocks[1].ok);
    EXPECT_FALSE(blocks[0].cut || blocks[1].cut);

    // An ACK right after a whole frame's BCC, and one after the ETX (taken as
    // that frame's BCC), cut nothing; one after a first STX does.
    blocks.clear();
    port->feed(withBcc(rc) + QByteArray("\x06", 1));
    port->feed(QByteArray("\x02\x06", 2));
    ASSERT_EQ(blocks.size(), 3);
    EXPECT_FALSE(blocks[1].cut);
    EXPECT_TRUE(blocks[2].cut);
    EXPECT_EQ(blocks[2].data, QByteArray("\x06", 1));
}

TEST_F(SerialFixture, OverlongFrameKeepsItsFirst1024Bytes)
{
    openOn5();
    QByteArray big("\x02");
    big += QByteArray(1100, 'A');
    big += '\x03';
    const QByteArray wire = withBcc(big);
    for (int i = 0; i < wire.size(); i += 500)
        port->feed(wire.mid(i, 500));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0].count, 1024);
    EXPECT_FALSE(blocks[0].ok);
}

// The ETX of an overlong frame falls past the buffer; the byte after it must
// not make the cut frame good even when it equals the BCC of the kept part.
TEST_F(SerialFixture, OverrunFrameIsNeverGoodAndTheMachineResynchronises)
{
    openOn5();
    QByteArray kept("\x02");
    kept += QByteArray(1023, 'A');
    char bcc = 0;
    for (char c : kept)
        bcc ^= c;
    const QByteArray wire = kept + "BBB\x03" + QByteArray(1, bcc);
    for (int i = 0; i < wire.size(); i += 500)
        port->feed(wire.mid(i, 500));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0].count, 1024);
    EXPECT_FALSE(blocks[0].ok);
    EXPECT_FALSE(serial->IsBusy());
    // Exactly at the limit, the ETX being the last kept byte: whole and good.
    blocks.clear();
    QByteArray full("\x02");
    full += QByteArray(1022, 'C');
    full += '\x03';
    const QByteArray fullWire = withBcc(full);
    for (int i = 0; i < fullWire.size(); i += 500)
        port->feed(fullWire.mid(i, 500));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0].count, 1024);
    EXPECT_TRUE(blocks[0].ok) << "a frame that fits the buffer exactly is good";
    // The next frame is taken as usual.
    blocks.clear();
    const QByteArray rv("\x02RVT4KA 1.0        \x03", 20);
    port->feed(withBcc(rv));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_TRUE(blocks[0].ok);
    EXPECT_EQ(blocks[0].data, rv);
}

TEST_F(SerialFixture, LineEventTable)
{
    namespace ev = platform::comm::ev;
    const QList<QPair<int, QString>> table = {
        {ev::Send, QStringLiteral("送信ﾊﾞｯﾌｧ内のﾊﾞｲﾄ数が、指定ｻｲｽﾞよりも少なくなりました。")},
        {ev::EOFChar, QStringLiteral("EOF (End Of File) 文字 (ASCII 文字 26) を受信しました。")},
        {ev::Break, QStringLiteral("中断信号が受信されました。")},
        {ev::Frame, QStringLiteral("ﾌﾚｰﾑ ｴﾗｰです。")},
        {ev::Overrun, QStringLiteral("ﾎﾟｰﾄｵｰﾊﾞｰﾗﾝです。")},
        {ev::RxOver, QStringLiteral("受信ﾊﾞｯﾌｧｵｰﾊﾞｰﾌﾛｰです。")},
        {ev::RxParity, QStringLiteral("ﾊﾟﾘﾃｨｴﾗｰです。")},
        {ev::TxFull, QString()},
        {ev::DCB, QStringLiteral("ﾎﾟｰﾄのﾃﾞﾊﾞｲｽｺﾝﾄﾛｰﾙﾌﾞﾛｯｸ(DCB) で予期しないｴﾗｰが発生しました。")},
        {ev::CTSTimeout, QString()},
    };
    openOn5();
    for (const auto &[code, text] : table) {
        if (!serial->IsOpen()) {
            ASSERT_TRUE(serial->openPort());
        }
        port->feed(QByteArray("\x02RV", 3)); // a frame in progress is dropped
        errors.clear();
        port->raiseLineEvent(code);
        EXPECT_EQ(errors, QStringList{text}) << code;
        EXPECT_FALSE(serial->IsOpen()) << code;
        EXPECT_FALSE(serial->IsBusy()) << code;
    }
    // CTS, DSR, ring: the port closes without an event; carrier detect: nothing.
    for (int code : {ev::CTS, ev::DSR, ev::Ring}) {
        ASSERT_TRUE(serial->openPort());
        errors.clear();
        port->raiseLineEvent(code);
        EXPECT_TRUE(errors.isEmpty());
        EXPECT_FALSE(serial->IsOpen()) << code;
    }
    ASSERT_TRUE(serial->openPort());
    port->raiseLineEvent(ev::CD);
    EXPECT_TRUE(serial->IsOpen());
    EXPECT_TRUE(env.script.shown().isEmpty());
}

TEST_F(SerialFixture, SendDataAppendsBccAndChecksTheLine)
{
    openOn5();
    serial->sendData(QByteArray("\x02RV\x03", 4), 4);
    serial->sendAck();
    EXPECT_EQ(port->written(), QByteArray("\x02RV\x03\x05\x06", 6));
    // CTS not held: nothing is written.
    port->clearWritten();
    port->setCts(false);
    serial->sendData(QByteArray("\x02RV\x03", 4), 4);
    serial->sendAck();
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_EQ(errors, (QStringList{"ケーブルが接続されていません。", "ケーブルが接続されていません。"}));
}

TEST_F(SerialFixture, ALineThatHangsUpMidFrameEndsSilentlyAndIsToldOnce)
{
    openOn5();
    // A block and the start of the next arrive together, and the far end
    // goes right after the first: the line is found hung up while the rest
    // is taken. No layer error, the port closed, the half block dropped.
    QObject::connect(serial.get(), &clsSerialController::OnEvent, [this] {
        if (blocks.size() == 1)
            port->hangUp();
    });
    port->feed(withBcc(QByteArray("\x02RT2403150905\x03", 14)) + QByteArray("\x02RD0324031509300123", 20));
    EXPECT_TRUE(env.script.shown().isEmpty()) << env.script.prompts().join(u'/').toStdString();
    EXPECT_EQ(blocks.size(), 1);
    EXPECT_FALSE(serial->IsOpen());
    EXPECT_FALSE(serial->IsBusy());
    // The acknowledgement the transfer would send goes nowhere and is not
    // blamed on the cable: the reply timer tells the device gone.
    serial->sendAck();
    serial->sendData(QByteArray("\x02RV\x03", 4), 4);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_TRUE(serial->takeDeviceGone());
    EXPECT_FALSE(serial->takeDeviceGone());
    // Opened again, the line works.
    ASSERT_TRUE(serial->openPort());
    serial->sendAck();
    EXPECT_EQ(port->written(), QByteArray("\x06", 1));
    EXPECT_FALSE(serial->takeDeviceGone());
}

TEST_F(SerialFixture, OnlyTheDevicesGoingIsToldAsGone)
{
    namespace ev = platform::comm::ev;
    openOn5();
    for (int code : {ev::CTS, ev::Ring, ev::RxParity}) {
        if (!serial->IsOpen()) {
            ASSERT_TRUE(serial->openPort());
        }
        port->raiseLineEvent(code);
        EXPECT_FALSE(serial->IsOpen()) << code;
        EXPECT_FALSE(serial->takeDeviceGone()) << code;
    }
    // A port closed by the program has not lost its device.
    ASSERT_TRUE(serial->openPort());
    serial->closePort();
    EXPECT_FALSE(serial->takeDeviceGone());
    ASSERT_TRUE(serial->openPort());
    port->hangUp();
    EXPECT_FALSE(serial->IsOpen());
    EXPECT_TRUE(serial->takeDeviceGone());
}

TEST_F(SerialFixture, AutomaticPortLineFollowsTheWatcher)
{
    create();
    int watcherPort = 5;
    clsSerialController::setVirtualPortProvider([&] { return watcherPort; });
    ASSERT_TRUE(serial->openPort());
    EXPECT_TRUE(serial->checkLine());
    watcherPort = -1; // the watcher lost the adapter; the port still open
    EXPECT_FALSE(serial->checkLine());
}

TEST_F(SerialFixture, ReplyTimerFiresOncePerArming)
{
    openOn5();
    serial->setTimer(50);
    pump(300);
    EXPECT_EQ(timeouts, 1);
    serial->setTimer(100);
    serial->setTimer(0);
    pump(250);
    EXPECT_EQ(timeouts, 1);
}

TEST_F(SerialFixture, HalfFrameIsDroppedAfterTheGap)
{
    openOn5();
    port->feed(QByteArray("\x02RVT4", 5));
    EXPECT_TRUE(serial->IsBusy());
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(waitFor([&] { return !serial->IsBusy(); }, 4000));
    EXPECT_GE(t.elapsed(), 900);
    // The next frame is received whole.
    port->feed(withBcc(QByteArray("\x02RT2403150905\x03", 14)));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0].count, 14);
    EXPECT_TRUE(blocks[0].ok);
}

TEST_F(SerialFixture, HandlersGetACopyAndCannotCorruptTheNextFrame)
{
    openOn5();
    const QByteArray a = withBcc(QByteArray("\x02RC111111111\x17", 13));
    const QByteArray b = withBcc(QByteArray("\x02RC222222222\x03", 13));
    bool fed = false;
    QObject::connect(serial.get(), &clsSerialController::OnEvent, [&](const QByteArray &, int, bool) {
        EXPECT_FALSE(serial->IsBusy()); // idle before handlers run
        if (!fed) {
            fed = true;
            port->feed(b); // the next block arrives while the handler pumps
            pump(20);
        }
    });
    port->feed(a);
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_EQ(blocks[0].data, a.left(13));
    EXPECT_EQ(blocks[1].data, b.left(13));
    EXPECT_TRUE(blocks[1].ok);
}
