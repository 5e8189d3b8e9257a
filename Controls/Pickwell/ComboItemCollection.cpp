#include "Controls/Pickwell/ComboItemCollection.h"

#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "Controls/common/DispatchHelpers.h"
#include "Controls/common/StreamBlob.h"

#include <algorithm>

namespace pickwell {

using namespace platform::com;
namespace disp = controls::disp;

namespace {
constexpr int32_t kStreamVersion = 0x10000;
constexpr uint32_t kNoColour = 0xFFFFFFFFu;

ComPtr<IUnknown> identity(IUnknown *p)
{
    ComPtr<IUnknown> u;
    if (p)
        p->QueryInterface(IID_IUnknown, u.putVoid());
    return u;
}
} // namespace

ComboItemCollection::ComboItemCollection()
    : controls::ObjectRoot(pickwell::module()), m_notify(static_cast<IComboItemCollection *>(this), IID_IPropertyNotifySink)
{
}

ComboItemCollection::~ComboItemCollection()
{
    releaseItems();
}

// Items leaving the collection become free again.
void ComboItemCollection::releaseItems()
{
    m_sinks.unadviseAll();
    for (size_t i = 0; i < m_items.size(); ++i)
        if (ComPtr<IComboItem> item = itemAt(i)) {
            item->put_Contained(0);
            item->put_Index(-1);
        }
    m_items.clear();
}

HRESULT ComboItemCollection::QueryInterface(const IID &iid, void **object)
{
    IComboItemCollection *primary = this;
    auto *ps = static_cast<IPersistStreamInit *>(this);
    auto *sei = static_cast<ISupportErrorInfo *>(this);
    auto *cpc = static_cast<IConnectionPointContainer *>(this);
    auto *bag = static_cast<IPersistPropertyBag *>(this);
    return queryInterfaceIn(primary, iid, object,
        {{IID_IUnknown, primary}, {IID_IDispatch, primary}, {IID_IComboItemCollection, primary},
         {IID_ISupportErrorInfo, sei}, {IID_IConnectionPointContainer, cpc}, {IID_IPersistStreamInit, ps},
         {IID_IPersistStream, ps}, {IID_IPersist, ps}, {IID_IPersistPropertyBag, bag}});
}

ComPtr<IComboItem> ComboItemCollection::itemAt(size_t position) const
{
    ComPtr<IComboItem> item;
    if (position < m_items.size() && m_items[position].pdispVal)
        m_items[position].pdispVal->QueryInterface(IID_IComboItem, item.putVoid());
    return item;
}

// ---- IDispatch

namespace {

HRESULT itemArg(VARIANT *arg, ComPtr<IComboItem> &item)
{
    IDispatch *d = nullptr;
    HRESULT hr = argObject(arg, &d);
    if (FAILED(hr))
        return hr;
    if (!d)
        return E_INVALIDARG;
    return d->QueryInterface(IID_IComboItem, item.putVoid()) == S_OK ? S_OK : DISP_E_TYPEMISMATCH;
}

using Row = disp::Row<ComboItemCollection>;

// A method of one item argument: the count and the item checked, then call.
template <class Call>
Row itemMethod(const char16_t *name, DISPID id, Call call)
{
    return {name, id, disp::METHOD,
            [call](ComboItemCollection *self, uint16_t, disp::Args &args, VARIANT *r) -> HRESULT {
                ComPtr<IComboItem> item;
                if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                    return hr;
                if (HRESULT hr = itemArg(args[0], item); FAILED(hr))
                    return hr;
                return call(self, item.get(), r);
            }};
}

// A put-only colour property.
Row colourPut(const char16_t *name, DISPID id, HRESULT (ComboItemCollection::*put)(OLE_COLOR))
{
    return {name, id, disp::PUT, [put](ComboItemCollection *self, uint16_t, disp::Args &args, VARIANT *) -> HRESULT {
                int32_t c = 0;
                if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                    return hr;
                if (HRESULT hr = argI4(args[0], &c); FAILED(hr))
                    return hr;
                return (self->*put)(static_cast<OLE_COLOR>(c));
            }};
}

} // namespace

const DispatchTable<ComboItemCollection> &ComboItemCollection::dispatchTable()
{
    using C = ComboItemCollection;
    using disp::Args;
    static const DispatchTable<C> t({
        itemMethod(u"Add", 1, [](C *self, IComboItem *item, VARIANT *) { return self->Add(item); }),
        disp::scalar<C, int32_t>(u"Count", 2, VT_I4, &C::get_Count),
        {u"Item", 0, disp::GET | disp::METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *r) -> HRESULT {
             if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                 return hr;
             int32_t pos = 0;
             if (HRESULT hr = argI4(args[0], &pos); FAILED(hr))
                 return hr;
             ComPtr<IComboItem> item;
             HRESULT hr = self->get_Item(pos, item.put());
             if (FAILED(hr))
                 return hr;
             return disp::returnObject(item.get(), r);
         }},
        disp::newEnum<C>(&C::get_NewEnum),
        {u"RemoveAt", 4, disp::METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = disp::countIs(args, 1); FAILED(hr))
                 return hr;
             int32_t pos = 0;
             if (HRESULT hr = argI4(args[0], &pos); FAILED(hr))
                 return hr;
             return self->RemoveAt(pos);
         }},
        disp::scalar<C, int32_t>(u"SelectedIndex", 5, VT_I4, &C::get_SelectedIndex, &C::put_SelectedIndex),
        itemMethod(u"Contains", 6,
                   [](C *self, IComboItem *item, VARIANT *r) {
                       VariantClear(r);
                       r->vt = VT_BOOL;
                       return self->Contains(item, &r->boolVal);
                   }),
        itemMethod(u"IndexOf", 7,
                   [](C *self, IComboItem *item, VARIANT *r) {
                       VariantClear(r);
                       r->vt = VT_I4;
                       return self->IndexOf(item, &r->lVal);
                   }),
        itemMethod(u"Remove", 8, [](C *self, IComboItem *item, VARIANT *) { return self->Remove(item); }),
        {u"Insert", 9, disp::METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = disp::countIs(args, 2); FAILED(hr))
                 return hr;
             int32_t pos = 0;
             if (HRESULT hr = argI4(args[0], &pos); FAILED(hr))
                 return hr;
             ComPtr<IComboItem> item;
             if (HRESULT hr = itemArg(args[1], item); FAILED(hr))
                 return hr;
             return self->Insert(pos, item.get());
         }},
        {u"Clear", 10, disp::METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = disp::countIs(args, 0); FAILED(hr))
                 return hr;
             return self->Clear();
         }},
        {u"SetSortInfo", 13, disp::METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = disp::countIs(args, 2); FAILED(hr))
                 return hr;
             int16_t by = 0, order = 0;
             if (FAILED(argI2(args[0], &by)) || FAILED(argI2(args[1], &order)))
                 return E_INVALIDARG;
             return self->SetSortInfo(by, order);
         }},
        colourPut(u"DefaultBackColor", 14, &C::put_DefaultBackColor),
        colourPut(u"DefaultForeColor", 15, &C::put_DefaultForeColor),
        {u"AddItem", 16, disp::METHOD,
         [](C *self, uint16_t, Args &args, VARIANT *) -> HRESULT {
             if (HRESULT hr = disp::countIs(args, 3); FAILED(hr))
                 return hr;
             IDispatch *d = nullptr;
             if (HRESULT hr = argObject(args[0], &d); FAILED(hr))
                 return hr;
             ComPtr<IPicture> pic;
             if (d && FAILED(d->QueryInterface(IID_IPicture, pic.putVoid())))
                 return DISP_E_TYPEMISMATCH;
             Bstr content, description;
             if (FAILED(argBstr(args[1], &content)) || FAILED(argBstr(args[2], &description)))
                 return DISP_E_TYPEMISMATCH;
             return self->AddItem(pic.get(), content.get(), description.get());
         }},
    });
    return t;
}

