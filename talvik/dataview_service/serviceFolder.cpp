#include "talvik/dataview_service/serviceFolder.h"

#include "platform/shell/shell.h"

namespace talvik {

QString serviceDataFolder(const QString &iniValue)
{
    QString path = iniValue.trimmed();
    if (path.isEmpty())
        return QString();
    const bool hasDrive = path.size() >= 2 && path[1] == u':' && path[0].isLetter();
    if (hasDrive)
        path = path.mid(2);
    const bool absolute = path.startsWith(u'\\') || path.startsWith(u'/');
    // "C:data" is relative to the drive's current folder: taken as relative.
    if (!absolute)
        path = platform::shell::programFolder() + u'\\' + path;
    path = platform::shell::toNativePath(path);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace talvik
