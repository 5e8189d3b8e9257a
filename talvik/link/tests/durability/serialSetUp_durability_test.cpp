// The serial settings dialog when "Serial.ini" cannot be written (a full
// file system, a read-only program folder): OK clicked by the user shows the
// cause, the file stays byte-identical with no temporary file beside it, the
// serial link keeps its settings, the port is not reopened and the dialog
// stays open; "キャンセル" then closes it as usual.
#include "platform/codepage/codepage.h"
#include "platform/comm/portpath.h"
#include "platform/comm/scriptedport.h"
#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/dialogscript.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/frmSerialSetUp.h"
#include "tests/inputEvents.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>
#include <optional>

using namespace talvik;
using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::ReadOnlyFolder;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;

namespace {

const QString kIni = QStringLiteral(
    "[通信設定]\r\nポート=3\r\nボーレート=9600\r\nパリティ=E\r\nビット長=7\r\nストップビット=2\r\nフロー制御=2\r\n");

class SerialIniUnwritable : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedHome = qgetenv("TALVIK_HOME");
        qputenv("TALVIK_HOME", disk.folder().toUtf8());
        platform::forms::DialogScript::setUnexpectedDialogHandler(
            [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
        script.emplace();
        platform::comm::setComPortResolver([](int n) { return QStringLiteral("/dev/scripted%1").arg(n); });
        platform::comm::setDefaultPortFactory([this] {
            ++portsMade;
            return std::make_unique<platform::comm::ScriptedPort>();
        });
        QFile f(disk.folder() + QStringLiteral("/Serial.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(platform::codepage::toAnsi(kIni));
        f.close();
        serial = std::make_unique<clsSerialController>();
        serialController = serial.get();
        ASSERT_EQ(serial->Bps(), QStringLiteral("9600"));
    }
    void TearDown() override
    {
        serialController = nullptr;
        serial.reset();
        platform::comm::setDefaultPortFactory({});
        platform::comm::setComPortResolver({});
        script.reset();
        platform::forms::DialogScript::setUnexpectedDialogHandler({});
        if (m_savedHome.isEmpty())
            qunsetenv("TALVIK_HOME");
        else
            qputenv("TALVIK_HOME", m_savedHome);
    }

    // Opens the dialog, changes port and baud rate by the keyboard, makes the
    // folder unwritable and clicks OK; the message is checked against `cause`.
    void okOnUnwritableFolder(const std::function<void()> &makeUnwritable, const QString &cause)
    {
        frmSerialSetUp dlg;
        dlg.Show();
        ASSERT_EQ(dlg.cmbPort.ListIndex(), 3);
        linktest::arrowKeys(dlg.cmbPort, 1);
        linktest::arrowKeys(dlg.cmbBps, 2);
        ASSERT_EQ(dlg.cmbPort.ListIndex(), 4);
        ASSERT_EQ(dlg.cmbBps.Text(), QStringLiteral("19200"));
        ASSERT_TRUE(dlg.cmdSet.Enabled());

        const auto before = snapshotFolder(disk.folder());
        makeUnwritable();
        QString prompt;
        script->answerNextWith([&](const platform::forms::ShownDialog &box) {
            prompt = box.prompt;
            return platform::forms::vbOK;
        });
        linktest::click(dlg.cmdOK);

        EXPECT_TRUE(script->verify());
        EXPECT_TRUE(prompt.startsWith(QStringLiteral("通信設定を保存できませんでした。\r\n\""))) << prompt.toStdString();
        EXPECT_TRUE(prompt.contains(QStringLiteral("Serial.ini\" に書き込めませんでした。"))) << prompt.toStdString();
        EXPECT_TRUE(prompt.endsWith(cause)) << prompt.toStdString();
        EXPECT_EQ(snapshotFolder(disk.folder()), before);
        EXPECT_TRUE(temporaryLeftovers(disk.folder()).isEmpty());
        // The link keeps its settings and the port stays closed.
        EXPECT_EQ(serial->Port(), 3);
        EXPECT_EQ(serial->Bps(), QStringLiteral("9600"));
        EXPECT_EQ(serial->Parity(), QStringLiteral("E"));
        EXPECT_EQ(serial->Flow(), 2);
        EXPECT_EQ(portsMade, 0);
        EXPECT_FALSE(serial->IsOpen());
        // The dialog stays open with the user's choice; cancel closes it.
        ASSERT_TRUE(dlg.isLoaded());
        EXPECT_EQ(dlg.cmbPort.ListIndex(), 4);
        EXPECT_TRUE(dlg.cmdSet.Enabled());
        linktest::click(dlg.cmdExit);
        EXPECT_FALSE(dlg.isLoaded());
        EXPECT_EQ(serial->Port(), 3);
    }

    FullDisk disk;
    std::optional<platform::forms::DialogScript> script;
    std::unique_ptr<clsSerialController> serial;
    int portsMade = 0;

private:
    QByteArray m_savedHome;
};

} // namespace

TEST_F(SerialIniUnwritable, FullFileSystemKeepsAllSixKeysAndTheDialogSaysWhy)
{
    okOnUnwritableFolder([this] { disk.fill(); }, QStringLiteral("ディスクの空き領域が不足しています。"));
}

TEST_F(SerialIniUnwritable, ReadOnlyFolderKeepsTheFileAndTheDialogSaysWhy)
{
    // As root the folder is a read-only mount (or refused as one); otherwise
    // its permissions forbid the write.
    const QString cause = ::geteuid() == 0 ? QStringLiteral("読み取り専用のファイルシステムです。")
                                           : QStringLiteral("書き込みが許可されていません。");
    std::optional<ReadOnlyFolder> readOnly;
    okOnUnwritableFolder([&] { readOnly.emplace(disk.folder()); }, cause);
}
