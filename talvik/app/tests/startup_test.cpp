// Start-up, first run, service mode, shut-down and the about box.
#include "appFixture.h"

#include "platform/fileio/tests/fullDisk.h"

#include <memory>

#include "platform/forms/app.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/settings/frmSetting.h"
#include "talvik/app/frmVersion.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/controlLibraries.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "talvik/store/dataWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

#include <unistd.h>

using namespace talvik;
namespace forms = platform::forms;

namespace {

// Every file below a folder with its size and modification time.
QStringList snapshot(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        out << QStringLiteral("%1 %2 %3").arg(fi.filePath()).arg(fi.size()).arg(fi.lastModified().toMSecsSinceEpoch());
    }
    out.sort();
    return out;
}

void makeFolders(const QString &home, const QStringList &names)
{
    for (const QString &n : names) {
        ASSERT_TRUE(QDir().mkpath(home + QLatin1Char('/') + n + QStringLiteral("/customer")));
        QFile f(home + QLatin1Char('/') + n + QStringLiteral("/customer/demand.csv"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x\r\n");
    }
}

} // namespace

using StartupTest = AppFixture;

TEST_F(StartupTest, FirstStartWipesTheDataFoldersAndSetsInit)
{
    // "dDB.dl" is missing; "dDB.kept" holds records a failed store run kept
    // for the store that is wiped now: they must not come back into the new one.
    makeFolders(home(), {QStringLiteral("dDB"), QStringLiteral("dDB.tran"), QStringLiteral("dDB.kept/000001")});
    ASSERT_TRUE(Main());
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/dDB")));
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/dDB.tran")));
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/dDB.kept")));
    EXPECT_EQ(iniValue(QStringLiteral("system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT")),
              QStringLiteral("1"));
    EXPECT_FALSE(srvMode);
    ASSERT_NE(mainForm, nullptr);
    EXPECT_TRUE(mainForm->Visible());
    EXPECT_EQ(mainForm->Caption(), QStringLiteral("Orvantis ") + appVersion);
    EXPECT_TRUE(appVersion.startsWith(QStringLiteral("Ver.")));
    EXPECT_EQ(appVersion.count(QLatin1Char('.')), 3);
    EXPECT_EQ(deviceLabel, QStringLiteral("検出器"));
    EXPECT_EQ(dataFolder, home());
    // The watcher runs on the main window's timer.
    EXPECT_TRUE(mainForm->Timer1.Enabled());
    EXPECT_EQ(mainForm->Timer1.Interval(), 1000);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(StartupTest, LaterStartsWipeNothing)
{
    QFile ini(home() + QStringLiteral("/system2.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[SYSTEM_INFO]\r\nINIT=1\r\n");
    ini.close();
    makeFolders(home(), {QStringLiteral("dDB"), QStringLiteral("dDB.dl"), QStringLiteral("dDB.tran")});
    ASSERT_TRUE(Main());
    for (const char *n : {"dDB", "dDB.dl", "dDB.tran"})
        EXPECT_TRUE(QFileInfo::exists(home() + QLatin1Char('/') + QString::fromLatin1(n) + QStringLiteral("/customer/demand.csv")));
}

TEST_F(StartupTest, AnUnwritableSystem2IniWipesNothing)
{
    makeFolders(home(), {QStringLiteral("dDB"), QStringLiteral("dDB.tran")});
    // A read-only program folder: a read-only mount where the test may mount,
    // otherwise modelled, so that the case always runs.
    auto readOnly = std::make_unique<platform::fileio::testsupport::ReadOnlyFolder>(home());
    m_script->answerNextWith([](const forms::ShownDialog &box) {
        EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("初期化ファイル設定の不正"))) << box.prompt.toStdString();
        return forms::vbOK;
    });
    const bool shown = Main();
    readOnly.reset();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(m_script->verify());
    EXPECT_TRUE(QFileInfo::exists(home() + QStringLiteral("/dDB/customer/demand.csv")));
    EXPECT_TRUE(QFileInfo::exists(home() + QStringLiteral("/dDB.tran/customer/demand.csv")));
    EXPECT_EQ(iniValue(QStringLiteral("system2.ini"), QStringLiteral("SYSTEM_INFO"), QStringLiteral("INIT")),
              QStringLiteral("0"));
}

TEST_F(StartupTest, AnyArgumentSelectsServiceModeAndACancelledNumberEndsTheProgramWithoutAWindow)
{
    QFile ini(home() + QStringLiteral("/system2.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[SYSTEM_INFO]\r\nINIT=1\r\nfolder=C:\\srv\\input\r\n");
    ini.close();
    forms::App::setCommand(QStringLiteral("-"));
    // The service window's number dialog comes up during the load; its
    // cancel button is clicked.
    bool dialogSeen = false;
    bool mainShown = false;
    // Checked on every turn of any event loop until the dialog is up.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!(importCustomSrvForm && importCustomSrvForm->isModal()) || dialogSeen)
            return;
        dialogSeen = true;
        poll.stop();
        mainShown = mainForm && mainForm->widget()->isVisible();
        QWidget *cancel = importCustomSrvForm->cmdCancel.widget();
        const QPointF at(cancel->width() / 2.0, cancel->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, cancel->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, cancel->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(cancel, &press);
        QCoreApplication::sendEvent(cancel, &release);
    });
    poll.start();
    EXPECT_FALSE(Main());
    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(mainShown);
    // The drive of the Windows path is ignored.
    EXPECT_EQ(dataFolder, QStringLiteral("/srv/input"));
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/dDB.tran/123456789")));
    EXPECT_TRUE(srvMode);
    EXPECT_EQ(mainForm, nullptr);
    EXPECT_TRUE(m_script->verify());
    // Nothing is left that keeps the process alive.
    EXPECT_TRUE(forms::Form::loadedForms().isEmpty());
}

// Run in a child process by SecondInstanceEndsWithoutTouchingAFile: holds the
// instance lock of TALVIK_HOME until it is killed.
TEST(DISABLED_InstanceHolder, HoldLock)
{
    ASSERT_FALSE(forms::App::PrevInstance());
    QFile ready(qEnvironmentVariable("TALVIK_HOME") + QStringLiteral("/../ready"));
    ASSERT_TRUE(ready.open(QIODevice::WriteOnly));
    ready.close();
    AppFixture::pump(30000);
}

using SecondInstanceTest = AppFixture;

TEST_F(SecondInstanceTest, SecondInstanceEndsWithoutTouchingAFile)
{
    QProcess first;
    first.setProgram(QCoreApplication::applicationFilePath());
    first.setArguments({QStringLiteral("--gtest_also_run_disabled_tests"),
                        QStringLiteral("--gtest_filter=DISABLED_InstanceHolder.HoldLock")});
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start();
    const QString ready = home() + QStringLiteral("/../ready");
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(ready); }, 10000));
    QFile::remove(ready);

    const QStringList before = snapshot(home());
    m_script->answerNextWith([](const forms::ShownDialog &box) {
        EXPECT_EQ(box.prompt, QStringLiteral("Orvantisは既に起動中です。"));
        EXPECT_EQ(box.title, QStringLiteral("Orvantis"));
        return forms::vbOK;
    });
    EXPECT_FALSE(Main());
    EXPECT_EQ(mainForm, nullptr);
    EXPECT_TRUE(m_script->verify());
    EXPECT_EQ(snapshot(home()), before);
    first.kill();
    first.waitForFinished(5000);
}

