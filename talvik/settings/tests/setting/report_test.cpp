// The settings report: printed through the print dialog into a PDF file and
// read back with pdftotext as an independent reader.
#include "settingFixture.h"

#include "talvik/core/basComVariables.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace talvik;
using namespace settingtest;
namespace fm = platform::forms;
using platform::print::ReportPrinter;

namespace {

QString run(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pages(const QString &pdf)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The lines of the PDF's text, blanks of every width removed, empty lines dropped.
QStringList lines(const QString &pdf)
{
    QStringList out;
    for (QString line : run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                            .split(QLatin1Char('\n'))) {
        line.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]")));
        if (!line.isEmpty())
            out << line;
    }
    return out;
}

class ReportTest : public SettingFixture {
protected:
    void SetUp() override
    {
        SettingFixture::SetUp();
        ASSERT_TRUE(m_out.isValid());
        ReportPrinter::setPrinterCatalog({[] { return QStringList{QStringLiteral("office")}; },
                                          [] { return QStringLiteral("office"); }});
    }
    void TearDown() override
    {
        ReportPrinter::setPrinterCatalog({[] { return QStringList(); }, [] { return QString(); }});
        ReportPrinter::setPrintDialogHandler(nullptr);
        SettingFixture::TearDown();
    }
    // Prints through the toolbar with the print dialog confirmed into a PDF.
    QString print(frmSetting &w, const QString &name)
    {
        const QString pdf = m_out.path() + QLatin1Char('/') + name;
        ReportPrinter::setPrintDialogHandler([pdf](QPrinter &printer, QWidget *) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        w.tlbSetting.clickButton(QStringLiteral("Print"));
        return pdf;
    }
    QTemporaryDir m_out;
};

} // namespace

TEST_F(ReportTest, T6kaReportHasSixRowsTheTwoLineCellAndTheHeader)
{
    frmSetting &w = openWith(kT6ka);
    w.txtCustomerID.setText(QStringLiteral("123456789"));
    w.numWatt.setValue(85);
    w.numPulseF2.setValue(150);
    w.numSkipTime.setValue(3);
    w.numWLevel2.setValue(95);
    QTest::mouseClick(w.optPulButtons(0).widget(), Qt::LeftButton);
    const QString pdf = print(w, QStringLiteral("t6ka.pdf"));
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(pages(pdf), 1);
    const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!artifacts.isEmpty()) {
        QFile::remove(artifacts + QStringLiteral("/frmSetting_report_T6KA.pdf"));
        QFile::copy(pdf, artifacts + QStringLiteral("/frmSetting_report_T6KA.pdf"));
    }
    const QStringList text = lines(pdf);
    const QString all = text.join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("監視設定[新規作成]"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")))) << all.toStdString();
    const QStringList rows{QStringLiteral("設定項目設定値"),       QStringLiteral("お客さま番号123456789"),
                           QStringLiteral("デマンド85.0KW"),      QStringLiteral("電力計150/5"),
                           QStringLiteral("スキップタイム3分"),   QStringLiteral("注意レベル95%"),
                           QStringLiteral("パルス定数")};
    int at = -1;
    for (const QString &row : rows) {
        const int found = text.indexOf(row, at + 1);
        EXPECT_GT(found, at) << row.toStdString() << "\n" << all.toStdString();
        at = std::max(at, found);
    }
    // The two-line item cell: its second line under its first, the value
    // beside the middle of the cell, between them.
    const int pulse = text.indexOf(QStringLiteral("パルス定数"));
    ASSERT_GE(pulse, 0);
    ASSERT_LT(pulse + 2, text.size());
    EXPECT_EQ(text[pulse + 1], QStringLiteral("50000"));
    EXPECT_EQ(text[pulse + 2], QStringLiteral("(T6KAシリーズのみ有効)"));

    // 2000 when the second option is chosen.
    QTest::mouseClick(w.optPulButtons(1).widget(), Qt::LeftButton);
    const QStringList second = lines(print(w, QStringLiteral("t6ka2.pdf")));
    const int at2 = second.indexOf(QStringLiteral("パルス定数"));
    ASSERT_GE(at2, 0);
    EXPECT_EQ(second.value(at2 + 1), QStringLiteral("2000"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReportTest, T4kaV10ReportShowsTheOptionCaptionsTheFileNameAndNoPulse)
{
    const QString cfg = m_out.path() + QStringLiteral("/kojo.cfg");
    writeBytes(cfg, cp932(QStringLiteral("[DEMAND]\nバージョン=2\nお客さま番号=000000001\nデマンド設定=1800\n"
                                         "スキップタイム設定=10\n電力計設定=2\n注意警報レベル設定=0\n")));
    frmSetting &w = openWith(kT4ka10);
    m_script->chooseFile(cfg);
    w.mnuOpen.click();
    ASSERT_EQ(w.settingFileName, cfg);
    const QStringList text = lines(print(w, QStringLiteral("t4ka.pdf")));
    const QString all = text.join(QLatin1Char('\n'));
    QString flat = cfg;
    flat.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_TRUE(all.contains(QStringLiteral("監視設定[") + flat + QStringLiteral("]"))) << all.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("電力計200/5"))) << all.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("注意レベル70%"))) << all.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("デマンド180.0KW"))) << all.toStdString();
    // No value beside the pulse constant.
    const int pulse = text.indexOf(QStringLiteral("パルス定数"));
    ASSERT_GE(pulse, 0) << all.toStdString();
    EXPECT_EQ(text.value(pulse + 1), QStringLiteral("(T6KAシリーズのみ有効)"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(ReportTest, NoPrinterOrACancelledDialogPrintsNothing)
{
    frmSetting &w = openWith(kT4kb);
    ReportPrinter::setPrinterCatalog({[] { return QStringList(); }, [] { return QString(); }});
    bool asked = false;
    ReportPrinter::setPrintDialogHandler([&](QPrinter &, QWidget *) { return asked = true; });
    expectBox(QStringLiteral("ﾌﾟﾘﾝﾀｰが使用できません。通常使うﾌﾟﾘﾝﾀｰの設定を確認してください。"), fm::vbExclamation);
    w.mnuPrint.click();
    EXPECT_FALSE(asked);
    ReportPrinter::setPrinterCatalog({[] { return QStringList{QStringLiteral("office")}; },
                                      [] { return QStringLiteral("office"); }});
    const QString pdf = m_out.path() + QStringLiteral("/never.pdf");
    ReportPrinter::setPrintDialogHandler([&](QPrinter &printer, QWidget *) {
        asked = true;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return false;
    });
    w.mnuPrint.click();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_EQ(w.vspPrint.PageCount(), 0);
    EXPECT_TRUE(m_script->verify());
}
