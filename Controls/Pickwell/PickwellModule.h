#pragma once
// Pickwell's module: object map, string table and version record.
#include "Controls/common/ComModule.h"

namespace pickwell {

controls::ComModule &module();

// String ids of the library's string table.
enum : uint32_t {
    IDS_TITLE = 100,
    IDS_INVALID_VALUE_PAGE = 151,
    IDS_PROPERTY_ERROR = 8003,
    IDS_INVALID_VALUE = 8504,
    IDS_READ_ONLY = 8505,
    IDS_RUN_TIME_ONLY = 8506,
};

} // namespace pickwell
