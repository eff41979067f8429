// Fault drills for a running script. The line to the device goes (it hangs
// up while an instruction talks to it, or the simulator ends between two
// instructions): the run tries the lost port again every second, says so,
// and goes on once the device is back, dealing with what fell due
// meanwhile; a device that stays away halts it after ten minutes. A silent
// device is waited for instruction by instruction.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSignalSpy>

#include "SchedulerFixture.h"
#include "link/CommUnit.h"
#include "model/ParadigmFile.h"
#include "ui/KelvorApplication.h"

namespace {

class RunFaultDrillTest : public SchedulerFixture {
protected:
    static QString Retrying(const QString& port)
    {
        return QStringLiteral("Connection lost: trying %1 again\u2026").arg(port);
    }

    // Starts a run of the script; once its first instruction has been
    // carried out the simulator ends: the console sees the line hang up, and
    // the run learns of it.
    void LoseTheLineAfterTheFirst(const QByteArray& script)
    {
        Activate(script);
        ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
        QSignalSpy lost(Main->Comm(), &TfrmComm::ConnectionLost);
        Sim->stop();
        ASSERT_TRUE(lost.wait(5000));
        Settle();
    }

    void StartTheSimulatorOn(int port)
    {
        sim::SimOptions options;
        options.port = port;
        StartSimulator(options);
    }

    // Both windows say that the run waits for the lost port.
    void ExpectRetrying(const QString& port)
    {
        EXPECT_TRUE(Run().Reconnecting());
        EXPECT_FALSE(Run().Halted());
        EXPECT_EQ(InScheduler<QLabel>("LabelScheduler")->text(), Retrying(port));
        EXPECT_EQ(Main->StatusText(), Retrying(port));
        EXPECT_TRUE(InScheduler<QTimer>("ClockTimer")->isActive());
    }

    // A line of the log that is a note of its own: the moment in "Carried
    // out", the text in "Outcome", the other fields empty.
    static QDateTime NoteMoment(const QString& line, const QString& text)
    {
        const QStringList fields = line.split(QLatin1Char(','));
        EXPECT_EQ(fields.size(), 6) << line.toStdString();
        if (fields.size() != 6)
            return {};
        EXPECT_EQ(fields, (QStringList{QString(), fields[1], QString(), QString(), QString(), text}))
            << line.toStdString();
        return LogMoment(fields[1]);
    }

