#include "TimelineTicks.h"

#include <QElapsedTimer>

#include "JumpWalk.h"
#include "LookAhead.h"
#include "RunEngine.h"

namespace TimelineTicks {

int RowOf(const TCommand& command)
{
    switch (command.Kind) {
    case KindTrigger:
    case KindSetting:
    case KindMode: {
        const int channel = command.Params.value(0).toInt();
        return channel >= 1 && channel <= ChannelRows ? channel - 1 : -1;
    }
    case KindParadigm:
    case KindLoadFile: return ParadigmRow;
    default: return -1;
    }
}

TTick Carried(const TRunEngine& engine, const TRunRecord& record)
{
    TTick tick;
    const int index = record.Line - 1;
    // An instruction skipped after a lost line was never carried out: no tick.
    if (!record.Done.isValid()) {
        tick.Row = -1;
        return tick;
    }
    tick.Row = index >= 0 && index < int(engine.Commands().size()) ? RowOf(engine.Commands()[size_t(index)]) : -1;
    tick.Ms = record.Done.toMSecsSinceEpoch();
    tick.Done = true;
    tick.Late = record.LatenessMs() > TRunEngine::LateAfterMs;
    return tick;
}

std::vector<TTick> Coming(const TRunEngine& engine, qint64 nowMs)
{
    std::vector<TTick> ticks;
    if (!engine.Active() || engine.Halted() || engine.CurrentIndex() < 0)
        return ticks;
    // The walks count on copies: the run's own counters stay as they are.
    TCommandsArray commands = engine.Commands();
    LookAhead::Prepare(commands);
    const TJumpPlan plan(commands);
    const qint64 startMs = engine.StartTime().toMSecsSinceEpoch();
    const qint64 endMs = nowMs + FutureSpanMs;
    QElapsedTimer looking;
    looking.start();
    const auto keepGoing = [&looking] { return looking.elapsed() < LookBudgetMs; };
    qint64 offsetMs = 0;
    for (int index = engine.CurrentIndex(); index < plan.Count() && int(ticks.size()) < MaxFutureTicks;) {
        const JumpWalk::TResult walk =
            JumpWalk::Walk(commands, plan, &TCommand::PreviewCounter, index, offsetMs, JumpWalk::NoLimit, keepGoing);
        if (walk.Aborted || walk.Index < 0 || walk.Index >= plan.Count())
            break;
        TTick tick;
        tick.Ms = JumpMath::Add(JumpMath::Add(startMs, walk.OffsetMs), plan.TimeMs(walk.Index));
        if (tick.Ms > endMs)
            break;
        tick.Row = RowOf(commands[size_t(walk.Index)]);
        tick.Late = nowMs - tick.Ms > TRunEngine::LateAfterMs;
        if (tick.Row >= 0)
            ticks.push_back(tick);
        index = walk.Index + 1;
        offsetMs = walk.OffsetMs;
    }
    return ticks;
}

} // namespace TimelineTicks
