// Graph and report benchmark on a synthetic store of one leap year of half
// hours (17,568 rows): the redraw of a day, a month and a year graph (query,
// display list and paint at 1280 x 800), first with a cold table and then
// with the table cached; and the preview and PDF output of the data window
// for a month table (1,488 rows) and a year table (17,568 rows).
// Run by hand: bench_graph.
#include "platform/forms/dialogscript.h"
#include "platform/print/drawsurface.h"
#include "platform/textdb/textdb.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/clsGraph.h"
#include "talvik/dataview/frmData.h"
#include "talvik/dataview/tests/quietDialogs.h"
#include "talvik/link/clsDataC.h"
#include "talvik/store/demandTable.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kCustomer = QStringLiteral("Bench");

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// The dialogs of the data window: graph options fixed, nothing else asked.
using Dialogs = talviktest::QuietDialogs;

// 2024 (366 days) of half hours into folder & "\demand.csv".
void writeYear(const QString &folder)
{
    QDir().mkpath(folder);
    QStringList lines;
    lines.reserve(366 * 48);
    for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1))
        for (int s = 0; s < 48; ++s) {
            const int watt = (d.dayOfYear() * 97 + s * 131) % 9000 + 500;
            lines << d.toString(QStringLiteral("yyMMdd"))
                         + QStringLiteral("%1%2").arg((s / 2) * 100 + (s % 2) * 30, 4, 10, QLatin1Char('0'))
                               .arg(watt, 4, 10, QLatin1Char('0'))
                         + QStringLiteral("202501010000");
        }
    talvik::TableWriter().replaceTable(folder, lines, false);
}

struct Figures {
    double cold = 0;
    double median = 0;
    double worst = 0;
};

// One redraw: query and display list, then the paint of the surface.
double redraw(talvik::clsGraph &graph, platform::print::DrawSurface &surface, QImage &image, const QString &path,
              int style)
{
    QElapsedTimer t;
    t.start();
    graph.setGraphData(surface, path, style, 0, 500, 1000);
    QPainter painter(&image);
    surface.render(painter, QRectF(0, 0, image.width(), image.height()));
    painter.end();
    return ms(t);
}

Figures measureGraph(const QString &path, int style)
{
    platform::print::DrawSurface surface;
    surface.resize(1280, 800);
    talvik::clsGraph graph;
    QImage image(1280, 800, QImage::Format_RGB32);
    image.fill(Qt::white);
    // The first redraw loads the table; the later ones find it cached.
    const QString folder = path.section(QStringLiteral("::"), 0, 0);
    platform::textdb::invalidateTable(platform::textdb::nativePath(folder + QStringLiteral("\\demand.csv")));
    Figures f;
    f.cold = redraw(graph, surface, image, path, style);
    std::vector<double> runs;
    for (int i = 0; i < 50; ++i)
        runs.push_back(redraw(graph, surface, image, path, style));
    std::sort(runs.begin(), runs.end());
    f.median = runs[runs.size() / 2];
    f.worst = runs.back();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("TALVIK_HOME", home.path().toUtf8());
    talvik::appTitle = QStringLiteral("Orvantis");

    // The committed store; the window rebuilds the working copy from it.
    writeYear(home.path() + QStringLiteral("/dDB/") + kCustomer + QStringLiteral("/2024年"));
    writeYear(home.path() + QStringLiteral("/dDB.tran/") + kCustomer + QStringLiteral("/2024年"));
    const QString yearKey = QStringLiteral("\\dDB.tran\\") + kCustomer + QStringLiteral("\\2024年");

    std::printf("graph redraw at 1280 x 800 (query + display list + paint), ms: cold / median / worst of 50\n");
    struct Case {
        const char *what;
        QString key;
        int style;
    };
    const Case cases[] = {{"day   (48 bars)", yearKey + QStringLiteral("::240515"), 0},
                          {"day   (line)   ", yearKey + QStringLiteral("::240515"), 1},
                          {"month (31 bars)", yearKey + QStringLiteral("::2405"), 0},
                          {"month (line)   ", yearKey + QStringLiteral("::2405"), 1},
                          {"year  (12 bars)", yearKey, 0},
                          {"year  (line)   ", yearKey, 1}};
    for (const Case &c : cases) {
        const Figures f = measureGraph(home.path() + c.key, c.style);
        std::printf("  %s  %7.2f / %6.2f / %6.2f%s\n", c.what, f.cold, f.median, f.worst,
                    f.worst < 16 ? "" : "   (over 16 ms)");
    }

    // The data window: month and year tables, preview and PDF.
    platform::forms::DialogScript::setUnexpectedDialogHandler(
        [](const QString &r) { std::printf("unexpected dialog: %s\n", qPrintable(r)); });
    platform::forms::DialogScript script;
    Dialogs dialogs;
    talvik::frmData w;
    w.setDialogs(&dialogs);
    talvik::dataForm = &w;
    w.Load();
    QTemporaryDir out;
    std::printf("report of the data window, ms\n");
    struct Table {
        const char *what;
        QString key;
    };
    for (const Table &t : {Table{"month", yearKey + QStringLiteral("::2405")}, Table{"year ", yearKey}}) {
        w.treData_MouseDown(1, 0, 0, 0);
        if (t.key.contains(QStringLiteral("::"))) {
            w.treData_NodeClick(w.treData().Item(yearKey));
            w.treData_Expand(w.treData().Item(yearKey));
        }
        w.treData_NodeClick(w.treData().Item(t.key));
        w.zonumDemand.setValue(500);
        const int rows = w.mfgData().Rows() - w.mfgData().FixedRows();

        QElapsedTimer timer;
        timer.start();
        w.printPreview();
        const double preview = ms(timer);
        const int pages = w.vspPrint.PageCount();
        w.printPreview(); // off again

        const QString file = out.filePath(QStringLiteral("bench.pdf"));
        script.chooseFile(file);
        timer.restart();
        w.writePdfFile();
        const double pdf = ms(timer);
        std::printf("  %s table: %5d rows, %4d pages: preview %7.0f, PDF %7.0f (%lld bytes)\n", t.what, rows,
                    pages, preview, pdf, static_cast<long long>(QFileInfo(file).size()));
    }
    w.setDataChanged(false);
    w.Unload();
    talvik::dataForm = nullptr;
    return 0;
}
