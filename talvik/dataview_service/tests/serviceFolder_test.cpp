// The data folder of "system2.ini" as a path on this system.
#include "platform/shell/shell.h"
#include "talvik/dataview_service/serviceFolder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ServiceDataFolder, WindowsPathsMapToThisSystem)
{
    QTemporaryDir home;
    qputenv("TALVIK_HOME", home.path().toUtf8());
    const QString program = platform::shell::programFolder();
    EXPECT_EQ(talvik::serviceDataFolder(QStringLiteral("C:\\data\\srv")), QStringLiteral("/data/srv"));
    EXPECT_EQ(talvik::serviceDataFolder(QStringLiteral("d:\\data\\srv\\")), QStringLiteral("/data/srv"));
    EXPECT_EQ(talvik::serviceDataFolder(QStringLiteral("\\data\\srv")), QStringLiteral("/data/srv"));
    EXPECT_EQ(talvik::serviceDataFolder(QStringLiteral("/data/srv")), QStringLiteral("/data/srv"));
    // Relative: below the program folder, with or without a drive.
    EXPECT_EQ(talvik::serviceDataFolder(QStringLiteral("input\\srv")), program + QStringLiteral("/input/srv"));
    EXPECT_EQ(talvik::serviceDataFolder(QStringLiteral("C:input")), program + QStringLiteral("/input"));
    EXPECT_EQ(talvik::serviceDataFolder(QString()), QString());
    EXPECT_EQ(talvik::serviceDataFolder(QStringLiteral("  ")), QString());
    qunsetenv("TALVIK_HOME");
}
