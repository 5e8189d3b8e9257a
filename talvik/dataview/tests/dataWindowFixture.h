#pragma once
// A fresh program folder with a small committed store, scripted message
// boxes and file dialogs, and a double of the data window's dialogs.
#include "platform/forms/dialogscript.h"
#include "talvik/dataview/frmData.h"
#include "quietDialogs.h"
#include "testfiles.h"
#include "talvik/link/clsDataC.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace dwtest {

inline bool waitFor(const std::function<bool()> &done, int ms = 8000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// The dialogs of the data window, answered by the test.
struct DialogsDouble : talviktest::QuietDialogs {
    DialogsDouble() { scale = 100; }

    QStringList calls;
    // frmSelDelete: sets the delete flags; false = cancelled.
    std::function<bool(talvik::clsDataC &)> onSelect = [](talvik::clsDataC &) { return true; };
    // frmImportCustom: sees and may change the preset; false = cancelled.
    std::function<bool(QString &custom, const QString &addCustom)> onImport = [](QString &, const QString &) {
        return true;
    };
    std::function<void()> onNewCustom = [] {};
    std::function<void()> onGraphSettings = [] {};
    QString lastCustom, lastAddCustom;

    bool selectDeleteCustomers(platform::forms::Form *, talvik::clsDataC &list) override
    {
        calls << QStringLiteral("selectDelete");
        for (int i = 0; i < list.count(); ++i) {
            list.setIdx(i);
            list.setIsDel(false);
        }
        return onSelect(list);
    }
    bool importCustom(platform::forms::Form *, QString &custom, const QString &addCustom) override
    {
        calls << QStringLiteral("importCustom");
        lastCustom = custom;
        lastAddCustom = addCustom;
        return onImport(custom, addCustom);
    }
    void newCustom(platform::forms::Form *) override
    {
        calls << QStringLiteral("newCustom");
        onNewCustom();
    }
    void graphSettings(platform::forms::Form *) override
    {
        calls << QStringLiteral("graphSettings");
        onGraphSettings();
    }
    void showClock(platform::forms::Form *) override { calls << QStringLiteral("clock"); }
    void showSerialSetUp(platform::forms::Form *) override { calls << QStringLiteral("serial"); }
};

class DataWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString home() const { return dir.path(); }
    // A path below the program folder ("/"-separated).
    QString path(const QString &relative) const { return home() + u'/' + relative; }
    bool exists(const QString &relative) const { return talviktest::exists(path(relative)); }
    void writeFile(const QString &relative, const QByteArray &bytes) const
    {
        talviktest::writeFile(path(relative), bytes);
    }
    QByteArray readFile(const QString &relative) const { return talviktest::readFile(path(relative)); }
    // Committed store "dDB": customers 東京工場 (2024年: days 2024-01-05 and
    // 2024-02-10; 2023年) and 大阪支店 (2024年), and a log file.
    void makeStore();
    // Creates, wires and loads the window.
    void loadWindow();
    // Clicks a node by key (left button unless told).
    void clickNode(const QString &key, int button = 1);
    // The enabled state of an item of a menu array, by caption.
    bool menuEnabled(platform::forms::ControlArray<platform::forms::Menu> &menu, const QString &caption);
    bool buttonVisible(const QString &key);
    // The log list's lines without their date.
    QStringList logTexts();
    // Prompts of the message boxes shown so far.
    QStringList prompts() const;

    QTemporaryDir dir;
    std::unique_ptr<platform::forms::DialogScript> script;
    DialogsDouble dialogs;
    std::unique_ptr<talvik::frmData> w;
};

// One line of the demand table: YYMMDD, HHMM, watt (kW x 10).
QByteArray demandLine(const char *yymmdd, const char *hhmm, const char *watt);

} // namespace dwtest
