// bench_remote [path of kelvor9-sim]
//
// What a call over D-Bus adds to the console's own operation. The console's
// windows run here (offscreen) against the unthrottled simulator, with the
// remote service on a session bus of the benchmark's own (the program runs
// itself again under dbus-run-session). A client on a thread of its own,
// with its own bus connection, makes 1000 Trigger calls and 1000
// Exchange("GT") calls, each waiting for its reply; beside them the console
// runs 1000 bare SendCommand("T1") and 1000 bare Dialogue("GT") on its link,
// in alternating blocks so that a change in the machine's load falls on both
// alike. Reported: the median of each, the median a call adds (aim: under
// 300 us), the floor of any call (a property read, which the bus library
// answers without the console's work), and the console's responsiveness
// while the calls come: the lateness of a 10 ms timer in the console's event
// loop, median and p99 (aim: p99 under 20 ms).
#include "SimProcess.h"
#include "app/MainWindowTarget.h"
#include "console/Main.h"
#include "editor/ScriptEditor.h"
#include "link/CommUnit.h"
#include "remote/RemoteNames.h"
#include "remote/RemoteService.h"
#include "scheduler/Scheduler.h"
#include "ui/KelvorApplication.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using bench::Clock;
using bench::Microseconds;

constexpr int CallsPerKind = 1000;
constexpr int Blocks = 10;
constexpr int WarmUp = 10; // per block
constexpr int ProbeMs = 10;

double Quantile(std::vector<double> samples, double q)
{
    std::sort(samples.begin(), samples.end());
    return samples[std::min(samples.size() - 1, size_t(q * double(samples.size())))];
}

// The same program under a bus of its own, so that it never meets a
// desktop's console.
void RunUnderPrivateBus(char** argv)
{
    if (qEnvironmentVariableIsSet("K9_BENCH_PRIVATE_BUS"))
        return;
    qputenv("K9_BENCH_PRIVATE_BUS", "1");
    std::vector<char*> args {const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    for (char** a = argv; *a; ++a)
        args.push_back(*a);
    args.push_back(nullptr);
    execvp("dbus-run-session", args.data());
    std::perror("bench_remote: dbus-run-session");
    std::exit(2);
}

// The lateness of a 10 ms single-shot timer, armed again each time it fires.
class TLatenessProbe {
public:
    TLatenessProbe()
    {
        FTimer.setSingleShot(true);
        FTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            const double lateUs = Microseconds(Clock::now() - FArmed) - ProbeMs * 1000.0;
            if (FOn)
                Lateness.push_back(lateUs / 1000.0);
            Arm();
        });
        Arm();
    }
    void SetOn(bool on) { FOn = on; }
    std::vector<double> Lateness; // ms

private:
    void Arm()
    {
        FArmed = Clock::now();
        FTimer.start(ProbeMs);
    }
    QTimer FTimer;
    Clock::time_point FArmed;
    bool FOn = false;
};

// Calls the console from another thread, each waiting for its reply, while
// the console's thread runs its event loop.
std::vector<double> RemoteCalls(const QString& interface, const QString& method, const QVariantList& arguments, int n,
                                TLatenessProbe& probe)
{
    std::vector<double> times;
    QEventLoop loop;
    std::thread client([&] {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("bench"));
        QDBusMessage call =
            QDBusMessage::createMethodCall(RemoteNames::Service, RemoteNames::Path, interface, method);
        call.setArguments(arguments);
        for (int i = 0; i < n; ++i) {
            const auto start = Clock::now();
            const QDBusMessage reply = bus.call(call, QDBus::Block, RemoteNames::ReplyTimeoutMs);
            const double us = Microseconds(Clock::now() - start);
            if (reply.type() != QDBusMessage::ReplyMessage) {
                std::fprintf(stderr, "bench_remote: %s: %s\n", qPrintable(method), qPrintable(reply.errorMessage()));
                std::exit(2);
            }
            if (i >= WarmUp)
                times.push_back(us);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    probe.SetOn(true);
    loop.exec();
    probe.SetOn(false);
    client.join();
    return times;
}

template <class F>
std::vector<double> BareCalls(int n, F call)
{
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        const auto start = Clock::now();
        call();
        if (i >= WarmUp)
            times.push_back(Microseconds(Clock::now() - start));
    }
    return times;
}

void Append(std::vector<double>& all, const std::vector<double>& more)
{
    all.insert(all.end(), more.begin(), more.end());
}

void Report(const char* what, const std::vector<double>& remote, const std::vector<double>& bare)
{
    const double remoteUs = Quantile(remote, 0.5);
    const double bareUs = Quantile(bare, 0.5);
    std::printf("%s, median of %zu each:\n", what, remote.size());
    std::printf("  through D-Bus        %9.1f us\n", remoteUs);
    std::printf("  bare on the link     %9.1f us\n", bareUs);
    std::printf("  added by the call    %9.1f us (aim: under 300 us)\n", remoteUs - bareUs);
}

} // namespace

