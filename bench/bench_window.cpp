// Data window benchmark: the store of 30 customers x 5 years (or the size
// given), the window shown, and a mouse click on year nodes timed until the
// table has been painted; then the table fill of a year alone and the grid's
// share of it. Run by hand: bench_window [--size CUSTOMERSxYEARS] [--opens N]
// [--home FOLDER] (offscreen by default; under a display with
// QT_QPA_PLATFORM=xcb). With --home the program folder is FOLDER, and a
// store already there is used as it is (runs after the first skip making it).
#include "bench/store_generator.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/uisetup.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/frmData.h"
#include "talvik/dataview/storeFolders.h"
#include "talvik/dataview/tests/quietDialogs.h"
#include "talvik/store/clsDataD.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// The dialogs of the window: nothing is opened during the benchmark.
using NoDialogs = talviktest::QuietDialogs;

// Counts the paints of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// Processor time of the whole process (all threads) in ms: on a loaded
// machine steadier than the time on the clock.
double cpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void report(const char *what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%s: median %.1f ms, min %.1f ms, max %.1f ms (n=%zu)\n", what, v[v.size() / 2], v.front(), v.back(),
                v.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int customers = 30, years = 5, reopens = 9;
    QString home;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray option(argv[i]);
        const QList<QByteArray> size = QByteArray(argv[i + 1]).split('x');
        if (option == "--size" && size.size() == 2) {
            customers = size[0].toInt();
            years = size[1].toInt();
        } else if (option == "--opens") {
            reopens = QByteArray(argv[i + 1]).toInt();
        } else if (option == "--home") {
            home = QString::fromLocal8Bit(argv[i + 1]);
        } else {
            customers = 0;
        }
        if (customers < 1 || customers > 999 || years < 1 || years > 10 || reopens < 1) {
            std::fprintf(stderr, "usage: bench_window [--size CUSTOMERSxYEARS] [--opens N] [--home FOLDER] (up to 999 x 10)\n");
            return 2;
        }
    }
    platform::forms::setUpJapaneseUi();
    QTemporaryDir temporary;
    const bool kept = !home.isEmpty();
    if (!kept)
        home = temporary.path();
    qputenv("TALVIK_HOME", home.toUtf8());
    talvik::appTitle = QStringLiteral("Orvantis");
    QElapsedTimer t;
    t.start();
    if (!kept || !QFileInfo::exists(home + QStringLiteral("/dDB")))
        bench::writeProgramStore(home, customers, years, 20240513);
    std::printf("store of %d customers x %d years: %.0f ms\n", customers, years, ms(t));

    NoDialogs dialogs;
    talvik::frmData window;
    window.setDialogs(&dialogs);
    talvik::dataForm = &window;
    t.restart();
    const double firstCpu = cpuMs();
    window.Load();
    window.Show();
    if (!QTest::qWaitForWindowExposed(window.widget()))
        return 1;
    std::printf("window load (working copy rebuilt, tree built) and show: %.0f ms, processor %.0f ms\n", ms(t),
                cpuMs() - firstCpu);
    // The window opened again and again: each open rebuilds the working copy
    // from the committed store and the tree, until the window is exposed.
    {
        std::vector<double> opens, cpu;
        for (int i = 0; i < reopens; ++i) {
            window.setDataChanged(false);
            window.Unload();
            QApplication::processEvents();
            t.restart();
            const double cpuBefore = cpuMs();
            window.Load();
            window.Show();
            if (!QTest::qWaitForWindowExposed(window.widget()))
                return 1;
            opens.push_back(ms(t));
            cpu.push_back(cpuMs() - cpuBefore);
        }
        report("data window open (working copy made, tree built, shown)", opens);
        report("data window open, processor time", cpu);
    }
    // The start-up check of the store alone, as each open makes it first.
    {
        std::vector<double> checks;
        for (int i = 0; i < reopens; ++i) {
            t.restart();
            talvik::storefolders::recoverCommittedStore(home);
            checks.push_back(ms(t));
        }
        report("start-up check of the store (recoverCommittedStore)", checks);
    }

    QTreeWidget *tree = window.treData().widget();
    QTableView *table = window.mfgData().widget();
    PaintCounter painted;
    table->viewport()->installEventFilter(&painted);
    std::vector<double> clicks;
    int rows = 0;
    for (int c = 0; c < 10; ++c) {
        for (int y = 0; y < std::min(years, 5); ++y) {
            const QString key = QStringLiteral("\\dDB.tran\\C%1\\20%2年").arg(c, 3, 10, QLatin1Char('0')).arg(15 + y);
            if (!window.treData().Exists(key))
                continue;
            QTreeWidgetItem *item = window.treData().Item(key)->item();
            tree->scrollToItem(item);
            QApplication::processEvents();
            const QPoint at = tree->visualItemRect(item).center();
            painted.paints = 0;
            t.restart();
            QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
            while (painted.paints == 0 && ms(t) < 5000)
                QApplication::processEvents(QEventLoop::AllEvents, 1);
            clicks.push_back(ms(t));
            rows = window.mfgData().Rows() - 1;
        }
    }
    std::printf("year table: %d rows\n", rows);
    report("click on a year node until the table is painted", clicks);

    // The table fill alone (SQL on the cached table, grid bound), and the
    // grid's share: binding the rows and drawing them.
    talvik::clsDataD data;
    const QString year = home + QStringLiteral("\\dDB.tran\\C001\\2016年");
    std::vector<double> fills, binds;
    for (int i = 0; i < 15; ++i) {
        t.restart();
        data.setDispData(window.mfgData(), year, 0);
        fills.push_back(ms(t));
    }
    report("table fill of a year (setDispData, threshold 0)", fills);
    std::vector<double> graphs;
    window.currentKey = QStringLiteral("\\dDB.tran\\C001\\2016年");
    for (int i = 0; i < 15; ++i) {
        t.restart();
        window.redrawGraph();
        graphs.push_back(ms(t));
    }
    report("graph of a year (setGraphData)", graphs);
    auto &grid = window.mfgData();
    QStringList names;
    std::vector<QStringList> copy(std::size_t(grid.Rows() - 1));
    for (int c = 0; c < grid.Cols(); ++c)
        names << grid.TextMatrix(0, c);
    for (int r = 1; r < grid.Rows(); ++r)
        for (int c = 0; c < grid.Cols(); ++c)
            copy[std::size_t(r - 1)] << grid.TextMatrix(r, c);
    for (int i = 0; i < 15; ++i) {
        t.restart();
        grid.setRedraw(false);
        grid.Clear();
        grid.bindRows(names, int(copy.size()), [&](int r, int c) { return QVariant(copy[std::size_t(r)][c]); });
        grid.setRedraw(true);
        table->viewport()->repaint();
        binds.push_back(ms(t));
    }
    report("grid alone: clear, bind the year's rows, paint", binds);
    window.setDataChanged(false);
    window.Unload();
    return 0;
}
