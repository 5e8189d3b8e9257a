#include "appFixture.h"

#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/profile/profile.h"
#include "platform/system/osversion.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/app/watcher.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/frmData.h"
#include "talvik/settings/frmImportCustomSrv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace talvik;

void AppFixture::SetUp()
{
    ASSERT_TRUE(m_home.isValid());
    ASSERT_TRUE(m_other.isValid());
    qputenv("TALVIK_HOME", m_home.path().toLocal8Bit());
    qputenv("TALVIK_REGISTRY", (m_other.path() + QStringLiteral("/registry.json")).toLocal8Bit());
    qputenv("TALVIK_SERIAL_ADAPTERS", linkPath().toLocal8Bit());
    platform::system::setOsVersion(0, 0);
    const QString defaults = qEnvironmentVariable("TALVIK_SOURCE_DIR") + QStringLiteral("/talvik/app/defaults/");
    for (const char *ini : {"system2.ini", "Serial.ini"})
        ASSERT_TRUE(QFile::copy(defaults + QString::fromLatin1(ini), m_home.path() + QLatin1Char('/') + QString::fromLatin1(ini)));
    platform::forms::App::releaseInstanceLock();
    platform::forms::App::setCommand(QString());
    commBusy = false;
    deviceVersion.clear();
    srvMode = false;
    settingOpen = false;
    m_script = std::make_unique<platform::forms::DialogScript>();
    platform::forms::DialogScript::setUnexpectedDialogHandler([](const QString &report) { ADD_FAILURE() << report.toStdString(); });
}

void AppFixture::TearDown()
{
    closeProgram();
    m_script.reset();
    platform::forms::App::releaseInstanceLock();
    qunsetenv("TALVIK_HOME");
    qunsetenv("TALVIK_REGISTRY");
    qunsetenv("TALVIK_SERIAL_ADAPTERS");
}

void AppFixture::closeProgram()
{
    releaseVcpWatcher();
    if (mainForm) {
        frmMain *form = mainForm;
        if (form->isLoaded())
            form->Unload();
        mainForm = nullptr;
        delete form;
    }
    pump(10);
}

QString AppFixture::iniValue(const QString &file, const QString &section, const QString &key) const
{
    QString value;
    platform::profile::GetPrivateProfileString(section, key, QStringLiteral("<missing>"), value, 255,
                                               m_home.path() + QLatin1Char('/') + file);
    return value;
}

bool AppFixture::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void AppFixture::pump(int milliseconds)
{
    waitFor([] { return false; }, milliseconds);
}

void RunningProgramFixture::SetUp()
{
    AppFixture::SetUp();
    ASSERT_TRUE(Main());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainForm->widget()));
}

void RunningProgramFixture::TearDown()
{
    frmDateTime::settingWindow = nullptr;
    AppFixture::TearDown();
}

void RunningProgramFixture::click(platform::forms::CommandButton &button)
{
    QTest::mouseClick(button.widget(), Qt::LeftButton);
    pump(50);
}

talvik::frmData *RunningProgramFixture::openDataWindow()
{
    click(talvik::mainForm->cmdData);
    auto *data = dynamic_cast<talvik::frmData *>(talvik::dataForm);
    if (data) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(data->widget()));
    }
    return data;
}

bool RunningProgramFixture::insideModal(platform::forms::Form &dialog, const std::function<void()> &steps,
                                        const std::function<void()> &opens)
{
    bool ran = false;
    bool leftOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        if (QTest::qWaitForWindowExposed(dialog.widget()))
            steps();
        else
            ADD_FAILURE() << "the dialog did not show";
        pump(20);
        if (dialog.isLoaded()) {
            leftOpen = true;
            dialog.Unload();
        }
    });
    opens();
    EXPECT_TRUE(ran) << "the dialog was not shown modally";
    return ran && !leftOpen;
}

void AppFixture::enterServiceNumber(const QString &number)
{
    ASSERT_NE(importCustomSrvForm, nullptr);
    auto *field = qobject_cast<QLineEdit *>(importCustomSrvForm->TxtNum.widget());
    ASSERT_NE(field, nullptr);
    field->clear();
    QTest::keyClicks(field, number);
    QTest::mouseClick(importCustomSrvForm->cmdOK.widget(), Qt::LeftButton);
}
