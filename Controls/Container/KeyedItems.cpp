#include "Controls/Container/KeyedItems.h"

namespace lumafold {

QString foldKey(const QString &key)
{
    QString out = key;
    for (QChar &c : out)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

bool LoadedKeys::acceptKey(controls::PropertyExchangeContext *ctx, const QString &key)
{
    if (key.isEmpty())
        return controls::RefuseLoadedValue(ctx, QStringLiteral("Key"), QStringLiteral("\"\"（空のキー）"));
    if (!m_keys.insert(foldKey(key)).second)
        return controls::RefuseLoadedValue(ctx, QStringLiteral("Key"),
                                           com::DescribeLoadedString(key) + QStringLiteral("（重複したキー）"));
    return true;
}

} // namespace lumafold
