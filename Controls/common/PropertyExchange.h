#pragma once
// Loading and saving of the controls' persistent objects: one exchange
// routine per object serves load and save through a property bag (named
// values) or a stream (values in order, without names).
#include "platform/com/loadrefusal.h"

#include "platform/com/persist.h"
#include "platform/com/font.h"
#include "platform/com/picture.h"

namespace controls {

namespace com = platform::com;
using com::HRESULT;

struct PropertyExchangeContext {
    com::IPropertyBag *bag = nullptr;
    com::IErrorLog *errorLog = nullptr;
    com::IStream *stream = nullptr;
    bool loading = false;
    // Set by every helper: on a bag load, the bag holds no value of that
    // name (its Read answered E_INVALIDARG). Such a value keeps its default;
    // a value that is there and cannot be taken fails the load.
    bool absent = false;
    // The first value the load refused (helpers record their own failures;
    // the exchange routines record range checks with RefuseLoadedValue).
    com::LoadRefusal refusal;
};

// Whether a load or save may go on after a helper: it succeeded, or on a
// bag load the value was absent.
inline bool ExchangeStepOk(const PropertyExchangeContext *ctx, bool ok)
{
    return ok || (ctx->bag && ctx->loading && ctx->absent);
}

// Records a refused value (the first refusal of a load is kept) and returns
// false, for `return RefuseLoadedValue(...)`.
bool RefuseLoadedValue(PropertyExchangeContext *ctx, const QString &property, const QString &value);
// Puts prefix in front of the refusal recorded so far ("Item(2)" before
// "BevelOuter"), for loaders of collections.
void NestLoadRefusal(PropertyExchangeContext *ctx, const QString &prefix);

// Largest string a stream may hold (bytes, terminator included).
constexpr uint32_t kMaxStreamStringBytes = 16u << 20;

// Each returns true on success. With both or neither of bag and stream set
// they do nothing and return false. A load that fails leaves the member
// unchanged and, unless the bag simply lacks the value, records the refusal
// in the context (for a nested object: the refusal its own load left).
bool ExchangeShortProperty(PropertyExchangeContext *ctx, const char16_t *name, int16_t *member);
bool ExchangeLongProperty(PropertyExchangeContext *ctx, const char16_t *name, int32_t *member);
// Bag: VT_BOOL saved -1/0, loaded as 1/0. Stream: the 4-byte member as it is.
bool ExchangeBoolProperty(PropertyExchangeContext *ctx, const char16_t *name, int32_t *member);
// Stream: a 4-byte byte count n (text bytes + 2; 0 for a null string), then
// the UTF-16 text and its terminator. A count of 0 keeps the member; an odd
// count, a count below 2, above the bytes left or above the cap fails.
bool ExchangeStringProperty(PropertyExchangeContext *ctx, const char16_t *name, com::Bstr *member);
// Stream: the object's class id and its own data (OleSaveToStream); a null
// object is the null class id alone and loads as success, member unchanged.
// fresh, on a bag load: a new object of the stored class that the stored
// data is loaded into (for classes only the caller's module can make);
// without it the bag makes the object.
bool ExchangeObjectProperty(PropertyExchangeContext *ctx, const char16_t *name, com::ComPtr<com::IUnknown> *member,
                            const com::IID &iid, com::IUnknown *fresh = nullptr);

// Typed convenience over ExchangeObjectProperty for a member held as T.
template <class T>
bool ExchangeObject(PropertyExchangeContext *ctx, const char16_t *name, com::ComPtr<T> *member, const com::IID &iid)
{
    com::ComPtr<com::IUnknown> held(reinterpret_cast<com::IUnknown *>(member->get()));
    const bool ok = ExchangeObjectProperty(ctx, name, &held, iid);
    if (ok && ctx->loading)
        *member = com::ComPtr<T>(reinterpret_cast<T *>(held.get()));
    return ok;
}

// Clears the dirty flag, then exchanges "_Version", "_ExtentX", "_ExtentY".
// On a bag load an absent value keeps its member; a present one that cannot
// be read fails.
bool ExchangeVersionAndExtent(PropertyExchangeContext *ctx, bool *dirty, int32_t *version, int32_t *extentX,
                              int32_t *extentY);

// Copies a persistent object through a memory stream: saves the source,
// loads a new object and stores it in *dest under iid (the old one released).
// Returns the last HRESULT, or S_OK when the source is null or does not
// persist to streams. The stream grows as needed, whatever GetSizeMax says.
HRESULT CloneThroughStream(com::IUnknown *source, const com::IID &iid, com::ComPtr<com::IUnknown> *dest);

// Font helpers of the controls' Font property. The get hands out the stored
// font's IFontDisp (a null font leaves out untouched). The putref stores a
// clone of the given font, never the caller's object; E_POINTER for a null
// member pointer.
HRESULT GetFontProperty(com::IUnknown *stored, com::IDispatch **out);
HRESULT PutFontValue(com::ComPtr<com::IDispatch> *member, com::IUnknown *font);

// Picture helpers of the controls' picture properties.
HRESULT GetPictureProperty(com::IPicture *stored, com::IDispatch **out);
// Only an empty picture or an icon: anything else is CTL_E_INVALIDPROPERTYVALUE.
HRESULT PutIconProperty(com::ComPtr<com::IPicture> *member, com::IUnknown *picture); // stores a copy
HRESULT PutIconPicture(com::ComPtr<com::IPicture> *member, com::IUnknown *picture);  // stores the picture
HRESULT ClonePicture(com::ComPtr<com::IPicture> *member, com::IUnknown *picture);
HRESULT PutPictureReference(com::ComPtr<com::IPicture> *member, com::IUnknown *picture);

} // namespace controls
