// The serial settings dialog: what it shows, what apply saves, and that the
// port is reopened with the new settings.
#include "platform/codepage/codepage.h"
#include "platform/comm/portpath.h"
#include "platform/comm/scriptedport.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/frmSerialSetUp.h"
#include "tests/inputEvents.h"
#include "tests/linkHarness.h"

#include <QFile>
#include <QTimer>

using namespace talvik;
using namespace linktest;

namespace {

struct SetUpDialog : ::testing::Test {
    LinkEnv env;
    platform::comm::ScriptedPort *port = nullptr;
    std::unique_ptr<clsSerialController> serial;

    void SetUp() override
    {
        platform::comm::setComPortResolver([](int n) { return QStringLiteral("/dev/scripted%1").arg(n); });
        platform::comm::setDefaultPortFactory([this] {
            auto p = std::make_unique<platform::comm::ScriptedPort>();
            port = p.get();
            return p;
        });
        serial = std::make_unique<clsSerialController>();
        serialController = serial.get();
    }
    void TearDown() override
    {
        serialController = nullptr;
        serial.reset();
        platform::comm::setDefaultPortFactory({});
        platform::comm::setComPortResolver({});
    }
    QByteArray iniBytes()
    {
        QFile f(env.home.path() + "/Serial.ini");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(SetUpDialog, ShowsDefaultsAndOutOfListValues)
{
    frmSerialSetUp dlg;
    dlg.Load();
    EXPECT_EQ(dlg.cmbPort.Text(), "<USB>");
    EXPECT_EQ(dlg.cmbBps.Text(), "19200");
    EXPECT_EQ(dlg.cmbParity.Text(), "N：無し");
    EXPECT_EQ(dlg.cmbBit.Text(), "8");
    EXPECT_EQ(dlg.cmbSBit.Text(), "1");
    EXPECT_EQ(dlg.cmbFlow.Text(), "0:ﾊﾝﾄﾞｼｪｲｸ無し");
    EXPECT_FALSE(dlg.cmdSet.Enabled());
    EXPECT_EQ(dlg.cmbPort.List(3), "3 ");
    EXPECT_EQ(dlg.cmbFlow.List(3), "3:RTS/CTS & XON/OFF ");

    serial->setPort(17);
    serial->setBps("4800");
    dlg.SetSerialContoller(serial.get());
    EXPECT_EQ(dlg.cmbPort.ListIndex(), 0);
    EXPECT_EQ(dlg.cmbBps.Text(), "300");
    dlg.Unload();
}

TEST_F(SetUpDialog, ApplySavesSerialIniAndReopensThePort)
{
    serial->setPort(2);
    ASSERT_TRUE(serial->openPort());
    frmSerialSetUp dlg;
    dlg.Load();
    dlg.cmbPort.setListIndex(3);
    EXPECT_TRUE(dlg.cmdSet.Enabled()); // only the port list enables apply
    dlg.cmbBps.setListIndex(4);
    dlg.cmbParity.setListIndex(0);
    dlg.cmbBit.setListIndex(0);
    dlg.cmbSBit.setListIndex(1);
    dlg.cmbFlow.setListIndex(2);
    dlg.cmdSet.setValue(true);
    EXPECT_FALSE(dlg.cmdSet.Enabled());
    EXPECT_EQ(iniBytes(), platform::codepage::toAnsi(QStringLiteral(
                              "[通信設定]\r\nポート=3\r\nボーレート=9600\r\nパリティ=E\r\nビット長=7\r\n"
                              "ストップビット=2\r\nフロー制御=2\r\n")));
    ASSERT_TRUE(serial->IsOpen());
    EXPECT_EQ(port->openedPath(), "/dev/scripted3");
    EXPECT_EQ(port->settings().baudRate, 9600);
    EXPECT_EQ(port->settings().parity, platform::comm::Parity::Even);
    EXPECT_EQ(port->settings().dataBits, 7);
    EXPECT_EQ(port->handshake(), platform::comm::Handshake::RtsCts);
    EXPECT_TRUE(env.script.shown().isEmpty());
}

TEST_F(SetUpDialog, OkAppliesCancelLeavesAllAlone)
{
    frmSerialSetUp dlg;
    dlg.Load();
    dlg.cmbBps.setListIndex(0); // does not enable apply; OK still applies
    EXPECT_FALSE(dlg.cmdSet.Enabled());
    dlg.cmdOK.setValue(true);
    EXPECT_FALSE(dlg.isLoaded());
    EXPECT_EQ(serial->Bps(), "300");
    EXPECT_TRUE(iniBytes().contains("=300\r\n"));

    QFile::remove(env.home.path() + "/Serial.ini");
    dlg.Load();
    dlg.cmbBps.setListIndex(7);
    dlg.cmdExit.setValue(true);
    EXPECT_EQ(serial->Bps(), "300");
    EXPECT_TRUE(iniBytes().isEmpty());
}

TEST_F(SetUpDialog, ShownModallyItTakesTheKeysAndAClickOnOkAndReturns)
{
    // As the program shows it: modally, over its owner; a person picks
    // 7 data bits with the arrow key and clicks OK.
    frmSerialSetUp dlg;
    bool acted = false;
    QTimer::singleShot(0, &dlg, [&] {
        acted = true;
        if (!QTest::qWaitForWindowExposed(dlg.widget()))
            return;
        dlg.cmbBit.widget()->setFocus();
        linktest::arrowKeys(dlg.cmbBit, -1);
        linktest::click(dlg.cmdOK);
    });
    QTimer::singleShot(10000, &dlg, [&] {
        if (dlg.isLoaded()) {
            ADD_FAILURE() << "the modal dialog did not close";
            dlg.Unload();
        }
    });
    dlg.Show(platform::forms::vbModal);
    EXPECT_TRUE(acted);
    EXPECT_FALSE(dlg.isLoaded());
    EXPECT_EQ(serial->Bit(), "7");
    EXPECT_TRUE(iniBytes().contains("=7\r\n"));
}

TEST_F(SetUpDialog, ApplyWithoutASerialLinkWarns)
{
    serialController = nullptr;
    env.script.answerNext(platform::forms::vbOK);
    frmSerialSetUp dlg;
    dlg.Load();
    dlg.cmdSet.setValue(true);
    ASSERT_EQ(env.script.shown().size(), 1);
    EXPECT_EQ(env.script.shown()[0].prompt, "通信ポートが開けません｡　電源、接続及び通信設定を確認してください。 ");
    EXPECT_EQ(env.script.shown()[0].title, "シリアル通信異常");
    EXPECT_TRUE(env.script.verify());
}

// Values the lists cannot show (a hand-edited port 17, 4800 baud, parity
// "M"): the dialog shows the first entry, but only a choice of the user in
// that list replaces the value.
TEST_F(SetUpDialog, ValuesOutsideTheListsSurviveUnlessTheirListIsChosen)
{
    QFile f(env.home.path() + "/Serial.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(platform::codepage::toAnsi(QStringLiteral(
        "[通信設定]\r\nポート=17\r\nボーレート=4800\r\nパリティ=M\r\nビット長=8\r\nストップビット=1\r\nフロー制御=7\r\n")));
    f.close();
    serial = std::make_unique<clsSerialController>();
    serialController = serial.get();
    ASSERT_EQ(serial->Port(), 17);

