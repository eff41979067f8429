#pragma once
// A clock and a check timer that tests step by hand: a wait of hours passes
// in one call, and each tick is delivered exactly at its moment.
#include "scheduler/Alarm.h"

class TFakeClock final : public TClock {
public:
    explicit TFakeClock(const QDateTime& now) : FNow(now) {}
    QDateTime Now() const override { return FNow; }
    void Set(const QDateTime& now) { FNow = now; }
    void Advance(qint64 ms) { FNow = FNow.addMSecs(ms); }

private:
    QDateTime FNow;
};

class TFakeCheckTimer final : public TCheckTimer {
public:
    void Start(int ms) override
    {
        FActive = true;
        FInterval = ms;
    }
    void Stop() override { FActive = false; }
    bool IsActive() const override { return FActive; }
    int Interval() const { return FInterval; }

    // Moves the clock to the pending tick and delivers it; false when none
    // is pending.
    bool Elapse(TFakeClock& clock)
    {
        if (!FActive)
            return false;
        clock.Advance(FInterval);
        FActive = false;
        OnTick();
        return true;
    }

private:
    bool FActive = false;
    int FInterval = 0;
};
