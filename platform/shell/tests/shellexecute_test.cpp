// Running a program through the shell's run-or-open call, and the recorder
// that tests put in its place.
#include "platform/shell/shellexecute.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace sh = platform::shell;

namespace {

TEST(ShellExecuteTest, StartsAProgramWithItsParametersAndReportsAMissingOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath(QStringLiteral("tool.sh"));
    const QString marker = dir.filePath(QStringLiteral("ran.txt"));
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\necho \"$1\" > \"$2\"\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    sh::ShellExecuteRequest r;
    r.file = script;
    r.parameters = QStringLiteral("hello \"%1\"").arg(marker);
    EXPECT_GT(sh::ShellExecute(r), 32);
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(marker) && t.elapsed() < 5000)
        QThread::msleep(10);
    QThread::msleep(50);
    QFile out(marker);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << "the program ran";
    EXPECT_EQ(out.readAll(), QByteArray("hello\n"));

    r.file = dir.filePath(QStringLiteral("missing.exe"));
    EXPECT_EQ(sh::ShellExecute(r), sh::SE_ERR_FNF);
    r.file.clear();
    EXPECT_EQ(sh::ShellExecute(r), sh::SE_ERR_FNF);
}

TEST(ShellExecuteTest, ARecorderTakesRequestsInsteadOfRunningThem)
{
    std::vector<sh::ShellExecuteRequest> seen;
    sh::SetShellExecuteRecorder([&](const sh::ShellExecuteRequest &r) {
        seen.push_back(r);
        return std::intptr_t{42};
    });
    sh::ShellExecuteRequest r;
    r.verb = QStringLiteral("open");
    r.file = QStringLiteral("https://example.com/");
    EXPECT_EQ(sh::ShellExecute(r), 42);
    sh::SetShellExecuteRecorder(nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].verb, QStringLiteral("open"));
    EXPECT_EQ(seen[0].file, QStringLiteral("https://example.com/"));
    EXPECT_EQ(seen[0].show, sh::SW_SHOWNORMAL);
}

} // namespace
