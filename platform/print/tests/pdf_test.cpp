#include "platform/print/drawsurface.h"
#include "platform/print/pdfconverter.h"
#include "platform/print/reportprinter.h"
#include "platform/runtime/runtime_error.h"
#include "sample_graph.h"
#include "support.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace platform::print;
using printtest::runTool;

namespace {

void a4TenPercent(ReportPrinter &p, int orientation)
{
    p.BeginSetup();
    p.setPaperSize(9);
    p.setMarginTop(QStringLiteral("10%"));
    p.setMarginBottom(QStringLiteral("10%"));
    p.setMarginRight(QStringLiteral("10%"));
    p.setMarginLeft(QStringLiteral("10%"));
    p.setOrientation(orientation);
}

QString squeezed(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]")));
    return text;
}

int pdfPages(const QString &path)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {path});
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Page text without blanks: the extractor spaces words by their gaps, so
// blanks in the source are not reliably kept.
QString rawPageText(const QString &path, int page)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                                 QString::number(page), path, QStringLiteral("-")});
}

QString pageText(const QString &path, int page)
{
    return squeezed(rawPageText(path, page));
}

} // namespace

TEST(PdfReport, DemandTableOf1488RowsPaginatesWithTextsColoursAndEmbeddedFonts)
{
    QTemporaryDir dir;
    const QString path = printtest::artifactsDir() + QStringLiteral("/print_一覧_1488.pdf");
    ReportPrinter p;
    a4TenPercent(p, 0);
    const QString title = QStringLiteral("デマンド値一覧表　（試験 2024年）    デマンド：60[kW]");
    p.setTitle(title);
    p.setHeader(p.LeftHeader() + QStringLiteral("||2024/05/10 12:34:56"));
    p.setFooter(QStringLiteral("|- %d -|"));
    p.StartDoc();
    p.setTableBorder(7);
    p.StartTable();
    TableBody body;
    for (int i = 0; i < 1488; ++i)
        body.append({i + 1, QStringLiteral("D%1").arg(i + 1), QStringLiteral("10時00分"), QStringLiteral("10時30分"),
                     QString::number(50 + i % 20, 'f', 1), QStringLiteral("202405101031")});
    p.AddTable(QStringLiteral("^+10%|^+20%|^+15%|^+15%|^+20%|^+20%"),
               QStringLiteral("№|監視年月日|開始時間|終了時間|デマンド値[kW]|取得日時"), body, 0x80000016u);
    for (int i = 0; i < 1488; ++i)
        if (50 + i % 20 > 60)
            p.TableCell(tcBackColor, i + 1, 5, -1, -1, 0xC0C0FF);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
    PdfConverter pdf;
    pdf.ConvertDocument(p, path);

    // 49 data rows a page after the first: 31 pages.
    ASSERT_EQ(pdfPages(path), 31);
    const QRegularExpression rowMarker(QStringLiteral("\\bD(\\d+)\\b"));
    int expected = 1;
    for (int page = 1; page <= 31; ++page) {
        const QString text = pageText(path, page);
        EXPECT_TRUE(text.contains(QStringLiteral("デマンド値一覧表"))) << "page " << page;
        EXPECT_TRUE(text.contains(QStringLiteral("2024/05/1012:34:56"))) << "page " << page;
        EXPECT_TRUE(text.contains(QStringLiteral("-%1-").arg(page))) << "page " << page;
        EXPECT_TRUE(text.contains(QStringLiteral("監視年月日"))) << "page " << page;
        // Every row once, in order, none lost at a page break.
        auto it = rowMarker.globalMatch(rawPageText(path, page));
        while (it.hasNext()) {
            const int n = it.next().captured(1).toInt();
            EXPECT_EQ(n, expected) << "page " << page;
            expected = n + 1;
        }
    }
    EXPECT_EQ(expected, 1489);

    const QString fonts = runTool(QStringLiteral("pdffonts"), {path});
    EXPECT_TRUE(fonts.contains(QStringLiteral("IPAPGothic"))) << fonts.toStdString();
    int fontLines = 0;
    for (const QString &line : fonts.split('\n').mid(2)) {
        if (line.trimmed().isEmpty())
            continue;
        ++fontLines;
        // Columns: name type encoding emb sub uni object ID
        EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("\\byes\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$"))))
            << line.toStdString();
    }
    EXPECT_GT(fontLines, 0);

    // The first page shows light red demand cells and the grey header shade.
    const QString png = dir.filePath(QStringLiteral("page1"));
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-f"),
                                         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                         QStringLiteral("-png"), QStringLiteral("-singlefile"), path, png});
    QImage image(png + QStringLiteral(".png"));
    ASSERT_FALSE(image.isNull());
    int red = 0, grey = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 245 && std::abs(c.green() - 192) < 8 && std::abs(c.blue() - 192) < 8)
                ++red;
            if (std::abs(c.red() - 227) < 4 && std::abs(c.green() - 227) < 4 && std::abs(c.blue() - 227) < 4)
                ++grey;
        }
    EXPECT_GT(red, 100);
    EXPECT_GT(grey, 50);
}

