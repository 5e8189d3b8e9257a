// App object: program folder, version and the single-instance lock.
#include "platform/forms/app.h"

#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {
class ProgramFolder {
public:
    ProgramFolder() : m_previous(qgetenv("TALVIK_HOME")) { qputenv("TALVIK_HOME", m_dir.path().toUtf8()); }
    ~ProgramFolder() { qputenv("TALVIK_HOME", m_previous); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};
} // namespace

TEST(AppTest, PathFollowsTalvikHomeWithoutTrailingSeparator)
{
    ProgramFolder folder;
    EXPECT_EQ(App::Path(), QDir::cleanPath(folder.path()));
    qputenv("TALVIK_HOME", (folder.path() + QStringLiteral("/")).toUtf8());
    EXPECT_EQ(App::Path(), QDir::cleanPath(folder.path()));
}

TEST(AppTest, VersionComesFromTheProject)
{
    EXPECT_EQ(QStringLiteral("%1.%2.%3").arg(App::Major()).arg(App::Minor()).arg(App::Revision()),
              QStringLiteral(TALVIK_TEST_PROJECT_VERSION));
}

TEST(AppTest, PrevInstanceSeesAnotherHolderOfTheLock)
{
    ProgramFolder free;
    EXPECT_FALSE(App::PrevInstance());
    EXPECT_FALSE(App::PrevInstance()); // the lock is ours for the process's life
    EXPECT_TRUE(QFile::exists(free.path() + QLatin1Char('/') + App::lockFileName()));

    ProgramFolder taken;
    QLockFile other(taken.path() + QLatin1Char('/') + App::lockFileName());
    ASSERT_TRUE(other.tryLock(0));
    EXPECT_TRUE(App::PrevInstance());

    // Released, the lock of the free folder goes with it.
    App::releaseInstanceLock();
    EXPECT_FALSE(QFile::exists(free.path() + QLatin1Char('/') + App::lockFileName()));
}

TEST(AppTest, TitleHelpFileAndCommand)
{
    App::setTitle(QStringLiteral("Orvantis"));
    EXPECT_EQ(App::Title(), QStringLiteral("Orvantis"));
    App::setHelpFile(QStringLiteral("/opt/x/demandhelp.chm"));
    EXPECT_EQ(App::HelpFile(), QStringLiteral("/opt/x/demandhelp.chm"));
    App::setCommand(QStringLiteral("/s x"));
    EXPECT_EQ(App::Command(), QStringLiteral("/s x"));
    App::setCommand(QString());
    EXPECT_EQ(App::Command(), QString());
}
