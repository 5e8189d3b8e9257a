// The registry file that cannot be used as the program learns of it: handed
// over once, not found again at every later call, and never carried over to
// another registry file. A file that cannot be read, or is damaged and
// cannot be kept aside, is left as it is and the registry of the run is held
// in memory.
#include "platform/system/registry.h"
#include "system_fixture.h"
#include "unopenableFile.h"

#include "platform/fileio/durable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

using namespace platform::system;

namespace {

const QByteArray kDamaged = "{\n  \"HKEY_CURRENT_USER\": { \"keys\": [ { \"name\": \"Soft";

class RegistryProblemTest : public SystemFixture {
protected:
    void put(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QStringList keptAside() const
    {
        return QDir(m_dir.path()).entryList({QStringLiteral("*.broken-*")}, QDir::Files | QDir::Hidden);
    }
    static long touch()
    {
        RegKey key;
        return RegOpenKeyEx(RootKey::CurrentUser, QStringLiteral("Software"), key);
    }
    // The value written by write(), "" when it cannot be read.
    static QString valueOf(const QString &value)
    {
        RegKey key;
        if (RegOpenKeyEx(RootKey::CurrentUser, QStringLiteral("Software\\Talvik"), key) != ERROR_SUCCESS)
            return QString();
        uint32_t type = 0;
        QByteArray data;
        const long rc = RegQueryValueEx(key, value, type, data);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? regSzText(data) : QString();
    }
    static long write(const QString &value)
    {
        return SHSetValue(RootKey::CurrentUser, QStringLiteral("Software\\Talvik"), value, REG_SZ,
                          regSz(QStringLiteral("1")));
    }
};

TEST_F(RegistryProblemTest, AFileKeptAsideIsHandedOverOnceWithBothNames)
{
    const QString path = registryFilePath();
    put(path, kDamaged);
    const RegistryReadProblem problem = takeRegistryReadProblem();
    ASSERT_FALSE(problem.isEmpty());
    EXPECT_EQ(problem.file, path);
    EXPECT_TRUE(problem.damaged);
    EXPECT_FALSE(problem.heldInMemory());
    EXPECT_TRUE(problem.cause.isEmpty());
    ASSERT_EQ(keptAside().size(), 1);
    EXPECT_EQ(problem.keptAs, QDir(m_dir.path()).filePath(keptAside().first()));
    QFile kept(problem.keptAs);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), kDamaged);

    // Later reads and writes of the fresh registry tell nothing more.
    EXPECT_EQ(write(QStringLiteral("A")), ERROR_SUCCESS);
    EXPECT_EQ(touch(), ERROR_SUCCESS);
    EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
    EXPECT_EQ(keptAside().size(), 1);
}

TEST_F(RegistryProblemTest, AFileThatCannotBeKeptAsideIsLeftAndTheRegistryOfTheRunIsHeldInMemory)
{
    const QString path = registryFilePath();
    put(path, kDamaged);
    {
        platform::fileio::faults::ScopedFaultHook hook([](platform::fileio::faults::Step step, const QString &, qint64) {
            return step == platform::fileio::faults::Step::Rename ? EACCES : 0;
        });
        const RegistryReadProblem problem = takeRegistryReadProblem();
        EXPECT_EQ(problem.file, path);
        EXPECT_TRUE(problem.damaged);
        EXPECT_TRUE(problem.heldInMemory());
        EXPECT_FALSE(problem.cause.isEmpty());
        EXPECT_EQ(write(QStringLiteral("A")), ERROR_SUCCESS);
    }
    // The rename would work now, but the file is the one already judged:
    // it is neither renamed at a later call nor told of again, and nothing
    // is written over it; the registry of the run keeps what was written.
    EXPECT_EQ(write(QStringLiteral("B")), ERROR_SUCCESS);
    EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
    EXPECT_TRUE(keptAside().isEmpty());
    EXPECT_EQ(valueOf(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(valueOf(QStringLiteral("B")), QStringLiteral("1"));
    QFile same(path);
    ASSERT_TRUE(same.open(QIODevice::ReadOnly));
    EXPECT_EQ(same.readAll(), kDamaged);
    same.close();

    // For the rest of the run, even once the file is gone.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(write(QStringLiteral("C")), ERROR_SUCCESS);
    EXPECT_EQ(valueOf(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

TEST_F(RegistryProblemTest, AFolderOrAnUnopenableFileInTheFilesPlaceIsLeftAndTheRegistryHeldInMemory)
{
    const QString folder = m_dir.path() + QStringLiteral("/folder.json");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inside")));
    const QString socket = m_dir.path() + QStringLiteral("/socket.json");
    ASSERT_TRUE(testsupport::makeUnopenableFile(socket)) << socket.toStdString();
    const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &path : {folder, socket}) {
        SCOPED_TRACE(path.toStdString());
        qputenv("TALVIK_REGISTRY", QFile::encodeName(path));
        const RegistryReadProblem problem = takeRegistryReadProblem();
        EXPECT_EQ(problem.file, path);
        EXPECT_FALSE(problem.damaged);
        EXPECT_TRUE(problem.heldInMemory());
        EXPECT_TRUE(problem.keptAs.isEmpty());
        EXPECT_FALSE(problem.cause.isEmpty());
        // Keys and values are written and read back, all in memory.
        EXPECT_EQ(touch(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(write(QStringLiteral("A")), ERROR_SUCCESS);
        EXPECT_EQ(touch(), ERROR_SUCCESS);
        EXPECT_EQ(valueOf(QStringLiteral("A")), QStringLiteral("1"));
        {
            RegistryWriteBatch batch;
            EXPECT_EQ(write(QStringLiteral("B")), ERROR_SUCCESS);
            EXPECT_EQ(batch.finish(), ERROR_SUCCESS);
        }
        EXPECT_EQ(valueOf(QStringLiteral("B")), QStringLiteral("1"));
        EXPECT_EQ(RegDeleteTree(RootKey::CurrentUser, QStringLiteral("Software\\Talvik")), ERROR_SUCCESS);
        EXPECT_EQ(valueOf(QStringLiteral("A")), QString());
        EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
    }
    // Both entries are as they were, and nothing was added beside them.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("inside")});
    EXPECT_FALSE(QFileInfo(socket).isFile());
    EXPECT_TRUE(QFileInfo::exists(socket));
}

TEST_F(RegistryProblemTest, AProblemNotHandedOverStaysWithItsOwnFile)
{
    const QString damaged = m_dir.path() + QStringLiteral("/damaged.json");
    put(damaged, kDamaged);
    qputenv("TALVIK_REGISTRY", QFile::encodeName(damaged));
    EXPECT_EQ(touch(), ERROR_FILE_NOT_FOUND);
    // Another registry file in use: the other file's problem is not this one's.
    qputenv("TALVIK_REGISTRY", QFile::encodeName(m_dir.path() + QStringLiteral("/other.json")));
    EXPECT_EQ(touch(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
    // Back at the damaged file, its own problem is still to be told.
    qputenv("TALVIK_REGISTRY", QFile::encodeName(damaged));
    const RegistryReadProblem problem = takeRegistryReadProblem();
    EXPECT_EQ(problem.file, damaged);
    EXPECT_TRUE(problem.damaged);
    EXPECT_FALSE(problem.keptAs.isEmpty());
    EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
}

} // namespace
