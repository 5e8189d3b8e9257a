// An RD transfer of 1,440 demand records (30 days) from the stand-in device
// on a pseudo-terminal through the serial link and the protocol controller.
// Prints the time from the last byte of each block to the host's ACK
// (host side, and as the device sees it) and the total time against the
// line's own limit at 19200 baud. The record is the store's clsDataD: the
// transfer ends with the store run into the year tables.
#include "platform/comm/portpath.h"
#include "platform/forms/dialogscript.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/recordFields.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/treeview.h"
#include "talvik/core/basComVariables.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"
#include "bench/bench_store.h"
#include "tools/devicesim/simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {


struct NoOwner : talvik::ITransactionOwner {
    platform::forms::Form *ownerForm() override { return nullptr; }
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("TALVIK_HOME", home.path().toLocal8Bit());
    platform::forms::DialogScript script; // no box may wait for a person

    devicesim::DeviceConfig cfg;
    cfg.model = devicesim::Model::T4KA;
    cfg.days = 30;
    devicesim::DeviceSimulator sim(cfg);
    const QString link = home.path() + "/ttyBENCH";
    QString error;
    if (!sim.start(link, &error)) {
        std::fprintf(stderr, "device: %s\n", qPrintable(error));
        return 1;
    }
    platform::comm::setComPortResolver([link](int) { return link; });

    talvik::clsSerialController serial;
    serial.setPort(7);
    QElapsedTimer clock;
    clock.start();
    qint64 blockEnd = 0;
    std::vector<double> hostUs;
    // Connected before the controller: runs when the block's last byte is in.
    QObject::connect(&serial, &talvik::clsSerialController::OnEvent,
                     [&](const QByteArray &, int, bool) { blockEnd = clock.nsecsElapsed(); });
    talvik::clsProtocolController proto(&serial);
    // Connected after: runs once the controller has written the ACK.
    // The final block's handler also runs the store run after its ACK: it is
    // reported on its own.
    qint64 lastBlockNs = 0;
    QObject::connect(&serial, &talvik::clsSerialController::OnEvent, [&](const QByteArray &b, int n, bool) {
        if (n == 18 && b.size() >= 18 && b[17] == talvik::frame::ETX) {
            lastBlockNs = clock.nsecsElapsed() - blockEnd;
            return;
        }
        hostUs.push_back((clock.nsecsElapsed() - blockEnd) / 1000.0);
    });
    bool done = false;
    QString ending;
    QObject::connect(&proto, &talvik::clsProtocolController::OnTranEnd, [&] { done = true; });
    QObject::connect(&proto, &talvik::clsProtocolController::OnEvent, [&](const QString &m) { ending = m; });
    QObject::connect(&proto, &talvik::clsProtocolController::OnError, [&](const QString &m) {
        ending = m;
        done = true;
    });

    bench::StoreWindow window;
    talvik::dataForm = &window;
    talvik::storeServices().msgBox = [](const QString &t) { std::fprintf(stderr, "message: %s\n", qPrintable(t)); };
    talvik::storeServices().addLog = [](platform::forms::ListBox *, const QString &) {};
    talvik::clsDataD record;
    record.initData();
    record.setCustomer(QStringLiteral("BENCH"));
    NoOwner owner;
    sim.device().clearLog();
    proto.setData(&record);
    QElapsedTimer total;
    total.start();
    proto.cont(&owner);
    while (!done && total.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double totalMs = total.nsecsElapsed() / 1e6;

    // Device side: from each block sent to the ACK that follows it.
    std::vector<double> deviceMs;
    qint64 sentAt = -1;
    qint64 wireBytes = 0;
    for (const devicesim::LogEntry &e : sim.device().log()) {
        wireBytes += e.bytes.size();
        if (e.direction == devicesim::LogEntry::Out && e.bytes.size() > 1)
            sentAt = e.msecs;
        else if (e.direction == devicesim::LogEntry::In && e.bytes == QByteArray(1, talvik::frame::ACK) && sentAt >= 0) {
            deviceMs.push_back(double(e.msecs - sentAt));
            sentAt = -1;
        }
    }
    const double lineMs = wireBytes * 10.0 / 19200.0 * 1000.0;
    std::printf("records received      %d (%s)\n", record.count(), qPrintable(ending));
    std::printf("blocks before the last %zu\n", hostUs.size());
    std::printf("host: last byte->ACK  median %.1f us, max %.1f us\n", median(hostUs),
                hostUs.empty() ? 0.0 : *std::max_element(hostUs.begin(), hostUs.end()));
    std::printf("device: block->ACK    median %.0f ms, max %.0f ms (ms resolution, pty both ways)\n",
                median(deviceMs), deviceMs.empty() ? 0.0 : *std::max_element(deviceMs.begin(), deviceMs.end()));
    std::printf("bytes on the wire     %lld\n", static_cast<long long>(wireBytes));
    std::printf("final block: ACK + store run (1,440 rows into the year table) %.1f ms\n", lastBlockNs / 1e6);
    std::printf("total                 %.0f ms; line limit at 19200 baud %.0f ms (%.2fx)\n", totalMs, lineMs,
                lineMs > 0 ? totalMs / lineMs : 0.0);
    platform::comm::setComPortResolver({});
    return record.count() == 1440 ? 0 : 2;
}
