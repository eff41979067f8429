#include "LookAhead.h"

#include "JumpWalk.h"

namespace LookAhead {

void Prepare(TCommandsArray& commands)
{
    for (TCommand& command : commands)
        command.PreviewCounter = command.Counter;
}

int ResolveNextEvent(TCommandsArray& commands, const TJumpPlan& plan, int index, double offset,
                     const std::function<bool()>& keepGoing)
{
    const JumpWalk::TResult walk = JumpWalk::Walk(commands, plan, &TCommand::PreviewCounter, index,
                                                  MsFromDayFraction(offset), JumpWalk::NoLimit, keepGoing);
    if (walk.Aborted || walk.Index < 0 || walk.Index >= plan.Count())
        return -1;
    commands[size_t(walk.Index)].NextTime = DayFractionFromMs(JumpMath::Add(walk.OffsetMs, plan.TimeMs(walk.Index)));
    return walk.Index;
}

int ResolveNextEvent(TCommandsArray& commands, int index, double offset)
{
    return ResolveNextEvent(commands, TJumpPlan(commands), index, offset);
}

} // namespace LookAhead
