// A drop-down whose watch outlives the application object: stopping it at
// the end of a program must not touch the application that is gone. The
// scene runs in a process of its own (dropdownExitProbe), since the
// application object of this test program lives for the whole run.
#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(DropDownAfterApplication, AWatchStoppedAfterTheApplicationIsGoneEndsCleanly)
{
    QProcess probe;
    probe.setProgram(QStringLiteral(DROPDOWN_EXIT_PROBE));
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start();
    ASSERT_TRUE(probe.waitForStarted(10000)) << probe.errorString().toStdString();
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished(5000);
        FAIL() << "the probe did not end";
    }
    const std::string output = QString::fromLocal8Bit(probe.readAll()).toStdString();
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(probe.exitCode(), 0) << output;
}

} // namespace
