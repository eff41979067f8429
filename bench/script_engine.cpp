// script_engine [path of kelvor9-sim] [--quick]
//
// The run engine carrying scripts out through the real main window against
// the simulated stimulator, with the sound off, on the real clock:
//  - a chain of due instructions: a trigger, then a self-jump at its own time
//    taken N times in a row, then one more trigger at the same moment. It
//    reports the firings per second, from the alarm's tick to the last
//    trigger, and the peak stack depth for a million passes beside the same
//    for a thousand (the baseline). The passes of such a loop are added up,
//    so the million cost about what the thousand do: a time per firing
//    ratio near 1 means they are walked one by one again, and a stack ratio
//    above 1 that the chain grows the stack;
//  - the million again, and two overlapping loops walked pass by pass, on
//    the bare engine, through the scheduler window with its timeline strip
//    stopped, and through the window shown with the strip: the runs take
//    turns, and the rates of the median runs are compared (the strip may
//    cost no more than 5 %), with the cost of one repaint of the strip;
//  - the lateness of 100 triggers one second apart (median, p99, worst), for
//    the alarm's waits (the exact final approach) beside the earlier policy
//    (no wait shorter than the 50 ms floor), the two runs at once in this
//    process, half a second apart: once with the console idle, once while
//    the monitor window paints a flood of entries fed through its own append
//    path. This takes about 200 s; --quick leaves it out.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <vector>

#include "SimProcess.h"
#include "app/MainWindowTarget.h"
#include "console/Main.h"
#include "console/MonitorWindow.h"
#include "editor/ScriptEditor.h"
#include "link/CommUnit.h"
#include "scheduler/RunEngine.h"
#include "scheduler/RunTimeline.h"
#include "scheduler/Scheduler.h"
#include "ui/KelvorApplication.h"

namespace {

using Steady = std::chrono::steady_clock;

std::uintptr_t StackTop = 0; // an address near the bottom of main's frame

// The offscreen platform warns at every window raised: left out of the report.
QtMessageHandler ShowMessage = nullptr;
void LeaveOutPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QStringLiteral("This plugin does not support")))
        ShowMessage(type, context, message);
}

// A moment on the steady clock, with the processor time this thread had used
// by then: other programs on the machine lengthen the first, hardly the second.
struct TMoment {
    Steady::time_point Wall;
    double CpuSeconds = 0;
    bool IsSet() const { return Wall != Steady::time_point(); }
    static TMoment Now()
    {
        timespec cpu{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
        return {Steady::now(), double(cpu.tv_sec) + double(cpu.tv_nsec) / 1e9};
    }
};

struct TChain {
    long Firings = 0;
    double Seconds = 0;
    double CpuSeconds = 0;
    std::uintptr_t PeakStackBytes = 0;
    void Time(const TMoment& from, const TMoment& to)
    {
        Seconds = std::chrono::duration<double>(to.Wall - from.Wall).count();
        CpuSeconds = to.CpuSeconds - from.CpuSeconds;
    }
};

// Starts a run of the lines (one second from now) and waits for its end. The
// engine's own hooks (a window's) are kept and called first.
void RunToEnd(TRunEngine& engine, const QStringList& lines, const std::function<void(const TScriptLines&)>& start)
{
    QEventLoop loop;
    const auto stopped = engine.OnStopped;
    engine.OnStopped = [&loop, stopped] {
        if (stopped)
            stopped();
        loop.quit();
    };
    start(TScriptLines(lines));
    if (engine.Active())
        loop.exec();
    engine.OnStopped = stopped;
}

// The program's check timer, noting when it last ticked: the moment the
// alarm fired. MinimumWaitMs gives the earlier policy: no wait shorter than
// the floor, so the final approach overshoots the moment.
class TNotingCheckTimer final : public TCheckTimer {
public:
    TNotingCheckTimer()
    {
        FTimer.OnTick = [this] {
            LastTick = TMoment::Now();
            if (OnTick)
                OnTick();
        };
    }
    void Start(int ms) override { FTimer.Start(std::max(ms, MinimumWaitMs)); }
    void Stop() override { FTimer.Stop(); }
    bool IsActive() const override { return FTimer.IsActive(); }

