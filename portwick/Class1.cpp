#include "portwick/Class1.h"

#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/system/osversion.h"
#include "platform/system/process.h"
#include "platform/system/registry.h"
#include "platform/system/wmi.h"

#include <QElapsedTimer>

namespace portwick {

namespace com = platform::com;
namespace sys = platform::system;
using com::DispatchKind;

std::atomic<long> g_objectCount{0};
std::atomic<long> g_lockCount{0};

namespace {

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;
constexpr int kValueBufferSize = 260;

const QString kSerialComm = QStringLiteral("HARDWARE\\DEVICEMAP\\SERIALCOMM");
const QString kFtdiBus = QStringLiteral("SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\");
const QString kDeviceParameters = QStringLiteral("\\Device Parameters");
const QString kArbiter = QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter");
const QString kWmiMoniker = QStringLiteral("winmgmts:\\\\.\\root\\cimv2");
const QString kWmiQuery = QStringLiteral("SELECT * FROM Win32_PnPEntity WHERE NAME LIKE 'USB Serial Port%'");
const QString kDriverScript = QStringLiteral("CDM.vbs");
// The disable hold of the window that ButtonLock takes and ButtonUnlock gives back.
const QString kHolder = QStringLiteral("Portwick.Class1");

HRESULT failure(const platform::RuntimeError &e)
{
    Q_UNUSED(e);
    return com::DISP_E_EXCEPTION;
}

bool getEnabled(IDispatchByName *object)
{
    return com::CallByName(object, QStringLiteral("Enabled"), DispatchKind::PropertyGet).toBool();
}

void setEnabled(IDispatchByName *object, bool enabled)
{
    com::CallByName(object, QStringLiteral("Enabled"), DispatchKind::PropertyPut, {enabled});
}

// A port name such as "COM12" read into a NUL-padded buffer: the number
// between the fourth character and the first NUL. hasNumber is false when
// the data end before the fourth character.
int16_t portNumberOf(const QByteArray &buffer, bool &hasNumber, bool &fourthIsZero)
{
    const int c = buffer.indexOf('\0') + 1; // 1-based position of the first NUL, 0 when none
    hasNumber = c > 4;
    fourthIsZero = buffer.size() >= 4 && buffer[3] == '0';
    if (!hasNumber)
        return 0;
    const QString digits = QString::fromLatin1(buffer.mid(3, c - 4));
    return platform::CInt(platform::Val(digits));
}

} // namespace

Class1::Class1()
{
    ++g_objectCount;
}

Class1::~Class1()
{
    --g_objectCount;
}

HRESULT Class1::QueryInterface(const com::IID &iid, void **object)
{
    if (!object)
        return com::E_POINTER;
    if (iid == com::IID_IUnknown || iid == com::IID_IDispatchByName || iid == IID__Class1) {
        *object = static_cast<_Class1 *>(this);
        AddRef();
        return com::S_OK;
    }
    *object = nullptr;
    return com::E_NOINTERFACE;
}

uint32_t Class1::AddRef()
{
    return ++m_refs;
}

uint32_t Class1::Release()
{
    const uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Class1::GetTypeName(QString *name)
{
    if (!name)
        return com::E_POINTER;
    *name = QStringLiteral("Class1");
    return com::S_OK;
}

HRESULT Class1::Invoke(const QString &member, DispatchKind kind, const QVariantList &args, QVariant *result)
{
    Q_UNUSED(kind);
    const QString m = member.toLower();
    auto arg = [&args](int i) { return i < args.size() ? com::variantObject(args[i]) : nullptr; };
    HRESULT hr = com::DISP_E_MEMBERNOTFOUND;
    QVariant r;
    if (m == QLatin1String("getvirtualport")) {
        int16_t port = 0;
        hr = GetVirtualPort(&port);
        r = port;
    } else if (m == QLatin1String("getwindowsversion")) {
        int32_t major = 0;
        hr = GetWindowsVersion(&major);
        r = major;
    } else if (m == QLatin1String("portwickstart")) {
        hr = args.size() == 1 ? PortwickStart(arg(0)) : com::DISP_E_BADPARAMCOUNT;
    } else if (m == QLatin1String("portwickcontrol")) {
        hr = args.size() == 2 ? PortwickControl(arg(0), arg(1)) : com::DISP_E_BADPARAMCOUNT;
    } else if (m == QLatin1String("portwickend")) {
        hr = args.size() == 1 ? PortwickEnd(arg(0)) : com::DISP_E_BADPARAMCOUNT;
    } else if (m == QLatin1String("buttonlock")) {
        hr = args.size() == 1 ? ButtonLock(arg(0)) : com::DISP_E_BADPARAMCOUNT;
    } else if (m == QLatin1String("buttonunlock")) {
        hr = args.size() == 1 ? ButtonUnlock(arg(0)) : com::DISP_E_BADPARAMCOUNT;
    }
    if (com::SUCCEEDED(hr) && result)
        *result = r;
    return hr;
}

HRESULT Class1::GetVirtualPort(int16_t *result)
{
    if (!result)
        return com::E_POINTER;
    *result = m_lastPort;
    return com::S_OK;
}

HRESULT Class1::PortwickStart(IDispatchByName *timer)
{
    try {
        int32_t major = 0;
        GetWindowsVersion(&major);
        m_winMajor = major;
        m_absentHandled = kFalse;
        m_devicePresent = kFalse;
        com::CallByName(timer, QStringLiteral("Interval"), DispatchKind::PropertyPut, {1000});
        setEnabled(timer, true);
        return com::S_OK;
    } catch (const platform::RuntimeError &e) {
        return failure(e);
    }
}

HRESULT Class1::PortwickControl(IDispatchByName *timer, IDispatchByName *callback)
{
    try {
        if (!getEnabled(timer))
            return com::S_OK;
        setEnabled(timer, false);
    } catch (const platform::RuntimeError &e) {
        return failure(e);
    }

    HRESULT hr = com::S_OK;
    try {
        const int16_t port = isVistaOrLater() ? findPortByWmi() : findPortBySerialComm();
        m_lastPort = port;
        if (port == -1) {
            if (m_devicePresent) {
                m_devicePresent = kFalse;
                if (callback)
                    com::CallByName(callback, QStringLiteral("ActionOff"), DispatchKind::Method);
            }
            if (!m_absentHandled) {
                m_absentHandled = kTrue;
                if (isVistaOrLater())
                    runDriverScript();
            }
        } else {
            m_absentHandled = kFalse;
            if (!m_devicePresent) {
                m_devicePresent = kTrue;
                if (callback)
                    com::CallByName(callback, QStringLiteral("ActionOn"), DispatchKind::Method);
            }
        }
    } catch (const platform::RuntimeError &e) {
        // A failed search leaves the state as the last good tick left it; the
        // failure is reported, and the watch goes on at the next tick.
        hr = failure(e);
    } catch (const std::exception &) {
        hr = com::E_FAIL;
    }

    try {
        setEnabled(timer, true);
    } catch (const platform::RuntimeError &e) {
        return failure(e);
    }
    return hr;
}

HRESULT Class1::PortwickEnd(IDispatchByName *timer)
{
    try {
        setEnabled(timer, false);
    } catch (const platform::RuntimeError &e) {
        return failure(e);
    }
    // A monotonic clock: the wait ends also across midnight.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2000) {
        sys::DoEvents();
        sys::Sleep(100);
    }
    return com::S_OK;
}

HRESULT Class1::GetWindowsVersion(int32_t *result)
{
    if (!result)
        return com::E_POINTER;
    sys::OSVERSIONINFO info;
    info.dwOSVersionInfoSize = sys::kOsVersionInfoSize;
    *result = sys::GetVersionEx(info) ? static_cast<int32_t>(info.dwMajorVersion) : 0;
    return com::S_OK;
}

HRESULT Class1::ButtonLock(IDispatchByName *window)
{
    try {
        setButtonsEnabled(window, false);
        return com::S_OK;
    } catch (const platform::RuntimeError &e) {
        return failure(e);
    }
}

HRESULT Class1::ButtonUnlock(IDispatchByName *window)
{
    try {
        setButtonsEnabled(window, true);
        return com::S_OK;
    } catch (const platform::RuntimeError &e) {
        return failure(e);
    }
}

void Class1::setButtonsEnabled(IDispatchByName *window, bool enabled)
{
    if (!window)
        platform::raise(platform::err::ObjectVariableNotSet);
    // The window: through this watcher's own disable hold where the window
    // keeps holds, so that unlocking never enables a window someone else holds disabled.
    const HRESULT hr = window->Invoke(enabled ? QStringLiteral("releaseDisableHold") : QStringLiteral("addDisableHold"),
                                      DispatchKind::Method, {kHolder}, nullptr);
    if (hr == com::DISP_E_MEMBERNOTFOUND)
        setEnabled(window, enabled);
    else if (com::FAILED(hr))
        platform::raise(platform::err::AutomationError,
                        platform::errorDescription(platform::err::AutomationError,
                                                   QStringLiteral("0x%1").arg(static_cast<uint32_t>(hr), 8, 16,
                                                                              QLatin1Char('0'))));

    const com::ComPtr<IDispatchByName> controls =
        com::takeObject(com::CallByName(window, QStringLiteral("Controls"), DispatchKind::PropertyGet));
    const int count = com::CallByName(controls.get(), QStringLiteral("Count"), DispatchKind::PropertyGet).toInt();
    for (int i = 0; i < count; ++i) {
        const com::ComPtr<IDispatchByName> control =
            com::takeObject(com::CallByName(controls.get(), QStringLiteral("Item"), DispatchKind::Method, {i}));
        QString type;
        if (control && com::SUCCEEDED(control->GetTypeName(&type)) && type == QLatin1String("CommandButton"))
            setEnabled(control.get(), enabled);
    }
}

bool Class1::isVistaOrLater() const
{
    return m_winMajor >= 6;
}

int16_t Class1::findPortByWmi()
{
    QString text = QStringLiteral("無効");
    const sys::SWbemServices services = sys::GetObject(kWmiMoniker);
    for (const sys::SWbemObject &entity : services.ExecQuery(kWmiQuery)) {
        const QString name = entity.Property(QStringLiteral("Name")).toString();
        const int start = name.indexOf(QStringLiteral("COM"));
        const int end = name.lastIndexOf(QLatin1Char(')'));
        text = start >= 0 && end >= start + 3 ? name.mid(start + 3, end - start - 3) : QString();
    }
    if (text == QStringLiteral("無効"))
        return -1;
    return platform::CInt(text); // a text that is no number raises error 13
}

int16_t Class1::findPortBySerialComm()
{
    int16_t result = -1;
    sys::RegKey key;
    const long rc = sys::RegOpenKeyEx(sys::RootKey::LocalMachine, kSerialComm, key);
    if (rc != sys::ERROR_SUCCESS) {
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("RegOpenKeyEx"));
    } else {
        for (int n = 0; n <= 300; ++n) {
            uint32_t type = 0;
            QByteArray data;
            if (sys::RegQueryValueEx(key, QStringLiteral("\\Device\\VCP%1").arg(n), type, data, kValueBufferSize) !=
                sys::ERROR_SUCCESS)
                continue;
            data = data.leftJustified(kValueBufferSize, '\0', true);
            bool hasNumber = false;
            bool fourthIsZero = false;
            const int16_t number = portNumberOf(data, hasNumber, fourthIsZero);
            if (hasNumber && (number != 0 || fourthIsZero))
                result = number;
        }
        sys::RegCloseKey(key);
    }
    alignFtdiPortNames(result);
    return result;
}

void Class1::alignFtdiPortNames(int16_t foundPort)
{
    if (foundPort == -1)
        return;
    QStringList names;
    if (enumRegSubKeys(kFtdiBus, names) == 0)
        return;
    for (const QString &name : names) {
        const QString path = kFtdiBus + name + QStringLiteral("\\0000") + kDeviceParameters;
        const QByteArray portName = GetRegValueStr(path, QStringLiteral("PortName"));
        bool hasNumber = false;
        bool fourthIsZero = false;
        const int16_t number = portNumberOf(portName, hasNumber, fourthIsZero);
        if (!hasNumber)
            continue;
        if ((number != 0 && number != foundPort) || (number == 0 && fourthIsZero && foundPort != 0))
            SetRegValue(path, QStringLiteral("PortName"), sys::REG_SZ, QStringLiteral("COM%1").arg(foundPort));
    }
    // The found port's claim in the arbiter is given up. A ComDB that is not
    // a 32-byte binary value, or a port outside 1 ... 256, is left untouched.
    QByteArray db;
    if (foundPort < 1 || foundPort > 256 || !readComDb(db))
        return;
    const int byte = (foundPort - 1) / 8;
    const int bit = (foundPort - 1) % 8;
    db[byte] = static_cast<char>(static_cast<unsigned char>(db[byte]) & ~(1u << bit));
    writeComDb(db);
}

long Class1::enumRegSubKeys(const QString &subKeyPath, QStringList &names)
{
    names.clear();
    sys::RegKey key;
    const long rc = sys::RegOpenKeyEx(sys::RootKey::LocalMachine, subKeyPath, key);
    if (rc != sys::ERROR_SUCCESS) {
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("RegOpenKeyEx"));
        return 0;
    }
    QString name;
    for (uint32_t i = 0;; ++i) {
        const long e = sys::RegEnumKeyEx(key, i, name);
        if (e != sys::ERROR_SUCCESS) {
            if (e != sys::ERROR_NO_MORE_ITEMS)
                getSystemErrorText(static_cast<uint32_t>(e), QStringLiteral("RegEnumKeyEx"));
            break;
        }
        if (name.toLocal8Bit().size() <= kValueBufferSize)
            names.push_back(name);
    }
    sys::RegCloseKey(key);
    return names.size();
}

