#pragma once
// The alarm: calls OnAlarm once its due moment has come. It does not poll at
// a fixed rate: far from the moment, each check waits half the time still
// left, never less than AlarmCurrency milliseconds (the floor); once less
// than the floor is left, it waits exactly what is left, rounded up to whole
// milliseconds, on a precise timer. A wake-up 10 s ahead with a floor of
// 50 ms is checked after 5 s, 7.5 s, 8.75 s, ... and at the moment itself;
// one 12 hours ahead costs about 20 checks.
//
// The due moment is a full date-time on the wall clock, so a moment on a
// later calendar day waits for that day, and a check just after midnight
// finds a moment of the day before reached. An armed alarm fires at the
// first check at or after its moment: never earlier, whatever the wall
// clock does meanwhile. The timer counts on a monotonic clock, so a check
// may come before the moment on the wall clock (the clock was set back or
// slewed): it then waits the rest, not the floor. How late it fires depends
// on the timer's precision and on what else the event loop is busy with.
//
// Protocol (all on the owner's thread, driven by its event loop):
//   - The check stops the timer before calling OnAlarm, so no tick arrives
//     while the handler runs, even when it lets events run; after the handler
//     the next check is scheduled from the state the handler left.
//   - While the due moment stays reached and the alarm stays armed, every
//     check (one floor apart) calls OnAlarm again: the handler is expected to
//     disable the alarm or give it a new moment.
//   - No checks run while the alarm is disabled, not armed (AlarmOn false) or
//     has no due moment.
//   - The handler must not destroy the alarm.
//
// The run engine's use: create it with AlarmCurrency 50 and Enabled false,
// OnAlarm = FireEvent; per instruction SetEnabled(false), SetDue(StartTime +
// offset), and SetEnabled(true) unless the moment has already passed.
#include <QDateTime>
#include <QTime>

#include <functional>
#include <memory>

#include "CheckTimer.h"
#include "Clock.h"

class TAlarm {
public:
    using THandler = std::function<void(TAlarm& sender)>;

    // clock is not owned and must outlive the alarm.
    TAlarm(const TClock& clock, std::unique_ptr<TCheckTimer> timer);
    ~TAlarm();
    TAlarm(const TAlarm&) = delete;
    TAlarm& operator=(const TAlarm&) = delete;

    // Called at each check that finds the due moment reached.
    THandler OnAlarm;

    // The alarm runs: its checks are scheduled. Default true.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);

    // The alarm is armed: a reached moment calls OnAlarm. Default true.
    bool AlarmOn() const { return FAlarmOn; }
    void SetAlarmOn(bool on);

    // The shortest wait of the checks far from the moment, and between the
    // checks of a reached moment, in milliseconds (at least 1); takes effect
    // at the next scheduling. Default 1000.
    quint32 AlarmCurrency() const { return FAlarmCurrency; }
    void SetAlarmCurrency(quint32 ms) { FAlarmCurrency = ms; }

    // The moment to fire at. An invalid date-time (the default) means none.
    QDateTime Due() const { return FDue; }
    void SetDue(const QDateTime& due);

    // The due moment's time of day.
    QTime WakeUpTime() const { return FDue.time(); }
    // Only the time of day of moment counts: the alarm becomes due at its
    // next occurrence from now, DueMoment(now, moment.time()), so a time of
    // day equal to now is reached at once.
    void SetWakeUpTime(const QDateTime& moment);

    // The due moment has come (now is at or after it).
    bool Reached() const;

private:
    // The wait before the next check when remainingMs are left until the
    // moment (0 or less: reached) and the floor is alarmCurrency.
    static qint64 NextWaitMs(qint64 remainingMs, quint32 alarmCurrency);
    void Check();
    void ScheduleCheck();

    const TClock& FClock;
    std::unique_ptr<TCheckTimer> FTimer;
    QDateTime FDue;
    quint32 FAlarmCurrency = 1000;
    bool FEnabled = true;
    bool FAlarmOn = true;
};
