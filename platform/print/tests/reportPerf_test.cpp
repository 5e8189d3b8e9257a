// The report's shortcuts give the very output of the plain way: texts shaped
// once and drawn as glyphs make the same PDF, byte for byte but for its
// time stamps, as texts shaped where they are drawn; the layout that measures each text once places every text where
// measuring it each time places it.
#include "platform/print/pdfconverter.h"
#include "platform/print/reportdocument.h"
#include "platform/print/reportprinter.h"
#include "support.h"

#include <QPrinter>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QFile>
#include <QFontMetricsF>

using namespace platform::print;

namespace {

// A demand table as the data window prints it: repeated dates, times and
// values, a unique row number, some cells coloured, a wrapped long cell and
// a cell with a line break; a title and running texts.
void buildTable(ReportPrinter &p, int rows)
{
    p.BeginSetup();
    p.setPaperSize(9);
    p.setMarginTop(QStringLiteral("10%"));
    p.setMarginBottom(QStringLiteral("10%"));
    p.setMarginRight(QStringLiteral("10%"));
    p.setMarginLeft(QStringLiteral("10%"));
    p.setFontSize(9);
    p.setTitle(QStringLiteral("デマンド値一覧表　（試験 2024年）    デマンド：50.0[kW]"));
    p.setHeader(p.LeftHeader() + QStringLiteral("||2024/05/10 12:34:56"));
    p.setFooter(QStringLiteral("|- %d -|"));
    p.setOrientation(0);
    p.StartDoc();
    p.setTableBorder(7);
    p.StartTable();
    TableBody body;
    for (int i = 0; i < rows; ++i)
        body.append({QString::number(i + 1),
                     QStringLiteral("2024年%1月%2日").arg(i / 1488 + 1, 2, 10, QLatin1Char('0')).arg(i / 48 % 31 + 1, 2, 10, QLatin1Char('0')),
                     QStringLiteral("%1時%2分").arg(i % 48 / 2, 2, 10, QLatin1Char('0')).arg(i % 2 ? "30" : "00"),
                     i == 7 ? QStringLiteral("上段\r\n下段") : QStringLiteral("%1時%2分").arg((i % 48 + 1) / 2 % 24, 2, 10, QLatin1Char('0')).arg(i % 2 ? "00" : "30"),
                     QString::number((i * 37 % 900) / 10.0, 'f', 1),
                     i == 11 ? QStringLiteral("とても長い取得日時の説明がこの欄の幅を超えて折り返されます 2024/05/10 10:31")
                             : QStringLiteral("2024/05/10 10:31")});
    p.AddTable(QStringLiteral("^+10%|^+20%|^+15%|^+15%|>+20%|<+20%"),
               QStringLiteral("№|監視年月日|開始時間|終了時間|デマンド値[kW]|取得日時"), body, 0x80000016u);
    for (int i = 0; i < rows; ++i)
        if (i * 37 % 900 > 600)
            p.TableCell(tcBackColor, i + 1, 5, -1, -1, 0xC0C0FF);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
}

// The PDF of a document, its creation time taken out (the one part that
// differs between two runs of the same document).
QByteArray pdfOf(const ReportDocument &doc, const QString &path)
{
    PdfConverter::writeDocument(doc, path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    QByteArray bytes = f.readAll();
    static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[^)]*\\)"));
    return QString::fromLatin1(bytes).replace(date, QStringLiteral("/CreationDate ()")).toLatin1();
}

} // namespace

TEST(ReportOutput, TextsShapedOnceGiveThePdfOfTextsShapedWhereDrawn)
{
    ReportPrinter p;
    buildTable(p, 300);
    ASSERT_NE(p.document(), nullptr);
    ASSERT_GE(p.PageCount(), 6);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    ReportDocument plain = *p.document();
    plain.setReuseShapedText(false);
    const QByteArray reference = pdfOf(plain, dir.filePath(QStringLiteral("plain.pdf")));
    ASSERT_TRUE(reference.startsWith("%PDF"));

    // Twice with the same document: the second time every text is taken
    // from the shapes the first time made.
    const ReportDocument &shaped = *p.document();
    EXPECT_TRUE(pdfOf(shaped, dir.filePath(QStringLiteral("shaped.pdf"))) == reference);
    EXPECT_TRUE(pdfOf(shaped, dir.filePath(QStringLiteral("again.pdf"))) == reference);

    // The PDF text layer still names every text.
    QString text = printtest::runTool(QStringLiteral("pdftotext"),
                                            {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                             QStringLiteral("1"), dir.filePath(QStringLiteral("shaped.pdf")),
                                             QStringLiteral("-")});
    text.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]")));
    for (const char *expected : {"デマンド値一覧表", "監視年月日", "2024年01月01日", "00時30分", "上段", "下段", "-1-"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;

    // Printed through the PDF print engine as well.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    QPainter painter;
    ASSERT_TRUE(painter.begin(&printer));
    painter.scale(printer.resolution() / kTwipsPerInch, printer.resolution() / kTwipsPerInch);
    shaped.renderPage(painter, 1);
    painter.end();
    const QString printed = printtest::runTool(QStringLiteral("pdftotext"), {dir.filePath(QStringLiteral("printed.pdf")), QStringLiteral("-")});
    EXPECT_TRUE(printed.contains(QStringLiteral("2024年01月02日"))) << printed.toStdString();
}

TEST(ReportOutput, EachTextMeasuredOnceSitsWhereMeasuringItEachTimePutsIt)
{
    ReportPrinter p;
    buildTable(p, 120);
    const ReportDocument &doc = *p.document();
    const QRectF area = doc.printable;
    // Column rules: the cells' left edges.
    const double lefts[] = {0.0, 0.10, 0.30, 0.45, 0.60, 0.80};
    int checked = 0;
    for (const ReportPage &page : doc.pages) {
        for (const ReportText &t : page.texts) {
            if (t.font == doc.headerFont || doc.fonts[t.font].bold())
                continue; // the title and the header row
            const QFontMetricsF fm(doc.fonts[t.font]);
            const double w = fm.horizontalAdvance(t.text);
            // Which column: the last whose left edge is left of the text.
            int c = 0;
            while (c + 1 < 6 && t.baseline.x() >= area.left() + lefts[c + 1] * area.width() - 1)
                ++c;
            const double left = area.left() + lefts[c] * area.width();
            const double width = (c + 1 < 6 ? lefts[c + 1] : 1.0) * area.width() - lefts[c] * area.width();
            double expected = left + (width - w) / 2; // centred columns
            if (c == 4)
                expected = left + width - 60 - w; // right-aligned
            else if (c == 5)
                expected = left + 60; // left-aligned
            EXPECT_NEAR(t.baseline.x(), expected, 1e-6) << t.text.toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 600);
}
