#pragma once
// The plain walk through a script's jumps, one pass per step, that the
// look-ahead and the run's firing chain must match; the shape in which they
// promise a few steps per line; and generated scripts that try both.
#include <QStringList>

#include <limits>
#include <random>

#include "script/ScriptLines.h"
#include "script/ScriptReader.h"

namespace JumpScripts {

inline constexpr qint64 NoLimit = std::numeric_limits<qint64>::max();

struct TPlainWalk {
    int Index = -1;
    qint64 OffsetMs = 0;
    qint64 Steps = 0;
};

// From index on, a jump below its count is taken and one at its count is
// passed over (its counter back to 0); ends at the first instruction that
// acts, past the last one, at an instruction after the first whose moment
// lies after limitMs, or after maxSteps.
inline TPlainWalk WalkEveryPass(TCommandsArray& commands, qint32 TCommand::*counter, int index,
                                qint64 offsetMs = 0, qint64 limitMs = NoLimit,
                                qint64 maxSteps = std::numeric_limits<qint64>::max())
{
    TPlainWalk walk {index, offsetMs};
    for (bool first = true; walk.Index >= 0 && walk.Index < int(commands.size()) && walk.Steps < maxSteps;
         first = false) {
        TCommand& command = commands[size_t(walk.Index)];
        const qint64 time = MsFromDayFraction(command.Time);
        if ((!first && walk.OffsetMs + time > limitMs) || command.Kind != KindJump)
            break;
        ++walk.Steps;
        qint32& taken = command.*counter;
        if (taken < command.Loops) {
            ++taken;
            walk.OffsetMs += time - MsFromDayFraction(command.Params.value(0).toDouble());
            walk.Index = command.JumpTo;
        } else {
            taken = 0;
            ++walk.Index;
        }
    }
    return walk;
}

// Every jump that is taken lies at or after its destination, and the ranges
// from destination to jump nest (none overlaps another only in part).
inline bool LoopsNest(const TCommandsArray& commands)
{
    for (const TCommand& a : commands) {
        if (a.Kind != KindJump || a.Loops <= 0)
            continue;
        if (a.JumpTo > a.Index)
            return false;
        for (const TCommand& b : commands) {
            if (b.Kind == KindJump && b.Loops > 0 && b.Index > a.Index && b.JumpTo <= a.Index && b.JumpTo > a.JumpTo)
                return false;
        }
    }
    return true;
}

// Scripts of up to maxLines lines on five moments, mostly jumps with small
// loop counts: self-jumps, nested and overlapping loops, loops of jumps alone
// and loops around triggers, forward and backward jumps. A line with
// milliseconds sorts before the short lines of its second, so some jumps
// that go back in the list go forward in time.
class TGenerator {
public:
    explicit TGenerator(unsigned seed) : FRandom(seed) {}

    int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(FRandom); }

    // The sorted lines of a script that reads (destinations inside it).
    QStringList Next(int maxLines, int maxLoops)
    {
        for (;;) {
            QStringList lines;
            const int count = 1 + Pick(maxLines);
            for (int i = 0; i < count; ++i) {
                const QString instruction = Pick(10) < 7
                    ? QStringLiteral("Jump To Time %1 Counting %2 Loops").arg(Moment()).arg(Pick(maxLoops + 1))
                    : QStringLiteral("Trigger Channel %1").arg(1 + Pick(3));
                lines << Moment() + QLatin1Char(':') + instruction;
            }
            lines = TScriptLines(lines).Lines();
            try {
                ScriptReader::ParseScript(lines);
                return lines;
            } catch (const EKelvorError&) {
            }
        }
    }

    // Counters a run can hold: each jump's between 0 and its count.
    void RandomCounters(TCommandsArray& commands)
    {
        for (TCommand& command : commands)
            command.Counter = command.Kind == KindJump && command.Loops > 0 ? Pick(command.Loops + 1) : 0;
    }

private:
    QString Moment()
    {
        const QString second = QStringLiteral("00:00:0%1").arg(Pick(5));
        return Pick(6) == 0 ? second + QStringLiteral(":500") : second;
    }

    std::mt19937 FRandom;
};

} // namespace JumpScripts
