#include "Alarm.h"

#include <algorithm>
#include <limits>

namespace {

// Waits longer than a day are cut: a check once a day costs nothing, and the
// timer's count stays within an int.
constexpr qint64 LongestWait = 86'400'000;

} // namespace

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
    const qint64 floor = std::max<qint64>(FAlarmCurrency, 1);
    const qint64 remaining = FClock.Now().msecsTo(FDue);
    // Half the distance each time: the checks close in on the moment.
    const qint64 wait = std::clamp(remaining / 2, floor, std::max(floor, LongestWait));
    FTimer->Start(int(std::min<qint64>(wait, std::numeric_limits<int>::max())));
}
