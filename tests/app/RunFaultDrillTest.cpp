// Fault drills for a running script: the device hangs up while an
// instruction talks to it, or between two instructions. Either way the run
// halts after one message (the loss box), its log holds every instruction
// carried out up to the fault and the failing one's outcome, and F5
// connects again once the device is back.
#include <QSignalSpy>

#include "SchedulerFixture.h"
#include "link/CommUnit.h"
#include "model/ParadigmFile.h"

namespace {

class RunFaultDrillTest : public SchedulerFixture {
protected:
    // The run stopped at the fault with the loss box as its one message,
    // and carries out nothing more; the log ends with the failing line.
    void ExpectHaltedAfterTheLoss(const QString& failingLine)
    {
        ASSERT_TRUE(ElapseUntil([&] { return Run().Halted(); }));
        Settle();
        EXPECT_EQ(Errors(), QStringList{TfrmComm::LostMessage()});
        EXPECT_TRUE(Run().Active());
        EXPECT_TRUE(Scheduler->isVisible());
        EXPECT_FALSE(Timer->Elapse(Clock));
        EXPECT_TRUE(LogLines().last().endsWith(failingLine + QStringLiteral(",") + TfrmComm::LostMessage()))
            << LogLines().last().toStdString();
        Errors().clear();
        ExpectShownHalted();
    }

    // The scheduler window and the main window's status bar say why nothing
    // will run any more: no marker, no ticking clock, no next event.
    void ExpectShownHalted()
    {
        const QString halted = QStringLiteral("The run has halted: ") + TfrmComm::LostMessage();
        EXPECT_EQ(InScheduler<QLabel>("LabelScheduler")->text(), halted);
        EXPECT_EQ(Main->StatusText(), halted);
        for (int row = 0; row < Run().Lines().Count(); ++row)
            EXPECT_FALSE(ScriptRow(Run(), row).Next) << row;
        EXPECT_FALSE(InScheduler<QTimer>("ClockTimer")->isActive());
        EXPECT_TRUE(Scheduler->isVisible());
    }

    // Starts a run of the script whose first instruction is a trigger; the
    // device hangs up after it, while the run waits for the second.
    void RunUntilTheLineGoesAfterTheFirst(const QByteArray& script)
    {
        StartWindows(TConsoleSetup::HangingUpAfter(3 + RecordCommands + 1));
        QSignalSpy lost(Main->Comm(), &TfrmComm::ConnectionLost);
        ClearWire();
        Activate(script);
        ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
        ASSERT_TRUE(lost.wait(5000));
    }

    void ExpectF5Reconnects()
    {
        ASSERT_TRUE(Sim->waitForLinesServed(2, 5000));
        Main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
        PressF5();
        EXPECT_FALSE(Ui.PanelCover()->isVisible());
        EXPECT_TRUE(Errors().isEmpty());
    }
};

// The paradigm select is answered, then the line goes: the refresh that
// follows it is the instruction's failing part.
TEST_F(RunFaultDrillTest, HangUpWhileAnInstructionTalksToTheDevice)
{
    StartWindows(TConsoleSetup::HangingUpAfter(3 + RecordCommands + 2));
    ClearWire();
    Activate("00:00:00:Change Channel 1 Delay to +00150E-3\r\n"
             "00:00:05:Change Paradigm To 2\r\n"
             "00:00:10:Trigger Channel 1\r\n");
    ExpectHaltedAfterTheLoss(QStringLiteral("2,00:00:05:Change Paradigm To 2"));
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",1,00:00:00:Change Channel 1 Delay to +00150E-3,OK.+150.0E-3")));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"L1+00150E-3R", "Y2R"}));

    ExpectF5Reconnects();
    EXPECT_EQ(Main->Paradigm().Number, 2);
}

// The line goes while the run waits for its next instruction: that
// instruction finds it gone and halts the run without a second box. A run
// started after F5 carries out its instructions again.
TEST_F(RunFaultDrillTest, HangUpBetweenInstructions)
{
    RunUntilTheLineGoesAfterTheFirst("00:00:00:Trigger Channel 1\r\n00:00:05:Trigger Channel 2\r\n"
                                     "00:00:10:Trigger Channel 3\r\n");
    ExpectHaltedAfterTheLoss(QStringLiteral("2,00:00:05:Trigger Channel 2"));
    ASSERT_EQ(LogLines().size(), 3);
    EXPECT_EQ(Wire(), std::vector<std::string>{"T1"});

    ExpectF5Reconnects();
    ExpectShownHalted();
    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);
    ClearWire();
    Activate("00:00:00:Trigger Channel 4\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForWire(1));
    EXPECT_EQ(Wire(), std::vector<std::string>{"T4"});
    EXPECT_TRUE(Errors().isEmpty());
}

// The operator answers the loss box with F5 before the next instruction is
// due: the run goes on as if nothing had happened.
TEST_F(RunFaultDrillTest, ARunGoesOnWhenF5ReconnectsInTime)
{
    RunUntilTheLineGoesAfterTheFirst("00:00:00:Trigger Channel 1\r\n00:00:05:Trigger Channel 2\r\n");
    Settle();
    EXPECT_EQ(Errors(), QStringList{TfrmComm::LostMessage()});
    Errors().clear();
    ExpectF5Reconnects();
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    EXPECT_FALSE(Run().Halted());
    ASSERT_TRUE(WaitForFrames("T", 2));
    EXPECT_EQ(FramesStarting("T"), (std::vector<std::string>{"T1", "T2"}));
    EXPECT_TRUE(LogLines().value(2).endsWith(QStringLiteral(",00:00:05:Trigger Channel 2,sent")));
}

// A silent device: each instruction waits its limit and the run goes on;
// the log says that no reply came, never that the device did something.
TEST_F(RunFaultDrillTest, SilentDeviceDuringARun)
{
    StartWindows();
    const QString paradigm = FFiles.filePath(QStringLiteral("p.kr9"));
    QFile file(paradigm);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ParadigmFile::Text(Main->Paradigm()));
    file.close();
    Main->Comm()->Settings().DialogueTimeoutMs = 250;
    Sim->setSilent(true);
    Activate("00:00:00:Change Channel 1 Delay to +00150E-3\r\n00:00:05:Load Paradigm " + paradigm.toUtf8()
             + "\r\n00:00:10:Trigger Channel 1\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",no reply"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(",no reply"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral(",sent"))) << lines[3].toStdString();
    EXPECT_TRUE(Errors().isEmpty());
}

} // namespace
