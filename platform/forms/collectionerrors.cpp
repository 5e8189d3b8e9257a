#include "platform/forms/collectionerrors.h"

#include "platform/runtime/runtime_error.h"

namespace platform::forms {

QString collectionErrorText(int number)
{
    switch (number) {
    case collectionError::IndexOutOfBounds: return QStringLiteral("インデックスが範囲を超えています。");
    case collectionError::ElementNotFound: return QStringLiteral("要素が見つかりません。");
    case collectionError::KeyNotUnique: return QStringLiteral("キーはこのコレクションの別の要素で既に使われています。");
    default: return platform::errorDescription(number);
    }
}

void raiseCollectionError(int number, const QString &key)
{
    const QString text = collectionErrorText(number);
    platform::raise(number, key.isEmpty() ? text : text + u'(' + key + u')');
}

} // namespace platform::forms
