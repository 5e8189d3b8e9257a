// Every user command that writes, run once with the program folder on a full
// file system (a filled tmpfs when the test may mount one). For each the
// program goes on running (nothing reaches the last-resort handler, the
// windows stay usable, events are still handled), a message names the file
// and the cause of the failed write, and nothing stored before is lost.
// Device commands run end to end against the stand-in device.
#include "dataWindowFixture.h"
#include "settingFixture.h"

#include "platform/codepage/codepage.h"
#include "platform/comm/portpath.h"
#include "platform/fileio/linktree.h"
#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/application.h"
#include "platform/forms/constants.h"
#include "platform/forms/uisetup.h"
#include "talvik/core/basComVariables.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/frmWait.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/frmSerialSetUp.h"
#include "talvik/settings/frmGraphSet.h"
#include "talvik/settings/frmNewCustom.h"
#include "talvik/settings/frmSetting.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"
#include "talvik/store/demandTable.h"
#include "tools/devicesim/simulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace platform::forms;
using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;

namespace {

const QString kCause = QStringLiteral("ディスクの空き領域が不足しています。");

// A message names the cause: the program's wording, or the system's own text
// for a full disk (the archive extraction reports it that way).
bool namesCause(const QString &prompt)
{
    return prompt.contains(kCause) || prompt.contains(QStringLiteral("空き容量がありません"))
           || prompt.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)));
}
const QString kTokyo = QStringLiteral("\\dDB.tran\\東京工場");

using Files = QMap<QString, QByteArray>;

// One line of the demand table: YYMMDD, HHMM, watt (kW x 10).
QByteArray demandLine(const char *yymmdd, const char *hhmm, const char *watt)
{
    return QByteArray(yymmdd) + hhmm + watt + "202402011200\r\n";
}

class FullDiskCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(outside.isValid());
        platform::forms::setUpJapaneseUi();
        qputenv("TALVIK_HOME", home().toUtf8());
        talvik::appTitle = QStringLiteral("Orvantis");
        talvik::deviceLabel = QStringLiteral("検出器");
        talvik::deviceVersion.clear();
        talvik::commBusy = false;
        talvik::appLogs = nullptr;
        talvik::storeServices() = talvik::StoreServices();
        talvik::waitForm = &wait;
        // Every box is answered with its default and recorded; the checks
        // below read what was said.
        DialogScript::setUnexpectedDialogHandler([](const QString &) {});
        script = std::make_unique<DialogScript>();
        caughtBefore = Application::caughtErrors();
        RecordProperty("realFullDisk", disk.real() ? "yes" : "no");
        makeStore();
    }
    void TearDown() override
    {
        disk.release();
        if (w && w->isLoaded()) {
            w->setDataChanged(false);
            w->Unload();
        }
        w.reset();
        script.reset();
        DialogScript::setUnexpectedDialogHandler({});
        talvik::storeServices() = talvik::StoreServices();
        talvik::appLogs = nullptr;
        talvik::dataForm = nullptr;
        talvik::waitForm = nullptr;
        talvik::newCustomForm = nullptr;
        talvik::serialController = nullptr;
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
        qunsetenv("TALVIK_HOME");
    }

    QString home() const { return disk.folder(); }
    QString path(const QString &relative) const { return home() + u'/' + relative; }
    void put(const QString &file, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // A committed store of two customers and its working copy, as a session
    // leaves them after some reads.
    void makeStore()
    {
        const QByteArray schema = talvik::schemaText(false);
        for (const char *root : {"dDB", "dDB.tran"}) {
            const QString r = path(QString::fromLatin1(root));
            put(r + QStringLiteral("/東京工場/2024年/schema.ini"), schema);
            put(r + QStringLiteral("/東京工場/2024年/demand.csv"),
                demandLine("240105", "1000", "0123") + demandLine("240105", "1030", "0456"));
            put(r + QStringLiteral("/大阪支店/2024年/schema.ini"), schema);
            put(r + QStringLiteral("/大阪支店/2024年/demand.csv"), demandLine("240301", "0000", "0100"));
            put(r + QStringLiteral("/download.log"), "2024/01/02 09:15    \x8b\x4e\x93\xae\r\n");
        }
    }
    void loadWindow()
    {
        w = std::make_unique<talvik::frmData>();
        w->setDialogs(&dialogs);
        talvik::dataForm = w.get();
        w->Load();
        ASSERT_TRUE(w->isLoaded());
    }
    void startDevice(devicesim::Model model, int customers)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = 1;
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        sim->device().setAckTimeout(400);
        const QString link = outside.path() + QStringLiteral("/ttyDEV");
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<talvik::clsSerialController>();
        serial->setPort(7);
        talvik::serialController = serial.get();
        talvik::deviceVersion = QString::fromLatin1(devicesim::versionTextOf(model));
    }
    QList<int> deviceRecords() const
    {
        QList<int> n;
        for (const auto &c : sim->device().customers())
            n << int(c.records.size());
        return n;
    }

    // Fills the disk; from here every write in the program folder fails.
    void fill()
    {
        // The working copy the window replaced on opening is removed in the
        // background; it is not part of what is stored.
        platform::fileio::waitForBackgroundRemovals();
        before = snapshotFolder(home());
        disk.fill();
    }
    // Lets the event loop run until the condition holds.
    static bool waitFor(const std::function<bool()> &done, int ms = 10000) { return dwtest::waitFor(done, ms); }
    QStringList prompts() const
    {
        QStringList out;
        for (const ShownDialog &d : script->shown())
            out << d.prompt;
        return out;
    }
    // The prompt that names a file of `fileFragment` with the cause.
    bool saidWhy(const QString &fileFragment) const
    {
        for (const QString &p : prompts())
            if (p.contains(fileFragment) && namesCause(p))
                return true;
        return false;
    }
    // The checks every command must pass: the program runs on, a message named
    // the file and the cause, and every stored file is there with its bytes.
    void expectSurvived(const QString &fileFragment, const Files &expected)
    {
        SCOPED_TRACE(prompts().join(u'|').toStdString());
        EXPECT_EQ(Application::caughtErrors(), caughtBefore) << "an error reached the last-resort handler";
        bool later = false;
        QTimer::singleShot(0, [&later] { later = true; });
        EXPECT_TRUE(waitFor([&] { return later; })) << "the event loop no longer runs";
        EXPECT_TRUE(w->isLoaded());
        EXPECT_TRUE(w->Enabled());
        EXPECT_FALSE(talvik::commBusy);
        if (!fileFragment.isEmpty()) {
            EXPECT_TRUE(saidWhy(fileFragment)) << "no message named " << fileFragment.toStdString();
        }
        const Files after = snapshotFolder(home());
        for (auto [name, bytes] : expected.asKeyValueRange()) {
            ASSERT_TRUE(after.contains(name)) << "lost: " << name.toStdString();
            EXPECT_EQ(after.value(name), bytes) << "changed: " << name.toStdString();
        }
        EXPECT_TRUE(temporaryLeftovers(home()).isEmpty());
    }
    void expectSurvived(const QString &fileFragment) { expectSurvived(fileFragment, before); }

    FullDisk disk;
    QTemporaryDir outside; // the device's link and files chosen from elsewhere
    std::unique_ptr<DialogScript> script;
    dwtest::DialogsDouble dialogs;
    std::unique_ptr<talvik::frmData> w;
    talvik::frmWait wait;
    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<talvik::clsSerialController> serial;
    Files before;
    int caughtBefore = 0;
};

} // namespace

TEST_F(FullDiskCommands, DetectorReadForANewCustomer)
{
    startDevice(devicesim::Model::T4KB, 1);
    loadWindow();
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("新規工場");
        return true;
    };
    const QList<int> held = deviceRecords();
    fill();
    w->mnuTerm_Click(0);
    ASSERT_TRUE(waitFor([&] { return script->shown().size() >= 2 && !talvik::commBusy; }))
        << prompts().join(u'|').toStdString();
    expectSurvived(QStringLiteral("download.log"));
    // The records that could not be stored stay in the device.
    EXPECT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() >= 1; }));
    EXPECT_EQ(deviceRecords(), held);
    // The read's records could not be stored: said why as well.
    EXPECT_TRUE(saidWhy(QStringLiteral("dDB.dl/demand.csv")));
}

