#pragma once
// The in-process server side of a control library: its object map (classes
// with their registration rows), class factories, the module's lock count,
// the four exports' work and the string-table error helper.
#include "platform/com/loadrefusal.h"

#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/com/resources.h"

#include <QString>

#include <atomic>
#include <memory>
#include <vector>

namespace controls {

namespace com = platform::com;
using com::HRESULT;

// One registry row: key below HKEY_CLASSES_ROOT, value name (empty for the
// default value) and text.
struct RegistryRow {
    QString key;
    QString valueName;
    QString value;
};

// One row of the object map.
struct ObjectEntry {
    com::CLSID clsid;
    QString className;           // the class's own name, the error source when it has no ProgID
    QString caption;             // default value of the CLSID key and the versioned ProgID key
    QString progId;              // versioned ProgID, or empty
    QString versionIndependentProgId;
    QString versionIndependentCaption; // empty: the caption
    QString threadingModel;
    HRESULT (*create)(const com::IID &iid, void **object) = nullptr;
    // Rows of its own below its CLSID key (key relative to "CLSID\\{clsid}",
    // empty for that key itself); "%MODULE%" in a value stands for the
    // library's path.
    std::vector<RegistryRow> classKeyRows;
};

class ComModule {
public:
    ComModule(std::vector<ObjectEntry> objects, const com::ModuleResources *resources);
    ~ComModule();

    // Objects count themselves from construction to destruction.
    void objectCreated() { ++m_objects; }
    void objectDestroyed() { --m_objects; }
    void lock() { ++m_locks; }
    void unlock() { --m_locks; }
    long objectCount() const { return m_objects; }
    long lockCount() const { return m_locks; }

    HRESULT DllGetClassObject(const com::CLSID &clsid, const com::IID &iid, void **object);
    HRESULT DllCanUnloadNow() const;
    HRESULT DllRegisterServer(const QString &modulePath) const;
    HRESULT DllUnregisterServer() const;
    // Start-up of the module: its classes become creatable inside it (so that
    // it loads its own sub-objects without the registry). Idempotent.
    bool attach();
    void detach();

    const std::vector<ObjectEntry> &objects() const { return m_objects_map; }
    const ObjectEntry *entry(const com::CLSID &clsid) const;
    std::vector<RegistryRow> registryRows(const QString &modulePath) const;

    const com::ModuleResources &resources() const { return *m_resources; }
    QString loadString(uint32_t id) const { return com::LoadString(*m_resources, id); }
    QString versionString() const;

    // Sets the error object (source: the class's ProgID, or its name; GUID:
    // the interface; text: string stringId) and returns hr.
    HRESULT raise(HRESULT hr, uint32_t stringId, const com::CLSID &clsid, const com::IID &iid) const;
    // Sets the error object of a load that refused a value
    // (platform/com/loadrefusal.h), with the same source, and returns hr.
    HRESULT raiseLoadRefusal(HRESULT hr, const com::LoadRefusal &refusal, const com::CLSID &clsid,
                             const com::IID &iid) const;

private:
    QString errorSource(const com::CLSID &clsid) const;
    class Factory;
    std::vector<ObjectEntry> m_objects_map;
    std::vector<std::unique_ptr<Factory>> m_factories;
    std::vector<uint32_t> m_cookies;
    const com::ModuleResources *m_resources;
    std::atomic<long> m_objects{0};
    std::atomic<long> m_locks{0};
};

// Reference counting and module counting shared by the libraries' objects.
// A class derives from its interfaces and from this, and forwards
// AddRef/Release to addRef()/release().
class ObjectRoot {
public:
    explicit ObjectRoot(ComModule &module) : m_module(module) { m_module.objectCreated(); }
    virtual ~ObjectRoot() { m_module.objectDestroyed(); }
    ObjectRoot(const ObjectRoot &) = delete;
    ObjectRoot &operator=(const ObjectRoot &) = delete;

protected:
    uint32_t addRef() { return ++m_refs; }
    uint32_t release()
    {
        const uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    ComModule &owningModule() const { return m_module; }

private:
    std::atomic<uint32_t> m_refs{0};
    ComModule &m_module;
};

// Creates a T and queries it for iid (the usual `create` of an object map row).
using com::createObject;

} // namespace controls
