// The scheduler window end to end: from the main window's "&Scheduler!"
// through the editor's "Save and &Activate!" to a run shown in the window,
// against the simulated stimulator on a fake clock.
#include <QDir>
#include <QSignalSpy>

#include "tests/app/SchedulerFixture.h"

namespace {

class SchedulerWindowTest : public SchedulerFixture {};

TEST_F(SchedulerWindowTest, ARunStartedFromTheMenuIsShownUntilStoppedFromTheTray)
{
    StartWindows();
    ClearWire();
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
    ASSERT_TRUE(WaitForFrames("T", 2));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>(2, "T1"));
    EXPECT_EQ(Dialogs->Questions, QStringList()); // stopped without a question

    // The log: one line per trigger, due at the start and 10 s later, and
    // the end line; the main window's status bar names it.
    EXPECT_EQ(Main->StatusText(), QStringLiteral("The scheduled run has ended. Its log: ") + Scheduler->RunLogFile());
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Due,Carried out,Lateness (ms),Line,Instruction,Outcome"));
    for (int i = 1; i <= 2; ++i) {
        const QStringList fields = lines[i].split(QLatin1Char(','));
        ASSERT_EQ(fields.size(), 6) << lines[i].toStdString();
        const QDateTime due = LogMoment(fields[0]);
        const QDateTime done = LogMoment(fields[1]);
        EXPECT_EQ(due, Morning().addSecs(i == 1 ? 1 : 11));
        EXPECT_EQ(fields[2].toLongLong(), due.msecsTo(done));
        EXPECT_LE(fields[2].toInt(), int(TRunEngine::AlarmCurrency));
        EXPECT_EQ(fields.mid(3), QStringList({"1", "00:00:00:Trigger Channel 1", "sent"}));
    }
}

TEST_F(SchedulerWindowTest, TheLogRecordsTheDevicesRefusalAndAMissingLogNeverStopsARun)
{
    TConsoleSetup setup;
    setup.simOptions.refuse = {{"D", "Too long"}};
    StartWindows(setup);
    Activate("00:00:00:Change Channel 2 Duration to +00150E-3\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3);
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
    ASSERT_TRUE(WaitForFrames("T", 2));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>(2, "T4"));
}

TEST_F(SchedulerWindowTest, AFailedInstructionKeepsTheWindowUntilStoppedAndAFailedStartHidesIt)
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
    Errors().clear();
    EXPECT_THROW(Scheduler->Activate(Editor->Lines(), QStringLiteral("25:00")), EConvertError);
    EXPECT_FALSE(Scheduler->isVisible());
    EXPECT_FALSE(Run().Active());
}

// "Save and &Activate!" runs exactly the lines the editor showed and checked.
// A file changed behind the editor's back is written over only on Yes; the
// running lines are what the view-only editor shows.
TEST_F(SchedulerWindowTest, ActivationRunsTheLinesTheEditorCheckedNotTheFileOnDisk)
{
    StartWindows();
    const QByteArray checked = "00:00:00:Trigger Channel 1\r\n";
    const QByteArray outside = "00:00:00:Trigger Channel 7\r\n00:00:01:Fire Channel 1\r\n00:00:02:Change Paradigm To 6\r\n";
    const QString changed = QStringLiteral("The script file was changed on disk. Save the editor's lines over it and activate?");
    QDir(FFiles.path()).mkdir(QStringLiteral("scripts"));
    const QString name = FFiles.filePath(QStringLiteral("scripts/run.ks9"));
    WriteAll(name, checked);
    Editor->SetFileName(name);
    auto activateAfter = [&](const std::function<void()>& outsideChange) {
        ChooseScheduler([&] {
            outsideChange();
            QTest::mouseClick(InEditor<QPushButton>("btnOK"), Qt::LeftButton);
            if (Editor->isVisible())
                QTest::mouseClick(InEditor<QPushButton>("BitBtn1"), Qt::LeftButton);
        });
    };

    // No: nothing runs, the other program's file stays.
    Dialogs->Answers = {QMessageBox::No};
    activateAfter([&] { WriteAll(name, outside); });
    ASSERT_EQ(Dialogs->Asked.size(), 1);
    EXPECT_EQ(Dialogs->Asked[0].text, changed);
    EXPECT_EQ(Dialogs->Asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Dialogs->Asked[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Dialogs->Asked[0].defaultButton, QMessageBox::No);
    EXPECT_FALSE(Run().Active());
    EXPECT_EQ(ReadAll(name), outside);

    // Yes where the file cannot be written (its folder is gone): the reason,
    // and nothing runs.
    WriteAll(name, checked);
    Dialogs->Answers = {QMessageBox::Yes};
    activateAfter([&] { QDir(FFiles.filePath(QStringLiteral("scripts"))).removeRecursively(); });
    EXPECT_EQ(Dialogs->Questions, QStringList({changed, changed}));
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains(name)) << Errors()[0].toStdString();
    EXPECT_FALSE(Run().Active());

    // Yes: the editor's lines go over the file and are what runs.
    QDir(FFiles.path()).mkdir(QStringLiteral("scripts"));
    WriteAll(name, checked);
    ClearWire();
    Dialogs->Answers = {QMessageBox::Yes};
    activateAfter([&] { WriteAll(name, outside); });
    ASSERT_TRUE(Run().Active());
    EXPECT_EQ(ReadAll(name), checked);
    WriteAll(name, outside);
    ChooseScheduler([&] {
        EXPECT_EQ(Editor->Lines().Lines(), QStringList{"00:00:00:Trigger Channel 1"});
        QTest::mouseClick(InEditor<QPushButton>("BitBtn1"), Qt::LeftButton);
    });
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForWire(1));
    EXPECT_EQ(Wire(), std::vector<std::string>{"T1"});
}

// With more instructions than rows, the list scrolls so that the marked
// instruction stays in view, and the keyboard stays where it was.
TEST_F(SchedulerWindowTest, TheListKeepsTheMarkedInstructionInView)
{
    StartWindows();
    QByteArray script;
    for (int second = 0; second < 40; ++second)
        script += QStringLiteral("00:00:%1:Trigger Channel 1\r\n").arg(second, 2, 10, QLatin1Char('0')).toLatin1();
    Activate(script);
    // The window system's activations as the editor went and the scheduler
    // came are delivered first: from here on only the run moves the list.
    Settle();
    QWidget* keyboard = QApplication::focusWidget();
    auto* list = InScheduler<QListWidget>("ScriptList");
    for (int row : {20, 39}) {
        ASSERT_TRUE(ElapseUntil([&] { return Run().NextIndex() == row; }));
        Settle();
        EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->item(row)))) << row;
        EXPECT_EQ(QApplication::focusWidget(), keyboard);
    }
}

} // namespace
