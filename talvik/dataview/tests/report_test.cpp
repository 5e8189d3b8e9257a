// The data window's report: page set-up and texts, the table of the grid with
// its coloured demand cells, the graph page, preview, printing and PDF output
// (checked with the poppler tools as an independent reader).
#include "dataWindowFixture.h"

#include "platform/forms/constants.h"
#include "platform/print/reportdocument.h"
#include "platform/runtime/numeric.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/dataview/clsGraph.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

namespace fm = platform::forms;
using platform::print::ReportPrinter;

const QString kMonthKey = QStringLiteral("\\dDB.tran\\東京工場\\2024年::2401");
const QString kDayKey = QStringLiteral("\\dDB.tran\\東京工場\\2024年::240105");

QString runTool(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000))
        return QStringLiteral("<%1 did not finish>").arg(tool);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &file)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(runTool(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// pdftotext of one page (1-based), blanks of every width removed.
QString pageText(const QString &file, int page)
{
    QString t = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                                       QString::number(page), QStringLiteral("-layout"), file,
                                                       QStringLiteral("-")});
    t.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]")));
    return t;
}

// Count of fills of a colour over the whole document.
int fillsOf(const platform::print::ReportDocument &doc, const QColor &colour)
{
    int n = 0;
    for (const auto &page : doc.pages)
        for (const auto &fill : page.fills)
            if (fill.color == colour)
                ++n;
    return n;
}

// The wait dialog, remembering its first info line when it is unloaded.
class WaitProbe : public talvik::frmWait {
public:
    QString lastInfo1;

protected:
    void Form_Unload(int &cancel) override
    {
        lastInfo1 = lblLoadInfo1.Caption();
        talvik::frmWait::Form_Unload(cancel);
    }
};

class ReportTest : public dwtest::DataWindowTest {
protected:
    void SetUp() override
    {
        DataWindowTest::SetUp();
        m_savedDir = QDir::currentPath();
        makeStore();
        // A full January: 31 days of 48 half hours (1,488 rows). Every
        // seventh half hour is above 50 kW, one value is exactly 50.0 kW.
        QByteArray january;
        for (int d = 1; d <= 31; ++d)
            for (int s = 0; s < 48; ++s) {
                const int i = (d - 1) * 48 + s;
                const int watt = (i == 5) ? 500 : (i % 7 == 0 ? 600 + d : 200 + s);
                const QByteArray day = "2401" + platform::FormatZero(d, 2).toLatin1();
                const QByteArray time = platform::FormatZero((s / 2) * 100 + (s % 2) * 30, 4).toLatin1();
                january += dwtest::demandLine(day.constData(), time.constData(),
                                              platform::FormatZero(watt, 4).toLatin1().constData());
                if (watt > 500)
                    ++m_overFifty;
            }
        january += dwtest::demandLine("240210", "0900", "0200");
        writeFile(QStringLiteral("dDB/東京工場/2024年/demand.csv"), january);

        talvik::waitForm = &wait;
        QObject::connect(&wait, &fm::Form::Loaded, [this] { ++waitLoads; });
        loadWindow();
        ASSERT_TRUE(out.isValid());
    }
    void TearDown() override
    {
        ReportPrinter::setPrinterCatalog(
            {[] { return QStringList(); }, [] { return QString(); }});
        ReportPrinter::setPrintDialogHandler(nullptr);
        if (wait.isLoaded())
            wait.Unload();
        DataWindowTest::TearDown();
        talvik::waitForm = nullptr;
        QDir::setCurrent(m_savedDir);
    }

    void showMonthTable(int threshold)
    {
        clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年"));
        w->treData_Expand(w->treData().Item(QStringLiteral("\\dDB.tran\\東京工場\\2024年")));
        clickNode(kMonthKey);
        w->zonumDemand.setValue(threshold);
        ASSERT_EQ(w->mfgData().Rows() - w->mfgData().FixedRows(), 1488);
    }
    void showGraph()
    {
        w->optDispStyle(1).setValue(true);
        ASSERT_FALSE(w->optDispStyle(0).Value());
        w->redrawGraph();
    }
    QString pdfPath(const QString &name) const { return out.filePath(name); }
    // Runs the PDF command choosing file.
    void writePdf(const QString &file)
    {
        script->chooseFile(file);
        w->writePdfFile();
    }

