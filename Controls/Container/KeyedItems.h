#pragma once
// The ordered, keyed item array behind Effects and Childs: positions are
// zero-based inside, one-based to callers; keys compare ignoring ASCII case.
#include "Controls/Container/LumafoldInterfaces.h"
#include "Controls/common/PropertyExchange.h"

#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/com/persist.h"

#include <QString>

#include <map>
#include <set>
#include <vector>

namespace lumafold {

// ASCII letters folded to lower case; other characters (full-width letters
// included) compare as they are.
QString foldKey(const QString &key);

// QueryInterface of a keyed collection C: its own dual interface I (ownIid),
// error info, stream persistence and the property bag.
template <class I, class C>
HRESULT queryKeyedCollection(C *self, const com::IID &ownIid, const com::IID &iid, void **object)
{
    I *primary = self;
    auto *ps = static_cast<com::IPersistStreamInit *>(self);
    auto *sei = static_cast<com::ISupportErrorInfo *>(self);
    auto *bag = static_cast<com::IPersistPropertyBag *>(self);
    return com::queryInterfaceIn(primary, iid, object,
                                 {{com::IID_IUnknown, primary}, {com::IID_IDispatch, primary}, {ownIid, primary},
                                  {com::IID_ISupportErrorInfo, sei}, {com::IID_IPersistStreamInit, ps},
                                  {com::IID_IPersistStream, ps}, {com::IID_IPersist, ps},
                                  {com::IID_IPersistPropertyBag, bag}});
}

// The keys a collection's loader has taken so far (ASCII case folded): an
// empty key or one already taken is refused and recorded in the context.
class LoadedKeys {
public:
    explicit LoadedKeys(std::set<QString> taken) : m_keys(std::move(taken)) {}
    bool acceptKey(controls::PropertyExchangeContext *ctx, const QString &key);

private:
    std::set<QString> m_keys;
};

// The most items a collection's stream may hold.
constexpr int32_t kMaxLoadedItems = 32767;

template <class T>
class KeyedItems {
public:
    int count() const { return static_cast<int>(m_items.size()); }
    T *at(int position) const { return m_items[static_cast<size_t>(position)].get(); }
    const std::vector<com::ComPtr<T>> &items() const { return m_items; }

    int findKey(const QString &key) const
    {
        const auto it = m_keys.find(foldKey(key));
        return it == m_keys.end() ? -1 : it->second;
    }

    // An Index argument as a position: int16 or int32 one-based (514 outside
    // 1..Count), a string a key (516 empty, 515 absent), else 0x800A0005.
    HRESULT resolve(VARIANT *index, int *position) const
    {
        VARIANT *a = com::derefVariant(index);
        const com::VARTYPE base = a->vt & ~com::VT_BYREF;
        if (base == com::VT_I2 || base == com::VT_I4) {
            int32_t n = 0;
            if (com::FAILED(com::argI4(a, &n)) || n < 1 || n > count())
                return E_INDEX_RANGE;
            *position = n - 1;
            return com::S_OK;
        }
        if (base == com::VT_BSTR) {
            com::Bstr key;
            com::argBstr(a, &key);
            if (key.length() == 0)
                return E_KEY_INVALID;
            const int p = findKey(key.toQString());
            if (p < 0)
                return E_ELEMENT_NOT_FOUND;
            *position = p;
            return com::S_OK;
        }
        return com::CTL_E_ILLEGALFUNCTIONCALL;
    }

    // The item an Index argument names (no reference).
    HRESULT find(VARIANT *index, T **item) const
    {
        int pos = 0;
        const HRESULT hr = resolve(index, &pos);
        if (com::FAILED(hr))
            return hr;
        *item = at(pos);
        return com::S_OK;
    }

    // get_Item's work: the named item with a reference in *item (nullptr on
    // failure).
    template <class I>
    HRESULT handOut(VARIANT *index, I **item) const
    {
        if (!item)
            return com::E_POINTER;
        *item = nullptr;
        T *found = nullptr;
        const HRESULT hr = find(index, &found);
        if (com::FAILED(hr))
            return hr;
        *item = found;
        found->AddRef();
        return com::S_OK;
    }

