#include "Controls/common/ModuleVersion.h"

namespace controls {

void GetModuleVersionString(const platform::com::ModuleResources &module, std::string &buffer)
{
    if (!module.hasVersion)
        return;
    const uint32_t ms = module.version.fileVersionMS();
    const uint32_t ls = module.version.fileVersionLS();
    buffer = std::to_string(ms >> 16) + '.' + std::to_string(ms & 0xFFFF) + '.' + std::to_string(ls >> 16) + '.'
        + std::to_string(ls & 0xFFFF);
}

} // namespace controls
