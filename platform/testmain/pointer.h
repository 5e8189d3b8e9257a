#pragma once
// Pointer moves that a test can rely on on every platform. Offscreen, a
// pointer put somewhere reaches the window at once; on an X server the server
// reports it later, and a pointer put into a window from outside arrives as
// an entry without a move.
#include <QPoint>

class QWidget;

namespace talviktest {

// Puts the pointer at `pos` of `w`, where a person's pointer would already
// be, and waits until the widget knows it is under the pointer. False when
// that never happened.
bool pointerInto(QWidget *w, const QPoint &pos);
// Moves the pointer to `pos` of `w` as a test move does, and waits until a
// widget (the one under the pointer) has had the move. False when no move
// arrived.
bool movePointer(QWidget *w, const QPoint &pos);

} // namespace talviktest
