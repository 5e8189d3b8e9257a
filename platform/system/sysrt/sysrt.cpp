#include "platform/system/sysrt/sysrt.h"

extern "C" void **talvik_sys_registry_slot()
{
    static void *slot = nullptr;
    return &slot;
}

extern "C" unsigned int *talvik_sys_os_version_slot()
{
    static unsigned int version = 0;
    return &version;
}
