#pragma once
// The walk through a script's jumps as the run takes them: from an
// instruction on, a jump whose counter is below its loop count is taken (the
// counter counts the pass, the start moves by the jump's shift, the walk goes
// on at its destination); a jump whose count is used up is passed over and
// its counter goes back to 0. The walk ends at the first instruction that
// acts, or past the last one.
//
// The look-ahead walks the PreviewCounters with no limit. The run's firing
// chain walks the Counters and stops at the first instruction that is not
// yet due: passes that lie in the future are armed and waited for one by one.
//
// Cost: the passes of loops that settle (JumpPlan.h) are added up, and a
// stretch of settling loops known to be at rest is crossed in one step. When
// every loop the walk meets either settles or holds an instruction that acts,
// and their ranges nest, a walk takes at most a few steps per script line,
// whatever the loop counts. Any other shape is walked pass by pass, and
// keepGoing is asked every StepsBetweenChecks steps: the run lets window
// events run there, and the walk ends when it answers false.
#include <functional>

#include "JumpPlan.h"

namespace JumpWalk {

inline constexpr qint64 StepsBetweenChecks = 1024;
inline constexpr qint64 NoLimit = JumpMath::Latest;

struct TResult {
    int Index = -1;       // where the walk stopped
    qint64 OffsetMs = 0;  // the offset reached there
    qint64 Steps = 0;     // instructions visited, stretches crossed
    bool Aborted = false; // keepGoing answered false
};

// counter: the counter the walk takes and resets (&TCommand::PreviewCounter
// or &TCommand::Counter). The instruction at index is taken as due; any later
// one whose moment (offset + its time) lies after dueLimitMs stops the walk.
TResult Walk(TCommandsArray& commands, const TJumpPlan& plan, qint32 TCommand::*counter, int index,
             qint64 offsetMs, qint64 dueLimitMs, const std::function<bool()>& keepGoing);

} // namespace JumpWalk
