// What a run leaves beside its log, against the simulated stimulator on a
// fake clock: the lines that ran as a script file, and the device's
// settings, read right after the activation, as a paradigm file that loads
// the device back to the state it was in.
#include "SchedulerFixture.h"
#include "link/CommUnit.h"
#include "model/ParadigmFile.h"
#include "scheduler/RunLog.h"
#include "script/ScriptFile.h"

namespace {

class RunRecordTest : public SchedulerFixture {
protected:
    QString RecordFile(const QString& suffix) const
    {
        return RunLogFormat::RecordFileName(Scheduler->RunLogFile(), suffix);
    }
};

TEST_F(RunRecordTest, TheRecordHoldsTheCheckedLinesAndSettingsThatLoadBack)
{
    StartWindows();
    // The device is changed behind the console's back: the record reads it
    // anew rather than writing what the console last knew.
    sim::SimState before = Sim->state();
    before.cur().channels[1].delay = "+250.0E-3";
    before.cur().channels[2].mode = 'W';
    before.cur().links[0][3] = '+';
    Sim->setState(before);

    Activate("00:00:00:Change Channel 2 Delay to +00150E-3\r\n"
             "00:00:02:Trigger Channel 1\r\n"
             "00:00:03:Jump To Time 00:00:02 Counting 1 Loops\r\n");
    ASSERT_TRUE(Run().Active());
    const QString settings = RecordFile(QStringLiteral(".kr9"));
    EXPECT_TRUE(Scheduler->RunLogFile().endsWith(QStringLiteral(".csv")));
    EXPECT_EQ(QFileInfo(settings).path(), QFileInfo(Scheduler->RunLogFile()).path());
    EXPECT_EQ(ReadAll(RecordFile(QStringLiteral(".ks9"))), ScriptFile::Bytes(Editor->Lines()));
    EXPECT_EQ(ScriptFile::Read(RecordFile(QStringLiteral(".ks9"))).Lines(), Run().Lines().Lines());
    const QByteArray recorded = ReadAll(settings);
    ASSERT_FALSE(recorded.isEmpty());
    // Read before the first instruction: not yet its 150 ms.
    EXPECT_TRUE(recorded.contains("+250.0E-3")) << recorded.toStdString();

    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    EXPECT_EQ(Sim->state().cur().channels[1].delay, "+150.0E-3");
    EXPECT_EQ(LogLines().last(),
              QStringLiteral(",,,,,\"Summary: 3 carried out; lateness median 0 ms, p99 0 ms, worst 0 ms\""));

    // Loaded back, the file gives the device the state it had.
    Main->LoadParadigmFromFile(settings);
    const sim::SimParadigm after = Sim->state().cur();
    EXPECT_EQ(after.channels[1].delay, "+250.0E-3");
    EXPECT_EQ(after.channels[2].mode, 'W');
    EXPECT_EQ(after.links[0][3], '+');
    EXPECT_EQ(ParadigmFile::Text(Main->Paradigm()), recorded);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

// A device that does not answer gives no settings: the window says so, the
// run goes on, and no file claims to hold what the device holds.
TEST_F(RunRecordTest, ASilentDeviceGivesNoSettingsAndTheRunGoesOn)
{
    StartWindows();
    Main->Comm()->Settings().DialogueTimeoutMs = 250;
    Sim->setSilent(true);
    Activate("00:00:00:Trigger Channel 1\r\n");
    EXPECT_TRUE(InScheduler<QLabel>("LabelRunLog")
                    ->text()
                    .endsWith(QStringLiteral("No settings in the run record: Kelvor 9 device is not responding.")))
        << InScheduler<QLabel>("LabelRunLog")->text().toStdString();
    EXPECT_FALSE(QFile::exists(RecordFile(QStringLiteral(".kr9"))));
    EXPECT_TRUE(QFile::exists(RecordFile(QStringLiteral(".ks9"))));
    Sim->setSilent(false);
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
