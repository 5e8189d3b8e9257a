// Names for assistive tools: captions as a screen reader should say them,
// and a name that reaches the field inside an input.
#include "platform/forms/accessibility.h"
#include "platform/forms/controls.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/form.h"
#include "platform/forms/spin_inputs.h"
#include "platform/win/mnemonic.h"

#include <QAccessible>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace platform::forms;

namespace {

TEST(SpokenCaptionTest, SpreadingSpacesMnemonicsAndClosingColonsAreLeftOut)
{
    EXPECT_EQ(spokenCaption(QStringLiteral("情　報　デ　ー　タ")), QStringLiteral("情報データ"));
    EXPECT_EQ(spokenCaption(QStringLiteral("設　　　　定")), QStringLiteral("設定"));
    EXPECT_EQ(spokenCaption(QStringLiteral("ＣＴ比　")), QStringLiteral("ＣＴ比"));
    EXPECT_EQ(spokenCaption(QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ：")), QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ"));
    EXPECT_EQ(spokenCaption(QStringLiteral("&Print: ")), QStringLiteral("Print"));
    EXPECT_EQ(spokenCaption(QStringLiteral("Save && Close")), QStringLiteral("Save & Close"));
    // Plain spaces inside the caption stay: they separate words.
    EXPECT_EQ(spokenCaption(QStringLiteral("1 ～ 999 KW")), QStringLiteral("1 ～ 999 KW"));
    EXPECT_EQ(spokenCaption(QStringLiteral("　")), QString());
}

// The one reading of the marks under drawn text, names and spoken captions.
TEST(MnemonicTest, MarksDoublesAndATrailingAmpersandByTheCallersRule)
{
    using platform::win::TrailingAmpersand;
    using platform::win::withoutMnemonic;
    int underline = 7;
    EXPECT_EQ(withoutMnemonic(QStringLiteral("&Print"), TrailingAmpersand::Drop, &underline), QStringLiteral("Print"));
    EXPECT_EQ(underline, 0);
    EXPECT_EQ(withoutMnemonic(QStringLiteral("ﾍﾟｰｼﾞ全体(&P)"), TrailingAmpersand::Drop, &underline),
              QStringLiteral("ﾍﾟｰｼﾞ全体(P)"));
    EXPECT_EQ(underline, 8);
    // "&&" is a plain '&' and marks nothing.
    EXPECT_EQ(withoutMnemonic(QStringLiteral("Save && Close"), TrailingAmpersand::Drop, &underline),
              QStringLiteral("Save & Close"));
    EXPECT_EQ(underline, -1);
    EXPECT_EQ(withoutMnemonic(QStringLiteral("&&&x")), QStringLiteral("&x"));
    // A lone '&' at the end: drawn text shows nothing, a name keeps it.
    EXPECT_EQ(withoutMnemonic(QStringLiteral("A&"), TrailingAmpersand::Drop, &underline), QStringLiteral("A"));
    EXPECT_EQ(underline, -1);
    EXPECT_EQ(withoutMnemonic(QStringLiteral("A&"), TrailingAmpersand::Keep), QStringLiteral("A&"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("&")), QStringLiteral("&"));
    EXPECT_EQ(spokenCaption(QStringLiteral("R&&D &")), QStringLiteral("R&D &"));
    // The spoken form's rules come after the marks are read: a marked
    // colon is still a closing colon.
    EXPECT_EQ(spokenCaption(QStringLiteral("名前&：")), QStringLiteral("名前"));
}

class NamedForm : public Form {
public:
    SpinNumberInput amount{this, QStringLiteral("amount")};
    CommandButton button{this, QStringLiteral("button")};

protected:
    void designForm() override
    {
        setDesignSize(3000, 1500);
        amount.Move(120, 120, 1500, 330);
        button.Move(120, 600, 1500, 330);
        button.setCaption(QStringLiteral("時　　　刻"));
        setAccessibleName(amount, QStringLiteral("デマンド設定"));
        setAccessibleName(button, spokenCaption(button.Caption()));
    }
};

TEST(AccessibleNameTest, TheNameReachesTheInputsFieldAndLeavesTheCaption)
{
    NamedForm form;
    form.Show();
    auto name = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    EXPECT_EQ(name(form.amount.widget()), QStringLiteral("デマンド設定"));
    auto *field = form.amount.widget()->findChild<QLineEdit *>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(name(field), QStringLiteral("デマンド設定")) << "the field the user types into has no name";
    EXPECT_EQ(name(form.button.widget()), QStringLiteral("時刻"));
    EXPECT_EQ(form.button.Caption(), QStringLiteral("時　　　刻"));
    form.Unload();
}

} // namespace
