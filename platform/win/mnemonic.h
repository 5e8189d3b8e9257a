#pragma once
// The one reading of a caption's mnemonic marks: "&x" shows x underlined
// (x is the mnemonic), "&&" shows one '&'. What a lone '&' at the very end
// shows is the caller's choice: drawn text shows nothing for it, a name
// read out keeps it as written.
#include <QLatin1Char>
#include <QString>

namespace platform::win {

enum class TrailingAmpersand { Drop, Keep };

// The caption as shown, without its marks. *underline, when given, gets the
// index in the result of the character that the last mark underlines, -1
// when none does.
inline QString withoutMnemonic(const QString &caption, TrailingAmpersand trailing = TrailingAmpersand::Keep,
                               int *underline = nullptr)
{
    QString out;
    out.reserve(caption.size());
    int marked = -1;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) {
            out += caption[i];
            continue;
        }
        if (i + 1 < caption.size()) {
            ++i;
            if (caption[i] != QLatin1Char('&'))
                marked = int(out.size());
            out += caption[i];
        } else if (trailing == TrailingAmpersand::Keep) {
            out += caption[i];
        }
    }
    if (underline)
        *underline = marked;
    return out;
}

} // namespace platform::win
