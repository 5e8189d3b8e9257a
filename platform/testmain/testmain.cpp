// Shared main of every test executable: the program's application object
// (offscreen in CTest) exists for the whole run, so window, timer and serial
// code can be tested, and an error that leaves an event handler is caught and
// shown as the program does (a box no test scripted fails that test).
//
// Every temporary file of the run lives in one folder of the run, removed
// when the run ends: TMPDIR points there for the tests and for every child
// process (death tests run the test program again and end without cleaning
// up; their folders go with the run's). The user's configuration folder is
// one of this run alone, so tests that do not name their own registry file
// neither read nor change the user's (a library registered there by another
// build would be loaded in place of the one under test). Screenshots go to
// the build folder's "artifacts" when the runner names no folder.
#include "platform/forms/application.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr char kRunFolderVariable[] = "TALVIK_TEST_RUN_FOLDER";

// The folder of the test executable (the build folder's "bin").
QString executableFolder()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? QString() : QString::fromStdString(exe.parent_path().string());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString binFolder = executableFolder();
    if (qEnvironmentVariableIsEmpty("TALVIK_TEST_ARTIFACTS") && !binFolder.isEmpty())
        qputenv("TALVIK_TEST_ARTIFACTS", QFile::encodeName(QDir::cleanPath(binFolder + QStringLiteral("/../artifacts"))));

    // A child of a run (a death test) works in its parent's folders.
    std::unique_ptr<QTemporaryDir> runFolder;
    if (qEnvironmentVariableIsEmpty(kRunFolderVariable)) {
        // CTest points TMPDIR into the build folder. The name is short:
        // socket paths and file names printed in reports have limits.
        if (const QString tmp = qEnvironmentVariable("TMPDIR"); !tmp.isEmpty())
            QDir().mkpath(tmp);
        runFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/run-XXXXXX"));
        if (runFolder->isValid()) {
            const QByteArray path = QFile::encodeName(runFolder->path());
            QDir().mkpath(runFolder->path() + QStringLiteral("/config"));
            qputenv(kRunFolderVariable, path);
            qputenv("TMPDIR", path);
            qputenv("XDG_CONFIG_HOME", path + "/config");
        }
    }
    int code = 0;
    {
        platform::forms::Application app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        code = RUN_ALL_TESTS();
    }
    if (runFolder) {
        // Folders a test made read-only are made writable first so that the
        // whole run folder can go.
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::recursive_directory_iterator it(runFolder->path().toStdString(),
                                            fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            std::error_code ignored;
            if (it->is_directory(ignored))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        // Removed by bytes: names that are no valid text (CP932 names an
        // outside extractor wrote) defeat Qt's own removal.
        fs::remove_all(QFile::encodeName(runFolder->path()).toStdString(), ec);
    }
    return code;
}
