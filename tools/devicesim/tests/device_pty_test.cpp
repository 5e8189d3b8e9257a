// The stand-in device on a real pseudo-terminal, driven by a raw test host.
#include "tools/devicesim/simulator.h"
#include "tools/devicesim/tests/rawclient.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace devicesim;
using devicesim::test::RawClient;
using devicesim::test::Reply;

namespace {

const QDateTime kEnd(QDate(2024, 3, 15), QTime(9, 30), Qt::UTC);

class Bench {
public:
    explicit Bench(Model model, int customers = -1, int days = 1)
    {
        DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = days;
        cfg.seed = 11;
        cfg.end = kEnd;
        link = dir.filePath(QStringLiteral("ttyDEV"));
        sim = std::make_unique<DeviceSimulator>(cfg);
        sim->device().setAckTimeout(400);
        QString err;
        started = sim->start(link, &err);
        EXPECT_TRUE(started) << err.toStdString();
        client = std::make_unique<RawClient>(link);
        EXPECT_TRUE(client->isOpen());
    }
    Device &dev() { return sim->device(); }
    RawClient &host() { return *client; }

    // One request, one reply.
    Reply ask(const QByteArray &text, int timeoutMs = 1000)
    {
        client->sendFrame(text);
        return client->read(timeoutMs);
    }

