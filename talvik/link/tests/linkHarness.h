#pragma once
// Shared pieces of the serial link and protocol tests: a fresh program
// folder, scripted message boxes, doubles of the wait dialog, the owner
// window and the demand record, and an event recorder.
#include "platform/forms/dialogscript.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/recordFields.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace linktest {

inline bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

inline void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A frame with its BCC, as the device sends it.
inline QByteArray withBcc(const QByteArray &body)
{
    char bcc = 0;
    for (char c : body)
        bcc ^= c;
    return body + QByteArray(1, bcc);
}

struct WaitDouble : talvik::IWaitDialog {
    bool cancel = false;
    bool shown = false;
    int showCount = 0;
    int unloads = 0;
    QString msg, info1, info2;
    QStringList info2History;
    void clear() override { info1.clear(), info2.clear(), msg.clear(); }
    void setWaitMsg(const QString &t) override { msg = t; }
    QString loadInfo1() override { return info1; }
    void setLoadInfo1(const QString &t) override { info1 = t; }
    void setLoadInfo2(const QString &t) override
    {
        info2 = t;
        info2History << t;
    }
    void setEnableCancel(bool) override {}
    bool isCancel() const override { return cancel; }
    void show(platform::forms::Form *) override { shown = true, ++showCount; }
    void unload() override { shown = false, ++unloads; }
};

struct OwnerDouble : talvik::ITransactionOwner {
    QStringList logs;
    platform::forms::Form *ownerForm() override { return nullptr; }
    void addLog(const QString &text) override { logs << text; }
};

// Records the events of a protocol controller as "Name" or "Name:arg".
struct Recorder {
    QStringList events;
    void attach(talvik::clsProtocolController &c)
    {
        using C = talvik::clsProtocolController;
        QObject::connect(&c, &C::OnEvent, [this](const QString &m) { events << "OnEvent:" + m; });
        QObject::connect(&c, &C::OnError, [this](const QString &m) { events << "OnError:" + m; });
        QObject::connect(&c, &C::OnVersion, [this](bool ok) { events << QStringLiteral("OnVersion:%1").arg(ok); });
        QObject::connect(&c, &C::OnCustomer, [this](bool ok) { events << QStringLiteral("OnCustomer:%1").arg(ok); });
        QObject::connect(&c, &C::OnTranEnd, [this] { events << QStringLiteral("OnTranEnd"); });
        QObject::connect(&c, &C::OnNext, [this] { events << QStringLiteral("OnNext"); });
    }
    // The events after OnTranStart-free transaction ended (one of the endings).
    bool ended() const
    {
        for (const QString &e : events)
            if (e == "OnTranEnd" || e.startsWith("OnError") || e.startsWith("OnVersion:0")
                || e.startsWith("OnCustomer:0") || e == "OnNext")
                return true;
        return false;
    }
};

// A demand record double: detector request, 18-byte blocks "RD" YYMMDDhhmm watt.
struct DemandDouble : talvik::IProtocolRecord {
    QByteArray last;
    int n = 0;
    int fires = 0;
    bool shift = false;
    bool reader = false;
    QByteArray getSendCMD() override
    {
        n = 0;
        return QByteArray("\x02RD\x03", 4);
    }
    bool setRecvData(const QByteArray &b, int length) override
    {
        values = false;
        ++blocksGiven;
        if (length != 18)
            return false;
        last = b.left(18);
        if (last[1] != 'R' || last[2] != 'D')
            return false;
        values = true;
        for (int i = 3; i < 17; ++i)
            if (!talvik::frame::isDigit(last[i]))
                return false;
        values = false;
        ++n;
        return true;
    }
    bool refusedValues() const override { return values; }
    bool fire() override { return fire(false); }
    bool fire(bool s) override
    {
        ++fires;
        shift = s;
        return true;
    }
    bool stage(bool, QString *cause) override
    {
        ++stages;
        if (!stageCause.isEmpty() && cause)
            *cause = stageCause;
        return stageCause.isEmpty();
    }
    bool isETX() const override { return last.size() == 18 && last[17] == talvik::frame::ETX; }
    int count() const override { return n; }
    bool isReader() const override { return reader; }
    // stage() fails with this cause when it is not empty.
    QString stageCause;
    int stages = 0;
    // Blocks handed to setRecvData; the last refused one was an RD block
    // with bad digits.
    int blocksGiven = 0;
    bool values = false;
};

// Program folder, scripted boxes and wait dialog for one test.
struct LinkEnv {
    QTemporaryDir home;
    platform::forms::DialogScript script;
    WaitDouble wait;

    LinkEnv()
    {
        qputenv("TALVIK_HOME", home.path().toLocal8Bit());
        platform::forms::DialogScript::setUnexpectedDialogHandler(
            [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
        talvik::clsProtocolController::setWaitDialog(&wait);
    }
    ~LinkEnv() { talvik::clsProtocolController::setWaitDialog(nullptr); }
};

} // namespace linktest
