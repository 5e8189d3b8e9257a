// Packs and extracts a synthetic demand store of 30 customers with 5 years
// each, the way the data window saves and opens a data set, and prints the
// times and the compression ratio.
#include "platform/archive/archive.h"
#include "platform/archive/unlha.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const char kSchema[] =
    "[demand.csv]\r\nColNameHeader=False\r\nFormat=FixedLength\r\nMaxScanRows=25\r\nCharacterSet=OEM\r\n"
    "DateTimeFormat=yyyy/mm/dd hh:nn:ss\r\nCurrencySymbol=\\\r\nCurrencyFormat=0\r\nCurrencyDigits=0\r\n"
    "CurrencyNegativeFormat=2\r\nDecimalSymbol=.\r\nNumberDigits=0\r\nNumberLeadingZeros=1\r\n"
    "Col1=getdt char Width 6\r\nCol2=gettm char Width 4\r\nCol3=watt char Width 4\r\nCol4=created char Width 12\r\n\r\n";

// One year of half-hour records: getdt (YYMMDD), gettm (HHMM), watt (kW x 10)
// and created (YYYYMMDDHHMM, the next morning's read), 26 characters + CR LF.
QByteArray yearTable(int year, unsigned seed)
{
    QByteArray out;
    out.reserve(17520 * 28);
    unsigned x = seed;
    int day = 0;
    for (int month = 1; month <= 12; ++month) {
        static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int d = 1; d <= days[month - 1]; ++d, ++day) {
            for (int half = 0; half < 48; ++half) {
                x = x * 1103515245u + 12345u;
                const bool working = half >= 16 && half < 38 && day % 7 < 5;
                const int watt = 80 + static_cast<int>((x >> 16) % 60) + (working ? 250 + static_cast<int>((x >> 8) % 90) : 0);
                char line[64];
                std::snprintf(line, sizeof line, "%02d%02d%02d%02d%02d%04d%04d%02d%02d0800\r\n", year % 100, month, d,
                              half / 2, (half % 2) * 30, watt, year, month, d);
                out += line;
            }
        }
    }
    return out; // 365 days x 48 = 17,520 lines
}

qint64 folderBytes(const QString &root, int *files)
{
    qint64 total = 0;
    *files = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
        ++*files;
    }
    return total;
}

qint64 median(QList<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

// bench_archive [runs]: packs and extracts the store `runs` times (5 by
// default) on the calling thread alone and with the worker threads, the two
// alternating, and prints the medians.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    QTemporaryDir dir;
    const QString prog = dir.filePath("prog");
    for (int c = 0; c < 30; ++c) {
        const QString customer = QString("%1/dDB/お客さま%2").arg(prog).arg(c + 1, 2, 10, QLatin1Char('0'));
        for (int y = 2009; y <= 2013; ++y) {
            const QString yearFolder = QString("%1/%2年").arg(customer).arg(y);
            QDir().mkpath(yearFolder);
            QFile s(yearFolder + "/schema.ini");
            s.open(QIODevice::WriteOnly);
            s.write(kSchema);
            QFile t(yearFolder + "/demand.csv");
            t.open(QIODevice::WriteOnly);
            t.write(yearTable(y, static_cast<unsigned>(c * 100 + y)));
        }
    }
    QFile log(prog + "/dDB/download.log");
    log.open(QIODevice::WriteOnly);
    log.write("2013/12/31 09:00    情報データ読み込み(お客さま01)追加：48 更新：0\r\n");
    log.close();

    int files = 0;
    const qint64 raw = folderBytes(prog + "/dDB", &files);
    const QString archive = dir.filePath("2026-12-08.dmd");
    const QString restoreTo = dir.filePath("restored");
    QString output;
    QElapsedTimer timer;
    QList<qint64> packMs[2], openMs[2];
    QByteArray archiveBytes[2];
    bool same = true;
    for (int run = 0; run < runs; ++run) {
        for (int mode = 0; mode < 2; ++mode) {
            platform::archive::setWorkerThreads(mode == 0 ? 1 : 0);
            QFile::remove(archive);
            QDir::setCurrent(prog);
            timer.start();
            int rc = platform::archive::Unlha(nullptr, "a -x1 -r2 -y1 -n \"" + archive + "\" \"dDB\"", output, 1024);
            packMs[mode].append(timer.elapsed());
            if (rc != 0) {
                std::fprintf(stderr, "pack failed: %s\n", output.toUtf8().constData());
                return 1;
            }
            QFile a(archive);
            a.open(QIODevice::ReadOnly);
            archiveBytes[mode] = a.readAll();

            QDir(restoreTo).removeRecursively();
            QDir().mkpath(restoreTo);
            QDir::setCurrent(dir.path());
            timer.restart();
            rc = platform::archive::Unlha(nullptr, "e -x1 -r2 -y1 -n \"" + archive + "\" \"" + restoreTo + "\\\"", output,
                                          1024);
            openMs[mode].append(timer.elapsed());
            if (rc != 0) {
                std::fprintf(stderr, "extract failed: %s\n", output.toUtf8().constData());
                return 1;
            }
            int back = 0;
            const qint64 restored = folderBytes(restoreTo + "/dDB", &back);
            same = same && back == files && restored == raw;
        }
        same = same && archiveBytes[0] == archiveBytes[1];
    }
    platform::archive::setWorkerThreads(0);

    std::printf("store: 30 customers x 5 years, %d files, %lld bytes; medians of %d runs\n", files,
                static_cast<long long>(raw), runs);
    std::printf("save (pack), calling thread alone:  %lld ms\n", static_cast<long long>(median(packMs[0])));
    std::printf("save (pack), worker threads:        %lld ms\n", static_cast<long long>(median(packMs[1])));
    std::printf("open (extract), calling thread:     %lld ms\n", static_cast<long long>(median(openMs[0])));
    std::printf("open (extract), worker threads:     %lld ms\n", static_cast<long long>(median(openMs[1])));
    const qint64 packed = archiveBytes[1].size();
    std::printf("archive: %lld bytes, %.1f%% of the store (ratio %.1f : 1)\n", static_cast<long long>(packed),
                100.0 * static_cast<double>(packed) / static_cast<double>(raw),
                static_cast<double>(raw) / static_cast<double>(packed));
    std::printf("archives of both ways byte-identical, every extraction complete: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
