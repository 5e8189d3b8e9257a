// The host's serial layer opens the link with QSerialPort, which sets the
// terminal itself: frames must still pass unchanged both ways.
#include "tools/devicesim/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace devicesim;

namespace {

QByteArray readFor(QSerialPort &port, int ms)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        // The device runs on this thread's event loop, as the serial port does.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        got += port.readAll();
    }
    return got;
}

} // namespace

TEST(SerialPort, QSerialPortOnTheLinkIsRaw)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyUSBSIM");
    DeviceConfig cfg;
    cfg.model = Model::T6KA;
    cfg.days = 1;
    cfg.end = QDateTime(QDate(2024, 3, 15), QTime(9, 30), Qt::UTC);
    DeviceSimulator sim(cfg);
    ASSERT_TRUE(sim.start(link));

    QSerialPort port;
    port.setPortName(link);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    port.setBaudRate(19200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.setRequestToSend(true);

    // A WSB frame whose fields hold CR and LF would be mangled by a cooked
    // line; the device must see exactly the bytes sent and refuse it.
    QByteArray bad = QByteArray("\x02WSB" "3000" "150" "05" "090" "50000") + QByteArray(14, ' ') + "\r\x03";
    bad.replace(5, 1, "\n");
    port.write(withBcc(bad));
    EXPECT_EQ(readFor(port, 200), QByteArray(1, NAK));
    ASSERT_FALSE(sim.device().requests().isEmpty());
    EXPECT_EQ(sim.device().requests().last(), bad);

    port.write(makeFrame("RSB"));
    const QByteArray reply = readFor(port, 200);
    EXPECT_EQ(reply, makeFrame(QByteArray("RSB") + defaultSettingsText(SettingsLayout::SB)));

    // No echo: the device's log holds only what the host sent.
    int in = 0;
    for (const auto &e : sim.device().log())
        in += e.direction == LogEntry::In;
    EXPECT_EQ(in, 2);
    port.close();
}
