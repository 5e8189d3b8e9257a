#include "Controls/common/SubObjectNotifySink.h"

#include "platform/com/objectbase.h"

#include <cstring>

namespace controls {

using namespace platform::com;

PointerArray::PointerArray(int initialSize)
{
    const int n = initialSize > 0 ? initialSize : 0;
    m_capacity = n == 0 ? m_step : ((n + m_step - 1) / m_step) * m_step;
    m_items = new void *[m_capacity];
}

PointerArray::~PointerArray()
{
    delete[] m_items;
}

bool PointerArray::PointerArrayAdd(void *pointer)
{
    if (m_count == m_capacity) {
        const int grown = m_capacity + m_step;
        void **items = new void *[grown];
        std::memcpy(items, m_items, sizeof(void *) * size_t(m_count));
        delete[] m_items;
        m_items = items;
        m_capacity = grown;
    }
    m_items[m_count++] = pointer;
    return true;
}

bool PointerArray::PointerArrayRemoveAt(int index)
{
    if (index < 0 || index >= m_count)
        return false;
    std::memmove(m_items + index, m_items + index + 1, sizeof(void *) * size_t(m_count - index - 1));
    --m_count;
    return true;
}

HRESULT SubObjectNotifySink::QueryInterface(const IID &iid, void **object)
{
    return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {IID_IPropertyNotifySink, this}});
}

HRESULT SubObjectNotifySink::OnChanged(DISPID dispid)
{
    m_owner->OnSubObjectChanged(m_id, dispid);
    return S_OK;
}

HRESULT SubObjectNotifySink::OnRequestEdit(DISPID dispid)
{
    return m_owner->OnSubObjectRequestEdit(m_id, dispid);
}

namespace {
ComPtr<IConnectionPoint> pointOf(IUnknown *source, const IID &iid)
{
    if (!source)
        return {};
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.putVoid())))
        return {};
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(iid, point.put())))
        return {};
    return point;
}
} // namespace

bool SubObjectSinks::AdviseSubObjectChanges(int32_t id, IUnknown *source, const IID &iid)
{
    UnadviseSubObjectChanges(id);
    auto *sink = new SubObjectNotifySink(id, m_owner);
    ComPtr<IConnectionPoint> point = pointOf(source, iid);
    if (!point || FAILED(point->Advise(sink, &sink->cookie))) {
        delete sink;
        return false;
    }
    sink->source = source;
    sink->connectionIid = iid;
    m_sinks.PointerArrayAdd(sink);
    return true;
}

bool SubObjectSinks::UnadviseSubObjectChanges(int32_t id)
{
    const int index = FindSinkIndex(id);
    if (index < 0)
        return false;
    auto *sink = static_cast<SubObjectNotifySink *>(m_sinks.at(index));
    if (ComPtr<IConnectionPoint> point = pointOf(sink->source, sink->connectionIid))
        point->Unadvise(sink->cookie);
    m_sinks.PointerArrayRemoveAt(index);
    delete sink;
    return true;
}

int SubObjectSinks::FindSinkIndex(int32_t id) const
{
    for (int i = 0; i < m_sinks.count(); ++i)
        if (static_cast<SubObjectNotifySink *>(m_sinks.at(i))->id() == id)
            return i;
    return -1;
}

void SubObjectSinks::unadviseAll()
{
    while (m_sinks.count() > 0)
        UnadviseSubObjectChanges(static_cast<SubObjectNotifySink *>(m_sinks.at(0))->id());
}

int16_t GetDbcsCharKind(const QByteArray &text, int index)
{
    if (text.isEmpty() || index < 0 || index >= text.size())
        return -1;
    auto lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    int i = 0;
    while (i < text.size()) {
        if (lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            if (index == i)
                return 1;
            if (index == i + 1)
                return 2;
            i += 2;
        } else {
            if (index == i)
                return 0;
            ++i;
        }
    }
    return -1;
}

} // namespace controls
