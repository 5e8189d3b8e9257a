#include "platform/system/osversion.h"

#include "platform/system/sysrt/sysrt.h"

#include <QStringList>

#include <algorithm>
#include <atomic>

namespace platform::system {

bool GetVersionEx(OSVERSIONINFO &info)
{
    if (info.dwOSVersionInfoSize != 148 && info.dwOSVersionInfoSize != 156)
        return false;
    int major = 6;
    int minor = 1;
    const unsigned int set = std::atomic_ref<unsigned int>(*talvik_sys_os_version_slot()).load();
    const QString env = set != 0 ? QString() : qEnvironmentVariable("TALVIK_OS_VERSION");
    if (set != 0) {
        major = static_cast<int>(set >> 16);
        minor = static_cast<int>(set & 0xFFFFu);
    } else if (!env.isEmpty()) {
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
    // Kept in the process-wide slot, not in the environment: in-process
    // libraries ask their own copy of this layer, and other threads may be
    // reading the environment.
    const unsigned int set = major <= 0 ? 0u
                                        : static_cast<unsigned int>(std::min(major, 0xFFFF)) << 16
                                              | static_cast<unsigned int>(std::clamp(minor, 0, 0xFFFF));
    std::atomic_ref<unsigned int>(*talvik_sys_os_version_slot()).store(set);
}

} // namespace platform::system