TEST_F(StartupTest, ShutDownHidesAtOnceAndEndsAfterAboutTwoSeconds)
{
    ASSERT_TRUE(Main());
    frmMain *form = mainForm;
    bool hiddenDuringWait = false;
    QTimer::singleShot(300, [&] { hiddenDuringWait = !form->Visible(); });
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(form->Unload());
    const qint64 ms = clock.elapsed();
    EXPECT_TRUE(hiddenDuringWait);
    EXPECT_GE(ms, 1800);
    EXPECT_LE(ms, 4000);
    EXPECT_FALSE(form->Timer1.isRunning());
    EXPECT_EQ(clockForm, nullptr);
    EXPECT_EQ(serialController, nullptr);
    EXPECT_EQ(appLogs, nullptr);
}

TEST_F(StartupTest, ButtonsOpenTheirWindowsOrSayTheyAreMissingAndClearTheBusyFlag)
{
    ASSERT_TRUE(Main());
    // The data button opens the data window, which holds the main window
    // disabled while it is loaded.
    commBusy = true;
    mainForm->cmdData.setValue(true);
    EXPECT_FALSE(commBusy);
    ASSERT_NE(dataForm, nullptr);
    ASSERT_TRUE(dataForm->form()->isLoaded());
    EXPECT_TRUE(dataForm->form()->Visible());
    EXPECT_FALSE(mainForm->Enabled());
    ASSERT_TRUE(dataForm->form()->Unload());
    EXPECT_TRUE(mainForm->Enabled());
    // The settings button opens the settings window, which holds the main
    // window disabled while it is open.
    commBusy = true;
    mainForm->cmdSetting.setValue(true);
    EXPECT_FALSE(commBusy);
    ASSERT_NE(settingForm, nullptr);
    auto *setting = static_cast<forms::Form *>(settingForm);
    ASSERT_TRUE(setting->isLoaded());
    EXPECT_TRUE(setting->Visible());
    EXPECT_TRUE(settingOpen);
    EXPECT_FALSE(mainForm->Enabled());
    ASSERT_TRUE(setting->Unload());
    EXPECT_FALSE(settingOpen);
    EXPECT_TRUE(mainForm->Enabled());
    // The clock button opens the clock window and leaves the flag alone.
    commBusy = true;
    mainForm->cmdDate.setValue(true);
    ASSERT_NE(clockForm, nullptr);
    EXPECT_TRUE(clockForm->Visible());
    EXPECT_TRUE(commBusy);
    commBusy = false;
    EXPECT_TRUE(m_script->verify());
}

