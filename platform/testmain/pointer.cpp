#include "pointer.h"

#include <QCursor>
#include <QEvent>
#include <QTest>
#include <QWidget>

namespace talviktest {

namespace {

constexpr int kWaitMs = 2000;

// Notes a move that reaches any widget.
struct MoveSeen : QObject {
    bool seen = false;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        seen = seen || (o->isWidgetType() && e->type() == QEvent::MouseMove);
        return false;
    }
};

} // namespace

bool pointerInto(QWidget *w, const QPoint &pos)
{
    MoveSeen filter;
    qApp->installEventFilter(&filter);
    QCursor::setPos(w->mapToGlobal(pos));
    for (int waited = 0; !w->underMouse() && waited < kWaitMs; waited += 10)
        QTest::qWait(10);
    // A move that follows the entry belongs to this step, not to the test's
    // next one: wait until the moves have stopped.
    for (int rounds = 0; rounds < 20; ++rounds) {
        filter.seen = false;
        QTest::qWait(25);
        if (!filter.seen)
            break;
    }
    qApp->removeEventFilter(&filter);
    return w->underMouse();
}

bool movePointer(QWidget *w, const QPoint &pos)
{
    MoveSeen filter;
    qApp->installEventFilter(&filter);
    QTest::mouseMove(w, pos);
    for (int waited = 0; !filter.seen && waited < kWaitMs; waited += 10)
        QTest::qWait(10);
    qApp->removeEventFilter(&filter);
    return filter.seen;
}

} // namespace talviktest
