// The alarm on a fake clock: the halving waits far from the moment and the
// exact final approach, never early whatever the wall clock does (also across
// midnight), the time-of-day view, the switches; then once on the real clock
// and timer.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimeZone>

#include <vector>

#include "FakeTime.h"
#include "scheduler/Alarm.h"

namespace {

constexpr int Floor = 50;
const QDate Day(2026, 6, 1);

class AlarmTest : public testing::Test {
protected:
    AlarmTest()
    {
        auto timer = std::make_unique<TFakeCheckTimer>();
        FTimer = timer.get();
        FAlarm = std::make_unique<TAlarm>(FClock, std::move(timer));
        FAlarm->SetAlarmCurrency(Floor);
        FAlarm->OnAlarm = [this](TAlarm& sender) {
            EXPECT_EQ(&sender, FAlarm.get());
            FFirings.push_back(FClock.Now());
            if (FDisableOnFire)
                sender.SetEnabled(false);
        };
    }

    // Delivers ticks until the alarm fires (or no tick is pending, or
    // maxChecks passed); returns the moments of the checks.
    std::vector<QDateTime> RunUntilFired(int maxChecks = 100)
    {
        std::vector<QDateTime> checks;
        const size_t firedBefore = FFirings.size();
        while (FFirings.size() == firedBefore && int(checks.size()) < maxChecks && FTimer->Elapse(FClock))
            checks.push_back(FClock.Now());
        return checks;
    }

    static QDateTime At(QDate date, int h, int m, int s, int ms = 0)
    {
        return QDateTime(date, QTime(h, m, s, ms), Qt::UTC);
    }

