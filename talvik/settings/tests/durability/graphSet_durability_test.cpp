// The graph options dialog when "Graph.ini" cannot be written (a full file
// system): OK and "適用" clicked by the user show the cause, the file stays
// byte-identical with no temporary file beside it, the applied options stay
// as they were, and the dialog stays open until "キャンセル".
#include "platform/codepage/codepage.h"
#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/dialogscript.h"
#include "talvik/settings/frmGraphSet.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;
using talvik::frmGraphSet;

namespace {

class GraphIniOnFullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedHome = qgetenv("TALVIK_HOME");
        qputenv("TALVIK_HOME", disk.folder().toUtf8());
        platform::forms::DialogScript::setUnexpectedDialogHandler(
            [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
        script.emplace();
        QFile f(disk.folder() + QStringLiteral("/Graph.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(platform::codepage::toAnsi(QStringLiteral("[グラフ]\r\nスケール=3\r\n出力値=1\r\n出力形式=0\r\n")));
    }
    void TearDown() override
    {
        script.reset();
        platform::forms::DialogScript::setUnexpectedDialogHandler({});
        if (m_savedHome.isEmpty())
            qunsetenv("TALVIK_HOME");
        else
            qputenv("TALVIK_HOME", m_savedHome);
    }
    // Answers the next message box, keeping its text.
    void expectMessage(QString &prompt)
    {
        script->answerNextWith([&prompt](const platform::forms::ShownDialog &box) {
            prompt = box.prompt;
            return platform::forms::vbOK;
        });
    }

    FullDisk disk;
    std::optional<platform::forms::DialogScript> script;

private:
    QByteArray m_savedHome;
};

void expectCause(const QString &prompt)
{
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("グラフ設定を保存できませんでした。\r\n\""))) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("Graph.ini\" に書き込めませんでした。"))) << prompt.toStdString();
    EXPECT_TRUE(prompt.endsWith(QStringLiteral("ディスクの空き領域が不足しています。"))) << prompt.toStdString();
}

} // namespace

TEST_F(GraphIniOnFullDisk, FailedApplyAndOkKeepTheOptionsAndTheFile)
{
    frmGraphSet form;
    ASSERT_EQ(form.scaleWeight(), 150);
    ASSERT_EQ(form.outvalue(), 1);
    form.Show();
    QTest::mouseClick(form.optGraphOutStyle(1).widget(), Qt::LeftButton);
    QTest::mouseClick(form.optGraphOutValue(0).widget(), Qt::LeftButton);
    ASSERT_TRUE(form.optGraphOutStyle(1).Value());
    ASSERT_TRUE(form.cmdGraphSet.Enabled());

    const auto before = snapshotFolder(disk.folder());
    disk.fill();
    QString prompt;
    expectMessage(prompt);
    QTest::mouseClick(form.cmdGraphSet.widget(), Qt::LeftButton);
    expectCause(prompt);
    EXPECT_TRUE(form.cmdGraphSet.Enabled()); // still to be applied
    EXPECT_EQ(form.outStyle(), 0);
    EXPECT_EQ(form.outvalue(), 1);

    prompt.clear();
    expectMessage(prompt);
    QTest::mouseClick(form.cmdGraphOK.widget(), Qt::LeftButton);
    expectCause(prompt);
    ASSERT_TRUE(form.isLoaded());
    EXPECT_TRUE(form.optGraphOutStyle(1).Value()); // the choice stays on screen
    EXPECT_EQ(form.outStyle(), 0);
    EXPECT_EQ(form.outvalue(), 1);
    EXPECT_EQ(form.scaleWeight(), 150);
    EXPECT_TRUE(script->verify());
    EXPECT_EQ(snapshotFolder(disk.folder()), before) << (disk.real() ? "tmpfs" : "modelled");
    EXPECT_TRUE(temporaryLeftovers(disk.folder()).isEmpty());

    QTest::mouseClick(form.cmdGraphClose.widget(), Qt::LeftButton);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(form.outStyle(), 0);
    EXPECT_EQ(form.outvalue(), 1);
}
