#include "platform/print/drawsurface.h"
#include "platform/print/reportprinter.h"
#include "platform/runtime/runtime_error.h"
#include "support.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <set>

using namespace platform::print;

namespace {

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const platform::RuntimeError &e) {
        return e.Number();
    }
    return 0;
}

const QString kFormat = QStringLiteral("^+10%|^+20%|^+15%|^+15%|^+20%|^+20%");
const QString kHeader = QStringLiteral("№|監視年月日|開始時間|終了時間|デマンド値[kW]|取得日時");

void pageSetup(ReportPrinter &p, int orientation = 0)
{
    p.BeginSetup();
    p.setPaperSize(9);
    p.setMarginTop(QStringLiteral("10%"));
    p.setMarginBottom(QStringLiteral("10%"));
    p.setMarginRight(QStringLiteral("10%"));
    p.setMarginLeft(QStringLiteral("10%"));
    p.setOrientation(orientation);
}

TableBody demandRows(int n)
{
    TableBody body;
    for (int i = 0; i < n; ++i)
        body.append({i + 1, QStringLiteral("2024年05月%1日").arg(i % 31 + 1, 2, 10, QLatin1Char('0')),
                     QStringLiteral("10時00分"), QStringLiteral("10時30分"), QString::number(10 + i % 50, 'f', 1),
                     QStringLiteral("202405101031")});
    return body;
}

// Row numbers in column 1 of a page, from the page's texts.
std::vector<int> rowNumbersOnPage(const ReportDocument &doc, int page, double columnRight)
{
    std::vector<int> numbers;
    for (const ReportText &t : doc.pages[page].texts) {
        bool ok = false;
        const int n = t.text.toInt(&ok);
        if (ok && t.baseline.x() < columnRight)
            numbers.push_back(n);
    }
    return numbers;
}

} // namespace

TEST(ReportSetup, PercentMarginsFollowPaperAndOrientation)
{
    ReportPrinter p;
    pageSetup(p, 0);
    // A4 is 210 x 297 mm: 11906 x 16838 twips.
    EXPECT_NEAR(p.PageWidth(), 11906, 1);
    EXPECT_NEAR(p.PageHeight(), 16838, 1);
    EXPECT_NEAR(p.MarginLeft(), 1190.6, 0.1);
    EXPECT_NEAR(p.MarginTop(), 1683.8, 0.1);
    // Set before the orientation, read after it: the margin follows the page.
    p.setOrientation(1);
    EXPECT_NEAR(p.PageWidth(), 16838, 1);
    EXPECT_NEAR(p.MarginLeft(), 1683.8, 0.1);
    EXPECT_NEAR(p.MarginBottom(), 1190.6, 0.1);
    p.setMarginLeft(QStringLiteral("1440"));
    EXPECT_EQ(p.MarginLeft(), 1440);
    p.setMarginLeft(QStringLiteral("25.4mm"));
    EXPECT_NEAR(p.MarginLeft(), 1440, 1e-9);
    EXPECT_EQ(errorOf([&] { p.setMarginLeft(QStringLiteral("ten")); }), 380);
    EXPECT_EQ(errorOf([&] { p.setMarginLeft(QStringLiteral("-5%")); }), 380);
    EXPECT_EQ(errorOf([&] { p.setPaperSize(77); }), 380);
    EXPECT_EQ(errorOf([&] { p.setOrientation(2); }), 380);
    p.setTitle(QStringLiteral("監視設定"));
    EXPECT_EQ(p.LeftHeader(), QStringLiteral("監視設定"));
}

