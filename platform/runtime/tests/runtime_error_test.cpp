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

const int kStandard[] = {err::InvalidProcedureCall, err::Overflow,           err::SubscriptOutOfRange,
                         err::TypeMismatch,         err::FileNotFound,       err::DeviceIO,
                         err::FileAlreadyExists,    err::DiskFull,           err::PermissionDenied,
                         err::PathFileAccess,       err::PathNotFound,       err::ObjectVariableNotSet,
                         err::ObjectRequired,       err::MemberNotSupported, err::AutomationError,
                         err::CancelError};

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
    for (int number : kStandard) {
        const QString text = errorDescription(number);
        EXPECT_NE(text, fallback) << number;
        EXPECT_TRUE(seen.insert(text).second) << number << " shares its text";
        EXPECT_TRUE(text.endsWith(QChar(0x3002))) << number << ": " << text.toStdString(); // 。
        EXPECT_EQ(raised(number).Description(), text) << number;
    }
}
