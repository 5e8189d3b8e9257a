#include "platform/com/resources.h"

namespace platform::com {

QString LoadString(const ModuleResources &module, uint32_t id)
{
    const auto it = module.strings.find(id);
    return it == module.strings.end() ? QString() : it->second;
}

int LoadStringW(const ModuleResources &module, uint32_t id, OLECHAR *buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return 0;
    const auto it = module.strings.find(id);
    if (it == module.strings.end()) {
        buffer[0] = 0;
        return 0;
    }
    const int n = std::min<int>(static_cast<int>(it->second.size()), capacity - 1);
    for (int i = 0; i < n; ++i)
        buffer[i] = it->second.at(i).unicode();
    buffer[n] = 0;
    return n;
}

void GetModuleVersionString(const ModuleResources &module, QString &text)
{
    if (!module.hasVersion)
        return;
    const VersionRecord &v = module.version;
    text = QStringLiteral("%1.%2.%3.%4").arg(v.fileVersionMS() >> 16).arg(v.fileVersionMS() & 0xFFFF)
               .arg(v.fileVersionLS() >> 16).arg(v.fileVersionLS() & 0xFFFF);
}

} // namespace platform::com
