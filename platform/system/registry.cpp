#include "platform/system/registry.h"

#include "platform/fileio/durable.h"

#include "platform/codepage/codepage.h"
#include "platform/system/portmap.h"
#include "platform/system/sysrt/sysrt.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <memory>
#include <utility>
#include <vector>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Why the registry file could not be read, in the words the file layer uses
// for its other causes: the system's error of a fresh open, or a read error
// after an open that worked.
QString readCause(const QString &path, bool opened)
{
    if (opened)
        return platform::fileio::describeSystemError(EIO);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return platform::fileio::describeSystemError(errno);
    ::close(fd);
    return platform::fileio::describeSystemError(EIO);
}

} // namespace

namespace platform::system {

namespace {

struct Value {
    QString name;
    uint32_t type = REG_NONE;
    QByteArray data;
};

struct Node {
    QString name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<Node>> keys;

    Node *child(const QString &n) const
    {
        for (const auto &k : keys)
            if (k->name.compare(n, Qt::CaseInsensitive) == 0)
                return k.get();
        return nullptr;
    }
    Value *value(const QString &n)
    {
        for (auto &v : values)
            if (v.name.compare(n, Qt::CaseInsensitive) == 0)
                return &v;
        return nullptr;
    }
};

const char *rootName(RootKey root)
{
    switch (root) {
    case RootKey::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RootKey::CurrentUser: return "HKEY_CURRENT_USER";
    case RootKey::LocalMachine: return "HKEY_LOCAL_MACHINE";
    }
    return "";
}

QStringList splitPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString joinPath(const QStringList &parts)
{
    return parts.join(QLatin1Char('\\'));
}

// The live serial-port map and the keys above it.
const QStringList kSerialComm = {QStringLiteral("HARDWARE"), QStringLiteral("DEVICEMAP"),
                                 QStringLiteral("SERIALCOMM")};

bool samePrefix(const QStringList &parts, int count)
{
    if (parts.size() < count)
        return false;
    for (int i = 0; i < count; ++i)
        if (parts[i].compare(kSerialComm[i], Qt::CaseInsensitive) != 0)
            return false;
    return true;
}

// 0: not live; 1: a key above SERIALCOMM; 2: SERIALCOMM itself; 3: below it.
int liveLevel(RootKey root, const QStringList &parts)
{
    if (root != RootKey::LocalMachine || parts.isEmpty())
        return 0;
    if (parts.size() <= 2 && samePrefix(parts, parts.size()))
        return 1;
    if (parts.size() == 3 && samePrefix(parts, 3))
        return 2;
    if (parts.size() > 3 && samePrefix(parts, 3))
        return 3;
    return 0;
}

std::vector<Value> liveSerialCommValues()
{
    std::vector<Value> out;
    int fixed = 0;
    int vcp = 0;
    for (const PortEntry &p : serialPorts()) {
        Value v;
        v.type = REG_SZ;
        v.data = regSz(QStringLiteral("COM%1").arg(p.comNumber));
        if (p.usbAdapter)
            v.name = QStringLiteral("\\Device\\VCP%1").arg(vcp++);
        else
            v.name = QStringLiteral("\\Device\\Serial%1").arg(fixed++);
        out.push_back(v);
    }
    return out;
}

// What this run knows of one registry file: its read problem and whether it
// was handed over, and, when the file could not be read (or not kept aside),
// the registry held in memory in its place. One table for the process, so
// the program and its in-process libraries, each with a copy of this layer,
// share one registry and one record.
struct FileRecord {
    RegistryReadProblem problem; // empty when the file had none
    bool told = false;
    bool held = false;
    QByteArray heldRaw; // the held registry as the file would keep it
};

FileRecord &record(const QString &path)
{
    void **slot = talvik_sys_registry_slot();
    if (!*slot)
        *slot = new QHash<QString, FileRecord>(); // lives as long as the process
    return (*static_cast<QHash<QString, FileRecord> *>(*slot))[path];
}

class Store {
public:
    Node roots[3];