    QTemporaryDir dir;
    QString link;
    std::unique_ptr<DeviceSimulator> sim;
    std::unique_ptr<RawClient> client;
    bool started = false;
};

bool isLink(const QString &path)
{
    struct stat st {};
    return ::lstat(path.toLocal8Bit().constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

QByteArray clockText(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyMMddHHmm")).toLatin1();
}

} // namespace

// ---------------------------------------------------------------- the link

TEST(PtyLink, LinkFollowsThePlug)
{
    Bench b(Model::T4KA);
    ASSERT_TRUE(isLink(b.link));
    EXPECT_EQ(QFileInfo(b.link).symLinkTarget(), b.sim->slavePath());
    EXPECT_EQ(b.ask("RV").kind, Reply::Frame);   // bytes pass both ways

    b.sim->unplug();
    EXPECT_FALSE(QFileInfo::exists(b.link));
    EXPECT_FALSE(isLink(b.link));
    EXPECT_TRUE(b.host().waitHangup(1000));

    ASSERT_TRUE(b.sim->replug());
    ASSERT_TRUE(isLink(b.link));
    RawClient again(b.link);
    again.sendFrame("RV");
    EXPECT_EQ(again.read().text(), QByteArray("RV") + versionTextOf(Model::T4KA));

    b.sim.reset();   // destruction removes the link too
    EXPECT_FALSE(isLink(b.link));
}

TEST(PtyLink, ReplacesStaleLinkButNoOtherFile)
{
    QTemporaryDir dir;
    const QString stale = dir.filePath("stale");
    ASSERT_EQ(::symlink("/nonexistent/pts", stale.toLocal8Bit().constData()), 0);
    PtyLink a;
    ASSERT_TRUE(a.open(stale));
    EXPECT_EQ(QFileInfo(stale).symLinkTarget(), a.slavePath());
    a.close();
    EXPECT_FALSE(isLink(stale));

    const QString plain = dir.filePath("plain");
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep");
    f.close();
    PtyLink b;
    QString err;
    EXPECT_FALSE(b.open(plain, &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(QFileInfo(plain).size(), 4);
}

TEST(PtyLink, BytesPassRawBothWays)
{
    // CR, LF, XON/XOFF and 0xFF must arrive unchanged and without echo.
    Bench b(Model::T4KA);
    const QByteArray odd("\x0D\x0A\x11\x13\xFF\x7F", 6);
    QByteArray got;
    QObject::connect(&b.sim->pty(), &PtyLink::bytesReceived, [&](const QByteArray &x) { got += x; });
    b.host().sendRaw(odd);
    test::pump(100);
    EXPECT_EQ(got, odd);
    b.sim->pty().write(odd);
    EXPECT_EQ(b.host().readRaw(150), odd);
}

// ---------------------------------------------------------------- version

class VersionPerModel : public ::testing::TestWithParam<Model> {};

TEST_P(VersionPerModel, AnswersRV)
{
    Bench b(GetParam());
    const Reply r = b.ask("RV");
    ASSERT_EQ(r.kind, Reply::Frame);
    EXPECT_TRUE(r.bccOk);
    EXPECT_EQ(r.bytes.size(), 20);
    EXPECT_EQ(r.text(), QByteArray("RV") + versionTextOf(GetParam()));
    EXPECT_EQ(r.end(), ETX);
}

INSTANTIATE_TEST_SUITE_P(Models, VersionPerModel,
                         ::testing::Values(Model::Reader, Model::T4KA10, Model::T4KA, Model::T4KB,
                                           Model::T6KA, Model::Unknown));

TEST(Version, SilentAndUnknownDevices)
{
    Bench silent(Model::Silent);
    EXPECT_EQ(silent.ask("RV", 300).kind, Reply::None);
    EXPECT_EQ(silent.dev().requests().size(), 1);   // it heard the request

    Bench unknown(Model::Unknown);
    EXPECT_EQ(unknown.ask("RSA").kind, Reply::Nak);
    EXPECT_EQ(unknown.ask("RC").kind, Reply::Nak);
}

TEST(Requests, BadBccLengthOrCommandGetNak)
{
    Bench b(Model::T4KA);
    b.host().sendRaw(QByteArray("\x02RV\x03\x00", 5));   // wrong BCC
    EXPECT_EQ(b.host().read().kind, Reply::Nak);
    EXPECT_EQ(b.ask("RVX").kind, Reply::Nak);
    EXPECT_EQ(b.ask("QQ").kind, Reply::Nak);
    EXPECT_EQ(b.ask("RV").kind, Reply::Frame);   // still serving
    b.host().sendAck();                          // a stray ACK is ignored
    EXPECT_EQ(b.host().read(200).kind, Reply::None);
}

// ---------------------------------------------------------------- settings

struct SettingsCase {
    Model model;
    QByteArray read, write;
    QByteArray newText;
    QByteArray badText;
};

class SettingsRoundTrip : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsRoundTrip, ReadWriteRead)
{
    const SettingsCase c = GetParam();
    Bench b(c.model);
    Reply r = b.ask(c.read);
    ASSERT_EQ(r.kind, Reply::Frame);
    EXPECT_TRUE(r.bccOk);
    EXPECT_EQ(r.text(), c.read + defaultSettingsText(settingsLayoutOf(c.model)));

    EXPECT_EQ(b.ask(c.write + c.newText).kind, Reply::Ack);
    r = b.ask(c.read);
    EXPECT_EQ(r.text(), c.read + c.newText);

    EXPECT_EQ(b.ask(c.write + c.badText).kind, Reply::Nak);
    EXPECT_EQ(b.ask(c.write + c.newText.left(c.newText.size() - 1)).kind, Reply::Nak);   // short
    EXPECT_EQ(b.ask(c.read).text(), c.read + c.newText);   // refused writes changed nothing

    // The other layouts are not this model's.
    for (const QByteArray &other : {QByteArray("RS"), QByteArray("RSA"), QByteArray("RSB")}) {
        if (other != c.read) {
            EXPECT_EQ(b.ask(other).kind, Reply::Nak) << other.constData();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SettingsRoundTrip,
    ::testing::Values(
        SettingsCase{Model::T4KA10, "RS", "WS", "0950" "3" "15" "2" "0" "2", "1805" "3" "15" "2" "0" "2"},
        SettingsCase{Model::T4KA, "RSA", "WSA", "1200" "595" "05" "100", "1200" "600" "05" "100"},
        SettingsCase{Model::T4KB, "RSA", "WSA", "0000" "005" "15" "000", "0000" "005" "04" "000"},
        SettingsCase{Model::T6KA, "RSB", "WSB",
                     QByteArray("4500" "200" "03" "070" "02000") + QByteArray(15, ' '),
                     QByteArray("4500" "200" "03" "070" "12345") + QByteArray(15, ' ')}));

TEST(Settings, ReservedBytesOfRsbAreBlanks)
{
    Bench b(Model::T6KA);
    EXPECT_EQ(b.ask(QByteArray("WSB" "3000" "150" "05" "090" "50000") + QByteArray(15, 'Z')).kind, Reply::Ack);
    const Reply r = b.ask("RSB");
    ASSERT_EQ(r.bytes.size(), 37);
    EXPECT_EQ(r.bytes.mid(21, 15), QByteArray(15, ' '));
}

TEST(Settings, ReaderHasNone)
{
    Bench b(Model::Reader);
    EXPECT_EQ(b.ask("RS").kind, Reply::Nak);
    EXPECT_EQ(b.ask("WSA" "2500" "100" "10" "080").kind, Reply::Nak);
}

// ---------------------------------------------------------------- clock

TEST(Clock, SetRunsOnAndRejectsBadFields)
{
    Bench b(Model::T4KB);
    const QDateTime set(QDate(2024, 3, 15), QTime(9, 5), Qt::UTC);
    EXPECT_EQ(b.ask("WT" + clockText(set)).kind, Reply::Ack);
    Reply r = b.ask("RT");
    ASSERT_EQ(r.kind, Reply::Frame);
    EXPECT_TRUE(r.bccOk);
    ASSERT_EQ(r.bytes.size(), 14);
    EXPECT_EQ(r.text(), "RT" + clockText(set));
    EXPECT_LE(qAbs(b.dev().clock().secsTo(set)), 2);

    // Runs on from the set time.
    b.dev().setClock(set.addSecs(-1));
    test::pump(1100);
    EXPECT_EQ(b.ask("RT").text(), "RT" + clockText(set));

    for (const QByteArray &bad : {QByteArray("2413150905"), QByteArray("2302290905"), QByteArray("2403152400"),
                                 QByteArray("2403150960"), QByteArray("2400150905"), QByteArray("24031509x5")})
        EXPECT_EQ(b.ask("WT" + bad).kind, Reply::Nak) << bad.constData();
    EXPECT_EQ(b.ask("WT" "2402291230").kind, Reply::Ack);   // leap day
    EXPECT_EQ(b.ask("RT").text(), QByteArray("RT" "2402291230"));
}

// ---------------------------------------------------------------- customers

TEST(Customers, ReaderListsEveryNumber)
{
    Bench b(Model::Reader, 3);
    b.host().sendFrame("RC");
    const auto blocks = b.host().readTransfer();
    ASSERT_EQ(blocks.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(blocks[i].bccOk);
        EXPECT_EQ(blocks[i].bytes.size(), 13);
        EXPECT_EQ(blocks[i].bytes.mid(1, 2), QByteArray("RC"));
        EXPECT_EQ(blocks[i].bytes.mid(3, 9), b.dev().customers()[i].number);
        EXPECT_EQ(blocks[i].end(), i < 2 ? ETB : ETX);
    }
    test::pump(50);   // the last ACK reaches the device
    EXPECT_EQ(b.dev().completedTransfers(), 1);
}

TEST(Customers, NoneOneAndWrite)
{
    Bench empty(Model::Reader, 0);
    EXPECT_EQ(empty.ask("RC").kind, Reply::Ack);
    EXPECT_EQ(empty.ask("WC" "000012345").kind, Reply::Ack);
    EXPECT_EQ(empty.ask("WC" "000012345").kind, Reply::Ack);   // no duplicate
    Reply r = empty.ask("RC");
    EXPECT_EQ(r.text(), QByteArray("RC" "000012345"));
    EXPECT_EQ(r.end(), ETX);
    EXPECT_EQ(empty.dev().customers().size(), 1);
    EXPECT_EQ(empty.ask("RD" "000012345" "0").kind, Reply::Ack);   // known, but no records

    Bench det(Model::T6KA, 0);
    EXPECT_EQ(det.ask("RC").kind, Reply::Ack);
    EXPECT_EQ(det.ask("WC" "12345678").kind, Reply::Nak);
    EXPECT_EQ(det.ask("WC" "12345678X").kind, Reply::Nak);
    EXPECT_EQ(det.ask("WC" "987654321").kind, Reply::Ack);
    r = det.ask("RC");
    EXPECT_EQ(r.text(), QByteArray("RC" "987654321"));
    EXPECT_EQ(r.end(), ETX);
    det.host().sendAck();
    EXPECT_EQ(det.ask("WC" "111111111").kind, Reply::Ack);   // a detector keeps one number
    EXPECT_EQ(det.ask("RC").text(), QByteArray("RC" "111111111"));
}

// ---------------------------------------------------------------- demand records

TEST(Demand, DetectorSendsBlockByBlockOnAck)
{
    Bench b(Model::T4KA10, 1, 1);
    b.host().sendFrame("RD");
    Reply first = b.host().read();
    ASSERT_EQ(first.kind, Reply::Frame);
    // Without an ACK the next block does not come.
    EXPECT_TRUE(b.host().readRaw(200).isEmpty());
    b.host().sendAck();
    auto rest = b.host().readTransfer();
    rest.prepend(first);
    const auto &records = b.dev().customers()[0].records;
    ASSERT_EQ(rest.size(), 48);
    ASSERT_EQ(records.size(), 48);
    for (int i = 0; i < 48; ++i) {
        const Reply &r = rest[i];
        ASSERT_EQ(r.bytes.size(), 18) << i;
        EXPECT_TRUE(r.bccOk);
        EXPECT_EQ(r.bytes.mid(1, 2), QByteArray("RD"));
        EXPECT_EQ(r.bytes.mid(3, 10), clockText(records[i].stamp));
        EXPECT_EQ(r.bytes.mid(13, 4).toInt(), records[i].watt);
        EXPECT_EQ(r.end(), i < 47 ? ETB : ETX);
    }
    EXPECT_EQ(rest.last().bytes.mid(3, 10), QByteArray("2403150930"));
    EXPECT_EQ(rest.first().bytes.mid(3, 10), QByteArray("2403141000"));
    // The records stay on a detector.
    test::pump(50);
    EXPECT_EQ(b.dev().customers()[0].records.size(), 48);
    EXPECT_EQ(b.dev().completedTransfers(), 1);
    EXPECT_EQ(b.ask("RD" "000000000" "0").kind, Reply::Nak);   // the reader's form
}

TEST(Demand, NakResendsTheSameBlockThenGivesUp)
{
    Bench b(Model::T6KA, 1, 1);
    b.host().sendFrame("RD");
    const Reply one = b.host().read();
    b.host().sendAck();
    const Reply two = b.host().read();
    ASSERT_EQ(two.kind, Reply::Frame);
    EXPECT_NE(two.bytes, one.bytes);
    for (int i = 0; i < Device::kMaxResends; ++i) {
        b.host().sendNak();
        EXPECT_EQ(b.host().read().bytes, two.bytes) << i;
    }
    b.host().sendNak();   // one NAK too many
    EXPECT_TRUE(b.host().readRaw(200).isEmpty());
    EXPECT_FALSE(b.dev().isTransferring());
    EXPECT_EQ(b.dev().abandonedTransfers(), 1);
    b.host().sendAck();   // too late: ignored
    EXPECT_TRUE(b.host().readRaw(100).isEmpty());
}

TEST(Demand, NoAckAbandonsAndANewRequestInterrupts)
{
    Bench b(Model::T4KB, 1, 1);
    b.host().sendFrame("RD");
    ASSERT_EQ(b.host().read().kind, Reply::Frame);
    test::pump(600);   // ACK time-out is 400 ms here
    EXPECT_FALSE(b.dev().isTransferring());
    EXPECT_EQ(b.dev().abandonedTransfers(), 1);

    b.host().sendFrame("RD");
    ASSERT_EQ(b.host().read().kind, Reply::Frame);
    EXPECT_TRUE(b.dev().isTransferring());
    EXPECT_EQ(b.ask("RV").kind, Reply::Frame);
    EXPECT_FALSE(b.dev().isTransferring());
}

TEST(Demand, ReaderDeletesAfterAFullRead)
{
    Bench b(Model::Reader, 3, 1);
    const QByteArray keep = b.dev().customers()[0].number;
    const QByteArray drop = b.dev().customers()[1].number;

    b.host().sendFrame("RD" + keep + "0");
    EXPECT_EQ(b.host().readTransfer().size(), 48);
    EXPECT_EQ(b.dev().customers()[0].records.size(), 48);

    // Delete flag, but the host stops after two blocks: nothing is deleted.
    b.host().sendFrame("RD" + drop + "1");
    ASSERT_EQ(b.host().read().kind, Reply::Frame);
    b.host().sendAck();
    ASSERT_EQ(b.host().read().kind, Reply::Frame);
    test::pump(600);
    EXPECT_EQ(b.dev().customers()[1].records.size(), 48);

    // A full read with the flag deletes them once the last block is acknowledged.
    b.host().sendFrame("RD" + drop + "1");
    const auto blocks = b.host().readTransfer();
    ASSERT_EQ(blocks.size(), 48);
    test::pump(50);
    EXPECT_TRUE(b.dev().customers()[1].records.isEmpty());
    EXPECT_EQ(b.ask("RD" + drop + "0").kind, Reply::Ack);   // nothing left
    EXPECT_EQ(b.dev().customers()[1].number, drop);          // the number stays
    EXPECT_EQ(b.dev().customers()[2].records.size(), 48);

    // Each customer has a curve of its own over the same time range.
    b.host().sendFrame("RD" + b.dev().customers()[2].number + "0");
    const auto third = b.host().readTransfer();
    ASSERT_EQ(third.size(), 48);
    EXPECT_EQ(third.first().bytes.mid(3, 10), blocks.first().bytes.mid(3, 10));
    int differ = 0;
    for (int i = 0; i < 48; ++i)
        differ += third[i].bytes.mid(13, 4) != blocks[i].bytes.mid(13, 4);
    EXPECT_GT(differ, 24);

    EXPECT_EQ(b.ask("RD" "999999999" "0").kind, Reply::Ack);   // unknown number
    EXPECT_EQ(b.ask("RD").kind, Reply::Nak);                   // the detector's form
    EXPECT_EQ(b.ask("RD" + keep + "2").kind, Reply::Nak);      // bad flag
}

// ---------------------------------------------------------------- faults on the wire

TEST(Faults, FrameFaults)
{
    Bench b(Model::T4KA);
    const QByteArray good = makeFrame(QByteArray("RV") + versionTextOf(Model::T4KA));

    b.dev().faults().add(*parseFault("RV:badbcc"));
    Reply r = b.ask("RV");
    EXPECT_EQ(r.kind, Reply::Frame);
    EXPECT_FALSE(r.bccOk);
    EXPECT_EQ(r.bytes, good.left(20));
    b.dev().faults().clear();

    b.dev().faults().add(*parseFault("RV:garbage"));
    b.host().sendFrame("RV");
    QByteArray raw = b.host().readRaw(150);
    EXPECT_FALSE(raw.isEmpty());
    for (char c : {STX, ETX, ETB, ACK, NAK})
        EXPECT_FALSE(raw.contains(c));
    b.dev().faults().clear();

    b.dev().faults().add(*parseFault("RV:partial"));
    b.host().sendFrame("RV");
    raw = b.host().readRaw(200);
    EXPECT_EQ(raw, good.left(10));   // STX and half of the text
    EXPECT_FALSE(raw.contains(ETX));
    b.dev().faults().clear();

    b.dev().faults().add(*parseFault("RV:noise"));
    b.host().sendFrame("RV");
    raw = b.host().readRaw(150);
    EXPECT_TRUE(raw.endsWith(good));
    EXPECT_NE(raw.at(0), STX);
    b.dev().faults().clear();

    for (const char *text : {"RV:ackinframe", "RV:nakinframe"}) {
        b.dev().faults().add(*parseFault(text));
        b.host().sendFrame("RV");
        raw = b.host().readRaw(150);
        EXPECT_EQ(raw.left(10), good.left(10)) << text;
        EXPECT_EQ(raw.size(), 11) << text;
        EXPECT_EQ(raw.back(), QByteArray(text).contains("ack") ? ACK : NAK) << text;
        b.dev().faults().clear();
    }

    b.dev().faults().add(*parseFault("RV:dupstx"));
    b.host().sendFrame("RV");
    raw = b.host().readRaw(150);
    EXPECT_EQ(raw.count(STX), 2);
    EXPECT_EQ(raw.size(), good.size() + 1);
    raw.remove(10, 1);
    EXPECT_EQ(raw, good);   // the BCC is over the frame without the extra STX
    b.dev().faults().clear();

    b.dev().faults().add(*parseFault("RV:oversize"));
    b.host().sendFrame("RV");
    raw = b.host().readRaw(200);
    EXPECT_GT(raw.size(), kMaxFrameBytes + 2);
    EXPECT_EQ(bcc(raw), 0);   // well formed apart from its length
    EXPECT_EQ(raw.at(raw.size() - 2), ETX);
    b.dev().faults().clear();

    b.dev().faults().add(*parseFault("RV:silence"));
    EXPECT_EQ(b.ask("RV", 300).kind, Reply::None);
    b.dev().faults().clear();
    EXPECT_EQ(b.ask("RV").bytes, good.left(20));   // and back to normal
}

TEST(Faults, DelayPastTheHostsTimeout)
{
    Bench b(Model::T4KA);
    b.dev().faults().add(*parseFault("RV:delay:1150"));
    b.host().sendFrame("RV");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(b.host().read(1000).kind, Reply::None);
    const Reply r = b.host().read(1000);
    EXPECT_EQ(r.kind, Reply::Frame);
    EXPECT_TRUE(r.bccOk);
    EXPECT_GE(t.elapsed(), 1100);
}

TEST(Faults, NakCountsAndAlwaysNak)
{
    Bench b(Model::T4KA);
    const QByteArray ws = QByteArray("WSA") + "1200" "100" "10" "080";
    b.dev().faults().add(*parseFault("WSA:nak:3"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(b.ask(ws).kind, Reply::Nak) << i;
    EXPECT_EQ(b.ask(ws).kind, Reply::Ack);
    EXPECT_EQ(b.dev().settingsText(), QByteArray("1200" "100" "10" "080"));

    b.dev().faults().add(*parseFault("WT:alwaysnak"));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(b.ask("WT" "2403150905").kind, Reply::Nak) << i;
    EXPECT_EQ(b.ask("RT").kind, Reply::Frame);   // other commands unaffected

    // Faults on a one-byte reply: silence swallows the ACK.
    b.dev().faults().add(*parseFault("WSA:silence"));
    EXPECT_EQ(b.ask(ws, 300).kind, Reply::None);
}

TEST(Faults, BlockFaultsInARecordTransfer)
{
    Bench b(Model::T4KA, 1, 1);
    b.dev().faults().add(*parseFault("RD:badfield@2"));
    b.dev().faults().add(*parseFault("RD:badbcc@3x1"));
    b.host().sendFrame("RD");
    Reply r1 = b.host().read();
    EXPECT_TRUE(r1.bccOk);
    EXPECT_NE(r1.bytes.mid(5, 2), QByteArray("00"));
    b.host().sendAck();
    Reply r2 = b.host().read();
    EXPECT_TRUE(r2.bccOk);
    EXPECT_EQ(r2.bytes.mid(5, 2), QByteArray("00"));   // month 00, BCC right
    b.host().sendAck();
    Reply r3 = b.host().read();
    EXPECT_FALSE(r3.bccOk);
    b.host().sendNak();                               // our raw host asks again
    Reply again = b.host().read();
    EXPECT_TRUE(again.bccOk);                         // the fault fired once
    EXPECT_EQ(again.bytes, r3.bytes);

    Bench rt(Model::T6KA);
    rt.dev().faults().add(*parseFault("RT:badfield"));
    EXPECT_EQ(rt.ask("RT").bytes.mid(5, 2), QByteArray("13"));
    rt.dev().faults().clear();
    rt.dev().faults().add(*parseFault("RT:badfield:9=24"));
    EXPECT_EQ(rt.ask("RT").bytes.mid(9, 2), QByteArray("24"));
}

TEST(Faults, UnplugInTheMiddleOfATransfer)
{
    Bench b(Model::Reader, 2, 1);
    bool unplugged = false;
    QObject::connect(b.sim.get(), &DeviceSimulator::unplugged, [&] { unplugged = true; });
    const QByteArray number = b.dev().customers()[0].number;
    b.dev().faults().add(*parseFault("RD:unplug@3"));
    b.host().sendFrame("RD" + number + "1");
    ASSERT_EQ(b.host().read().kind, Reply::Frame);
    b.host().sendAck();
    ASSERT_EQ(b.host().read().kind, Reply::Frame);
    b.host().sendAck();
    const QByteArray half = b.host().readRaw(150);
    EXPECT_EQ(half.size(), 9);
    EXPECT_EQ(half.at(0), STX);
    EXPECT_TRUE(b.host().waitHangup(1000));
    EXPECT_TRUE(unplugged);
    EXPECT_FALSE(b.sim->isPlugged());
    EXPECT_FALSE(isLink(b.link));
    EXPECT_EQ(b.dev().customers()[0].records.size(), 48);   // an interrupted read deletes nothing
}

TEST(Faults, WildcardHitsEveryCommand)
{
    Bench b(Model::T4KA10);
    b.dev().faults().add(*parseFault("*:badbcc"));
    EXPECT_FALSE(b.ask("RV").bccOk);
    EXPECT_FALSE(b.ask("RS").bccOk);
    EXPECT_FALSE(b.ask("RT").bccOk);
}

// ---------------------------------------------------------------- log

TEST(Log, EveryFrameInBothDirections)
{
    Bench b(Model::T4KA);
    b.ask("RV");
    b.host().sendRaw(QByteArray("\x01\x01", 2));
    b.ask("RT");
    const auto &log = b.dev().log();
    ASSERT_GE(log.size(), 5);
    EXPECT_EQ(log[0].direction, LogEntry::In);
    EXPECT_EQ(log[0].bytes, makeFrame("RV"));
    EXPECT_EQ(log[1].direction, LogEntry::Out);
    EXPECT_EQ(log[1].bytes, makeFrame(QByteArray("RV") + versionTextOf(Model::T4KA)));
    EXPECT_EQ(log[2].note, QStringLiteral("noise"));
    EXPECT_EQ(log[2].bytes, QByteArray("\x01\x01", 2));
    EXPECT_TRUE(formatLogEntry(log[0]).endsWith(QStringLiteral("RX 02 52 56 03 05")));
    EXPECT_TRUE(formatLogEntry(log[1]).contains(QStringLiteral("TX 02 52 56 54 34 4B 41")));
    EXPECT_EQ(b.dev().requests(), (QList<QByteArray>{QByteArray("\x02RV\x03"), QByteArray("\x02RT\x03")}));
}
