// The console's program start: the application, its windows in their order,
// then the event loop until the main window closes.
#include <QAction>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "AboutBox.h"
#include "KelvorApplication.h"
#include "Main.h"
#include "MainWindowTarget.h"
#include "OtherWindows.h"
#include "scheduler/Scheduler.h"
#include "script/ScriptEditor.h"

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
                    static_cast<long long>(frmMain.LastConnectNs));
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
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
    TfrmScheduler frmScheduler(scriptTarget, frmScriptEditor, clock, std::make_unique<TQtCheckTimer>(), sounds);
    QObject::connect(frmMain.Scheduler1, &QAction::triggered, &frmScheduler, &TfrmScheduler::Scheduler1Click);
    QObject::connect(&frmScheduler, &TfrmScheduler::RunEnded, &frmMain, &TfrmMain::SetStatusText);
    TfrmProgressBar frmProgressBar(&frmMain);

    // The other windows stay hidden until used, so closing the main window
    // (the last visible one) ends the program.
    InstallStartupProbe(frmMain);
    frmMain.show();
    frmMain.activateWindow();
    return app.exec();
}
