#include "CatchUp.h"

#include <set>
#include <tuple>

namespace CatchUp {

namespace {

// What an instruction sets: its kind's family and the channel and setting.
using TTarget = std::tuple<int, int, int>;

constexpr int ParadigmFamily = KindParadigm; // Change Paradigm To and Load Paradigm

TTarget TargetOf(const TCommand& command)
{
    const int channel = command.Params.value(0).toInt();
    switch (command.Kind) {
    case KindSetting: return {KindSetting, channel, command.Params.value(1).toInt()};
    case KindMode: return {KindMode, channel, 0};
    default: return {ParadigmFamily, 0, 0};
    }
}

} // namespace

void Choose(const TCommandsArray& commands, std::deque<TMissed>& missed)
{
    std::set<TTarget> met;
    bool loadWantsItsParadigm = false;
    // From the latest back: the first one met for a target is the one kept.
    for (auto it = missed.rbegin(); it != missed.rend(); ++it) {
        const TCommand& command = commands[size_t(it->Index)];
        switch (command.Kind) {
        case KindTrigger: it->Choice = TChoice::SkipLost; continue;
        case KindSetting:
        case KindMode:
        case KindParadigm:
        case KindLoadFile: break;
        default: it->Choice = TChoice::CarryOut; continue;
        }
        const bool first = met.insert(TargetOf(command)).second;
        if (first && command.Kind == KindLoadFile)
            loadWantsItsParadigm = true;
        if (!first && command.Kind == KindParadigm && loadWantsItsParadigm) {
            loadWantsItsParadigm = false;
            it->Choice = TChoice::CarryOut;
            continue;
        }
        it->Choice = first ? TChoice::CarryOut : TChoice::SkipSuperseded;
    }
}

QString SkipText(TChoice choice)
{
    switch (choice) {
    case TChoice::SkipLost: return SkippedLost;
    case TChoice::SkipSuperseded: return SkippedSuperseded;
    case TChoice::CarryOut: break;
    }
    return {};
}

} // namespace CatchUp