    Store()
    {
        roots[0].name = QString::fromLatin1(rootName(RootKey::ClassesRoot));
        roots[1].name = QString::fromLatin1(rootName(RootKey::CurrentUser));
        roots[2].name = QString::fromLatin1(rootName(RootKey::LocalMachine));
    }

    Node &root(RootKey r) { return roots[static_cast<int>(r)]; }

    // Reloads the file when it differs from what was read last; for a file
    // held in memory, the registry held.
    void refresh()
    {
        const QString path = registryFilePath();
        FileRecord &rec = record(path);
        if (rec.held) {
            if (!(m_loaded && path == m_path && rec.heldRaw == m_raw))
                load(path, rec.heldRaw);
            return;
        }
        QByteArray raw;
        QFile f(path);
        const bool opened = !QFileInfo(path).isDir() && f.open(QIODevice::ReadOnly);
        if (opened)
            raw = f.readAll();
        if (opened ? f.error() != QFileDevice::NoError : QFileInfo::exists(path)) {
            // Writing now would replace a registry that may be whole, or
            // fail on a folder: this run keeps its registry in memory.
            const QString cause = QFileInfo(path).isDir() ? QStringLiteral("ファイルの位置にフォルダがあります")
                                                          : readCause(path, opened);
            hold(rec, RegistryReadProblem{path, QString(), cause, false});
            return;
        }
        if (m_loaded && path == m_path && raw == m_raw)
            return;
        QJsonParseError parseError{};
        const QJsonDocument parsed = QJsonDocument::fromJson(raw, &parseError);
        if (!raw.isEmpty() && (parseError.error != QJsonParseError::NoError || !parsed.isObject())) {
            setAside(path, rec);
            return;
        }
        if (const QString cause = platform::fileio::writeRefusal(path); !cause.isEmpty()) {
            // A registry that is read but cannot be written: this run works
            // on what the file holds, in memory, and the file stays as is.
            RegistryReadProblem problem{path, QString(), cause, false};
            problem.readWhole = true;
            hold(rec, problem, raw);
            return;
        }
        load(path, raw, parsed);
    }

    // A file that is no registry (damaged, cut short, another program's) is
    // not read as an empty one and overwritten at the next write: it is kept
    // under a new name beside it, and the registry starts empty. Where it
    // cannot be renamed, nothing is written over it: the registry of this
    // run starts empty and is held in memory.
    void setAside(const QString &path, FileRecord &rec)
    {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = path + QStringLiteral(".broken-") + stamp;
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = path + QStringLiteral(".broken-%1-%2").arg(stamp).arg(n);
        try {
            platform::fileio::renameDurably(path, aside);
        } catch (const platform::fileio::WriteError &e) {
            hold(rec, RegistryReadProblem{path, QString(), e.cause(), true});
            return;
        }
        note(rec, RegistryReadProblem{path, aside, QString(), true});
        load(path, QByteArray()); // the file is gone: what an empty registry reads as
    }

    RegistryReadProblem takeProblem()
    {
        FileRecord &rec = record(m_path);
        if (std::exchange(rec.told, true))
            return RegistryReadProblem();
        return rec.problem;
    }

    // While a batch is open, writes only mark the store changed.
    long save()
    {
        if (m_batches > 0) {
            m_dirty = true;
            return ERROR_SUCCESS;
        }
        return write();
    }

    void beginBatch() { ++m_batches; }
    long endBatch()
    {
        if (m_batches == 0 || --m_batches > 0)
            return ERROR_SUCCESS;
        if (!std::exchange(m_dirty, false))
            return ERROR_SUCCESS;
        return write();
    }

    long write()
    {
        QJsonObject doc;
        for (const Node &r : roots)
            doc.insert(r.name, writeNode(r));
        const QByteArray raw = QJsonDocument(doc).toJson(QJsonDocument::Indented);
        if (FileRecord &rec = record(m_path); rec.held) {
            rec.heldRaw = raw;
            m_raw = raw;
            m_lastWriteError.clear();
            return ERROR_SUCCESS;
        }
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        try {
            platform::fileio::writeFile(m_path, raw);
        } catch (const platform::fileio::WriteError &e) {
            // The file keeps the previous registry; re-read it on the next
            // call, since memory is ahead of the file now.
            m_loaded = false;
            m_lastWriteError = e.Description();
            return ERROR_CANTWRITE;
        }
        m_raw = raw;
        m_lastWriteError.clear();
        return ERROR_SUCCESS;
    }

