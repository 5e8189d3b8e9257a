#pragma once
// Fault scenes for tests of file writers: a full file system and a read-only
// folder. When the test runs as root and may mount, the scenes are real (a
// small tmpfs filled to the last page, a read-only mount); otherwise a full
// disk is modelled by the durable write's fault hook and a read-only folder
// by its permissions. Every scene reports which way it was made, so that a
// test never passes by skipping the fault.
#include "platform/fileio/durable.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace platform::fileio::testsupport {

class FullDisk {
public:
    FullDisk();
    // The scene on an existing empty folder (a fixture's program folder): the
    // tmpfs is mounted there, and the filler file sits in it.
    explicit FullDisk(const QString &folder);
    ~FullDisk();

    // A fresh, empty folder on the scene's file system: set the test up here.
    const QString &folder() const { return m_folder; }
    // From now on every write under the folder fails for lack of space.
    void fill();
    // Gives the space back (for the part of a test that checks a retry).
    void release();
    // True when the file system is a real filled tmpfs, false when modelled.
    bool real() const { return m_mounted; }

private:
    void mountOn(const QString &root);

    QTemporaryDir m_mountPoint;
    QString m_root; // where the tmpfs is mounted
    QString m_folder;
    bool m_mounted = false;
    std::unique_ptr<faults::ScopedFaultHook> m_hook;
};

// Makes a folder read-only for the lifetime of the object (a read-only bind
// mount as root, the permissions otherwise).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &folder);
    ~ReadOnlyFolder();
    bool real() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
    std::unique_ptr<faults::ScopedFaultHook> m_hook;
};

// Every file below a folder with its bytes, for "nothing changed" checks.
QMap<QString, QByteArray> snapshotFolder(const QString &folder);
// Names of files below a folder left behind by an interrupted durable write.
QStringList temporaryLeftovers(const QString &folder);

} // namespace platform::fileio::testsupport
