// Measures the print stand-ins: replay of a year-sized graph drawing at
// 1280 x 800, and PDF output of demand tables of 1,488 and 17,520 rows
// (medians of runs, 5 or the number given), side by side with one PDF writer.
#include "platform/print/colors.h"
#include "platform/print/drawsurface.h"
#include "platform/print/pdfconverter.h"
#include "platform/print/reportprinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <vector>

using namespace platform::print;

namespace {

// 365 daily bars with axes, ticks, labels and title: the size of a year of
// daily values drawn the way the demand graph draws.
void drawYearOfDays(DrawSurface &g)
{
    g.Clear();
    g.setScaleWidth(11000);
    g.setScaleLeft(-1000);
    g.setScaleHeight(-19500);
    g.setScaleTop(17250);
    g.setFontName(QStringLiteral("ＭＳ ゴシック"));
    g.setFontSize(450);
    g.setPenWidth(0);
    g.setPenColor(RGB(0, 0, 0));
    g.setBrushColor(RGB(255, 255, 255));
    g.DrawRectangle(0, 0, 9600, 15000);
    g.setTextAlign(1);
    g.setTextX(5000);
    g.setTextY(-1650);
    g.setText(QStringLiteral("　対　象　日　"));
    const double w = 9600.0 / 365;
    QString points;
    for (int n = 1; n <= 365; ++n) {
        const double y = 1500 + (n * 7919 % 12000);
        points += QStringLiteral("%1,0,%1,%2,%3,%2,%3,0,").arg(n * w).arg(y).arg(n * w - w);
    }
    g.setBrushColor(RGB(200, 200, 200));
    g.Polygon(points);
    g.setTextAngle(900);
    for (int n = 1; n <= 365; n += 5) {
        g.setTextX(n * w - w / 2);
        g.setTextY(-750);
        g.setFontBold(n % 50 == 1);
        g.setText(QStringLiteral("%1/%2").arg((n - 1) / 31 + 1).arg((n - 1) % 31 + 1));
    }
    g.setTextAngle(0);
    g.setTextAlign(2);
    g.setFontBold(false);
    for (int k = 0; k <= 100; k += 10) {
        const double y = k * 150.0;
        if (k > 0 && k < 100) {
            g.setPenStyle(2);
            g.DrawLine(0, y, 9600, y);
        }
        g.setTextX(-100);
        g.setTextY(y + 225);
        g.setText(QString::number(k));
    }
    g.setPenStyle(0);
    g.setTextAlign(0);
    g.setFontBold(true);
    g.setTextX(0);
    g.setTextY(16125);
    g.setText(QStringLiteral("日　別　の　最　大　電　力　（試験 2024年）"));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Lays out a demand table of rows and writes it to path. Returns the times
// of the layout and of layout + PDF; parts 0 writes as the program does
// (PdfConverter::writeDocument), else in that many parts (1: one writer).
struct Run {
    double layoutMs = 0;
    double totalMs = 0;
    int pages = 0;
    qint64 bytes = 0;
};

Run tableToPdf(int rows, const QString &path, int parts)
{
    QElapsedTimer timer;
    timer.start();
    ReportPrinter p;
    p.BeginSetup();
    p.setPaperSize(9);
    p.setMarginTop(QStringLiteral("10%"));
    p.setMarginBottom(QStringLiteral("10%"));
    p.setMarginRight(QStringLiteral("10%"));
    p.setMarginLeft(QStringLiteral("10%"));
    p.setTitle(QStringLiteral("デマンド値一覧表　（試験 2024年）"));
    p.setHeader(p.LeftHeader() + QStringLiteral("||2024/05/10 12:34:56"));
    p.setFooter(QStringLiteral("|- %d -|"));
    p.setOrientation(0);
    p.StartDoc();
    p.setTableBorder(7);
    p.StartTable();
    TableBody body;
    body.reserve(rows);
    for (int i = 0; i < rows; ++i)
        body.append({i + 1, QStringLiteral("2024年%1月%2日").arg(i / 1488 + 1, 2, 10, QLatin1Char('0')).arg(i / 48 % 31 + 1, 2, 10, QLatin1Char('0')),
                     QStringLiteral("%1時%2分").arg(i % 48 / 2, 2, 10, QLatin1Char('0')).arg(i % 2 ? "30" : "00"),
                     QStringLiteral("%1時%2分").arg((i % 48 + 1) / 2 % 24, 2, 10, QLatin1Char('0')).arg(i % 2 ? "00" : "30"),
                     QString::number((i * 37 % 900) / 10.0, 'f', 1), QStringLiteral("202405101031")});
    p.AddTable(QStringLiteral("^+10%|^+20%|^+15%|^+15%|^+20%|^+20%"),
               QStringLiteral("№|監視年月日|開始時間|終了時間|デマンド値[kW]|取得日時"), body, 0x80000016u);
    for (int i = 0; i < rows; ++i)
        if (i * 37 % 900 > 600)
            p.TableCell(tcBackColor, i + 1, 5, -1, -1, 0xC0C0FF);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
    Run run;
    run.layoutMs = timer.nsecsElapsed() / 1e6;
    if (parts == 0)
        PdfConverter().ConvertDocument(p, path);
    else
        run.bytes = PdfConverter::documentPdf(*p.document(), parts).size();
    run.totalMs = timer.nsecsElapsed() / 1e6;
    run.pages = p.PageCount();
    if (parts == 0)
        run.bytes = QFileInfo(path).size();
    return run;
}

// Medians of runs of one size, as the program writes; then the one writer
// alone, for the side-by-side figure.
double measure(int rows, const QString &path, int runs, bool withSingle)
{
    std::vector<double> layout, total, single;
    Run last;
    for (int i = 0; i < runs; ++i) {
        last = tableToPdf(rows, path, 0);
        layout.push_back(last.layoutMs);
        total.push_back(last.totalMs);
        if (withSingle)
            single.push_back(tableToPdf(rows, path, 1).totalMs);
    }
    std::printf("  %5d rows: layout %.0f ms, layout + PDF %.0f ms, %d pages\n", rows, median(layout), median(total),
                last.pages);
    std::printf("         (medians of %d runs; PDF %lld bytes in %d parts", runs, static_cast<long long>(last.bytes),
                PdfConverter::partsFor(last.pages));
    if (withSingle)
        std::printf("; one writer: layout + PDF %.0f ms", median(single));
    std::printf(")\n");
    return median(total);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    DrawSurface surface;
    surface.resize(1280, 800);
    drawYearOfDays(surface);
    QImage image(1280, 800, QImage::Format_RGB32);
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        image.fill(Qt::white);
        QElapsedTimer t;
        t.start();
        QPainter painter(&image);
        surface.render(painter, QRectF(0, 0, 1280, 800));
        painter.end();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("replay of %d items at 1280x800: median %.2f ms, worst %.2f ms (target < 16 ms)\n",
                int(surface.displayList().items.size()), median(times), *std::max_element(times.begin(), times.end()));

    QTemporaryDir dir;
    // bench_print [runs] [--no-single]: --no-single leaves out the one-writer
    // runs (for the peak memory of the program's own way).
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const bool withSingle = !(argc > 2 && std::strcmp(argv[2], "--no-single") == 0);
    std::printf("PDF of demand tables:\n");
    const double small = measure(1488, dir.filePath(QStringLiteral("a.pdf")), runs, withSingle);
    std::printf("  1,488 rows %s target 1 s\n", small < 1000 ? "within" : "OVER");
    const double large = measure(17520, dir.filePath(QStringLiteral("b.pdf")), runs, withSingle);
    std::printf("  17,520 rows %s target 10 s\n", large < 10000 ? "within" : "OVER");
    return 0;
}
