#include "Controls/Container/Extender.h"

#include "platform/win/ole/oleidl.h"

namespace lumafold::extender {

using namespace platform::com;
namespace win = platform::win;

namespace {
constexpr LCID kLocale = 0x400;

bool idOf(IDispatch *object, const char16_t *name, DISPID *id)
{
    const OLECHAR *names[1] = {name};
    return object && SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, kLocale, id));
}
} // namespace

ComPtr<IDispatch> of(IUnknown *control)
{
    ComPtr<IDispatch> ext;
    if (!control)
        return ext;
    ComPtr<win::IOleObject> object;
    if (SUCCEEDED(control->QueryInterface(win::IID_IOleObject, object.putVoid())) && object) {
        ComPtr<win::IOleClientSite> site;
        ComPtr<win::IOleControlSite> controlSite;
        if (SUCCEEDED(object->GetClientSite(site.put())) && site &&
            SUCCEEDED(site->QueryInterface(win::IID_IOleControlSite, controlSite.putVoid())) && controlSite)
            controlSite->GetExtendedControl(ext.put());
        return ext;
    }
    control->QueryInterface(IID_IDispatch, ext.putVoid());
    return ext;
}

bool getById(IDispatch *object, DISPID id, Variant &value)
{
    if (!object)
        return false;
    DISPPARAMS none;
    VariantClear(&value);
    return SUCCEEDED(object->Invoke(id, IID_NULL, kLocale, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr));
}

bool get(IDispatch *object, const char16_t *name, Variant &value)
{
    DISPID id = 0;
    return idOf(object, name, &id) && getById(object, id, value);
}

int readCoordinate(IDispatch *object, const char16_t *name)
{
    Variant v;
    if (!get(object, name, v))
        return kUnreadable;
    Variant r4;
    if (FAILED(VariantChangeType(&r4, &v, 0, VT_R4)))
        return kUnreadable;
    return static_cast<int>(r4.fltVal);
}

bool readBool(IDispatch *object, const char16_t *name)
{
    Variant v;
    if (!get(object, name, v))
        return false;
    Variant b;
    if (FAILED(VariantChangeType(&b, &v, 0, VT_BOOL)))
        return false;
    return b.boolVal == VARIANT_TRUE;
}

bool writeCoordinate(IDispatch *object, const char16_t *name, int twips)
{
    DISPID id = 0;
    if (!idOf(object, name, &id))
        return false;
    VARIANT arg;
    arg.vt = VT_R4;
    arg.fltVal = static_cast<float>(twips);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = &arg;
    params.cArgs = 1;
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
    return SUCCEEDED(object->Invoke(id, IID_NULL, kLocale, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
}

QString controlName(IDispatch *object)
{
    Variant name;
    QString text;
    if (get(object, u"Name", name))
        text = name.toQString();
    Variant index;
    if (get(object, u"Index", index)) {
        bool ok = false;
        const int i = index.toInt(&ok);
        if (ok)
            text += QStringLiteral("(%1)").arg(i);
    }
    return text;
}

} // namespace lumafold::extender
