#include "platform/system/registry.h"
#include "system_fixture.h"

#include "platform/fileio/durable.h"
#include "platform/testmain/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

using namespace platform::system;

using RegistryTest = SystemFixture;

TEST_F(RegistryTest, ValuesAndKeysRoundTripThroughTheFileWithoutRegardToCase)
{
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Talvik\\Test"), QStringLiteral("Name"),
                         REG_SZ, regSz(QStringLiteral("お客さま"))),
              ERROR_SUCCESS);
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Talvik\\Test"), QStringLiteral("Count"),
                         REG_DWORD, regDword(0x01020304)),
              ERROR_SUCCESS);
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Talvik\\Other"), QString(), REG_BINARY,
                         QByteArray("\x01\x00\xff", 3)),
              ERROR_SUCCESS);

    RegKey key;
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("software\\TALVIK\\test"), key), ERROR_SUCCESS);
    uint32_t type = 0;
    QByteArray data;
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("NAME"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(regSzText(data), QStringLiteral("お客さま"));
    EXPECT_TRUE(data.endsWith('\0'));
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("count"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(regDwordValue(data), 0x01020304u);
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("missing"), type, data), ERROR_FILE_NOT_FOUND);
    // A buffer too small for the data gives ERROR_MORE_DATA and no bytes.
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("Name"), type, data, 2), ERROR_MORE_DATA);
    EXPECT_TRUE(data.isEmpty());

    QString name;
    ASSERT_EQ(RegEnumValue(key, 0, name), ERROR_SUCCESS);
    EXPECT_EQ(name, QStringLiteral("Name"));
    ASSERT_EQ(RegEnumValue(key, 1, name), ERROR_SUCCESS);
    EXPECT_EQ(name, QStringLiteral("Count"));
    EXPECT_EQ(RegEnumValue(key, 2, name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);

    RegKey parent;
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Talvik\\"), parent), ERROR_SUCCESS);
    QStringList subkeys;
    for (uint32_t i = 0; RegEnumKeyEx(parent, i, name) == ERROR_SUCCESS; ++i)
        subkeys << name;
    EXPECT_EQ(subkeys, (QStringList{QStringLiteral("Test"), QStringLiteral("Other")}));

    // The same data are read back from the file after it was rewritten outside.
    QFile file(registryFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();
    ASSERT_EQ(RegDeleteTree(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Talvik")), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Talvik\\Test"), key), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(saved);
    file.close();
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Talvik\\Other"), key), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueEx(key, QString(), type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(data, QByteArray("\x01\x00\xff", 3));
}

TEST_F(RegistryTest, FailuresAreReportedNotHidden)
{
    RegKey key;
    EXPECT_EQ(RegOpenKeyEx(RootKey::ClassesRoot, QStringLiteral("CLSID\\{nothing}"), key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.open);
    uint32_t type = 0;
    QByteArray data;
    EXPECT_EQ(RegQueryValueEx(key, QString(), type, data), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteTree(RootKey::ClassesRoot, QStringLiteral("nothing")), ERROR_FILE_NOT_FOUND);

    // A registry file whose folder cannot be created (a plain file stands
    // in its place): the run holds its registry in memory and says why,
    // instead of failing every write; nothing is created.
    const QString plain = m_dir.path() + QStringLiteral("/plain");
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString below = plain + QStringLiteral("/sub/registry.json");
    qputenv("TALVIK_REGISTRY", QFile::encodeName(below));
    EXPECT_EQ(SHSetValue(RootKey::CurrentUser, QStringLiteral("A"), QStringLiteral("B"), REG_SZ, regSz("x")),
              ERROR_SUCCESS);
    const RegistryReadProblem problem = takeRegistryReadProblem();
    EXPECT_EQ(problem.file, below);
    EXPECT_TRUE(problem.heldInMemory());
    EXPECT_EQ(problem.cause, platform::fileio::describeSystemError(ENOTDIR));
    EXPECT_EQ(QFileInfo(plain).size(), 0);
}

// An intact registry whose folder takes no new file (a read-only mount,
// modelled by the file layer's hook): the run works on what the file holds,
// writes stay in memory for the rest of the run, the file stays byte for
// byte, and the problem is handed over once with its cause.
TEST_F(RegistryTest, AnIntactRegistryThatCannotBeWrittenIsReadAndHeldInMemory)
{
    const QString sub = QStringLiteral("SOFTWARE\\Talvik\\Kept");
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("A"), REG_SZ, regSz(QStringLiteral("1"))),
              ERROR_SUCCESS);
    const QByteArray saved = talviktest::readFile(registryFilePath());
    // The same registry in a folder of its own, read afresh.
    RegKey key;
    const QString copy = m_dir.path() + QStringLiteral("/copy/registry.json");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(copy).path()));
    ASSERT_TRUE(QFile::copy(registryFilePath(), copy));
    qputenv("TALVIK_REGISTRY", QFile::encodeName(copy));

    const QString folder = QFileInfo(copy).path();
    {
        platform::fileio::faults::ScopedFaultHook hook(
            [folder](platform::fileio::faults::Step step, const QString &path, qint64) {
                return step == platform::fileio::faults::Step::Create && path.startsWith(folder) ? EROFS : 0;
            });
        uint32_t type = 0;
        QByteArray data;
        ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub, key), ERROR_SUCCESS);
        ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("A"), type, data), ERROR_SUCCESS);
        EXPECT_EQ(regSzText(data), QStringLiteral("1"));
        EXPECT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("B"), REG_SZ, regSz(QStringLiteral("2"))),
                  ERROR_SUCCESS);
    }
    // Held for the rest of the run, even once the folder would take a file.
    EXPECT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("C"), REG_SZ, regSz(QStringLiteral("3"))),
              ERROR_SUCCESS);
    uint32_t type = 0;
    QByteArray data;
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub, key), ERROR_SUCCESS);
    for (const char *name : {"A", "B", "C"})
        EXPECT_EQ(RegQueryValueEx(key, QString::fromLatin1(name), type, data), ERROR_SUCCESS) << name;
    EXPECT_EQ(talviktest::readFile(copy), saved);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("registry.json")});

    const RegistryReadProblem problem = takeRegistryReadProblem();
    EXPECT_EQ(problem.file, copy);
    EXPECT_TRUE(problem.readWhole);
    EXPECT_FALSE(problem.damaged);
    EXPECT_TRUE(problem.heldInMemory());
    EXPECT_EQ(problem.cause, platform::fileio::describeSystemError(EROFS));
    EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
}

