// Timer semantics: enabled/interval, restart, stop, form unload, no nesting.
#include "platform/forms/controls.h"
#include "platform/forms/doevents.h"
#include "platform/forms/timer.h"

#include <QElapsedTimer>

#include <algorithm>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {
// Runs the event loop for about ms milliseconds.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class TimerForm : public Form {
public:
    Timer tmrTick{this, QStringLiteral("tmrTick")};
    int designInterval = 0;
protected:
    void designForm() override
    {
        if (designInterval > 0)
            tmrTick.setInterval(designInterval);
    }
};
} // namespace

TEST(TimerControl, StandaloneTimerTicksOnlyWhileEnabledWithAnInterval)
{
    Timer timer;
    int ticks = 0;
    QObject::connect(&timer, &TimerControl::Timer, [&] { ++ticks; });
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 0);
    runFor(60);
    EXPECT_EQ(ticks, 0); // interval 0: stopped

    timer.setInterval(10);
    EXPECT_TRUE(timer.isRunning());
    runFor(120);
    EXPECT_GE(ticks, 2);

    timer.setEnabled(false);
    const int stopped = ticks;
    runFor(60);
    EXPECT_EQ(ticks, stopped);
    EXPECT_FALSE(timer.isRunning());
    EXPECT_EQ(timer.Interval(), 10);

    timer.setEnabled(true);
    timer.setInterval(0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.isRunning());
}

TEST(TimerControl, SettingIntervalRestartsTheCountdownButEnablingAgainDoesNot)
{
    Timer timer;
    int ticks = 0;
    QObject::connect(&timer, &TimerControl::Timer, [&] { ++ticks; });
    // Re-setting the interval every 50 ms keeps the first tick from coming,
    // for well over one interval. The interval leaves room for a loaded
    // machine; a gap between two resets longer than it would make the run
    // prove nothing, so such a run is repeated.
    constexpr int interval = 600;
    bool undisturbed = false;
    for (int attempt = 0; attempt < 3 && !undisturbed; ++attempt) {
        ticks = 0;
        timer.setInterval(interval);
        QElapsedTimer gap;
        gap.start();
        qint64 longestGap = 0;
        for (int i = 0; i < 16; ++i) {
            runFor(50);
            longestGap = std::max(longestGap, gap.restart());
            timer.setInterval(interval);
        }
        undisturbed = longestGap < interval;
        if (undisturbed) {
            EXPECT_EQ(ticks, 0);
        }
    }
    ASSERT_TRUE(undisturbed) << "the machine stalled longer than the interval in every attempt";

    // Enabled := True on a running timer leaves its countdown alone.
    timer.setInterval(100);
    for (int i = 0; i < 6 && ticks == 0; ++i) {
        runFor(50);
        timer.setEnabled(true);
    }
    EXPECT_GE(ticks, 1);
}

TEST(TimerControl, InvalidIntervalIsRejected)
{
    Timer timer;
    try {
        timer.setInterval(-1);
        FAIL() << "no error";
    } catch (const platform::RuntimeError &error) {
        EXPECT_EQ(error.Number(), 380);
    }
    EXPECT_EQ(timer.Interval(), 0);
}

TEST(TimerControl, TickIsNotNestedWhileItsHandlerYields)
{
    Timer timer;
    int depth = 0;
    int deepest = 0;
    int ticks = 0;
    QObject::connect(&timer, &TimerControl::Timer, [&] {
        ++ticks;
        ++depth;
        deepest = std::max(deepest, depth);
        if (ticks == 1)
            runFor(80); // a handler that lets events run for several intervals
        --depth;
    });
    timer.setInterval(10);
    runFor(150);
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(deepest, 1);
}

TEST(TimerControl, TimerOfAFormLoadsItAndStopsWithItsUnload)
{
    TimerForm form;
    form.designInterval = 10;
    int ticks = 0;
    QObject::connect(&form.tmrTick, &TimerControl::Timer, [&] { ++ticks; });
    EXPECT_FALSE(form.isLoaded());
    runFor(40);
    EXPECT_EQ(ticks, 0); // not loaded: no timer

    EXPECT_EQ(form.tmrTick.Interval(), 10); // touching it loads the form
    EXPECT_TRUE(form.isLoaded());
    runFor(80);
    EXPECT_GE(ticks, 1);

    form.tmrTick.setEnabled(false);
    form.Unload();
    const int atUnload = ticks;
    runFor(60);
    EXPECT_EQ(ticks, atUnload);
    // The next load starts from the design again: enabled, design interval.
    EXPECT_TRUE(form.tmrTick.Enabled());
    EXPECT_TRUE(form.tmrTick.isRunning());
    form.Unload();
    EXPECT_FALSE(form.tmrTick.isRunning());
}