TEST(ReportSetup, ColumnFormatAndRunningTextSyntax)
{
    const auto cols = parseColumnFormat(kFormat);
    ASSERT_EQ(cols.size(), 6);
    EXPECT_EQ(cols[0].horizontal, Qt::AlignHCenter);
    EXPECT_TRUE(cols[0].verticalCentre);
    EXPECT_EQ(cols[1].widthKind, ColumnFormat::Width::Percent);
    EXPECT_EQ(cols[2].width, 15);
    const auto two = parseColumnFormat(QStringLiteral(">+30%|<+70%"));
    EXPECT_EQ(two[0].horizontal, Qt::AlignRight);
    EXPECT_EQ(two[1].horizontal, Qt::AlignLeft);
    const auto lengths = parseColumnFormat(QStringLiteral("<1440|>2cm|^"));
    EXPECT_EQ(lengths[0].widthKind, ColumnFormat::Width::Length);
    EXPECT_EQ(lengths[0].width, 1440);
    EXPECT_NEAR(lengths[1].width, 1133.86, 0.01);
    EXPECT_EQ(lengths[2].widthKind, ColumnFormat::Width::Auto);
    EXPECT_EQ(errorOf([] { parseColumnFormat(QStringLiteral("^x10%")); }), 5);
    EXPECT_EQ(errorOf([] { parseColumnFormat(QStringLiteral("^+ten%")); }), 5);

    EXPECT_EQ(splitRunningText(QStringLiteral("|- %d -|")), QStringList({"", "- %d -", ""}));
    EXPECT_EQ(splitRunningText(QStringLiteral("title||2024/05/10 10:00:00")),
              QStringList({"title", "", "2024/05/10 10:00:00"}));
    EXPECT_EQ(splitRunningText(QStringLiteral("only")), QStringList({"only", "", ""}));
}

TEST(ReportTable, RowsPaginateOnceEachWithHeaderOnEveryPage)
{
    ReportPrinter p;
    pageSetup(p);
    p.setTitle(QStringLiteral("デマンド値一覧表　（試験）"));
    p.setHeader(p.LeftHeader() + QStringLiteral("||2024/05/10 10:00:00"));
    p.setFooter(QStringLiteral("|- %d -|"));
    int newPages = 0;
    QObject::connect(&p, &ReportPrinter::NewPage, [&](int) { ++newPages; });
    p.StartDoc();
    p.setTableBorder(7);
    p.StartTable();
    p.AddTable(kFormat, kHeader, demandRows(1488), 0x80000016u);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
    const ReportDocument *doc = p.document();
    ASSERT_NE(doc, nullptr);

    // A row is 1.6 % of the page and 80 % of it is printable: 50 rows fit a
    // page, the header and 49 data rows; the first page also holds the title.
    const double rowHeight = 0.016 * p.PageHeight();
    const double columnRight = doc->printable.left() + 0.1 * doc->printable.width();
    std::set<int> seen;
    for (int page = 0; page < doc->pageCount(); ++page) {
        const auto numbers = rowNumbersOnPage(*doc, page, columnRight);
        for (int n : numbers)
            EXPECT_TRUE(seen.insert(n).second) << "row " << n << " twice";
        if (page > 0 && page + 1 < doc->pageCount()) {
            EXPECT_EQ(numbers.size(), 49u) << "page " << page + 1;
        }
        // Numbers run on without a gap across the page break.
        for (size_t i = 1; i < numbers.size(); ++i)
            EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
        int headers = 0;
        for (const ReportText &t : doc->pages[page].texts) {
            if (t.text == QStringLiteral("監視年月日"))
                ++headers;
            EXPECT_GE(t.baseline.y(), doc->printable.top());
            EXPECT_LE(t.baseline.y(), doc->printable.bottom());
        }
        EXPECT_EQ(headers, 1) << "page " << page + 1;
        EXPECT_EQ(doc->pages[page].footer, QStringLiteral("|- %d -|"));
    }
    EXPECT_EQ(int(seen.size()), 1488);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 1488);
    EXPECT_EQ(doc->pageCount(), 31);
    EXPECT_EQ(newPages, 31);

    // Consecutive body rows are one row height apart.
    const auto &texts = doc->pages[1].texts;
    std::vector<double> ys;
    for (const ReportText &t : texts)
        if (t.text == QStringLiteral("10時00分"))
            ys.push_back(t.baseline.y());
    ASSERT_GE(ys.size(), 2u);
    EXPECT_NEAR(ys[1] - ys[0], rowHeight, 1e-6);
}

