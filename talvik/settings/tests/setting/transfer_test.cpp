// The settings window against the stand-in device on a pseudo-terminal,
// through the real serial link: reads and writes for every detector model,
// the frames the device hears, refused customer numbers, NAKs, time-outs,
// "System.ini" and the settings log.
#include "settingFixture.h"

#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"

#include "platform/fileio/durable.h"

#include <QFileInfo>

#include <cerrno>
#include <QTest>

using namespace talvik;
using namespace settingtest;
namespace fm = platform::forms;

namespace {

const QString kReadDone = QStringLiteral("読み込みは正常に終了しました。");
const QString kWriteDone = QStringLiteral("登録は正常に終了しました。");
const QString kConfirm = QStringLiteral("設定データを登録します。\rよろしいですか？");
const QString kWcRefused = QStringLiteral("お客さま番号の登録は行えません。\r\rお客さま番号以外の設定を登録しますか？");

struct ModelCase {
    devicesim::Model model;
    QByteArray letters; // settings command letters after R / W
};

class TransferTest : public SettingFixture {
protected:
    frmSetting &connectAndOpen(devicesim::Model model)
    {
        connectDevice(model);
        mainForm->cmdSetting.setValue(true);
        return window();
    }
    void read(frmSetting &w)
    {
        expectBox(kReadDone, fm::vbInformation);
        w.tlbSetting.clickButton(QStringLiteral("ReadSetting"));
        ASSERT_TRUE(waitForBoxes());
        pump(50);
    }
    void write(frmSetting &w, const QString &endMessage, int endStyle)
    {
        expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
        expectBox(endMessage, endStyle);
        w.tlbSetting.clickButton(QStringLiteral("WriteSetting"));
        ASSERT_TRUE(waitForBoxes(8000));
        pump(50);
    }
    QList<QByteArray> requests() const { return m_sim->device().requests(); }
    QByteArray customer() const { return m_sim->device().customers().value(0).number; }
    // The frame the device hears for a settings write of `text`.
    static QByteArray frame(const QByteArray &command, const QByteArray &text)
    {
        return QByteArray(1, '\x02') + command + text + QByteArray(1, '\x03');
    }
    int countOf(const QByteArray &command) const
    {
        int n = 0;
        for (const QByteArray &r : requests())
            n += r.mid(1, command.size()) == command;
        return n;
    }
    QString systemIni() const { return QString::fromLatin1(readBytes(homeFile(QStringLiteral("System.ini")))); }
};

} // namespace

