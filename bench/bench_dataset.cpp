// Data set benchmark: a synthetic committed store of 30 customers x 5 years
// (17,520 half hours per year table), then the open at start-up (working copy
// rebuilt from "dDB"), the ".dmd" save and the open of that data set, each
// timed, then a second save with nothing changed. Run by hand:
// bench_dataset [--changed] [--size CUSTOMERSxYEARS] [folder] (a temporary
// folder by default; a store "dDB" already in the folder given is used as
// it is). With --changed every year table of the working copy
// differs from the committed store before the save (one byte, same size), so
// that the save has to write the whole store.
#include "platform/archive/archive.h"
#include "platform/fileio/linktree.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"
#include "talvik/core/clsLogs.h"
#include "talvik/dataview/dataSet.h"
#include "talvik/store/demandTable.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>

#include <sys/resource.h>

namespace {

class Window : public platform::forms::Form {
public:
    platform::forms::ListBox lstLogs{this, QStringLiteral("lstLogs")};
};

class Host : public talvik::IDataSetHost {
public:
    platform::forms::Form *form() override { return &window; }
    platform::forms::Form *mainWindow() override { return nullptr; }
    platform::forms::CommonDialog &cdlCSVFile() override { return cdl; }
    platform::forms::ListBox *lstLogs() override { return &window.lstLogs; }
    talvik::clsLogs *windowLogs() override { return logs.get(); }
    bool dataChanged() const override { return changed; }
    void setDataChanged(bool c) override { changed = c; }

    Window window;
    platform::forms::CommonDialog cdl;
    std::unique_ptr<talvik::clsLogs> logs;
    bool changed = true;
};

// One year table as the store writes it: YYMMDDHHMM, demand (0.1 kW, 4
// digits), acquisition time YYYYMMDDHHMM; 17,520 lines (365 days, the leap
// day left out so that every table has the same size).
void writeYear(const QString &folder, int year, std::mt19937 &rng, int base)
{
    QDir().mkpath(folder);
    talvik::initTableFolder(folder);
    std::normal_distribution<double> noise(0, base * 0.05);
    QByteArray out;
    out.reserve(17520 * 28);
    QDateTime t(QDate(year, 1, 1), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < 17520; ++i, t = t.addSecs(1800)) {
        if (t.date().month() == 2 && t.date().day() == 29)
            t = t.addDays(1);
        const double h = t.time().hour() + t.time().minute() / 60.0;
        const double day = std::exp(-std::pow((h - 13.0) / 4.0, 2));
        const int watt = std::clamp(int(base * (0.3 + 0.7 * day) + noise(rng)), 0, 9999);
        out += t.toString(QStringLiteral("yyMMddHHmm")).toLatin1();
        out += QByteArray::number(watt).rightJustified(4, '0');
        out += t.addSecs(300).toString(QStringLiteral("yyyyMMddHHmm")).toLatin1();
        out += "\r\n";
    }
    QFile f(folder + QStringLiteral("/demand.csv"));
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
}

qint64 folderBytes(const QString &folder, int *files)
{
    qint64 total = 0;
    *files = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
        ++*files;
    }
    return total;
}