    const QString &lastWriteError() const { return m_lastWriteError; }

    Node *find(RootKey r, const QStringList &parts)
    {
        Node *n = &root(r);
        for (const QString &p : parts) {
            n = n->child(p);
            if (!n)
                return nullptr;
        }
        return n;
    }

    Node *create(RootKey r, const QStringList &parts, bool &created)
    {
        created = false;
        Node *n = &root(r);
        for (const QString &p : parts) {
            Node *c = n->child(p);
            if (!c) {
                auto nn = std::make_unique<Node>();
                nn->name = p;
                c = nn.get();
                n->keys.push_back(std::move(nn));
                created = true;
            }
            n = c;
        }
        return n;
    }

private:
    // Takes in the registry read from `raw` (parsed already when given).
    void load(const QString &path, const QByteArray &raw, const QJsonDocument &parsed = QJsonDocument())
    {
        m_path = path;
        m_raw = raw;
        m_loaded = true;
        for (Node &r : roots) {
            r.values.clear();
            r.keys.clear();
        }
        const QJsonObject doc = parsed.isNull() ? QJsonDocument::fromJson(raw).object() : parsed.object();
        for (Node &r : roots)
            readNode(doc.value(r.name).toObject(), r);
    }

    // Records the read problem of a file, to be handed over once.
    static void note(FileRecord &rec, const RegistryReadProblem &problem)
    {
        rec.problem = problem;
        rec.told = false;
        qWarning("registry file %s: %s", qUtf8Printable(problem.file),
                 qUtf8Printable(problem.keptAs.isEmpty() ? problem.cause : problem.keptAs));
    }

    // From now on, for the rest of the run, the file is neither read nor
    // written: the registry starts as `raw` (empty unless the file was read
    // whole) and lives in memory, shared by every copy of this layer in the
    // process.
    void hold(FileRecord &rec, const RegistryReadProblem &problem, const QByteArray &raw = QByteArray())
    {
        note(rec, problem);
        rec.held = true;
        rec.heldRaw = raw;
        load(problem.file, raw);
    }

    static void readNode(const QJsonObject &o, Node &n)
    {
        for (const QJsonValue &jv : o.value(QStringLiteral("values")).toArray()) {
            const QJsonObject vo = jv.toObject();
            Value v;
            v.name = vo.value(QStringLiteral("name")).toString();
            v.type = static_cast<uint32_t>(vo.value(QStringLiteral("type")).toInt());
            v.data = QByteArray::fromHex(vo.value(QStringLiteral("data")).toString().toLatin1());
            n.values.push_back(v);
        }
        for (const QJsonValue &jk : o.value(QStringLiteral("keys")).toArray()) {
            const QJsonObject ko = jk.toObject();
            auto c = std::make_unique<Node>();
            c->name = ko.value(QStringLiteral("name")).toString();
            readNode(ko, *c);
            n.keys.push_back(std::move(c));
        }
    }

    static QJsonObject writeNode(const Node &n)
    {
        QJsonObject o;
        o.insert(QStringLiteral("name"), n.name);
        QJsonArray vals;
        for (const Value &v : n.values) {
            QJsonObject vo;
            vo.insert(QStringLiteral("name"), v.name);
            vo.insert(QStringLiteral("type"), static_cast<int>(v.type));
            vo.insert(QStringLiteral("data"), QString::fromLatin1(v.data.toHex()));
            if (v.type == REG_SZ)
                vo.insert(QStringLiteral("text"), regSzText(v.data)); // for people reading the file
            vals.append(vo);
        }
        o.insert(QStringLiteral("values"), vals);
        QJsonArray keys;
        for (const auto &k : n.keys)
            keys.append(writeNode(*k));
        o.insert(QStringLiteral("keys"), keys);
        return o;
    }

