#include "platform/com/com.h"

#include "platform/com/errorinfo.h"
#include "platform/com/picture.h"
#include "platform/runtime/runtime_error.h"
#include "platform/system/registry.h"

#include <QFileInfo>

#include <dlfcn.h>

#include <map>

namespace platform::com {

namespace sys = platform::system;

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The dispatch-by-name interface of this layer; its own id, distinct from
// IDispatch's, since objects may offer both.
const IID IID_IDispatchByName = {0x6F1D2A40, 0x5B7C, 0x4E21, {0x9C, 0x3A, 0x0D, 0x7E, 0x5B, 0x1F, 0x2A, 0x01}};

// ---- GUID

GUID GUID::fromString(const QString &text, bool *ok)
{
    GUID g;
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('{')) && t.endsWith(QLatin1Char('}')))
        t = t.mid(1, t.size() - 2);
    const QStringList parts = t.split(QLatin1Char('-'));
    bool good = parts.size() == 5 && parts[0].size() == 8 && parts[1].size() == 4 && parts[2].size() == 4 &&
                parts[3].size() == 4 && parts[4].size() == 12;
    auto hex = [&good](const QString &s) {
        bool k = false;
        const qulonglong v = s.toULongLong(&k, 16);
        good = good && k;
        return v;
    };
    if (good) {
        g.Data1 = static_cast<uint32_t>(hex(parts[0]));
        g.Data2 = static_cast<uint16_t>(hex(parts[1]));
        g.Data3 = static_cast<uint16_t>(hex(parts[2]));
        const QString tail = parts[3] + parts[4];
        for (int i = 0; i < 8; ++i)
            g.Data4[i] = static_cast<uint8_t>(hex(tail.mid(2 * i, 2)));
    }
    if (!good)
        g = GUID();
    if (ok)
        *ok = good;
    return g;
}

QString GUID::toString() const
{
    QString s = QStringLiteral("{%1-%2-%3-").arg(Data1, 8, 16, QLatin1Char('0')).arg(Data2, 4, 16, QLatin1Char('0'))
                    .arg(Data3, 4, 16, QLatin1Char('0'));
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            s += QLatin1Char('-');
        s += QStringLiteral("%1").arg(Data4[i], 2, 16, QLatin1Char('0'));
    }
    s += QLatin1Char('}');
    return s.toUpper();
}

bool GUID::isNull() const
{
    return *this == GUID();
}