void report(const char *what, qint64 ms, qint64 targetMs, bool ok)
{
    std::printf("%-40s %7lld ms   (target < %lld ms)  %s\n", what, static_cast<long long>(ms),
                static_cast<long long>(targetMs), !ok ? "FAILED" : ms < targetMs ? "ok" : "SLOW");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    bool changeAll = false;
    QString home = temp.path();
    int customers = 30, years = 5;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--changed") {
            changeAll = true;
        } else if (QByteArray(argv[i]) == "--size" && i + 1 < argc) {
            const QList<QByteArray> size = QByteArray(argv[++i]).split('x');
            customers = size.value(0).toInt();
            years = size.size() == 2 ? size[1].toInt() : 0;
            if (customers < 1 || customers > 99 || years < 1 || years > 10) {
                std::fprintf(stderr, "usage: bench_dataset [--changed] [--size CUSTOMERSxYEARS] [folder] (up to 99 x 10)\n");
                return 2;
            }
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: bench_dataset [--changed] [--size CUSTOMERSxYEARS] [folder] (up to 99 x 10)\n");
            return 2;
        } else {
            home = QString::fromLocal8Bit(argv[i]);
        }
    }
    QDir().mkpath(home);
    // The data sets of an earlier run in the same folder go first: the save
    // would otherwise stop at the question whether to overwrite them.
    for (const char *name : {"bench.dmd", "again.dmd", "packed.dmd"})
        QFile::remove(home + QLatin1Char('/') + QLatin1String(name));
    qputenv("TALVIK_HOME", home.toUtf8());
    platform::forms::DialogScript::setUnexpectedDialogHandler(
        [](const QString &r) { std::fprintf(stderr, "unexpected dialog: %s\n", qPrintable(r)); });

    std::mt19937 rng(20261208);
    QElapsedTimer timer;
    timer.start();
    const bool generate = !QFileInfo::exists(home + QStringLiteral("/dDB"));
    for (int c = 0; c < customers && generate; ++c)
        for (int y = 0; y < years; ++y)
            writeYear(home + QStringLiteral("/dDB/お客さま%1/20%2年").arg(c + 1, 2, 10, QLatin1Char('0')).arg(26 - years + y),
                      2026 - years + y, rng, 500 + 40 * c);
    int files = 0;
    const qint64 bytes = folderBytes(home + QStringLiteral("/dDB"), &files);
    std::printf("store: %d customers x %d years, %d files, %.1f MB (generated in %lld ms)\n", customers, years, files,
                bytes / 1048576.0, static_cast<long long>(timer.elapsed()));

    Host host;
    host.logs = std::make_unique<talvik::clsLogs>();
    for (int i = 0; i < 500; ++i)
        host.logs->add(host.lstLogs(), QStringLiteral("情報データ読み込み(お客さま%1)追加：48 更新：0").arg(i % 30 + 1));

    timer.restart();
    bool ok = talvik::openDataSet(host, true);
    report("open at start-up (dDB.tran from dDB)", timer.elapsed(), 2000, ok);

    if (changeAll) {
        QDirIterator it(home + QStringLiteral("/dDB.tran"), {QStringLiteral("demand.csv")}, QDir::Files,
                        QDirIterator::Subdirectories);
        // Each table is replaced as the program replaces it: a new file
        // renamed over the old name (the working copy shares its files with
        // the committed store, so a change in place would reach both).
        while (it.hasNext()) {
            const QString path = it.next();
            QFile in(path);
            QByteArray bytes = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
            in.close();
            QFile out(path + QStringLiteral(".new"));
            if (bytes.size() <= 10 || !out.open(QIODevice::WriteOnly)) {
                std::fprintf(stderr, "cannot change %s\n", qPrintable(path));
                continue;
            }
            bytes[10] = '9';
            if (out.write(bytes) != bytes.size() || !out.flush() || ::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
                std::fprintf(stderr, "cannot change %s\n", qPrintable(path));
        }
    }

    const QString set = home + QStringLiteral("/bench.dmd");
    {
        platform::forms::DialogScript script;
        script.chooseFile(set);
        timer.restart();
        ok = talvik::saveDataSet(host);
        report("save (commit + .dmd archive)", timer.elapsed(), 10000, ok && script.verify());
    }
    std::printf("data set: %.1f MB (%lld bytes)\n", QFileInfo(set).size() / 1048576.0,
                static_cast<long long>(QFileInfo(set).size()));
    {
        platform::forms::DialogScript script;
        script.chooseFile(set);
        timer.restart();
        ok = talvik::openDataSet(host, false);
        report("open of the data set (.dmd)", timer.elapsed(), 5000, ok && script.verify());
    }
    int reopened = 0;
    folderBytes(home + QStringLiteral("/dDB.tran"), &reopened);
    std::printf("working copy after open: %d files\n", reopened);
    // The data set just opened saved again, nothing changed since.
    const QString again = home + QStringLiteral("/again.dmd");
    {
        platform::forms::DialogScript script;
        script.chooseFile(again);
        timer.restart();
        ok = talvik::saveDataSet(host);
        report("save again, nothing changed", timer.elapsed(), 10000, ok && script.verify());
    }
    std::printf("data set saved again: %lld bytes\n", static_cast<long long>(QFileInfo(again).size()));
    // The packing alone: the committed store into an archive, the files read
    // and compressed on the worker threads.
    {
        const QString packed = home + QStringLiteral("/packed.dmd");
        timer.restart();
        try {
            std::unique_ptr<platform::archive::ArchiveWriter> writer =
                platform::archive::prepareFolderArchive(packed, home + QStringLiteral("/dDB"), QStringLiteral("dDB"));
            writer->flush();
            writer->commit();
            ok = true;
        } catch (const std::exception &e) {
            std::fprintf(stderr, "pack: %s\n", e.what());
            ok = false;
        }
        report("packing of the store alone", timer.elapsed(), 1000, ok);
        std::printf("packed store: %lld bytes\n", static_cast<long long>(QFileInfo(packed).size()));
    }
    // The replaced stores are deleted by a worker; the temporary folder goes
    // only after it.
    platform::fileio::waitForBackgroundRemovals();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (resident): %.1f MB (target < 64 MB)\n", usage.ru_maxrss / 1024.0);
    return 0;
}