    TMoment LastTick;
    int MinimumWaitMs = 0;

private:
    TQtCheckTimer FTimer;
};

// How a run is started: on the bare engine, or through the scheduler window.
using TStart = std::function<void(const TScriptLines&)>;

TChain SelfJumpChain(TRunEngine& engine, const TNotingCheckTimer& timer, int loops, const TStart& start)
{
    TChain chain;
    TMoment firstJump;
    TMoment lastTrigger;
    std::uintptr_t lowest = UINTPTR_MAX;
    const auto changed = engine.OnChanged;
    const auto carried = engine.OnCarried;
    engine.OnChanged = [&] {
        if (changed)
            changed();
        const char probe = 0;
        lowest = std::min(lowest, reinterpret_cast<std::uintptr_t>(&probe));
        // The jump, fired by the alarm, has been carried out (its first pass, or
        // all of them added up at once): the chain started at that tick.
        if (engine.CurrentIndex() == 1 && engine.Alarm().Reached() && !firstJump.IsSet())
            firstJump = timer.LastTick;
    };
    engine.OnCarried = [&](const TRunRecord& record) {
        if (carried)
            carried(record);
        if (record.Line == 3)
            lastTrigger = TMoment::Now();
    };
    RunToEnd(engine,
             {QStringLiteral("00:00:00:Trigger Channel 1"),
              QStringLiteral("00:00:01:Jump To Time 00:00:01 Counting %1 Loops").arg(loops),
              QStringLiteral("00:00:01:Trigger Channel 2")},
             start);
    engine.OnChanged = changed;
    engine.OnCarried = carried;
    // From the alarm's tick: the passes, the one that passes the jump over,
    // and the last trigger (less one, as the chain was first measured).
    chain.Firings = loops + 1;
    chain.Time(firstJump, lastTrigger);
    chain.PeakStackBytes = StackTop - lowest;
    return chain;
}

// Two jumps whose loops overlap: the walk to the trigger between them takes
// 2 x 999999 passes one by one (some milliseconds), with window events
// let run every 10 ms. Timed from the alarm's tick to the arming of the
// trigger, where the run is stopped.
TChain PassByPassWalk(TRunEngine& engine, const TNotingCheckTimer& timer, const TStart& start)
{
    TChain chain;
    TMoment tick;
    TMoment walked;
    const auto changed = engine.OnChanged;
    engine.OnChanged = [&] {
        if (changed)
            changed();
        if (engine.CurrentIndex() == 1 && !walked.IsSet()) {
            walked = TMoment::Now();
            tick = timer.LastTick;
            engine.Stop();
        }
    };
    RunToEnd(engine,
             {QStringLiteral("00:00:01:Jump To Time 00:00:03 Counting 999999 Loops"),
              QStringLiteral("00:00:02:Trigger Channel 1"),
              QStringLiteral("00:00:03:Jump To Time 00:00:01 Counting 999999 Loops")},
             start);
    engine.OnChanged = changed;
    chain.Firings = 2 * 999999;
    chain.Time(tick, walked);
    return chain;
}

void ReportChain(const char* name, const TChain& chain)
{
    std::printf("  %-22s %8ld firings in %8.4f s = %10.0f firings/s; peak stack depth %6lu bytes\n", name,
                chain.Firings, chain.Seconds, chain.Firings / chain.Seconds, static_cast<unsigned long>(chain.PeakStackBytes));
}

// Per second of this thread's processor time.
double CpuRate(const TChain& chain) { return chain.Firings / chain.CpuSeconds; }

void ReportCpuChain(const char* name, const TChain& chain)
{
    std::printf("  %-22s %8ld firings in %8.4f s (processor %8.4f s) = %10.0f firings per processor second\n", name,
                chain.Firings, chain.Seconds, chain.CpuSeconds, CpuRate(chain));
}

// A chain run one way: on the bare engine, through the window with its strip
// stopped, through the window shown.
struct TChainWay {
    TChainWay(const char* name, std::function<TChain()> run)
        : Name(name)
        , Run(std::move(run))
    {
    }
    const char* Name;
    std::function<TChain()> Run;
    std::vector<TChain> Runs; // sorted, fastest first
    const TChain& Median() const { return Runs[Runs.size() / 2]; }
    const TChain& Fastest() const { return Runs.front(); }
};

// The ways take turns, run after run, so that whatever else the machine does
// meets them alike; each is reported by its median run and its fastest, timed
// in this thread's processor time.
void CompareChains(const char* name, std::vector<TChainWay> ways, int rounds)
{
    for (int round = 0; round < rounds; ++round)
        for (TChainWay& way : ways)
            way.Runs.push_back(way.Run());
    std::printf(" %s, %d runs each, taking turns (median run by processor time):\n", name, rounds);
    for (TChainWay& way : ways) {
        std::sort(way.Runs.begin(), way.Runs.end(),
                  [](const TChain& a, const TChain& b) { return a.CpuSeconds < b.CpuSeconds; });
        ReportCpuChain(way.Name, way.Median());
        std::printf("  %-22s processor time of the runs: fastest %.2f ms, slowest %.2f ms\n", "",
                    way.Fastest().CpuSeconds * 1e3, way.Runs.back().CpuSeconds * 1e3);
    }
    const TChainWay& bare = ways[0];
    const TChainWay& stopped = ways[1];
    const TChainWay& shown = ways[2];
    std::printf("  rate, window shown / strip stopped: %.3f median, %.3f fastest; window shown / bare engine: %.3f "
                "median, %.3f fastest\n",
                CpuRate(shown.Median()) / CpuRate(stopped.Median()), CpuRate(shown.Fastest()) / CpuRate(stopped.Fastest()),
                CpuRate(shown.Median()) / CpuRate(bare.Median()), CpuRate(shown.Fastest()) / CpuRate(bare.Fastest()));
}

// What one repaint of the timeline strip costs (its ticks worked out anew,
// then painted), during a run whose next five minutes hold 150 ticks.
double StripRepaintMs(TfrmScheduler& scheduler, TRunTimeline& strip)
{
    scheduler.Activate(TScriptLines({QStringLiteral("00:00:00:Trigger Channel 1"),
                                     QStringLiteral("00:00:02:Change Channel 3 Delay to +00150E-3"),
                                     QStringLiteral("00:00:04:Change Channel 4 mode to Train"),
                                     QStringLiteral("00:00:06:Jump To Time 00:00:00 Counting 99 Loops")}),
                       QStringLiteral("00:00"));
    strip.Refresh();
    if (!strip.isVisible() || strip.ComingTicks().size() != 150)
        throw std::runtime_error("the scheduler window does not show the run's timeline");
    // Drawn into an image: painted whether or not a screen shows the window.
    QImage image(strip.size(), QImage::Format_ARGB32_Premultiplied);
    constexpr int Repaints = 200;
    QElapsedTimer painting;
    painting.start();
    for (int i = 0; i < Repaints; ++i) {
        strip.RunChanged();
        strip.Refresh();
        strip.render(&image);
    }
    const double ms = painting.nsecsElapsed() / 1e6 / Repaints;
    scheduler.Stop(TRunEnd::ByOperator);
    return ms;
}

// The lateness of 100 triggers one second apart, on two engines at once: one
// whose alarm waits exactly the time left (exact), one whose timer waits no
// less than the floor (the earlier policy). The second starts half a second
// after the first, so that their triggers never meet on the line.
struct TLatenessPair {
    TLatenessStats Exact;
    TLatenessStats Floor;
};

TLatenessPair Lateness(TRunEngine& exact, TRunEngine& floor)
{
    QStringList lines;
    for (int second = 1; second <= 100; ++second)
        lines << QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(":Trigger Channel 1");
    const TScriptLines script(lines);
    QEventLoop loop;
    const auto stopped = [&] {
        if (!exact.Active() && !floor.Active())
            loop.quit();
    };
    exact.OnStopped = stopped;
    floor.OnStopped = stopped;
    exact.Start(script, 1000);
    floor.Start(script, 1500);
    if (exact.Active() || floor.Active())
        loop.exec();
    exact.OnStopped = nullptr;
    floor.OnStopped = nullptr;
    return {exact.Lateness(), floor.Lateness()};
}

void ReportLateness(const char* name, const TLatenessPair& lateness)
{
    std::printf("  %s:\n", name);
    const auto report = [](const char* policy, const TLatenessStats& stats) {
        std::printf("   %-34s median %3lld ms, p99 %3lld ms, worst %3lld ms (%lld triggers)\n", policy,
                    static_cast<long long>(stats.Median()), static_cast<long long>(stats.Percentile(99)),
                    static_cast<long long>(stats.Worst()), static_cast<long long>(stats.Count()));
    };
    report("exact final approach", lateness.Exact);
    report("no wait below the 50 ms floor", lateness.Floor);
}

// Feeds the monitor's own append path a flood of entries, as a burst of
// traffic would, without any exchange: the monitor keeps painting its
// batches while the console stays idle.
class TMonitorFlood {
public:
    static constexpr int EveryMs = 5;
    static constexpr int EntriesPerBatch = 100;

