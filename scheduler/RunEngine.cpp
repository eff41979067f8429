#include "RunEngine.h"

#include <QCoreApplication>
#include <QLocale>

#include "JumpWalk.h"
#include "LookAhead.h"
#include "script/ScriptReader.h"

namespace {

// While instructions follow one another at once, window events run this
// often: often enough for a Stop and a redraw, seldom enough that a million
// self-jumps are not slowed by a million passes through the event queue.
constexpr qint64 EventsEveryMs = 10;

constexpr qint64 MsPerSecond = 1000;
constexpr qint64 MsPerMinute = 60 * MsPerSecond;
constexpr qint64 MsPerHour = 60 * MsPerMinute;

// The activation field's "HH:MM": hours 0-23 and minutes 0-59.
qint64 ActivationDelayMs(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool hoursOk = false;
    bool minutesOk = false;
    const int hours = parts.size() == 2 ? parts[0].trimmed().toInt(&hoursOk) : 0;
    const int minutes = parts.size() == 2 ? parts[1].trimmed().toInt(&minutesOk) : 0;
    if (!hoursOk || !minutesOk || hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    const qint64 delay = hours * MsPerHour + minutes * MsPerMinute;
    return delay == 0 ? MsPerSecond : delay;
}

QString EndOutcome(TRunEnd how)
{
    switch (how) {
    case TRunEnd::ByOperator: return QStringLiteral("Stopped by the operator");
    case TRunEnd::ConsoleClosed: return QStringLiteral("Stopped: the console was closed");
    case TRunEnd::Completed: break;
    }
    return QStringLiteral("Completed");
}

// The system's long time format without a time zone name: the status text
// names a moment on the wall clock.
QString LongTimeText(const QTime& time)
{
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

} // namespace

TRunEngine::TRunEngine(TScriptTarget& target, const TClock& clock, std::unique_ptr<TCheckTimer> checkTimer,
                       TSoundPlayer& sound)
    : FTarget(target)
    , FClock(clock)
    , FSound(sound)
    , FAlarm(clock, std::move(checkTimer))
{
    FAlarm.SetEnabled(false);
    FAlarm.SetAlarmCurrency(AlarmCurrency);
    FAlarm.OnAlarm = [this](TAlarm&) { FireEvent(); };
    FTarget.OnLineLost = [this] { LineDown(); };
    FSinceEvents.start();
    LetEventsRun = [this] {
        if (FSinceEvents.elapsed() < EventsEveryMs)
            return;
        QCoreApplication::processEvents();
        FSinceEvents.restart();
    };
}

TRunEngine::~TRunEngine()
{
    FTarget.OnLineLost = nullptr;
    FAlarm.OnAlarm = nullptr;
}

QDateTime TRunEngine::StartTime() const
{
    return QDateTime::fromMSecsSinceEpoch(FStartMs);
}

void TRunEngine::Start(const TScriptLines& lines, const QString& activationTime)
{
    // A run that is going ends first (the new one replaces it), so that
    // nothing of it is carried out while the new one is being prepared.
    Stop(TRunEnd::ByOperator);
    Start(lines, ActivationDelayMs(activationTime));
}

void TRunEngine::Start(const TScriptLines& lines, qint64 delayMs)
{
    Stop(TRunEnd::ByOperator);
    FAlarm.SetEnabled(false);
    ++FRun;
    FActive = true;
    FHalted = false;
    FHaltReason.clear();
    FEnding = {};
    FWaitingForIdle = false;
    FLineDown = false;
    FMissed.clear();
    FArmedDueMs = -1;
    FShownNextMs = -1;
    FStatusText.clear();
    FRunningLateMs = 0;
    FLateness.Clear();
    FLines = lines;
    FCurrentIndex = -1;
    FNextIndex = -1;
    try {
        FCommands = ScriptReader::ParseScript(FLines.Lines());
    } catch (...) {
        FCommands.clear();
        Stop();
        throw;
    }
    FStartMs = FClock.MsecsSinceEpoch() + delayMs;
    ArmEvent(0);
}

void TRunEngine::Stop(TRunEnd how)
{
    FAlarm.SetEnabled(false);
    FWaitingForIdle = false;
    FLineDown = false; // no more tries
    FMissed.clear();
    if (!FActive)
        return;
    FActive = false;
    ++FRun;
    FEnding.Done = QDateTime::fromMSecsSinceEpoch(FClock.MsecsSinceEpoch());
    FEnding.Outcome = FHalted ? QStringLiteral("Halted: ") + FHaltReason : EndOutcome(how);
    if (OnStopped)
        OnStopped();
}

void TRunEngine::ArmEvent(int index)
{
    RunFrom(index);
}

void TRunEngine::FireEvent()
{
    FAlarm.SetEnabled(false);
    if (!FActive || FHalted || FWaitingForIdle)
        return;
    // While the line is lost the alarm wakes the engine for the next try.
    if (FLineDown) {
        TryReconnect();
        return;
    }
    const quint64 run = FRun;
    const int next = FMissed.empty() ? CarryOutCurrent() : CarryOutMissed();
    if (next >= 0 && Running(run))
        RunFrom(next);
}

// Arms index, and while what is armed is already due, carries it out and
// arms the one after: one loop for the whole chain.
void TRunEngine::RunFrom(int index)
{
    const quint64 run = FRun;
    while (Running(run) && Arm(index) == TArming::DueNow && Running(run)) {
        index = CarryOutCurrent();
        if (index < 0)
            return;
    }
}

TRunEngine::TArming TRunEngine::Arm(int index)
{
    FAlarm.SetEnabled(false);
    FCurrentIndex = index;
    if (index < 0 || index >= int(FCommands.size())) {
        Stop();
        return TArming::Ended;
    }
    const quint64 run = FRun;
    LookAhead::Prepare(FCommands);
    FNextIndex = LookAhead::ResolveNextEvent(FCommands, Plan(), index, 0, EventsRunDuring(run));
    if (!Running(run))
        return TArming::Ended;
    if (FNextIndex < 0) {
        Stop();
        return TArming::Ended;
    }
    const qint64 due = DueMs(index);
    // The alarm keeps a full date-time: a moment on the next calendar day
    // waits for that day. (Building one costs microseconds; a self-jump
    // re-arms the same moment a million times.)
    if (due != FArmedDueMs) {
        FAlarm.SetDue(QDateTime::fromMSecsSinceEpoch(due));
        FArmedDueMs = due;
    }
    ShowNextEvent(FStartMs + MsFromDayFraction(FCommands[size_t(FNextIndex)].NextTime));
    Changed();
    if (!Running(run))
        return TArming::Ended;
    if (FClock.MsecsSinceEpoch() >= due)
        return TArming::DueNow;
    FAlarm.SetEnabled(true);
    return TArming::Waiting;
}

int TRunEngine::CarryOutCurrent()
{
    const int index = FCurrentIndex;
    TCommand& command = FCommands[size_t(index)];
    if (command.Kind == KindJump)
        return CarryOutJumps(index);
    if (FTarget.Busy()) {
        WaitUntilIdle();
        return -1;
    }
    return CarryOut(index, DueMs(index)) ? index + 1 : -1;
}

TRunRecord TRunEngine::RecordFor(int index, qint64 dueMs) const
{
    TRunRecord record;
    record.Due = QDateTime::fromMSecsSinceEpoch(dueMs);
    record.Line = index + 1;
    record.Text = FLines.At(index);
    return record;
}

bool TRunEngine::CarryOut(int index, qint64 dueMs)
{
    const TCommand& command = FCommands[size_t(index)];
    FSound.Play(SoundDing);
    TRunRecord record = RecordFor(index, dueMs);
    record.Done = QDateTime::fromMSecsSinceEpoch(FClock.MsecsSinceEpoch());
    const quint64 run = FRun;
    try {
        record.Outcome = Perform(command);
    } catch (const ESilentAbort& error) {
        // A lost line: the instruction is dealt with once the device is back.
        if (!FTarget.LostPort().isEmpty()) {
            LineDown();
            return false;
        }
        Halt(record, error.Message());
        return false;
    } catch (const EKelvorError& error) {
        Halt(record, error.Message());
        if (OnFailed)
            OnFailed(error.Message());
        return false;
    } catch (const std::exception& error) {
        const QString message = QString::fromLocal8Bit(error.what());
        Halt(record, message);
        if (OnFailed)
            OnFailed(message);
        return false;
    }
    NoteLateness(record.LatenessMs());
    if (OnCarried)
        OnCarried(record);
    return Running(run);
}

// The walk stops at the first instruction that acts or is not yet due; the
// start moves by all the passes taken on the way. The view is told once.
int TRunEngine::CarryOutJumps(int index)
{
    const quint64 run = FRun;
    const qint64 dueLimitMs = FClock.MsecsSinceEpoch() - FStartMs;
    const JumpWalk::TResult walk = JumpWalk::Walk(FCommands, Plan(), &TCommand::Counter, index, 0, dueLimitMs,
                                                  EventsRunDuring(run));
    if (walk.Aborted || !Running(run))
        return -1;
    FStartMs = JumpMath::Add(FStartMs, walk.OffsetMs);
    Changed();
    return Running(run) ? walk.Index : -1;
}

// The view is told too, as often as events run, so that the list fills and
// the counters a long chain of passes takes move while it goes on.
std::function<bool()> TRunEngine::EventsRunDuring(quint64 run)
{
    FSinceShown.start();
    return [this, run] {
        if (OnChanged && FSinceShown.elapsed() >= EventsEveryMs) {
            OnChanged();
            FSinceShown.restart();
        }
        if (LetEventsRun)
            LetEventsRun();
        return Running(run);
    };
}

const TJumpPlan& TRunEngine::Plan()
{
    if (FPlanRun != FRun) {
        FPlan = TJumpPlan(FCommands);
        FPlanRun = FRun;
    }
    return FPlan;
}

QString TRunEngine::Perform(const TCommand& command)
{
    const TVariantArray& p = command.Params;
    switch (command.Kind) {
    case KindTrigger: return FTarget.TriggerChannel(p.value(0).toInt());
    case KindSetting: return FTarget.SetChannelParameter(p.value(0).toInt(), p.value(1).toInt(), p.value(2).toString());
    case KindMode: return FTarget.SetChannelMode(p.value(0).toInt(), p.value(1).toInt());
    case KindParadigm: return FTarget.SelectParadigm(p.value(0).toInt());
    case KindLoadFile: return FTarget.LoadParadigmFromFile(p.value(0).toString());
    default: return ScriptOutcome::Nothing;
    }
}

// The run stays active with the alarm off: the operator sees where and why
// it stopped and ends it. Nothing is marked as next: nothing will run.
void TRunEngine::Halt(TRunRecord& record, const QString& message)
{
    record.Outcome = message;
    if (OnCarried)
        OnCarried(record);
    HaltRun(message);
}

void TRunEngine::HaltRun(const QString& message)
{
    FHalted = true;
    FHaltReason = message;
    FAlarm.SetEnabled(false);
    FNextIndex = -1;
    FStatusText = QStringLiteral("The run has halted: ") + message;
    if (OnChanged)
        OnChanged();
}

void TRunEngine::WaitUntilIdle()
{
    FWaitingForIdle = true;
    const quint64 run = FRun;
    const std::weak_ptr<bool> alive = FAlive;
    FTarget.CallWhenIdle([this, run, alive] {
        if (alive.expired() || !FWaitingForIdle || !Running(run))
            return;
        FWaitingForIdle = false;
        FireEvent();
    });
}

void TRunEngine::Changed()
{
    if (OnChanged)
        OnChanged();
    if (LetEventsRun)
        LetEventsRun();
}

qint64 TRunEngine::DueMs(int index) const
{
    return FStartMs + MsFromDayFraction(FCommands[size_t(index)].Time);
}

void TRunEngine::ShowNextEvent(qint64 nextMs)
{
    if (nextMs == FShownNextMs)
        return;
    FShownNextMs = nextMs;
    FStatusText = QStringLiteral("Next event will be held at ")
        + LongTimeText(QDateTime::fromMSecsSinceEpoch(nextMs).time());
}

void TRunEngine::NoteLateness(qint64 latenessMs)
{
    FLateness.Add(latenessMs);
    FRunningLateMs = latenessMs > LateAfterMs ? latenessMs : 0;
}