    WaitProbe wait;
    int waitLoads = 0;
    int m_overFifty = 0;
    QTemporaryDir out;

private:
    QString m_savedDir;
};

} // namespace

// ------------------------------------------------------------ page set-up

TEST_F(ReportTest, HeaderOfTheTableViewCarriesTitleThresholdAndTime)
{
    showMonthTable(50);
    w->printHeader();
    const ReportPrinter &p = w->vspPrint;
    EXPECT_EQ(p.PaperSize(), 9);
    EXPECT_EQ(p.Orientation(), 0);
    EXPECT_NEAR(p.MarginLeft(), p.PageWidth() * 0.1, 1);
    EXPECT_NEAR(p.MarginRight(), p.PageWidth() * 0.1, 1);
    EXPECT_NEAR(p.MarginTop(), p.PageHeight() * 0.1, 1);
    EXPECT_NEAR(p.MarginBottom(), p.PageHeight() * 0.1, 1);
    EXPECT_EQ(p.Title(), QStringLiteral("デマンド値一覧表　（東京工場 2024年01月）    デマンド：50[kW]"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral(
                                       "^デマンド値一覧表　（東京工場 2024年01月）    デマンド：50\\[kW\\]\\|\\|"
                                       "\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(p.Header())
                    .hasMatch())
        << p.Header().toStdString();
    EXPECT_EQ(p.Footer(), QStringLiteral("|- %d -|"));

    // Without a threshold the title ends with the caption.
    w->zonumDemand.setValue(0);
    w->printHeader();
    EXPECT_EQ(p.Title(), QStringLiteral("デマンド値一覧表　（東京工場 2024年01月）"));
}

TEST_F(ReportTest, GraphViewIsOneLandscapePageWithoutTitleOrPageNumber)
{
    showMonthTable(50);
    showGraph();
    w->printHeader();
    w->printBody();
    const ReportPrinter &p = w->vspPrint;
    EXPECT_EQ(p.Orientation(), 1);
    EXPECT_EQ(p.Title(), QString());
    EXPECT_EQ(p.Footer(), QString());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\|\\|\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(p.Header())
                    .hasMatch());
    ASSERT_NE(p.document(), nullptr);
    ASSERT_EQ(p.PageCount(), 1);
    const auto &page = p.document()->pages[0];
    ASSERT_EQ(page.pictures.size(), 1);
    // The picture fills the printable area of the landscape page.
    EXPECT_GT(p.PageWidth(), p.PageHeight());
    EXPECT_NEAR(page.pictures[0].rect.left(), p.MarginLeft(), 1);
    EXPECT_NEAR(page.pictures[0].rect.top(), p.MarginTop(), 1);
    EXPECT_NEAR(page.pictures[0].rect.width(), p.PageWidth() * 0.8, 1);
    EXPECT_NEAR(page.pictures[0].rect.height(), p.PageHeight() * 0.8, 1);
    EXPECT_GT(page.pictures[0].picture.itemCount(), 50);
}

// ----------------------------------------------------------------- table

TEST_F(ReportTest, TableCopiesTheGridAndColoursOnlyValuesAboveTheThreshold)
{
    showMonthTable(50);
    w->printHeader();
    w->printBody();
    const auto *doc = w->vspPrint.document();
    ASSERT_NE(doc, nullptr);
    // Exactly one light red cell per row above 50.0 kW; 50.0 itself is not.
    EXPECT_EQ(fillsOf(*doc, QColor(0xFF, 0xC0, 0xC0)), m_overFifty);
    // The first page: header texts, then row 1 with the grid's cells in order.
    QStringList firstTexts;
    for (const auto &t : doc->pages[0].texts)
        firstTexts << t.text;
    for (const QString &h : {QStringLiteral("№"), QStringLiteral("監視年月日"), QStringLiteral("開始時間"),
                             QStringLiteral("終了時間"), QStringLiteral("デマンド値[kW]"), QStringLiteral("取得日時")})
        EXPECT_TRUE(firstTexts.contains(h)) << h.toStdString();
    const int one = int(firstTexts.indexOf(QStringLiteral("1")));
    ASSERT_GE(one, 0);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(firstTexts.value(one + 1 + c), w->mfgData().TextMatrix(1, c)) << c;

    // The row number runs 1..1488 over all pages, in the grid's order.
    QStringList lastTexts;
    for (const auto &t : doc->pages.last().texts)
        lastTexts << t.text;
    EXPECT_TRUE(lastTexts.contains(QStringLiteral("1488")));
    EXPECT_EQ(lastTexts.last(), w->mfgData().TextMatrix(1488, 4));

    // Threshold 0: nothing coloured.
    w->zonumDemand.setValue(0);
    w->printHeader();
    w->printBody();
    EXPECT_EQ(fillsOf(*w->vspPrint.document(), QColor(0xFF, 0xC0, 0xC0)), 0);
}

TEST_F(ReportTest, MonthTablePdfPagesTextsColoursAndFonts)
{
    showMonthTable(50);
    const QString file = pdfPath(QStringLiteral("month.pdf"));
    writePdf(file);
    EXPECT_TRUE(script->verify());
    EXPECT_EQ(prompts().size(), 1); // the save dialog only: no message
    ASSERT_TRUE(QFileInfo::exists(file));

    // Pages: rows of 1.6 % of the page in the 80 % between the margins give
    // 50 rows a page with the repeated header row, the first page less the
    // title: 47 + 29 x 49 + 20 rows, 31 pages.
    const int pages = pdfPages(file);
    EXPECT_EQ(pages, w->vspPrint.PageCount());
    EXPECT_EQ(pages, 31);

    const QString first = pageText(file, 1);
    EXPECT_TRUE(first.contains(QStringLiteral("デマンド値一覧表（東京工場2024年01月）デマンド：50[kW]"))) << first.left(300).toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("\\d{4}/\\d{2}/\\d{2}\\d{2}:\\d{2}:\\d{2}")).match(first).hasMatch());
    EXPECT_TRUE(first.contains(QStringLiteral("-1-")));
    EXPECT_TRUE(first.contains(QStringLiteral("監視年月日")));
    EXPECT_TRUE(first.contains(QStringLiteral("2024年01月01日")));
    const QString last = pageText(file, pages);
    EXPECT_TRUE(last.contains(QStringLiteral("-%1-").arg(pages)));
    EXPECT_TRUE(last.contains(QStringLiteral("1488")));
    EXPECT_TRUE(last.contains(QStringLiteral("2024年01月31日")));

    // Every font embedded.
    const QStringList fonts =
        runTool(QStringLiteral("pdffonts"), {file}).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    for (const QString &line : fonts) {
        const QStringList cols = line.simplified().split(u' ');
        ASSERT_GE(cols.size(), 5);
        EXPECT_EQ(cols[cols.size() - 5], QStringLiteral("yes")) << line.toStdString();
    }

    // Light red cells on the rendered first page (row 1 is above 50 kW).
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS", out.path());
    QDir().mkpath(artifacts);
    QFile::remove(artifacts + QStringLiteral("/report_month.pdf"));
    QFile::copy(file, artifacts + QStringLiteral("/report_month.pdf"));
    const QString png = artifacts + QStringLiteral("/report_month_page1");
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"), QStringLiteral("-singlefile"), file, png});
    QImage image(png + QStringLiteral(".png"));
    ASSERT_FALSE(image.isNull());
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 240 && qAbs(c.green() - 0xC0) < 12 && qAbs(c.blue() - 0xC0) < 12)
                ++red;
        }
    EXPECT_GT(red, 100);
}

