// The run engine carrying scripts out through the real main window against
// the simulated stimulator, on a fake clock.
#include <QSignalSpy>
#include <QTimer>

#include "EngineFixture.h"
#include "tests/link/LinkTestSupport.h"
#include "ui/ValEdit.h"

namespace {

class ScriptRunTest : public EngineFixture {};

const QString Trigger1 = QStringLiteral("00:00:00:Trigger Channel 1");
const QString JumpBack2 = QStringLiteral("00:00:10:Jump To Time 00:00:00 Counting 2 Loops");

TConsoleSetup RepliesLate(int ms)
{
    TConsoleSetup setup;
    setup.simOptions.delayMs = ms;
    return setup;
}

QString Status(const QDateTime& moment)
{
    QLocale locale;
    return QStringLiteral("Next event will be held at ")
        + locale.toString(moment.time(), locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed());
}

TEST_F(ScriptRunTest, TriggerAndJumpRunsThreeTimesAndEndsAfterTheLastTrigger)
{
    StartEngine();
    ClearWire();
    Run({Trigger1, JumpBack2});
    const QDateTime start = Morning().addSecs(1); // activation "00:00": one second
    EXPECT_EQ(Engine->StartTime(), start);
    EXPECT_EQ(Engine->StatusText(), Status(start));

    ASSERT_TRUE(ElapseUntil([&] { return Records.size() == 1; }));
    // The look-ahead passes through the jump: the next trigger, 10 s later.
    EXPECT_EQ(Engine->CurrentIndex(), 1);
    EXPECT_EQ(Engine->NextIndex(), 0);
    EXPECT_EQ(Engine->StatusText(), Status(start.addSecs(10)));

    ASSERT_TRUE(ElapseUntil([&] { return !Engine->Active(); }));
    ASSERT_EQ(Records.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Records[i].Due, start.addSecs(10 * i));
        EXPECT_GE(Records[i].LatenessMs(), 0);
        EXPECT_LE(Records[i].LatenessMs(), TRunEngine::AlarmCurrency);
        EXPECT_EQ(Records[i].Line, 1);
        EXPECT_EQ(Records[i].Outcome, QStringLiteral("sent"));
    }
    // Ended right after the third trigger, not at the used-up jump's moment.
    EXPECT_EQ(StoppedAt, Records[2].Done);
    ASSERT_TRUE(WaitForFrames("T", 3));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>(3, "T1"));
    EXPECT_EQ(Sound.Played, QStringList(3, SoundDing));
}

TEST_F(ScriptRunTest, JumpsThatMeetAtOneMomentActivateAtOnceAndTheTriggerComesOnTime)
{
    StartEngine();
    ClearWire();
    // Walked pass by pass, about 10^15 passes, all due at 10 s.
    Run({QStringLiteral("00:00:10:Jump To Time 00:00:10 Counting 99997 Loops"),
         QStringLiteral("00:00:10:Jump To Time 00:00:10 Counting 99998 Loops"),
         QStringLiteral("00:00:10:Jump To Time 00:00:10 Counting 99999 Loops"),
         QStringLiteral("00:00:11:Trigger Channel 1")});
    const QDateTime start = Morning().addSecs(1);
    ASSERT_TRUE(Engine->Active());
    EXPECT_EQ(Engine->NextIndex(), 3);
    EXPECT_EQ(Engine->StatusText(), Status(start.addSecs(11)));

    ASSERT_TRUE(ElapseUntil([&] { return !Engine->Active(); }));
    ASSERT_EQ(Records.size(), 1u);
    EXPECT_EQ(Records[0].Due, start.addSecs(11)); // one second after the jumps' moment
    EXPECT_GE(Records[0].LatenessMs(), 0);
    EXPECT_LE(Records[0].LatenessMs(), TRunEngine::AlarmCurrency);
    EXPECT_EQ(Records[0].Line, 4);
    for (const TCommand& jump : Engine->Commands())
        EXPECT_EQ(jump.Counter, 0);
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string> {"T1"});
}

