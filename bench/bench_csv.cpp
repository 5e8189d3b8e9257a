// CSV benchmark: a dedicated CSV file of five years of half hours (87,600
// lines) is imported into a fresh customer (read, block checks, store run)
// and imported again over the filled store; one year is shown in the table
// and exported. Each step is timed. Run by hand: bench_csv [folder].
#include "platform/forms/flexgrid.h"
#include "platform/forms/treeview.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/csvFormat.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

namespace {

class Window : public talvik::IDataWindow {
public:
    talvik::clsTreeNode &TreeNode() override { return tree; }
    platform::forms::TreeView &treData() override { return view; }
    platform::forms::ListBox *lstLogs() override { return nullptr; }
    platform::forms::MSHFlexGrid &mfgData() override { return grid; }
    int TextWidth(const QString &t) override { return 120 * int(t.size()); }
    int GraphZoom() override { return 100; }
    void setGraphZoom(int) override {}
    void setRootMenus() override {}
    platform::forms::Form *form() override { return nullptr; }
    talvik::clsTreeNode tree;
    platform::forms::TreeView view;
    platform::forms::MSHFlexGrid grid;
};

constexpr int fiveYears = 5 * 17520;

double ms(QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

QByteArray fiveYearFile()
{
    std::mt19937 rng(20240513);
    std::uniform_int_distribution<int> demand(0, 9999);
    QByteArray out;
    out.reserve(fiveYears * 20);
    QDateTime t(QDate(2019, 1, 1), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < fiveYears; ++i, t = t.addSecs(1800)) {
        out += t.toString(QStringLiteral("yyyyMMdd,HHmm,")).toLatin1();
        out += QByteArray::number(demand(rng)).rightJustified(4, '0');
        out += "\r\n";
    }
    return out;
}

// One import as readCsvFile does it: read, hand every line over, store run.
bool importOnce(const QString &path, const char *what)
{
    talvik::clsDataD d;
    d.initData();
    d.setCustomer(QStringLiteral("Bench"));
    QElapsedTimer total;
    total.start();
    QElapsedTimer t;
    t.start();
    const QByteArray image = talvik::csvReadFile(path);
    int rejected = 0;
    const talvik::CsvReadCounts counts = talvik::csvReadBlocks(image, d, [&] { ++rejected; });
    const double readMs = ms(t);
    t.restart();
    const bool ok = d.fire(false);
    const double fireMs = ms(t);
    std::printf("import %s: %d lines (%d accepted, %d rejected): read and checks %.0f ms, store run %.0f ms, "
                "total %.0f ms (%s)\n",
                what, counts.lines, counts.accepted, rejected, readMs, fireMs, ms(total), ok ? "ok" : "FAILED");
    return ok && counts.accepted == fiveYears;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString home = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    qputenv("TALVIK_HOME", home.toUtf8());
    QDir().mkpath(home + QStringLiteral("/dDB.tran/Bench"));
    Window w;
    talvik::StoreServices &s = talvik::storeServices();
    talvik::dataForm = &w;
    s.msgBox = [](const QString &text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); };
    s.doEvents = [] { QCoreApplication::processEvents(); };
    s.addLog = [](platform::forms::ListBox *, const QString &) {};

    const QString csv = home + QStringLiteral("/five-years.csv");
    {
        QFile f(csv);
        if (!f.open(QIODevice::WriteOnly) || f.write(fiveYearFile()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(csv));
            return 1;
        }
    }
    const bool ok1 = importOnce(csv, "of five years into a new customer");
    const bool ok2 = importOnce(csv, "of five years again (every record an update)");

    // Export of one year: the table of the year node, then the file.
    talvik::clsDataD d;
    QElapsedTimer t;
    t.start();
    d.setDispData(w.grid, home + QStringLiteral("\\dDB.tran\\Bench\\2020年"), 0);
    std::printf("table view of 2020 (%d rows): %.0f ms\n", w.grid.Rows() - 1, ms(t));
    t.restart();
    const QByteArray image = talvik::csvExportImage(w.grid);
    const double formatMs = ms(t);
    t.restart();
    talvik::csvWriteFileAtomically(home + QStringLiteral("/one-year.csv"), image);
    std::printf("export of one year (%lld bytes): lines %.0f ms, write %.1f ms\n", static_cast<long long>(image.size()),
                formatMs, ms(t));
    const bool ok3 = w.grid.Rows() - 1 == 17568 && image.count('\n') == 17568;
    if (!ok3)
        std::fprintf(stderr, "unexpected export size\n");
    return ok1 && ok2 && ok3 ? 0 : 1;
}
