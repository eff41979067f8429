// bench_monitor [path of kelvor9-sim]
//
// What the open monitor window costs the link. Runs 10000 "GT" dialogues
// through TfrmComm against the unthrottled simulator with the monitor window
// shown, and 10000 with it hidden, in alternating blocks so that a change in
// the machine's load falls on both alike. The open blocks include the
// painting of the log (its timer runs while the dialogues wait) and the
// final paint of what was still queued. Reported: the time per dialogue and
// per traffic-log entry on both sides and their ratio (aim: the open monitor
// adds under 20 %), then a burst of 100000 entries handed to the window at
// once: the time to queue them, and to take them into the log and repaint
// the window.
#include "SimProcess.h"
#include "console/MonitorWindow.h"
#include "link/CommUnit.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int DialoguesPerSide = 10000;
constexpr int Blocks = 20;
constexpr int WarmUp = 50;
constexpr int BurstEntries = 100000;

// Counts what the link hands to the window.
class TCountingView : public TTrafficView {
public:
    explicit TCountingView(TfrmMonitor& monitor) : FMonitor(monitor) {}
    bool IsShowing() const override { return FMonitor.IsShowing(); }
    void AppendEntry(const QString& entry, bool sent) override
    {
        ++Entries;
        FMonitor.AppendEntry(entry, sent);
    }
    long long Entries = 0;

private:
    TfrmMonitor& FMonitor;
};

// Seconds for n dialogues; the open side also paints what is still queued.
double RunDialogues(TfrmComm& link, TfrmMonitor& monitor, int n)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < n; ++i) {
        if (!link.Dialogue(QStringLiteral("GT")).startsWith(QStringLiteral("OK.")))
            throw std::runtime_error("unexpected reply");
    }
    monitor.Flush();
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); // the window's place is not kept
    QApplication app(argc, argv);
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                       : QCoreApplication::applicationDirPath() + QStringLiteral("/kelvor9-sim");
    QTemporaryDir folder;
    try {
        bench::TSimProcess sim(simulator, folder.path(), 9, {});
        TfrmComm link;
        link.Settings().PortFolder = folder.path();
        link.Settings().Arguments = QStringList({QStringLiteral("bench_monitor"), QStringLiteral("COM9")});
        link.Settings().OpenPauseMs = 0;
        link.Connect();

        TUserDialogs dialogs;
        TfrmMonitor monitor([&dialogs]() -> TUserDialogs& { return dialogs; });
        TCountingView view(monitor);
        link.AttachView(&view);
        long long paints = 0;
        QObject::connect(&monitor, &TfrmMonitor::LogPainted, [&paints] { ++paints; });

        monitor.show();
        RunDialogues(link, monitor, WarmUp);
        monitor.hide();
        RunDialogues(link, monitor, WarmUp);
        view.Entries = 0;
        paints = 0;

        double open = 0;
        double closed = 0;
        for (int block = 0; block < Blocks; ++block) {
            monitor.show();
            open += RunDialogues(link, monitor, DialoguesPerSide / Blocks);
            monitor.hide();
            closed += RunDialogues(link, monitor, DialoguesPerSide / Blocks);
        }
        const double entriesPerDialogue = double(view.Entries) / DialoguesPerSide;
        const double openUs = open / DialoguesPerSide * 1e6;
        const double closedUs = closed / DialoguesPerSide * 1e6;
        std::printf("%d GT dialogues each side, in %d alternating blocks, unthrottled simulator:\n", DialoguesPerSide,
                    Blocks);
        std::printf("  log entries per dialogue          %9.2f (%lld in all, painted in %lld batches)\n",
                    entriesPerDialogue, view.Entries, paints);
        std::printf("  per dialogue, monitor closed      %9.1f us\n", closedUs);
        std::printf("  per dialogue, monitor open        %9.1f us\n", openUs);
        std::printf("  per entry, monitor closed         %9.2f us\n", closedUs / entriesPerDialogue);
        std::printf("  per entry, monitor open           %9.2f us\n", openUs / entriesPerDialogue);
        std::printf("  open / closed                     %9.3f (aim: below 1.20)\n", openUs / closedUs);
        std::printf("  entries kept in the log           %9d (at most %d)\n", monitor.EntryCount(),
                    TfrmMonitor::HistoryLimit);

        // A burst as a channel 9 transfer makes it: queued, then one paint.
        monitor.show();
        const QString entry = QStringLiteral("\r\n12:00:00:000:.....<0013OK.+01.234E+0");
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < BurstEntries; ++i)
            monitor.AppendEntry(entry, i % 2 == 0);
        const double queueUs = double(clock.nsecsElapsed()) / 1e3 / BurstEntries;
        clock.restart();
        monitor.Flush();
        monitor.repaint();
        const double paintMs = double(clock.nsecsElapsed()) / 1e6;
        std::printf("Burst of %d entries: queued in %.3f us each, taken into the log and repainted in %.1f ms\n", BurstEntries,
                    queueUs, paintMs);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_monitor: %s\n", error.what());
        return 2;
    }
}
