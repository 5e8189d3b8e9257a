#pragma once
// The program's application object: a QApplication whose event delivery is
// the last line of defence against run-time errors. An exception that leaves
// a slot, a timer or an event handler is caught where Qt delivers the event,
// shown in a message box (for a failed write: the file and the cause) and the
// program goes on with the next event instead of ending.
#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

namespace platform::forms {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Errors caught by the last-resort handler since the start.
    static int caughtErrors();
    // The text the last-resort handler shows for an exception.
    static QString messageFor(std::exception_ptr error);
    // Sees every caught error before its box is shown (tests, logging); the
    // box is shown whatever the observer does.
    using Observer = std::function<void(const QString &message)>;
    static void setObserver(Observer observer);

private:
    void report(std::exception_ptr error) noexcept;
};

} // namespace platform::forms
