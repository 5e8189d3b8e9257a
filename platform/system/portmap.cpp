#include "platform/system/portmap.h"

#include "platform/system/registry.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include <set>

namespace platform::system {

namespace {

const QString kFtdiBus = QStringLiteral("SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS");
const QString kArbiter = QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter");
constexpr int kComDbSize = 32;
constexpr int kMaxPort = 256;
constexpr int kFixedPorts = 4;

QString parametersKey(const QString &deviceKey)
{
    return kFtdiBus + QLatin1Char('\\') + deviceKey + QStringLiteral("\\0000\\Device Parameters");
}

// "COMn" -> n, 0 when the text is not such a name or n is outside 1 ... 256.
int parseComName(const QString &text)
{
    if (!text.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = text.mid(3).toInt(&ok);
    return ok && n >= 1 && n <= kMaxPort ? n : 0;
}

QString fixedPath(int n)
{
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

struct Candidate {
    QString path;
    QString key;
};

QString keyFor(const QString &devicePath, const QList<QSerialPortInfo> &ports)
{
    const QString abs = QFileInfo(devicePath).absoluteFilePath();
    for (const QSerialPortInfo &info : ports) {
        if (QFileInfo(info.systemLocation()).absoluteFilePath() != abs)
            continue;
        if (info.hasVendorIdentifier() && info.hasProductIdentifier() && !info.serialNumber().isEmpty())
            return QStringLiteral("VID_%1+PID_%2+%3")
                .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'))
                .arg(info.serialNumber())
                .toUpper();
    }
    // No USB identity: the path is the identity ("\" would split the key).
    QString key = abs;
    key.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return QStringLiteral("PATH+") + key;
}

// Adapters present now: the system's USB serial devices, then the listed paths.
QList<Candidate> presentAdapters()
{
    QList<Candidate> out;
    std::set<QString> seen;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        const QString path = info.systemLocation();
        if (!path.startsWith(QStringLiteral("/dev/ttyUSB")) && !path.startsWith(QStringLiteral("/dev/ttyACM")))
            continue;
        if (seen.insert(QFileInfo(path).absoluteFilePath()).second)
            out.push_back({path, keyFor(path, ports)});
    }
    const QStringList listed =
        qEnvironmentVariable("TALVIK_SERIAL_ADAPTERS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &path : listed) {
        if (!QFileInfo::exists(path))
            continue;
        if (seen.insert(QFileInfo(path).absoluteFilePath()).second)
            out.push_back({path, keyFor(path, ports)});
    }
    return out;
}

int readPortName(const QString &deviceKey)
{
    RegKey key;
    if (RegOpenKeyEx(RootKey::LocalMachine, parametersKey(deviceKey), key) != ERROR_SUCCESS)
        return 0;
    uint32_t type = REG_NONE;
    QByteArray data;
    const long rc = RegQueryValueEx(key, QStringLiteral("PortName"), type, data);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return 0;
    return parseComName(regSzText(data));
}

// Numbers held by every adapter the registry remembers, present or not.
std::set<int> rememberedNumbers()
{
    std::set<int> out;
    RegKey bus;
    if (RegOpenKeyEx(RootKey::LocalMachine, kFtdiBus, bus) != ERROR_SUCCESS)
        return out;
    QString name;
    for (uint32_t i = 0; RegEnumKeyEx(bus, i, name) == ERROR_SUCCESS; ++i)
        if (const int n = readPortName(name))
            out.insert(n);
    RegCloseKey(bus);
    return out;
}

// Reads ComDB; false when it is missing or not a 32-byte binary value.
bool readComDb(QByteArray &db, bool &missing)
{
    missing = false;
    RegKey key;
    if (RegOpenKeyEx(RootKey::LocalMachine, kArbiter, key) != ERROR_SUCCESS) {
        missing = true;
        return false;
    }
    uint32_t type = REG_NONE;
    const long rc = RegQueryValueEx(key, QStringLiteral("ComDB"), type, db);
    RegCloseKey(key);
    if (rc == ERROR_FILE_NOT_FOUND) {
        missing = true;
        return false;
    }
    return rc == ERROR_SUCCESS && type == REG_BINARY && db.size() == kComDbSize;
}

bool bitSet(const QByteArray &db, int n)
{
    return (static_cast<unsigned char>(db[(n - 1) / 8]) >> ((n - 1) % 8)) & 1;
}

void setBit(QByteArray &db, int n)
{
    db[(n - 1) / 8] = static_cast<char>(static_cast<unsigned char>(db[(n - 1) / 8]) | (1u << ((n - 1) % 8)));
}

// Gives an adapter seen for the first time the lowest free number and records it.
int assignNumber(const QString &deviceKey, const std::set<int> &takenNow)
{
    QByteArray db;
    bool missing = false;
    bool dbValid = readComDb(db, missing);
    if (missing) {
        // A fresh arbiter: the fixed ports hold their numbers.
        db = QByteArray(kComDbSize, '\0');
        for (int n = 1; n <= kFixedPorts; ++n)
            setBit(db, n);
        dbValid = true;
    }
    std::set<int> taken = rememberedNumbers();
    taken.insert(takenNow.begin(), takenNow.end());
    int chosen = 0;
    for (int n = kFixedPorts + 1; n <= kMaxPort && !chosen; ++n)
        if (!taken.count(n) && !(dbValid && bitSet(db, n)))
            chosen = n;
    if (!chosen)
        return 0;
    SHSetValue(RootKey::LocalMachine, parametersKey(deviceKey), QStringLiteral("PortName"), REG_SZ,
               regSz(QStringLiteral("COM%1").arg(chosen)));
    // A ComDB that is there but unreadable as 32 bytes is left as it is.
    if (dbValid) {
        setBit(db, chosen);
        SHSetValue(RootKey::LocalMachine, kArbiter, QStringLiteral("ComDB"), REG_BINARY, db);
    }
    return chosen;
}

} // namespace

QString deviceKeyForAdapter(const QString &devicePath)
{
    return keyFor(devicePath, QSerialPortInfo::availablePorts());
}

QList<PortEntry> usbAdapters()
{
    QList<PortEntry> out;
    std::set<int> takenNow;
    QList<Candidate> fresh;
    for (const Candidate &c : presentAdapters()) {
        const int n = readPortName(c.key);
        if (n) {
            takenNow.insert(n);
            out.push_back({n, c.path, true, c.key});
        } else {
            fresh.push_back(c);
            out.push_back({0, c.path, true, c.key});
        }
    }
    for (PortEntry &e : out) {
        if (e.comNumber)
            continue;
        e.comNumber = assignNumber(e.deviceKey, takenNow);
        if (e.comNumber)
            takenNow.insert(e.comNumber);
    }
    out.erase(std::remove_if(out.begin(), out.end(), [](const PortEntry &e) { return e.comNumber == 0; }),
              out.end());
    return out;
}

QList<PortEntry> serialPorts()
{
    const QList<PortEntry> adapters = usbAdapters();
    QList<PortEntry> out;
    for (int n = 1; n <= kFixedPorts; ++n) {
        bool taken = false;
        for (const PortEntry &a : adapters)
            taken = taken || a.comNumber == n;
        if (!taken && QFileInfo::exists(fixedPath(n)))
            out.push_back({n, fixedPath(n), false, QString()});
    }
    out.append(adapters);
    return out;
}

QString devicePathForPort(int comNumber)
{
    if (comNumber < 1 || comNumber > kMaxPort)
        return QString();
    for (const PortEntry &a : usbAdapters())
        if (a.comNumber == comNumber)
            return a.devicePath;
    if (comNumber <= kFixedPorts)
        return fixedPath(comNumber);
    return QString();
}

int portForDevicePath(const QString &devicePath)
{
    const QString abs = QFileInfo(devicePath).absoluteFilePath();
    const QList<PortEntry> adapters = usbAdapters();
    for (const PortEntry &a : adapters)
        if (QFileInfo(a.devicePath).absoluteFilePath() == abs)
            return a.comNumber;
    for (int n = 1; n <= kFixedPorts; ++n) {
        if (fixedPath(n) != abs)
            continue;
        for (const PortEntry &a : adapters)
            if (a.comNumber == n)
                return -1; // an adapter holds the number now
        return n;
    }
    return -1;
}

} // namespace platform::system
