// Start-up time of the console: from the moment its process is started to
// the moment its first refresh has consumed the reply to "GT", against the
// simulated stimulator unthrottled and paced to 38400 baud, beside the wire
// time of the bytes exchanged. The search and opening of the port (which
// holds a fixed 500 ms pause before the port is opened) is reported apart.
//
// Usage: bench_startup [path/to/kelvor9-sim] [runs]   (kelvor9 is looked up beside it)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

long long MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;
};

// Starts a program with its standard output on a pipe.
Child Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::exit(2);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argv, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    Child child;
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.out = fdopen(fds[0], "r");
    return child;
}

bool ReadLineContaining(FILE* in, const char* needle, std::string& line)
{
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, in)) {
        if (std::strstr(buffer, needle)) {
            line = buffer;
            return true;
        }
    }
    return false;
}

void Stop(Child& child)
{
    if (child.pid > 0) {
        kill(child.pid, SIGTERM);
        waitpid(child.pid, nullptr, 0);
    }
    if (child.out)
        std::fclose(child.out);
    child = {};
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Result {
    double totalMs = 0, connectMs = 0;
};

Result Measure(const std::string& sim, const std::string& console, const std::string& folder, int baud, int runs)
{
    std::vector<std::string> simArgs{sim, "--port", "9"};
    if (baud > 0) {
        simArgs.push_back("--baud");
        simArgs.push_back(std::to_string(baud));
    }
    const std::vector<std::string> env{"KELVOR9_PORT_DIR=" + folder, "QT_QPA_PLATFORM=offscreen",
                                       "KELVOR9_STARTUP_PROBE=1", "XDG_CONFIG_HOME=" + folder + "/config",
                                       "XDG_RUNTIME_DIR=" + folder};
    Child simulator = Spawn(simArgs, env);
    std::string line;
    if (!ReadLineContaining(simulator.out, "serving", line)) {
        std::fprintf(stderr, "the simulator did not start\n");
        std::exit(2);
    }
    // Keep the simulator's log pipe drained so that it never blocks.
    const int simFd = fileno(simulator.out);
    fcntl(simFd, F_SETFL, O_NONBLOCK);
    std::vector<double> totals, connects;
    for (int i = 0; i < runs; ++i) {
        const long long started = MonotonicNs();
        Child app = Spawn({console}, env);
        if (!ReadLineContaining(app.out, "kelvor9-startup", line)) {
            std::fprintf(stderr, "the console did not report its start-up\n");
            std::exit(2);
        }
        long long refreshedAt = 0, connectNs = 0;
        std::sscanf(std::strstr(line.c_str(), "refreshed-at-ns="), "refreshed-at-ns=%lld connect-ns=%lld", &refreshedAt,
                    &connectNs);
        totals.push_back((refreshedAt - started) / 1e6);
        connects.push_back(connectNs / 1e6);
        waitpid(app.pid, nullptr, 0);
        app.pid = -1;
        Stop(app);
        char drain[4096];
        while (read(simFd, drain, sizeof drain) > 0) {
        }
    }
    Stop(simulator);
    return {Median(totals), Median(connects)};
}

} // namespace

int main(int argc, char** argv)
{
    std::string sim = argc > 1 ? argv[1] : std::string("./kelvor9-sim");
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string console = sim.substr(0, sim.rfind('/') + 1) + "kelvor9";
    char folderTemplate[] = "/tmp/kelvor9-bench-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);

    // Bytes of the start-up exchange: the search's attention character and
    // the device's "=", then for "GP,4", "GC" and "GT" the attention
    // character, the command frame, the device's "=" and its reply frame.
    const int sent = 1 + (1 + 10) + (1 + 8) + (1 + 8);
    const int received = 4 + (5 + 3 + 1 + 9 * 63) + (5 + 3 + 108) + (5 + 4);
    const double wireMs = (sent + received) * 10.0 / 38400 * 1000;

    std::printf("console start-up to the first refresh's \"GT\" reply consumed (median of %d runs)\n", runs);
    std::printf("  bytes exchanged: %d sent, %d received; wire time at 38400 baud: %.1f ms\n", sent, received, wireMs);
    for (int baud : {0, 38400}) {
        const Result r = Measure(sim, console, folder, baud, runs);
        const double pauseMs = 500.0; // OpenPort waits this long before it opens the port
        std::printf("  simulator %s\n", baud ? "paced to 38400 baud:" : "unthrottled:");
        std::printf("    launch to \"GT\" consumed      %7.1f ms\n", r.totalMs);
        std::printf("    of which the OpenPort pause   %7.1f ms (fixed)\n", pauseMs);
        std::printf("    search and opening otherwise %7.1f ms\n", r.connectMs - pauseMs);
        std::printf("    everything else             %7.1f ms = %.2f x the wire time\n", r.totalMs - r.connectMs,
                    (r.totalMs - r.connectMs) / wireMs);
        std::printf("    launch to \"GT\" without the pause %7.1f ms = %.2f x the wire time\n", r.totalMs - pauseMs,
                    (r.totalMs - pauseMs) / wireMs);
    }
    std::string cleanup = "rm -rf '" + folder + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
