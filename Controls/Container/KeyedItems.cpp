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

} // namespace lumafold