TEST_F(ReportTest, GraphPdfIsOneLandscapeVectorPage)
{
    showMonthTable(50);
    showGraph();
    const QString file = pdfPath(QStringLiteral("graph.pdf"));
    writePdf(file);
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(pdfPages(file), 1);
    const QString info = runTool(QStringLiteral("pdfinfo"), {file});
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), 841.89, 1);
    EXPECT_NEAR(size.captured(2).toDouble(), 595.28, 1);
    // Vectors: the graph's texts are text in the PDF, and no image is embedded.
    const QString text = pageText(file, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("日別の最大電力（東京工場2024年01月）"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[kW]")));
    const QStringList images =
        runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file}).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(images.size(), 2) << images.join(u'\n').toStdString(); // the two heading lines only
    EXPECT_FALSE(text.contains(QStringLiteral("-1-")));
}

TEST_F(ReportTest, EmptyGridGivesAnEmptyTableWithItsHeader)
{
    clickNode(QStringLiteral("\\dDB.tran"));
    w->mfgData().setRows(w->mfgData().FixedRows());
    w->zonumDemand.setValue(10);
    const QString file = pdfPath(QStringLiteral("empty.pdf"));
    writePdf(file);
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(pdfPages(file), 1);
    const QString text = pageText(file, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("№監視年月日開始時間終了時間デマンド値[kW]取得日時"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("-1-")));

    // Preview of the same: up, with one page.
    w->printPreview();
    EXPECT_TRUE(w->vspPrintHost.Visible());
    EXPECT_EQ(w->vspPrint.PageCount(), 1);
}

