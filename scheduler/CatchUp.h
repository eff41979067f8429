#pragma once
// What a run does with the instructions that fell due while the line to the
// device was lost, once it is back. They are not all fired at once: a
// trigger's moment has passed, so it is not sent; of the instructions that
// set something, only the latest for each target is carried out, so that
// the device is in the state the script expects from now on. Targets: a
// channel's setting (channel and setting), a channel's mode, the paradigm
// (Change Paradigm To and Load Paradigm). A Load Paradigm fills the paradigm
// that is current, so when it is the one carried out, the latest Change
// Paradigm To before it is carried out too. What is carried out keeps the
// list's order.
#include <QString>

#include <deque>

#include "script/ScriptModel.h"

namespace CatchUp {

inline const QString SkippedLost = QStringLiteral("skipped: the connection was lost");
inline const QString SkippedSuperseded = QStringLiteral("skipped: a later instruction set it");

enum class TChoice { CarryOut, SkipLost, SkipSuperseded };

// One acting instruction that fell due, in the order the run met them (a
// line of a loop may come once per pass).
struct TMissed {
    int Index = 0;
    qint64 DueMs = 0; // its moment, milliseconds since the epoch
    TChoice Choice = TChoice::CarryOut;
};

// Sets the Choice of every missed instruction.
void Choose(const TCommandsArray& commands, std::deque<TMissed>& missed);

// The log's outcome for a choice that skips; empty for CarryOut.
QString SkipText(TChoice choice);

} // namespace CatchUp