TEST_F(ScriptRunTest, InstructionsAtOneOffsetRunBackToBackInListOrder)
{
    StartEngine();
    ClearWire();
    Run({QStringLiteral("00:00:05:Trigger Channel 3"),
         QStringLiteral("00:00:05:Change Channel 2 Delay to +00150E-3")});
    ASSERT_TRUE(ElapseUntil([&] { return !Engine->Active(); }));
    ASSERT_EQ(Records.size(), 2u);
    EXPECT_EQ(Records[0].Text, QStringLiteral("00:00:05:Change Channel 2 Delay to +00150E-3"));
    EXPECT_EQ(Records[0].Outcome, QStringLiteral("OK.+150.0E-3")); // the device's echo
    EXPECT_EQ(Records[1].Outcome, QStringLiteral("sent"));
    EXPECT_EQ(Records[0].Done, Records[1].Done);
    ASSERT_TRUE(WaitForWire(2));
    EXPECT_EQ(Wire(), (std::vector<std::string> {"L2+00150E-3R", "T3"}));
}

TEST_F(ScriptRunTest, JumpsNotTakenArePassedSilentlyAndEndTheRunWhenNothingActsAfterThem)
{
    StartEngine();
    Run({Trigger1, QStringLiteral("00:00:05:Jump To Time 00:00:00 Counting 0 Loops"),
         QStringLiteral("00:00:07:Trigger Channel 2")});
    ASSERT_TRUE(ElapseUntil([&] { return !Engine->Active(); }));
    ASSERT_EQ(Records.size(), 2u);
    EXPECT_EQ(Records[1].Line, 3);
    EXPECT_EQ(Sound.Played.size(), 2); // no sound for the jump

    // A zero-loop jump as the last line: the run ends with the trigger.
    Records.clear();
    Run({Trigger1, QStringLiteral("00:00:05:Jump To Time 00:00:00 Counting 0 Loops")});
    ASSERT_TRUE(ElapseUntil([&] { return Records.size() == 1; }));
    EXPECT_FALSE(Engine->Active());
    EXPECT_EQ(StoppedAt, Records[0].Done);

    // Only a jump: nothing acts, the run stops as it starts.
    Run({QStringLiteral("00:00:05:Jump To Time 00:00:00 Counting 3 Loops")});
    EXPECT_FALSE(Engine->Active());
    EXPECT_FALSE(Timer->IsActive());
}

TEST_F(ScriptRunTest, NothingOfAStoppedRunIsCarriedOutLater)
{
    StartEngine(RepliesLate(300));
    ClearWire();
    Run({Trigger1});
    Engine->Stop();
    Engine->FireEvent(); // a firing that was already on its way
    EXPECT_FALSE(Timer->Elapse(Clock));

    // An instruction waiting for the operator's operation to end is dropped.
    Run({Trigger1});
    Clock.Set(Engine->StartTime());
    bool waited = false;
    QTimer::singleShot(50, Main.get(), [&] {
        Engine->FireEvent();
        waited = Engine->WaitingForIdle();
        Engine->Stop();
    });
    Click(Ui.btnStore()); // the operator's "R", 300 ms to its reply
    EXPECT_TRUE(waited);
    ASSERT_TRUE(WaitForWire(1));
    QCoreApplication::processEvents(); // the idle call comes and finds the run gone
    EXPECT_TRUE(Records.empty());
    EXPECT_EQ(Wire(), std::vector<std::string> {"RR"});
}

