// Message boxes and file dialogs through the dialog script.
#include "platform/forms/app.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {
// Every test of this executable fails on a box nobody scripted.
class UnexpectedDialogsFail : public ::testing::Environment {
public:
    void SetUp() override
    {
        DialogScript::setUnexpectedDialogHandler([](const QString &report) { ADD_FAILURE() << report.toStdString(); });
    }
};
const auto *const unexpectedDialogsFail = ::testing::AddGlobalTestEnvironment(new UnexpectedDialogsFail);

// Collects reports instead of failing, for the tests of the reporting itself.
class ReportCollector {
public:
    ReportCollector() : m_previous(DialogScript::unexpectedDialogHandler())
    {
        DialogScript::setUnexpectedDialogHandler([this](const QString &report) { reports.append(report); });
    }
    ~ReportCollector() { DialogScript::setUnexpectedDialogHandler(m_previous); }
    QStringList reports;

private:
    DialogScript::Handler m_previous;
};
} // namespace

TEST(MsgBoxStyles, ButtonsIconsAndDefaults)
{
    EXPECT_EQ(msgBoxResults(vbYesNoCancel + vbExclamation), (QList<int>{vbYes, vbNo, vbCancel}));
    EXPECT_EQ(msgBoxResults(vbAbortRetryIgnore), (QList<int>{vbAbort, vbRetry, vbIgnore}));
    EXPECT_EQ(msgBoxResults(vbRetryCancel), (QList<int>{vbRetry, vbCancel}));
    EXPECT_EQ(msgBoxResults(vbOKOnly + vbCritical), QList<int>{vbOK});
    EXPECT_EQ(msgBoxIcon(vbOKCancel + vbExclamation + vbDefaultButton2), vbExclamation);
    EXPECT_EQ(msgBoxDefaultResult(vbYesNo + vbDefaultButton2), vbNo);
    EXPECT_EQ(msgBoxDefaultResult(vbYesNoCancel + vbDefaultButton3), vbCancel);
    EXPECT_EQ(msgBoxDefaultResult(vbYesNo + vbDefaultButton3), vbYes); // no third button
    EXPECT_EQ(msgBoxDefaultResult(vbOKCancel + vbQuestion), vbOK);
    EXPECT_EQ(msgBoxButtonText(vbCancel), QStringLiteral("キャンセル"));
    EXPECT_TRUE(msgBoxButtonText(vbYes).startsWith(QStringLiteral("はい")));
    EXPECT_TRUE(msgBoxButtonText(vbNo).startsWith(QStringLiteral("いいえ")));
}

TEST(DialogScriptTest, AnswersInOrderAndRecordsWhatWasShown)
{
    App::setTitle(QStringLiteral("Orvantis"));
    DialogScript script;
    script.answerNext(vbNo);
    script.answerNext(vbOK);
    EXPECT_EQ(MsgBox(QStringLiteral("保存しますか？"), vbYesNoCancel + vbExclamation), vbNo);
    EXPECT_EQ(MsgBox(QStringLiteral("完了"), vbOKOnly, QStringLiteral("別題")), vbOK);
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(script.shown().at(0).prompt, QStringLiteral("保存しますか？"));
    EXPECT_EQ(script.shown().at(0).title, QStringLiteral("Orvantis"));
    EXPECT_EQ(script.shown().at(0).style, vbYesNoCancel + vbExclamation);
    EXPECT_EQ(script.shown().at(1).title, QStringLiteral("別題"));
    EXPECT_EQ(script.prompts(), (QStringList{QStringLiteral("保存しますか？"), QStringLiteral("完了")}));
    EXPECT_TRUE(script.verify());
}

TEST(DialogScriptTest, CallbackAnswerSeesTheBox)
{
    DialogScript script;
    QString seen;
    script.answerNextWith([&](const ShownDialog &box) {
        seen = box.prompt;
        return vbRetry;
    });
    EXPECT_EQ(MsgBox(QStringLiteral("再試行?"), vbRetryCancel), vbRetry);
    EXPECT_EQ(seen, QStringLiteral("再試行?"));
    EXPECT_TRUE(script.verify());
}

TEST(DialogScriptTest, UnscriptedBoxIsReportedAndAnsweredWithItsDefault)
{
    ReportCollector collector;
    DialogScript script;
    EXPECT_EQ(MsgBox(QStringLiteral("想定外"), vbYesNo + vbDefaultButton2), vbNo);
    ASSERT_EQ(collector.reports.size(), 1);
    EXPECT_TRUE(collector.reports.first().contains(QStringLiteral("想定外")));
    EXPECT_EQ(script.unexpectedCount(), 1);
    EXPECT_FALSE(script.verify());
}

TEST(DialogScriptTest, AnswerThatIsNotAButtonOfTheBoxIsReported)
{
    ReportCollector collector;
    DialogScript script;
    script.answerNext(vbYes);
    MsgBox(QStringLiteral("OKだけ"), vbOKOnly);
    EXPECT_EQ(collector.reports.size(), 1);
    EXPECT_FALSE(script.verify());
}

TEST(DialogScriptTest, UnusedStepsAreReportedByVerifyOrTheDestructor)
{
    ReportCollector collector;
    {
        DialogScript script;
        script.answerNext(vbYes);
        script.cancelNextFileDialog();
        EXPECT_FALSE(script.verify());
        EXPECT_EQ(collector.reports.size(), 1);
    }
    EXPECT_EQ(collector.reports.size(), 1); // verify() ran: nothing more
    {
        DialogScript script;
        script.answerNext(vbOK);
    }
    EXPECT_EQ(collector.reports.size(), 2);
}

