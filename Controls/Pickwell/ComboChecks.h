#pragma once
// The checks the combo's window applies to texts it is given, made without a
// window: the property puts refuse such values up front, and a load refuses
// them as the puts would (a value the window would refuse at creation must
// not sit in the property as if it were in effect).
#include <QString>

namespace pickwell {

// The longest text the window holds, in CP932 bytes.
constexpr int kMaxComboTextBytes = 65535;
// The longest Format, in characters.
constexpr int kMaxFormatLength = 256;

// Format: "" (no mask) or a mask the window's parser takes, at most 256
// characters, all of them CP932.
bool IsValidFormat(const QString &format);
// PromptChar: one single-byte CP932 character, not a control character; ""
// stands for a space.
bool IsValidPromptChar(const QString &prompt);
// Text and Value: CP932 characters, at most 65535 bytes.
bool FitsComboText(const QString &text);

} // namespace pickwell