// ------------------------------------------------------ preview and print

TEST_F(ReportTest, PreviewTogglesWithTheWaitDialogAndTheMenuCheck)
{
    showMonthTable(0);
    waitLoads = 0;
    w->printPreview();
    EXPECT_EQ(waitLoads, 1);
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_EQ(wait.lastInfo1, QStringLiteral("ページ準備中・・・・"));
    EXPECT_TRUE(w->vspPrintHost.Visible());
    EXPECT_TRUE(w->vspPrintHost.Enabled());
    EXPECT_TRUE(w->mnuFile(8).Checked());
    EXPECT_TRUE(w->cmdPreBack.Visible());
    EXPECT_EQ(w->vspPrint.PageCount(), 31);
    // The texts the control shows while printing and in its zoom choices.
    EXPECT_EQ(w->vspPrint.PrintingCaption(), QStringLiteral("印刷中...."));
    EXPECT_EQ(w->vspPrint.CancelCaption(), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_EQ(w->vspPrint.DeviceLineFormat(), QStringLiteral("出力先 %s ( %s )"));
    EXPECT_EQ(w->vspPrint.PageLineFormat(), QStringLiteral("%d ﾍﾟｰｼﾞ目を印刷中"));
    EXPECT_EQ(w->vspPrint.ZoomChoices(), QStringLiteral("ﾍﾟｰｼﾞ全体(&P)|ﾍﾟｰｼﾞ幅(&W)|2ﾍﾟｰｼﾞ(&T)|ｻﾑﾈｲﾙ(&N)"));

    w->printPreview();
    EXPECT_FALSE(w->vspPrintHost.Visible());
    EXPECT_FALSE(w->mnuFile(8).Checked());
    EXPECT_EQ(waitLoads, 1);
}

TEST_F(ReportTest, PrintWithoutPrinterShowsOnlyTheMessage)
{
    ReportPrinter::setPrinterCatalog({[] { return QStringList(); }, [] { return QString(); }});
    bool dialogShown = false;
    ReportPrinter::setPrintDialogHandler([&](QPrinter &, QWidget *) { return dialogShown = true; });
    showMonthTable(50);
    script->answerNext(fm::vbOK);
    w->printDocument();
    ASSERT_EQ(prompts(), QStringList{QStringLiteral("ﾌﾟﾘﾝﾀｰが使用できません。通常使うﾌﾟﾘﾝﾀｰの設定を確認してください。")});
    EXPECT_EQ(script->shown()[0].style, fm::vbExclamation);
    EXPECT_EQ(script->shown()[0].title, QStringLiteral("Orvantis"));
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(w->vspPrint.PageCount(), 0);
}

TEST_F(ReportTest, PrintDialogCancelPrintsNothingAndConfirmPrints)
{
    ReportPrinter::setPrinterCatalog({[] { return QStringList{QStringLiteral("office")}; },
                                      [] { return QStringLiteral("office"); }});
    const QString file = pdfPath(QStringLiteral("printed.pdf"));
    bool confirm = false;
    int dialogs = 0;
    ReportPrinter::setPrintDialogHandler([&](QPrinter &printer, QWidget *) {
        ++dialogs;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return confirm;
    });
    showMonthTable(50);
    w->printDocument();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(w->vspPrint.PageCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(prompts().isEmpty());

    confirm = true;
    w->printDocument();
    EXPECT_EQ(dialogs, 2);
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(pdfPages(file), w->vspPrint.PageCount());
    EXPECT_TRUE(prompts().isEmpty());
}

// ------------------------------------------------------------------- PDF

TEST_F(ReportTest, PdfDialogStartsOnTheDesktopOnceAndEndsThere)
{
    showMonthTable(0);
    script->cancelNextFileDialog();
    w->writePdfFile();
    ASSERT_EQ(script->shown().size(), 1); // cancel: no message
    const fm::ShownDialog &first = script->shown()[0];
    EXPECT_EQ(first.kind, fm::ShownDialog::SaveFile);
    EXPECT_EQ(first.title, QStringLiteral("ＰＤＦ出力"));
    EXPECT_EQ(first.initDir, platform::shell::desktopFolder());
    EXPECT_EQ(first.prompt, QString());
    EXPECT_EQ(first.filter, QString());
    EXPECT_EQ(first.style & fm::cdlOFNOverwritePrompt, 0);
    EXPECT_EQ(first.style & fm::cdlOFNFileMustExist, 0);
    EXPECT_FALSE(wait.isLoaded());

    writePdf(pdfPath(QStringLiteral("second.pdf")));
    ASSERT_EQ(script->shown().size(), 2);
    EXPECT_EQ(script->shown()[1].initDir, QString());
    EXPECT_TRUE(QFileInfo::exists(pdfPath(QStringLiteral("second.pdf"))));
    EXPECT_EQ(wait.lastInfo1, QStringLiteral("ＰＤＦ出力中・・・・"));
    EXPECT_FALSE(wait.isLoaded());
    if (QFileInfo(platform::shell::desktopFolder()).isDir()) {
        EXPECT_EQ(QDir::current().canonicalPath(), QDir(platform::shell::desktopFolder()).canonicalPath());
    }
}

TEST_F(ReportTest, FailedPdfOutputIsReportedAndLeavesNoFile)
{
    showMonthTable(0);
    const QString file = pdfPath(QStringLiteral("missing/folder/out.pdf"));
    script->chooseFile(file);
    script->answerNext(fm::vbOK);
    w->writePdfFile();
    ASSERT_EQ(script->shown().size(), 2);
    const fm::ShownDialog &box = script->shown()[1];
    EXPECT_EQ(box.kind, fm::ShownDialog::MessageBox);
    EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("ＰＤＦファイルを出力できませんでした。"))) << box.prompt.toStdString();
    EXPECT_EQ(box.style & fm::vbCritical, fm::vbCritical);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(wait.isLoaded());
    EXPECT_TRUE(w->Enabled());
}

TEST_F(ReportTest, FailingPrinterIsReportedAndTheWindowStaysUsable)
{
    ReportPrinter::setPrinterCatalog({[] { return QStringList{QStringLiteral("office")}; },
                                      [] { return QStringLiteral("office"); }});
    const QString file = pdfPath(QStringLiteral("no/such/folder/printed.pdf"));
    ReportPrinter::setPrintDialogHandler([&](QPrinter &printer, QWidget *) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    });
    showMonthTable(0);
    script->answerNext(fm::vbOK);
    w->printDocument();
    ASSERT_EQ(script->shown().size(), 1);
    EXPECT_EQ(script->shown()[0].style & fm::vbCritical, fm::vbCritical);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(w->Enabled());

    // The next command runs as usual.
    const QString pdf = pdfPath(QStringLiteral("after.pdf"));
    writePdf(pdf);
    EXPECT_EQ(pdfPages(pdf), 31);
}
