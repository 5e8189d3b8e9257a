// The standard run-time errors: one number and one text each, the text in the
// program's language whether the error is raised by number alone or its text
// is asked for to build a message.
#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

#include <set>

using namespace platform;

namespace {

RuntimeError raised(int number, const QString &description = QString())
{
    try {
        raise(number, description);
    } catch (const RuntimeError &e) {
        return e;
    }
    return RuntimeError(0, QString());
}

struct Standard {
    const char *name;
    int number;
};

// Every constant of err, straight from the list that defines them.
const Standard kStandard[] = {
#define STANDARD_ENTRY(name, number) {#name, err::name},
    PLATFORM_STANDARD_ERRORS(STANDARD_ENTRY)
#undef STANDARD_ENTRY
};

// Hiragana, katakana or kanji: a text in the program's language, not a
// left-over English one.
bool readsAsJapanese(const QString &text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF))
            return true;
    }
    return false;
}

} // namespace

TEST(RuntimeError, ANumberAloneCarriesItsStandardText)
{
    const RuntimeError unset = raised(err::ObjectVariableNotSet);
    EXPECT_EQ(unset.Number(), 91);
    EXPECT_EQ(unset.Description(), QStringLiteral("オブジェクト変数または With ブロック変数が設定されていません。"));
    EXPECT_EQ(QString::fromStdString(unset.what()), unset.Description());
    EXPECT_EQ(raised(err::MemberNotSupported).Description(),
              QStringLiteral("オブジェクトは、このプロパティまたはメソッドをサポートしていません。"));
    EXPECT_EQ(raised(err::FileNotFound).Description(), QStringLiteral("ファイルが見つかりません。"));
    EXPECT_EQ(raised(err::CancelError).Description(), QStringLiteral("キャンセルが選択されました。"));
    // A number outside the table: the application-defined error's text.
    EXPECT_EQ(raised(1234).Description(), QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。"));
    // A caller's own text wins over the standard one.
    const RuntimeError own = raised(err::FileNotFound, QStringLiteral("a.csv がありません"));
    EXPECT_EQ(own.Number(), 53);
    EXPECT_EQ(own.Description(), QStringLiteral("a.csv がありません"));
}

TEST(RuntimeError, EveryStandardErrorHasATextOfItsOwnInJapanese)
{
    const QString fallback = errorDescription(1234);
    std::set<QString> seen;
    std::set<int> numbers;
    for (const Standard &s : kStandard) {
        const QString text = errorDescription(s.number);
        EXPECT_NE(text, fallback) << s.name << " (" << s.number << ") has no text of its own";
        EXPECT_TRUE(readsAsJapanese(text)) << s.name << ": " << text.toStdString();
        EXPECT_TRUE(seen.insert(text).second) << s.name << " shares its text";
        EXPECT_TRUE(numbers.insert(s.number).second) << s.name << " shares its number";
        EXPECT_TRUE(text.endsWith(QChar(0x3002))) << s.name << ": " << text.toStdString(); // 。
        EXPECT_EQ(raised(s.number).Description(), text) << s.name;
    }
    // The numbers callers and stored logs know them by.
    EXPECT_EQ(err::InvalidPropertyValue, 380);
    EXPECT_EQ(err::CannotCreateObject, 429);
    EXPECT_EQ(err::InvalidPicture, 481);
    EXPECT_EQ(err::CancelError, 32755);
}

TEST(RuntimeError, DetailFollowsTheStandardTextInParentheses)
{
    EXPECT_EQ(errorDescription(err::CannotCreateObject, QStringLiteral("Combo.ComboItem")),
              QStringLiteral("ActiveX コンポーネントはオブジェクトを作成できません。(Combo.ComboItem)"));
    EXPECT_EQ(errorDescription(err::FileNotFound, QStringLiteral("/tmp/a.cur")),
              errorDescription(err::FileNotFound) + QStringLiteral("(/tmp/a.cur)"));
    // No detail: the standard text alone, without empty parentheses.
    EXPECT_EQ(errorDescription(err::InvalidPicture, QString()), QStringLiteral("ピクチャが不正です。"));
    EXPECT_EQ(errorDescription(4321, QStringLiteral("x")),
              QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。(x)"));
}
