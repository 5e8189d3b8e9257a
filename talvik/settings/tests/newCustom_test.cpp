// The new-customer dialog: the trimmed name becomes a folder, a tree node and
// a log line; names the store refuses and names already present create
// nothing and keep the dialog open.
#include "settingsFixture.h"

#include "talvik/settings/frmNewCustom.h"
#include "talvik/store/customerName.h"

namespace settingstest {
namespace {

using namespace platform::forms;
using talvik::frmNewCustom;

const QDateTime kNow(QDate(2024, 3, 5), QTime(13, 7));

class NewCustomTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        makeFolder(QStringLiteral("dDB.tran/既存"));
        talvik::dataForm = &window;
        talvik::appLogs = &logs;
    }
    int folderCount() const
    {
        return int(QDir(path(QStringLiteral("dDB.tran"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    }
    // Registers the typed text; the dialog is shown (loaded) first.
    void regist(frmNewCustom &form, const QString &typed)
    {
        form.Load();
        form.zotxtCustom.setText(typed);
        form.cmdRegist_Click();
    }

    DataWindowDouble window;
    talvik::clsLogs logs{[] { return kNow; }};
};

TEST_F(NewCustomTest, TrimmedNameBecomesFolderTreeNodeAndLogLine)
{
    frmNewCustom form;
    form.Load();
    EXPECT_EQ(form.Caption(), QStringLiteral("お客さま名の登録"));
    EXPECT_EQ(form.cmdRegist.Caption(), QStringLiteral("登　録"));
    EXPECT_EQ(form.fraNewCustom.Caption(), QStringLiteral("新規お客さま名"));
    regist(form, QStringLiteral("  新店舗 A  "));
    EXPECT_TRUE(folderExists(QStringLiteral("dDB.tran/新店舗 A")));
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(window.view.Exists(QStringLiteral("\\dDB.tran\\新店舗 A")));
    EXPECT_TRUE(window.view.Exists(QStringLiteral("\\dDB.tran\\既存")));
    ASSERT_EQ(window.logForm.lstLogs.ListCount(), 1);
    EXPECT_EQ(window.logForm.lstLogs.List(0),
              talvik::clsLogs::entryLine(kNow, QStringLiteral("お客さま名の新規作成　「新店舗 A」")));
}

TEST_F(NewCustomTest, ExistingNameShowsTheSystemMessageAndStaysOpen)
{
    frmNewCustom form;
    DialogScript script;
    script.answerNext(vbOK);
    regist(form, QStringLiteral("既存"));
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].style, vbCritical);
    EXPECT_FALSE(script.shown()[0].prompt.isEmpty());
    EXPECT_TRUE(form.isLoaded());
    EXPECT_EQ(form.zotxtCustom.Text(), QStringLiteral("既存"));
    EXPECT_EQ(window.logForm.lstLogs.ListCount(), 0);
    EXPECT_EQ(window.view.Count(), 0) << "the tree is not rebuilt";
    EXPECT_TRUE(script.verify());
    form.cmdCancel_Click();
}

TEST_F(NewCustomTest, NamesTheStoreRefusesCreateNothing)
{
    // Typed text and the name after the half-width blanks are trimmed.
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral(""), QStringLiteral("")},           {QStringLiteral("   "), QStringLiteral("")},
        {QStringLiteral("a/b"), QStringLiteral("a/b")},     {QStringLiteral(" a:b "), QStringLiteral("a:b")},
        {QStringLiteral("a\\b"), QStringLiteral("a\\b")},   {QStringLiteral(".."), QStringLiteral("..")},
        {QStringLiteral("名前\u3000"), QStringLiteral("名前\u3000")}, {QStringLiteral("x?y"), QStringLiteral("x?y")},
        {QStringLiteral("\u00e9\u263a"), QStringLiteral("\u00e9\u263a")}};
    for (const auto &[typed, name] : cases) {
        frmNewCustom form;
        DialogScript script;
        script.answerNext(vbOK);
        regist(form, typed);
        ASSERT_EQ(script.shown().size(), 1) << typed.toStdString();
        EXPECT_EQ(script.shown()[0].style, vbCritical);
        const QString reason = talvik::validateCustomerName(name);
        EXPECT_FALSE(reason.isEmpty()) << typed.toStdString();
        EXPECT_EQ(script.shown()[0].prompt, reason) << typed.toStdString();
        EXPECT_TRUE(form.isLoaded());
        EXPECT_EQ(folderCount(), 1) << typed.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("a"))));
        EXPECT_EQ(window.logForm.lstLogs.ListCount(), 0);
        EXPECT_TRUE(script.verify());
        form.cmdCancel_Click();
    }
}

TEST_F(NewCustomTest, CancelCreatesNothing)
{
    frmNewCustom form;
    form.Load();
    form.zotxtCustom.setText(QStringLiteral("新規"));
    form.cmdCancel_Click();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(folderCount(), 1);
    EXPECT_EQ(window.logForm.lstLogs.ListCount(), 0);
}

TEST_F(NewCustomTest, NoDataWindowIsReportedAfterTheFolderIsCreated)
{
    talvik::dataForm = nullptr;
    frmNewCustom form;
    DialogScript script;
    script.answerNext(vbOK);
    regist(form, QStringLiteral("店"));
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].style, vbCritical);
    EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("オブジェクト変数または With ブロック変数が設定されていません。"));
    EXPECT_TRUE(folderExists(QStringLiteral("dDB.tran/店"))) << "nothing is rolled back";
    EXPECT_TRUE(script.verify());
}

} // namespace
} // namespace settingstest
