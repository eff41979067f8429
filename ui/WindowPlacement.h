#pragma once
// Where the console's secondary windows (monitor, waveform, scheduler) open.
// A window manager would place them; without one they would open over the
// main window and hide its controls. So the first time (when no position of
// an earlier run is kept) such a window opens beside the main window, and it
// never takes the keyboard from the window the operator works in: a click on
// it gives it the keyboard (TKelvorApplication).
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace WindowPlacement {

// Right of anchor when there is room on the screen, else below it. Where
// neither fits (a 1280x1024 screen has room for the main window and the
// waveform window neither side by side nor one above the other), the place
// on the screen that overlaps anchor least, never over keep (the anchor's
// title and menu bar: the operator must still reach the menus and move the
// window away).
QPoint Beside(const QRect& anchor, const QRect& keep, const QSize& size, const QRect& screen);

// The part of window that a window opened beside it must leave visible: from
// the frame's top down to the end of its menu bar.
QRect TitleAndMenuBar(const QWidget* window);

// Shows window (raised, without taking the keyboard); a window that is not
// yet visible and has no kept position first moves beside anchor.
void ShowBeside(QWidget* window, const QWidget* anchor, bool positionKept);

} // namespace WindowPlacement