// ---- members

HRESULT ComboItemCollection::Add(IComboItem *item)
{
    if (!item)
        return E_INVALIDARG;
    VARIANT_BOOL inHere = VARIANT_FALSE;
    Contains(item, &inHere);
    int32_t contained = 0;
    item->get_Contained(&contained);
    if (inHere || contained)
        return E_FAIL;
    const int32_t count = static_cast<int32_t>(m_items.size());
    item->put_Contained(1);
    item->put_Index(count + 1);
    m_items.push_back(Variant::dispatch(item));
    if (m_sortOrder == zoAsctime || m_sortOrder == zoDescending)
        sort();
    OLE_COLOR colour = 0;
    item->get_ForeColor(&colour);
    if (colour == kNoColour)
        item->put_ForeColor(m_defaultFore);
    item->get_BackColor(&colour);
    if (colour == kNoColour)
        item->put_BackColor(m_defaultBack);
    m_sinks.AdviseSubObjectChanges(static_cast<int32_t>(m_items.size()), item, IID_IPropertyNotifySink);
    m_notify.fireOnChanged(CollectionAdded);
    return S_OK;
}

HRESULT ComboItemCollection::get_Count(int32_t *count)
{
    return disp::countTo(count, m_items.size());
}

HRESULT ComboItemCollection::get_Item(int32_t position, IComboItem **item)
{
    if (!item)
        return E_POINTER;
    *item = nullptr;
    if (position < 0 || position >= static_cast<int32_t>(m_items.size()))
        return E_INVALIDARG;
    ComPtr<IComboItem> p = itemAt(static_cast<size_t>(position));
    if (!p)
        return E_UNEXPECTED;
    *item = p.get();
    (*item)->AddRef();
    return S_OK;
}

