#pragma once
// The folder of the service-mode input files as "system2.ini" names it: a
// Windows path ("C:\data\srv", "\\data\srv" or relative "data\srv"). The
// drive is ignored and "\" separates; a relative path is taken below the
// program folder. An empty value stays empty.
#include <QString>

namespace talvik {

QString serviceDataFolder(const QString &iniValue);

} // namespace talvik
