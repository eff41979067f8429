#pragma once
// The look-ahead of a run: from the instruction the alarm is armed for, the
// path the run itself will take through the jumps, up to the next
// instruction that acts (anything but a jump). It works on the jumps'
// PreviewCounter, never on Counter, so the run's own state stays as it is.
//
// It is a walk whose length is the number of jumps it passes, with one
// shortcut: a jump whose destination is the jump itself repeats at once
// until its count is used up, so its remaining passes are added up in one
// step. A million-pass self-jump costs the same as a single pass, at every
// one of its million armings.
#include "script/ScriptModel.h"

namespace LookAhead {

// Copies every instruction's Counter into its PreviewCounter.
void Prepare(TCommandsArray& commands);

// The index of the next acting instruction from index on, or -1 when the run
// ends first. offset is the day fraction, relative to the run's start time,
// that the walk starts from; the result's NextTime is its projected offset.
int ResolveNextEvent(TCommandsArray& commands, int index, double offset);

} // namespace LookAhead
