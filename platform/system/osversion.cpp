#include "platform/system/osversion.h"

#include <QStringList>

namespace platform::system {

bool GetVersionEx(OSVERSIONINFO &info)
{
    if (info.dwOSVersionInfoSize != 148 && info.dwOSVersionInfoSize != 156)
        return false;
    int major = 6;
    int minor = 1;
    const QString env = qEnvironmentVariable("TALVIK_OS_VERSION");
    if (!env.isEmpty()) {
        const QStringList parts = env.split(QLatin1Char('.'));
        bool okMajor = false;
        bool okMinor = parts.size() < 2;
        major = parts.value(0).toInt(&okMajor);
        if (parts.size() >= 2)
            minor = parts[1].toInt(&okMinor);
        else
            minor = 0;
        if (!okMajor || !okMinor || major < 0 || minor < 0)
            return false;
    }
    info.dwMajorVersion = static_cast<uint32_t>(major);
    info.dwMinorVersion = static_cast<uint32_t>(minor);
    info.dwBuildNumber = major >= 6 ? 7601 : 2600;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    info.szCSDVersion = QString();
    return true;
}

void setOsVersion(int major, int minor)
{
    if (major <= 0)
        qunsetenv("TALVIK_OS_VERSION");
    else
        qputenv("TALVIK_OS_VERSION", QStringLiteral("%1.%2").arg(major).arg(minor).toLatin1());
}

} // namespace platform::system
