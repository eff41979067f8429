// The console's program start: the application, its windows in their order,
// then the event loop until the main window closes.
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "ConsoleEnd.h"
#include "MainWindowTarget.h"
#include "SchedulerWiring.h"
#include "console/AboutBox.h"
#include "console/Main.h"
#include "console/OtherWindows.h"
#include "editor/ScriptEditor.h"
#include "remote/RemoteService.h"
#include "scheduler/Scheduler.h"
#include "script/ScriptFile.h"
#include "ui/KelvorApplication.h"
#include "ui/OutsideEnd.h"

namespace {

qint64 MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// For the start-up benchmark: with KELVOR9_STARTUP_PROBE set, the console
// reports when its first refresh has consumed the device's last reply, and
// how long the search and opening of the port took, then ends.
void InstallStartupProbe(TfrmMain& frmMain)
{
    if (qEnvironmentVariableIsEmpty("KELVOR9_STARTUP_PROBE"))
        return;
    QObject::connect(&frmMain, &TfrmMain::RefreshFinished, &frmMain, [&frmMain] {
        std::printf("kelvor9-startup refreshed-at-ns=%lld connect-ns=%lld\n", static_cast<long long>(MonotonicNs()),
                    static_cast<long long>(frmMain.LastConnectNs()));
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
}

// For the end-to-end test of the program's end: with KELVOR9_TEST_RUN_SCRIPT
// naming a script file, the console activates its lines once the first
// refresh has finished, as "Save and &Activate!" would.
void InstallTestRun(TfrmMain& frmMain, TfrmScheduler& frmScheduler)
{
    const QString script = qEnvironmentVariable("KELVOR9_TEST_RUN_SCRIPT");
    if (script.isEmpty())
        return;
    QObject::connect(
        &frmMain, &TfrmMain::RefreshFinished, &frmScheduler,
        [&frmScheduler, script] {
            TKelvorApplication::RunCommand(
                [&] { frmScheduler.Activate(ScriptFile::Read(script), QStringLiteral("00:00")); });
        },
        Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

} // namespace

int main(int argc, char** argv)
{
    TKelvorApplication app(argc, argv);
    TKelvorApplication::setApplicationName(QStringLiteral("Kelvor9"));
    TKelvorApplication::setOrganizationName(QStringLiteral("Kelvor9"));
    app.setProperty("HelpFile", QStringLiteral("Kelvor8.hlp"));

    TfrmMain frmMain;
    TAboutBox aboutBox(&frmMain);
    TfrmScriptEditor frmScriptEditor(&frmMain);
    // The scheduler runs scripts on the main window's device operations.
    TMainWindowTarget scriptTarget(frmMain);
    TLocalClock clock;
    TResourceSoundPlayer sounds;
    TfrmScheduler frmScheduler(scriptTarget, frmScriptEditor, &frmMain, clock, std::make_unique<TQtCheckTimer>(),
                               sounds);
    AttachScheduler(frmMain, frmScheduler);
    TfrmProgressBar frmProgressBar(&frmMain);
    // Exit during a run, and ends asked for from outside (signals, the
    // session's end): the run stops and its log says so.
    TConsoleEnd consoleEnd(frmMain, frmScheduler);
    TOutsideEnd::Instance().InstallSignalHandlers();
    // A file that would grow past the user's size limit (ulimit -f) must
    // fail its write with "File too large", which the save reports, instead
    // of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);

    // The other windows stay hidden until used, so closing the main window
    // (the last visible one) ends the program.
    InstallStartupProbe(frmMain);
    InstallTestRun(frmMain, frmScheduler);
    frmMain.show();
    frmMain.activateWindow();
    // Other programs drive the console over D-Bus (org.kelvor9.Console);
    // the shown window's link exists now, its first refresh is to come.
    const std::unique_ptr<TRemoteService> remote =
        StartRemoteControl(frmMain, frmScheduler, QCoreApplication::arguments());
    return app.exec();
}
