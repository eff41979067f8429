#include "JumpWalk.h"

#include <algorithm>

using JumpMath::Add;
using JumpMath::Mul;

namespace JumpWalk {

namespace {

// How many of a settling loop's remaining passes are due: all that pass p
// arms is due by offset + p * pass + the latest moment within a pass.
qint64 DuePasses(const TJumpPlan& plan, int index, qint64 remaining, qint64 offsetMs, qint64 limitMs)
{
    if (limitMs >= NoLimit)
        return remaining;
    const qint64 pass = plan.PassMs(index);
    const qint64 room = Add(limitMs, -Add(offsetMs, plan.LatestInPassMs(index)));
    if (pass <= 0) // the first pass ends latest
        return pass <= room ? remaining : 0;
    return room < pass ? 0 : std::min(remaining, room / pass);
}

} // namespace

TResult Walk(TCommandsArray& commands, const TJumpPlan& plan, qint32 TCommand::*counter, int index,
             qint64 offsetMs, qint64 dueLimitMs, const std::function<bool()>& keepGoing)
{
    TResult walk {index, offsetMs};
    int& at = walk.Index;
    // Every counter in [atRest, at) is 0: the walk came up through them.
    int atRest = index;
    // A stretch of settling loops at rest above the walk, which it crosses at
    // once when it comes up to the stretch's start.
    int stretchFrom = -1;
    int stretchTo = -1;
    bool first = true;
    while (at >= 0 && at < plan.Count()) {
        if (++walk.Steps % StepsBetweenChecks == 0 && keepGoing && !keepGoing()) {
            walk.Aborted = true;
            return walk;
        }
        if (!first && Add(walk.OffsetMs, plan.TimeMs(at)) > dueLimitMs)
            return walk;
        first = false;
        if (at == stretchFrom) {
            stretchFrom = -1;
            qint64 added = 0;
            qint64 latest = 0;
            if (plan.Stretch(at, stretchTo, added, latest) && Add(walk.OffsetMs, latest) <= dueLimitMs) {
                walk.OffsetMs = Add(walk.OffsetMs, added);
                at = stretchTo;
                continue;
            }
        }
        TCommand& command = commands[size_t(at)];
        if (command.Kind != KindJump)
            return walk;
        qint32& taken = command.*counter;
        if (taken >= command.Loops) {
            taken = 0;
            ++at;
            continue;
        }
        const int destination = command.JumpTo;
        const bool settles = plan.Settles(at);
        if (settles && atRest <= destination) {
            // The loops inside are at rest: every remaining pass adds the same.
            const qint64 remaining = qint64(command.Loops) - taken;
            const qint64 due = DuePasses(plan, at, remaining, walk.OffsetMs, dueLimitMs);
            walk.OffsetMs = Add(walk.OffsetMs, Mul(due, plan.PassMs(at)));
            if (due == remaining) {
                taken = 0;
                ++at;
                continue;
            }
            taken += qint32(due);
        }
        // One pass, walked.
        stretchFrom = settles && atRest > destination ? atRest : -1;
        stretchTo = at;
        ++taken;
        walk.OffsetMs = Add(walk.OffsetMs, plan.ShiftMs(at));
        atRest = destination <= at ? std::min(atRest, destination) : destination;
        at = destination;
    }
    return walk;
}

} // namespace JumpWalk
