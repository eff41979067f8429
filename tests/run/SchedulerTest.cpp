// The scheduler window end to end: from the main window's "&Scheduler!"
// through the editor's "Save and &Activate!" to a run shown in the window,
// against the simulated stimulator on a fake clock.
#include <QSignalSpy>

#include "SchedulerFixture.h"

namespace {

TEST_F(SchedulerFixture, ARunStartedFromTheMenuIsShownUntilStoppedFromTheTray)
{
    StartWindows();
    ClearWire();
    QSignalSpy ended(Scheduler.get(), &TfrmScheduler::RunEnded);
    Activate("00:00:00:Trigger Channel 1\r\n00:00:10:Jump To Time 00:00:00 Counting 2 Loops\r\n");

    ASSERT_TRUE(Scheduler->isVisible());
    EXPECT_EQ(Scheduler->windowTitle(), QStringLiteral("Scheduler"));
    EXPECT_TRUE(InScheduler<QSystemTrayIcon>("TrayIcon")->isVisible());
    EXPECT_EQ(InScheduler<QListWidget>("ScriptList")->count(), 2);
    EXPECT_EQ(Counter(1), QStringLiteral(" [ NOW 0 ]"));
    EXPECT_EQ(MarkerColour(), QColor(Qt::blue));

    // After the first trigger the jump is current: the pass it would start,
    // and the triangle on the trigger it leads back to.
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
    EXPECT_EQ(Counter(1), QStringLiteral(" [ NOW 1 ]"));
    EXPECT_EQ(Run().NextIndex(), 0);
    EXPECT_EQ(MarkerColour(), QColor(Qt::blue));
    EXPECT_EQ(InScheduler<QLabel>("LabelScheduler")->text(), Run().StatusText());
    // Taken once, with the trigger current again (at once due): its count.
    QString afterTheJump;
    const auto redraw = Scheduler->Engine().OnChanged;
    Scheduler->Engine().OnChanged = [&, redraw] {
        redraw();
        if (Run().CurrentIndex() == 0 && Run().Commands()[1].Counter == 1)
            afterTheJump = Counter(1);
    };
    ASSERT_TRUE(ElapseUntil([&] { return Run().Commands()[1].Counter == 1 && Run().CurrentIndex() == 1; }));
    EXPECT_EQ(afterTheJump, QStringLiteral(" [ NOW 1 ]"));
    EXPECT_EQ(Counter(1), QStringLiteral(" [ NOW 2 ]"));

    // The close command does nothing; minimised, the run goes on.
    Scheduler->close();
    Scheduler->showMinimized();
    EXPECT_TRUE(Scheduler->isVisible());
    EXPECT_TRUE(Run().Active());

    // "&Scheduler!" during the run: the running script, view only.
    ChooseScheduler([&] {
        EXPECT_FALSE(InEditor<QPushButton>("btnOK")->isVisible());
        EXPECT_EQ(Editor->Lines().Count(), 2);
        QTest::mouseClick(InEditor<QPushButton>("BitBtn1"), Qt::LeftButton);
    });
    EXPECT_TRUE(Run().Active());

    TrayAction(QStringLiteral("Stop Scheduler!"))->trigger();
    EXPECT_FALSE(Scheduler->isVisible());
    EXPECT_FALSE(InScheduler<QSystemTrayIcon>("TrayIcon")->isVisible());
    EXPECT_FALSE(Timer->Elapse(Clock));
    ASSERT_TRUE(WaitForWire(2));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>(2, "T1"));
    EXPECT_EQ(Dialogs->Questions, QStringList()); // stopped without a question

    // The log: one line per trigger, due at the start and 10 s later.
    ASSERT_EQ(ended.size(), 1);
    EXPECT_TRUE(ended[0][0].toString().endsWith(Scheduler->RunLogFile()));
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Due,Carried out,Lateness (ms),Line,Instruction,Outcome"));
    for (int i = 1; i <= 2; ++i) {
        const QStringList fields = lines[i].split(QLatin1Char(','));
        ASSERT_EQ(fields.size(), 6) << lines[i].toStdString();
        EXPECT_EQ(fields[0], i == 1 ? QStringLiteral("2026-06-01 12:00:01.000") : QStringLiteral("2026-06-01 12:00:11.000"));
        const QDateTime due = QDateTime::fromString(fields[0], QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        const QDateTime done = QDateTime::fromString(fields[1], QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        EXPECT_EQ(fields[2].toLongLong(), due.msecsTo(done));
        EXPECT_LE(fields[2].toInt(), int(TRunEngine::AlarmCurrency));
        EXPECT_EQ(fields.mid(3), QStringList({"1", "00:00:00:Trigger Channel 1", "sent"}));
    }
}

TEST_F(SchedulerFixture, TheLogRecordsTheDevicesRefusalAndAMissingLogNeverStopsARun)
{
    TConsoleSetup setup;
    setup.simOptions.refuse = {{"D", "Too long"}};
    StartWindows(setup);
    Activate("00:00:00:Change Channel 2 Duration to +00150E-3\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",00:00:00:Change Channel 2 Duration to +00150E-3,ER:Too long")))
        << lines[1].toStdString();

    // No data folder can be made: the window says so, the run goes on.
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    QFile blocker(FFiles.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    qputenv("XDG_DATA_HOME", blocker.fileName().toLocal8Bit());
    ClearWire();
    Activate("00:00:00:Trigger Channel 4\r\n00:00:01:Trigger Channel 4\r\n");
    qputenv("XDG_DATA_HOME", data);
    EXPECT_TRUE(InScheduler<QLabel>("LabelRunLog")->text().startsWith(QStringLiteral("No run log: ")));
    EXPECT_TRUE(Scheduler->RunLogFile().isEmpty());
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForWire(2));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>(2, "T4"));
}

TEST_F(SchedulerFixture, AFailedInstructionKeepsTheWindowUntilStoppedAndAFailedStartHidesIt)
{
    StartWindows();
    Activate("00:00:00:Load Paradigm /no/such/folder/p.kr9\r\n00:00:05:Trigger Channel 1\r\n");

    // A failing instruction: its message once, the window stays with its
    // last status until the operator stops the run.
    ASSERT_TRUE(ElapseUntil([&] { return Run().Halted(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Errors().isEmpty(); }, 2000));
    EXPECT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains(QStringLiteral("/no/such/folder/p.kr9")));
    EXPECT_TRUE(Scheduler->isVisible());
    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);
    EXPECT_FALSE(Scheduler->isVisible());
    EXPECT_FALSE(Run().Active());

    // A start that fails: the message reaches the caller, the window stays hidden.
    QFile::remove(Editor->FileName());
    Errors().clear();
    EXPECT_THROW(Scheduler->SetActive(true), EFileError);
    EXPECT_FALSE(Scheduler->isVisible());
    EXPECT_FALSE(Run().Active());
}

} // namespace
