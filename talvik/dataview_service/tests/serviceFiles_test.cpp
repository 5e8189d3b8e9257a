// The file commands of the service-mode window on the shared data-window
// code: the 8-column report and its PDF, the CSV export that imports again
// to the same table, the data set saved and opened byte for byte with the
// service's progress text, and the menu import with its count file.
#include "serviceFixture.h"

#include "platform/forms/constants.h"
#include "platform/forms/flexgrid.h"
#include "platform/print/reportdocument.h"
#include "talvik/core/basComVariables.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

using namespace srvtest;
using namespace platform::forms;

namespace {

const QString kYear = QStringLiteral("\\dDB.tran\\123456789\\2024年");

QString pdfText(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return QStringLiteral("<pdftotext did not finish>");
    QString t = QString::fromUtf8(p.readAllStandardOutput());
    t.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]")));
    return t;
}

// The texts of a document's pages, joined.
QString documentText(const platform::print::ReportDocument &doc)
{
    QString all;
    for (const auto &page : doc.pages)
        for (const auto &t : page.texts)
            all += t.text + u'|';
    return all;
}

} // namespace

class ServiceFiles : public ServiceWindowTest {
protected:
    void startImported()
    {
        talvik::srvMode = true;
        makeInput();
        answerNumberDialog(kCustomer);
        loadWindow();
        ASSERT_TRUE(w->isLoaded());
        clickNode(kYear);
    }
    QString out(const QString &name) const { return path(QStringLiteral("out/") + name); }
};

TEST_F(ServiceFiles, PdfReportHasEightColumnsCountsAndThePageFooter)
{
    startImported();
    QDir().mkpath(path(QStringLiteral("out")));
    const QString file = out(QStringLiteral("report.pdf"));
    script->chooseFile(file);
    w->mnuFileOut(1).action()->trigger();
    EXPECT_TRUE(script->verify());
    ASSERT_TRUE(QFileInfo::exists(file));
    const QString text = pdfText(file);
    EXPECT_TRUE(text.contains(QStringLiteral("№監視年月日開始時間終了時間デマンド値[kW]注意件数限界件数取得日時")))
        << text.left(400).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("12024年01月05日(金)10時00分10時30分12.331")));
    EXPECT_TRUE(text.contains(QStringLiteral("32024年01月05日(金)11時00分11時30分7.8--")));
    EXPECT_TRUE(text.contains(QStringLiteral("-1-")));
    // The column widths of the format add up to the page width (105 %).
    int sum = 0;
    for (const QString &c : QStringLiteral("^+10%|^+20%|^+10%|^+10%|^+15%|^+10%|^+10%|^+20%").split(u'|'))
        sum += c.mid(2, c.size() - 3).toInt();
    EXPECT_EQ(sum, 105);
}

TEST_F(ServiceFiles, ReportOfAnEmptiedTableIsItsHeaderAlone)
{
    startImported();
    auto &g = w->mfgData();
    // As the end of a device read empties it (the fixed row stays).
    g.Clear();
    g.setRows(1);
    EXPECT_ANY_THROW(g.setRows(0));
    w->mnuFile(8).action()->trigger();
    ASSERT_TRUE(w->vspPrintHost.Visible());
    ASSERT_NE(w->vspPrint.document(), nullptr);
    const QString text = documentText(*w->vspPrint.document());
    EXPECT_TRUE(text.contains(QStringLiteral("注意件数"))) << text.left(300).toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("2024年01月05日")));
    EXPECT_TRUE(prompts().isEmpty());
    w->cmdPreBack_Click();
}