    // The log's line for script line n: its "Carried out" and "Outcome".
    static std::pair<QString, QString> Logged(const QStringList& lines, int n)
    {
        for (const QString& line : lines) {
            const QStringList fields = line.split(QLatin1Char(','));
            if (fields.size() == 6 && fields[3] == QString::number(n))
                return {fields[1], fields[5]};
        }
        return {};
    }
};

// The line goes during the refresh of a paradigm select that the device
// took: the run tries COM9 again each second, with one loss box, and once
// the device is back it carries that instruction out again and goes on on
// time. The log tells the loss and the reconnection on lines of their own.
TEST_F(RunFaultDrillTest, TheRunWaitsForTheLostPortAndGoesOn)
{
    StartWindows(TConsoleSetup::HangingUpAfter(3 + RecordCommands + 2));
    ClearWire();
    Activate("00:00:00:Change Channel 1 Delay to +00150E-3\r\n"
             "00:00:05:Change Paradigm To 2\r\n"
             "00:00:10:Trigger Channel 1\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return Run().Reconnecting(); }));
    Settle();
    ExpectRetrying(QStringLiteral("COM9"));
    EXPECT_EQ(Errors(), QStringList{TfrmComm::LostMessage()});
    EXPECT_EQ(Run().Alarm().Due(), Clock.Now().addSecs(1));

    ASSERT_TRUE(Sim->waitForLinesServed(2, 5000));
    ClearWire();
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Reconnecting(); }));
    EXPECT_FALSE(Ui.PanelCover()->isVisible());
    EXPECT_EQ(Main->Paradigm().Number, 2);
    EXPECT_TRUE(InScheduler<QLabel>("LabelScheduler")->text().startsWith(QStringLiteral("Next event will be held at ")));
    EXPECT_EQ(Main->StatusText(), QStringLiteral("A scheduled run is active. Its log: ") + Scheduler->RunLogFile());

    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    EXPECT_FALSE(Run().Halted());
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_EQ(FramesStarting("Y"), std::vector<std::string>{"Y2R"});
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>{"T1"});
    EXPECT_EQ(Errors(), QStringList{TfrmComm::LostMessage()});

    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 8);
    // The paradigm select carried out again after the reconnection ran 1 s late.
    EXPECT_TRUE(lines[7].endsWith(QStringLiteral(",\"Summary: 3 carried out; lateness median 0 ms, p99 1000 ms, worst 1000 ms\"")))
        << lines[7].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",1,00:00:00:Change Channel 1 Delay to +00150E-3,OK.+150.0E-3")));
    const QDateTime lost = NoteMoment(lines[2], TfrmComm::LostMessage());
    const QDateTime back = NoteMoment(lines[3], QStringLiteral("Connected again on COM9 after 1.0 s"));
    EXPECT_GE(lost.msecsTo(back), 1000);
    EXPECT_LT(lost.msecsTo(back), 1100);
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral(",2,00:00:05:Change Paradigm To 2,sent"))) << lines[4].toStdString();
    EXPECT_EQ(LogMoment(lines[4].section(QLatin1Char(','), 1, 1)), back);
    EXPECT_TRUE(lines[5].endsWith(QStringLiteral(",3,00:00:10:Trigger Channel 1,sent"))) << lines[5].toStdString();
    EXPECT_TRUE(lines[6].endsWith(QStringLiteral(",Completed")));
}

// What fell due while the line was lost: triggers are not sent; of the
// settings, modes and paradigm instructions only the latest for each target
// is carried out, in the script's order (a load keeps the select before it).
TEST_F(RunFaultDrillTest, MissedTriggersAreSkippedAndOnlyTheLatestSettingsCarriedOut)
{
    StartWindows();
    const QString paradigm = FFiles.filePath(QStringLiteral("p.kr9"));
    WriteAll(paradigm, ParadigmFile::Text(Main->Paradigm()));
    ASSERT_NO_FATAL_FAILURE(LoseTheLineAfterTheFirst("00:00:00:Trigger Channel 1\r\n"
             "00:00:02:Trigger Channel 2\r\n"
             "00:00:03:Change Channel 1 Delay to +00100E-3\r\n"
             "00:00:04:Change Channel 3 mode to Twin\r\n"
             "00:00:05:Change Channel 1 Delay to +00200E-3\r\n"
             "00:00:06:Change Channel 2 Delay to +00300E-3\r\n"
             "00:00:07:Change Channel 3 mode to Train\r\n"
             "00:00:08:Change Paradigm To 3\r\n"
             "00:00:09:Change Paradigm To 2\r\n"
             "00:00:10:Load Paradigm " + paradigm.toUtf8() + "\r\n"
             "00:01:00:Trigger Channel 4\r\n"));
    const QDateTime start = Run().StartTime();
    ASSERT_TRUE(ElapseUntil([&] { return Clock.Now() >= start.addSecs(20); }));
    ExpectRetrying(QStringLiteral("COM9"));

    StartTheSimulatorOn(9);
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Reconnecting(); }));
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>{"T4"});
    EXPECT_EQ(FramesStarting("L"), (std::vector<std::string>{"L1+00200E-3R", "L2+00300E-3R"}));
    EXPECT_EQ(FramesStarting("Y"), std::vector<std::string>{"Y2R"});
    EXPECT_EQ(FramesStarting("M"), std::vector<std::string>{"MN3R"});
    EXPECT_EQ(Sim->state().current, 2);

    const QStringList lines = LogLines();
    const QString lost = QStringLiteral("skipped: the connection was lost");
    const QString later = QStringLiteral("skipped: a later instruction set it");
    const std::pair<QString, QString> skippedLost{QString(), lost};
    const std::pair<QString, QString> skippedLater{QString(), later};
    EXPECT_EQ(Logged(lines, 2), skippedLost);
    EXPECT_EQ(Logged(lines, 3), skippedLater);
    EXPECT_EQ(Logged(lines, 4), skippedLater);
    EXPECT_EQ(Logged(lines, 5).second, QStringLiteral("OK.+200.0E-3"));
    EXPECT_EQ(Logged(lines, 6).second, QStringLiteral("OK.+300.0E-3"));
    EXPECT_EQ(Logged(lines, 7).second, QStringLiteral("N"));
    EXPECT_EQ(Logged(lines, 8), skippedLater);
    EXPECT_EQ(Logged(lines, 9).second, QStringLiteral("sent"));
    EXPECT_EQ(Logged(lines, 10).second, QStringLiteral("loaded"));
    EXPECT_EQ(Logged(lines, 11).second, QStringLiteral("sent"));
    // In the script's order, after the reconnection's own line.
    QStringList order;
    for (const QString& line : lines.mid(1))
        order << line.section(QLatin1Char(','), 3, 3);
    EXPECT_EQ(order, (QStringList{QStringLiteral("1"), QString(), QString(), QStringLiteral("2"), QStringLiteral("3"),
                                  QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                                  QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("11"),
                                  QString(), QString()}));
}

