// The run engine when the line to the device is lost: a brief cable drop
// must not end an overnight run. The engine tries the lost port again (the
// target opens that port only, never a search) every RetryEveryMs on the
// alarm, so the run's clock drives the tries as it drives the instructions.
// The operator's F5 may find the device meanwhile; the next try then finds
// it connected. Once the device is back the instructions that fell due
// meanwhile are dealt with (CatchUp.h), then the run goes on as armed. A
// device that stays away GiveUpAfterMs halts the run.
#include "RunEngine.h"

void TRunEngine::LineDown()
{
    if (!FActive || FHalted || FLineDown)
        return;
    const QString port = FTarget.LostPort();
    if (port.isEmpty())
        return;
    FLineDown = true;
    FWaitingForIdle = false; // nothing runs until the device is back
    FLostAtMs = FClock.MsecsSinceEpoch();
    Note(FLostAtMs, ScriptOutcome::LineLost);
    FStatusBeforeLoss = FStatusText;
    FStatusText = QStringLiteral("Connection lost: trying %1 again\u2026").arg(port);
    ArmRetry();
    if (OnChanged)
        OnChanged();
}

// The tries keep their beat from the loss on (a second, two seconds, ...),
// however late a try came or long it took.
void TRunEngine::ArmRetry()
{
    const qint64 tries = (FClock.MsecsSinceEpoch() - FLostAtMs) / RetryEveryMs + 1;
    FAlarm.SetEnabled(false);
    FAlarm.SetDue(QDateTime::fromMSecsSinceEpoch(FLostAtMs + tries * RetryEveryMs));
    FArmedDueMs = -1; // the next arming sets the instruction's moment again
    FAlarm.SetEnabled(true);
}

void TRunEngine::TryReconnect()
{
    const quint64 run = FRun;
    const QString port = FTarget.Reconnect();
    if (!Running(run) || !FLineDown)
        return;
    if (!port.isEmpty()) {
        LineBack(port);
        return;
    }
    if (FClock.MsecsSinceEpoch() - FLostAtMs >= GiveUpAfterMs) {
        FLineDown = false;
        FMissed.clear();
        HaltRun(ScriptOutcome::LineLost);
        return;
    }
    ArmRetry();
}

void TRunEngine::LineBack(const QString& port)
{
    const qint64 now = FClock.MsecsSinceEpoch();
    Note(now, QStringLiteral("Connected again on %1 after %2 s").arg(port, QString::number((now - FLostAtMs) / 1000.0, 'f', 1)));
    FLineDown = false;
    FStatusText = FStatusBeforeLoss;
    const quint64 run = FRun;
    CollectMissed();
    if (!Running(run))
        return;
    CatchUp::Choose(FCommands, FMissed);
    Changed();
    if (!Running(run))
        return;
    const int next = CarryOutMissed();
    if (next >= 0 && Running(run))
        RunFrom(next);
}

// Walks the run on from the current instruction as far as it is due by now,
// taking its jumps as the run would have, and notes each acting instruction
// met on the way with its moment.
void TRunEngine::CollectMissed()
{
    const quint64 run = FRun;
    const qint64 now = FClock.MsecsSinceEpoch();
    int index = FCurrentIndex;
    while (index >= 0 && index < int(FCommands.size()) && DueMs(index) <= now) {
        if (FCommands[size_t(index)].Kind == KindJump) {
            index = CarryOutJumps(index);
            if (!Running(run))
                return;
            continue;
        }
        FMissed.push_back({index, DueMs(index)});
        ++index;
    }
    FCurrentIndex = index;
}

// Deals with the missed instructions in the order the run met them; the
// index to arm next, or -1 (waiting for the console, the line lost again,
// halted, stopped). One that meets a lost line again stays first in line.
int TRunEngine::CarryOutMissed()
{
    const quint64 run = FRun;
    while (!FMissed.empty()) {
        const CatchUp::TMissed missed = FMissed.front();
        if (missed.Choice != CatchUp::TChoice::CarryOut) {
            TRunRecord record = RecordFor(missed.Index, missed.DueMs);
            record.Outcome = CatchUp::SkipText(missed.Choice);
            FMissed.pop_front();
            if (OnCarried)
                OnCarried(record);
        } else if (FTarget.Busy()) {
            WaitUntilIdle();
            return -1;
        } else if (CarryOut(missed.Index, missed.DueMs)) {
            FMissed.pop_front();
        } else {
            if (!FLineDown)
                FMissed.clear();
            return -1;
        }
        if (LetEventsRun)
            LetEventsRun();
        if (!Running(run))
            return -1;
    }
    return FCurrentIndex;
}

void TRunEngine::Note(qint64 ms, const QString& text)
{
    if (OnNote)
        OnNote(QDateTime::fromMSecsSinceEpoch(ms), text);
}
