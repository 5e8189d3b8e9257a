// The report's shortcuts give the very output of the plain way: texts shaped
// once and drawn as glyphs make the same PDF, byte for byte but for its
// time stamps, as texts shaped where they are drawn; the layout that measures
// each text once (digit texts by summed advances) places every text where
// measuring it each time places it; a PDF drawn in parts on worker threads
// and joined shows every page pixel for pixel as one writer draws it.
#include "platform/print/pdfconverter.h"
#include "platform/print/reportdocument.h"
#include "platform/print/reportprinter.h"
#include "platform/print/fonts.h"
#include "platform/print/textwidths.h"
#include "platform/fileio/durable.h"
#include "sample_graph.h"
#include "support.h"

#include <QPrinter>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>

using namespace platform::print;

namespace {

// A demand table as the data window prints it: repeated dates, times and
// values, a unique row number, some cells coloured, a wrapped long cell and
// a cell with a line break; a title and running texts.
void buildTable(ReportPrinter &p, int rows, const QString &fontName = QString(), bool withGraph = false)
{
    p.BeginSetup();
    p.setPaperSize(9);
    p.setMarginTop(QStringLiteral("10%"));
    p.setMarginBottom(QStringLiteral("10%"));
    p.setMarginRight(QStringLiteral("10%"));
    p.setMarginLeft(QStringLiteral("10%"));
    p.setFontSize(9);
    if (!fontName.isEmpty())
        p.setFontName(fontName);
    p.setTitle(QStringLiteral("デマンド値一覧表　（試験 2024年）    デマンド：50.0[kW]"));
    p.setHeader(p.LeftHeader() + QStringLiteral("||2024/05/10 12:34:56"));
    p.setFooter(QStringLiteral("|- %d -|"));
    p.setOrientation(0);
    p.StartDoc();
    if (withGraph) {
        // A graph in another font in the upper half of the first page, the
        // table below it.
        DrawSurface surface;
        surface.resize(757, 481);
        printtest::drawSampleDayGraph(surface);
        p.DrawPicture(surface.Picture(), p.MarginLeft(), p.MarginTop() + 600,
                      p.PageWidth() - p.MarginLeft() - p.MarginRight(), 5000, paCenterMiddle, true);
    }
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

// Writes bytes to path for the PDF tools.
QString saved(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    platform::fileio::writeFile(path, bytes);
    return path;
}

QString pdfInfoLine(const QString &info, const QString &key)
{
    const auto m = QRegularExpression(QStringLiteral("^%1:\\s*(.*)$").arg(key),
                                      QRegularExpression::MultilineOption).match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : QStringLiteral("<no %1>").arg(key);
}

// Every page of path rasterised at 50 dpi, in page order.
QVector<QImage> pageImages(const QTemporaryDir &dir, const QString &path, const QString &prefix)
{
    const QString root = dir.filePath(prefix);
    int exitCode = -1;
    printtest::runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), path, root}, &exitCode);
    EXPECT_EQ(exitCode, 0) << path.toStdString();
    QVector<QImage> images;
    const QStringList files = QDir(dir.path()).entryList({prefix + QStringLiteral("-*.ppm")}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        images.append(QImage(dir.filePath(file)).convertToFormat(QImage::Format_RGB32));
    return images;
}

int occurrences(const QByteArray &bytes, const char *what)
{
    return int(bytes.count(what));
}

} // namespace

