#pragma once
// The program started in a fresh program folder, the settings window opened
// from the main window, message boxes scripted, and, where a test wants it,
// the stand-in device on a pseudo-terminal.
#include "appFixture.h"

#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/settings/frmSetting.h"
#include "tools/devicesim/simulator.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace settingtest {

// Version texts of the devices as the version request delivers them.
inline const QString kT4ka10 = QStringLiteral("T4KA Ver1.0     ");
inline const QString kT4ka = QStringLiteral("T4KA Ver2.1     ");
inline const QString kT4kb = QStringLiteral("T4KB Ver2.0     ");
inline const QString kT6ka = QStringLiteral("T6KA Ver2.2     ");
inline const QString kRdx9 = QStringLiteral("RDX-9 Ver2.3    ");

class SettingFixture : public AppFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the settings window from the main window's button, with the
    // given device version standing (no device needed).
    talvik::frmSetting &openWith(const QString &version);
    // Plugs the stand-in device in and lets the main window identify it.
    void connectDevice(devicesim::Model model);
    talvik::frmSetting &window() { return *talvik::settingForm; }

    // Answers the next box after checking its text and style.
    void expectBox(const QString &prompt, int style, int answer = platform::forms::vbOK);
    // Lets events run until every scripted box was shown.
    bool waitForBoxes(int timeoutMs = 5000);

    // Replaces the text of a numeric input by typing, as the user does.
    static void type(platform::forms::SpinNumberInput &input, const QString &text);
    static void type(platform::forms::FormatTextInput &input, const QString &text);

    // Files of the program folder.
    QString homeFile(const QString &name) const { return home() + QLatin1Char('/') + name; }
    static QByteArray readBytes(const QString &path);
    static void writeBytes(const QString &path, const QByteArray &bytes);
    // UTF-8 text turned into CP932 by iconv, lines ended by CR LF.
    static QByteArray cp932(const QString &text);

    // Saves a PNG of the window into the test artifacts.
    void screenshot(const QString &name);

    std::unique_ptr<devicesim::DeviceSimulator> m_sim;
};

} // namespace settingtest
