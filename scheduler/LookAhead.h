#pragma once
// The look-ahead of a run: from the instruction the alarm is armed for, the
// path the run itself will take through the jumps, up to the next
// instruction that acts (anything but a jump). It works on the jumps'
// PreviewCounter, never on Counter, so the run's own state stays as it is.
//
// The walk is JumpWalk's: loops made of jumps alone whose ranges nest are
// added up, so a million-pass self-jump, or three of them that meet at one
// moment, cost a few steps per line at every arming.
#include <functional>

#include "JumpPlan.h"
#include "script/ScriptModel.h"

namespace LookAhead {

// Copies every instruction's Counter into its PreviewCounter.
void Prepare(TCommandsArray& commands);

// The index of the next acting instruction from index on, or -1 when the run
// ends first. offset is the day fraction, relative to the run's start time,
// that the walk starts from; the result's NextTime is its projected offset.
// plan is the script's (TJumpPlan of commands). A long walk asks keepGoing
// now and then; when it answers false the result is -1.
int ResolveNextEvent(TCommandsArray& commands, const TJumpPlan& plan, int index, double offset,
                     const std::function<bool()>& keepGoing = {});
// The same with a plan made for this call.
int ResolveNextEvent(TCommandsArray& commands, int index, double offset);

} // namespace LookAhead
