// The look-ahead against the walk it shortens: the same next instruction and
// projected offset on nested and forward jumps, and a million-pass self-jump
// resolved without walking its passes.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "scheduler/LookAhead.h"
#include "script/ScriptLines.h"
#include "script/ScriptReader.h"

namespace {

// The look-ahead as a plain walk, one pass of a jump per step.
int WalkEveryPass(TCommandsArray& commands, int index, double offset)
{
    while (index < int(commands.size())) {
        TCommand& command = commands[size_t(index)];
        if (command.Kind != KindJump) {
            command.NextTime = offset + command.Time;
            return index;
        }
        if (command.PreviewCounter < command.Loops) {
            ++command.PreviewCounter;
            offset += command.Time - command.Params.value(0).toDouble();
            index = command.JumpTo;
        } else {
            command.PreviewCounter = 0;
            ++index;
        }
    }
    return -1;
}

TCommandsArray Parse(const QStringList& lines)
{
    return ScriptReader::ParseScript(TScriptLines(lines).Lines());
}

qint64 Ms(double dayFraction)
{
    return MsFromDayFraction(dayFraction);
}

TEST(LookAhead, FindsWhatTheWalkFindsFromEveryInstructionAndCounterState)
{
    const QList<QStringList> scripts = {
        // nested loops
        {"00:00:00:Trigger Channel 1", "00:00:02:Trigger Channel 2",
         "00:00:03:Jump To Time 00:00:02 Counting 2 Loops", "00:00:05:Jump To Time 00:00:00 Counting 3 Loops",
         "00:00:06:Trigger Channel 3"},
        // self-jumps that wait (destination before the jump, nothing between)
        // and that follow one another at one moment
        {"00:00:00:Trigger Channel 1", "00:00:04:Jump To Time 00:00:01 Counting 5 Loops",
         "00:00:09:Jump To Time 00:00:09 Counting 4 Loops", "00:00:09:Jump To Time 00:00:09 Counting 3 Loops",
         "00:00:12:Trigger Channel 2"},
        // a forward jump and a script that ends in jumps
        {"00:00:01:Jump To Time 00:00:08 Counting 1 Loops", "00:00:05:Trigger Channel 1",
         "00:00:08:Jump To Time 00:00:08 Counting 2 Loops"},
    };
    for (const QStringList& lines : scripts) {
        TCommandsArray commands = Parse(lines);
        for (int counters = 0; counters < 4; ++counters) {
            for (TCommand& command : commands)
                command.Counter = std::min(counters, command.Loops);
            for (int index = 0; index < int(commands.size()); ++index) {
                TCommandsArray walked = commands;
                LookAhead::Prepare(commands);
                LookAhead::Prepare(walked);
                const int found = LookAhead::ResolveNextEvent(commands, index, 0);
                ASSERT_EQ(found, WalkEveryPass(walked, index, 0)) << lines.join('\n').toStdString() << " from " << index;
                if (found >= 0)
                    EXPECT_EQ(Ms(commands[size_t(found)].NextTime), Ms(walked[size_t(found)].NextTime));
            }
        }
    }
}

TEST(LookAhead, AMillionPassSelfJumpIsResolvedInOneStep)
{
    TCommandsArray commands = Parse({"00:00:00:Trigger Channel 1",
                                     "00:00:02:Jump To Time 00:00:01 Counting 999999 Loops",
                                     "00:00:03:Trigger Channel 2"});
    ASSERT_EQ(commands[1].JumpTo, 1);
    QElapsedTimer clock;
    clock.start();
    int found = -1;
    for (int arming = 0; arming < 1000; ++arming) {
        LookAhead::Prepare(commands);
        found = LookAhead::ResolveNextEvent(commands, 1, 0);
    }
    // A walk of a million passes a thousand times would take minutes.
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(found, 2);
    EXPECT_EQ(Ms(commands[2].NextTime), 3000 + 999999LL * 1000);
    EXPECT_EQ(commands[1].Counter, 0); // the run's own counter is untouched
}

} // namespace
