// What a client that floods the simulated stimulator costs it: the client
// writes "=" as fast as the line takes it for a fixed time and never reads
// the answers. Reported for the simulator process: processor time and peak
// memory, beside a baseline run of plain "=" round trips on a fresh
// simulator, and whether (and how soon) it answers "GT" once the client
// starts reading again.
//
// Usage: bench_sim_flood path/to/kelvor9-sim [flood seconds (5)] [round trips (20000)]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// One simulator process serving <folder>/COM9; its log is read and dropped.
class SimProcess {
public:
    SimProcess(const std::string& program, const std::string& folder)
    {
        int out[2];
        if (::pipe(out) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> env {"KELVOR9_PORT_DIR=" + folder};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "KELVOR9_PORT_DIR=", 17) != 0)
                env.emplace_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string p = program, port = "--port", nine = "9";
        char* argv[] = {p.data(), port.data(), nine.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0)
            throw std::runtime_error("cannot start " + program);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // The first line says the link exists; the rest is drained so the log never blocks it.
        FILE* log = ::fdopen(out[0], "r");
        char line[512];
        if (!std::fgets(line, sizeof line, log) || !std::strstr(line, "serving"))
            throw std::runtime_error("the simulator did not start");
        drain_ = std::thread([log] {
            char buffer[4096];
            while (std::fread(buffer, 1, sizeof buffer, log) > 0) {
            }
            std::fclose(log);
        });
    }
    ~SimProcess()
    {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        drain_.join();
    }

    // Processor time (user + system) the process has used so far.
    double processorSeconds() const
    {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string skip;
        for (int i = 3; i < 14; ++i)
            fields >> skip;
        double user = 0, system = 0;
        fields >> user >> system;
        return (user + system) / double(::sysconf(_SC_CLK_TCK));
    }

    // Peak resident memory so far, in megabytes.
    double peakMegabytes() const
    {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("VmHWM:", 0) == 0)
                return std::atof(line.c_str() + 6) / 1024.0;
        return 0;
    }

private:
    pid_t pid_ = -1;
    std::thread drain_;
};

int OpenLine(const std::string& folder)
{
    const int fd = ::open((folder + "/COM9").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open the line");
    termios raw {};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

// Writes `bytes` while reading whatever comes, until `needle` has arrived or
// the deadline passes: a line full in both directions moves only so.
bool Exchange(int fd, std::string bytes, const std::string& needle, Clock::time_point deadline)
{
    std::string got;
    char buffer[65536];
    while (got.find(needle) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd wait {fd, short(POLLIN | (bytes.empty() ? 0 : POLLOUT)), 0};
        if (::poll(&wait, 1, int(left)) <= 0)
            continue;
        if (!bytes.empty() && (wait.revents & POLLOUT)) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n > 0)
                bytes.erase(0, size_t(n));
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, size_t(n));
        // Only the tail can still hold the start of the needle.
        if (got.size() > 2 * needle.size() && got.find(needle) == std::string::npos)
            got.erase(0, got.size() - needle.size());
    }
    return true;
}

struct Cost {
    double processorSeconds = 0;
    double peakMegabytes = 0;
};

Cost RoundTrips(const std::string& program, const std::string& folder, int count)
{
    SimProcess sim(program, folder);
    const int fd = OpenLine(folder);
    for (int i = 0; i < count; ++i) {
        if (!Exchange(fd, "=", "=", Clock::now() + std::chrono::seconds(5)))
            throw std::runtime_error("no answer to a round trip");
    }
    ::close(fd);
    return {sim.processorSeconds(), sim.peakMegabytes()};
}

struct FloodResult {
    Cost cost;
    double bytesWritten = 0;
    double recoverySeconds = -1;  // < 0: no answer to "GT" within the limit
};

FloodResult Flood(const std::string& program, const std::string& folder, double seconds, double recoveryLimit)
{
    SimProcess sim(program, folder);
    const int fd = OpenLine(folder);
    const std::string block(4096, '=');
    FloodResult result;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        pollfd wait {fd, POLLOUT, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        if (::poll(&wait, 1, int(left) + 1) <= 0)
            continue;
        const ssize_t n = ::write(fd, block.data(), block.size());
        if (n > 0)
            result.bytesWritten += double(n);
    }
    result.cost = {sim.processorSeconds(), sim.peakMegabytes()};
    // The client reads again: how long until a command gets its answer?
    const auto start = Clock::now();
    const auto limit = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(recoveryLimit));
    if (Exchange(fd, "=>0003GTR", "<0004OK.", limit))
        result.recoverySeconds = Seconds(Clock::now() - start);
    ::close(fd);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_sim_flood path/to/kelvor9-sim [flood seconds] [round trips]\n");
        return 2;
    }
    const std::string program = argv[1];
    const double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
    const int trips = argc > 3 ? std::atoi(argv[3]) : 20000;
    const double recoveryLimit = 30;
    char folderTemplate[] = "/tmp/kelvor9-bench-XXXXXX";
    const std::string folder = ::mkdtemp(folderTemplate);
    try {
        const Cost base = RoundTrips(program, folder, trips);
        const FloodResult flood = Flood(program, folder, seconds, recoveryLimit);
        std::printf("simulator flooded with \"=\" for %.1f s by a client that does not read,\n"
                    "beside %d plain \"=\" round trips on a fresh simulator\n", seconds, trips);
        std::printf("                           processor s   peak memory MB\n");
        std::printf("  %5d round trips         %9.3f      %9.1f\n", trips, base.processorSeconds, base.peakMegabytes);
        std::printf("  flood                     %9.3f      %9.1f\n", flood.cost.processorSeconds,
                    flood.cost.peakMegabytes);
        std::printf("  flood / round trips       %9.2f      %9.2f\n",
                    flood.cost.processorSeconds / std::max(base.processorSeconds, 0.001),
                    flood.cost.peakMegabytes / base.peakMegabytes);
        std::printf("  bytes the line took during the flood: %.0f\n", flood.bytesWritten);
        if (flood.recoverySeconds >= 0)
            std::printf("  after the flood, \"GT\" answered in %.3f s once the client read again\n",
                        flood.recoverySeconds);
        else
            std::printf("  after the flood, \"GT\" NOT answered within %.0f s\n", recoveryLimit);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_sim_flood: %s\n", error.what());
        std::system(("rm -rf '" + folder + "'").c_str());
        return 2;
    }
    return std::system(("rm -rf '" + folder + "'").c_str()) == 0 ? 0 : 1;
}