    explicit TMonitorFlood(TfrmMonitor& monitor) : FMonitor(monitor)
    {
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setInterval(EveryMs);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            for (int i = 0; i < EntriesPerBatch; ++i)
                FMonitor.AppendEntry(QStringLiteral("\r\n12:00:00:000:.....>0012GP,4 flood %1").arg(++FEntries), i % 2 == 0);
        });
        QObject::connect(&FMonitor, &TfrmMonitor::LogPainted, [this] { ++Paints; });
    }
    void Start()
    {
        FMonitor.show();
        Paints = 0;
        FEntries = 0;
        FSince.start();
        FTimer.start();
    }
    void Stop() { FTimer.stop(); }
    double PaintsPerSecond() const { return Paints / (FSince.elapsed() / 1000.0); }
    double EntriesPerSecond() const { return FEntries / (FSince.elapsed() / 1000.0); }

    long Paints = 0;

private:
    TfrmMonitor& FMonitor;
    QTimer FTimer;
    QElapsedTimer FSince;
    long FEntries = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    const char top = 0;
    StackTop = reinterpret_cast<std::uintptr_t>(&top);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", config.path().toLocal8Bit()); // the scheduler window's run logs
    ShowMessage = qInstallMessageHandler(LeaveOutPlatformNotes);
    TKelvorApplication app(argc, argv);
    TKelvorApplication::ErrorReporter = [](const QString& message) {
        std::fprintf(stderr, "error: %s\n", qPrintable(message));
    };
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                       : QCoreApplication::applicationDirPath() + QStringLiteral("/kelvor9-sim");
    const bool quick = argc > 2 && QByteArray(argv[2]) == "--quick";
    QTemporaryDir folder;
    try {
        bench::TSimProcess sim(simulator, folder.path(), 9, {});
        TfrmMain frmMain;
        frmMain.SetConfigureLink([&folder](TfrmComm& link) {
            link.Settings().PortFolder = folder.path();
            link.Settings().Arguments = QStringList({QStringLiteral("script_engine"), QStringLiteral("COM9")});
            link.Settings().OpenPauseMs = 0;
        });
        QSignalSpy refreshed(&frmMain, &TfrmMain::RefreshFinished);
        frmMain.show();
        if (!refreshed.wait(20000) || !frmMain.IsConnected())
            throw std::runtime_error("the console did not connect to the simulator");

        TMainWindowTarget target(frmMain);
        TLocalClock clock;
        TSilentSoundPlayer silence;
        auto checkTimer = std::make_unique<TNotingCheckTimer>();
        TNotingCheckTimer& ticks = *checkTimer;
        TRunEngine engine(target, clock, std::move(checkTimer), silence);
        engine.OnFailed = [](const QString& message) { std::fprintf(stderr, "failed: %s\n", qPrintable(message)); };

        const TStart bare = [&engine](const TScriptLines& script) { engine.Start(script, 1000); };

        std::printf("run engine against the simulator, sound off, real clock\n");
        std::printf(" a trigger, a self-jump taken N times in a row, a trigger:\n");
        const TChain small = SelfJumpChain(engine, ticks, 1000, bare);
        const TChain large = SelfJumpChain(engine, ticks, 999999, bare);
        ReportChain("N = 1000 (baseline)", small);
        ReportChain("N = 999999", large);
        std::printf("  time per firing, 999999 / 1000: %.2f (1 = linear); peak stack, 999999 / 1000: %.2f\n",
                    (large.Seconds / large.Firings) / (small.Seconds / small.Firings),
                    double(large.PeakStackBytes) / double(small.PeakStackBytes));

        // The same chain through the scheduler window, shown with its list and
        // timeline strip, beside the bare engine (its own engine, clock and timer).
        TfrmScriptEditor editor(&frmMain);
        auto windowTimer = std::make_unique<TNotingCheckTimer>();
        const TNotingCheckTimer& windowTicks = *windowTimer;
        TfrmScheduler scheduler(target, editor, &frmMain, clock, std::move(windowTimer), silence);
        TRunEngine& shown = scheduler.Engine();
        const TStart throughWindow = [&scheduler](const TScriptLines& script) {
            scheduler.Activate(script, QStringLiteral("00:00"));
        };
        auto& strip = *scheduler.findChild<TRunTimeline*>(QStringLiteral("RunTimeline"));
        const TStart stripStopped = [&](const TScriptLines& script) {
            throughWindow(script);
            strip.End();
        };
        const int rounds = quick ? 3 : 11;
        CompareChains("N = 999999 added up",
                      {{"bare engine", [&] { return SelfJumpChain(engine, ticks, 999999, bare); }},
                       {"window, strip stopped", [&] { return SelfJumpChain(shown, windowTicks, 999999, stripStopped); }},
                       {"window shown", [&] { return SelfJumpChain(shown, windowTicks, 999999, throughWindow); }}},
                      rounds);
        CompareChains("2 x 999999 passes walked one by one",
                      {{"bare engine", [&] { return PassByPassWalk(engine, ticks, bare); }},
                       {"window, strip stopped", [&] { return PassByPassWalk(shown, windowTicks, stripStopped); }},
                       {"window shown", [&] { return PassByPassWalk(shown, windowTicks, throughWindow); }}},
                      rounds);
        const double repaintMs = StripRepaintMs(scheduler, strip);
        std::printf(" one repaint of the timeline strip (150 ticks to come): %.3f ms; at most %d a second: at most "
                    "%.2f %% of any second\n",
                    repaintMs, TRunTimeline::RepaintsPerSecond, repaintMs * TRunTimeline::RepaintsPerSecond / 10.0);

        if (!quick) {
            auto floorTimer = std::make_unique<TNotingCheckTimer>();
            floorTimer->MinimumWaitMs = int(TRunEngine::AlarmCurrency);
            TRunEngine earlier(target, clock, std::move(floorTimer), silence);
            earlier.OnFailed = engine.OnFailed;
            std::printf(" lateness of 100 triggers 1 s apart, both policies at once, half a second apart:\n");
            ReportLateness("idle", Lateness(engine, earlier));
            TMonitorFlood flood(*frmMain.Monitor());
            flood.Start();
            const TLatenessPair painting = Lateness(engine, earlier);
            flood.Stop();
            ReportLateness("while the monitor paints a flood of entries", painting);
            std::printf("  the monitor meanwhile: %.0f entries/s appended, %.1f batches painted/s\n",
                        flood.EntriesPerSecond(), flood.PaintsPerSecond());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_script_engine: %s\n", error.what());
        return 1;
    }
    return 0;
}
