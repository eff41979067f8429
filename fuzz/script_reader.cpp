// Fuzzes the script reader as the scheduler meets a file: the bytes are split
// into lines at CR, LF or CR LF (any mixture), sorted as the script list keeps
// them, and parsed. EKelvorError (the reader's messages, the integer
// conversion message) is an expected outcome; a crash, a hang or a sanitizer
// report is a finding. A script that reads back must keep its promises: every
// jump's destination is an instruction of the script, every channel and
// paradigm is one the device has.
//
// Such a script then runs, within bounds on steps:
//  - the look-ahead from every instruction finds what the plain walk, one
//    pass per step, finds (where that walk ends within PlainSteps), and where
//    the loops nest it takes at most 64 steps per line;
//  - the run engine carries the script out on a fake clock, with a target
//    that acts at once, for MaxChecks checks of its alarm; a walk that goes
//    on past MaxEventCalls rounds of window events is stopped as the operator
//    would. Nothing may run before its moment.
#include "FuzzCheck.h"
#include "base/KelvorErrors.h"
#include "scheduler/JumpWalk.h"
#include "scheduler/LookAhead.h"
#include "scheduler/RunEngine.h"
#include "script/ScriptFile.h"
#include "script/ScriptLines.h"
#include "script/ScriptReader.h"
#include "tests/scheduler/FakeTime.h"
#include "tests/scheduler/InstantTarget.h"
#include "tests/scheduler/JumpScripts.h"

#include <QByteArray>

#include <cstdint>

namespace {

constexpr qint64 StepsPerLine = 64;
constexpr qint64 PlainSteps = 100'000;
constexpr int MaxChecks = 500;
constexpr int MaxEventCalls = 16;

void CheckPromises(const TCommandsArray& commands)
{
    for (const TCommand& command : commands) {
        if (command.Kind == KindJump)
            FUZZ_CHECK(command.JumpTo >= 0 && command.JumpTo < int(commands.size()),
                       "a jump's destination outside the script");
        if (command.Kind >= KindTrigger && command.Kind <= KindParadigm) {
            const int number = command.Params.value(0).toInt();
            FUZZ_CHECK(number >= 1 && number <= 9, "a channel or paradigm the device does not have");
        }
    }
}

void CheckLookAhead(const TCommandsArray& commands)
{
    const TJumpPlan plan(commands);
    const qint64 bound = StepsPerLine * qint64(commands.size());
    const bool nest = JumpScripts::LoopsNest(commands);
    for (int index = 0; index < int(commands.size()); ++index) {
        TCommandsArray ahead = commands;
        TCommandsArray plain = commands;
        // Past the bound and the plain walk's steps, nothing is left to compare.
        qint64 checks = 0;
        const auto keepGoing = [&] { return ++checks * JumpWalk::StepsBetweenChecks <= bound + PlainSteps; };
        const JumpWalk::TResult walk =
            JumpWalk::Walk(ahead, plan, &TCommand::PreviewCounter, index, 0, JumpWalk::NoLimit, keepGoing);
        FUZZ_CHECK(!nest || (!walk.Aborted && walk.Steps <= bound), "a walk through nesting loops took too long");
        const JumpScripts::TPlainWalk expected =
            JumpScripts::WalkEveryPass(plain, &TCommand::PreviewCounter, index, 0, JumpScripts::NoLimit, PlainSteps);
        if (walk.Aborted || expected.Steps >= PlainSteps)
            continue;
        FUZZ_CHECK(walk.Index == expected.Index && walk.OffsetMs == expected.OffsetMs,
                   "the look-ahead and the plain walk disagree");
        for (size_t i = 0; i < commands.size(); ++i)
            FUZZ_CHECK(ahead[i].PreviewCounter == plain[i].PreviewCounter, "the walks leave other counters");
    }
}

void CheckRun(const TScriptLines& lines)
{
    TFakeClock clock(QDateTime(QDate(2026, 6, 1), QTime(23, 59, 30)));
    auto timer = std::make_unique<TFakeCheckTimer>();
    TFakeCheckTimer* checks = timer.get();
    TInstantTarget target;
    TSilentSoundPlayer silence;
    TRunEngine engine(target, clock, std::move(timer), silence);
    int eventCalls = 0;
    engine.LetEventsRun = [&] {
        if (++eventCalls > MaxEventCalls)
            engine.Stop();
    };
    engine.OnCarried = [](const TRunRecord& record) {
        FUZZ_CHECK(record.Done >= record.Due, "an instruction ran before its moment");
    };
    engine.Start(lines, 1000);
    for (int i = 0; i < MaxChecks && engine.Active() && checks->Elapse(clock); ++i)
        eventCalls = 0;
    engine.Stop();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const TScriptLines lines(ScriptFile::SplitLines(bytes));
    for (const QString& line : lines.Lines()) {
        try {
            ScriptReader::ParseScriptLine(line);
        } catch (const EKelvorError&) {
        }
    }
    TCommandsArray commands;
    try {
        commands = ScriptReader::ParseScript(lines.Lines());
    } catch (const EKelvorError&) {
        return 0;
    }
    FUZZ_CHECK(commands.size() == size_t(lines.Count()), "one instruction per line");
    CheckPromises(commands);
    CheckLookAhead(commands);
    CheckRun(lines);
    return 0;
}