    TFakeClock FClock {At(Day, 12, 0, 0)};
    TFakeCheckTimer* FTimer = nullptr; // owned by the alarm
    std::unique_ptr<TAlarm> FAlarm;
    std::vector<QDateTime> FFirings;
    bool FDisableOnFire = true;
};

TEST_F(AlarmTest, HalvesFarWaitsThenWaitsExactlyTheTimeLeft)
{
    const QDateTime start = FClock.Now();
    // A moment off the floor's grid: the last wait is not a floor.
    const QDateTime due = start.addMSecs(10'007);
    FAlarm->SetDue(due);
    const std::vector<QDateTime> checks = RunUntilFired();

    ASSERT_GE(checks.size(), 5u);
    EXPECT_EQ(start.msecsTo(checks[0]), 5003);
    EXPECT_EQ(start.msecsTo(checks[1]), 7505);
    EXPECT_EQ(start.msecsTo(checks[2]), 8756);
    for (size_t i = 1; i + 1 < checks.size(); ++i) {
        const qint64 wait = checks[i - 1].msecsTo(checks[i]);
        EXPECT_GE(wait, Floor);
        EXPECT_LE(wait, std::max<qint64>(checks[i - 1].msecsTo(due) / 2, Floor));
    }
    // The final approach: below the floor, exactly the rest; fired at the moment.
    EXPECT_LT(checks[checks.size() - 2].msecsTo(due), Floor);
    ASSERT_EQ(FFirings.size(), 1u);
    EXPECT_EQ(FFirings[0], due);
    EXPECT_EQ(checks.back(), due);
    EXPECT_FALSE(FTimer->IsActive()); // the handler disabled it

    // Twelve hours ahead cost about twenty checks.
    FAlarm->SetDue(FClock.Now().addSecs(12 * 3600));
    FAlarm->SetEnabled(true);
    EXPECT_LE(RunUntilFired().size(), 22u);
    EXPECT_EQ(FFirings.size(), 2u);
}

// The timer counts on a monotonic clock while the moment is on the wall
// clock, which may be set back, slewed or set forward meanwhile. However it
// moves, nothing fires before the moment; a check that comes a little early
// waits the rest, not the floor.
TEST_F(AlarmTest, NeverEarlyWhateverTheWallClockDoes)
{
    const QDateTime due = FClock.Now().addSecs(10);
    FAlarm->SetDue(due);

    // Set back an hour during the first wait: the check finds the moment far
    // ahead again and closes in on it anew.
    FClock.Advance(-3600 * 1000);
    ASSERT_TRUE(FTimer->Elapse(FClock));
    EXPECT_TRUE(FFirings.empty());
    EXPECT_EQ(FTimer->Interval(), FClock.Now().msecsTo(due) / 2);
    while (FClock.Now().msecsTo(due) >= Floor)
        ASSERT_TRUE(FTimer->Elapse(FClock));
    EXPECT_TRUE(FFirings.empty());
    EXPECT_EQ(FTimer->Interval(), FClock.Now().msecsTo(due));

    // Slewed back 3 ms during the final wait: the check comes early, finds
    // the moment ahead and waits the 3 ms left.
    FClock.Advance(-3);
    ASSERT_TRUE(FTimer->Elapse(FClock));
    EXPECT_TRUE(FFirings.empty());
    EXPECT_EQ(FTimer->Interval(), 3);
    ASSERT_TRUE(FTimer->Elapse(FClock));
    EXPECT_EQ(FFirings, std::vector<QDateTime>{due});

    // Set forward past the moment: fired at the next check, the first that can.
    FAlarm->SetDue(FClock.Now().addSecs(60));
    FAlarm->SetEnabled(true);
    FClock.Advance(2 * 60 * 1000);
    ASSERT_TRUE(FTimer->Elapse(FClock));
    EXPECT_EQ(FFirings.size(), 2u);
}

TEST_F(AlarmTest, NeverEarlyNorLateAcrossMidnight)
{
    // A moment on the next calendar day whose time of day is earlier than
    // now: a check of the time of day alone would fire at the first check.
    FClock.Set(At(Day, 23, 0, 0));
    const QDateTime tomorrow = At(Day.addDays(1), 1, 0, 0);
    FAlarm->SetDue(tomorrow);
    const std::vector<QDateTime> checks = RunUntilFired();
    ASSERT_EQ(FFirings.size(), 1u);
    EXPECT_EQ(FFirings[0], tomorrow);
    EXPECT_LT(checks.front(), tomorrow);

    // A moment in the last 50 ms of the day, whose check comes 20 ms late,
    // just after midnight (the event loop was busy): found reached at once,
    // not a day later.
    FClock.Set(At(Day, 23, 59, 59, 960));
    const QDateTime lastMoment = At(Day, 23, 59, 59, 990);
    FAlarm->SetDue(lastMoment);
    FAlarm->SetEnabled(true);
    FClock.Advance(20);
    EXPECT_EQ(RunUntilFired(), std::vector<QDateTime>({At(Day.addDays(1), 0, 0, 0, 10)}));
    ASSERT_EQ(FFirings.size(), 2u);
    EXPECT_EQ(FFirings[1], At(Day.addDays(1), 0, 0, 0, 10));
}

TEST_F(AlarmTest, WakeUpTimeIsTheTimeOfDayOfTheNextOccurrence)
{
    // The date of an assigned date-time is dropped.
    FAlarm->SetWakeUpTime(At(Day.addDays(-3), 12, 0, 10));
    EXPECT_EQ(FAlarm->WakeUpTime(), QTime(12, 0, 10));
    EXPECT_EQ(FAlarm->Due(), At(Day, 12, 0, 10));
    FAlarm->SetWakeUpTime(At(Day, 11, 0, 0));
    EXPECT_EQ(FAlarm->Due(), At(Day.addDays(1), 11, 0, 0));

    // Equal to now counts as reached: fired at the first check, a floor later.
    FAlarm->SetWakeUpTime(FClock.Now());
    EXPECT_TRUE(FAlarm->Reached());
    const QDateTime armed = FClock.Now();
    FDisableOnFire = false;
    EXPECT_EQ(RunUntilFired().size(), 1u);
    EXPECT_EQ(armed.msecsTo(FFirings.back()), Floor);
    // Left armed, it fires again at every check until its owner changes it.
    EXPECT_EQ(RunUntilFired().size(), 1u);
    EXPECT_EQ(FFirings.size(), 2u);
}

TEST_F(AlarmTest, NotArmedOrDisabledNeverFires)
{
    FAlarm->SetAlarmOn(false);
    FAlarm->SetDue(FClock.Now().addSecs(1));
    EXPECT_FALSE(FTimer->IsActive());
    FClock.Advance(5000);
    EXPECT_TRUE(RunUntilFired().empty());

    FAlarm->SetEnabled(false);
    FAlarm->SetAlarmOn(true);
    EXPECT_FALSE(FTimer->IsActive());
    EXPECT_TRUE(FFirings.empty());

    // Both on again, with the moment long past: fired within one floor.
    FAlarm->SetEnabled(true);
    EXPECT_EQ(RunUntilFired().size(), 1u);
    EXPECT_EQ(FFirings.size(), 1u);
}

TEST(DueMoment, FirstOccurrenceNotBeforeTheStart)
{
    const QDateTime start(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(DueMoment(start, QTime(12, 0)), start);
    EXPECT_EQ(DueMoment(start, QTime(13, 0)), start.addSecs(3600));
    EXPECT_EQ(DueMoment(start, QTime(11, 59, 59, 999)), QDateTime(QDate(2026, 6, 2), QTime(11, 59, 59, 999), Qt::UTC));

    // The hour that the spring clock change skips: taken as that long after
    // the day's start, still on the same day.
    const QTimeZone berlin("Europe/Berlin");
    if (!berlin.isValid())
        GTEST_SKIP() << "no time zone data";
    const QDateTime night(QDate(2026, 3, 29), QTime(1, 0), berlin);
    const QDateTime skipped = DueMoment(night, QTime(2, 30));
    EXPECT_EQ(skipped.toUTC(), QDateTime(QDate(2026, 3, 29), QTime(1, 30), Qt::UTC));
}

TEST(AlarmOnTheRealClock, FiresOnceNotBeforeItsMoment)
{
    TLocalClock clock;
    TAlarm alarm(clock, std::make_unique<TQtCheckTimer>());
    alarm.SetAlarmCurrency(Floor);
    std::vector<QDateTime> firings;
    alarm.OnAlarm = [&](TAlarm& sender) {
        firings.push_back(clock.Now());
        sender.SetEnabled(false);
    };
    const QDateTime due = clock.Now().addMSecs(120);
    alarm.SetDue(due);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !firings.empty(); }, 10'000));
    ASSERT_EQ(firings.size(), 1u);
    EXPECT_GE(firings[0], due);
}

} // namespace
