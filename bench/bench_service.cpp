// Service-mode benchmark: a leap year of half hours (17,568 rows, 7 columns)
// from the node click to the painted table; the year graph with annotations
// redrawn from a cached table (query, display list, paint at 1280 x 800); and
// the start-up import of five years of a customer's dedicated CSV (87,696
// lines) with its count file into an empty store.
// Run by hand: bench_service [--import-only] (the import alone, for profiling).
#include "platform/forms/dialogscript.h"
#include "platform/forms/treeview.h"
#include "platform/print/drawsurface.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/dataview_service/clsGraphSrv.h"
#include "talvik/dataview_service/frmDataSrv.h"
#include "talvik/dataview/tests/quietDialogs.h"
#include "talvik/link/clsDataC.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/demandTable.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kCustomer = QStringLiteral("123456789");

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

using Dialogs = talviktest::QuietDialogs;

int wattOf(const QDate &d, int s)
{
    return (d.dayOfYear() * 97 + s * 131) % 9000 + 500;
}

QString hhmm(int s)
{
    return QStringLiteral("%1").arg((s / 2) * 100 + (s % 2) * 30, 4, 10, QLatin1Char('0'));
}

// 2024 of half hours with counts into folder & "\demand.csv" (6 columns).
void writeYear(const QString &folder)
{
    QDir().mkpath(folder);
    QStringList lines;
    lines.reserve(366 * 48);
    for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1))
        for (int s = 0; s < 48; ++s)
            lines << d.toString(QStringLiteral("yyMMdd")) + hhmm(s)
                         + QStringLiteral("%1").arg(wattOf(d, s), 4, 10, QLatin1Char('0'))
                         + QStringLiteral("202501010000")
                         + (s % 7 == 0 ? QStringLiteral("-001-001")
                                       : QStringLiteral("%1%2").arg(s % 5, 4, 10, QLatin1Char('0')).arg(s % 3, 4, 10, QLatin1Char('0')));
    talvik::TableWriter().replaceTable(folder, lines, true);
}

void stats(const char *what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-60s median %8.2f  worst %8.2f  (n=%zu)\n", what, v[v.size() / 2], v.back(), v.size());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const bool importOnly = QCoreApplication::arguments().contains(QStringLiteral("--import-only"));
    QTemporaryDir home;
    qputenv("TALVIK_HOME", home.path().toUtf8());
    platform::forms::DialogScript script;
    platform::forms::DialogScript::setUnexpectedDialogHandler(
        [](const QString &r) { std::printf("unexpected dialog: %s\n", r.toUtf8().constData()); });
    talvik::frmWait wait;
    talvik::waitForm = &wait;

    const QString yearFolder = home.path() + QStringLiteral("/dDB/") + kCustomer + QStringLiteral("/2024年");
    writeYear(yearFolder);

    Dialogs dialogs;
    talvik::frmDataSrv w;
    w.setDialogs(&dialogs);
    talvik::dataForm = &w;
    w.Load();
    w.Show();
    w.widget()->resize(1280, 800);
    QCoreApplication::processEvents();

    const QString custKey = QStringLiteral("\\dDB.tran\\") + kCustomer;
    const QString yearKey = custKey + QStringLiteral("\\2024年");
    platform::forms::TreeView &tree = w.treData();
    std::vector<double> click;
    for (int i = 0; i < (importOnly ? 0 : 21); ++i) {
        tree.clickNode(tree.Item(custKey));
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        tree.clickNode(tree.Item(yearKey));
        w.mfgData().widget()->repaint();
        click.push_back(ms(t));
    }
    std::printf("rows %d, columns %d\n", w.mfgData().Rows() - 1, w.mfgData().Cols());
    std::vector<double> fill;
    for (int i = 0; i < (importOnly ? 0 : 11); ++i) {
        QElapsedTimer t;
        t.start();
        w.demandData->setDispData(w.mfgData(), home.path() + yearKey, 0);
        fill.push_back(ms(t));
    }
    if (!importOnly) {
        stats("year table, the table fill alone (ms)", fill);
        stats("year table, node click to painted (ms)", click);
    }

    // The annotated year graph from the cached table.
    talvik::clsGraphSrv graph;
    platform::print::DrawSurface surface;
    QImage image(1280, 800, QImage::Format_RGB32);
    const QString yearPath = home.path() + yearKey;
    for (int mode = 0; mode < (importOnly ? 0 : 2); ++mode) {
        std::vector<double> redraw;
        for (int i = 0; i < 26; ++i) {
            QElapsedTimer t;
            t.start();
            graph.setGraphData(surface, yearPath, 0, mode, 0, 1000);
            QPainter painter(&image);
            surface.render(painter, QRectF(0, 0, image.width(), image.height()));
            painter.end();
            if (i > 0)
                redraw.push_back(ms(t));
        }
        std::printf("year graph annotation of January: %s\n", graph.bars()[0].annotation.toUtf8().constData());
        stats(mode == 0 ? "year graph with annotations, cached table, maximum (ms)"
                        : "year graph with annotations, cached table, average (ms)",
              redraw);
    }

    // Start-up import: five years of n.csv with the count file.
    const QString input = home.path() + QStringLiteral("/input/") + kCustomer;
    QDir().mkpath(input);
    QByteArray csv;
    QByteArray counts;
    int lines = 0;
    for (QDate d(2019, 1, 1); d.year() <= 2023; d = d.addDays(1))
        for (int s = 0; s < 48; ++s) {
            const QByteArray day = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
            csv += day + ',' + hhmm(s).toLatin1() + ',' + QByteArray::number(wattOf(d, s)).rightJustified(4, '0') + "\r\n";
            counts += day + ',' + hhmm(s).toLatin1() + ',' + QByteArray::number(s % 5) + ',' + QByteArray::number(s % 3) + "\r\n";
            ++lines;
        }
    QFile f(input + u'/' + kCustomer + QStringLiteral(".csv"));
    f.open(QIODevice::WriteOnly);
    f.write(csv);
    f.close();
    QFile c(input + u'/' + kCustomer + QStringLiteral("as.csv"));
    c.open(QIODevice::WriteOnly);
    c.write(counts);
    c.close();
    talvik::dataFolder = home.path() + QStringLiteral("/input");
    talvik::srvCustomer = kCustomer;
    QDir().mkpath(home.path() + QStringLiteral("/dDB.tran/") + kCustomer);
    w.demandData->initData();
    w.demandData->setCustomer(kCustomer);
    QElapsedTimer t;
    t.start();
    w.readCsvFile(input + u'/' + kCustomer + QStringLiteral(".csv"));
    std::printf("%-60s %8.1f ms (%d lines)\n", "start-up import of five years with counts", ms(t), lines);
    w.setDataChanged(false);
    w.Unload();
    talvik::dataForm = nullptr;
    return 0;
}
