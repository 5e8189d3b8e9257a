#include "runtime_error.h"

namespace platform {

RuntimeError::RuntimeError(int number, const QString &description, const QString &source)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description),
      m_source(source)
{
}

QString errorDescription(int number)
{
    switch (number) {
    case err::InvalidProcedureCall: return QStringLiteral("プロシージャの呼び出し、または引数が不正です。");
    case err::Overflow: return QStringLiteral("オーバーフローしました。");
    case err::SubscriptOutOfRange: return QStringLiteral("インデックスが有効範囲にありません。");
    case err::DivisionByZero: return QStringLiteral("0 で除算しました。");
    case err::TypeMismatch: return QStringLiteral("型が一致しません。");
    case err::FileNotFound: return QStringLiteral("ファイルが見つかりません。");
    case err::DeviceIO: return QStringLiteral("デバイス I/O エラーです。");
    case err::FileAlreadyExists: return QStringLiteral("既に同名のファイルが存在しています。");
    case err::DiskFull: return QStringLiteral("ディスクの空き容量が不足しています。");
    case err::PermissionDenied: return QStringLiteral("書き込みできません。");
    case err::PathFileAccess: return QStringLiteral("パス名が無効です。");
    case err::PathNotFound: return QStringLiteral("パスが見つかりません。");
    case err::ObjectVariableNotSet: return QStringLiteral("オブジェクト変数または With ブロック変数が設定されていません。");
    case err::InvalidFileFormat: return QStringLiteral("ファイル形式が不正です。");
    case err::ControlArrayElementMissing: return QStringLiteral("コントロール配列の要素は存在しません。");
    case err::ObjectAlreadyLoaded: return QStringLiteral("オブジェクトは既にロードされています。");
    case err::InvalidPropertyValue: return QStringLiteral("プロパティの値が不正です。");
    case err::InvalidPropertyArrayIndex: return QStringLiteral("プロパティの配列インデックスが無効です。");
    // The property's name goes in front where the caller knows it:
    // "'Text' プロパティは読み取り専用です。".
    case err::PropertyReadOnly: return QStringLiteral("プロパティは読み取り専用です。");
    case err::FormAlreadyDisplayed: return QStringLiteral("フォームは既に表示されています。モーダル表示はできません。");
    case err::ObjectRequired: return QStringLiteral("オブジェクトが必要です。");
    case err::CannotCreateObject: return QStringLiteral("ActiveX コンポーネントはオブジェクトを作成できません。");
    case err::MemberNotSupported: return QStringLiteral("オブジェクトは、このプロパティまたはメソッドをサポートしていません。");
    case err::AutomationError: return QStringLiteral("オートメーション エラーです。");
    case err::InvalidPicture: return QStringLiteral("ピクチャが不正です。");
    case err::PrinterError: return QStringLiteral("プリンタ エラーです。");
    case err::CancelError: return QStringLiteral("キャンセルが選択されました。");
    default: return QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。");
    }
}

QString errorDescription(int number, const QString &detail)
{
    const QString text = errorDescription(number);
    return detail.isEmpty() ? text : text + u'(' + detail + u')';
}

void raise(int number, const QString &description)
{
    throw RuntimeError(number, description.isEmpty() ? errorDescription(number) : description);
}

} // namespace platform
