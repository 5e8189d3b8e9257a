#pragma once
// Placing of a top-level window: centred on its owner or on its screen, or
// where the program put it. Before the window manager has framed a window
// its frame is only a guess; once the window is first exposed its own frame
// is known, and the window is placed again with it.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace platform::forms {

// The frame the window manager put around a top-level window, as the
// window system tells it now: none for a frameless window, a child or a
// window not framed yet. QWidget::frameGeometry() keeps the frame it learnt
// at the window's last move or resize, and misses a frame told after that
// (the frame extents may come after the first configure of a window).
// A frame still being built (a side told negative) is none yet.
QMargins frameMarginsOf(QWidget *window);

// The outer rectangle of a top-level window, its frame as told now included.
QRect outerGeometry(QWidget *window);

// Puts the frame's top-left corner of a window at topLeft, by the frame as
// told now (a hidden window by the frame it will get when shown).
void moveFrameTo(QWidget *window, const QPoint &topLeft);

// The frame's top-left corner that centres a frame of size outer on target.
QPoint centredTopLeft(const QSize &outer, const QRect &target);

// The same top-left corner moved so that the frame lies on area where it fits.
QPoint keptOn(const QPoint &topLeft, const QSize &outer, const QRect &area);

// Centres window again on the frame of on (on its screen's available area
// when on is null or hidden) with its own frame, once it is exposed and
// framed.
// The window must be shown or about to be. Its hiding cancels it, and so
// does a later place given by the program (keepPlaceOnceFramed).
void centreOnceFramed(QWidget *window, QWidget *on);

// For a shown window not yet exposed, just moved by the program: its frame
// is put where the program asked once the window manager has framed it
// (before that, the window system may take the place for the inner window).
void keepPlaceOnceFramed(QWidget *window);

// For a window whose frame the window manager has not told yet, just sized
// by the program (outer width and height, -1 for one not given): once it is
// shown and framed, its frame gets that size. Before that the size can only
// be given to the inner window, and the frame would be that much larger.
void keepSizeOnceFramed(QWidget *window, int outerWidth, int outerHeight);

// True while a sizing of window waits on the window manager.
bool sizingPending(QWidget *window);

// The outer size a pending sizing gives the window's frame: width and height
// each -1 where none is pending. The program reads back the size it gave
// while the window manager has not framed the window yet.
QSize outerSizeAsked(QWidget *window);

// True while a placing of window waits on the window manager.
bool placingPending(QWidget *window);

// Cancels a pending placing of window.
void cancelPlacing(QWidget *window);

} // namespace platform::forms