TEST(ReportOutput, PdfDrawnInPartsShowsEveryPageAsOneWriterDoes)
{
    ReportPrinter p;
    buildTable(p, 1500, QStringLiteral("ＭＳ 明朝"), true);
    ASSERT_NE(p.document(), nullptr);
    const ReportDocument &doc = *p.document();
    ASSERT_GE(doc.pageCount(), 25);
    ASSERT_EQ(doc.pages.first().pictures.size(), 1);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray oneWriter = PdfConverter::documentPdf(doc, 1);
    const QByteArray joined = PdfConverter::documentPdf(doc, 4);
    // Really joined: one catalog, and each part's font subsets embedded (the
    // graph's font only in the first part).
    EXPECT_EQ(occurrences(joined, "/Type /Catalog"), 1);
    EXPECT_GE(occurrences(joined, "/FontFile2"), occurrences(oneWriter, "/FontFile2") + 3);
    EXPECT_GE(occurrences(oneWriter, "/FontFile2"), 2);
    const QString single = saved(dir, QStringLiteral("single.pdf"), oneWriter);
    const QString parts = saved(dir, QStringLiteral("parts.pdf"), joined);

    // Page count, page size, title and creator as the one writer's.
    int singleExit = -1, partsExit = -1;
    const QString singleInfo = printtest::runTool(QStringLiteral("pdfinfo"), {single}, &singleExit);
    const QString partsInfo = printtest::runTool(QStringLiteral("pdfinfo"), {parts}, &partsExit);
    EXPECT_EQ(singleExit, 0);
    EXPECT_EQ(partsExit, 0);
    for (const char *key : {"Pages", "Page size", "Title", "Creator", "Producer", "PDF version"})
        EXPECT_EQ(pdfInfoLine(partsInfo, QLatin1String(key)), pdfInfoLine(singleInfo, QLatin1String(key))) << key;
    EXPECT_EQ(pdfInfoLine(partsInfo, QStringLiteral("Pages")).toInt(), doc.pageCount());
    EXPECT_EQ(pdfInfoLine(partsInfo, QStringLiteral("Title")), doc.title);

    // A structural check of the whole file.
    int checkExit = -1;
    const QString check = printtest::runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), parts}, &checkExit);
    EXPECT_EQ(checkExit, 0) << check.toStdString();
    EXPECT_TRUE(check.contains(QStringLiteral("No syntax or stream encoding errors"))) << check.toStdString();

    // The same text layer.
    const QString singleText = printtest::runTool(QStringLiteral("pdftotext"), {single, QStringLiteral("-")});
    EXPECT_TRUE(singleText.contains(QStringLiteral("2024年01月31日")));
    EXPECT_TRUE(printtest::runTool(QStringLiteral("pdftotext"), {parts, QStringLiteral("-")}) == singleText);

    // Every page, pixel for pixel.
    const QVector<QImage> expected = pageImages(dir, single, QStringLiteral("single"));
    const QVector<QImage> actual = pageImages(dir, parts, QStringLiteral("parts"));
    ASSERT_EQ(expected.size(), doc.pageCount());
    ASSERT_EQ(actual.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        ASSERT_FALSE(expected[i].isNull());
        EXPECT_TRUE(actual[i] == expected[i]) << "page " << i + 1;
    }
    // The graph is on the first page: grey bars and black lines in its box.
    const QImage &first = expected.first();
    int grey = 0;
    for (int y = 0; y < first.height() / 2; ++y)
        for (int x = 0; x < first.width(); ++x)
            if (QColor(first.pixel(x, y)) == QColor(200, 200, 200))
                ++grey;
    EXPECT_GT(grey, 500);
}

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

TEST(ReportOutput, WidthsOfDigitTextsAddedUpAreTheShapedWidths)
{
    // Texts a demand table is made of: row numbers, values, times, dates.
    QStringList texts;
    for (int n = 0; n <= 20000; ++n)
        texts << QString::number(n);
    for (int n = 0; n < 1000; ++n)
        texts << QString::number(n / 10.0, 'f', 1) << QStringLiteral("-%1").arg(n / 7.0, 0, 'f', 2)
              << QStringLiteral("%1:%2").arg(n % 24, 2, 10, QLatin1Char('0')).arg(n % 60, 2, 10, QLatin1Char('0'))
              << QStringLiteral("2024/%1/%2").arg(n % 12 + 1).arg(n % 31 + 1)
              << QStringLiteral("+%1,%2").arg(n).arg(n * 37 % 1000, 3, 10, QLatin1Char('0'));
    texts << QStringLiteral("1.") << QStringLiteral("//") << QStringLiteral("11111111111111111111")
          << QStringLiteral("1.-2") << QStringLiteral("-1.-1") << QStringLiteral("7,-,4");

    struct Face {
        QFont font;
        bool mustSum; // the report fonts: their digits do not kern
    };
    QVector<Face> faces;
    for (const char *name : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ 明朝"})
        for (bool bold : {false, true})
            for (int pixels : {180, 137, 253}) {
                QFont f = resolveFont(QString::fromUtf8(name), bold);
                f.setPixelSize(pixels);
                faces.append({f, true});
            }
    // A font that kerns some of these characters (".-", "-1"): its widths
    // must not be summed.
    // The OpenType face of the package fonts-urw-base35 (its Type 1 faces
    // have no kerning the text engine applies).
    QString kerningFamily;
    for (const QString &family : QFontDatabase::families())
        if (family.startsWith(QLatin1String("Nimbus Sans [")) && !family.contains(QLatin1String("urw")))
            kerningFamily = family;
    ASSERT_FALSE(kerningFamily.isEmpty()) << "the package fonts-urw-base35 is missing";
    QFont kerning(kerningFamily);
    kerning.setPixelSize(173);
    faces.append({kerning, false});

    for (const Face &face : faces) {
        TextWidths widthOf(face.font);
        const QFontMetricsF fm(face.font);
        int wrong = 0;
        QString firstWrong;
        for (const QString &text : texts) {
            const double expected = fm.horizontalAdvance(text);
            // Twice: measured, then remembered.
            if (widthOf(text) != expected || widthOf(text) != expected) {
                if (wrong++ == 0)
                    firstWrong = QStringLiteral("%1: %2 instead of %3").arg(text).arg(widthOf(text)).arg(expected);
            }
        }
        const std::string name = face.font.family().toStdString() + " " + std::to_string(face.font.pixelSize())
                                 + (face.font.bold() ? " bold" : "");
        EXPECT_EQ(wrong, 0) << name << ": " << firstWrong.toStdString();
        EXPECT_EQ(widthOf.sumsWidths(), face.mustSum) << name;
    }
}

TEST(ReportOutput, EachTextMeasuredOnceSitsWhereMeasuringItEachTimePutsIt)
{
    ReportPrinter p;
    buildTable(p, 1200);
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
    EXPECT_GT(checked, 6000);
}