// The tries take the lost port only, never a search: a device on another
// port is not taken. F5 searches as always and finds it; the run goes on there.
TEST_F(RunFaultDrillTest, TheTriesTakeTheLostPortOnlyAndF5Searches)
{
    StartWindows();
    ASSERT_NO_FATAL_FAILURE(LoseTheLineAfterTheFirst("00:00:00:Trigger Channel 1\r\n00:00:30:Trigger Channel 2\r\n"));
    StartTheSimulatorOn(5);
    const QDateTime lost = Clock.Now();
    for (int attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_EQ(Run().Alarm().Due(), lost.addSecs(attempt));
        ASSERT_TRUE(ElapseUntil([&] { return Clock.Now() >= lost.addSecs(attempt); }));
    }
    ExpectRetrying(QStringLiteral("COM9"));
    EXPECT_EQ(Sim->attentionCount(), 0);

    Errors().clear();
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
    PressF5();
    EXPECT_EQ(Main->PortText(), QStringLiteral("Connection:USB"));
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>{"T2"});
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 7); // the summary last
    NoteMoment(lines[3], QStringLiteral("Connected again on COM5 after 4.0 s"));
    EXPECT_TRUE(Errors().isEmpty());
}

// A port that opens is not enough: the run goes on once the device has
// answered the refresh.
TEST_F(RunFaultDrillTest, TheRunGoesOnOnlyOnceTheDeviceAnswers)
{
    StartWindows();
    ASSERT_NO_FATAL_FAILURE(LoseTheLineAfterTheFirst("00:00:00:Trigger Channel 1\r\n00:00:30:Trigger Channel 2\r\n"));
    Main->Comm()->Settings().DialogueTimeoutMs = 250;
    StartTheSimulatorOn(9);
    Sim->setSilent(true);
    const QDateTime lost = Clock.Now();
    ASSERT_TRUE(ElapseUntil([&] { return Clock.Now() >= lost.addSecs(3); }));
    ExpectRetrying(QStringLiteral("COM9"));

    Sim->setSilent(false);
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>{"T2"});
    EXPECT_EQ(Errors(), QStringList{TfrmComm::LostMessage()});
}

