// Shared main of every test executable: a QApplication (offscreen in CTest)
// exists for the whole run, so window, timer and serial code can be tested.
// The user's configuration folder is one of this run alone, so tests that do
// not name their own registry file neither read nor change the user's (a
// library registered there by another build would be loaded in place of the
// one under test).
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configFolder;
    if (configFolder.isValid())
        qputenv("XDG_CONFIG_HOME", configFolder.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
