// The serial port control over the scripted port (line events, buffers,
// errors) and over a real pseudo-terminal (bytes both ways, CTS held).
#include "platform/comm/mscomm.h"
#include "platform/comm/portpath.h"
#include "platform/comm/scriptedport.h"
#include "platform/runtime/runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace platform::comm;

namespace {

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const platform::RuntimeError &e) {
        return e.Number();
    }
    return 0;
}

// An MSComm whose port is a scripted port, COM 5 -> "/dev/scripted5".
struct ScriptedComm : ::testing::Test {
    MSComm comm;
    ScriptedPort *port = nullptr;
    QList<int> events;

    void SetUp() override
    {
        setComPortResolver([](int n) { return n == 5 ? QStringLiteral("/dev/scripted5") : QString(); });
        comm.setPortFactory([this] {
            auto p = std::make_unique<ScriptedPort>();
            port = p.get();
            return p;
        });
        QObject::connect(&comm, &MSComm::OnComm, [this] { events.append(comm.CommEvent()); });
    }
    void TearDown() override { setComPortResolver({}); }

    void openCom5()
    {
        comm.setCommPort(5);
        comm.setSettings(QStringLiteral("19200,E,7,2"));
        comm.setRThreshold(1);
        comm.setPortOpen(true);
    }
};

} // namespace

TEST(LineSettingsTest, ParsesTheSettingsText)
{
    LineSettings s;
    ASSERT_TRUE(LineSettings::parse(QStringLiteral("19200,N,8,1"), s));
    EXPECT_EQ(s.baudRate, 19200);
    EXPECT_EQ(s.parity, Parity::None);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, StopBits::One);
    ASSERT_TRUE(LineSettings::parse(QStringLiteral("300,o,7,2"), s));
    EXPECT_EQ(s.parity, Parity::Odd);
    EXPECT_EQ(s.stopBits, StopBits::Two);
    for (const char *bad : {"", "19200,N,8", "abc,N,8,1", "19200,X,8,1", "19200,N,9,1", "19200,N,8,3",
                            "-5,N,8,1", "19200,N,8,1,1"})
        EXPECT_FALSE(LineSettings::parse(QString::fromLatin1(bad), s)) << bad;
}

TEST(PortPathTest, FixedNumbersAndResolver)
{
    EXPECT_EQ(fixedComPortPath(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(fixedComPortPath(4), QStringLiteral("/dev/ttyS3"));
    EXPECT_TRUE(fixedComPortPath(5).isEmpty());
    EXPECT_TRUE(fixedComPortPath(0).isEmpty());
    setComPortResolver([](int n) { return QStringLiteral("/x/%1").arg(n); });
    EXPECT_EQ(comPortPath(7), QStringLiteral("/x/7"));
    setComPortResolver({});
    EXPECT_EQ(comPortPath(0), QString()); // the port map has no COM 0
}

TEST_F(ScriptedComm, OpensWithSettingsHandshakeAndRts)
{
    comm.setHandshaking(3);
    comm.setRTSEnable(true);
    openCom5();
    ASSERT_TRUE(comm.PortOpen());
    EXPECT_EQ(port->openedPath(), QStringLiteral("/dev/scripted5"));
    EXPECT_EQ(port->settings().baudRate, 19200);
    EXPECT_EQ(port->settings().parity, Parity::Even);
    EXPECT_EQ(port->settings().dataBits, 7);
    EXPECT_EQ(port->handshake(), Handshake::RtsCtsXonXoff);
    EXPECT_TRUE(port->rts());
    comm.setPortOpen(false);
    EXPECT_FALSE(comm.PortOpen());
    comm.setPortOpen(false); // closing a closed port is no error
}

TEST_F(ScriptedComm, PropertyAndOpenErrors)
{
    EXPECT_EQ(errorOf([&] { comm.setSettings(QStringLiteral("fast")); }), err::InvalidPropertyValue);
    EXPECT_EQ(comm.Settings(), QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(errorOf([&] { comm.setHandshaking(4); }), err::InvalidPropertyValue);
    EXPECT_EQ(errorOf([&] { comm.setCommPort(0); }), err::InvalidPortNumber);
    EXPECT_EQ(errorOf([&] { comm.setInBufferCount(3); }), err::InvalidPropertyValue);
    comm.setCommPort(6); // no device behind it
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), err::InvalidPortNumber);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(errorOf([&] { comm.Output("x"); }), err::PortNotOpen);
    EXPECT_EQ(errorOf([&] { (void)comm.CTSHolding(); }), err::PortNotOpen);
    EXPECT_EQ(errorOf([&] { (void)comm.Input(); }), err::PortNotOpen);

    comm.setCommPort(5);
    comm.setPortOpen(true);
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), err::PortAlreadyOpen);
    EXPECT_EQ(errorOf([&] { comm.setCommPort(5); }), err::PortAlreadyOpen);
    EXPECT_EQ(errorOf([&] { comm.setInBufferSize(10); }), err::PortAlreadyOpen);
    comm.setPortOpen(false);
    port->refuseOpen(OpenFailure::InUse);
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), err::PortAlreadyOpen);
    port->refuseOpen(OpenFailure::Other);
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), err::DeviceNotAvailable);
}