HRESULT ComboItemCollection::get_NewEnum(IUnknown **enumerator)
{
    return disp::newEnumerator(m_items, enumerator);
}

HRESULT ComboItemCollection::RemoveAt(int32_t position)
{
    if (position < 0 || position >= static_cast<int32_t>(m_items.size()))
        return E_INVALIDARG;
    ComPtr<IComboItem> removed = itemAt(static_cast<size_t>(position));
    int32_t removedIndex = 0;
    if (removed)
        removed->get_Index(&removedIndex);
    m_sinks.unadviseAll();
    for (size_t i = 0; i < m_items.size(); ++i) {
        ComPtr<IComboItem> item = itemAt(i);
        int32_t index = 0;
        if (item && SUCCEEDED(item->get_Index(&index)) && index > removedIndex)
            item->put_Index(index - 1);
    }
    if (removed) {
        removed->put_Contained(0);
        removed->put_Index(-1);
    }
    m_items.erase(m_items.begin() + position);
    registerSinks();
    m_notify.fireOnChanged(CollectionRemoved);
    return S_OK;
}

void ComboItemCollection::registerSinks()
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        ComPtr<IComboItem> item = itemAt(i);
        int32_t index = 0;
        if (item && SUCCEEDED(item->get_Index(&index)))
            m_sinks.AdviseSubObjectChanges(index, item.get(), IID_IPropertyNotifySink);
    }
}

HRESULT ComboItemCollection::get_SelectedIndex(int32_t *value)
{
    return outValue(value, int32_t(-1)); // the collection keeps no selection
}

HRESULT ComboItemCollection::put_SelectedIndex(int32_t)
{
    return S_OK;
}