TEST_F(StartupTest, AboutBoxWithoutLogoShowsNamesAndClosesOnAClick)
{
    ASSERT_TRUE(Main());
    ASSERT_NE(versionForm, nullptr);
    ASSERT_FALSE(QFileInfo::exists(home() + QStringLiteral("/Logo.gif")));
    bool checked = false;
    QTimer::singleShot(50, [&] {
        EXPECT_TRUE(versionForm->Visible());
        EXPECT_EQ(versionForm->Caption(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_EQ(versionForm->lblName.Caption(), QStringLiteral("Orvantis"));
        EXPECT_EQ(versionForm->lblVersion.Caption(), appVersion);
        EXPECT_TRUE(versionForm->imgLogo.picture().isNull());
        checked = true;
        versionForm->lblName.widget(); // loaded
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(versionForm->widget(), &press);
    });
    QTimer::singleShot(3000, [&] {
        if (versionForm->isLoaded())
            versionForm->Unload(); // never leave the test hanging
    });
    versionForm->Show(forms::vbModal, mainForm);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(versionForm->isLoaded());
}

TEST_F(StartupTest, MainWindowScreenshot)
{
    ASSERT_TRUE(Main());
    pump(100);
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    ASSERT_FALSE(dir.isEmpty());
    QDir().mkpath(dir);
    const QPixmap shot = mainForm->widget()->grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(dir + QStringLiteral("/frmMain.png")));
}

TEST_F(StartupTest, AnErrorDuringStartUpIsShownAndLeavesNoWindowBehind)
{
    // No registry can be written: neither the frames' library nor the port
    // watcher can be registered; each box says which file and why.
    const QString registry = QStringLiteral("/proc/no/such/folder/registry.json");
    qputenv("TALVIK_REGISTRY", registry.toLocal8Bit());
    const QString cause = QStringLiteral("フォルダが見つかりません。");
    m_script->answerNextWith([&](const forms::ShownDialog &box) {
        EXPECT_TRUE(box.prompt.contains(QStringLiteral("liblumafold.so"))) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(registry)) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(cause)) << box.prompt.toStdString();
        return forms::vbOK;
    });
    m_script->answerNextWith([&](const forms::ShownDialog &box) {
        EXPECT_TRUE(box.prompt.contains(QStringLiteral("Portwick.Class1"))) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(registry)) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(cause)) << box.prompt.toStdString();
        EXPECT_EQ(box.style, forms::vbCritical);
        return forms::vbOK;
    });
    EXPECT_EQ(runProgram(), 0); // returns at once instead of running an event loop
    EXPECT_EQ(mainForm, nullptr);
    EXPECT_TRUE(forms::Form::loadedForms().isEmpty());
    EXPECT_TRUE(m_script->verify()) << m_script->prompts().join(u'|').toStdString();
}