TEST_F(ScriptRunTest, DueDuringTheOperatorsExchangeRunsRightAfterItWithItsOwnEcho)
{
    StartEngine(RepliesLate(300));
    ClearWire();
    Run({QStringLiteral("00:00:00:Change Channel 2 Delay to +00200E-3")});
    Clock.Set(Engine->StartTime());
    bool waited = false;
    QTimer::singleShot(50, Main.get(), [&] {
        Timer->Elapse(Clock); // the alarm's check, in the middle of the exchange
        waited = Engine->WaitingForIdle();
    });
    // The operator types 150 ms for channel 1's delay.
    QString error;
    TVexoValue value;
    value.SetFromText(QStringLiteral("+00150E-3"));
    Main->SetChannelParameter(1, 1, error, value);
    EXPECT_TRUE(waited);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Records.empty(); }, 5000));
    EXPECT_EQ(Records[0].Outcome, QStringLiteral("OK.+200.0E-3"));
    EXPECT_EQ(Wire(), (std::vector<std::string> {"L1+00150E-3R", "L2+00200E-3R"}));
    EXPECT_EQ(Main->Paradigm().Channel(1).Settings.Delay.ToDeviceText(), QStringLiteral("+150.0E-3"));
    EXPECT_EQ(Main->Paradigm().Channel(2).Settings.Delay.ToDeviceText(), QStringLiteral("+200.0E-3"));
    EXPECT_FALSE(Engine->Active()); // the script's last line has run
}

TEST_F(ScriptRunTest, AFailingInstructionHaltsTheRunAndIsReportedOnce)
{
    StartEngine();
    ClearWire();
    const QString missing = FFiles.filePath(QStringLiteral("missing.kr9"));
    Run({QStringLiteral("00:00:00:Load Paradigm ") + missing, QStringLiteral("00:00:01:Trigger Channel 1")});
    ASSERT_TRUE(ElapseUntil([&] { return !Records.empty(); }));
    ASSERT_EQ(Failures.size(), 1);
    EXPECT_TRUE(Failures[0].contains(missing)) << Failures[0].toStdString();
    EXPECT_EQ(Records[0].Outcome, Failures[0]);
    // Still active, the alarm off: the later trigger never runs.
    EXPECT_TRUE(Engine->Active());
    EXPECT_TRUE(Engine->Halted());
    EXPECT_FALSE(Timer->Elapse(Clock));
    Clock.Advance(60'000);
    Engine->FireEvent();
    EXPECT_EQ(Records.size(), 1u);
    EXPECT_TRUE(Wire().empty());
}

TEST_F(ScriptRunTest, ARunAcrossMidnightIsNeverEarlyNorLate)
{
    const QDate day(2026, 12, 31);
    Clock.Set(QDateTime(day, QTime(23, 59, 50)));
    StartEngine();
    // Due 23:59:59.990 (checked just before midnight and just after), then
    // 00:00:11 of the next day, whose time of day is earlier than the start's.
    // Never early is a lateness of at least 0; never late, at most one floor.
    Run({QStringLiteral("00:00:08:990:Trigger Channel 1"), QStringLiteral("00:00:20:Trigger Channel 2")});
    const QDateTime first(day, QTime(23, 59, 59, 990));
    const QDateTime second(day.addDays(1), QTime(0, 0, 11));
    ASSERT_TRUE(ElapseUntil([&] { return !Engine->Active(); }));
    ASSERT_EQ(Records.size(), 2u);
    EXPECT_EQ(Records[0].Due, first);
    EXPECT_EQ(Records[1].Due, second);
    for (const TRunRecord& record : Records) {
        EXPECT_GE(record.LatenessMs(), 0);
        EXPECT_LE(record.LatenessMs(), TRunEngine::AlarmCurrency);
    }
}

TEST_F(ScriptRunTest, StartRefusesWhatCannotRun)
{
    StartEngine();
    EXPECT_EQ(MessageOf([&] { Run({Trigger1}, QStringLiteral("25:00")); }),
              QStringLiteral("'25:00' is not a valid time"));
    // A channel the device does not have: refused before anything runs.
    EXPECT_EQ(MessageOf([&] { Run({Trigger1, QStringLiteral("00:00:01:Trigger Channel 12")}); }),
              QStringLiteral("Error In Script. Trigger Channel 12 is not a Valid command."));
    EXPECT_FALSE(Engine->Active());
}

} // namespace
