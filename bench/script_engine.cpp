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
//  - the lateness of 100 triggers one second apart (median and worst), beside
//    the 50 ms the alarm allows. This takes about 100 s; --quick leaves it out.
#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTime>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "SimProcess.h"
#include "app/MainWindowTarget.h"
#include "console/Main.h"
#include "link/CommUnit.h"
#include "scheduler/RunEngine.h"
#include "ui/KelvorApplication.h"

namespace {

using Steady = std::chrono::steady_clock;

std::uintptr_t StackTop = 0; // an address near the bottom of main's frame

struct TChain {
    long Firings = 0;
    double Seconds = 0;
    std::uintptr_t PeakStackBytes = 0;
};

// Runs the lines from one second from now until the run ends.
void RunToEnd(TRunEngine& engine, const QStringList& lines)
{
    QEventLoop loop;
    engine.OnStopped = [&loop] { loop.quit(); };
    engine.Start(TScriptLines(lines), 1000);
    if (engine.Active())
        loop.exec();
    engine.OnStopped = nullptr;
}

// The program's check timer, noting when it last ticked: the moment the
// alarm fired.
class TNotingCheckTimer final : public TCheckTimer {
public:
    TNotingCheckTimer()
    {
        FTimer.OnTick = [this] {
            LastTick = Steady::now();
            if (OnTick)
                OnTick();
        };
    }
    void Start(int ms) override { FTimer.Start(ms); }
    void Stop() override { FTimer.Stop(); }
    bool IsActive() const override { return FTimer.IsActive(); }

    Steady::time_point LastTick;

private:
    TQtCheckTimer FTimer;
};

TChain SelfJumpChain(TRunEngine& engine, const TNotingCheckTimer& timer, int loops)
{
    TChain chain;
    Steady::time_point firstJump;
    Steady::time_point lastTrigger;
    std::uintptr_t lowest = UINTPTR_MAX;
    engine.OnChanged = [&] {
        const char probe = 0;
        lowest = std::min(lowest, reinterpret_cast<std::uintptr_t>(&probe));
        // The jump, fired by the alarm, has been carried out (its first pass, or
        // all of them added up at once): the chain started at that tick.
        if (engine.CurrentIndex() == 1 && engine.Alarm().Reached() && firstJump == Steady::time_point())
            firstJump = timer.LastTick;
    };
    engine.OnCarried = [&](const TRunRecord& record) {
        if (record.Line == 3)
            lastTrigger = Steady::now();
    };
    RunToEnd(engine, {QStringLiteral("00:00:00:Trigger Channel 1"),
                      QStringLiteral("00:00:01:Jump To Time 00:00:01 Counting %1 Loops").arg(loops),
                      QStringLiteral("00:00:01:Trigger Channel 2")});
    engine.OnChanged = nullptr;
    engine.OnCarried = nullptr;
    // From the alarm's tick: the passes, the one that passes the jump over,
    // and the last trigger (less one, as the chain was first measured).
    chain.Firings = loops + 1;
    chain.Seconds = std::chrono::duration<double>(lastTrigger - firstJump).count();
    chain.PeakStackBytes = StackTop - lowest;
    return chain;
}

void ReportChain(const char* name, const TChain& chain)
{
    std::printf("  %-22s %8ld firings in %8.4f s = %10.0f firings/s; peak stack depth %6lu bytes\n", name,
                chain.Firings, chain.Seconds, chain.Firings / chain.Seconds, static_cast<unsigned long>(chain.PeakStackBytes));
}

void Lateness(TRunEngine& engine)
{
    std::vector<qint64> lateness;
    engine.OnCarried = [&](const TRunRecord& record) { lateness.push_back(record.LatenessMs()); };
    QStringList lines;
    for (int second = 1; second <= 100; ++second)
        lines << QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(":Trigger Channel 1");
    RunToEnd(engine, lines);
    engine.OnCarried = nullptr;
    std::sort(lateness.begin(), lateness.end());
    const double floor = TRunEngine::AlarmCurrency;
    const qint64 median = lateness[lateness.size() / 2];
    std::printf("  100 triggers 1 s apart: lateness median %lld ms (%.2f x the %.0f ms floor), worst %lld ms "
                "(%.2f x), best %lld ms\n",
                static_cast<long long>(median), median / floor, floor, static_cast<long long>(lateness.back()),
                lateness.back() / floor, static_cast<long long>(lateness.front()));
}

} // namespace

int main(int argc, char* argv[])
{
    const char top = 0;
    StackTop = reinterpret_cast<std::uintptr_t>(&top);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
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
        const TNotingCheckTimer& ticks = *checkTimer;
        TRunEngine engine(target, clock, std::move(checkTimer), silence);
        engine.OnFailed = [](const QString& message) { std::fprintf(stderr, "failed: %s\n", qPrintable(message)); };

        std::printf("run engine against the simulator, sound off, real clock\n");
        std::printf(" a trigger, a self-jump taken N times in a row, a trigger:\n");
        const TChain small = SelfJumpChain(engine, ticks, 1000);
        const TChain large = SelfJumpChain(engine, ticks, 999999);
        ReportChain("N = 1000 (baseline)", small);
        ReportChain("N = 999999", large);
        std::printf("  time per firing, 999999 / 1000: %.2f (1 = linear); peak stack, 999999 / 1000: %.2f\n",
                    (large.Seconds / large.Firings) / (small.Seconds / small.Firings),
                    double(large.PeakStackBytes) / double(small.PeakStackBytes));
        if (!quick)
            Lateness(engine);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_script_engine: %s\n", error.what());
        return 1;
    }
    return 0;
}
