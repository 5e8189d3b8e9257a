// Portwick through its exports, as the program loads it.
#include "platform/com/com.h"
#include "platform/system/osversion.h"
#include "platform/system/registry.h"
#include "portwick/portwickInterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <set>

using namespace platform::com;
namespace sys = platform::system;

namespace {

struct Exports {
    void *handle = nullptr;
    DllGetClassObjectFunc getClassObject = nullptr;
    DllCanUnloadNowFunc canUnloadNow = nullptr;
    DllRegisterServerFunc registerServer = nullptr;
    DllUnregisterServerFunc unregisterServer = nullptr;
};

QString libraryPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QString::fromLatin1(portwick::kLibraryFileName);
}

// The library stays loaded for the whole run, as the program keeps it.
const Exports &exports()
{
    static Exports e = [] {
        Exports x;
        x.handle = dlopen(libraryPath().toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (x.handle) {
            x.getClassObject = reinterpret_cast<DllGetClassObjectFunc>(dlsym(x.handle, "DllGetClassObject"));
            x.canUnloadNow = reinterpret_cast<DllCanUnloadNowFunc>(dlsym(x.handle, "DllCanUnloadNow"));
            x.registerServer = reinterpret_cast<DllRegisterServerFunc>(dlsym(x.handle, "DllRegisterServer"));
            x.unregisterServer = reinterpret_cast<DllUnregisterServerFunc>(dlsym(x.handle, "DllUnregisterServer"));
        }
        return x;
    }();
    return e;
}

// The caller's window timer.
struct TimerDouble {
    bool enabled = false;
    int interval = 0;
    int writes = 0;
    ComPtr<DispatchObject> obj{new DispatchObject(QStringLiteral("Timer"))};
    TimerDouble()
    {
        obj->addProperty(QStringLiteral("Enabled"), [this] { return QVariant(enabled); },
                         [this](const QVariant &v) { enabled = v.toBool(); ++writes; });
        obj->addProperty(QStringLiteral("Interval"), [this] { return QVariant(interval); },
                         [this](const QVariant &v) { interval = v.toInt(); });
    }
};

// The main window as the watcher calls it back.
struct CallbackDouble {
    std::vector<QString> calls;
    ComPtr<DispatchObject> obj{new DispatchObject(QStringLiteral("frmMain"))};
    CallbackDouble()
    {
        obj->addMethod(QStringLiteral("ActionOn"), [this](const QVariantList &) { calls.push_back("ActionOn"); return QVariant(); });
        obj->addMethod(QStringLiteral("ActionOff"), [this](const QVariantList &) { calls.push_back("ActionOff"); return QVariant(); });
    }
};

// A window with controls; with holds it keeps who holds it disabled.
struct WindowDouble {
    struct Control {
        QString type;
        bool enabled = true;
        ComPtr<DispatchObject> obj;
    };
    bool enabledFlag = true;
    std::set<QString> holds;
    std::vector<Control> controls;
    ComPtr<DispatchObject> obj{new DispatchObject(QStringLiteral("Form"))};
    ComPtr<DispatchObject> collection{new DispatchObject(QStringLiteral("Controls"))};

    explicit WindowDouble(bool withHolds)
    {
        controls.reserve(8);
        for (const char *t : {"CommandButton", "TextBox", "CommandButton", "Label"})
            addControl(QString::fromLatin1(t));
        obj->addProperty(QStringLiteral("Enabled"), [this] { return QVariant(enabled()); },
                         [this](const QVariant &v) { enabledFlag = v.toBool(); });
        if (withHolds) {
            obj->addMethod(QStringLiteral("addDisableHold"), [this](const QVariantList &a) {
                holds.insert(a.value(0).toString());
                return QVariant();
            });
            obj->addMethod(QStringLiteral("releaseDisableHold"), [this](const QVariantList &a) {
                holds.erase(a.value(0).toString());
                return QVariant();
            });
        }
        obj->addProperty(QStringLiteral("Controls"), [this] {
            collection->AddRef(); // returned objects carry a reference for the caller
            return objectVariant(collection.get());
        });
        collection->addProperty(QStringLiteral("Count"), [this] { return QVariant(int(controls.size())); });
        collection->addMethod(QStringLiteral("Item"), [this](const QVariantList &a) {
            DispatchObject *c = controls.at(a.value(0).toInt()).obj.get();
            c->AddRef();
            return objectVariant(c);
        });
    }
    bool enabled() const { return enabledFlag && holds.empty(); }
    void addControl(const QString &type)
    {
        controls.push_back({type, true, ComPtr<DispatchObject>(new DispatchObject(type))});
        Control *c = &controls.back();
        c->obj->addProperty(QStringLiteral("Enabled"), [c] { return QVariant(c->enabled); },
                            [c](const QVariant &v) { c->enabled = v.toBool(); });
    }
};

class PortwickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(exports().handle, nullptr) << dlerror();
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        qputenv("TALVIK_SERIAL_ADAPTERS",
                (adapter(QStringLiteral("usb0")) + QLatin1Char(':') + adapter(QStringLiteral("usb1"))).toLocal8Bit());
        qunsetenv("TALVIK_WMI_UNAVAILABLE");
        sys::setOsVersion(0, 0);
        // No script host unless a test provides one.
        m_path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        ASSERT_EQ(exports().registerServer(), S_OK);
    }
    void TearDown() override
    {
        watcher.reset();
        qputenv("PATH", m_path);
        qunsetenv("TALVIK_REGISTRY");
        qunsetenv("TALVIK_SERIAL_ADAPTERS");
        qunsetenv("TALVIK_WMI_UNAVAILABLE");
        sys::setOsVersion(0, 0);
    }

    QString adapter(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    void plug(const QString &name)
    {
        QFile f(adapter(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void unplug(const QString &name) { ASSERT_TRUE(QFile::remove(adapter(name))); }

    void create()
    {
        ASSERT_EQ(CoCreateInstance(portwick::CLSID_Class1, nullptr, portwick::IID__Class1, watcher.putVoid()), S_OK);
        ASSERT_TRUE(watcher);
    }
    int16_t port()
    {
        int16_t p = 99;
        EXPECT_EQ(watcher->GetVirtualPort(&p), S_OK);
        return p;
    }
    HRESULT tick() { return watcher->PortwickControl(timer.obj.get(), callback.obj.get()); }

    QTemporaryDir m_dir;
    QByteArray m_path;
    TimerDouble timer;
    CallbackDouble callback;
    ComPtr<portwick::_Class1> watcher;
};

} // namespace

TEST_F(PortwickTest, CreatedByClsidAndProgIdOnlyWhileRegistered)
{
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Portwick.Class1"), &clsid), S_OK);
    EXPECT_EQ(clsid, portwick::CLSID_Class1);

    ComPtr<IDispatchByName> byProgId;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IDispatchByName, byProgId.putVoid()), S_OK);
    QString type;
    ASSERT_EQ(byProgId->GetTypeName(&type), S_OK);
    EXPECT_EQ(type, QStringLiteral("Class1"));
    // The dual interface answers by name too.
    EXPECT_EQ(CallByName(byProgId.get(), QStringLiteral("getvirtualport"), DispatchKind::Method).toInt(), 0);
    EXPECT_EQ(CallByName(byProgId.get(), QStringLiteral("GetWindowsVersion"), DispatchKind::Method).toInt(), 6);

    create();
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(watcher->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    void *none = nullptr;
    EXPECT_EQ(watcher->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);

    // The registration names this library.
    sys::RegKey key;
    ASSERT_EQ(sys::RegOpenKeyEx(sys::RootKey::ClassesRoot,
                                QStringLiteral("CLSID\\{68418AF3-6359-408E-AACA-233E247D7D0F}\\InprocServer32"), key),
              sys::ERROR_SUCCESS);
    uint32_t t = 0;
    QByteArray data;
    ASSERT_EQ(sys::RegQueryValueEx(key, QString(), t, data), sys::ERROR_SUCCESS);
    EXPECT_EQ(QDir(sys::regSzText(data)).canonicalPath(), QDir(libraryPath()).canonicalPath());

    ASSERT_EQ(exports().unregisterServer(), S_OK);
    ComPtr<IDispatchByName> refused;
    EXPECT_EQ(CoCreateInstance(portwick::CLSID_Class1, nullptr, IID_IDispatchByName, refused.putVoid()),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CLSIDFromProgID(QStringLiteral("Portwick.Class1"), &clsid), CO_E_CLASSSTRING);

    // Asked for a class it does not serve, the library says so.
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(exports().getClassObject(IID_IUnknown, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(PortwickTest, CanUnloadNowFollowsTheLiveObjectsAndLocks)
{
    EXPECT_EQ(exports().canUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(exports().getClassObject(portwick::CLSID_Class1, IID_IClassFactory, factory.putVoid()), S_OK);
    ComPtr<portwick::_Class1> a;
    ComPtr<portwick::_Class1> b;
    ASSERT_EQ(factory->CreateInstance(nullptr, portwick::IID__Class1, a.putVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, portwick::IID__Class1, b.putVoid()), S_OK);
    void *outerRefused = nullptr;
    EXPECT_EQ(factory->CreateInstance(a.get(), IID_IUnknown, &outerRefused), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(exports().canUnloadNow(), S_FALSE);
    ComPtr<portwick::_Class1> aAgain = a;
    a.reset();
    EXPECT_EQ(exports().canUnloadNow(), S_FALSE);
    aAgain.reset();
    b.reset();
    EXPECT_EQ(exports().canUnloadNow(), S_OK);
    factory->LockServer(true);
    EXPECT_EQ(exports().canUnloadNow(), S_FALSE);
    factory->LockServer(false);
    EXPECT_EQ(exports().canUnloadNow(), S_OK);
}

TEST_F(PortwickTest, WatchCallsBackOncePerChangeByName)
{
    create();
    EXPECT_EQ(port(), 0); // before the first tick
    ASSERT_EQ(watcher->PortwickStart(timer.obj.get()), S_OK);
    EXPECT_TRUE(timer.enabled);
    EXPECT_EQ(timer.interval, 1000);

    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), -1);
    EXPECT_TRUE(callback.calls.empty());
    EXPECT_TRUE(timer.enabled);

    plug(QStringLiteral("usb0"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), 5);
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn"}));

    // A tick handed a disabled timer changes nothing and calls nothing.
    unplug(QStringLiteral("usb0"));
    timer.enabled = false;
    const int writes = timer.writes;
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), 5);
    EXPECT_EQ(timer.writes, writes);
    EXPECT_FALSE(timer.enabled);
    timer.enabled = true;

    ASSERT_EQ(tick(), S_OK);
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), -1);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn", "ActionOff"}));

    // Replugged, the same adapter comes back on the same number; a second
    // adapter gets the next free one, and with two the last one found wins.
    plug(QStringLiteral("usb0"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), 5);
    plug(QStringLiteral("usb1"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), 6);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn", "ActionOff", "ActionOn"}));

    // Without a callback object the state still changes.
    unplug(QStringLiteral("usb0"));
    unplug(QStringLiteral("usb1"));
    ASSERT_EQ(watcher->PortwickControl(timer.obj.get(), nullptr), S_OK);
    plug(QStringLiteral("usb1"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn", "ActionOff", "ActionOn", "ActionOn"}));
}

TEST_F(PortwickTest, AFailedTickKeepsTheStateAndTheTimerRunning)
{
    create();
    ASSERT_EQ(watcher->PortwickStart(timer.obj.get()), S_OK);
    plug(QStringLiteral("usb0"));
    ASSERT_EQ(tick(), S_OK);
    ASSERT_EQ(callback.calls.size(), 1u);

    qputenv("TALVIK_WMI_UNAVAILABLE", "1");
    EXPECT_TRUE(FAILED(tick()));
    EXPECT_TRUE(timer.enabled);
    EXPECT_EQ(port(), 5);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn"})); // no ActionOff for a failed search

    qunsetenv("TALVIK_WMI_UNAVAILABLE");
    unplug(QStringLiteral("usb0"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn", "ActionOff"}));

    // A callback that fails does not stop the watch either.
    ComPtr<DispatchObject> broken(new DispatchObject(QStringLiteral("frmMain")));
    plug(QStringLiteral("usb0"));
    EXPECT_TRUE(FAILED(watcher->PortwickControl(timer.obj.get(), broken.get())));
    EXPECT_TRUE(timer.enabled);
    EXPECT_EQ(port(), 5);
}

TEST_F(PortwickTest, DriverScriptRunsOncePerAbsenceFromTheLibraryFolder)
{
    // A stand-in script host that notes each start.
    const QString bin = m_dir.path() + QStringLiteral("/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString log = m_dir.path() + QStringLiteral("/runs.log");
    QFile host(bin + QStringLiteral("/cscript.exe"));
    ASSERT_TRUE(host.open(QIODevice::WriteOnly));
    host.write(QStringLiteral("#!/bin/sh\necho \"$1\" >> '%1'\n").arg(log).toLocal8Bit());
    host.close();
    host.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", bin.toLocal8Bit());

    auto runs = [&log] {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly))
            return QStringList();
        return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };

    create();
    ASSERT_EQ(watcher->PortwickStart(timer.obj.get()), S_OK);
    ASSERT_EQ(tick(), S_OK);
    ASSERT_EQ(tick(), S_OK);
    ASSERT_EQ(runs().size(), 1);
    EXPECT_EQ(runs().front(), QFileInfo(libraryPath()).absolutePath() + QStringLiteral("/CDM.vbs"));
    plug(QStringLiteral("usb0"));
    ASSERT_EQ(tick(), S_OK);
    unplug(QStringLiteral("usb0"));
    ASSERT_EQ(tick(), S_OK);
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(runs().size(), 2);

    // Before version 6 no script runs.
    sys::setOsVersion(5, 1);
    ComPtr<portwick::_Class1> old;
    ASSERT_EQ(CoCreateInstance(portwick::CLSID_Class1, nullptr, portwick::IID__Class1, old.putVoid()), S_OK);
    ASSERT_EQ(old->PortwickStart(timer.obj.get()), S_OK);
    ASSERT_EQ(old->PortwickControl(timer.obj.get(), callback.obj.get()), S_OK);
    EXPECT_EQ(runs().size(), 2);
}

TEST_F(PortwickTest, RegistryPathBeforeVersion6RepairsThePortNames)
{
    sys::setOsVersion(5, 1);
    create();
    int32_t major = 0;
    ASSERT_EQ(watcher->GetWindowsVersion(&major), S_OK);
    EXPECT_EQ(major, 5);
    ASSERT_EQ(watcher->PortwickStart(timer.obj.get()), S_OK);

    const QString bus = QStringLiteral("SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\");
    const QString params = QStringLiteral("\\0000\\Device Parameters");
    auto setPortName = [&](const QString &dev, const QString &name) {
        ASSERT_EQ(sys::SHSetValue(sys::RootKey::LocalMachine, bus + dev + params, QStringLiteral("PortName"),
                                  sys::REG_SZ, sys::regSz(name)),
                  sys::ERROR_SUCCESS);
    };
    auto portName = [&](const QString &dev) {
        sys::RegKey key;
        if (sys::RegOpenKeyEx(sys::RootKey::LocalMachine, bus + dev + params, key) != sys::ERROR_SUCCESS)
            return QString();
        uint32_t t = 0;
        QByteArray d;
        sys::RegQueryValueEx(key, QStringLiteral("PortName"), t, d);
        return sys::regSzText(d);
    };
    auto comDb = [] {
        sys::RegKey key;
        sys::RegOpenKeyEx(sys::RootKey::LocalMachine,
                          QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter"), key);
        uint32_t t = 0;
        QByteArray d;
        sys::RegQueryValueEx(key, QStringLiteral("ComDB"), t, d);
        return d;
    };

    // No adapter: -1 and nothing repaired.
    setPortName(QStringLiteral("OLD+STALE"), QStringLiteral("COM9"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), -1);
    EXPECT_EQ(portName(QStringLiteral("OLD+STALE")), QStringLiteral("COM9"));

    plug(QStringLiteral("usb0"));
    setPortName(QStringLiteral("OLD+ZERO"), QStringLiteral("COM0"));
    setPortName(QStringLiteral("OLD+SHORT"), QStringLiteral("CO"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), 5);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn"}));
    EXPECT_EQ(portName(QStringLiteral("OLD+STALE")), QStringLiteral("COM5"));
    EXPECT_EQ(portName(QStringLiteral("OLD+ZERO")), QStringLiteral("COM5"));
    EXPECT_EQ(portName(QStringLiteral("OLD+SHORT")), QStringLiteral("CO"));
    // The found port's bit is cleared; the fixed ports' bits stay.
    const QByteArray db = comDb();
    ASSERT_EQ(db.size(), 32);
    EXPECT_EQ(static_cast<unsigned char>(db[0]), 0x0Fu);

    // A ComDB that is not 32 bytes of binary is left as it is.
    const QByteArray odd("\xff\xff", 2);
    ASSERT_EQ(sys::SHSetValue(sys::RootKey::LocalMachine,
                              QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter"),
                              QStringLiteral("ComDB"), sys::REG_BINARY, odd),
              sys::ERROR_SUCCESS);
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(comDb(), odd);

    unplug(QStringLiteral("usb0"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), -1);
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn", "ActionOff"}));
}

TEST_F(PortwickTest, LockAndUnlockTouchOnlyCommandButtonsAndTheirOwnHold)
{
    create();
    WindowDouble window(true);
    ASSERT_EQ(watcher->ButtonLock(window.obj.get()), S_OK);
    EXPECT_FALSE(window.enabled());
    EXPECT_FALSE(window.controls[0].enabled);
    EXPECT_TRUE(window.controls[1].enabled); // text box
    EXPECT_FALSE(window.controls[2].enabled);
    EXPECT_TRUE(window.controls[3].enabled); // label

    // Another window holds this one disabled meanwhile: unlocking keeps it so.
    window.holds.insert(QStringLiteral("frmData"));
    ASSERT_EQ(watcher->ButtonUnlock(window.obj.get()), S_OK);
    EXPECT_FALSE(window.enabled());
    EXPECT_EQ(window.holds, (std::set<QString>{QStringLiteral("frmData")}));
    EXPECT_TRUE(window.controls[0].enabled);
    EXPECT_TRUE(window.controls[2].enabled);
    window.holds.clear();
    EXPECT_TRUE(window.enabled());

    // A window without holds is driven through its Enabled property.
    WindowDouble plain(false);
    ASSERT_EQ(watcher->ButtonLock(plain.obj.get()), S_OK);
    EXPECT_FALSE(plain.enabledFlag);
    ASSERT_EQ(watcher->ButtonUnlock(plain.obj.get()), S_OK);
    EXPECT_TRUE(plain.enabledFlag);

    EXPECT_TRUE(FAILED(watcher->ButtonLock(nullptr)));
}

TEST_F(PortwickTest, EndStopsTheTimerAndWaitsWhileEventsRun)
{
    create();
    ASSERT_EQ(watcher->PortwickStart(timer.obj.get()), S_OK);
    bool ran = false;
    QTimer::singleShot(300, [&ran] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(watcher->PortwickEnd(timer.obj.get()), S_OK);
    const qint64 ms = clock.elapsed();
    EXPECT_FALSE(timer.enabled);
    EXPECT_TRUE(ran);
    EXPECT_GE(ms, 1900);
    EXPECT_LE(ms, 4000);
}

TEST_F(PortwickTest, AnUnreadableVersionCountsAsZeroAndBadArgumentsFailTheCall)
{
    qputenv("TALVIK_OS_VERSION", "unreadable");
    create();
    int32_t major = 7;
    ASSERT_EQ(watcher->GetWindowsVersion(&major), S_OK);
    EXPECT_EQ(major, 0);
    EXPECT_EQ(watcher->GetWindowsVersion(nullptr), E_POINTER);
    EXPECT_EQ(watcher->GetVirtualPort(nullptr), E_POINTER);
    // Version 0 searches the registry's serial-port map.
    ASSERT_EQ(watcher->PortwickStart(timer.obj.get()), S_OK);
    plug(QStringLiteral("usb1"));
    ASSERT_EQ(tick(), S_OK);
    EXPECT_EQ(port(), 5);

    EXPECT_TRUE(FAILED(watcher->PortwickStart(nullptr)));
    EXPECT_TRUE(FAILED(watcher->PortwickControl(nullptr, callback.obj.get())));
    EXPECT_TRUE(FAILED(watcher->PortwickEnd(nullptr)));
    ComPtr<DispatchObject> noTimer(new DispatchObject(QStringLiteral("Label")));
    EXPECT_TRUE(FAILED(watcher->PortwickControl(noTimer.get(), callback.obj.get())));
    EXPECT_EQ(callback.calls, (std::vector<QString>{"ActionOn"}));
    // By name, a wrong argument count is refused.
    EXPECT_EQ(watcher->Invoke(QStringLiteral("PortwickStart"), DispatchKind::Method, {}, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(watcher->Invoke(QStringLiteral("NoSuchMember"), DispatchKind::Method, {}, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST_F(PortwickTest, IdentityIsTheRegisteredCoclassAndItsDualInterface)
{
    // The identity as other programs know it, written out rather than taken
    // from the library's header.
    bool ok = false;
    const CLSID coclass = GUID::fromString(QStringLiteral("{68418AF3-6359-408E-AACA-233E247D7D0F}"), &ok);
    ASSERT_TRUE(ok);
    const IID dual = GUID::fromString(QStringLiteral("{65A7A97E-2EEE-4EB0-BC17-45F75DC0366B}"), &ok);
    ASSERT_TRUE(ok);

    CLSID byProgId;
    ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Portwick.Class1"), &byProgId), S_OK);
    EXPECT_EQ(byProgId, coclass);
    for (const CLSID &clsid : {coclass, byProgId}) {
        ComPtr<portwick::_Class1> object;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, dual, object.putVoid()), S_OK);
        int16_t p = 99;
        EXPECT_EQ(object->GetVirtualPort(&p), S_OK);
        EXPECT_EQ(p, 0);
    }
    // The ProgID's own key names the coclass too.
    sys::RegKey key;
    ASSERT_EQ(sys::RegOpenKeyEx(sys::RootKey::ClassesRoot, QStringLiteral("Portwick.Class1\\CLSID"), key),
              sys::ERROR_SUCCESS);
    uint32_t t = 0;
    QByteArray data;
    ASSERT_EQ(sys::RegQueryValueEx(key, QString(), t, data), sys::ERROR_SUCCESS);
    EXPECT_EQ(sys::regSzText(data), coclass.toString());
}
