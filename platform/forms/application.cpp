#include "platform/forms/application.h"

#include "platform/forms/constants.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"

#include <QDebug>

#include <atomic>
#include <new>

namespace platform::forms {

namespace {

std::atomic<int> caught{0};

Application::Observer &observer()
{
    static Application::Observer o;
    return o;
}

} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        report(std::current_exception());
        // The event counts as handled: nothing further is delivered for it.
        return true;
    }
}

QString Application::messageFor(std::exception_ptr error)
{
    QString detail;
    try {
        std::rethrow_exception(error);
    } catch (const platform::RuntimeError &e) {
        // A write error's description names the file and the cause.
        detail = e.Description() + QStringLiteral("\n（エラー番号 %1）").arg(e.Number());
    } catch (const std::bad_alloc &) {
        detail = QStringLiteral("メモリが不足しています。");
    } catch (const std::exception &e) {
        detail = QString::fromLocal8Bit(e.what());
    } catch (...) {
        detail = QStringLiteral("原因不明のエラーです。");
    }
    return QStringLiteral("処理中にエラーが発生したため、この操作を中止しました。\n") + detail;
}

int Application::caughtErrors() { return caught.load(); }

void Application::setObserver(Observer o) { observer() = std::move(o); }

void Application::report(std::exception_ptr error) noexcept
{
    ++caught;
    try {
        const QString message = messageFor(error);
        qWarning().noquote() << "last-resort handler:" << message;
        if (observer())
            observer()(message);
        MsgBox(message, vbOKOnly + vbCritical);
    } catch (...) {
        // Showing the error failed as well; the program still goes on.
        qWarning("last-resort handler: the error could not be shown");
    }
}

} // namespace platform::forms
