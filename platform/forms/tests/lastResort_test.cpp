// The application object's last-resort handler: an error that leaves a
// queued slot, a timer or a widget's event handler is shown in a message box
// naming the file and the cause, and the program goes on handling events.
#include "platform/fileio/durable.h"
#include "platform/forms/application.h"
#include "platform/forms/constants.h"
#include "platform/forms/dialogscript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <stdexcept>

using namespace platform::forms;

namespace {

const QString kLogFile = QStringLiteral("/prog/dDB.tran/download.log");

bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class LastResort : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(qobject_cast<Application *>(QCoreApplication::instance()), nullptr)
            << "the test main must run the program's application object";
        DialogScript::setUnexpectedDialogHandler([](const QString &r) { ADD_FAILURE() << r.toStdString(); });
        script = std::make_unique<DialogScript>();
        caughtBefore = Application::caughtErrors();
    }
    void TearDown() override
    {
        EXPECT_TRUE(script->verify());
        script.reset();
        DialogScript::setUnexpectedDialogHandler(nullptr);
    }
    // The box says which file could not be written and why.
    void expectBoxNamesFileAndCause(int index)
    {
        ASSERT_GT(script->shown().size(), index);
        const ShownDialog &box = script->shown()[index];
        EXPECT_TRUE(box.prompt.contains(kLogFile)) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(QStringLiteral("ディスクの空き領域が不足しています。"))) << box.prompt.toStdString();
        EXPECT_EQ(box.style & 0xF0, vbCritical);
    }

    std::unique_ptr<DialogScript> script;
    int caughtBefore = 0;
};

} // namespace

TEST_F(LastResort, WriteErrorFromAQueuedSlotIsShownAndTheLoopGoesOn)
{
    script->answerNext(vbOK);
    QObject target;
    bool after = false;
    QMetaObject::invokeMethod(
        &target, [] { throw platform::fileio::WriteError(kLogFile, ENOSPC); }, Qt::QueuedConnection);
    // Queued behind the failing slot: runs only if the loop survived it.
    QMetaObject::invokeMethod(&target, [&] { after = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(waitFor([&] { return after; }));
    EXPECT_EQ(Application::caughtErrors(), caughtBefore + 1);
    ASSERT_EQ(script->shown().size(), 1);
    expectBoxNamesFileAndCause(0);
}

TEST_F(LastResort, ErrorsFromATimerAndAClickedButtonAreShownEachTime)
{
    script->answerNext(vbOK);
    script->answerNext(vbOK);
    script->answerNext(vbOK);

    // A repeating timer whose handler fails twice keeps firing afterwards.
    QTimer timer;
    timer.setInterval(5);
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks <= 2)
            throw platform::fileio::WriteError(kLogFile, ENOSPC);
    });
    timer.start();
    ASSERT_TRUE(waitFor([&] { return ticks >= 4; }));
    timer.stop();
    EXPECT_EQ(Application::caughtErrors(), caughtBefore + 2);

    // A real mouse click whose handler fails; the button works again after.
    QPushButton button(QStringLiteral("保存"));
    button.resize(120, 40);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        if (++clicks == 1)
            throw platform::fileio::WriteError(kLogFile, ENOSPC);
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(Application::caughtErrors(), caughtBefore + 3);
    ASSERT_EQ(script->shown().size(), 3);
    for (int i = 0; i < 3; ++i)
        expectBoxNamesFileAndCause(i);
}

TEST_F(LastResort, OtherErrorsAreShownWithTheirText)
{
    // Not every error is a write error; each still reaches the user.
    EXPECT_TRUE(Application::messageFor(std::make_exception_ptr(std::runtime_error("bad frame")))
                    .contains(QStringLiteral("bad frame")));
    EXPECT_TRUE(Application::messageFor(std::make_exception_ptr(
                                            platform::RuntimeError(platform::err::PathNotFound,
                                                                   QStringLiteral("パスが見つかりません。"))))
                    .contains(QStringLiteral("パスが見つかりません。")));
    EXPECT_FALSE(Application::messageFor(std::make_exception_ptr(42)).isEmpty());
    // The observer sees the message that the box shows.
    QString observed;
    Application::setObserver([&](const QString &m) { observed = m; });
    // Shown for real, as outside tests: a box with its OK button.
    script->showAndPressNext(vbOK);
    QObject target;
    QMetaObject::invokeMethod(
        &target, [] { throw std::runtime_error("queue overflow"); }, Qt::QueuedConnection);
    ASSERT_TRUE(waitFor([&] { return !script->shown().isEmpty(); }));
    Application::setObserver({});
    EXPECT_EQ(observed, script->shown()[0].prompt);
    EXPECT_TRUE(script->shown()[0].shownForReal);
    EXPECT_EQ(script->shown()[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(observed.contains(QStringLiteral("queue overflow")));
}