    QString m_path;
    QByteArray m_raw;
    bool m_loaded = false;
    int m_batches = 0;
    bool m_dirty = false;
    QString m_lastWriteError;
};

Store &store()
{
    static Store s;
    s.refresh();
    return s;
}

} // namespace

RegistryWriteBatch::RegistryWriteBatch()
{
    store().beginBatch();
}

RegistryWriteBatch::~RegistryWriteBatch()
{
    if (m_open)
        finish();
}

long RegistryWriteBatch::finish()
{
    if (!std::exchange(m_open, false))
        return ERROR_SUCCESS;
    return store().endBatch();
}

QString lastRegistryWriteError()
{
    return store().lastWriteError();
}

RegistryReadProblem takeRegistryReadProblem()
{
    return store().takeProblem();
}

QString registryFilePath()
{
    const QString env = qEnvironmentVariable("TALVIK_REGISTRY");
    if (!env.isEmpty())
        return env;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/talvik/registry.json");
}

QByteArray regSz(const QString &text)
{
    QByteArray b;
    try {
        b = platform::codepage::toAnsi(text);
    } catch (...) {
        b = text.toLatin1();
    }
    b.append('\0');
    return b;
}

QString regSzText(const QByteArray &data)
{
    QByteArray b = data;
    const int nul = b.indexOf('\0');
    if (nul >= 0)
        b.truncate(nul);
    return platform::codepage::fromAnsiLenient(b);
}

QByteArray regDword(uint32_t value)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return b;
}

uint32_t regDwordValue(const QByteArray &data)
{
    if (data.size() < 4)
        return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return v;
}

long RegOpenKeyEx(RootKey root, const QString &subKey, RegKey &key)
{
    key = RegKey();
    const QStringList parts = splitPath(subKey);
    const int live = liveLevel(root, parts);
    if (live == 3)
        return ERROR_FILE_NOT_FOUND;
    if (live == 0 && !store().find(root, parts))
        return ERROR_FILE_NOT_FOUND;
    if (live == 2)
        for (const Value &v : liveSerialCommValues())
            key.liveValues.push_back({v.name, v.data});
    key.root = root;
    key.path = joinPath(parts);
    key.open = true;
    return ERROR_SUCCESS;
}

long RegCreateKeyEx(RootKey root, const QString &subKey, RegKey &key)
{
    key = RegKey();
    const QStringList parts = splitPath(subKey);
    const int live = liveLevel(root, parts);
    if (live == 3)
        return ERROR_ACCESS_DENIED;
    if (live == 0) {
        Store &s = store();
        bool created = false;
        s.create(root, parts, created);
        if (created) {
            const long rc = s.save();
            if (rc != ERROR_SUCCESS)
                return rc;
        }
    } else if (live == 2) {
        for (const Value &v : liveSerialCommValues())
            key.liveValues.push_back({v.name, v.data});
    }
    key.root = root;
    key.path = joinPath(parts);
    key.open = true;
    return ERROR_SUCCESS;
}

long RegCloseKey(RegKey &key)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    key.open = false;
    return ERROR_SUCCESS;
}

long RegQueryValueEx(const RegKey &key, const QString &valueName, uint32_t &type, QByteArray &data,
                     int bufferSize)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    const QStringList parts = splitPath(key.path);
    const Value *found = nullptr;
    Value liveValue;
    const int live = liveLevel(key.root, parts);
    if (live == 2) {
        for (const auto &v : key.liveValues)
            if (v.first.compare(valueName, Qt::CaseInsensitive) == 0) {
                liveValue = Value{v.first, REG_SZ, v.second};
                found = &liveValue;
                break;
            }
    } else if (live == 0) {
        Node *n = store().find(key.root, parts);
        if (!n)
            return ERROR_FILE_NOT_FOUND;
        found = n->value(valueName);
    }
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    type = found->type;
    if (bufferSize >= 0 && found->data.size() > bufferSize) {
        data.clear();
        return ERROR_MORE_DATA;
    }
    data = found->data;
    return ERROR_SUCCESS;
}

