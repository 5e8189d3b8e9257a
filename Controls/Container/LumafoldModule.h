#pragma once
// Lumafold's module: object map, string table and version record.
#include "Controls/common/ComModule.h"

namespace lumafold {

namespace com = platform::com;

controls::ComModule &module();

enum : uint32_t {
    IDS_TITLE = 100,
    IDS_NONE = 201,
    IDS_KEY_EXISTS = 513,
    IDS_INDEX_RANGE = 514,
    IDS_ELEMENT_NOT_FOUND = 515,
    IDS_KEY_INVALID = 516,
    IDS_KEY_DIFFERS = 517,
    IDS_NOT_IN_COLLECTION = 519,
    IDS_PROPERTY_ERROR = 8003,
    IDS_INVALID_VALUE = 8504,
};

// Sets the error object for a collection error (its string is the low word
// of hr) or an invalid value (string 8504), and returns hr. 0x800A0005 is
// returned without error info.
com::HRESULT raiseError(com::HRESULT hr, const com::CLSID &clsid, const com::IID &iid);

} // namespace lumafold
