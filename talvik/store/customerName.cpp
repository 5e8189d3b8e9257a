#include "talvik/store/customerName.h"

#include "platform/codepage/codepage.h"

namespace talvik {

bool isTreeKeySafeName(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'\\') && !name.contains(u':');
}

QString validateCustomerName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("お客さま名が入力されていません。");
    if (name == u"." || name == u"..")
        return QStringLiteral("お客さま名に「%1」は使えません。").arg(name);
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : name) {
        if (forbidden.contains(c))
            return QStringLiteral("お客さま名に次の文字は使えません。　\\ / : * ? \" < > |");
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("お客さま名に制御文字は使えません。");
    }
    const auto edge = [](QChar c) { return c == u' ' || c == u'\u3000' || c == u'.' || c.isSpace(); };
    if (edge(name.front()) || edge(name.back()))
        return QStringLiteral("お客さま名の先頭と末尾に空白やピリオドは使えません。");
    if (!platform::codepage::isAnsiEncodable(name))
        return QStringLiteral("お客さま名に使えない文字が含まれています。");
    return QString();
}

bool isValidCustomerName(const QString &name)
{
    return validateCustomerName(name).isEmpty();
}

} // namespace talvik
