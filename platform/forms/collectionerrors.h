#pragma once
// The errors of the common controls' collections (toolbar buttons, status
// bar panels, list items, list images, tree nodes). They are the control
// library's own numbers, not run-time errors; each has its one text here.
#include <QString>

namespace platform::forms {

namespace collectionError {
constexpr int IndexOutOfBounds = 35600;
constexpr int ElementNotFound = 35601;
constexpr int KeyNotUnique = 35602;
} // namespace collectionError

// The text of a collection error number.
QString collectionErrorText(int number);

// Raises the collection error; a key the caller names follows the text the
// way run-time errors carry their detail: "要素が見つかりません。(open)".
[[noreturn]] void raiseCollectionError(int number, const QString &key = QString());

} // namespace platform::forms
