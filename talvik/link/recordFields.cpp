#include "talvik/link/recordFields.h"

#include "platform/codepage/codepage.h"
#include "platform/runtime/runtime_error.h"

namespace talvik::frame {

QString readField(const QByteArray &image, int pos, int width)
{
    if (pos < 0 || pos + width > image.size())
        return QString();
    return platform::codepage::fromAnsiLenient(image.mid(pos, width));
}

void writeField(QByteArray &image, int pos, int width, const QString &text, FieldKind kind)
{
    bool ok = text.size() == width && pos >= 0 && pos + width <= image.size();
    for (int i = 0; ok && i < width; ++i) {
        const char16_t c = text[i].unicode();
        ok = kind == FieldKind::Digits ? (c >= u'0' && c <= u'9') : (c < 0x80);
    }
    if (!ok)
        platform::raise(platform::err::InvalidPropertyValue,
                        platform::errorDescription(platform::err::InvalidPropertyValue, text));
    for (int i = 0; i < width; ++i)
        image[pos + i] = static_cast<char>(text[i].unicode());
}

QByteArray request(const char *letters)
{
    QByteArray r;
    r.append(STX);
    r.append(letters);
    r.append(ETX);
    return r;
}

} // namespace talvik::frame