TEST_F(RegistryTest, SerialCommListsThePortsPresentAndCannotBeWritten)
{
    listAdapters({QStringLiteral("a1"), QStringLiteral("a2")});
    plug(QStringLiteral("a1"));
    plug(QStringLiteral("a2"));

    RegKey key;
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("HARDWARE\\DEVICEMAP\\SERIALCOMM"), key),
              ERROR_SUCCESS);
    QStringList names;
    QString name;
    for (uint32_t i = 0; RegEnumValue(key, i, name) == ERROR_SUCCESS; ++i)
        names << name;
    ASSERT_TRUE(names.contains(QStringLiteral("\\Device\\VCP0")));
    ASSERT_TRUE(names.contains(QStringLiteral("\\Device\\VCP1")));
    uint32_t type = 0;
    QByteArray data;
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("\\device\\vcp0"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(regSzText(data), QStringLiteral("COM5"));
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("\\Device\\VCP1"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(regSzText(data), QStringLiteral("COM6"));
    EXPECT_EQ(RegSetValueEx(key, QStringLiteral("\\Device\\VCP9"), REG_SZ, regSz("COM9")), ERROR_ACCESS_DENIED);

    // The key is reachable by enumeration from HARDWARE\DEVICEMAP.
    RegKey map;
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("HARDWARE\\DEVICEMAP"), map), ERROR_SUCCESS);
    ASSERT_EQ(RegEnumKeyEx(map, 0, name), ERROR_SUCCESS);
    EXPECT_EQ(name, QStringLiteral("SERIALCOMM"));

    // An open key keeps what it listed; opening it again shows the change.
    unplug(QStringLiteral("a1"));
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("\\Device\\VCP1"), type, data), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, QStringLiteral("HARDWARE\\DEVICEMAP\\SERIALCOMM"), key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("\\Device\\VCP0"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(regSzText(data), QStringLiteral("COM6"));
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("\\Device\\VCP1"), type, data), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, AWriteThatFailsOnTheWayToTheDiskIsReportedAndTheFileKeepsTheLastRegistry)
{
    const QString sub = QStringLiteral("SOFTWARE\\Talvik\\Durable");
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("A"), REG_SZ, regSz(QStringLiteral("1"))),
              ERROR_SUCCESS);
    QFile file(registryFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();

    {
        // The data reach the file, but syncing it to the disk fails.
        const QString path = QDir::cleanPath(registryFilePath());
        platform::fileio::faults::ScopedFaultHook hook(
            [path](platform::fileio::faults::Step step, const QString &p, qint64) {
                return step == platform::fileio::faults::Step::Sync && QDir::cleanPath(p) == path ? EIO : 0;
            });
        EXPECT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("B"), REG_SZ, regSz(QStringLiteral("2"))),
                  ERROR_CANTWRITE);
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
    file.close();
    EXPECT_EQ(QDir(QFileInfo(registryFilePath()).path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(registryFilePath()).fileName()});

    // Readers see what the file holds, not the value that was refused.
    RegKey key;
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub, key), ERROR_SUCCESS);
    uint32_t type = 0;
    QByteArray data;
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("B"), type, data), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("A"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(regSzText(data), QStringLiteral("1"));
}

