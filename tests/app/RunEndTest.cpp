// How runs end: the run log's end line for each way a run ends, the main
// window's status bar through a run's life, and Exit during a run. Against
// the simulated stimulator on a fake clock, started from the menu.
#include <QDir>

#include "SchedulerFixture.h"

namespace {

class RunEndTest : public SchedulerFixture {
protected:
    // The end line of the run's log (the last but the summary), split into its fields.
    QStringList EndFields()
    {
        const QStringList lines = LogLines();
        return lines.size() < 2 ? QStringList() : lines[lines.size() - 2].split(QLatin1Char(','));
    }

    // The end line: only the moment and the outcome.
    void ExpectEndLine(const QDateTime& at, const QString& outcome)
    {
        const QStringList fields = EndFields();
        ASSERT_EQ(fields.size(), 6) << fields.join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(LogMoment(fields[1]), at);
        EXPECT_EQ(fields.mid(2, 3), QStringList({"", "", ""}));
        EXPECT_TRUE(fields[0].isEmpty());
        EXPECT_EQ(fields[5], outcome);
        EXPECT_FALSE(IsOpen(Scheduler->RunLogFile())) << "the log is closed when the run ends";
    }

    // Whether this process holds the file open.
    static bool IsOpen(const QString& fileName)
    {
        const QString target = QFileInfo(fileName).canonicalFilePath();
        const QDir descriptors(QStringLiteral("/proc/self/fd"));
        for (const QString& fd : descriptors.entryList(QDir::Files | QDir::System))
            if (QFileInfo(descriptors.filePath(fd)).symLinkTarget() == target)
                return true;
        return false;
    }

    static QByteArray Triggers(int count)
    {
        QByteArray script;
        for (int second = 0; second < count; ++second)
            script += QStringLiteral("00:00:%1:Trigger Channel 1\r\n").arg(second, 2, 10, QLatin1Char('0')).toLatin1();
        return script;
    }
};

// Each end writes its line when the run ends: completed, stopped by the
// operator, and halted (written when the operator stops the halted run).
TEST_F(RunEndTest, EveryRunEndsWithALineThatSaysHow)
{
    StartWindows();
    Activate(Triggers(1));
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    EXPECT_EQ(LogLines().size(), 4);
    ExpectEndLine(Clock.Now(), QStringLiteral("Completed"));

    Activate(Triggers(3));
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
    Clock.Advance(300);
    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);
    ExpectEndLine(Clock.Now(), QStringLiteral("Stopped by the operator"));

    const QString missing = FFiles.filePath(QStringLiteral("gone.kr9"));
    Activate("00:00:00:Load Paradigm " + missing.toUtf8() + "\r\n00:00:05:Trigger Channel 1\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return Run().Halted(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Errors().isEmpty(); }, 5000));
    EXPECT_TRUE(IsOpen(Scheduler->RunLogFile()));
    Clock.Advance(60'000);
    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);
    const QString halted = QStringLiteral("Halted: ") + Errors()[0];
    ExpectEndLine(Clock.Now(), QLatin1Char('"') + QString(halted).replace(QLatin1Char('"'), QStringLiteral("\"\""))
                                   + QLatin1Char('"'));
}

// The main window's status bar: a new run names its own log (not the last
// run's end); the end names the log; a script with nothing to carry out
// writes no log and says so.
TEST_F(RunEndTest, TheStatusBarFollowsTheRuns)
{
    StartWindows();
    Activate(Triggers(1));
    const QString first = Scheduler->RunLogFile();
    EXPECT_EQ(Main->StatusText(), QStringLiteral("A scheduled run is active. Its log: ") + first);
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    EXPECT_EQ(Main->StatusText(), QStringLiteral("The scheduled run has ended. Its log: ") + first);

    Clock.Advance(1000);
    Activate(Triggers(2));
    ASSERT_NE(Scheduler->RunLogFile(), first);
    EXPECT_EQ(Main->StatusText(), QStringLiteral("A scheduled run is active. Its log: ") + Scheduler->RunLogFile());
    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);

    const QDir runs(QFileInfo(first).path());
    const QStringList logs = runs.entryList(QDir::Files);
    Activate("00:00:05:Jump To Time 00:00:00 Counting 3 Loops\r\n");
    EXPECT_FALSE(Run().Active());
    EXPECT_FALSE(Scheduler->isVisible());
    EXPECT_EQ(Main->StatusText(), QStringLiteral("The script has nothing to carry out."));
    EXPECT_TRUE(Scheduler->RunLogFile().isEmpty());
    EXPECT_EQ(runs.entryList(QDir::Files), logs);
}

// File > Exit during a run asks once; No changes nothing. Yes stops the run
// (its log says the console was closed) and the program's event loop ends:
// the scheduler window does not veto the end.
TEST_F(RunEndTest, ExitDuringARunAsksOnceAndYesEndsTheProgram)
{
    StartWindows();
    Activate(Triggers(15));
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 3; }));

    Dialogs->Answers = {QMessageBox::No};
    Ui.Exit1()->trigger();
    ASSERT_EQ(Dialogs->Asked.size(), 1);
    EXPECT_EQ(Dialogs->Asked[0].text, QStringLiteral("A script is running. Stop it and exit?"));
    EXPECT_EQ(Dialogs->Asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Dialogs->Asked[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Dialogs->Asked[0].defaultButton, QMessageBox::No);
    EXPECT_TRUE(Main->isVisible());
    EXPECT_TRUE(Scheduler->isVisible());
    EXPECT_TRUE(Run().Active());

    Dialogs->Answers = {QMessageBox::Yes};
    QTimer::singleShot(0, Main.get(), [&] { Ui.Exit1()->trigger(); });
    EXPECT_EQ(RunProgramLoop(), 0);
    EXPECT_EQ(Dialogs->Asked.size(), 2);
    EXPECT_FALSE(Run().Active());
    EXPECT_FALSE(Main->isVisible());
    EXPECT_FALSE(Scheduler->isVisible());
    ExpectEndLine(Clock.Now(), QStringLiteral("Stopped: the console was closed"));
}

} // namespace
