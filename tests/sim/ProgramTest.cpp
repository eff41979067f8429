// The kelvor9-sim program: its switches, its first line, and its exit.
#include "sim/CommandLine.h"
#include "TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A running kelvor9-sim with its standard output on a pipe.
class Program {
public:
    Program(const std::string& portDir, std::vector<std::string> args)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), KELVOR9_SIM_EXE);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env {"KELVOR9_PORT_DIR=" + portDir};
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("KELVOR9_PORT_DIR=", 0) != 0)
                env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, KELVOR9_SIM_EXE, &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        out_ = out[0];
    }
    ~Program()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            ::close(out_);
    }

    // Output up to and including the first line break (or end of output).
    std::string firstLine(int timeoutMs = 5000)
    {
        std::string line;
        while (line.find('\n') == std::string::npos) {
            pollfd p {out_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                break;
            char c[256];
            ssize_t n = ::read(out_, c, sizeof c);
            if (n <= 0)
                break;
            line.append(c, size_t(n));
        }
        return line.substr(0, line.find('\n'));
    }

    // Sends sig (0: none) and waits for the exit; the exit status, or -1 when the
    // program did not end within the time (it is then killed by the destructor).
    int signalAndWait(int sig, int timeoutMs = 5000)
    {
        int pidfd = int(::syscall(SYS_pidfd_open, pid_, 0));
        if (sig)
            ::kill(pid_, sig);
        pollfd p {pidfd, POLLIN, 0};
        bool ended = pidfd >= 0 && ::poll(&p, 1, timeoutMs) == 1;
        if (pidfd >= 0)
            ::close(pidfd);
        if (!ended)
            return -1;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(CommandLine, ReadsEverySwitch)
{
    sim::CommandLine cl = sim::parseCommandLine({"--port", "5", "--silent", "--delay", "250", "--garbage",
                                                 "--bad-length", "--truncate", "--refuse", "GT", "--refuse",
                                                 "D1=Too long", "--hangup-after", "3", "--baud", "38400",
                                                 "--state", "/tmp/x.state"});
    ASSERT_EQ(cl.error, "");
    const sim::SimOptions& o = cl.options;
    EXPECT_EQ(o.port, 5);
    EXPECT_TRUE(o.silent && o.garbage && o.badLength && o.truncate);
    EXPECT_EQ(o.delayMs, 250);
    EXPECT_EQ(o.hangupAfter, 3);
    EXPECT_EQ(o.baud, 38400);
    EXPECT_EQ(o.stateFile, "/tmp/x.state");
    using Refusals = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(o.refuse, (Refusals {{"GT", ""}, {"D1", "Too long"}}));
    EXPECT_TRUE(sim::parseCommandLine({"--help"}).help);
}

TEST(CommandLine, ReportsWhatItDoesNotUnderstand)
{
    EXPECT_NE(sim::parseCommandLine({"--port"}).error, "");
    EXPECT_NE(sim::parseCommandLine({"--port", "x"}).error, "");
    EXPECT_NE(sim::parseCommandLine({"--delay", "-1"}).error, "");
    EXPECT_NE(sim::parseCommandLine({"--refuse", "=text"}).error, "");
    EXPECT_NE(sim::parseCommandLine({"--fast"}).error, "");
    // A fault switch that would refuse mode commands breaks the device's contract.
    for (const char* prefix : {"M", "MF1=Busy"})
        EXPECT_NE(sim::parseCommandLine({"--refuse", prefix}).error.find("mode commands are never refused"),
                  std::string::npos)
            << prefix;
}

// The README's switches and --help name the same ones.
TEST(CommandLine, HelpAndReadmeListTheSameSwitches)
{
    auto switches = [](const std::string& text) {
        std::set<std::string> names;
        static const std::regex name("--[a-z][a-z-]*");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), name); it != std::sregex_iterator(); ++it)
            names.insert(it->str());
        return names;
    };
    std::ifstream readme(SIM_README);
    std::string text((std::istreambuf_iterator<char>(readme)), {});
    ASSERT_FALSE(text.empty());
    std::set<std::string> listed = switches(sim::usageText());
    EXPECT_EQ(switches(text), listed);
    for (const char* name : {"--silent", "--delay", "--garbage", "--bad-length", "--truncate", "--refuse",
                             "--hangup-after", "--baud", "--state", "--port", "--help"})
        EXPECT_EQ(listed.count(name), 1u) << name;
}

TEST(Program, ServesUntilTerminatedAndRefusesASecondRun)
{
    simtest::TempDir dir;
    std::string link = dir.path() + "/COM5";
    Program first(dir.path(), {"--port", "5"});
    std::string line = first.firstLine();
    EXPECT_EQ(line.rfind("kelvor9-sim: serving COM5 at /dev/pts/", 0), 0u) << line;
    EXPECT_TRUE(exists(link));
    {
        simtest::PtyClient client(link);
        client.sendCommand("GTR");
        EXPECT_EQ(client.readReplyFrame(), "=<0004OK.R");
        EXPECT_EQ(first.firstLine(), "cmd   GTR");
    }

    Program second(dir.path(), {"--port", "5"});
    EXPECT_NE(second.firstLine().find("already served"), std::string::npos);
    EXPECT_EQ(second.signalAndWait(0), 1);

    EXPECT_EQ(first.signalAndWait(SIGTERM), 0);
    EXPECT_FALSE(exists(link));
}

TEST(Program, StopsOnSigintWhenStartedAsABackgroundJob)
{
    // A shell starts background jobs with SIGINT ignored; the program must still stop on it.
    simtest::TempDir dir;
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGINT, &ignore, &previous);
    Program program(dir.path(), {});
    ::sigaction(SIGINT, &previous, nullptr);
    EXPECT_EQ(program.firstLine().rfind("kelvor9-sim: serving COM9", 0), 0u);
    EXPECT_EQ(program.signalAndWait(SIGINT), 0);
    EXPECT_FALSE(exists(dir.path() + "/COM9"));
}
