#pragma once
// Reading and writing a contained control's extender properties by name
// through its IDispatch, as the layout does.
#include "platform/com/automation.h"

#include <QString>

namespace lumafold::extender {

namespace com = platform::com;

// What a failed coordinate read gives.
constexpr int kUnreadable = -500000;

// The control's extender: its client site's extended control, or, for an
// object without IOleObject, its own IDispatch.
com::ComPtr<com::IDispatch> of(com::IUnknown *control);
// A property read with locale 0x400; false when it cannot be read.
bool get(com::IDispatch *object, const char16_t *name, com::Variant &value);
bool getById(com::IDispatch *object, com::DISPID id, com::Variant &value);
// Left, Top, Width or Height in twips, read as VT_R4 and truncated;
// kUnreadable when the read fails.
int readCoordinate(com::IDispatch *object, const char16_t *name);
// True only when the property reads True.
bool readBool(com::IDispatch *object, const char16_t *name);
// Writes a VT_R4 value.
bool writeCoordinate(com::IDispatch *object, const char16_t *name, int twips);
// Name, followed by "(Index)" when the extender answers Index.
QString controlName(com::IDispatch *object);

} // namespace lumafold::extender