TEST_F(FullDiskCommands, DetectorReadForAKnownCustomer)
{
    startDevice(devicesim::Model::T4KB, 1);
    loadWindow();
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("東京工場");
        return true;
    };
    const QList<int> held = deviceRecords();
    fill();
    w->mnuTerm_Click(0);
    ASSERT_TRUE(waitFor([&] { return !script->shown().isEmpty() && !talvik::commBusy; }));
    expectSurvived(QStringLiteral("dDB.dl/demand.csv"));
    EXPECT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() >= 1; }));
    EXPECT_EQ(deviceRecords(), held);
}

TEST_F(FullDiskCommands, ReaderChainForNewCustomersWithDelete)
{
    startDevice(devicesim::Model::Reader, 2);
    loadWindow();
    dialogs.onSelect = [](talvik::clsDataC &list) {
        for (int i = 0; i < list.count(); ++i) {
            list.setIdx(i);
            list.setIsDel(true);
        }
        return true;
    };
    const QList<int> held = deviceRecords();
    fill();
    w->readInfoData();
    ASSERT_TRUE(waitFor([&] { return script->shown().size() >= 2 && !talvik::commBusy; }))
        << prompts().join(u'|').toStdString();
    expectSurvived(QStringLiteral("download.log"));
    EXPECT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() >= 1; }));
    EXPECT_EQ(deviceRecords(), held) << "the reader deleted records that were not stored";
}

TEST_F(FullDiskCommands, CsvImport)
{
    loadWindow();
    const QString file = outside.path() + QStringLiteral("/東京工場.csv");
    put(file, "20240513,1000,0123\r\n20240513,1030,0222\r\n");
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("東京工場");
        return true;
    };
    fill();
    script->chooseFile(file);
    w->mnuFileInput_Click(0);
    expectSurvived(QStringLiteral("東京工場"));
}

TEST_F(FullDiskCommands, CsvExport)
{
    loadWindow();
    w->treData_NodeClick(w->treData().Item(kTokyo + QStringLiteral("\\2024年")));
    const QString target = path(QStringLiteral("東京工場.CSV"));
    put(target, "previous export\r\n");
    fill();
    script->chooseFile(target);
    w->mnuFileOut_Click(0);
    expectSurvived(QStringLiteral("東京工場.CSV"));
}

TEST_F(FullDiskCommands, RenameCustomer)
{
    loadWindow();
    w->treData_MouseDown(1, 0, 0, 0);
    w->treData_NodeClick(w->treData().Item(kTokyo));
    fill();
    w->mnuEdit_Click(1);
    ASSERT_EQ(w->labelEditKey(), kTokyo);
    // The label edit ends with the new text, as the tree's editor ends it.
    w->treData().Item(kTokyo)->item()->setText(0, QStringLiteral("東京本社"));
    // The folder moved (a rename needs no room); its files came along whole.
    Files expected;
    for (auto [name, bytes] : before.asKeyValueRange())
        expected.insert(QString(name).replace(QStringLiteral("dDB.tran/東京工場/"), QStringLiteral("dDB.tran/東京本社/")),
                        bytes);
    expectSurvived(QStringLiteral("download.log"), expected);
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\東京本社")));
}

TEST_F(FullDiskCommands, DeleteYearData)
{
    loadWindow();
    // Another year, so that the delete frees less than the disk needs.
    put(path(QStringLiteral("dDB.tran/大阪支店/2023年/schema.ini")), talvik::schemaText(false));
    w->TreeNode().mkNodeInit(w->treData(), w.get());
    const QString key = QStringLiteral("\\dDB.tran\\大阪支店\\2023年");
    ASSERT_TRUE(w->treData().Exists(key));
    w->treData_MouseDown(1, 0, 0, 0);
    w->treData_NodeClick(w->treData().Item(key));
    fill();
    script->answerNext(vbOK);
    w->mnuEdit_Click(4);
    Files expected = before;
    expected.remove(QStringLiteral("dDB.tran/大阪支店/2023年/schema.ini"));
    expected.remove(QStringLiteral("dDB.tran/download.log")); // the log gets its line when there is room
    expectSurvived(QString(), expected);
    EXPECT_FALSE(w->treData().Exists(key));
    // The delete's log line was written, or the user was told why not.
    const bool logged = snapshotFolder(home()).value(QStringLiteral("dDB.tran/download.log")).contains(
        platform::codepage::toAnsi(QStringLiteral("年間データの削除")));
    EXPECT_TRUE(logged || saidWhy(QStringLiteral("download.log"))) << prompts().join(u'|').toStdString();
}