    // Checks a new item's key (516 empty, 513 taken) and places it: at the
    // one-based Index when that is inside 1..Count, else at the end; an Index
    // that is no number gives 0x800A0005.
    HRESULT placeNew(const QString &key, VARIANT *index, int *position) const
    {
        if (key.isEmpty())
            return E_KEY_INVALID;
        if (findKey(key) >= 0)
            return E_KEY_EXISTS;
        *position = count();
        VARIANT *a = com::derefVariant(index);
        if (a && a->vt != com::VT_ERROR && a->vt != com::VT_EMPTY) {
            int32_t n = 0;
            if (com::FAILED(com::argI4(a, &n)))
                return com::CTL_E_ILLEGALFUNCTIONCALL;
            if (n >= 1 && n <= count())
                *position = n - 1;
        }
        return com::S_OK;
    }

    // _ReplaceKey's work on a zero-based position: S_FALSE when the key is
    // the item's own already (ignoring case), S_OK when it changed.
    HRESULT replaceKey(int32_t position, const QString &key)
    {
        if (position < 0 || position >= count())
            return E_INDEX_RANGE;
        if (key.isEmpty())
            return E_KEY_INVALID;
        T *item = at(position);
        if (foldKey(key) == foldKey(item->key()))
            return com::S_FALSE;
        if (findKey(key) >= 0)
            return E_KEY_EXISTS;
        item->setKey(key);
        rebuildKeys();
        return com::S_OK;
    }

    // The folded keys now held (a loader's start for spotting repeats).
    std::set<QString> foldedKeys() const
    {
        std::set<QString> keys;
        for (const auto &item : m_items)
            keys.insert(foldKey(item->key()));
        return keys;
    }

    // The stream form of a collection's load, the twin of the bag form's
    // controls::loadCollectionFromBag: "Count" (0..kMaxLoadedItems), then
    // each item through read(ctx, &loaded), which reads its values, refuses
    // those a put would refuse and leaves the item's key in loaded.key; the
    // key must be neither empty nor held already, here or by an earlier
    // item. Only when every item has loaded are they appended, each as
    // make(loaded) builds it. Otherwise nothing changes, and false returns
    // with the refusal in ctx ("Count", or "Item(n)." before the value).
    template <class Loaded, class Read, class Make>
    bool loadAppended(controls::PropertyExchangeContext *ctx, Read read, Make make)
    {
        int32_t n = 0;
        if (!controls::ExchangeLongProperty(ctx, u"Count", &n))
            return false;
        if (n < 0 || n > kMaxLoadedItems)
            return controls::RefuseLoadedValue(ctx, QStringLiteral("Count"), QString::number(n));
        std::vector<Loaded> loaded;
        LoadedKeys keys(foldedKeys());
        for (int32_t i = 0; i < n; ++i) {
            Loaded item;
            if (!read(ctx, &item) || !keys.acceptKey(ctx, item.key)) {
                controls::NestLoadRefusal(ctx, QStringLiteral("Item(%1)").arg(i + 1));
                return false;
            }
            loaded.push_back(std::move(item));
        }
        for (const Loaded &item : loaded)
            insert(count(), make(item));
        return true;
    }

    void insert(int position, com::ComPtr<T> item)
    {
        if (position == count()) { // appending moves no other entry
            m_keys[foldKey(item->key())] = position;
            m_items.push_back(std::move(item));
            return;
        }
        m_items.insert(m_items.begin() + position, std::move(item));
        rebuildKeys();
    }
    void removeAt(int position)
    {
        m_items.erase(m_items.begin() + position);
        rebuildKeys();
    }
    void clear()
    {
        m_items.clear();
        m_keys.clear();
    }
    // After an item's key changed.
    void rebuildKeys()
    {
        m_keys.clear();
        for (size_t i = 0; i < m_items.size(); ++i)
            m_keys[foldKey(m_items[i]->key())] = static_cast<int>(i);
    }
    // Keys in the map's order (ascending, ignoring case), as stored.
    QStringList keysInMapOrder() const
    {
        QStringList out;
        for (const auto &entry : m_keys)
            out << m_items[static_cast<size_t>(entry.second)]->key();
        return out;
    }
    std::vector<com::Variant> asVariants() const
    {
        std::vector<com::Variant> out;
        for (const auto &item : m_items)
            out.push_back(com::Variant::dispatch(item.get()));
        return out;
    }

private:
    std::vector<com::ComPtr<T>> m_items;
    std::map<QString, int> m_keys;
};

} // namespace lumafold