TEST_F(ScriptedComm, ReceiveNotificationAndInput)
{
    openCom5();
    port->feed(QByteArray("\x02RV", 3));
    ASSERT_EQ(events, QList<int>{ev::Receive});
    EXPECT_EQ(comm.InBufferCount(), 3);
    comm.setInputLen(1);
    EXPECT_EQ(comm.Input(), QByteArray("\x02", 1));
    EXPECT_EQ(comm.InBufferCount(), 2);
    comm.setInputLen(0);
    EXPECT_EQ(comm.Input(), QByteArray("RV"));
    EXPECT_EQ(comm.Input(), QByteArray());

    // RThreshold 0: bytes are kept but not announced.
    events.clear();
    comm.setRThreshold(0);
    port->feed("abc");
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(comm.InBufferCount(), 3);
    comm.setInBufferCount(0);
    EXPECT_EQ(comm.InBufferCount(), 0);
}

TEST_F(ScriptedComm, BufferOverflowTruncatesAndReports)
{
    comm.setInBufferSize(8);
    openCom5();
    port->feed(QByteArray(12, 'x'));
    EXPECT_EQ(events, (QList<int>{ev::RxOver, ev::Receive}));
    EXPECT_EQ(comm.InBufferCount(), 8);
}

TEST_F(ScriptedComm, LineEventsAndCts)
{
    openCom5();
    for (int code : {ev::Send, ev::CTS, ev::DSR, ev::CD, ev::Ring, ev::EOFChar, ev::Break, ev::Frame,
                     ev::Overrun, ev::RxOver, ev::RxParity, ev::TxFull, ev::DCB})
        port->raiseLineEvent(code);
    EXPECT_EQ(events, (QList<int>{1, 3, 4, 5, 6, 7, 1001, 1004, 1006, 1008, 1009, 1010, 1011}));
    EXPECT_TRUE(comm.CTSHolding());
    port->setCts(false);
    EXPECT_FALSE(comm.CTSHolding());
    comm.Output(QByteArray("\x02RV\x03", 4));
    comm.Output(QByteArray(1, '\x06'));
    EXPECT_EQ(port->written(), QByteArray("\x02RV\x03\x06", 5));
}

TEST_F(ScriptedComm, NotificationsNeverNest)
{
    openCom5();
    int depth = 0, maxDepth = 0, calls = 0;
    QObject::connect(&comm, &MSComm::OnComm, [&] {
        ++depth;
        ++calls;
        maxDepth = qMax(maxDepth, depth);
        comm.setInputLen(0);
        comm.Input();
        if (calls == 1)
            port->feed("more"); // arrives while the handler runs
        --depth;
    });
    port->feed("first");
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(events.size(), 2);
}

TEST_F(ScriptedComm, ALineFoundGoneInsideAHandlerIsReportedAfterIt)
{
    openCom5();
    int depth = 0, maxDepth = 0;
    QList<bool> openInHandler;
    QObject::connect(&comm, &MSComm::OnComm, [&] {
        ++depth;
        maxDepth = qMax(maxDepth, depth);
        if (comm.CommEvent() == ev::Receive) {
            port->hangUp();
            // Looking at the port finds it gone; nothing is raised here.
            openInHandler << comm.PortOpen();
        }
        --depth;
    });
    port->feed("bytes");
    EXPECT_EQ(openInHandler, QList<bool>{false});
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(events, (QList<int>{ev::Receive, ev::DSR}));
    EXPECT_EQ(errorOf([&] { comm.Input(); }), err::PortNotOpen);
}

TEST_F(ScriptedComm, AHungUpLineCountsAsClosedForEveryUseAndIsReportedOnce)
{
    openCom5();
    port->hangUp();
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(events, QList<int>{ev::DSR});
    // Closing it again is no error; a write finds it closed.
    comm.setPortOpen(false);
    EXPECT_EQ(errorOf([&] { comm.Output("x"); }), err::PortNotOpen);
    // Opened again: a fresh line. A hang-up found by the write is reported
    // before the write is refused.
    events.clear();
    comm.setPortOpen(true);
    ASSERT_TRUE(comm.PortOpen());
    port->hangUp();
    EXPECT_EQ(errorOf([&] { comm.Output("x"); }), err::PortNotOpen);
    EXPECT_EQ(events, QList<int>{ev::DSR});
    EXPECT_TRUE(port->written().isEmpty());
    // A hang-up found by the next open is reported before that open.
    comm.setPortOpen(true);
    port->hangUp();
    events.clear();
    bool openWhenReported = true;
    QObject::connect(&comm, &MSComm::OnComm, [&] { openWhenReported = port->isOpen(); });
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), 0);
    EXPECT_EQ(events, QList<int>{ev::DSR});
    EXPECT_FALSE(openWhenReported);
    EXPECT_TRUE(comm.PortOpen());
}

