#include "platform/com/comrt/comrt.h"

extern "C" void **talvik_com_error_slot()
{
    static thread_local void *slot = nullptr;
    return &slot;
}