TEST_F(TransferTest, ReadThenWriteWithoutEditsSendsBackWhatWasReadOnEveryModel)
{
    const ModelCase cases[] = {{devicesim::Model::T4KA10, "S"},
                               {devicesim::Model::T4KA, "SA"},
                               {devicesim::Model::T4KB, "SA"},
                               {devicesim::Model::T6KA, "SB"}};
    for (const ModelCase &c : cases) {
        SCOPED_TRACE(devicesim::modelName(c.model).toStdString());
        frmSetting &w = connectAndOpen(c.model);
        const QByteArray stored = m_sim->device().settingsText();
        read(w);
        const QList<QByteArray> heard = requests();
        ASSERT_GE(heard.size(), 2);
        EXPECT_EQ(heard[heard.size() - 2], QByteArray("\x02RC\x03"));
        EXPECT_EQ(heard.last(), QByteArray("\x02R") + c.letters + QByteArray("\x03"));
        EXPECT_EQ(w.txtCustomerID.Text(), QString::fromLatin1(customer()));
        EXPECT_EQ(w.numWatt.Text(), QString::number(stored.left(4).toInt() / 10));
        EXPECT_FALSE(commBusy);

        // Written back unchanged: WC with the number, then the settings
        // frame byte for byte as the device keeps it.
        write(w, kWriteDone, fm::vbInformation);
        const QList<QByteArray> after = requests();
        ASSERT_GE(after.size(), 2);
        EXPECT_EQ(after[after.size() - 2], QByteArray("\x02WC") + customer() + QByteArray("\x03"));
        EXPECT_EQ(after.last(), frame("W" + c.letters, stored));
        EXPECT_EQ(m_sim->device().settingsText(), stored);
        EXPECT_TRUE(w.logChanged);
        EXPECT_FALSE(commBusy);
        ASSERT_TRUE(w.Unload());
        closeProgram();
        m_sim.reset();
        ASSERT_TRUE(Main());
    }
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, EditedValuesReachTheDeviceTheLogAndSystemIni)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T6KA);
    read(w);
    type(w.txtCustomerID, QStringLiteral("123456789"));
    type(w.numWatt, QStringLiteral("85"));
    type(w.numPulseF2, QStringLiteral("200"));
    type(w.numSkipTime, QStringLiteral("3"));
    type(w.numWLevel2, QStringLiteral("95"));
    QTest::mouseClick(w.optPulButtons(1).widget(), Qt::LeftButton);
    EXPECT_EQ(w.numWatt.BackColor(), colorChanged);
    EXPECT_EQ(w.optPulButtons(1).BackColor(), colorChanged);
    const int linesBefore = w.lstLogs.ListCount();
    write(w, kWriteDone, fm::vbInformation);
    EXPECT_EQ(requests()[requests().size() - 2], QByteArray("\x02WC123456789\x03"));
    EXPECT_EQ(requests().last(), frame("WSB", QByteArray("0850" "200" "03" "095" "02000") + QByteArray(15, ' ')));
    EXPECT_EQ(m_sim->device().customers().value(0).number, QByteArray("123456789"));
    // Every highlight is reset by the end message.
    EXPECT_EQ(w.numWatt.BackColor(), colorWhite);
    EXPECT_EQ(w.optPulButtons(1).BackColor(), colorButtonFace);
    // The log line and "System.ini" section "5".
    ASSERT_EQ(w.lstLogs.ListCount(), linesBefore + 1);
    EXPECT_TRUE(w.lstLogs.List(0).endsWith(
        QStringLiteral("設定変更 お客さま番号:123456789, デマンド:85.0KW, 電力計:200/5, スキップタイム:3分, "
                       "注意レベル:95%, パルス定数:2000")))
        << w.lstLogs.List(0).toStdString();
    EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("5"), QStringLiteral("デマンド設定")),
              QStringLiteral("0850"));
    EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("5"), QStringLiteral("パルス定数")),
              QStringLiteral("02000"));
    EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("5"), QStringLiteral("バージョン")),
              QStringLiteral("<missing>"));
    // Closing writes the log file.
    ASSERT_TRUE(w.Unload());
    const QByteArray log = readBytes(homeFile(QStringLiteral("dDB/download.log")));
    EXPECT_TRUE(log.contains("\r\n") || log.endsWith('\n'));
    EXPECT_TRUE(log.contains(cp932(QStringLiteral("パルス定数:2000"))));
    // Opened again, the window shows the last T6KA settings.
    mainForm->cmdSetting.setValue(true);
    EXPECT_EQ(window().numWatt.Text(), QStringLiteral("85"));
    EXPECT_TRUE(window().optPulButtons(1).Value());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, T4kbWriteTouchesOnlyItsSectionOfSystemIni)
{
    const QByteArray others = cp932(QStringLiteral(
        "[2]\nお客さま番号=111111111\nデマンド設定=1000\n\n[5]\nお客さま番号=555555555\nデマンド設定=3000\n"));
    writeBytes(homeFile(QStringLiteral("System.ini")), others);
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    read(w);
    write(w, kWriteDone, fm::vbInformation);
    const QByteArray ini = readBytes(homeFile(QStringLiteral("System.ini")));
    EXPECT_TRUE(ini.startsWith(others)) << ini.toStdString();
    EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("3"), QStringLiteral("デマンド設定")),
              QStringLiteral("2500"));
    EXPECT_EQ(iniValue(QStringLiteral("System.ini"), QStringLiteral("2"), QStringLiteral("デマンド設定")),
              QStringLiteral("1000"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, RefusedCustomerNumberAsksAndWritesTheRest)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    read(w);
    m_sim->device().faults().add(QStringLiteral("WC:alwaysnak"));
    type(w.numWatt, QStringLiteral("300"));
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    m_script->answerNextWith([&](const fm::ShownDialog &box) {
        EXPECT_EQ(box.prompt, kWcRefused);
        EXPECT_EQ(box.style, fm::vbYesNo + fm::vbExclamation);
        EXPECT_EQ(w.txtCustomerID.BackColor(), colorButtonFace);
        return fm::vbYes;
    });
    expectBox(kWriteDone, fm::vbInformation);
    w.mnuWriteSetting.click();
    ASSERT_TRUE(waitForBoxes(10000));
    EXPECT_EQ(countOf("WC"), 4); // sent once, resent three times
    EXPECT_EQ(requests().last(), frame("WSA", "3000" "100" "10" "080"));
    EXPECT_EQ(m_sim->device().customers().value(0).number, customer());

    // Answered No: nothing more is sent and nothing is recorded.
    const int heard = requests().size();
    const QByteArray ini = readBytes(homeFile(QStringLiteral("System.ini")));
    const int lines = w.lstLogs.ListCount();
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    expectBox(kWcRefused, fm::vbYesNo + fm::vbExclamation, fm::vbNo);
    w.mnuWriteSetting.click();
    ASSERT_TRUE(waitForBoxes(10000));
    pump(200);
    EXPECT_EQ(requests().size(), heard + 4);
    EXPECT_EQ(readBytes(homeFile(QStringLiteral("System.ini"))), ini);
    EXPECT_EQ(w.lstLogs.ListCount(), lines);
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, ThreeNaksThenAckIsAWrite)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KA);
    read(w);
    m_sim->device().faults().add(QStringLiteral("WSA:nak:3"));
    write(w, kWriteDone, fm::vbInformation);
    EXPECT_EQ(countOf("WSA"), 4);
    EXPECT_NE(iniValue(QStringLiteral("System.ini"), QStringLiteral("3"), QStringLiteral("デマンド設定")),
              QStringLiteral("<missing>"));
    EXPECT_TRUE(w.lstLogs.List(0).contains(QStringLiteral("設定変更 ")));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, FourNaksRecordNothing)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KA);
    read(w);
    m_sim->device().faults().add(QStringLiteral("WSA:alwaysnak"));
    const int lines = w.lstLogs.ListCount();
    write(w, QStringLiteral("登録に失敗しました。"), fm::vbCritical);
    EXPECT_EQ(countOf("WSA"), 4);
    EXPECT_FALSE(QFileInfo::exists(homeFile(QStringLiteral("System.ini"))));
    EXPECT_EQ(w.lstLogs.ListCount(), lines);
    EXPECT_FALSE(w.logChanged);
    EXPECT_FALSE(commBusy);
    // The device answered: it stays known.
    EXPECT_EQ(w.txtVerDisp.Text(), QStringLiteral("T4KA Ver2.1     "));
    EXPECT_EQ(deviceVersion, QStringLiteral("T4KA Ver2.1     "));
    // Closed after a failed write only: no log file.
    ASSERT_TRUE(w.Unload());
    EXPECT_FALSE(QFileInfo::exists(homeFile(QStringLiteral("dDB/download.log"))));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, TimeOutsOfTheSettingsAndOfTheCustomerNumber)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    // The settings reply never comes.
    m_sim->device().faults().add(QStringLiteral("RSA:silence"));
    m_script->answerNextWith([](const fm::ShownDialog &box) {
        EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("ﾀｲﾑｱｳﾄが発生しました。"))) << box.prompt.toStdString();
        EXPECT_EQ(box.style, fm::vbCritical);
        return fm::vbOK;
    });
    w.mnuReadSetting.click();
    ASSERT_TRUE(waitForBoxes());
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(deviceVersion.isEmpty());
    EXPECT_EQ(w.txtVerDisp.Text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報無し"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, CustomerNumberTimeOutStillReadsTheSettings)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    m_sim->device().faults().add(QStringLiteral("RC:silencex1"));
    // The field as it stands when the settings request goes out.
    quint32 colourDuringRead = 0;
    QString textDuringRead = QStringLiteral("<not seen>");
    QObject::connect(&m_sim->device(), &devicesim::Device::logged, [&](const devicesim::LogEntry &e) {
        if (e.direction == devicesim::LogEntry::In && e.bytes.mid(1, 3) == "RSA") {
            colourDuringRead = w.txtCustomerID.BackColor();
            textDuringRead = w.txtCustomerID.Text();
        }
    });
    read(w);
    EXPECT_EQ(textDuringRead, QString());
    EXPECT_EQ(colourDuringRead, colorButtonFace);
    // The end message resets every background.
    EXPECT_EQ(w.txtCustomerID.Text(), QString());
    EXPECT_EQ(w.txtCustomerID.BackColor(), colorWhite);
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("250"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, DeviceWithoutCustomerNumberReadsNothing)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    m_sim->device().customers().clear();
    const QString watt = w.numWatt.Text();
    expectBox(QStringLiteral("読み出しデータはありません。"), fm::vbInformation);
    w.mnuReadSetting.click();
    ASSERT_TRUE(waitForBoxes());
    EXPECT_EQ(countOf("RSA"), 0);
    EXPECT_EQ(w.numWatt.Text(), watt);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, EmptyErrorClearsTheBusyFlagSilently)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    commBusy = true;
    emit w.protocol()->OnError(QString());
    EXPECT_FALSE(commBusy);
    EXPECT_TRUE(deviceVersion.isEmpty());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, VersionRequestDuringATransferLeavesTheWindowAlone)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T6KA);
    type(w.numWatt, QStringLiteral("222"));
    m_sim->device().faults().add(QStringLiteral("RC:delay:600x1"));
    expectBox(kReadDone, fm::vbInformation);
    w.mnuReadSetting.click();
    // The main window identifies the device again meanwhile.
    w.cmdReadVersionClick();
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("222"));
    ASSERT_TRUE(waitForBoxes());
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("300"));
    // Afterwards it re-lays the window out again.
    w.cmdReadVersionClick();
    EXPECT_EQ(w.modelCode, 5);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, WriteRefusals)
{
    frmSetting &w = openWith(QString());
    expectBox(frmSetting::kCheckConnection, fm::vbExclamation);
    w.mnuWriteSetting.click();
    ASSERT_TRUE(w.Unload());
    frmSetting &v = openWith(kT4kb);
    type(v.txtCustomerID, QString());
    expectBox(QStringLiteral("お客さま番号が不正です。"), fm::vbExclamation);
    v.mnuWriteSetting.click();
    type(v.txtCustomerID, QStringLiteral("123456789"));
    expectBox(kConfirm, fm::vbYesNo, fm::vbNo);
    v.mnuWriteSetting.click();
    EXPECT_FALSE(QFileInfo::exists(homeFile(QStringLiteral("System.ini"))));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, ConfirmedWriteWhoseSystemIniCannotBeWrittenIsTold)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T4KB);
    read(w);
    namespace fio = platform::fileio;
    fio::faults::ScopedFaultHook hook([](fio::faults::Step step, const QString &path, qint64) {
        return step == fio::faults::Step::Rename && path.contains(QStringLiteral("System.ini")) ? EROFS : 0;
    });
    expectBox(kConfirm, fm::vbYesNo, fm::vbYes);
    m_script->answerNextWith([](const fm::ShownDialog &box) {
        EXPECT_TRUE(box.prompt.contains(QStringLiteral("System.ini"))) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(fio::describeSystemError(EROFS))) << box.prompt.toStdString();
        return fm::vbOK;
    });
    expectBox(kWriteDone, fm::vbInformation);
    w.mnuWriteSetting.click();
    ASSERT_TRUE(waitForBoxes(8000));
    // The device took the settings: the log says so all the same.
    EXPECT_TRUE(w.lstLogs.List(0).contains(QStringLiteral("設定変更 ")));
    EXPECT_FALSE(QFileInfo::exists(homeFile(QStringLiteral("System.ini"))));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, NewRestoresTheDefaultsOfTheConnectedModel)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T6KA);
    read(w);
    w.tlbSetting.clickButton(QStringLiteral("New"));
    EXPECT_EQ(w.Caption(), QStringLiteral("監視設定 [新規作成]"));
    EXPECT_EQ(w.txtCustomerID.Text(), QStringLiteral("000000000"));
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("180"));
    EXPECT_EQ(w.numSkipTime.Text(), QStringLiteral("3"));
    EXPECT_EQ(w.numWLevel2.Text(), QStringLiteral("85"));
    EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("20"));
    // Remembered: an edit shows yellow.
    type(w.numWatt, QStringLiteral("181"));
    EXPECT_EQ(w.numWatt.BackColor(), colorChanged);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(TransferTest, UnpluggingTheDeviceTurnsTheWindowToNoDevice)
{
    frmSetting &w = connectAndOpen(devicesim::Model::T6KA);
    ASSERT_EQ(w.modelCode, 5);
    ASSERT_TRUE(w.fraPulse.Visible());
    m_sim->unplug();
    // Watch ticks until the main window has noticed that the adapter is gone.
    ASSERT_TRUE(waitFor([&] {
        mainForm->Timer1_Timer();
        return w.modelCode == 0;
    }, 5000));
    EXPECT_EQ(w.txtVerDisp.Text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報無し"));
    EXPECT_FALSE(w.fraPulse.Visible());
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("180"));
    EXPECT_EQ(w.Caption(), QStringLiteral("監視設定 [新規作成]"));
    EXPECT_TRUE(m_script->verify());
}
