#include "platform/com/comrt/comrt.h"

extern "C" void **talvik_com_error_slot()
{
    static thread_local void *slot = nullptr;
    return &slot;
}

extern "C" unsigned int *talvik_com_sys_colours(int *count)
{
    // The default scheme, in COLOR_ index order.
    static unsigned int table[] = {
        0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
        0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
        0x000000, 0x544E43, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF,
    };
    if (count)
        *count = static_cast<int>(sizeof table / sizeof table[0]);
    return table;
}