QByteArray Class1::GetRegValueStr(const QString &subKeyPath, const QString &valueName)
{
    sys::RegKey key;
    long rc = sys::RegOpenKeyEx(sys::RootKey::LocalMachine, subKeyPath, key);
    if (rc != sys::ERROR_SUCCESS) {
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("RegOpenKeyEx"));
        return QByteArray();
    }
    uint32_t type = 0;
    QByteArray data;
    rc = sys::RegQueryValueEx(key, valueName, type, data, kValueBufferSize);
    sys::RegCloseKey(key);
    if (rc != sys::ERROR_SUCCESS) {
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("RegQueryValueEx"));
        return QByteArray();
    }
    return data.leftJustified(kValueBufferSize, '\0', true);
}

void Class1::SetRegValue(const QString &subKeyPath, const QString &valueName, uint32_t type, const QVariant &value)
{
    QByteArray data;
    if (type == sys::REG_SZ)
        data = sys::regSz(value.toString());
    else if (type == 3 || type == 4)
        data = sys::regDword(value.toUInt());
    else
        return;
    const uint32_t storedType = type == sys::REG_SZ ? sys::REG_SZ : sys::REG_DWORD;
    const long rc = sys::SHSetValue(sys::RootKey::LocalMachine, subKeyPath, valueName, storedType, data);
    if (rc != sys::ERROR_SUCCESS)
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("SHSetValue"));
}