TEST_F(FullDiskCommands, NewCustomer)
{
    loadWindow();
    talvik::frmNewCustom newCustom;
    talvik::newCustomForm = &newCustom;
    w->setDialogs(nullptr);
    fill();
    // The dialog is modal; typed into and registered once it is up.
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, &newCustom] {
        if (!newCustom.isModal())
            return;
        timer->stop();
        timer->deleteLater();
        QTest::keyClicks(newCustom.zotxtCustom.widget(), QStringLiteral("Nagoya"));
        QTest::mouseClick(newCustom.cmdRegist.widget(), Qt::LeftButton);
    });
    timer->start();
    w->mnuEdit_Click(0);
    // A folder needs no data page: the customer is there; its log line is
    // kept in the list until the log can be written.
    expectSurvived(QString());
    EXPECT_TRUE(w->treData().Exists(QStringLiteral("\\dDB.tran\\Nagoya")));
    EXPECT_FALSE(newCustom.isLoaded());
}

TEST_F(FullDiskCommands, SaveDataSet)
{
    loadWindow();
    const QString target = path(QStringLiteral("2024.dmd"));
    put(target, "previous data set");
    fill();
    script->chooseFile(target);
    script->answerNext(vbYes); // overwrite
    w->mnuFile_Click(2);
    expectSurvived(home());
}

TEST_F(FullDiskCommands, OpenDataSet)
{
    loadWindow();
    // A data set saved while there was room.
    const QString set = outside.path() + QStringLiteral("/saved.dmd");
    script->chooseFile(set);
    ASSERT_TRUE(w->saveDataSet()) << prompts().join(u'|').toStdString();
    fill();
    script->chooseFile(set);
    w->mnuFile_Click(0);
    // The extraction names the file of the data set it could not write.
    expectSurvived(QStringLiteral("download.log"));
}

TEST_F(FullDiskCommands, GraphOptions)
{
    put(path(QStringLiteral("Graph.ini")),
        platform::codepage::toAnsi(QStringLiteral("[グラフ]\r\nスケール=3\r\n出力値=1\r\n出力形式=0\r\n")));
    loadWindow();
    talvik::frmGraphSet form;
    form.Show();
    QTest::mouseClick(form.optGraphOutStyle(1).widget(), Qt::LeftButton);
    fill();
    QTest::mouseClick(form.cmdGraphOK.widget(), Qt::LeftButton);
    expectSurvived(QStringLiteral("Graph.ini"));
    EXPECT_TRUE(form.isLoaded()) << "the dialog stays open with the unsaved choice";
    QTest::mouseClick(form.cmdGraphClose.widget(), Qt::LeftButton);
}

TEST_F(FullDiskCommands, SerialSettings)
{
    put(path(QStringLiteral("Serial.ini")),
        platform::codepage::toAnsi(QStringLiteral("[通信設定]\r\nポート=3\r\nボーレート=9600\r\nパリティ=E\r\n"
                                                  "ビット長=7\r\nストップビット=2\r\nフロー制御=2\r\n")));
    startDevice(devicesim::Model::T4KB, 1);
    loadWindow();
    talvik::frmSerialSetUp dlg;
    dlg.Show();
    QTest::keyClick(dlg.cmbBps.widget(), Qt::Key_Down);
    fill();
    QTest::mouseClick(dlg.cmdOK.widget(), Qt::LeftButton);
    expectSurvived(QStringLiteral("Serial.ini"));
    EXPECT_TRUE(dlg.isLoaded());
    QTest::mouseClick(dlg.cmdExit.widget(), Qt::LeftButton);
}

