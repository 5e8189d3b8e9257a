// Ahead of every Qt header: the mask names a member "slots", which Qt's
// headers define as a word of their own.
#include "zobase7/FormatMask.h"

#include "Controls/Pickwell/ComboChecks.h"

#include "platform/codepage/codepage.h"

namespace pickwell {

namespace cp = platform::codepage;

bool IsValidFormat(const QString &format)
{
    if (format.isEmpty())
        return true;
    if (format.size() > kMaxFormatLength || !cp::isAnsiEncodable(format))
        return false;
    zobase7::FormatMask mask;
    return zobase7::FormatMask::parse(cp::toAnsi(format).toStdString(), &mask);
}

bool IsValidPromptChar(const QString &prompt)
{
    if (prompt.isEmpty())
        return true;
    if (prompt.size() != 1 || !cp::isAnsiEncodable(prompt))
        return false;
    const QByteArray ansi = cp::toAnsi(prompt);
    if (ansi.size() != 1)
        return false;
    const auto b = static_cast<unsigned char>(ansi[0]);
    return b >= 0x20 && !cp::isLeadByte(b);
}

bool FitsComboText(const QString &text)
{
    // Every character takes at least one byte.
    if (text.size() > kMaxComboTextBytes)
        return false;
    return cp::isAnsiEncodable(text) && cp::toAnsi(text).size() <= kMaxComboTextBytes;
}

} // namespace pickwell