// The preview's arrows have no text: assistive tools get them named, and
// the page counter as their description, turned with the page.
TEST(ReportPreview, ArrowsAreNamedAndCarryThePageCounter)
{
    ReportPrinter p;
    pageSetup(p);
    p.StartDoc();
    p.StartTable();
    p.AddTable(kFormat, kHeader, demandRows(200), 0x80000016u);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
    const int pages = p.document()->pageCount();
    ASSERT_GE(pages, 3);
    p.resize(600, 500);
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    QToolButton *previous = nullptr;
    QToolButton *next = nullptr;
    for (QToolButton *b : p.findChildren<QToolButton *>()) {
        if (b->arrowType() == Qt::LeftArrow)
            previous = b;
        if (b->arrowType() == Qt::RightArrow)
            next = b;
    }
    ASSERT_NE(previous, nullptr);
    ASSERT_NE(next, nullptr);
    auto name = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    auto description = [](QWidget *w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description);
    };
    EXPECT_EQ(name(previous), QStringLiteral("前ﾍﾟｰｼﾞ"));
    EXPECT_EQ(name(next), QStringLiteral("次ﾍﾟｰｼﾞ"));
    EXPECT_TRUE(previous->text().isEmpty() && next->text().isEmpty()) << "the arrows show no text";
    const QString first = QStringLiteral("1 / %1").arg(pages);
    EXPECT_EQ(description(next), first);
    QTest::mouseClick(next, Qt::LeftButton);
    const QString second = QStringLiteral("2 / %1").arg(pages);
    EXPECT_EQ(p.PreviewPage(), 1);
    EXPECT_EQ(description(next), second);
    EXPECT_EQ(description(previous), second);
    QStringList counters;
    for (QLabel *l : p.findChildren<QLabel *>())
        if (l->text().contains(QStringLiteral(" / ")))
            counters << l->text();
    EXPECT_EQ(counters, QStringList{second}) << "the counter a sighted user reads";
    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(description(previous), first);
}

TEST(ReportTable, CellColoursHeaderShadeAndMultiLineRows)
{
    ReportPrinter p;
    pageSetup(p);
    p.StartDoc();
    p.setTableBorder(7);
    p.StartTable();
    TableBody body = {{QStringLiteral("お客さま番号"), QStringLiteral("123456789")},
                      {QStringLiteral("パルス定数\r(T6KAシリーズのみ有効)"), QStringLiteral("50000")}};
    p.AddTable(QStringLiteral(">+30%|<+70%"), QStringLiteral("設定項目|設定値"), body, 0x80000016u);
    p.TableCell(tcBackColor, 2, 2, -1, -1, 0xC0C0FF);
    p.TableCell(tcRowHeight, QStringLiteral("2.5%"));
    EXPECT_EQ(p.TableCellValue(tcBackColor, 2, 2).value<QColor>(), QColor(255, 192, 192));
    EXPECT_FALSE(p.TableCellValue(tcBackColor, 1, 2).isValid());
    EXPECT_EQ(errorOf([&] { p.TableCell(tcBackColor, 3, 1, -1, -1, 0xC0C0FF); }), 9);
    EXPECT_EQ(errorOf([&] { p.TableCell(tcBackColor, 1, 3, -1, -1, 0xC0C0FF); }), 9);
    EXPECT_EQ(errorOf([&] { p.TableCell(99, 1, 1, -1, -1, 0); }), 380);
    p.EndTable();
    p.EndDoc();
    const ReportDocument *doc = p.document();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->pageCount(), 1);
    const ReportPage &page = doc->pages[0];
    // Two header cells shaded 3-D light, one body cell light red.
    int shaded = 0, red = 0;
    for (const ReportFill &f : page.fills) {
        if (f.color == QColor(227, 227, 227))
            ++shaded;
        if (f.color == QColor(255, 192, 192)) {
            ++red;
            EXPECT_NEAR(f.rect.left(), doc->printable.left() + 0.3 * doc->printable.width(), 1e-6);
        }
    }
    EXPECT_EQ(shaded, 2);
    EXPECT_EQ(red, 1);
    // The carriage return breaks the cell into two lines, one above the other.
    double y1 = 0, y2 = 0;
    for (const ReportText &t : page.texts) {
        if (t.text == QStringLiteral("パルス定数"))
            y1 = t.baseline.y();
        if (t.text == QStringLiteral("(T6KAシリーズのみ有効)"))
            y2 = t.baseline.y();
    }
    EXPECT_GT(y1, 0);
    EXPECT_GT(y2, y1);
    // Right alignment of the first column ends near the column's right edge.
    for (const ReportText &t : page.texts) {
        if (t.text == QStringLiteral("お客さま番号")) {
            EXPECT_GT(t.baseline.x(), doc->printable.left() + 0.1 * doc->printable.width());
        }
    }
}

