#pragma once
// The console's pictures, drawn from the SVG resources at the size each
// control shows them.
#include <QIcon>
#include <QPixmap>

namespace Pictures {
QPixmap Mode(int mode);          // 0..6, FreeRun .. Off
QPixmap Shape(int shape);        // 0..2, Monopolar, Bipolar, rank
QPixmap Bulb(int state);         // link cell state 0, 1 ("+"), 2 ("*")
QPixmap Channel(bool on);        // channel switched on / off
QPixmap Trigger();
QIcon ProgramIcon();
}
