#pragma once
// A fresh program folder, registry and adapter path per test, message boxes
// scripted, and the start-up state of the program-wide variables.
#include "platform/forms/dialogscript.h"

namespace platform::forms {
class CommandButton;
class Form;
}
namespace talvik {
class frmData;
}

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

class AppFixture : public ::testing::Test {
public:
    // Lets events run until the condition holds or the time is up.
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs);
    static void pump(int milliseconds);
    // Types a customer number into the service mode's number dialog and
    // clicks its OK, as the user answers it.
    static void enterServiceNumber(const QString &number);

protected:
    void SetUp() override;
    void TearDown() override;

    // Program folder and the path where the stand-in device attaches.
    QString home() const { return m_home.path(); }
    QString linkPath() const { return m_other.path() + QStringLiteral("/usbdev"); }
    QString iniValue(const QString &file, const QString &section, const QString &key) const;

    // Closes the main window at once (the watcher is released first, so the
    // two-second wait of its end is skipped).
    void closeProgram();

    QTemporaryDir m_home;
    QTemporaryDir m_other;
    std::unique_ptr<platform::forms::DialogScript> m_script;
};

// The program started by its start-up procedure, its main window shown; the
// tests then open the other windows as the user does.
class RunningProgramFixture : public AppFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // A click on one of the main window's buttons, as the user opens a window.
    static void click(platform::forms::CommandButton &button);
    // The data window, opened by a click on its button and shown; null when
    // it did not open.
    static talvik::frmData *openDataWindow();
    // Runs steps inside the modal loop of a dialog that opens() shows. A
    // dialog the steps leave open is unloaded so that the case ends; the
    // answer is whether the steps closed it themselves.
    static bool insideModal(platform::forms::Form &dialog, const std::function<void()> &steps,
                            const std::function<void()> &opens);
};