TEST(ReportTable, HeaderOnlyTableAndMisuseAreHandled)
{
    ReportPrinter p;
    pageSetup(p);
    EXPECT_EQ(errorOf([&] { p.AddTable(kFormat, kHeader, {}, 0x80000016u); }), 5);
    EXPECT_EQ(errorOf([&] { p.EndDoc(); }), 5);
    EXPECT_EQ(errorOf([&] { p.TableCell(tcRowHeight, QStringLiteral("1.6%")); }), 5);
    p.StartDoc();
    p.StartTable();
    p.AddTable(kFormat, kHeader, {}, 0x80000016u);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
    ASSERT_NE(p.document(), nullptr);
    EXPECT_EQ(p.PageCount(), 1);
    int headerTexts = 0;
    for (const ReportText &t : p.document()->pages[0].texts)
        headerTexts += kHeader.split('|').contains(t.text) ? 1 : 0;
    EXPECT_EQ(headerTexts, 6);
    // Every zoom choice shows the empty table without trouble.
    p.resize(800, 600);
    p.show();
    for (int mode = 0; mode < 4; ++mode) {
        p.setZoomMode(mode);
        EXPECT_FALSE(p.grab().isNull());
    }
    // A new set-up discards the document.
    p.BeginSetup();
    EXPECT_EQ(p.document(), nullptr);
    EXPECT_EQ(p.PageCount(), 0);
}

TEST(ReportPicture, PictureFillsOrKeepsItsProportions)
{
    DrawSurface surface;
    surface.resize(400, 200);
    surface.DrawLine(0, 0, 100, 100);
    ReportPrinter p;
    pageSetup(p, 1);
    p.StartDoc();
    const double l = p.MarginLeft(), t = p.MarginTop();
    const double w = p.PageWidth() - p.MarginLeft() - p.MarginRight();
    const double h = p.PageHeight() - p.MarginTop() - p.MarginBottom();
    p.DrawPicture(surface.Picture(), l, t, w, h, paFill, false);
    p.DrawPicture(surface.Picture(), 0, 0, 1000, 1000, paCenterMiddle, false);
    EXPECT_EQ(errorOf([&] { p.DrawPicture(surface.Picture(), 0, 0, 10, 10, 10, false); }), 380);
    EXPECT_EQ(errorOf([&] { p.DrawPicture(DrawPicture(), 0, 0, 10, 10, paFill, false); }), 424);
    p.EndDoc();
    const auto &pics = p.document()->pages[0].pictures;
    ASSERT_EQ(pics.size(), 2);
    EXPECT_EQ(pics[0].rect, QRectF(l, t, w, h));
    // 2:1 picture centred in a square box: 1000 x 500, 250 from the top.
    EXPECT_EQ(pics[1].rect, QRectF(0, 250, 1000, 500));
    EXPECT_EQ(p.PageCount(), 1);
}

