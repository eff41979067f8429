#include "Alarm.h"

#include <algorithm>

namespace {

// Waits longer than a day are cut: a check once a day costs nothing, and the
// timer's count stays within an int.
constexpr qint64 LongestWait = 86'400'000;

} // namespace

qint64 TAlarm::NextWaitMs(qint64 remainingMs, quint32 alarmCurrency)
{
    const qint64 floor = std::max<qint64>(alarmCurrency, 1);
    // Reached: checked again one floor later, while its owner leaves it armed.
    if (remainingMs <= 0)
        return floor;
    // The final approach, and a check that came early (the timer counts on a
    // monotonic clock, the moment is on the wall clock): the rest, exactly.
    // Now is read truncated to the millisecond, so the rest is rounded up and
    // the next check never lands before the moment.
    if (remainingMs < floor)
        return remainingMs;
    // Far from the moment: half the distance each time, never less than the floor.
    return std::clamp(remainingMs / 2, floor, std::max(floor, LongestWait));
}

TAlarm::TAlarm(const TClock& clock, std::unique_ptr<TCheckTimer> timer)
    : FClock(clock)
    , FTimer(std::move(timer))
{
    FTimer->OnTick = [this] { Check(); };
}

TAlarm::~TAlarm()
{
    FTimer->Stop();
    FTimer->OnTick = nullptr;
}

void TAlarm::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    ScheduleCheck();
}

void TAlarm::SetAlarmOn(bool on)
{
    if (on == FAlarmOn)
        return;
    FAlarmOn = on;
    ScheduleCheck();
}

void TAlarm::SetDue(const QDateTime& due)
{
    FDue = due;
    ScheduleCheck();
}

void TAlarm::SetWakeUpTime(const QDateTime& moment)
{
    SetDue(DueMoment(FClock.Now(), moment.time()));
}

bool TAlarm::Reached() const
{
    return FDue.isValid() && FClock.Now() >= FDue;
}

void TAlarm::Check()
{
    // Stopped first: no tick may arrive while the handler runs.
    FTimer->Stop();
    if (!FEnabled)
        return;
    if (FAlarmOn && OnAlarm && Reached())
        OnAlarm(*this);
    ScheduleCheck();
}

void TAlarm::ScheduleCheck()
{
    if (!FEnabled || !FAlarmOn || !FDue.isValid()) {
        FTimer->Stop();
        return;
    }
    FTimer->Start(int(NextWaitMs(FClock.Now().msecsTo(FDue), FAlarmCurrency)));
}