// A device that stays away: the tries go on for ten minutes from the loss,
// then the run halts as on any failure.
TEST_F(RunFaultDrillTest, APortThatNeverComesBackHaltsTheRunAfterTenMinutes)
{
    StartWindows();
    ASSERT_NO_FATAL_FAILURE(LoseTheLineAfterTheFirst("00:00:00:Trigger Channel 1\r\n00:30:00:Trigger Channel 2\r\n"));
    const QDateTime lost = Clock.Now();
    ASSERT_TRUE(ElapseUntil([&] { return Clock.Now() >= lost.addSecs(599); }, 20000));
    ExpectRetrying(QStringLiteral("COM9"));

    ASSERT_TRUE(ElapseUntil([&] { return Run().Halted(); }));
    EXPECT_GE(Clock.Now(), lost.addSecs(600));
    EXPECT_LT(Clock.Now(), lost.addSecs(601));
    const QString halted = QStringLiteral("The run has halted: ") + TfrmComm::LostMessage();
    EXPECT_EQ(InScheduler<QLabel>("LabelScheduler")->text(), halted);
    EXPECT_EQ(Main->StatusText(), halted);
    EXPECT_FALSE(Timer->Elapse(Clock));
    EXPECT_TRUE(Run().Active());
    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 5); // the summary last
    NoteMoment(lines[2], TfrmComm::LostMessage());
    NoteMoment(lines[3], QStringLiteral("Halted: ") + TfrmComm::LostMessage());
    EXPECT_EQ(Errors(), QStringList{TfrmComm::LostMessage()});
}

// Stop while the run waits for the device ends the tries: nothing opens the
// port when the device comes back.
TEST_F(RunFaultDrillTest, StopDuringTheTriesEndsThem)
{
    StartWindows();
    ASSERT_NO_FATAL_FAILURE(LoseTheLineAfterTheFirst("00:00:00:Trigger Channel 1\r\n00:00:05:Trigger Channel 2\r\n"));
    ASSERT_TRUE(Timer->Elapse(Clock));
    ExpectRetrying(QStringLiteral("COM9"));

    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);
    EXPECT_FALSE(Run().Active());
    EXPECT_FALSE(Run().Reconnecting());
    EXPECT_FALSE(Timer->IsActive());
    StartTheSimulatorOn(9);
    EXPECT_FALSE(Timer->Elapse(Clock));
    Settle();
    EXPECT_EQ(Sim->attentionCount(), 0);
    EXPECT_TRUE(Ui.PanelCover()->isVisible());
    EXPECT_EQ(Run().Ending().Outcome, QStringLiteral("Stopped by the operator"));
}

// The loss box comes up once and closes by itself when the run has reached
// the device again; the run goes on.
TEST_F(RunFaultDrillTest, TheLossBoxClosesByItselfWhenTheDeviceIsBack)
{
    StartWindows();
    const auto reporter = std::exchange(TKelvorApplication::ErrorReporter, nullptr);
    auto restore = qScopeGuard([&] { TKelvorApplication::ErrorReporter = reporter; });
    Activate("00:00:00:Trigger Channel 1\r\n00:00:05:Trigger Channel 2\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));

    QList<QPointer<QMessageBox>> boxes;
    QStringList texts;
    bool answered = false; // by the test, as the operator would: it did not close by itself
    QElapsedTimer shown;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && !boxes.contains(box)) {
            boxes << box;
            texts << box->text();
            shown.start();
        }
        if (box && Run().Reconnecting())
            Timer->Elapse(Clock); // the run's tries go on while the box waits
        else if (box && shown.elapsed() > 3000) {
            answered = true;
            box->done(QMessageBox::Ok);
        }
    });
    driver.start(5);
    Sim->stop();
    StartTheSimulatorOn(9);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.isEmpty() && !QApplication::activeModalWidget(); }, 10000));
    driver.stop();
    EXPECT_EQ(texts, QStringList{TfrmComm::LostMessage()});
    EXPECT_FALSE(answered);
    EXPECT_FALSE(Run().Reconnecting());
    EXPECT_FALSE(Ui.PanelCover()->isVisible());
    ASSERT_TRUE(ElapseUntil([&] { return !Run().Active(); }));
    ASSERT_TRUE(WaitForFrames("T", 1));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>{"T2"});
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
