#pragma once
// The frame records of the contained controls: an array in the order the
// controls were first seen and a map from a control's name to its place.
#include "Controls/Container/ContainerDraw.h"

#include <QHash>

#include <functional>

namespace lumafold {

class ChildFrames {
public:
    // Invalidates the ring between a record's outer and inner rectangles.
    using InvalidateRing = std::function<void(const ChildFrameRecord &)>;

    const std::vector<ChildFrameRecord> &records() const { return m_records; }
    int count() const { return int(m_records.size()); }
    int indexOf(const QString &name) const { return m_map.value(name, -1); }

    // Before a layout pass: every record unseen and not framed.
    void markAllUnseen();
    // Stores the record met in a layout pass. A new name is appended (its
    // ring invalidated when framed). A stored record equal in inner and look
    // only takes over the framed flag and is marked seen; otherwise it is
    // replaced (keeping its name) and the old ring, and the new one when
    // framed, are invalidated.
    void update(ChildFrameRecord record, const InvalidateRing &invalidate);
    // Drops every record still unseen, invalidating its ring.
    void removeUnseen(const InvalidateRing &invalidate);
    // Drops every record.
    void clear();

private:
    std::vector<ChildFrameRecord> m_records;
    QHash<QString, int> m_map;
};

// Fills a record's look from an effect and grows its outer rectangle by the
// frame (|space| + |outer| + |border| + |inner|), the shadow at right and
// bottom and the margins; the record becomes framed. A null effect leaves
// the record not framed.
void applyEffectToRecord(ChildFrameRecord &record, IEffect *effect);

// The client rectangle less m1 on every side and m2 more at right and bottom.
RECT interiorOf(const RECT &client, int m1, int m2);

} // namespace lumafold