long RegSetValueEx(const RegKey &key, const QString &valueName, uint32_t type, const QByteArray &data)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    const QStringList parts = splitPath(key.path);
    if (liveLevel(key.root, parts) != 0)
        return ERROR_ACCESS_DENIED;
    Store &s = store();
    Node *n = s.find(key.root, parts);
    if (!n)
        return ERROR_FILE_NOT_FOUND;
    if (Value *v = n->value(valueName)) {
        v->type = type;
        v->data = data;
    } else {
        n->values.push_back(Value{valueName, type, data});
    }
    return s.save();
}

long RegDeleteValue(const RegKey &key, const QString &valueName)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    const QStringList parts = splitPath(key.path);
    if (liveLevel(key.root, parts) != 0)
        return ERROR_ACCESS_DENIED;
    Store &s = store();
    Node *n = s.find(key.root, parts);
    if (!n)
        return ERROR_FILE_NOT_FOUND;
    for (auto it = n->values.begin(); it != n->values.end(); ++it)
        if (it->name.compare(valueName, Qt::CaseInsensitive) == 0) {
            n->values.erase(it);
            return s.save();
        }
    return ERROR_FILE_NOT_FOUND;
}

long RegDeleteTree(RootKey root, const QString &subKey)
{
    QStringList parts = splitPath(subKey);
    if (parts.isEmpty())
        return ERROR_ACCESS_DENIED;
    if (liveLevel(root, parts) != 0)
        return ERROR_ACCESS_DENIED;
    Store &s = store();
    const QString last = parts.takeLast();
    Node *parent = s.find(root, parts);
    if (!parent)
        return ERROR_FILE_NOT_FOUND;
    for (auto it = parent->keys.begin(); it != parent->keys.end(); ++it)
        if ((*it)->name.compare(last, Qt::CaseInsensitive) == 0) {
            parent->keys.erase(it);
            return s.save();
        }
    return ERROR_FILE_NOT_FOUND;
}

long RegEnumKeyEx(const RegKey &key, uint32_t index, QString &name)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    const QStringList parts = splitPath(key.path);
    const int live = liveLevel(key.root, parts);
    if (live == 1) {
        // HARDWARE, HARDWARE\DEVICEMAP: the live chain, plus whatever the file keeps there.
        if (index == 0) {
            name = kSerialComm[parts.size()];
            return ERROR_SUCCESS;
        }
        --index;
    } else if (live != 0) {
        return ERROR_NO_MORE_ITEMS;
    }
    Node *n = store().find(key.root, parts);
    if (!n) {
        return live == 1 ? ERROR_NO_MORE_ITEMS : ERROR_FILE_NOT_FOUND;
    }
    std::vector<QString> names;
    for (const auto &k : n->keys)
        if (live != 1 || k->name.compare(kSerialComm[parts.size()], Qt::CaseInsensitive) != 0)
            names.push_back(k->name);
    if (index >= names.size())
        return ERROR_NO_MORE_ITEMS;
    name = names[index];
    return ERROR_SUCCESS;
}

long RegEnumValue(const RegKey &key, uint32_t index, QString &name)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    const QStringList parts = splitPath(key.path);
    const int live = liveLevel(key.root, parts);
    if (live == 2) {
        if (index >= static_cast<uint32_t>(key.liveValues.size()))
            return ERROR_NO_MORE_ITEMS;
        name = key.liveValues[static_cast<qsizetype>(index)].first;
        return ERROR_SUCCESS;
    }
    if (live != 0)
        return ERROR_NO_MORE_ITEMS;
    Node *n = store().find(key.root, parts);
    if (!n)
        return ERROR_FILE_NOT_FOUND;
    if (index >= n->values.size())
        return ERROR_NO_MORE_ITEMS;
    name = n->values[index].name;
    return ERROR_SUCCESS;
}

long SHSetValue(RootKey root, const QString &subKey, const QString &valueName, uint32_t type,
                const QByteArray &data)
{
    RegKey key;
    long rc = RegCreateKeyEx(root, subKey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueEx(key, valueName, type, data);
    RegCloseKey(key);
    return rc;
}

} // namespace platform::system
