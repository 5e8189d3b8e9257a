#include "settingFixture.h"
#include "testfiles.h"

#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "x11window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

using namespace talvik;
namespace fm = platform::forms;

namespace settingtest {

void SettingFixture::SetUp()
{
    AppFixture::SetUp();
    ASSERT_TRUE(Main());
}

void SettingFixture::TearDown()
{
    closeProgram();
    m_sim.reset();
    AppFixture::TearDown();
}

frmSetting &SettingFixture::openWith(const QString &version)
{
    deviceVersion = version;
    mainForm->cmdSetting.setValue(true);
    frmSetting &w = *settingForm;
    // The window is activated as the user's click on the main window's
    // button would have it, and the test goes on once it really is.
    EXPECT_TRUE(talviktest::activateWindowAsAPersonDoes(w.widget()));
    return w;
}

void SettingFixture::connectDevice(devicesim::Model model)
{
    devicesim::DeviceConfig cfg;
    cfg.model = model;
    m_sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
    QString error;
    ASSERT_TRUE(m_sim->start(linkPath(), &error)) << error.toStdString();
    mainForm->Timer1_Timer(); // a watch tick now
    ASSERT_TRUE(waitFor([] { return !deviceVersion.isEmpty(); }, 4000));
    pump(50);
}

void SettingFixture::expectBox(const QString &prompt, int style, int answer)
{
    m_script->answerNextWith([prompt, style, answer](const fm::ShownDialog &box) {
        EXPECT_EQ(box.prompt, prompt);
        EXPECT_EQ(box.style, style) << box.prompt.toStdString();
        return answer;
    });
}

bool SettingFixture::waitForBoxes(int timeoutMs)
{
    return waitFor([this] { return m_script->pending() == 0; }, timeoutMs);
}

void SettingFixture::type(fm::SpinNumberInput &input, const QString &text)
{
    QLineEdit *edit = input.editor();
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void SettingFixture::type(fm::FormatTextInput &input, const QString &text)
{
    auto *edit = static_cast<QLineEdit *>(input.widget());
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

QByteArray SettingFixture::readBytes(const QString &path)
{
    return talviktest::readFile(path);
}

void SettingFixture::writeBytes(const QString &path, const QByteArray &bytes)
{
    talviktest::writeFile(path, bytes);
}

QByteArray SettingFixture::cp932(const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"),
                                          QStringLiteral("CP932")});
    iconv.write(crlf.toUtf8());
    iconv.closeWriteChannel();
    if (!iconv.waitForFinished(10000) || iconv.exitCode() != 0)
        return QByteArray();
    return iconv.readAllStandardOutput();
}

void SettingFixture::screenshot(const QString &name)
{
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    ASSERT_FALSE(dir.isEmpty());
    QDir().mkpath(dir);
    pump(100);
    EXPECT_TRUE(window().widget()->grab().save(dir + QLatin1Char('/') + name));
}

} // namespace settingtest
