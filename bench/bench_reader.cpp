// The reader's whole memory through the serial link, the protocol controller
// and the store, as the data window's reader chain runs it: the customer-number
// list (RC), then one demand transfer (RD, records kept on the device) per
// customer, each stored into the customer's year tables.
//
// The device is a separate talvik-devicesim serving at the given link path
// (so that its memory can be measured on its own), for example
//   talvik-devicesim --model RDX-9 --customers 99 --days 3660 --link L --quiet
//   bench_reader --link L [--customers N] [--store-root DIR]
// Prints one line per customer (records, time, records per second, the
// longest wait for a block inside the transfer, this process's resident
// memory) and the totals. Exit code 0 when every customer was read whole.
#include "bench/bench_store.h"
#include "platform/comm/portpath.h"
#include "platform/forms/dialogscript.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/dataWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct NoOwner : talvik::ITransactionOwner {
    platform::forms::Form *ownerForm() override { return nullptr; }
};

// VmRSS and VmHWM of this process in MB.
QPair<double, double> memoryMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    double rss = 0, hwm = 0;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : f.readAll().split('\n')) {
            const auto kb = [&](const char *key) { return line.mid(int(qstrlen(key))).trimmed().split(' ')[0].toDouble() / 1024; };
            if (line.startsWith("VmRSS:"))
                rss = kb("VmRSS:");
            else if (line.startsWith("VmHWM:"))
                hwm = kb("VmHWM:");
        }
    }
    return {rss, hwm};
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString link;
    QString storeRoot = QDir::currentPath();
    int limit = -1;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--link"))
            link = args[i + 1];
        else if (args[i] == QLatin1String("--customers"))
            limit = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--store-root"))
            storeRoot = args[i + 1];
    }
    if (link.isEmpty()) {
        std::fprintf(stderr, "usage: bench_reader --link PATH [--customers N] [--store-root DIR]\n");
        return 2;
    }
    QTemporaryDir home(storeRoot + QStringLiteral("/bench_reader-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot make a program folder under %s\n", qPrintable(storeRoot));
        return 2;
    }
    qputenv("TALVIK_HOME", home.path().toLocal8Bit());
    platform::forms::DialogScript script; // no box may wait for a person
    platform::comm::setComPortResolver([link](int) { return link; });

    talvik::clsSerialController serial;
    serial.setPort(7);
    // The longest time between two blocks of one transfer, taken as each
    // block arrives (connected before the controller, whose handler runs the
    // store run of the final block).
    QElapsedTimer clock;
    clock.start();
    qint64 lastBlock = 0, longestGap = 0;
    QObject::connect(&serial, &talvik::clsSerialController::OnEvent, [&](const QByteArray &, int, bool) {
        const qint64 now = clock.nsecsElapsed();
        longestGap = qMax(longestGap, now - lastBlock);
        lastBlock = now;
    });
    talvik::clsProtocolController proto(&serial);
    bench::StoreWindow window;
    talvik::dataForm = &window;
    talvik::storeServices().msgBox = [](const QString &t) { std::fprintf(stderr, "message: %s\n", qPrintable(t)); };
    talvik::storeServices().addLog = [](platform::forms::ListBox *, const QString &) {};

    enum class End { Running, Next, Done, Error };
    End end = End::Running;
    QString message;
    QObject::connect(&proto, &talvik::clsProtocolController::OnNext, [&] { end = End::Next; });
    QObject::connect(&proto, &talvik::clsProtocolController::OnCustomer, [&](bool ok) {
        end = ok ? End::Done : End::Error;
        message = QStringLiteral("customer list: %1").arg(ok);
    });
    QObject::connect(&proto, &talvik::clsProtocolController::OnEvent, [&](const QString &m) {
        message = m;
        end = End::Done;
    });
    QObject::connect(&proto, &talvik::clsProtocolController::OnError, [&](const QString &m) {
        message = m;
        end = End::Error;
    });
    NoOwner owner;
    const auto run = [&](talvik::IProtocolRecord &r) {
        end = End::Running;
        lastBlock = clock.nsecsElapsed();
        longestGap = 0;
        proto.setData(&r);
        proto.cont(&owner);
        while (end == End::Running)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    };

    talvik::clsDataC list;
    list.initData();
    run(list);
    if (end != End::Done || list.count() == 0) {
        std::fprintf(stderr, "customer list not read: %s\n", qPrintable(message));
        return 1;
    }
    const int customers = limit < 0 ? list.count() : qMin(limit, list.count());
    std::printf("customers %d of %d\n", customers, list.count());
    std::fflush(stdout);

    talvik::clsDataD record;
    qint64 totalRecords = 0;
    qint64 worstGap = 0;
    double peakRss = 0;
    QElapsedTimer total;
    total.start();
    int read = 0;
    for (int i = 0; i < customers; ++i) {
        list.setIdx(i);
        record.initData();
        record.setIsReader(true);
        record.setIsDel(false);
        record.setCustomer(list.customer());
        QDir().mkpath(home.path() + QStringLiteral("/dDB.tran/") + list.customer());
        QElapsedTimer t;
        t.start();
        run(record);
        const double secs = t.nsecsElapsed() / 1e9;
        const auto [rss, hwm] = memoryMb();
        peakRss = qMax(peakRss, hwm);
        worstGap = qMax(worstGap, longestGap);
        std::printf("%2d %s records %7d  %6.1f s  %7.0f rec/s  longest wait %5.1f ms  rss %6.1f MB  %s\n", i + 1,
                    qPrintable(list.customer()), record.count(), secs, record.count() / qMax(secs, 1e-9),
                    longestGap / 1e6, rss, end == End::Next ? "stored" : qPrintable(message));
        std::fflush(stdout);
        if (end != End::Next)
            break;
        totalRecords += record.count();
        ++read;
    }
    const double secs = total.nsecsElapsed() / 1e9;
    std::printf("read %d of %d customers, %lld records in %.0f s (%.0f rec/s), longest wait %.1f ms, peak rss %.1f MB\n",
                read, customers, static_cast<long long>(totalRecords), secs, totalRecords / qMax(secs, 1e-9),
                worstGap / 1e6, peakRss);
    platform::comm::setComPortResolver({});
    return read == customers ? 0 : 1;
}
