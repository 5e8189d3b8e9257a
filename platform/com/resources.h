#pragma once
// Per-module resources: the string table and the version record of a library.
// Each library defines its own ModuleResources; texts are kept as UTF-16.
#include "platform/com/automation.h"

#include <QString>

#include <cstdint>
#include <map>

namespace platform::com {

struct VersionRecord {
    uint16_t major = 0, minor = 0, build = 0, revision = 0;
    // The file version as the resource holds it: two 32-bit words.
    uint32_t fileVersionMS() const { return (uint32_t(major) << 16) | minor; }
    uint32_t fileVersionLS() const { return (uint32_t(build) << 16) | revision; }
};

struct ModuleResources {
    std::map<uint32_t, QString> strings;
    bool hasVersion = false;
    VersionRecord version;
};

// The string with the id, or a null QString when the table has none.
QString LoadString(const ModuleResources &module, uint32_t id);
// Copies the string into a buffer of `capacity` characters (terminator
// included) and returns the characters copied, truncating as Windows does;
// 0 when there is no such string.
int LoadStringW(const ModuleResources &module, uint32_t id, OLECHAR *buffer, int capacity);
// "%d.%d.%d.%d" of the module's file version; the text is left as it was when
// the module has no version record.
void GetModuleVersionString(const ModuleResources &module, QString &text);

} // namespace platform::com
