// The damaged registry file as the program learns of it: handed over once,
// not found again at every later call while the file stays as it is, and
// never carried over to another registry file.
#include "platform/system/registry.h"
#include "system_fixture.h"

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
    EXPECT_FALSE(problem.writesRefused());
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

TEST_F(RegistryProblemTest, AFileThatCannotBeKeptAsideRefusesWritesUntilItChanges)
{
    const QString path = registryFilePath();
    put(path, kDamaged);
    {
        platform::fileio::faults::ScopedFaultHook hook([](platform::fileio::faults::Step step, const QString &, qint64) {
            return step == platform::fileio::faults::Step::Rename ? EACCES : 0;
        });
        const RegistryReadProblem problem = takeRegistryReadProblem();
        EXPECT_EQ(problem.file, path);
        EXPECT_TRUE(problem.writesRefused());
        EXPECT_FALSE(problem.cause.isEmpty());
        EXPECT_EQ(write(QStringLiteral("A")), ERROR_CANTWRITE);
    }
    // The rename would work now, but the file is the one already judged:
    // it is neither renamed at a later call nor told of again, and nothing
    // is written over it.
    EXPECT_EQ(write(QStringLiteral("B")), ERROR_CANTWRITE);
    EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
    EXPECT_TRUE(keptAside().isEmpty());
    QFile same(path);
    ASSERT_TRUE(same.open(QIODevice::ReadOnly));
    EXPECT_EQ(same.readAll(), kDamaged);
    same.close();

    // A file changed since is read afresh: a whole registry is taken in.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(write(QStringLiteral("C")), ERROR_SUCCESS);
    EXPECT_TRUE(takeRegistryReadProblem().isEmpty());
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
    EXPECT_TRUE(lastRegistryReadWarning().isEmpty()) << lastRegistryReadWarning().toStdString();
}

} // namespace
