#pragma once
// The combo's item editor page: adds, deletes and moves the control's items,
// edits one item at a time, picks its colours through the stock colour page
// and loads its picture from a file.
#include "platform/win/wintypes.h"

#include <QString>

#include <functional>

namespace pickwell {

// Asks for the picture file to load: owner window, title, filter
// ("text|pattern|..."). An empty answer cancels. The default shows the
// system's open-file dialog; tests install their own.
using PictureFileChooser = std::function<QString(platform::win::HWND owner, const QString &title, const QString &filter)>;
void SetPictureFileChooser(PictureFileChooser chooser);

// The text of the message for a failed picture load (without the
// system's own text): "File not found, (800a0035)" and the like.
QString PictureLoadErrorText(int32_t code);

} // namespace pickwell