int main(int argc, char* argv[])
{
    RunUnderPrivateBus(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    TKelvorApplication app(argc, argv);
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                       : QCoreApplication::applicationDirPath() + QStringLiteral("/kelvor9-sim");
    QTemporaryDir folder;
    try {
        bench::TSimProcess sim(simulator, folder.path(), 9, {});
        TfrmMain frmMain;
        frmMain.SetConfigureLink([&](TfrmComm& link) {
            link.Settings().PortFolder = folder.path();
            link.Settings().Arguments = QStringList {QStringLiteral("bench_remote"), QStringLiteral("COM9")};
            link.Settings().OpenPauseMs = 0;
        });
        TfrmScriptEditor editor(&frmMain);
        TMainWindowTarget target(frmMain);
        TLocalClock clock;
        TResourceSoundPlayer sounds;
        TfrmScheduler scheduler(target, editor, &frmMain, clock, std::make_unique<TQtCheckTimer>(), sounds);
        QSignalSpy refreshed(&frmMain, &TfrmMain::RefreshFinished);
        frmMain.show();
        if (!refreshed.wait(20000) || !frmMain.IsConnected())
            throw std::runtime_error("the console did not connect to the simulator");
        TRemoteService service(frmMain, scheduler, QDBusConnection::sessionBus());
        if (service.Register() != TRemoteService::TStart::Running)
            throw std::runtime_error("the service could not take its name");

        TfrmComm& link = *frmMain.Comm();
        TLatenessProbe probe;
        std::vector<double> remoteTrigger, bareTrigger, remoteExchange, bareExchange, propertyReads;
        const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
        const int perBlock = CallsPerKind / Blocks + WarmUp;
        for (int block = 0; block < Blocks; ++block) {
            Append(remoteTrigger, RemoteCalls(RemoteNames::Interface, QStringLiteral("Trigger"), {1}, perBlock, probe));
            Append(bareTrigger, BareCalls(perBlock, [&] { link.SendCommand(QStringLiteral("T1")); }));
            Append(remoteExchange,
                   RemoteCalls(RemoteNames::Interface, QStringLiteral("Exchange"), {QStringLiteral("GT")}, perBlock, probe));
            Append(propertyReads, RemoteCalls(properties, QStringLiteral("Get"),
                                              {RemoteNames::Interface, QStringLiteral("Version")}, perBlock, probe));
            Append(bareExchange, BareCalls(perBlock, [&] {
                if (!link.Dialogue(QStringLiteral("GT")).startsWith(QStringLiteral("OK.")))
                    throw std::runtime_error("unexpected reply");
            }));
        }
        Report("Trigger(1) beside SendCommand(\"T1\")", remoteTrigger, bareTrigger);
        Report("Exchange(\"GT\") beside Dialogue(\"GT\")", remoteExchange, bareExchange);
        std::printf("The floor: a property read through D-Bus, median %.1f us\n", Quantile(propertyReads, 0.5));
        std::printf("A %d ms timer in the console while the calls came, %zu firings:\n", ProbeMs, probe.Lateness.size());
        std::printf("  lateness median      %9.2f ms\n", Quantile(probe.Lateness, 0.5));
        std::printf("  lateness p99         %9.2f ms (aim: under 20 ms)\n", Quantile(probe.Lateness, 0.99));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_remote: %s\n", error.what());
        return 2;
    }
}
