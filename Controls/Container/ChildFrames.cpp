#include "Controls/Container/ChildFrames.h"

#include <cstdlib>

namespace lumafold {

void ChildFrames::markAllUnseen()
{
    for (ChildFrameRecord &r : m_records) {
        r.unseen = true;
        r.framed = false;
    }
}

void ChildFrames::update(ChildFrameRecord record, const InvalidateRing &invalidate)
{
    const auto it = m_map.constFind(record.name);
    if (it == m_map.constEnd()) {
        record.unseen = false;
        m_map.insert(record.name, int(m_records.size()));
        m_records.push_back(record);
        if (record.framed && invalidate)
            invalidate(m_records.back());
        return;
    }
    ChildFrameRecord &stored = m_records[size_t(*it)];
    if (stored.inner == record.inner && stored.look == record.look) {
        stored.framed = record.framed;
        stored.unseen = false;
        return;
    }
    const ChildFrameRecord old = stored;
    record.name = old.name;
    record.unseen = false;
    stored = record;
    if (invalidate) {
        invalidate(old);
        if (stored.framed)
            invalidate(stored);
    }
}

void ChildFrames::removeUnseen(const InvalidateRing &invalidate)
{
    for (int i = count() - 1; i >= 0; --i) {
        if (!m_records[size_t(i)].unseen)
            continue;
        if (invalidate)
            invalidate(m_records[size_t(i)]);
        m_map.remove(m_records[size_t(i)].name);
        m_records.erase(m_records.begin() + i);
        for (auto it = m_map.begin(); it != m_map.end(); ++it)
            if (*it >= i)
                --*it;
    }
}

void ChildFrames::clear()
{
    m_records.clear();
    m_map.clear();
}

void applyEffectToRecord(ChildFrameRecord &record, IEffect *effect)
{
    if (!effect) {
        record.framed = false;
        return;
    }
    const EffectLook l = EffectLook::of(effect);
    record.look = l;
    const int frame = std::abs(l.bevelSpace) + std::abs(l.bevelOuter) + std::abs(l.borderStyle) + std::abs(l.bevelInner);
    RECT &o = record.outer;
    o.left -= frame;
    o.top -= frame;
    o.right += frame + l.shadowWidth;
    o.bottom += frame + l.shadowWidth;
    o.left -= l.marginLeft;
    o.right += l.marginRight;
    o.top -= l.marginTop;
    o.bottom += l.marginBottom;
    record.framed = true;
}

RECT interiorOf(const RECT &client, int m1, int m2)
{
    return {client.left + m1, client.top + m1, client.right - m1 - m2, client.bottom - m1 - m2};
}

} // namespace lumafold
