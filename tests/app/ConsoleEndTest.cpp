// The console's end asked for from outside (a signal, the desktop session
// ending) during a run: no question, the operation in progress unwinds
// first, a modal window closes, the run's log says the console was closed,
// and the program ends with status 0. Once in this process through the one
// TOutsideEnd, and once as a real console process sent SIGTERM.
//
// Its own test program: an end once asked for stays asked for in the
// process.
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>

#include "SchedulerFixture.h"
#include "link/CommUnit.h"
#include "ui/OutsideEnd.h"

namespace {

const QString Closed = QStringLiteral(",Stopped: the console was closed");

QByteArray Triggers(int count)
{
    QByteArray script;
    for (int second = 0; second < count; ++second)
        script += QStringLiteral("00:00:%1:Trigger Channel 1\r\n").arg(second, 2, 10, QLatin1Char('0')).toLatin1();
    return script;
}

using ConsoleEndTest = SchedulerFixture;

TEST_F(ConsoleEndTest, AnEndFromOutsideWaitsForTheOperationThenClosesEverything)
{
    StartWindows();
    Activate(Triggers(15));
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 2; }));

    // The end is asked for while the editor is open over the main window and
    // an operation runs: the run goes on until the operation has ended.
    bool waitedForTheOperation = false;
    QTimer::singleShot(0, Main.get(), [&] {
        ChooseScheduler([&] {
            TOperation operation(Main->Comm());
            TOutsideEnd::Instance().Request(QStringLiteral("SIGTERM"));
            Settle();
            waitedForTheOperation = Run().Active() && Editor->isVisible();
        });
    });
    EXPECT_EQ(RunProgramLoop(), 0);
    EXPECT_TRUE(waitedForTheOperation);
    EXPECT_TRUE(Dialogs->Questions.isEmpty());
    EXPECT_FALSE(Run().Active());
    EXPECT_FALSE(Editor->isVisible());
    EXPECT_FALSE(Scheduler->isVisible());
    EXPECT_FALSE(Main->isVisible());
    const QStringList lines = LogLines(); // ..., the end, the summary
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(Closed)) << lines[lines.size() - 2].toStdString();
}

// The real program, offscreen, with a run activated at start-up: SIGTERM
// after its first trigger.
TEST_F(ConsoleEndTest, SigtermDuringARunEndsTheProgramAndReleasesThePort)
{
    StartSimulator({});
    const QString script = FFiles.filePath(QStringLiteral("run.ks9"));
    WriteAll(script, Triggers(15));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KELVOR9_PORT_DIR"), PortFolder());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), FFiles.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), FFiles.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("KELVOR9_TEST_RUN_SCRIPT"), script);
    QProcess console;
    console.setProcessEnvironment(environment);
    console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    console.start(QStringLiteral(KELVOR9_EXE), {});
    ASSERT_TRUE(console.waitForStarted(10'000));

    // The run's first trigger (after the start-up's refresh and the one that
    // reads the settings for the run's record).
    ASSERT_TRUE(WaitForFrames("T", 1, 30'000));
    EXPECT_EQ(FramesStarting("T"), std::vector<std::string>{"T1"});
    ASSERT_EQ(::kill(pid_t(console.processId()), SIGTERM), 0);
    ASSERT_TRUE(console.waitForFinished(30'000));
    EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(console.exitCode(), 0);

    const QDir runs(FFiles.filePath(QStringLiteral("data/Kelvor9/runs")));
    const QStringList logs = runs.entryList({QStringLiteral("*.csv")}, QDir::Files);
    ASSERT_EQ(logs.size(), 1);
    const QStringList lines = QString::fromUtf8(ReadAll(runs.filePath(logs[0]))).split(QStringLiteral("\r\n"));
    // The header, a trigger, the end, the summary and nothing after the last CR LF.
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[lines.size() - 3].endsWith(Closed)) << lines[lines.size() - 3].toStdString();
    EXPECT_LT(lines.size(), 15 + 4);

    // The port is free again: a console here connects to the same device.
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    EXPECT_TRUE(Main->IsConnected());
}

} // namespace
