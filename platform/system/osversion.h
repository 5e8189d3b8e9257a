#pragma once
// The operating system version as the Windows version query reports it.
// This machine reports 6.1 unless setOsVersion or, failing that, the
// environment variable TALVIK_OS_VERSION ("major.minor") says otherwise.
// What setOsVersion sets holds for the whole process, in-process libraries
// included; the environment is only read.
#include <QString>
#include <cstdint>

namespace platform::system {

// The version information record. The query accepts only the sizes the
// Windows call accepts: 148 (OSVERSIONINFOA) and 156 (OSVERSIONINFOEXA).
struct OSVERSIONINFO {
    uint32_t dwOSVersionInfoSize = 0;
    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t dwBuildNumber = 0;
    uint32_t dwPlatformId = 0;
    QString szCSDVersion;
};

constexpr uint32_t kOsVersionInfoSize = 148;
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

// False when the size field is wrong or the configured version is unreadable.
bool GetVersionEx(OSVERSIONINFO &info);

// Makes the query report major.minor from now on, whatever the environment
// says; major 0 drops the setting (the environment or the default again).
void setOsVersion(int major, int minor);

} // namespace platform::system
