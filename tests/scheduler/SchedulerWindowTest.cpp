// The scheduler window end to end: from the main window's "&Scheduler!"
// through the editor's "Save and &Activate!" to a run shown in the window,
// against the simulated stimulator on a fake clock.
#include <QDir>
#include <QSignalSpy>

#include "scheduler/RunTimeline.h"
#include "tests/app/SchedulerFixture.h"

namespace {

// Calls back at each event of a kind a widget gets.
class TEventCounter final : public QObject {
public:
    TEventCounter(QObject* watched, QEvent::Type type, std::function<void()> seen)
        : FType(type)
        , FSeen(std::move(seen))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == FType)
            FSeen();
        return false;
    }

private:
    QEvent::Type FType;
    std::function<void()> FSeen;
};

class SchedulerWindowTest : public SchedulerFixture {
protected:
    // Lets the alarm's next check come lateMs after the armed instruction's
    // moment, as when the console was busy until then.
    void FireLate(qint64 lateMs)
    {
        const QDateTime due = Run().Alarm().Due();
        Clock.Set(due.addMSecs(lateMs - Timer->Interval()));
        ASSERT_TRUE(Timer->Elapse(Clock));
        ASSERT_EQ(Clock.Now(), due.addMSecs(lateMs));
    }

    // The colour drawn at a point of the timeline strip.
    QColor TimelineColour(int x, int y)
    {
        return InScheduler<TRunTimeline>("RunTimeline")->grab().toImage().pixelColor(x, y);
    }
};

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
    ASSERT_EQ(lines.size(), 5);
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
    ASSERT_EQ(lines.size(), 4);
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
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>{"T1"});
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

// "Running late: 3.2 s" under the next event while the last instruction
// started more than a second late; gone once one starts on time again. The
// strip draws the late one red, and the log's summary counts it.
TEST_F(SchedulerWindowTest, LatenessIsShownWhileInstructionsRunLate)
{
    StartWindows();
    Activate("00:00:00:Trigger Channel 1\r\n00:00:10:Trigger Channel 2\r\n00:00:20:Trigger Channel 3\r\n"
             "00:00:30:Trigger Channel 4\r\n");
    auto* late = InScheduler<QLabel>("LabelLate");
    auto* timeline = InScheduler<TRunTimeline>("RunTimeline");
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
    EXPECT_FALSE(late->isVisible());

    FireLate(3200);
    EXPECT_TRUE(late->isVisible());
    EXPECT_EQ(late->text(), QStringLiteral("Running late: 3.2 s"));
    EXPECT_GT(late->geometry().top(), InScheduler<QLabel>("LabelScheduler")->geometry().top());
    // Still late, by less: the figure follows.
    FireLate(1001);
    EXPECT_EQ(late->text(), QStringLiteral("Running late: 1.0 s"));
    timeline->Refresh();
    const auto& done = timeline->DoneTicks();
    ASSERT_EQ(done.size(), 3u);
    EXPECT_FALSE(done[0].Late);
    EXPECT_TRUE(done[1].Late);
    EXPECT_EQ(done[1].Row, 1);
    const int middle = timeline->RowTop(1) + timeline->RowHeight() / 2;
    EXPECT_EQ(TimelineColour(timeline->XOf(done[1].Ms) - 1, middle), TRunTimeline::LateColor());
    EXPECT_EQ(TimelineColour(timeline->XOf(done[0].Ms) - 1, timeline->RowTop(0) + timeline->RowHeight() / 2),
              TRunTimeline::DoneColor());

    // One second late is on time.
    FireLate(1000);
    EXPECT_FALSE(late->isVisible());
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    EXPECT_EQ(LogLines().last(),
              QStringLiteral(",,,,,\"Summary: 4 carried out; lateness median 1000 ms, p99 3200 ms, worst 3200 ms\""));

}