bool operator==(const GUID &a, const GUID &b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

// ---- DispatchObject

DispatchObject::DispatchObject(QString typeName) : m_typeName(std::move(typeName)) {}

void DispatchObject::addMethod(const QString &name, Method method)
{
    m_members[name.toLower()].method = std::move(method);
}

void DispatchObject::addProperty(const QString &name, Getter get, Setter set)
{
    Member &m = m_members[name.toLower()];
    m.get = std::move(get);
    m.set = std::move(set);
}

HRESULT DispatchObject::QueryInterface(const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatchByName) {
        *object = static_cast<IDispatchByName *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

uint32_t DispatchObject::AddRef()
{
    return ++m_refs;
}

uint32_t DispatchObject::Release()
{
    const uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT DispatchObject::GetTypeName(QString *name)
{
    if (!name)
        return E_POINTER;
    *name = m_typeName;
    return S_OK;
}

HRESULT DispatchObject::Invoke(const QString &member, DispatchKind kind, const QVariantList &args, QVariant *result)
{
    const auto it = m_members.find(member.toLower());
    if (it == m_members.end())
        return DISP_E_MEMBERNOTFOUND;
    const Member &m = it->second;
    try {
        QVariant r;
        switch (kind) {
        case DispatchKind::Method:
            if (m.method)
                r = m.method(args);
            else if (m.get && args.isEmpty())
                r = m.get();
            else
                return DISP_E_MEMBERNOTFOUND;
            break;
        case DispatchKind::PropertyGet:
            if (m.get && args.isEmpty())
                r = m.get();
            else if (m.method)
                r = m.method(args);
            else
                return DISP_E_MEMBERNOTFOUND;
            break;
        case DispatchKind::PropertyPut:
            if (!m.set)
                return DISP_E_MEMBERNOTFOUND;
            if (args.size() != 1)
                return DISP_E_BADPARAMCOUNT;
            m.set(args.front());
            break;
        }
        if (result)
            *result = r;
        else if (IDispatchByName *o = variantObject(r))
            o->Release(); // nobody takes the returned object
        return S_OK;
    } catch (const platform::RuntimeError &e) {
        m_lastError = e.Description();
        return DISP_E_EXCEPTION;
    } catch (const std::exception &e) {
        m_lastError = QString::fromLocal8Bit(e.what());
        return DISP_E_EXCEPTION;
    }
}

// ---- variants and CallByName

QVariant objectVariant(IDispatchByName *object)
{
    return QVariant::fromValue(object);
}

IDispatchByName *variantObject(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<IDispatchByName *>())
        return value.value<IDispatchByName *>();
    return nullptr;
}

ComPtr<IDispatchByName> takeObject(const QVariant &result)
{
    return ComPtr<IDispatchByName>::attach(variantObject(result));
}

QVariant CallByName(IDispatchByName *object, const QString &member, DispatchKind kind, const QVariantList &args)
{
    if (!object)
        platform::raise(platform::err::ObjectVariableNotSet);
    QVariant result;
    const HRESULT hr = object->Invoke(member, kind, args, &result);
    if (hr == DISP_E_MEMBERNOTFOUND)
        platform::raise(platform::err::MemberNotSupported);
    if (FAILED(hr)) {
        QString description;
        if (auto *d = dynamic_cast<DispatchObject *>(object))
            description = d->lastErrorDescription();
        if (description.isEmpty())
            description = platform::errorDescription(
                platform::err::AutomationError,
                QStringLiteral("0x%1").arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0')));
        platform::raise(platform::err::AutomationError, description);
    }
    return result;
}

// ---- creation

namespace {

QString defaultValue(sys::RootKey root, const QString &path)
{
    sys::RegKey key;
    if (sys::RegOpenKeyEx(root, path, key) != sys::ERROR_SUCCESS)
        return QString();
    uint32_t type = 0;
    QByteArray data;
    const long rc = sys::RegQueryValueEx(key, QString(), type, data);
    sys::RegCloseKey(key);
    if (rc != sys::ERROR_SUCCESS || type != sys::REG_SZ)
        return QString();
    return sys::regSzText(data);
}

struct Library {
    void *handle = nullptr;
    DllGetClassObjectFunc getClassObject = nullptr;
    DllCanUnloadNowFunc canUnloadNow = nullptr;
    DllRegisterServerFunc registerServer = nullptr;
    DllUnregisterServerFunc unregisterServer = nullptr;
};

std::map<QString, Library> &libraries()
{
    static std::map<QString, Library> table;
    return table;
}

HRESULT loadLibrary(const QString &path, Library *&out)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    auto it = libraries().find(key);
    if (it != libraries().end()) {
        out = &it->second;
        return S_OK;
    }
    void *h = dlopen(key.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!h)
        return CO_E_DLLNOTFOUND;
    Library lib;
    lib.handle = h;
    lib.getClassObject = reinterpret_cast<DllGetClassObjectFunc>(dlsym(h, "DllGetClassObject"));
    lib.canUnloadNow = reinterpret_cast<DllCanUnloadNowFunc>(dlsym(h, "DllCanUnloadNow"));
    lib.registerServer = reinterpret_cast<DllRegisterServerFunc>(dlsym(h, "DllRegisterServer"));
    lib.unregisterServer = reinterpret_cast<DllUnregisterServerFunc>(dlsym(h, "DllUnregisterServer"));
    if (!lib.getClassObject) {
        dlclose(h);
        return CO_E_ERRORINDLL;
    }
    // A library whose attach entry fails does not load.
    if (auto attach = reinterpret_cast<DllProcessAttachFunc>(dlsym(h, kAttachEntryName)); attach && !attach()) {
        dlclose(h);
        return CO_E_DLLNOTFOUND;
    }
    out = &(libraries()[key] = lib);
    return S_OK;
}

} // namespace

namespace {
struct RegisteredClass {
    CLSID clsid;
    IClassFactory *factory;
};
// Kept for the life of the process: modules revoke their classes from static
// destructors, whose order against this table's is not fixed.
std::map<uint32_t, RegisteredClass> &classTable()
{
    static auto *table = new std::map<uint32_t, RegisteredClass>;
    return *table;
}
} // namespace

HRESULT CLSIDFromProgID(const QString &progId, CLSID *clsid)
{
    if (!clsid)
        return E_POINTER;
    const QString text = defaultValue(sys::RootKey::ClassesRoot, progId + QStringLiteral("\\CLSID"));
    bool ok = false;
    const GUID g = GUID::fromString(text, &ok);
    if (!ok)
        return CO_E_CLASSSTRING;
    *clsid = g;
    return S_OK;
}

HRESULT CoGetClassObject(const CLSID &clsid, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (auto it = classTable().rbegin(); it != classTable().rend(); ++it)
        if (it->second.clsid == clsid)
            return it->second.factory->QueryInterface(iid, object);
    if (SUCCEEDED(builtinClassObject(clsid, iid, object)))
        return S_OK;
    const QString path = defaultValue(sys::RootKey::ClassesRoot,
                                      QStringLiteral("CLSID\\") + clsid.toString() + QStringLiteral("\\InprocServer32"));
    if (path.isEmpty())
        return REGDB_E_CLASSNOTREG;
    Library *lib = nullptr;
    const HRESULT hr = loadLibrary(path, lib);
    if (FAILED(hr))
        return hr;
    return lib->getClassObject(clsid, iid, object);
}

HRESULT CoCreateInstance(const CLSID &clsid, IUnknown *outer, const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, IID_IClassFactory, factory.putVoid());
    if (FAILED(hr))
        return hr;
    return factory->CreateInstance(outer, iid, object);
}

HRESULT registerServerLibrary(const QString &libraryPath)
{
    Library *lib = nullptr;
    const HRESULT hr = loadLibrary(libraryPath, lib);
    if (FAILED(hr))
        return hr;
    // The error object then holds only what this registration leaves.
    SetErrorInfo(0, nullptr);
    return lib->registerServer ? lib->registerServer() : CO_E_ERRORINDLL;
}

QString registrationFailure(const QString &libraryPath, HRESULT hr)
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK && info) {
        BSTR text = nullptr;
        if (SUCCEEDED(info->GetDescription(&text)) && text) {
            const QString description = bstrToQString(text);
            SysFreeString(text);
            if (!description.isEmpty())
                return description;
        }
    }
    return QStringLiteral("\"%1\" を登録できませんでした。(0x%2)")
        .arg(libraryPath)
        .arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0'));
}