TEST_F(StartupTest, ARegistryOnAFullDiskIsNamedWithItsCause)
{
    using platform::fileio::testsupport::FullDisk;
    const QString cause = QStringLiteral("ディスクの空き領域が不足しています。");
    {
        // First start, the registry's file system full from the start: the
        // port watcher cannot be registered and the program ends, saying why.
        FullDisk disk;
        const QString registry = disk.folder() + QStringLiteral("/registry.json");
        qputenv("TALVIK_REGISTRY", registry.toLocal8Bit());
        disk.fill();
        RecordProperty("realFullDisk", disk.real() ? "yes" : "no");
        m_script->answerNext(forms::vbOK); // the frames' library
        m_script->answerNextWith([&](const forms::ShownDialog &box) {
            EXPECT_TRUE(box.prompt.contains(QStringLiteral("Portwick.Class1"))) << box.prompt.toStdString();
            EXPECT_TRUE(box.prompt.contains(registry)) << box.prompt.toStdString();
            EXPECT_TRUE(box.prompt.contains(cause)) << box.prompt.toStdString();
            return forms::vbOK;
        });
        EXPECT_EQ(runProgram(), 0);
        EXPECT_EQ(mainForm, nullptr);
        EXPECT_TRUE(m_script->verify()) << m_script->prompts().join(u'|').toStdString();
        EXPECT_FALSE(QFileInfo::exists(registry));
    }
    {
        // Room for one library only: the port watcher got registered, then
        // the disk filled. The main window opens with plain frames and says
        // why once, however many frames it has.
        FullDisk disk;
        const QString registry = disk.folder() + QStringLiteral("/registry.json");
        qputenv("TALVIK_REGISTRY", registry.toLocal8Bit());
        ASSERT_TRUE(registerLibraryBesideProgram(QStringLiteral("libportwick.so")));
        const QByteArray registered = [&] {
            QFile f(registry);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        ASSERT_TRUE(registered.contains("Portwick"));
        disk.fill();
        m_script->answerNextWith([&](const forms::ShownDialog &box) {
            EXPECT_TRUE(box.prompt.contains(QStringLiteral("liblumafold.so"))) << box.prompt.toStdString();
            EXPECT_TRUE(box.prompt.contains(registry)) << box.prompt.toStdString();
            EXPECT_TRUE(box.prompt.contains(cause)) << box.prompt.toStdString();
            return forms::vbOK;
        });
        ASSERT_TRUE(Main());
        pump(50);
        ASSERT_NE(mainForm, nullptr);
        EXPECT_TRUE(mainForm->isLoaded());
        EXPECT_TRUE(m_script->verify()) << m_script->prompts().join(u'|').toStdString();
        // The frames are plain: no control hosts them.
        const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
        QDir().mkpath(dir);
        EXPECT_TRUE(mainForm->widget()->grab().save(dir + QStringLiteral("/frmMain_plain_frames.png")));
        // The registry holds what it held; nothing half written.
        QFile f(registry);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), registered);
        closeProgram();
    }
}
