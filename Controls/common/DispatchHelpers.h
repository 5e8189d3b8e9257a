#pragma once
// Builders of IDispatch member-table rows over typed interface members.
#include "platform/com/automation.h"
#include "platform/com/picture.h"

namespace controls::disp {

namespace com = platform::com;
using com::DISPID;
using com::HRESULT;
using com::VARIANT;
using com::FAILED;
using com::SUCCEEDED;
using Args = std::vector<VARIANT *>;

template <class T>
using Row = com::DispatchMember<T>;

constexpr uint16_t GET = com::DISPATCH_PROPERTYGET;
constexpr uint16_t PUT = com::DISPATCH_PROPERTYPUT;
constexpr uint16_t PUTREF = com::DISPATCH_PROPERTYPUTREF;
constexpr uint16_t METHOD = com::DISPATCH_METHOD;

inline HRESULT countIs(const Args &args, size_t n)
{
    return args.size() == n ? com::S_OK : com::DISP_E_BADPARAMCOUNT;
}

// A property of a scalar type V: getter fills V, setter takes V. VT tells how
// the value travels (VT_I2, VT_I4, VT_BOOL).
template <class T, class V>
Row<T> scalar(const char16_t *name, DISPID id, com::VARTYPE vt, HRESULT (T::*get)(V *), HRESULT (T::*put)(V) = nullptr)
{
    return {name, id, uint16_t(GET | (put ? PUT : 0)),
            [=](T *self, uint16_t kind, Args &args, VARIANT *r) -> HRESULT {
                if (kind == GET) {
                    if (!args.empty())
                        return com::DISP_E_BADPARAMCOUNT;
                    V v{};
                    const HRESULT hr = (self->*get)(&v);
                    if (FAILED(hr))
                        return hr;
                    com::VariantClear(r);
                    r->vt = vt;
                    if (vt == com::VT_I2 || vt == com::VT_BOOL)
                        r->iVal = static_cast<int16_t>(v);
                    else
                        r->lVal = static_cast<int32_t>(v);
                    return hr;
                }
                if (HRESULT hr = countIs(args, 1); FAILED(hr))
                    return hr;
                if (vt == com::VT_I2) {
                    int16_t x = 0;
                    if (HRESULT hr = com::argI2(args[0], &x); FAILED(hr))
                        return hr;
                    return (self->*put)(static_cast<V>(x));
                }
                if (vt == com::VT_BOOL) {
                    com::VARIANT_BOOL x = 0;
                    if (HRESULT hr = com::argBool(args[0], &x); FAILED(hr))
                        return hr;
                    return (self->*put)(static_cast<V>(x));
                }
                int32_t x = 0;
                if (HRESULT hr = com::argI4(args[0], &x); FAILED(hr))
                    return hr;
                return (self->*put)(static_cast<V>(x));
            }};
}

// A string property.
template <class T>
Row<T> string(const char16_t *name, DISPID id, HRESULT (T::*get)(com::BSTR *), HRESULT (T::*put)(com::BSTR) = nullptr)
{
    return {name, id, uint16_t(GET | (put ? PUT : 0)),
            [=](T *self, uint16_t kind, Args &args, VARIANT *r) -> HRESULT {
                if (kind == GET) {
                    if (!args.empty())
                        return com::DISP_E_BADPARAMCOUNT;
                    com::BSTR s = nullptr;
                    const HRESULT hr = (self->*get)(&s);
                    if (FAILED(hr))
                        return hr;
                    com::VariantClear(r);
                    r->vt = com::VT_BSTR;
                    r->bstrVal = s;
                    return hr;
                }
                if (HRESULT hr = countIs(args, 1); FAILED(hr))
                    return hr;
                com::Bstr s;
                if (HRESULT hr = com::argBstr(args[0], &s); FAILED(hr))
                    return hr;
                return (self->*put)(s.get());
            }};
}

// A property holding a VARIANT (get, put and putref).
template <class T>
Row<T> variant(const char16_t *name, DISPID id, HRESULT (T::*get)(VARIANT *), HRESULT (T::*put)(VARIANT),
               HRESULT (T::*putref)(VARIANT) = nullptr)
{
    return {name, id, uint16_t(GET | (put ? PUT : 0) | (putref ? PUTREF : 0)),
            [=](T *self, uint16_t kind, Args &args, VARIANT *r) -> HRESULT {
                if (kind == GET) {
                    if (!args.empty())
                        return com::DISP_E_BADPARAMCOUNT;
                    com::VariantClear(r);
                    return (self->*get)(r);
                }
                if (HRESULT hr = countIs(args, 1); FAILED(hr))
                    return hr;
                com::Variant v(*com::derefVariant(args[0]));
                return (self->*(kind == PUTREF ? putref : put))(v);
            }};
}

// The _NewEnum member of a collection: the enumerator as VT_UNKNOWN.
template <class T>
Row<T> newEnum(HRESULT (T::*get)(com::IUnknown **))
{
    return {u"_NewEnum", com::DISPID_NEWENUM, uint16_t(GET | METHOD),
            [=](T *self, uint16_t, Args &, VARIANT *r) -> HRESULT {
                com::IUnknown *e = nullptr;
                HRESULT hr = (self->*get)(&e);
                if (FAILED(hr))
                    return hr;
                com::VariantClear(r);
                r->vt = com::VT_UNKNOWN;
                r->punkVal = e;
                return com::S_OK;
            }};
}

// A collection's Count: n into *count.
inline HRESULT countTo(int32_t *count, size_t n)
{
    if (!count)
        return com::E_POINTER;
    *count = static_cast<int32_t>(n);
    return com::S_OK;
}

// A collection's _NewEnum: a new enumerator over items, with its reference.
inline HRESULT newEnumerator(std::vector<com::Variant> items, com::IUnknown **enumerator)
{
    if (!enumerator)
        return com::E_POINTER;
    auto *e = new com::EnumVariant(std::move(items));
    e->AddRef();
    *enumerator = e;
    return com::S_OK;
}

// An object result handed over as VT_DISPATCH (the reference in *out is taken).
template <class I>
HRESULT returnItem(HRESULT hr, I **out, VARIANT *r)
{
    if (FAILED(hr))
        return hr;
    com::VariantClear(r);
    r->vt = com::VT_DISPATCH;
    r->pdispVal = *out;
    return com::S_OK;
}

// The members a keyed collection of I items shares besides Count and Item:
// _NewEnum, Add([Index,] Key), Clear, Remove(Index), _ReplaceKey(Position,
// Key) and AddObj(Index, Key, Object), ids 2 to 6.
template <class C, class I>
std::vector<Row<C>> keyedCollectionRows()
{
    return {
        newEnum<C>(&C::get__NewEnum),
        {u"Add", 2, METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *r) -> HRESULT {
             if (args.empty() || args.size() > 2)
                 return com::DISP_E_BADPARAMCOUNT;
             com::Variant index = args.size() == 2 ? com::Variant(*args[0]) : com::Variant::missing();
             com::Bstr key;
             if (HRESULT hr = com::argBstr(args.back(), &key); FAILED(hr))
                 return hr;
             I *item = nullptr;
             return returnItem(self->Add(index, key.get(), &item), &item, r);
         }},
        {u"Clear", 3, METHOD, [](C *self, uint16_t, Args &, VARIANT *) -> HRESULT { return self->Clear(); }},
        {u"Remove", 4, METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = countIs(args, 1); FAILED(hr))
                 return hr;
             return self->Remove(*args[0]);
         }},
        {u"_ReplaceKey", 5, METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = countIs(args, 2); FAILED(hr))
                 return hr;
             int32_t pos = 0;
             com::Bstr key;
             if (FAILED(com::argI4(args[0], &pos)) || FAILED(com::argBstr(args[1], &key)))
                 return com::DISP_E_TYPEMISMATCH;
             return self->_ReplaceKey(pos, key.get());
         }},
        {u"AddObj", 6, METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *r) -> HRESULT {
             if (HRESULT hr = countIs(args, 3); FAILED(hr))
                 return hr;
             com::Bstr key;
             if (HRESULT hr = com::argBstr(args[1], &key); FAILED(hr))
                 return hr;
             I *item = nullptr;
             return returnItem(self->AddObj(*args[0], key.get(), *args[2], &item), &item, r);
         }},
    };
}

// Rows joined into one table's list.
template <class T>
std::vector<Row<T>> join(std::vector<Row<T>> rows, const std::vector<Row<T>> &more)
{
    rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

// An object result as VT_DISPATCH (the object's IDispatch, or Nothing).
inline HRESULT returnObject(com::IUnknown *object, VARIANT *r)
{
    com::VariantClear(r);
    r->vt = com::VT_DISPATCH;
    r->pdispVal = nullptr;
    if (!object)
        return com::S_OK;
    return object->QueryInterface(com::IID_IDispatch, reinterpret_cast<void **>(&r->pdispVal));
}

} // namespace controls::disp
