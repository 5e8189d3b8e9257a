// The service-mode customer dialog: the number checks in their order, the
// dedicated CSV file test, and the results.
#include "settingsFixture.h"

#include "talvik/settings/frmImportCustomSrv.h"

namespace settingstest {
namespace {

using namespace platform::forms;
using talvik::frmImportCustomSrv;

const QString kLengthMessage = QStringLiteral("お客さま番号（9桁固定）の文字数が正しくありません");
const QString kDigitMessage = QStringLiteral("お客さま番号に入力されている数値が正しくありません");

class ImportCustomSrvTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        makeFolder(QStringLiteral("input"));
        talvik::dataFolder = path(QStringLiteral("input")).replace(u'/', u'\\');
        talvik::srvCustomer = QStringLiteral("before");
    }
    // The message for a number without its file: the path looked for on
    // the second line.
    QString noFileMessage(const QString &number) const
    {
        return QStringLiteral("デマンド情報が見つかりません\r\n") + path(QStringLiteral("input/")) + number + u'/' + number +
               QStringLiteral(".csv");
    }
    // Types the number, presses OK; returns the one box shown ("" for none;
    // a box where none is expected fails the case).
    QString confirm(frmImportCustomSrv &form, const QString &typed, bool expectBox = true)
    {
        form.Load();
        form.TxtNum.setText(typed);
        DialogScript script;
        if (expectBox)
            script.answerNext(vbOK);
        form.cmdOK_Click();
        if (script.shown().isEmpty()) {
            EXPECT_TRUE(script.verify());
            return QString();
        }
        EXPECT_EQ(script.shown()[0].style, vbOKOnly);
        EXPECT_TRUE(script.verify());
        return script.shown()[0].prompt;
    }
};

TEST_F(ImportCustomSrvTest, DesignTexts)
{
    frmImportCustomSrv form;
    form.Load();
    EXPECT_EQ(form.Caption(), QStringLiteral("お客さま番号の入力"));
    EXPECT_EQ(form.fraCustom.Caption(), QStringLiteral("お客さま番号"));
    EXPECT_EQ(form.lblWarn1.Caption(), QStringLiteral("９桁のお客さま番号を入力して下さい。"));
    EXPECT_EQ(form.TxtNum.MaxLength(), 9);
    EXPECT_FALSE(form.Status());
    form.cmdCancel_Click();
}

TEST_F(ImportCustomSrvTest, WrongNumbersAreRefusedInOrderAndChangeNothing)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("12345678"), kLengthMessage},
        {QStringLiteral(""), kLengthMessage},
        {QStringLiteral("12345678x"), kDigitMessage},
        {QStringLiteral("１２３４５６７８９"), kDigitMessage},
        {QStringLiteral("1234 5678"), kDigitMessage},
        {QStringLiteral("-12345678"), kDigitMessage},
        {QStringLiteral("123456789"), noFileMessage(QStringLiteral("123456789"))},
    };
    for (const auto &[typed, message] : cases) {
        frmImportCustomSrv form;
        form.setAddCustom(QStringLiteral("keep"));
        EXPECT_EQ(confirm(form, typed), message) << typed.toStdString();
        EXPECT_TRUE(form.isLoaded());
        EXPECT_FALSE(form.Status());
        EXPECT_EQ(form.AddCustom(), QStringLiteral("keep"));
        EXPECT_EQ(talvik::srvCustomer, QStringLiteral("before"));
        form.cmdCancel_Click();
    }
}

TEST_F(ImportCustomSrvTest, FolderWithoutTheNumbersFileIsNotEnough)
{
    makeFolder(QStringLiteral("input/123456789"));
    writeBytes(path(QStringLiteral("input/123456789/123456789as.csv")), "x\r\n");
    frmImportCustomSrv form;
    EXPECT_EQ(confirm(form, QStringLiteral("123456789")), noFileMessage(QStringLiteral("123456789")));
    EXPECT_EQ(talvik::srvCustomer, QStringLiteral("before"));
    form.cmdCancel_Click();
}

TEST_F(ImportCustomSrvTest, NumberWithItsFileIsConfirmed)
{
    writeBytes(path(QStringLiteral("input/000012345/000012345.csv")), "20240301,0000,0123\r\n");
    frmImportCustomSrv form;
    form.setAddCustom(QStringLiteral("old"));
    EXPECT_EQ(confirm(form, QStringLiteral("000012345"), false), QString());
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(form.Custom(), QStringLiteral("000012345"));
    EXPECT_EQ(form.AddCustom(), QString());
    EXPECT_EQ(talvik::srvCustomer, QStringLiteral("000012345"));

    // Status is False again at the next load; cancel empties Custom.
    form.Load();
    EXPECT_FALSE(form.Status());
    form.cmdCancel_Click();
    EXPECT_EQ(form.Custom(), QString());
    EXPECT_EQ(talvik::srvCustomer, QStringLiteral("000012345"));
}

TEST_F(ImportCustomSrvTest, NumbersFileNamedInAnotherLetterCaseIsConfirmed)
{
    writeBytes(path(QStringLiteral("input/000012345/000012345.CSV")), "20240301,0000,0123\r\n");
    frmImportCustomSrv form;
    EXPECT_EQ(confirm(form, QStringLiteral("000012345"), false), QString());
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(talvik::srvCustomer, QStringLiteral("000012345"));
}

} // namespace
} // namespace settingstest