TEST_F(ServiceFiles, CsvExportImportsAgainToTheSameTable)
{
    startImported();
    const QStringList before = tableRows();
    QDir().mkpath(path(QStringLiteral("out")));
    const QString file = out(QStringLiteral("777777777.csv"));
    script->chooseFile(file);
    w->mnuFileOut(0).action()->trigger();
    EXPECT_EQ(script->shown().value(0).prompt, QStringLiteral("123456789.CSV"));
    EXPECT_EQ(QString::fromLatin1(readFile(QStringLiteral("out/777777777.csv"))),
              QStringLiteral("20240105,1000,0123\r\n20240105,1030,0456\r\n20240105,1100,0078\r\n20240210,0900,0200\r\n"));
    // The menu import of that file under a new name takes the counts from
    // the count file beside it.
    writeFile(QStringLiteral("out/777777777as.csv"), readFile(QStringLiteral("input/123456789/123456789as.csv")));
    script->chooseFile(file);
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("777777777");
        return true;
    };
    w->mnuFileInput(0).action()->trigger();
    EXPECT_EQ(dialogs.lastAddCustom, QStringLiteral("777777777"));
    EXPECT_TRUE(talvik::srvCustomer.isEmpty());
    EXPECT_EQ(QDir(talvik::dataFolder).absolutePath(), QDir(path(QStringLiteral("out"))).absolutePath());
    clickNode(QStringLiteral("\\dDB.tran\\777777777\\2024年"));
    QStringList after = tableRows();
    // Everything but the time of acquisition is the same.
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].section(u'|', 0, 5), before[i].section(u'|', 0, 5)) << i;
}

TEST_F(ServiceFiles, DataSetSavesAndOpensByteForByteWithTheServiceProgressText)
{
    startImported();
    QDir().mkpath(path(QStringLiteral("out")));
    const QString archive = out(QStringLiteral("set.dmd"));
    script->chooseFile(archive);
    w->mnuFile(2).action()->trigger();
    EXPECT_TRUE(QFileInfo::exists(archive));
    EXPECT_FALSE(w->dataChanged());
    // The service window names the folder after the arrow.
    talvik::IDataSetHost &host = *w;
    EXPECT_EQ(host.saveProgressText(QStringLiteral("A社")), QStringLiteral("  ----->  [保存中]  A社"));
    const QByteArray table = readFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv"));
    ASSERT_NE(table, QByteArray("<missing>"));
    // Change the working store, then open the saved set: the table is back.
    writeFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv"), "garbage\r\n");
    script->chooseFile(archive);
    w->mnuFile(0).action()->trigger();
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv")), table);
    EXPECT_EQ(readFile(QStringLiteral("dDB/123456789/2024年/demand.csv")), table);
    EXPECT_TRUE(w->currentKey.isEmpty());
}

TEST_F(ServiceFiles, ACorruptArchiveLeavesBothStoresUntouched)
{
    startImported();
    QDir().mkpath(path(QStringLiteral("out")));
    script->chooseFile(out(QStringLiteral("set.dmd")));
    w->mnuFile(2).action()->trigger();
    const QByteArray committed = readFile(QStringLiteral("dDB/123456789/2024年/demand.csv"));
    const QByteArray working = readFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv"));
    writeFile(QStringLiteral("out/bad.dmd"), QByteArray(300, 'x'));
    script->chooseFile(out(QStringLiteral("bad.dmd")));
    script->answerNext(vbOK);
    w->mnuFile(0).action()->trigger();
    EXPECT_TRUE(prompts().last().startsWith(QStringLiteral("オープン中にエラーが発生しました。　")))
        << prompts().last().toStdString();
    EXPECT_EQ(readFile(QStringLiteral("dDB/123456789/2024年/demand.csv")), committed);
    EXPECT_EQ(readFile(QStringLiteral("dDB.tran/123456789/2024年/demand.csv")), working);
}

