// The look-ahead and the run's walk through its jumps against the plain walk
// they shorten: the same instruction, offset and counters from every
// instruction and counter state of hand-made and generated scripts, and a
// few steps per line where the loops nest, whatever their counts.
#include <gtest/gtest.h>

#include "JumpScripts.h"
#include "scheduler/JumpWalk.h"
#include "scheduler/LookAhead.h"

using namespace JumpScripts;

namespace {

constexpr qint64 StepsPerLine = 64;

TCommandsArray Parse(const QStringList& lines)
{
    return ScriptReader::ParseScript(TScriptLines(lines).Lines());
}

std::vector<qint32> CountersOf(const TCommandsArray& commands, qint32 TCommand::*counter)
{
    std::vector<qint32> counters;
    for (const TCommand& command : commands)
        counters.push_back(command.*counter);
    return counters;
}

std::string Describe(const QStringList& lines, const TCommandsArray& start, int index, qint64 limit)
{
    std::string text = lines.join('\n').toStdString() + "\ncounters";
    for (const TCommand& command : start)
        text += ' ' + std::to_string(command.Counter);
    return text + "\nfrom " + std::to_string(index) + " limit " + std::to_string(limit);
}

// From every instruction, with the counters as they are: the look-ahead
// against the plain walk, and the run's walk with each limit against the
// plain walk with that limit. Returns whether every walk kept the bound.
bool CompareEveryWalk(const QStringList& lines, const TCommandsArray& start, const std::vector<qint64>& limits)
{
    const TJumpPlan plan(start);
    const qint64 bound = StepsPerLine * qint64(start.size());
    bool withinBound = true;
    for (int index = 0; index < int(start.size()); ++index) {
        TCommandsArray ahead = start;
        TCommandsArray plain = start;
        LookAhead::Prepare(ahead);
        LookAhead::Prepare(plain);
        const int found = LookAhead::ResolveNextEvent(ahead, plan, index, 0);
        const TPlainWalk walked = WalkEveryPass(plain, &TCommand::PreviewCounter, index);
        const int expected = walked.Index < int(start.size()) ? walked.Index : -1;
        const std::string what = Describe(lines, start, index, NoLimit);
        EXPECT_EQ(found, expected) << what;
        if (found >= 0 && found == expected) {
            EXPECT_EQ(MsFromDayFraction(ahead[size_t(found)].NextTime),
                      walked.OffsetMs + MsFromDayFraction(start[size_t(found)].Time))
                << what;
        }
        EXPECT_EQ(CountersOf(ahead, &TCommand::PreviewCounter), CountersOf(plain, &TCommand::PreviewCounter)) << what;

        for (const qint64 limit : limits) {
            TCommandsArray run = start;
            TCommandsArray runPlain = start;
            const JumpWalk::TResult walk = JumpWalk::Walk(run, plan, &TCommand::Counter, index, 0,
                                                          std::min(limit, JumpWalk::NoLimit), {});
            const TPlainWalk plainWalk = WalkEveryPass(runPlain, &TCommand::Counter, index, 0, limit);
            const std::string at = Describe(lines, start, index, limit);
            EXPECT_EQ(walk.Index, plainWalk.Index) << at;
            EXPECT_EQ(walk.OffsetMs, plainWalk.OffsetMs) << at;
            EXPECT_EQ(CountersOf(run, &TCommand::Counter), CountersOf(runPlain, &TCommand::Counter)) << at;
            withinBound = withinBound && walk.Steps <= bound;
        }
    }
    return withinBound;
}

TEST(LookAhead, FindsWhatTheWalkFindsFromEveryInstructionAndCounterState)
{
    const QList<QStringList> handMade = {
        // nested loops around triggers
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
        // loops of jumps alone, nested three deep, one of them waiting
        {"00:00:01:Trigger Channel 1", "00:00:02:Jump To Time 00:00:02 Counting 3 Loops",
         "00:00:02:Jump To Time 00:00:02 Counting 2 Loops", "00:00:03:Jump To Time 00:00:02 Counting 2 Loops",
         "00:00:04:Jump To Time 00:00:02 Counting 3 Loops", "00:00:05:Trigger Channel 2"},
    };
    const std::vector<qint64> limits = {0, 1000, 2500, 4000, NoLimit};
    for (const QStringList& lines : handMade) {
        TCommandsArray commands = Parse(lines);
        for (int counters = 0; counters < 4; ++counters) {
            for (TCommand& command : commands)
                command.Counter = std::min(counters, command.Loops);
            EXPECT_TRUE(CompareEveryWalk(lines, commands, limits) || !LoopsNest(commands)) << lines.join('\n').toStdString();
        }
    }

    // Generated: the walks' equality everywhere, the bound where loops nest.
    TGenerator generator(17);
    int settling = 0;
    for (int script = 0; script < 3000 && !HasFailure(); ++script) {
        const QStringList lines = generator.Next(8, 3);
        TCommandsArray commands = Parse(lines);
        const TJumpPlan plan(commands);
        for (int index = 0; index < int(commands.size()); ++index)
            settling += LoopsNest(commands) && plan.Settles(index) && commands[size_t(index)].JumpTo < index;
        for (int state = 0; state < 4; ++state) {
            if (state > 0)
                generator.RandomCounters(commands);
            const std::vector<qint64> randomLimits = {qint64(generator.Pick(6000)) - 1000, NoLimit};
            EXPECT_TRUE(CompareEveryWalk(lines, commands, randomLimits) || !LoopsNest(commands))
                << lines.join('\n').toStdString();
        }
    }
    EXPECT_GT(settling, 200); // nested loops of jumps alone, not only self-jumps
}

TEST(LookAhead, LoopsOfJumpsAloneCostAFewStepsPerLineWhateverTheirCounts)
{
    // Three jumps that meet at one moment: about 10^15 passes, all at 10 s.
    TCommandsArray meet = Parse({"00:00:10:Jump To Time 00:00:10 Counting 99997 Loops",
                                 "00:00:10:Jump To Time 00:00:10 Counting 99998 Loops",
                                 "00:00:10:Jump To Time 00:00:10 Counting 99999 Loops", "00:00:11:Trigger Channel 1"});
    const TJumpPlan meetPlan(meet);
    LookAhead::Prepare(meet);
    EXPECT_EQ(LookAhead::ResolveNextEvent(meet, meetPlan, 0, 0), 3);
    EXPECT_EQ(MsFromDayFraction(meet[3].NextTime), 11'000);
    // The run, due at 10 s: every pass is due; the trigger comes next with
    // every counter back at 0.
    JumpWalk::TResult walk = JumpWalk::Walk(meet, meetPlan, &TCommand::Counter, 0, 0, 10'000, {});
    EXPECT_EQ(walk.Index, 3);
    EXPECT_EQ(walk.OffsetMs, 0);
    EXPECT_LE(walk.Steps, StepsPerLine * 4);
    EXPECT_EQ(CountersOf(meet, &TCommand::Counter), std::vector<qint32>(4, 0));

    // A self-jump that waits a second per pass, inside a loop that waits two.
    TCommandsArray wait = Parse({"00:00:00:Trigger Channel 1", "00:00:02:Jump To Time 00:00:01 Counting 999999 Loops",
                                 "00:00:04:Jump To Time 00:00:02 Counting 999999 Loops", "00:00:05:Trigger Channel 2"});
    ASSERT_EQ(wait[1].JumpTo, 1);
    ASSERT_EQ(wait[2].JumpTo, 1);
    const TJumpPlan waitPlan(wait);
    wait[1].Counter = 5; // the run is in the middle of the inner loop
    LookAhead::Prepare(wait);
    EXPECT_EQ(LookAhead::ResolveNextEvent(wait, waitPlan, 1, 0), 3);
    const qint64 inner = 999'999LL * 1000;
    EXPECT_EQ(MsFromDayFraction(wait[3].NextTime), 5000 + (inner - 5000) + 999'999LL * (2000 + inner));
    EXPECT_EQ(wait[1].Counter, 5); // the run's own counter is untouched
    // The run at the inner jump's moment: one pass is due, the next one a
    // second later is armed and waited for.
    walk = JumpWalk::Walk(wait, waitPlan, &TCommand::Counter, 1, 0, 2000, {});
    EXPECT_EQ(walk.Index, 1);
    EXPECT_EQ(walk.OffsetMs, 1000);
    EXPECT_EQ(wait[1].Counter, 6);
    EXPECT_LE(walk.Steps, StepsPerLine * 4);
}

} // namespace
