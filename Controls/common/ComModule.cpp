#include "Controls/common/ComModule.h"

#include "platform/com/objectbase.h"
#include "platform/system/registry.h"

namespace controls {

using namespace platform::com;
namespace sys = platform::system;

class ComModule::Factory final : public IClassFactory {
public:
    Factory(ComModule &module, const ObjectEntry &entry) : m_module(module), m_entry(entry) {}
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        return queryInterfaceIn(this, iid, object, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
    }
    // The factories live as long as the module and count as locks while held.
    uint32_t AddRef() override
    {
        m_module.lock();
        return 2;
    }
    uint32_t Release() override
    {
        m_module.unlock();
        return 1;
    }
    HRESULT CreateInstance(IUnknown *outer, const IID &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return m_entry.create(iid, object);
    }
    HRESULT LockServer(bool lock) override
    {
        if (lock)
            m_module.lock();
        else
            m_module.unlock();
        return S_OK;
    }

private:
    ComModule &m_module;
    const ObjectEntry &m_entry;
};

ComModule::ComModule(std::vector<ObjectEntry> objects, const ModuleResources *resources)
    : m_objects_map(std::move(objects)), m_resources(resources)
{
    for (const ObjectEntry &e : m_objects_map)
        m_factories.push_back(std::make_unique<Factory>(*this, e));
}

ComModule::~ComModule()
{
    detach();
}

bool ComModule::attach()
{
    if (!m_cookies.empty())
        return true;
    for (size_t i = 0; i < m_objects_map.size(); ++i) {
        uint32_t cookie = 0;
        if (SUCCEEDED(CoRegisterClassObject(m_objects_map[i].clsid, m_factories[i].get(), &cookie)))
            m_cookies.push_back(cookie);
    }
    // Registration took a reference on each factory; that is no lock.
    m_locks -= static_cast<long>(m_cookies.size());
    return true;
}

void ComModule::detach()
{
    m_locks += static_cast<long>(m_cookies.size());
    for (uint32_t c : m_cookies)
        CoRevokeClassObject(c);
    m_cookies.clear();
}

const ObjectEntry *ComModule::entry(const CLSID &clsid) const
{
    for (const ObjectEntry &e : m_objects_map)
        if (e.clsid == clsid)
            return &e;
    return nullptr;
}

HRESULT ComModule::DllGetClassObject(const CLSID &clsid, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < m_objects_map.size(); ++i)
        if (m_objects_map[i].clsid == clsid)
            return m_factories[i]->QueryInterface(iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComModule::DllCanUnloadNow() const
{
    return m_objects == 0 && m_locks == 0 ? S_OK : S_FALSE;
}

std::vector<RegistryRow> ComModule::registryRows(const QString &modulePath) const
{
    std::vector<RegistryRow> rows;
    for (const ObjectEntry &e : m_objects_map) {
        const QString key = QStringLiteral("CLSID\\") + e.clsid.toString();
        if (!e.progId.isEmpty()) {
            rows.push_back({e.progId, QString(), e.caption});
            rows.push_back({e.progId + QStringLiteral("\\CLSID"), QString(), e.clsid.toString()});
        }
        if (!e.versionIndependentProgId.isEmpty()) {
            const QString vic = e.versionIndependentCaption.isEmpty() ? e.caption : e.versionIndependentCaption;
            rows.push_back({e.versionIndependentProgId, QString(), vic});
            rows.push_back({e.versionIndependentProgId + QStringLiteral("\\CLSID"), QString(), e.clsid.toString()});
            if (!e.progId.isEmpty())
                rows.push_back({e.versionIndependentProgId + QStringLiteral("\\CurVer"), QString(), e.progId});
        }
        rows.push_back({key, QString(), e.caption});
        if (!e.progId.isEmpty())
            rows.push_back({key + QStringLiteral("\\ProgID"), QString(), e.progId});
        if (!e.versionIndependentProgId.isEmpty())
            rows.push_back({key + QStringLiteral("\\VersionIndependentProgID"), QString(), e.versionIndependentProgId});
        rows.push_back({key + QStringLiteral("\\InprocServer32"), QString(), modulePath});
        rows.push_back({key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"), e.threadingModel});
        for (const RegistryRow &r : e.classKeyRows) {
            QString value = r.value;
            value.replace(QStringLiteral("%MODULE%"), modulePath);
            rows.push_back({r.key.isEmpty() ? key : key + QStringLiteral("\\") + r.key, r.valueName, value});
        }
    }
    return rows;
}

HRESULT ComModule::DllRegisterServer(const QString &modulePath) const
{
    // One write of the registry file for all rows: every key or none.
    sys::RegistryWriteBatch batch;
    for (const RegistryRow &row : registryRows(modulePath))
        if (sys::SHSetValue(sys::RootKey::ClassesRoot, row.key, row.valueName, sys::REG_SZ, sys::regSz(row.value)) !=
            sys::ERROR_SUCCESS)
            return SELFREG_E_CLASS;
    if (batch.finish() == sys::ERROR_SUCCESS)
        return S_OK;
    // The caller learns which file could not be written and why.
    return platform::com::registrationFailed(m_objects_map.empty() ? modulePath : m_objects_map.front().progId);
}

HRESULT ComModule::DllUnregisterServer() const
{
    sys::RegistryWriteBatch batch;
    bool ok = true;
    auto drop = [&ok](const QString &key) {
        const long rc = sys::RegDeleteTree(sys::RootKey::ClassesRoot, key);
        ok = ok && (rc == sys::ERROR_SUCCESS || rc == sys::ERROR_FILE_NOT_FOUND);
    };
    for (const ObjectEntry &e : m_objects_map) {
        drop(QStringLiteral("CLSID\\") + e.clsid.toString());
        if (!e.progId.isEmpty())
            drop(e.progId);
        if (!e.versionIndependentProgId.isEmpty())
            drop(e.versionIndependentProgId);
    }
    ok = batch.finish() == sys::ERROR_SUCCESS && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

QString ComModule::versionString() const
{
    QString text;
    GetModuleVersionString(*m_resources, text);
    return text;
}

QString ComModule::errorSource(const CLSID &clsid) const
{
    if (const ObjectEntry *e = entry(clsid))
        return e->progId.isEmpty() ? e->className : e->progId;
    return QString();
}

HRESULT ComModule::raise(HRESULT hr, uint32_t stringId, const CLSID &clsid, const IID &iid) const
{
    return reportError(hr, iid, errorSource(clsid), loadString(stringId));
}

HRESULT ComModule::raiseLoadRefusal(HRESULT hr, const LoadRefusal &refusal, const CLSID &clsid, const IID &iid) const
{
    return ReportLoadRefusal(hr, refusal, iid, errorSource(clsid));
}

} // namespace controls
