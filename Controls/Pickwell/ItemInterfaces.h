#pragma once
// The item model's interfaces are the base library's (its combo window lists
// the items through them); this library implements them under its own names
// and gives the two item classes their class ids.
#include "zobase7/include/ComboItemInterfaces.h"

namespace pickwell {

namespace com = platform::com;
using com::BSTR;
using com::HRESULT;
using com::OLE_COLOR;
using com::VARIANT_BOOL;

using zobase7::IComboItem;
using zobase7::IComboItemCollection;
using zobase7::IID_IComboItem;
using zobase7::IID_IComboItemCollection;

using zobase7::zoDescriptionMember;
using zobase7::zoDisplayMember;
using zobase7::zoValueMember;
using zobase7::zoAsctime;
using zobase7::zoDescending;
using zobase7::zoNone;

using zobase7::ItemChange;
using enum zobase7::ItemChange;
using zobase7::CollectionChange;
using enum zobase7::CollectionChange;

inline const com::CLSID CLSID_ComboItem = {0xCB8724BB, 0xE11C, 0x45D8, {0xAF, 0x0C, 0x49, 0xC0, 0x4B, 0x13, 0x87, 0xDB}};
inline const com::CLSID CLSID_ComboItemCollection = {0x6B4E533A, 0x1F9E, 0x439E, {0x9E, 0x72, 0x69, 0xDE, 0xA4, 0x5F, 0xC1, 0xC6}};

} // namespace pickwell