TEST(DialogScriptTest, BoxOutsideAnyScriptIsReportedWhileHeadless)
{
    ReportCollector collector;
    EXPECT_EQ(MsgBox(QStringLiteral("誰も答えない"), vbOKCancel), vbOK);
    EXPECT_EQ(collector.reports.size(), 1);
}

TEST(DialogScriptTest, FileStepOfferedToAMessageBoxIsUnexpected)
{
    ReportCollector collector;
    DialogScript script;
    script.chooseFile(QStringLiteral("/tmp/a.dmd"));
    MsgBox(QStringLiteral("箱"));
    EXPECT_EQ(collector.reports.size(), 1);
    EXPECT_EQ(script.pending(), 1); // the file step stays for the file dialog
    CommonDialog dialog;
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/tmp/a.dmd"));
    EXPECT_FALSE(script.verify());
}

TEST(CommonDialogTest, OpenReturnsTheChosenFileAndRecordsTheSettings)
{
    DialogScript script;
    script.chooseFile(QStringLiteral("/tmp/data/2026-12-08.dmd"));
    CommonDialog dialog;
    dialog.setInitDir(QStringLiteral("/home/user/Desktop"));
    dialog.setFlags(0x81804);
    dialog.setDialogTitle(QStringLiteral("ファイル選択"));
    dialog.setFilter(QStringLiteral("デマンド監視データ(*.dmd)|*.dmd"));
    dialog.setFilterIndex(1);
    dialog.setFileName(QString());
    dialog.setCancelError(true);
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/tmp/data/2026-12-08.dmd"));
    EXPECT_EQ(dialog.FileTitle(), QStringLiteral("2026-12-08.dmd"));
    ASSERT_EQ(script.shown().size(), 1);
    const ShownDialog &shown = script.shown().first();
    EXPECT_EQ(shown.kind, ShownDialog::OpenFile);
    EXPECT_EQ(shown.title, QStringLiteral("ファイル選択"));
    EXPECT_EQ(shown.initDir, QStringLiteral("/home/user/Desktop"));
    EXPECT_EQ(shown.filter, QStringLiteral("デマンド監視データ(*.dmd)|*.dmd"));
    EXPECT_EQ(shown.style, 0x81804);
    EXPECT_TRUE(script.verify());
}

TEST(CommonDialogTest, CancelRaises32755OnlyWithCancelError)
{
    DialogScript script;
    script.cancelNextFileDialog();
    script.cancelNextFileDialog();
    CommonDialog dialog;
    dialog.setFileName(QStringLiteral("keep.csv"));
    dialog.setCancelError(true);
    try {
        dialog.ShowSave();
        FAIL() << "no error";
    } catch (const platform::RuntimeError &error) {
        EXPECT_EQ(error.Number(), platform::err::CancelError);
        EXPECT_EQ(error.Description(), QStringLiteral("キャンセルが選択されました。"));
    }
    EXPECT_EQ(dialog.FileName(), QStringLiteral("keep.csv"));
    dialog.setCancelError(false);
    EXPECT_NO_THROW(dialog.ShowSave());
    EXPECT_EQ(dialog.FileName(), QStringLiteral("keep.csv"));
    EXPECT_EQ(script.shown().at(0).kind, ShownDialog::SaveFile);
    EXPECT_TRUE(script.verify());
}

TEST(CommonDialogTest, SaveAddsTheDefaultExtensionAndKeepsPropertiesForTheNextDialog)
{
    DialogScript script;
    script.chooseFile(QStringLiteral("/tmp/out/report"));
    script.chooseFile(QStringLiteral("/tmp/out/table.csv"), 2);
    CommonDialog dialog;
    dialog.setDefaultExt(QStringLiteral("pdf"));
    dialog.setFilter(QStringLiteral("PDF(*.pdf)|*.pdf|CSV(*.csv)|*.csv"));
    dialog.setFilterIndex(1);
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/tmp/out/report.pdf"));
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/tmp/out/table.csv"));
    EXPECT_EQ(dialog.FilterIndex(), 2);
    // The second dialog started from what the first left.
    EXPECT_EQ(script.shown().at(1).prompt, QStringLiteral("/tmp/out/report.pdf"));
    EXPECT_TRUE(script.verify());
}

TEST(CommonDialogTest, FilterTextsBecomeQtFilters)
{
    EXPECT_EQ(CommonDialog::qtFilters(QStringLiteral("CSV(*.csv)|*.csv|全て|*.txt;*.log")),
              (QStringList{QStringLiteral("CSV(*.csv)"), QStringLiteral("全て (*.txt *.log)")}));
    // The pattern is shown once; a text naming other patterns keeps its own.
    EXPECT_EQ(CommonDialog::qtFilters(QStringLiteral("専用CSV(*.CSV)|*.CSV|古い(*.txt)|*.csv")),
              (QStringList{QStringLiteral("専用CSV(*.CSV)"), QStringLiteral("古い(*.txt) (*.csv)")}));
    DialogScript script;
    CommonDialog dialog;
    dialog.setFilter(QStringLiteral("CSV|*.csv|broken"));
    try {
        dialog.ShowOpen();
        FAIL() << "no error";
    } catch (const platform::RuntimeError &error) {
        EXPECT_EQ(error.Number(), 20476);
    }
    EXPECT_TRUE(script.shown().isEmpty());
}