TEST(PdfReport, GraphPageIsOneLandscapePageOfVectors)
{
    QTemporaryDir dir;
    const QString path = printtest::artifactsDir() + QStringLiteral("/print_graph.pdf");
    DrawSurface surface;
    surface.resize(757, 481);
    printtest::drawSampleDayGraph(surface);
    ReportPrinter p;
    a4TenPercent(p, 1);
    p.setTitle(QString());
    p.setHeader(QStringLiteral("||2024/05/10 12:34:56"));
    p.setFooter(QString());
    p.StartDoc();
    p.DrawPicture(surface.Picture(), p.MarginLeft(), p.MarginTop(), p.PageWidth() - p.MarginLeft() - p.MarginRight(),
                  p.PageHeight() - p.MarginTop() - p.MarginBottom(), paFill, false);
    p.EndDoc();
    // The surface changing afterwards does not change the document.
    surface.Clear();
    PdfConverter().ConvertDocument(p, path);

    EXPECT_EQ(pdfPages(path), 1);
    const QString info = runTool(QStringLiteral("pdfinfo"), {path});
    const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
    ASSERT_TRUE(m.hasMatch()) << info.toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), 841.89, 1.0);
    EXPECT_NEAR(m.captured(2).toDouble(), 595.28, 1.0);
    // Texts are text, not pixels.
    const QString text = pageText(path, 1);
    // The widely spaced title comes out of the extractor in pieces.
    EXPECT_TRUE(text.contains(QStringLiteral("（試験2024年05月10日）"))) << text.toStdString();
    for (const QString &c : {QStringLiteral("別"), QStringLiteral("電"), QStringLiteral("デ"), QStringLiteral("値")})
        EXPECT_TRUE(text.contains(c));
    EXPECT_TRUE(text.contains(QStringLiteral("[kW]")));
    EXPECT_TRUE(text.contains(QStringLiteral("2024/05/1012:34:56")));
    EXPECT_TRUE(text.contains(QStringLiteral("12:00")));
    EXPECT_FALSE(text.contains(QStringLiteral("-1-")));
    // No images in the file: the graph is vectors.
    const QString images = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
    EXPECT_EQ(images.split('\n', Qt::SkipEmptyParts).size(), 2) << images.toStdString();
}

TEST(PdfReport, HeaderOnlyTableConverts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.pdf"));
    ReportPrinter p;
    a4TenPercent(p, 0);
    p.StartDoc();
    p.StartTable();
    p.AddTable(QStringLiteral("^+50%|^+50%"), QStringLiteral("設定項目|設定値"), {}, 0x80000016u);
    p.EndTable();
    p.EndDoc();
    PdfConverter().ConvertDocument(p, path);
    EXPECT_EQ(pdfPages(path), 1);
    EXPECT_TRUE(pageText(path, 1).contains(QStringLiteral("設定項目")));
}

TEST(PdfReport, FailuresAreReportedAndLeaveNoHalfFile)
{
    QTemporaryDir dir;
    ReportPrinter p;
    a4TenPercent(p, 0);
    PdfConverter pdf;
    // No finished document.
    try {
        pdf.ConvertDocument(p, dir.filePath(QStringLiteral("none.pdf")));
        ADD_FAILURE() << "no error";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), 5);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none.pdf"))));
    p.StartDoc();
    p.EndDoc();
    // A folder that does not exist.
    const QString bad = dir.filePath(QStringLiteral("missing/out.pdf"));
    try {
        pdf.ConvertDocument(p, bad);
        ADD_FAILURE() << "no error";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), 75);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("out.pdf")));
    }
    // A name taken by a folder: the folder stays as it was.
    const QString taken = dir.filePath(QStringLiteral("taken.pdf"));
    ASSERT_TRUE(QDir().mkdir(taken));
    EXPECT_THROW(pdf.ConvertDocument(p, taken), platform::RuntimeError);
    EXPECT_TRUE(QFileInfo(taken).isDir());
}
