// The run engine's firing chain on a fake clock against the plain chain, in
// which every arming looks ahead pass by pass and every pass of a jump is
// carried out and armed on its own: generated scripts fire the same lines at
// the same moments and wait at the same instructions with the same counters.
// And a walk of any shape lets events run, so that Stop ends it.
#include <gtest/gtest.h>

#include "FakeTime.h"
#include "InstantTarget.h"
#include "JumpScripts.h"
#include "scheduler/JumpWalk.h"
#include "scheduler/LookAhead.h"
#include "scheduler/RunEngine.h"

using namespace JumpScripts;

namespace {

const QDateTime Morning(QDate(2026, 6, 1), QTime(12, 0));
constexpr qint64 DelayMs = 1000;
constexpr int MaxChecks = 100'000;

qint64 Since(qint64 ms) { return ms - Morning.toMSecsSinceEpoch(); }

QString Fired(int line, qint64 dueMs, qint64 doneMs)
{
    return QStringLiteral("fire %1 due %2 done %3").arg(line).arg(Since(dueMs)).arg(Since(doneMs));
}

QString Waiting(int index, const TCommandsArray& commands, qint64 startMs)
{
    QString text = QStringLiteral("wait %1 start %2 counters").arg(index).arg(Since(startMs));
    for (const TCommand& command : commands)
        text += QStringLiteral(" %1").arg(command.Counter);
    return text;
}

// The plain chain on its own alarm, armed and fired as the engine's is.
class TPlainRun {
public:
    TPlainRun(const QStringList& lines, TFakeClock& clock)
        : FCommands(ScriptReader::ParseScript(lines))
        , FClock(clock)
    {
        auto timer = std::make_unique<TFakeCheckTimer>();
        Timer = timer.get();
        FAlarm = std::make_unique<TAlarm>(clock, std::move(timer));
        FAlarm->SetEnabled(false);
        FAlarm->SetAlarmCurrency(TRunEngine::AlarmCurrency);
        FAlarm->OnAlarm = [this](TAlarm&) {
            FAlarm->SetEnabled(false);
            ArmFrom(CarryOut(FCurrent));
        };
    }

    void Start()
    {
        FStartMs = FClock.MsecsSinceEpoch() + DelayMs;
        ArmFrom(0);
    }

    TFakeCheckTimer* Timer = nullptr;
    QStringList Trace;

private:
    void ArmFrom(int index)
    {
        for (;;) {
            FCurrent = index;
            TCommandsArray preview = FCommands;
            LookAhead::Prepare(preview);
            if (WalkEveryPass(preview, &TCommand::PreviewCounter, index).Index >= int(FCommands.size())) {
                Trace << QStringLiteral("end");
                return;
            }
            const qint64 due = DueMs(index);
            if (FClock.MsecsSinceEpoch() < due) {
                FAlarm->SetDue(QDateTime::fromMSecsSinceEpoch(due));
                FAlarm->SetEnabled(true);
                Trace << Waiting(index, FCommands, FStartMs);
                return;
            }
            index = CarryOut(index);
        }
    }

    int CarryOut(int index)
    {
        TCommand& command = FCommands[size_t(index)];
        if (command.Kind != KindJump) {
            Trace << Fired(index + 1, DueMs(index), FClock.MsecsSinceEpoch());
            return index + 1;
        }
        if (command.Counter < command.Loops) {
            ++command.Counter;
            FStartMs += MsFromDayFraction(command.Time) - MsFromDayFraction(command.Params.value(0).toDouble());
            return command.JumpTo;
        }
        command.Counter = 0;
        return index + 1;
    }

    qint64 DueMs(int index) const { return FStartMs + MsFromDayFraction(FCommands[size_t(index)].Time); }

    TCommandsArray FCommands;
    TFakeClock& FClock;
    std::unique_ptr<TAlarm> FAlarm;
    qint64 FStartMs = 0;
    int FCurrent = 0;
};

class JumpChain : public testing::Test {
protected:
    void MakeEngine()
    {
        auto timer = std::make_unique<TFakeCheckTimer>();
        Timer = timer.get();
        Engine = std::make_unique<TRunEngine>(Target, Clock, std::move(timer), Sound);
        Engine->LetEventsRun = nullptr;
        Engine->OnCarried = [this](const TRunRecord& record) {
            Trace << Fired(record.Line, record.Due.toMSecsSinceEpoch(), record.Done.toMSecsSinceEpoch());
        };
        Engine->OnStopped = [this] { Trace << QStringLiteral("end"); };
    }

    // After the start and after each check of the alarm: where the run waits.
    void NoteWait()
    {
        if (!Engine->Alarm().Enabled())
            return;
        const QString wait = Waiting(Engine->CurrentIndex(), Engine->Commands(), Engine->StartTime().toMSecsSinceEpoch());
        if (Trace.isEmpty() || Trace.back() != wait)
            Trace << wait;
    }

    TFakeClock Clock {Morning};
    TFakeCheckTimer* Timer = nullptr;
    TInstantTarget Target;
    TSilentSoundPlayer Sound;
    std::unique_ptr<TRunEngine> Engine;
    QStringList Trace;
};

TEST_F(JumpChain, FiresAndWaitsAsThePlainChainDoes)
{
    TGenerator generator(29);
    for (int script = 0; script < 400 && !HasFailure(); ++script) {
        const QStringList lines = generator.Next(8, 2);
        TFakeClock plainClock(Morning);
        TPlainRun plain(lines, plainClock);
        plain.Start();
        for (int checks = 0; checks < MaxChecks && plain.Timer->Elapse(plainClock); ++checks) {
        }

        Clock.Set(Morning);
        Trace.clear();
        MakeEngine();
        Engine->Start(TScriptLines(lines), DelayMs);
        NoteWait();
        for (int checks = 0; checks < MaxChecks && Timer->Elapse(Clock); ++checks)
            NoteWait();
        EXPECT_EQ(Trace, plain.Trace) << lines.join('\n').toStdString();
    }
}

TEST_F(JumpChain, LongWalksLetEventsRunAndAStopThereEndsThem)
{
    // The forward jump and the loop around the trigger overlap: the walk to
    // the trigger takes two million passes, one by one.
    const TScriptLines lines({"00:00:01:Jump To Time 00:00:03 Counting 999999 Loops", "00:00:02:Trigger Channel 1",
                              "00:00:03:Jump To Time 00:00:01 Counting 999999 Loops"});
    MakeEngine();
    int calls = 0;
    std::function<void()> operatorAct;
    Engine->LetEventsRun = [&] {
        ++calls;
        if (operatorAct)
            operatorAct();
    };

    // The operator stops the run while its first arming looks ahead.
    operatorAct = [&] { Engine->Stop(); };
    Engine->Start(lines, DelayMs);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(Engine->Active());
    EXPECT_FALSE(Timer->IsActive());

    // Undisturbed, the look-ahead lets events run all along its walk.
    operatorAct = nullptr;
    calls = 0;
    Engine->Start(lines, DelayMs);
    EXPECT_GT(calls, 2'000'000 / JumpWalk::StepsBetweenChecks - 10);
    ASSERT_TRUE(Engine->Active());
    EXPECT_EQ(Engine->NextIndex(), 1);

    // The jump falls due and the chain walks the passes; Stop ends it.
    operatorAct = [&] { Engine->Stop(); };
    calls = 0;
    while (Engine->Active() && Timer->Elapse(Clock)) {
    }
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(Engine->Active());
    EXPECT_EQ(Trace, QStringList({"end", "end"})); // the trigger never fired
}

} // namespace