    frmSerialSetUp dlg;
    dlg.Show();
    EXPECT_EQ(dlg.cmbPort.Text(), "<USB>");
    EXPECT_EQ(dlg.cmbBps.Text(), "300");
    EXPECT_EQ(dlg.cmbParity.ListIndex(), 0);
    EXPECT_EQ(dlg.cmbFlow.ListIndex(), 0);
    // OK alone: every working value is written back as it was.
    linktest::click(dlg.cmdOK);
    EXPECT_FALSE(dlg.isLoaded());
    EXPECT_EQ(serial->Port(), 17);
    EXPECT_EQ(serial->Bps(), "4800");
    EXPECT_EQ(serial->Parity(), "M");
    EXPECT_EQ(serial->Flow(), 7);
    EXPECT_EQ(iniBytes(), platform::codepage::toAnsi(QStringLiteral(
                              "[通信設定]\r\nポート=17\r\nボーレート=4800\r\nパリティ=M\r\nビット長=8\r\n"
                              "ストップビット=1\r\nフロー制御=7\r\n")));

    // A choice in another list leaves them too.
    dlg.Show();
    linktest::arrowKeys(dlg.cmbBit, -1);
    EXPECT_EQ(dlg.cmbBit.Text(), "7");
    linktest::click(dlg.cmdOK);
    EXPECT_EQ(serial->Bit(), "7");
    EXPECT_EQ(serial->Port(), 17);
    EXPECT_EQ(serial->Bps(), "4800");

    // Choosing in a list takes that list, even its first entry.
    dlg.Show();
    linktest::arrowKeys(dlg.cmbBps, 1);
    linktest::arrowKeys(dlg.cmbBps, -1);
    EXPECT_EQ(dlg.cmbBps.Text(), "300");
    linktest::arrowKeys(dlg.cmbPort, 2);
    linktest::click(dlg.cmdOK);
    EXPECT_EQ(serial->Bps(), "300");
    EXPECT_EQ(serial->Port(), 2);
    EXPECT_EQ(serial->Parity(), "M");
    EXPECT_EQ(serial->Flow(), 7);
    EXPECT_TRUE(env.script.shown().isEmpty());
}