HRESULT ComboItemCollection::Contains(IComboItem *item, VARIANT_BOOL *result)
{
    if (!result)
        return E_POINTER;
    int32_t at = -1;
    IndexOf(item, &at);
    *result = at >= 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ComboItemCollection::IndexOf(IComboItem *item, int32_t *result)
{
    if (!result)
        return E_POINTER;
    *result = -1;
    const ComPtr<IUnknown> wanted = identity(item);
    if (!wanted)
        return S_OK;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (identity(m_items[i].pdispVal).get() == wanted.get()) {
            *result = static_cast<int32_t>(i);
            break;
        }
    return S_OK;
}

HRESULT ComboItemCollection::Remove(IComboItem *item)
{
    int32_t at = -1;
    IndexOf(item, &at);
    if (at >= 0)
        RemoveAt(at);
    return S_OK;
}

HRESULT ComboItemCollection::Insert(int32_t position, IComboItem *item)
{
    if (position < 0 || position >= static_cast<int32_t>(m_items.size()))
        return E_INVALIDARG;
    if (!item)
        return E_INVALIDARG;
    int32_t contained = 0;
    item->get_Contained(&contained);
    if (contained)
        return E_FAIL;
    if (m_sortOrder == zoAsctime || m_sortOrder == zoDescending) {
        const HRESULT hr = Add(item);
        if (FAILED(hr))
            return hr;
    } else {
        item->put_Index(position + 1);
        m_sinks.unadviseAll();
        for (size_t p = static_cast<size_t>(position); p < m_items.size(); ++p)
            if (ComPtr<IComboItem> other = itemAt(p))
                other->put_Index(static_cast<int32_t>(p) + 2);
        item->put_Contained(1);
        m_items.insert(m_items.begin() + position, Variant::dispatch(item));
        for (size_t p = 0; p < m_items.size(); ++p)
            if (ComPtr<IComboItem> other = itemAt(p))
                m_sinks.AdviseSubObjectChanges(static_cast<int32_t>(p) + 1, other.get(), IID_IPropertyNotifySink);
    }
    m_notify.fireOnChanged(CollectionInserted);
    return S_OK;
}

HRESULT ComboItemCollection::Clear()
{
    releaseItems();
    m_notify.fireOnChanged(CollectionCleared);
    return S_OK;
}

HRESULT ComboItemCollection::SetSortInfo(int16_t sortBy, int16_t sortOrder)
{
    if (sortBy < zoDisplayMember || sortBy > zoValueMember || sortOrder < zoAsctime || sortOrder > zoNone)
        return E_INVALIDARG;
    m_sortBy = sortBy;
    m_sortOrder = sortOrder;
    sort();
    return S_OK;
}

HRESULT ComboItemCollection::put_DefaultBackColor(OLE_COLOR value)
{
    m_defaultBack = value;
    return S_OK;
}

HRESULT ComboItemCollection::put_DefaultForeColor(OLE_COLOR value)
{
    m_defaultFore = value;
    return S_OK;
}

HRESULT ComboItemCollection::AddItem(IPicture *picture, BSTR content, BSTR description)
{
    ComPtr<IComboItem> item;
    if (FAILED(controls::createObject<ComboItem>(IID_IComboItem, item.putVoid())))
        return S_OK;
    Add(item.get());
    item->put_Content(content);
    item->put_Image(picture);
    item->put_Description(description);
    return S_OK;
}

// ---- sorting

namespace {

// Ordinal comparison of UTF-16 code units; a null key before every other.
int compareKeys(const Bstr &a, const Bstr &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    const uint32_t la = a.length(), lb = b.length();
    const uint32_t n = std::min(la, lb);
    for (uint32_t i = 0; i < n; ++i)
        if (a.get()[i] != b.get()[i])
            return a.get()[i] < b.get()[i] ? -1 : 1;
    return la == lb ? 0 : (la < lb ? -1 : 1);
}

} // namespace

void ComboItemCollection::sort()
{
    struct Keyed {
        Bstr key;
        int32_t index = 0;
        Variant item;
    };
    std::vector<Keyed> rows;
    rows.reserve(m_items.size());
    for (size_t i = 0; i < m_items.size(); ++i) {
        Keyed k;
        if (ComPtr<IComboItem> item = itemAt(i)) {
            switch (m_sortBy) {
            case zoDescriptionMember: item->get_Description(k.key.put()); break;
            case zoValueMember: item->get_Value(k.key.put()); break;
            default: item->get_Content(k.key.put()); break;
            }
            item->get_Index(&k.index);
        }
        k.item = std::move(m_items[i]);
        rows.push_back(std::move(k));
    }
    const int16_t order = m_sortOrder;
    std::stable_sort(rows.begin(), rows.end(), [order](const Keyed &a, const Keyed &b) {
        if (order == zoNone)
            return a.index < b.index;
        const int c = compareKeys(a.key, b.key);
        return order == zoDescending ? c > 0 : c < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i)
        m_items[i] = std::move(rows[i].item);
}

void ComboItemCollection::OnSubObjectChanged(int32_t id, DISPID code)
{
    if (code == ChangeContent || code == ChangeDescription || code == ChangeValue)
        sort();
    m_notify.fireOnRequestEdit(code);
    m_notify.fireOnChanged(-id);
}

HRESULT ComboItemCollection::OnSubObjectRequestEdit(int32_t, DISPID)
{
    return S_OK;
}

HRESULT ComboItemCollection::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_IComboItemCollection ? S_OK : S_FALSE;
}

HRESULT ComboItemCollection::FindConnectionPoint(const IID &iid, IConnectionPoint **point)
{
    return m_notify.handOut(iid, point);
}

// ---- persistence

HRESULT ComboItemCollection::GetClassID(CLSID *clsid)
{
    return outValue(clsid, CLSID_ComboItemCollection);
}

// "_Version", then each item as an object in the current order, then the
// null class id that ends the list.
HRESULT ComboItemCollection::Save(IStream *stream, bool)
{
    if (!stream)
        return E_POINTER;
    const int32_t version = kStreamVersion;
    if (!writeExact(stream, &version, 4))
        return STG_E_MEDIUMFULL;
    for (size_t i = 0; i < m_items.size(); ++i) {
        ComPtr<IPersistStream> p;
        if (!m_items[i].pdispVal || FAILED(m_items[i].pdispVal->QueryInterface(IID_IPersistStream, p.putVoid())))
            return E_FAIL;
        const HRESULT hr = OleSaveToStream(p.get(), stream);
        if (FAILED(hr))
            return hr;
    }
    return WriteClassStm(stream, GUID_NULL);
}

// Reads items until the null class id or a clean end of the stream (streams
// written without the terminator). Any other failure loads nothing.
HRESULT ComboItemCollection::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    // The item the refusal is in, and what was wrong.
    auto refuse = [](size_t item, const QString &property, const QString &value, HRESULT hr = E_FAIL) {
        com::LoadRefusal r{QStringLiteral("Item(%1)").arg(item + 1), value};
        if (!property.isEmpty())
            r.property += QLatin1Char('.') + property;
        return module().raiseLoadRefusal(hr, r, CLSID_ComboItemCollection, IID_IComboItemCollection);
    };
    int32_t version = 0;
    if (!readExact(stream, &version, 4))
        return module().raiseLoadRefusal(E_FAIL, {QStringLiteral("_Version"), com::TruncatedDataText()},
                                         CLSID_ComboItemCollection, IID_IComboItemCollection);
    std::vector<ComPtr<IComboItem>> loaded;
    for (;;) {
        uint8_t raw[16];
        uint32_t got = 0;
        if (FAILED(stream->Read(raw, 16, &got)))
            return refuse(loaded.size(), QString(), com::TruncatedDataText());
        if (got == 0)
            break;
        if (got != 16)
            return refuse(loaded.size(), QString(), com::TruncatedDataText());
        stream->Seek(-16, STREAM_SEEK_CUR, nullptr);
        CLSID clsid;
        ReadClassStm(stream, &clsid);
        if (clsid.isNull())
            break;
        if (clsid != CLSID_ComboItem)
            return refuse(loaded.size(), QString(), QStringLiteral("(項目ではないクラス %1)").arg(clsid.toString()));
        ComPtr<IPersistStream> p;
        HRESULT hr = CoCreateInstance(clsid, nullptr, IID_IPersistStream, p.putVoid());
        if (FAILED(hr))
            return refuse(loaded.size(), QString(), com::UnknownClassText(clsid), hr);
        SetErrorInfo(0, nullptr);
        hr = p->Load(stream);
        if (FAILED(hr)) {
            com::LoadRefusal inner;
            QString description;
            if (com::TakeLoadRefusal(&inner, &description))
                return refuse(loaded.size(), inner.property, inner.value, hr);
            return refuse(loaded.size(), QString(), QStringLiteral("(読み込めない項目)"), hr);
        }
        ComPtr<IComboItem> item;
        if (FAILED(p->QueryInterface(IID_IComboItem, item.putVoid())))
            return refuse(loaded.size(), QString(), QStringLiteral("(別の種類のオブジェクト)"));
        loaded.push_back(item);
    }
    for (const ComPtr<IComboItem> &item : loaded)
        Add(item.get());
    return S_OK;
}

HRESULT ComboItemCollection::Load(IPropertyBag *bag, IErrorLog *log)
{
    return controls::loadCollectionFromBag(static_cast<IPersistStreamInit *>(this), bag, log);
}

HRESULT ComboItemCollection::Save(IPropertyBag *bag, bool, bool)
{
    return controls::saveCollectionToBag(static_cast<IPersistStreamInit *>(this), bag);
}

} // namespace pickwell
