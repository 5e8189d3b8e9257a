#pragma once
// The stand-in device run as a process of its own, as a USB adapter with its
// device is from the program's side: started on a link path, ended with
// SIGTERM (the link and the pseudo-terminal go, as an adapter's device node
// goes when it is pulled out) and started again on the same path.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class DeviceProcess {
public:
    // args: the options of talvik-devicesim other than --link.
    DeviceProcess(const QString &linkPath, const QStringList &args);
    ~DeviceProcess();

    // Starts the program and waits until its link is there.
    bool start(QString *why = nullptr);
    // SIGTERM, then waits until the program has ended and its link is gone.
    bool stop(QString *why = nullptr);
    bool running() const;

    // The pseudo-terminal the current (or last) run serves on.
    QString slavePath() const { return m_slavePath; }
    // The frame log of the current run (standard error so far).
    QByteArray log();
    // Request frames the current run has received whose text starts with
    // the command letters (such as "RV", "RSB", "RD").
    int requests(const QByteArray &command);
    // Request frames of the current run whose text ends with the character
    // (the delete flag of RD).
    int requestsEndingWith(char last);
    // RD blocks (demand records) the current run has sent.
    int sentDemandBlocks();
    // ACKs the current run heard after the first request of the command.
    int acksAfterFirst(const QByteArray &command);

private:
    QString m_linkPath;
    QStringList m_args;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_log;
    QString m_slavePath;
};

// True when a descriptor of this process still refers to the given device
// path (also after the node was removed, when the link reads "(deleted)").
bool processHoldsDevice(const QString &devicePath);
