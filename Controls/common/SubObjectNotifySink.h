#pragma once
// Change sinks on held sub-objects: one IPropertyNotifySink per watched
// object, forwarding its notifications to the owner with the owner's id for
// that object. Also the growable pointer array the sinks live in, and the
// DBCS position helper of the text properties.
#include "platform/com/automation.h"

#include <QByteArray>

namespace controls {

namespace com = platform::com;
using com::HRESULT;

// What an owner of sub-objects implements.
class SubObjectChangeHandler {
public:
    virtual void OnSubObjectChanged(int32_t id, com::DISPID dispid) = 0;
    virtual HRESULT OnSubObjectRequestEdit(int32_t id, com::DISPID dispid) = 0;

protected:
    ~SubObjectChangeHandler() = default;
};

// A growable array of pointers: growth step 8, capacity a multiple of it.
class PointerArray {
public:
    explicit PointerArray(int initialSize = 0);
    ~PointerArray();
    PointerArray(const PointerArray &) = delete;
    PointerArray &operator=(const PointerArray &) = delete;

    bool PointerArrayAdd(void *pointer);
    bool PointerArrayRemoveAt(int index);
    int count() const { return m_count; }
    int capacity() const { return m_capacity; }
    void *at(int index) const { return index >= 0 && index < m_count ? m_items[index] : nullptr; }

private:
    void **m_items = nullptr;
    int m_count = 0;
    int m_capacity = 0;
    int m_step = 8;
};

class SubObjectNotifySink final : public com::IPropertyNotifySink {
public:
    SubObjectNotifySink(int32_t id, SubObjectChangeHandler *owner) : m_id(id), m_owner(owner) {}

    com::HRESULT QueryInterface(const com::IID &iid, void **object) override;
    // Return the count before the change; Release never destroys the sink.
    uint32_t AddRef() override { return m_refs++; }
    uint32_t Release() override { return m_refs--; }
    com::HRESULT OnChanged(com::DISPID dispid) override;
    com::HRESULT OnRequestEdit(com::DISPID dispid) override;

    int32_t id() const { return m_id; }
    uint32_t cookie = 0;
    com::IUnknown *source = nullptr; // not counted
    com::IID connectionIid;

private:
    uint32_t m_refs = 1;
    int32_t m_id;
    SubObjectChangeHandler *m_owner;
};

// The owner's table of sinks.
class SubObjectSinks {
public:
    explicit SubObjectSinks(SubObjectChangeHandler *owner) : m_owner(owner) {}
    ~SubObjectSinks() { unadviseAll(); }
    SubObjectSinks(const SubObjectSinks &) = delete;
    SubObjectSinks &operator=(const SubObjectSinks &) = delete;

    // Replaces a sink of the same id; false (and no sink) when the source
    // has no such connection point or refuses the sink.
    bool AdviseSubObjectChanges(int32_t id, com::IUnknown *source, const com::IID &iid);
    bool UnadviseSubObjectChanges(int32_t id);
    int FindSinkIndex(int32_t id) const;
    void unadviseAll();
    int count() const { return m_sinks.count(); }

private:
    SubObjectChangeHandler *m_owner;
    PointerArray m_sinks;
};

// Kind of the byte at index in an ANSI (CP932) text: -1 for an empty text or
// an index outside it, 1 for a lead byte, 2 for the byte after one, else 0.
int16_t GetDbcsCharKind(const QByteArray &text, int index);

} // namespace controls