bool Class1::readComDb(QByteArray &db)
{
    sys::RegKey key;
    long rc = sys::RegOpenKeyEx(sys::RootKey::LocalMachine, kArbiter, key);
    if (rc != sys::ERROR_SUCCESS) {
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("RegOpenKeyEx"));
        return false;
    }
    uint32_t type = 0;
    rc = sys::RegQueryValueEx(key, QStringLiteral("ComDB"), type, db, 32);
    sys::RegCloseKey(key);
    if (rc != sys::ERROR_SUCCESS) {
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("RegQueryValueEx"));
        return false;
    }
    return type == sys::REG_BINARY && db.size() == 32;
}

void Class1::writeComDb(const QByteArray &db)
{
    sys::RegKey key;
    long rc = sys::RegOpenKeyEx(sys::RootKey::LocalMachine, kArbiter, key);
    if (rc == sys::ERROR_SUCCESS) {
        rc = sys::RegSetValueEx(key, QStringLiteral("ComDB"), sys::REG_BINARY, db);
        sys::RegCloseKey(key);
    }
    if (rc != sys::ERROR_SUCCESS)
        getSystemErrorText(static_cast<uint32_t>(rc), QStringLiteral("writeComDb"));
}

void Class1::runDriverScript()
{
    const QString script = sys::moduleFolder(reinterpret_cast<const void *>(&g_objectCount)) + QLatin1Char('/') +
                           kDriverScript;
    const QString commandLine = QStringLiteral("cscript.exe \"") + script + QLatin1Char('"');
    sys::PROCESS_INFORMATION info;
    uint32_t error = 0;
    if (!sys::CreateProcess(commandLine, true, info, error)) {
        getSystemErrorText(error, QStringLiteral("CreateProcess"));
        return;
    }
    waitForProcess(info.dwProcessId);
    sys::CloseHandle(info.hProcess);
}

void Class1::waitForProcess(int64_t processId)
{
    const int64_t handle = sys::OpenProcess(sys::PROCESS_QUERY_INFORMATION, processId);
    if (!handle) {
        getSystemErrorText(6, QStringLiteral("OpenProcess"));
        return;
    }
    uint32_t code = 0;
    while (sys::GetExitCodeProcess(handle, code) && code == sys::STILL_ACTIVE) {
        sys::DoEvents();
        sys::Sleep(100);
    }
    sys::CloseHandle(handle);
}

void Class1::getSystemErrorText(uint32_t errorCode, const QString &context)
{
    // The text is produced and dropped: registry failures are silent.
    const QString text = context + QStringLiteral(": ") + sys::FormatMessage(errorCode);
    Q_UNUSED(text);
}

} // namespace portwick