TEST(PtyComm, BytesBothWaysOverAPseudoTerminal)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    setComPortResolver([slave](int n) { return n == 9 ? slave : QString(); });

    MSComm comm;
    QByteArray received;
    QObject::connect(&comm, &MSComm::OnComm, [&] {
        if (comm.CommEvent() == ev::Receive) {
            comm.setInputLen(1);
            for (int n = comm.InBufferCount(); n > 0; --n)
                received += comm.Input();
        }
    });
    comm.setCommPort(9);
    comm.setSettings(QStringLiteral("19200,N,8,1"));
    comm.setRThreshold(1);
    comm.setRTSEnable(true);
    comm.setPortOpen(true);
    ASSERT_TRUE(comm.PortOpen());
    EXPECT_TRUE(comm.CTSHolding()); // a pty has no modem lines

    const QByteArray frame("\x02RV\x03\x57", 5);
    ASSERT_EQ(::write(master, frame.constData(), frame.size()), frame.size());
    QElapsedTimer t;
    t.start();
    while (received.size() < frame.size() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(received, frame);

    comm.Output(QByteArray("\x06", 1));
    QByteArray out;
    t.restart();
    while (out.isEmpty() && t.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        char buf[16];
        const int fl = fcntl(master, F_GETFL);
        fcntl(master, F_SETFL, fl | O_NONBLOCK);
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0)
            out.append(buf, n);
    }
    EXPECT_EQ(out, QByteArray("\x06", 1));
    comm.setPortOpen(false);
    ::close(master);
    setComPortResolver({});
}

TEST(PtyComm, MissingDeviceIsInvalidPortNumber)
{
    setComPortResolver([](int) { return QStringLiteral("/dev/does-not-exist-talvik"); });
    MSComm comm;
    comm.setCommPort(3);
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), err::InvalidPortNumber);
    setComPortResolver({});
}

namespace {

// A pseudo-terminal in raw mode; the slave's path is the device.
int openRawMaster(QString &slave)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return -1;
    slave = QString::fromLocal8Bit(ptsname(master));
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    return master;
}

bool holdsDevice(const QString &path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFileInfo(fds.filePath(fd)).symLinkTarget();
        if (target == path || target == path + QStringLiteral(" (deleted)"))
            return true;
    }
    return false;
}

} // namespace

TEST(PtyComm, ALineThatHangsUpIsClosedReportedOnceAndOpensAgainOnTheNewNode)
{
    QString slave;
    int master = openRawMaster(slave);
    ASSERT_GE(master, 0);
    QString device = slave;
    setComPortResolver([&device](int n) { return n == 9 ? device : QString(); });

    MSComm comm;
    QList<int> events;
    QObject::connect(&comm, &MSComm::OnComm, [&] { events.append(comm.CommEvent()); });
    comm.setCommPort(9);
    comm.setRThreshold(1);
    comm.setPortOpen(true);
    ASSERT_TRUE(comm.PortOpen());
    EXPECT_TRUE(comm.CTSHolding());

    // The far end goes: at once the port no longer counts as open, before
    // any event has run.
    ::close(master);
    EXPECT_FALSE(comm.PortOpen());
    // The event loop then lets go of the descriptor and reports it once.
    QElapsedTimer t;
    t.start();
    while (!events.contains(ev::DSR) && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const qint64 hold = t.elapsed();
    while (t.elapsed() < hold + 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(events, QList<int>{ev::DSR});
    EXPECT_FALSE(holdsDevice(slave));
    EXPECT_EQ(errorOf([&] { comm.Output(QByteArray("\x06", 1)); }), err::PortNotOpen);

    // The device is back on another node: the same control opens it there.
    master = openRawMaster(device);
    ASSERT_GE(master, 0);
    comm.setPortOpen(true);
    ASSERT_TRUE(comm.PortOpen());
    comm.Output(QByteArray("\x05", 1));
    QByteArray out;
    t.restart();
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    while (out.isEmpty() && t.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        char buf[8];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0)
            out.append(buf, n);
    }
    EXPECT_EQ(out, QByteArray("\x05", 1));
    comm.setPortOpen(false);
    ::close(master);
    setComPortResolver({});
}

TEST(PtyComm, ClosingAPortWhoseLineHungUpLetsGoOfItsDescriptor)
{
    QString slave;
    const int master = openRawMaster(slave);
    ASSERT_GE(master, 0);
    setComPortResolver([slave](int n) { return n == 9 ? slave : QString(); });
    MSComm comm;
    comm.setCommPort(9);
    comm.setPortOpen(true);
    ASSERT_TRUE(holdsDevice(slave));
    ::close(master);
    // Closed before any event ran: the hung-up descriptor goes too.
    comm.setPortOpen(false);
    EXPECT_FALSE(holdsDevice(slave));
    setComPortResolver({});
}