TEST_F(ServiceFiles, ExportsReplaceAnExistingFileOnlyAfterTheQuestion)
{
    startImported();
    QDir().mkpath(path(QStringLiteral("out")));
    writeFile(QStringLiteral("out/old.csv"), "keep\r\n");
    writeFile(QStringLiteral("out/old.pdf"), "keep");
    // No: the old files stay, nothing else is said.
    script->chooseFile(out(QStringLiteral("old.csv")));
    script->answerNext(vbNo);
    w->mnuFileOut(0).action()->trigger();
    script->chooseFile(out(QStringLiteral("old.pdf")));
    script->answerNext(vbNo);
    w->mnuFileOut(1).action()->trigger();
    EXPECT_TRUE(script->verify());
    EXPECT_EQ(readFile(QStringLiteral("out/old.csv")), QByteArray("keep\r\n"));
    EXPECT_EQ(readFile(QStringLiteral("out/old.pdf")), QByteArray("keep"));
    ASSERT_EQ(script->shown().size(), 4);
    EXPECT_EQ(script->shown()[1].prompt, QStringLiteral("old.csv は既に存在します。\n上書きしますか？"));
    // Yes: replaced.
    script->chooseFile(out(QStringLiteral("old.csv")));
    script->answerNext(vbYes);
    w->mnuFileOut(0).action()->trigger();
    script->chooseFile(out(QStringLiteral("old.pdf")));
    script->answerNext(vbYes);
    w->mnuFileOut(1).action()->trigger();
    EXPECT_TRUE(readFile(QStringLiteral("out/old.csv")).startsWith("20240105,1000,0123"));
    EXPECT_TRUE(readFile(QStringLiteral("out/old.pdf")).startsWith("%PDF"));
}

TEST_F(ServiceFiles, AFailedPdfOutputIsShown)
{
    startImported();
    script->chooseFile(path(QStringLiteral("no/such/folder/report.pdf")));
    script->answerNext(vbOK);
    w->mnuFileOut(1).action()->trigger();
    EXPECT_TRUE(script->verify());
    ASSERT_EQ(script->shown().size(), 2);
    EXPECT_TRUE(script->shown()[1].prompt.startsWith(QStringLiteral("ＰＤＦファイルを出力できませんでした。")))
        << script->shown()[1].prompt.toStdString();
}

TEST_F(ServiceFiles, ADataSetSaveAfterAnExportAsksOnceBeforeOverwriting)
{
    startImported();
    QDir().mkpath(path(QStringLiteral("out")));
    writeFile(QStringLiteral("out/old.csv"), "keep\r\n");
    writeFile(QStringLiteral("out/old.pdf"), "keep");
    writeFile(QStringLiteral("out/set.dmd"), "old set");
    // Each export leaves its overwrite prompt on the shared dialog; the save
    // after it asks its own question and nothing more.
    for (const int output : {0, 1}) {
        SCOPED_TRACE(output == 0 ? "after CSV" : "after PDF");
        script->chooseFile(out(output == 0 ? QStringLiteral("old.csv") : QStringLiteral("old.pdf")));
        script->answerNext(vbYes);
        w->mnuFileOut(output).action()->trigger();
        ASSERT_TRUE(script->verify());
        const qsizetype before = script->shown().size();
        script->chooseFile(out(QStringLiteral("set.dmd")));
        script->answerNext(vbNo);
        w->mnuFile(2).action()->trigger();
        EXPECT_TRUE(script->verify());
        ASSERT_EQ(script->shown().size(), before + 2);
        EXPECT_EQ(script->shown().last().prompt,
                  QStringLiteral("[") + out(QStringLiteral("set.dmd")) + QStringLiteral("]は存在します。上書きしますか？"));
        EXPECT_EQ(script->shown()[before].style & cdlOFNOverwritePrompt, 0);
        EXPECT_EQ(readFile(QStringLiteral("out/set.dmd")), QByteArray("old set"));
    }
    // The exports keep asking themselves.
    script->chooseFile(out(QStringLiteral("old.csv")));
    script->answerNext(vbNo);
    w->mnuFileOut(0).action()->trigger();
    EXPECT_TRUE(script->verify());
    EXPECT_EQ(script->shown().last().prompt, QStringLiteral("old.csv は既に存在します。\n上書きしますか？"));
}
