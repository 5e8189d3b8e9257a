#pragma once
// Collections in a property bag: "_Version" and their stream form as the
// nested object "Blob". The blob is a small view that persists the owner
// through its stream form, so the bag keeps the owner's class id and bytes.
#include "platform/com/persist.h"

namespace controls {

namespace com = platform::com;

constexpr int32_t kCollectionBagVersion = 0x00010000;

// Save: writes "_Version" and "Blob". Load: reads "_Version" (optional) and
// loads "Blob" into the owner. The owner's stream Load must leave it
// unchanged on failure.
com::HRESULT saveCollectionToBag(com::IPersistStream *owner, com::IPropertyBag *bag);
com::HRESULT loadCollectionFromBag(com::IPersistStream *owner, com::IPropertyBag *bag, com::IErrorLog *log);

} // namespace controls
