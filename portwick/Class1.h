#pragma once
// The port watcher class: finds the USB serial adapter's COM port, watches it
// on the caller's timer and calls the caller back when it comes or goes.
#include "portwick/portwickInterface.h"

#include <QString>
#include <QStringList>

#include <atomic>

namespace portwick {

// Live objects and server locks of the library (DllCanUnloadNow).
extern std::atomic<long> g_objectCount;
extern std::atomic<long> g_lockCount;

class Class1 : public _Class1 {
public:
    Class1();

    // IUnknown
    HRESULT QueryInterface(const platform::com::IID &iid, void **object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    // IDispatchByName: every member of _Class1 by its name.
    HRESULT GetTypeName(QString *name) override;
    HRESULT Invoke(const QString &member, platform::com::DispatchKind kind, const QVariantList &args,
                   QVariant *result) override;

    // _Class1
    HRESULT GetVirtualPort(int16_t *result) override;
    HRESULT PortwickStart(IDispatchByName *timer) override;
    HRESULT PortwickControl(IDispatchByName *timer, IDispatchByName *callback) override;
    HRESULT PortwickEnd(IDispatchByName *timer) override;
    HRESULT GetWindowsVersion(int32_t *result) override;
    HRESULT ButtonLock(IDispatchByName *window) override;
    HRESULT ButtonUnlock(IDispatchByName *window) override;

private:
    ~Class1() override;

    bool isVistaOrLater() const;
    int16_t findPortByWmi();
    int16_t findPortBySerialComm();
    void alignFtdiPortNames(int16_t foundPort);
    long enumRegSubKeys(const QString &subKeyPath, QStringList &names);
    QByteArray GetRegValueStr(const QString &subKeyPath, const QString &valueName);
    void SetRegValue(const QString &subKeyPath, const QString &valueName, uint32_t type, const QVariant &value);
    bool readComDb(QByteArray &db);
    void writeComDb(const QByteArray &db);
    void runDriverScript();
    void waitForProcess(int64_t processId);
    void getSystemErrorText(uint32_t errorCode, const QString &context);
    void setButtonsEnabled(IDispatchByName *window, bool enabled);

    std::atomic<uint32_t> m_refs{0};

    int16_t m_absentHandled = 0; // True (-1) once a tick without the adapter has been handled
    int16_t m_devicePresent = 0; // True after ActionOn was due, False after ActionOff
    int32_t m_winMajor = 0;      // major version taken by PortwickStart
    int16_t m_lastPort = 0;      // port of the last tick, -1 none, 0 before the first tick
};

} // namespace portwick