HRESULT unregisterServerLibrary(const QString &libraryPath)
{
    Library *lib = nullptr;
    const HRESULT hr = loadLibrary(libraryPath, lib);
    if (FAILED(hr))
        return hr;
    return lib->unregisterServer ? lib->unregisterServer() : CO_E_ERRORINDLL;
}

int CoFreeUnusedLibraries()
{
    int could = 0;
    for (auto &entry : libraries())
        if (entry.second.canUnloadNow && entry.second.canUnloadNow() == S_OK)
            ++could;
    return could;
}


HRESULT CoRegisterClassObject(const CLSID &clsid, IClassFactory *factory, uint32_t *cookie)
{
    if (!factory || !cookie)
        return E_INVALIDARG;
    static uint32_t next = 1;
    factory->AddRef();
    *cookie = next++;
    classTable()[*cookie] = RegisteredClass{clsid, factory};
    return S_OK;
}

HRESULT CoRevokeClassObject(uint32_t cookie)
{
    const auto it = classTable().find(cookie);
    if (it == classTable().end())
        return E_INVALIDARG;
    IClassFactory *f = it->second.factory;
    classTable().erase(it);
    f->Release();
    return S_OK;
}

HRESULT registrationFailed(const QString &source)
{
    QString why = sys::lastRegistryWriteError();
    if (why.isEmpty())
        why = QStringLiteral("レジストリに登録できませんでした。");
    return reportError(SELFREG_E_CLASS, IID_IUnknown, source, why);
}

HRESULT registerInprocServer(const CLSID &clsid, const QString &progId, const QString &description,
                             const QString &libraryPath, const QString &threadingModel)
{
    const QString clsidKey = QStringLiteral("CLSID\\") + clsid.toString();
    const auto root = sys::RootKey::ClassesRoot;
    sys::RegistryWriteBatch batch; // one write of the registry file, all keys or none
    long rc = sys::SHSetValue(root, clsidKey, QString(), sys::REG_SZ, sys::regSz(description));
    if (rc == sys::ERROR_SUCCESS)
        rc = sys::SHSetValue(root, clsidKey + QStringLiteral("\\InprocServer32"), QString(), sys::REG_SZ,
                             sys::regSz(libraryPath));
    if (rc == sys::ERROR_SUCCESS)
        rc = sys::SHSetValue(root, clsidKey + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"),
                             sys::REG_SZ, sys::regSz(threadingModel));
    if (rc == sys::ERROR_SUCCESS && !progId.isEmpty()) {
        rc = sys::SHSetValue(root, clsidKey + QStringLiteral("\\ProgID"), QString(), sys::REG_SZ, sys::regSz(progId));
        if (rc == sys::ERROR_SUCCESS)
            rc = sys::SHSetValue(root, progId, QString(), sys::REG_SZ, sys::regSz(description));
        if (rc == sys::ERROR_SUCCESS)
            rc = sys::SHSetValue(root, progId + QStringLiteral("\\CLSID"), QString(), sys::REG_SZ,
                                 sys::regSz(clsid.toString()));
    }
    const long written = batch.finish();
    if (rc == sys::ERROR_SUCCESS && written == sys::ERROR_SUCCESS)
        return S_OK;
    // The caller learns why through the error object: the registry file
    // that could not be written and the cause.
    return registrationFailed(progId.isEmpty() ? clsid.toString() : progId);
}

HRESULT unregisterInprocServer(const CLSID &clsid, const QString &progId)
{
    const auto root = sys::RootKey::ClassesRoot;
    const long a = sys::RegDeleteTree(root, QStringLiteral("CLSID\\") + clsid.toString());
    long b = sys::ERROR_SUCCESS;
    if (!progId.isEmpty())
        b = sys::RegDeleteTree(root, progId);
    // Rows that were never there are no failure.
    const bool okA = a == sys::ERROR_SUCCESS || a == sys::ERROR_FILE_NOT_FOUND;
    const bool okB = b == sys::ERROR_SUCCESS || b == sys::ERROR_FILE_NOT_FOUND;
    return okA && okB ? S_OK : SELFREG_E_CLASS;
}

} // namespace platform::com
