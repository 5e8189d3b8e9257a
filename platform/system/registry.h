#pragma once
// The registry stand-in: a tree of keys and values kept in one file.
//
// The file is "registry.json" in the user's configuration folder, or the file
// named by the environment variable TALVIK_REGISTRY. Every call reads the file
// again when it changed and every change is written through at once, so that
// several users of this layer in one process (the program and its in-process
// libraries) always see the same registry. A file that cannot be used is
// left alone and the registry of the run held in memory instead (see
// RegistryReadProblem).
//
// Key and value names are case-insensitive, as on Windows; subkey paths are
// separated by "\". REG_SZ data are CP932 bytes ended by a NUL.
//
// The key HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM is live: opening it lists
// the serial ports present now ("\Device\Serial0" ... for the fixed ports,
// "\Device\VCP0" ... for USB serial adapters, data "COMn") and cannot be written.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace platform::system {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine };

// Win32 error codes returned by the registry functions.
constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_INVALID_PARAMETER = 87;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_NO_MORE_ITEMS = 259;
constexpr long ERROR_CANTWRITE = 1013;

// Value types.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

// An open key: which root and which path below it. Opening checks that the
// key exists; the handle stays usable after the key is deleted (calls then fail).
struct RegKey {
    RootKey root = RootKey::LocalMachine;
    QString path;
    bool open = false;
    // The live serial-port values as they stood when the key was opened.
    QList<QPair<QString, QByteArray>> liveValues;
};

// Holds the registry file's writes back while it lives (batches nest), so a
// library registering its classes writes the file once, all keys or none.
// finish() ends the batch; at the outermost one it writes what changed and
// returns that write's result (ERROR_SUCCESS when nothing changed). On a
// failed write the file keeps the registry as it was before the batch.
class RegistryWriteBatch {
public:
    RegistryWriteBatch();
    ~RegistryWriteBatch();
    RegistryWriteBatch(const RegistryWriteBatch &) = delete;
    RegistryWriteBatch &operator=(const RegistryWriteBatch &) = delete;
    long finish();

private:
    bool m_open = true;
};

long RegOpenKeyEx(RootKey root, const QString &subKey, RegKey &key);
// Opens the key, creating it and its missing parents.
long RegCreateKeyEx(RootKey root, const QString &subKey, RegKey &key);
long RegCloseKey(RegKey &key);

// Reads a value ("" names the key's default value). With bufferSize >= 0 the
// data are limited to that many bytes: more data give ERROR_MORE_DATA and no
// bytes, as the Win32 call does.
long RegQueryValueEx(const RegKey &key, const QString &valueName, uint32_t &type, QByteArray &data,
                     int bufferSize = -1);
long RegSetValueEx(const RegKey &key, const QString &valueName, uint32_t type, const QByteArray &data);
long RegDeleteValue(const RegKey &key, const QString &valueName);
// Deletes a key with every subkey below it.
long RegDeleteTree(RootKey root, const QString &subKey);

// Name of the subkey (or value) at index, in the order the names were created;
// ERROR_NO_MORE_ITEMS past the end.
long RegEnumKeyEx(const RegKey &key, uint32_t index, QString &name);
long RegEnumValue(const RegKey &key, uint32_t index, QString &name);

// Writes one value, creating the key when it is missing (the shell's SHSetValue).
long SHSetValue(RootKey root, const QString &subKey, const QString &valueName, uint32_t type,
                const QByteArray &data);

// Convenience forms used by the layers.
QByteArray regSz(const QString &text);                // CP932 bytes with the terminating NUL
QString regSzText(const QByteArray &data);            // text up to the first NUL
QByteArray regDword(uint32_t value);                  // 4 bytes, little-endian
uint32_t regDwordValue(const QByteArray &data);       // 0 when shorter than 4 bytes

// Path of the registry file in use.
QString registryFilePath();
// The description (file and cause) of this module's last failed write of the
// registry file; "" once a write succeeded or when none failed.
QString lastRegistryWriteError();
// A registry file found unusable when it was read, the one record of it:
// - one that is no registry (damaged, cut short) is kept under a new name
//   beside it ("<file>.broken-<date>-<time>", also given to qWarning) and
//   the registry starts empty;
// - one that cannot be read (a folder in its place, a file that cannot be
//   opened), or that is no registry and cannot be renamed, is left as it is:
//   for the rest of the run the registry starts empty and is held in memory
//   (writes succeed there, every user of this layer in the process sees
//   them, and nothing reaches the file);
// - one that is read whole but cannot be written (its folder takes no new
//   file: a read-only mount, no permission) is left as it is too: the run
//   works on what it holds, held in memory the same way.
struct RegistryReadProblem {
    QString file;
    QString keptAs;       // the name the file is kept under; "" when it was not kept aside
    QString cause;          // why it could not be read, kept aside or written; "" when it was kept aside
    bool damaged = false;   // it was read and is no registry (else it could not be read)
    bool readWhole = false; // it was read and is a registry, but cannot be written
    bool isEmpty() const { return file.isEmpty(); }
    // Settings of this run are not saved: the registry is held in memory.
    bool heldInMemory() const { return !file.isEmpty() && keptAs.isEmpty(); }
};
// Reads the registry file (when it changed since the last read) and hands
// over the problem of that file not handed over yet, so that each is told to
// the user once; empty when there is none. The problem of another file (an
// earlier TALVIK_REGISTRY) is not this file's.
RegistryReadProblem takeRegistryReadProblem();

} // namespace platform::system