namespace {

// The whole program (main window first) with its program folder on a
// full file system: the settings window and the clock window.
class FullDiskProgram : public settingtest::SettingFixture {
protected:
    void SetUp() override
    {
        SettingFixture::SetUp();
        RecordProperty("realFullDisk", disk.real() ? "yes" : "no");
        DialogScript::setUnexpectedDialogHandler([](const QString &) {});
        caughtBefore = Application::caughtErrors();
    }
    void fill()
    {
        // The working copy the window replaced on opening is removed in the
        // background; it is not part of what is stored.
        platform::fileio::waitForBackgroundRemovals();
        before = snapshotFolder(home());
        disk.fill();
    }
    bool saidWhy(const QString &fileFragment) const
    {
        for (const ShownDialog &d : m_script->shown())
            if (d.prompt.contains(fileFragment) && namesCause(d.prompt))
                return true;
        return false;
    }
    QString prompts() const { return m_script->prompts().join(u'|'); }
    // The settings window of a connected T4KB with the device's settings read.
    talvik::frmSetting &readSettings()
    {
        connectDevice(devicesim::Model::T4KB);
        talvik::mainForm->cmdSetting.setValue(true);
        talvik::frmSetting &w = window();
        m_script->answerNext(vbOK); // read done
        w.tlbSetting.clickButton(QStringLiteral("ReadSetting"));
        EXPECT_TRUE(waitFor([&] { return m_script->pending() == 0 && !talvik::commBusy; }, 5000));
        pump(50);
        return w;
    }
    void expectSurvived(const QString &fileFragment)
    {
        SCOPED_TRACE(prompts().toStdString());
        EXPECT_EQ(Application::caughtErrors(), caughtBefore) << "an error reached the last-resort handler";
        bool later = false;
        QTimer::singleShot(0, [&later] { later = true; });
        EXPECT_TRUE(waitFor([&] { return later; }, 5000)) << "the event loop no longer runs";
        ASSERT_NE(talvik::mainForm, nullptr);
        EXPECT_TRUE(talvik::mainForm->isLoaded());
        EXPECT_FALSE(talvik::commBusy);
        if (!fileFragment.isEmpty()) {
            EXPECT_TRUE(saidWhy(fileFragment)) << "no message named " << fileFragment.toStdString();
        }
        const Files after = snapshotFolder(home());
        for (auto [name, bytes] : before.asKeyValueRange()) {
            ASSERT_TRUE(after.contains(name)) << "lost: " << name.toStdString();
            EXPECT_EQ(after.value(name), bytes) << "changed: " << name.toStdString();
        }
        EXPECT_TRUE(temporaryLeftovers(home()).isEmpty());
    }

    // Mounted on the fixture's program folder before the program starts there.
    FullDisk disk{m_home.path()};
    Files before;
    int caughtBefore = 0;
};

} // namespace

TEST_F(FullDiskProgram, SettingsSaveToAFile)
{
    talvik::frmSetting &w = readSettings();
    const QString target = homeFile(QStringLiteral("kojo.cfg"));
    fill();
    m_script->chooseFile(target);
    w.mnuNewWrite.click();
    pump(50);
    expectSurvived(QStringLiteral("kojo.cfg"));
    EXPECT_TRUE(w.isLoaded());
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(FullDiskProgram, SettingsWriteToTheDevice)
{
    talvik::frmSetting &w = readSettings();
    fill();
    const int shown = m_script->shown().size();
    m_script->answerNext(vbYes); // write?
    w.tlbSetting.clickButton(QStringLiteral("WriteSetting"));
    ASSERT_TRUE(waitFor([&] { return m_script->shown().size() >= shown + 3 && !talvik::commBusy; }, 8000))
        << prompts().toStdString();
    // The device took the settings; "System.ini" could not record them.
    expectSurvived(QStringLiteral("System.ini"));
    // Closing the window writes the settings log: refused, and said why.
    ASSERT_TRUE(w.Unload());
    expectSurvived(QStringLiteral("download.log"));
}

TEST_F(FullDiskProgram, ClockWrite)
{
    connectDevice(devicesim::Model::T4KB);
    talvik::mainForm->cmdDate_Click();
    ASSERT_NE(talvik::clockForm, nullptr);
    auto &clock = *static_cast<talvik::frmDateTime *>(talvik::clockForm);
    clock.tmrTimeUpdate.setEnabled(false);
    clock.zoDateHostDate.setText(QStringLiteral("2024/03/05"));
    clock.cmdCopyTime.setValue(true);
    fill();
    m_script->answerNext(vbYes);
    m_script->answerNext(vbOK);
    clock.tlbDateTime.clickButton(QStringLiteral("WriteTime"));
    ASSERT_TRUE(waitFor([&] { return m_script->pending() == 0 && !talvik::commBusy; }, 5000)) << prompts().toStdString();
    // The clock write stores nothing in the program folder: it must simply
    // work on a full disk.
    expectSurvived(QString());
    EXPECT_EQ(m_sim->device().clock().date(), QDate(2024, 3, 5));
    talvik::frmDateTime::settingWindow = nullptr;
}