TEST_F(RegistryTest, AWriteBatchWritesTheFileOnceAndOnAFailedWriteKeepsNoneOfItsKeys)
{
    namespace faults = platform::fileio::faults;
    const QString sub = QStringLiteral("SOFTWARE\\Talvik\\Batch");
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("Before"), REG_SZ, regSz(QStringLiteral("0"))),
              ERROR_SUCCESS);

    int writes = 0;
    {
        faults::ScopedFaultHook hook([&writes](faults::Step step, const QString &, qint64) {
            writes += step == faults::Step::Rename;
            return 0;
        });
        RegistryWriteBatch outer;
        {
            RegistryWriteBatch inner; // nested batches write at the outermost end
            for (int i = 0; i < 5; ++i)
                ASSERT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("V%1").arg(i), REG_DWORD, regDword(i)),
                          ERROR_SUCCESS);
            EXPECT_EQ(inner.finish(), ERROR_SUCCESS);
        }
        EXPECT_EQ(writes, 0) << "nothing is written while a batch is open";
        // Values written in the batch are read back before it ends.
        RegKey key;
        ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub, key), ERROR_SUCCESS);
        uint32_t type = 0;
        QByteArray data;
        ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("V4"), type, data), ERROR_SUCCESS);
        EXPECT_EQ(regDwordValue(data), 4u);
        EXPECT_EQ(outer.finish(), ERROR_SUCCESS);
        EXPECT_EQ(writes, 1);
    }

    // A batch whose one write fails leaves the file as it was and none of its
    // keys behind.
    QFile file(registryFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();
    {
        faults::ScopedFaultHook hook([](faults::Step step, const QString &, qint64) {
            return step == faults::Step::Sync ? EIO : 0;
        });
        RegistryWriteBatch batch;
        ASSERT_EQ(SHSetValue(RootKey::LocalMachine, sub + QStringLiteral("\\New"), QStringLiteral("A"), REG_SZ,
                             regSz(QStringLiteral("1"))),
                  ERROR_SUCCESS);
        EXPECT_EQ(batch.finish(), ERROR_CANTWRITE);
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
    file.close();
    RegKey gone;
    EXPECT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub + QStringLiteral("\\New"), gone), ERROR_FILE_NOT_FOUND);
    RegKey kept;
    EXPECT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub, kept), ERROR_SUCCESS);
}

// A registry file that cannot be parsed is not taken for an empty one and
// written over: it is kept under a new name, with a warning naming it, and
// the registry starts afresh. Where it cannot be renamed, nothing is written.
TEST_F(RegistryTest, AFileThatIsNoRegistryIsKeptAsideNotOverwritten)
{
    const QString path = registryFilePath();
    const QString folder = QFileInfo(path).path();
    const QByteArray damaged = "{\n  \"HKEY_LOCAL_MACHINE\": { \"keys\": [ { \"name\": \"SOFTWARE\"";
    const auto put = [&](const QByteArray &bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    };
    put(damaged);

    const QString sub = QStringLiteral("SOFTWARE\\Talvik\\Aside");
    ASSERT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("A"), REG_SZ, regSz(QStringLiteral("1"))),
              ERROR_SUCCESS);
    const QStringList aside = QDir(folder).entryList({QFileInfo(path).fileName() + QStringLiteral(".broken-*")},
                                                     QDir::Files | QDir::Hidden);
    ASSERT_EQ(aside.size(), 1) << QDir(folder).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
    QFile kept(QDir(folder).filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    EXPECT_EQ(takeRegistryReadProblem().keptAs, QDir(folder).filePath(aside.first()));
    // The new registry holds what was written after.
    RegKey key;
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub, key), ERROR_SUCCESS);
    uint32_t type = 0;
    QByteArray data;
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("A"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(regSzText(data), QStringLiteral("1"));

    // Not JSON at all, and the rename refused: the file stays as it is, and
    // the registry written after lives in memory.
    const QByteArray foreign = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n";
    put(foreign);
    {
        platform::fileio::faults::ScopedFaultHook hook([](platform::fileio::faults::Step step, const QString &, qint64) {
            return step == platform::fileio::faults::Step::Rename ? EACCES : 0;
        });
        EXPECT_EQ(SHSetValue(RootKey::LocalMachine, sub, QStringLiteral("B"), REG_SZ, regSz(QStringLiteral("2"))),
                  ERROR_SUCCESS);
    }
    ASSERT_EQ(RegOpenKeyEx(RootKey::LocalMachine, sub, key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("A"), type, data), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegQueryValueEx(key, QStringLiteral("B"), type, data), ERROR_SUCCESS);
    EXPECT_EQ(regSzText(data), QStringLiteral("2"));
    QFile again(path);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), foreign);
}