// The strip under the list: a row per channel and one for paradigms, what
// is to come hollow along the run's path through its jumps, the next five
// minutes at most 500 ticks, and what was carried out solid.
TEST_F(SchedulerWindowTest, TheTimelineShowsWhatCameAndWhatComesByChannel)
{
    StartWindows();
    Activate("00:00:00:Trigger Channel 1\r\n00:00:02:Change Channel 3 Delay to +00150E-3\r\n"
             "00:00:04:Change Paradigm To 2\r\n00:00:06:Jump To Time 00:00:00 Counting 99 Loops\r\n");
    auto* timeline = InScheduler<TRunTimeline>("RunTimeline");
    ASSERT_TRUE(timeline->isVisible());
    EXPECT_GT(timeline->geometry().top(), InScheduler<QListWidget>("ScriptList")->geometry().bottom());
    timeline->Refresh();
    const qint64 start = Morning().addSecs(1).toMSecsSinceEpoch();
    const std::vector<TimelineTicks::TTick>& coming = timeline->ComingTicks();
    // A pass every 6 s: 50 of them begin within the five minutes.
    ASSERT_EQ(coming.size(), 150u);
    for (size_t i = 0; i < coming.size(); ++i) {
        const qint64 pass = qint64(i / 3) * 6000;
        EXPECT_EQ(coming[i].Row, (std::vector<int>{0, 2, TimelineTicks::ParadigmRow})[i % 3]) << i;
        EXPECT_EQ(coming[i].Ms, start + pass + qint64(i % 3) * 2000) << i;
        EXPECT_FALSE(coming[i].Done);
    }
    EXPECT_TRUE(timeline->DoneTicks().empty());

    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
    timeline->Refresh();
    ASSERT_EQ(timeline->DoneTicks().size(), 1u);
    EXPECT_EQ(timeline->DoneTicks()[0].Row, 0);
    EXPECT_EQ(timeline->ComingTicks().front().Row, 2);
    // Hollow: the outline in the colour of what comes, the inside blank.
    const int x = timeline->XOf(timeline->ComingTicks().front().Ms);
    const int middle = timeline->RowTop(2) + timeline->RowHeight() / 2;
    EXPECT_EQ(TimelineColour(x - 2, middle), TRunTimeline::ComingColor());
    EXPECT_EQ(TimelineColour(x, middle), QColor(Qt::white));
    // (Just left of the line at now.)
    EXPECT_EQ(TimelineColour(timeline->XOf(timeline->DoneTicks()[0].Ms) - 1, timeline->RowTop(0) + timeline->RowHeight() / 2),
              TRunTimeline::DoneColor());
    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);

    // A trigger every 100 ms: the first 500 of the next five minutes.
    Activate("00:00:00:000:Trigger Channel 4\r\n00:00:00:100:Jump To Time 00:00:00 Counting 9999 Loops\r\n");
    timeline->Refresh();
    ASSERT_EQ(timeline->ComingTicks().size(), size_t(TimelineTicks::MaxFutureTicks));
    EXPECT_EQ(timeline->ComingTicks().back().Ms - timeline->ComingTicks().front().Ms, 499 * 100);
}

// However often the run moves and the strip's timer ticks, the strip
// repaints once per quarter second of the run's clock at most, and does
// follow the run that often.
TEST_F(SchedulerWindowTest, TheTimelineRepaintsAtMostFourTimesASecond)
{
    StartWindows();
    Activate("00:00:00:000:Trigger Channel 1\r\n00:00:00:050:Jump To Time 00:00:00 Counting 99 Loops\r\n");
    auto* timeline = InScheduler<TRunTimeline>("RunTimeline");
    auto* repaintTimer = timeline->findChild<QTimer*>(QStringLiteral("RepaintTimer"));
    ASSERT_NE(repaintTimer, nullptr);
    QCoreApplication::processEvents();
    std::vector<QDateTime> paints;
    TEventCounter counter(timeline, QEvent::Paint, [&] { paints.push_back(Clock.Now()); });

    // Two seconds of the run: a trigger every 50 ms, and the strip's timer
    // ticking five times between two of them.
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
    const QDateTime from = Clock.Now();
    while (from.msecsTo(Clock.Now()) < 2000) {
        ASSERT_TRUE(Timer->Elapse(Clock));
        for (int tick = 0; tick < 5; ++tick) {
            QMetaObject::invokeMethod(repaintTimer, "timeout");
            QCoreApplication::processEvents();
        }
    }
    EXPECT_GE(paints.size(), 7u);
    EXPECT_LE(paints.size(), 9u);
    qint64 closest = TRunTimeline::SlotMs;
    for (size_t i = 1; i < paints.size(); ++i)
        closest = std::min(closest, paints[i - 1].msecsTo(paints[i]));
    EXPECT_EQ(closest, TRunTimeline::SlotMs);
}

} // namespace