TEST(ReportPrinting, PrinterNameComesFromTheCatalogAndIsEmptyWithoutPrinters)
{
    ReportPrinter p;
    ReportPrinter::setPrinterCatalog({[] { return QStringList(); }, [] { return QString(); }});
    EXPECT_EQ(p.Device(), QString());
    ReportPrinter::setPrinterCatalog(
        {[] { return QStringList({"office", "lobby"}); }, [] { return QStringLiteral("lobby"); }});
    EXPECT_EQ(p.Device(), QStringLiteral("lobby"));
    ReportPrinter::setPrinterCatalog({[] { return QStringList({"office"}); }, [] { return QString(); }});
    EXPECT_EQ(p.Device(), QStringLiteral("office"));
    ReportPrinter::setPrinterCatalog(
        {[] { return QPrinterInfo::availablePrinterNames(); }, [] { return QPrinterInfo::defaultPrinterName(); }});
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    EXPECT_EQ(p.Device(), QString());
}

// Printing without a printer is refused with the printer error's standard
// text and what went wrong (no printer, or the printer that cannot start),
// in the program's language.
TEST(ReportPrinting, PrintingWithoutAPrinterIsToldInJapanese)
{
    ReportPrinter p;
    pageSetup(p);
    p.StartDoc();
    p.EndDoc();
    ReportPrinter::setPrinterCatalog({[] { return QStringList(); }, [] { return QString(); }});
    int number = 0;
    QString text;
    try {
        p.PrintDoc();
    } catch (const platform::RuntimeError &e) {
        number = e.Number();
        text = e.Description();
    }
    ReportPrinter::setPrinterCatalog(
        {[] { return QPrinterInfo::availablePrinterNames(); }, [] { return QPrinterInfo::defaultPrinterName(); }});
    EXPECT_EQ(number, platform::err::PrinterError);
    EXPECT_TRUE(text.contains(QStringLiteral("(使用できるプリンタがありません)")) ||
                text.contains(QStringLiteral("で印刷を開始できません)")))
        << text.toStdString();
    EXPECT_TRUE(text.startsWith(platform::errorDescription(platform::err::PrinterError))) << text.toStdString();
}

TEST(ReportPrinting, DialogAnswerAndPrintingWithCancel)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("printed.pdf"));
    ReportPrinter::setPrintDialogHandler([&](QPrinter &printer, QWidget *) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out);
        return true;
    });
    ReportPrinter p;
    pageSetup(p);
    p.setFooter(QStringLiteral("|- %d -|"));
    EXPECT_EQ(p.PrintDialog(0), 1);
    EXPECT_EQ(errorOf([&] { p.PrintDoc(); }), 5); // nothing generated yet
    p.StartDoc();
    p.StartTable();
    p.AddTable(kFormat, kHeader, demandRows(200), 0x80000016u);
    p.TableCell(tcRowHeight, QStringLiteral("1.6%"));
    p.EndTable();
    p.EndDoc();
    std::vector<int> pages;
    QObject::connect(&p, &ReportPrinter::PrintingPage, [&](int n) { pages.push_back(n); });
    EXPECT_TRUE(p.PrintDoc());
    EXPECT_EQ(int(pages.size()), p.PageCount());
    const QString info = printtest::runTool(QStringLiteral("pdfinfo"), {out});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\b").arg(p.PageCount()))))
        << info.toStdString();
    const QString text = printtest::runTool(QStringLiteral("pdftotext"), {out, QStringLiteral("-")});
    EXPECT_TRUE(text.simplified().remove(QLatin1Char(' ')).contains(QStringLiteral("-2-")));

    // The progress window's cancel button stops before the next page.
    pages.clear();
    QObject::connect(&p, &ReportPrinter::PrintingPage, [&](int n) {
        if (n != 2)
            return;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = w->findChild<QPushButton *>(QStringLiteral("printCancel"))) {
                EXPECT_EQ(b->text(), QStringLiteral("ｷｬﾝｾﾙ"));
                EXPECT_EQ(b->window()->windowTitle(), QStringLiteral("印刷中...."));
                b->click();
            }
    });
    EXPECT_FALSE(p.PrintDoc());
    EXPECT_EQ(pages.size(), 2u);

    ReportPrinter::setPrintDialogHandler([](QPrinter &, QWidget *) { return false; });
    EXPECT_EQ(p.PrintDialog(0), 0);
}
