// The simulator served on a real pseudo-terminal, judged from the wire.
#include "sim/PtyLine.h"
#include "sim/SimServer.h"
#include "sim/StateFile.h"
#include "TestSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using simtest::firstPayload;
using simtest::PtyClient;
using simtest::TempDir;

namespace {

class SimServerTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<sim::SimServer> server;

    void serve(sim::SimOptions o = {})
    {
        o.portDir = dir.path();
        server = std::make_unique<sim::SimServer>(o);
        server->start();
    }

    std::string ask(PtyClient& client, const std::string& command)
    {
        client.sendCommand(command + "R");
        return firstPayload(client.readReplyFrame());
    }
};

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string linkTarget(const std::string& path)
{
    char target[256] = {};
    return ::readlink(path.c_str(), target, sizeof target - 1) > 0 ? target : "";
}

std::vector<std::string> entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(SimServerTest, PublishesARawLineAndRemovesItOnStop)
{
    serve();
    EXPECT_EQ(server->linkPath(), dir.path() + "/COM9");
    EXPECT_EQ(server->portDir(), dir.path());
    char target[256] = {};
    ASSERT_GT(::readlink(server->linkPath().c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), server->slavePath());
    server->stop();
    EXPECT_FALSE(exists(dir.path() + "/COM9"));
}

TEST_F(SimServerTest, AnswersAttentionAndReplyRequests)
{
    serve();
    PtyClient client(server->linkPath());
    client.sendCommand("GTR");
    EXPECT_EQ(client.readReplyFrame(), "=<0004OK.R");
    EXPECT_EQ(ask(client, "D2+00005E-3"), "OK.+5.000E-3");
    EXPECT_EQ(ask(client, "I2+00050E-6"), "ER:Interval below 100 us");
    EXPECT_EQ(server->frames(), (std::vector<std::string> {"GTR", "D2+00005E-3R", "I2+00050E-6R"}));
    EXPECT_EQ(server->attentionCount(), 3);
    server->clearLog();
    EXPECT_TRUE(server->frames().empty());
    EXPECT_EQ(server->attentionCount(), 0);
}

TEST_F(SimServerTest, CommandsWithoutReplyRequestAndBatchesGetNoReply)
{
    serve();
    PtyClient client(server->linkPath());
    client.sendCommand("T3");
    client.sendCommand("BMF1MN2D3L3+00002E-3UM");
    client.sendCommand("GTR");
    // Only "=" for each command and then the one reply to "GTR".
    EXPECT_EQ(client.readReplyFrame(), "===<0004OK.M");
    sim::SimState s = server->state();
    EXPECT_EQ(s.cur().channels[1].mode, 'N');
    EXPECT_EQ(s.cur().channels[2].delay, "+2.000E-3");
}

TEST_F(SimServerTest, SilentAnswersNothing)
{
    serve();
    server->setSilent(true);
    PtyClient client(server->linkPath());
    client.sendCommand("GTR");
    ASSERT_TRUE(server->waitForFrames(1, 5000));
    server->setSilent(false);
    client.sendCommand("GTR");
    // Whatever the silent device had sent would come first.
    EXPECT_EQ(client.readReplyFrame(), "=<0004OK.R");
}

TEST_F(SimServerTest, DelayHoldsTheReplyBack)
{
    serve();
    server->setDelayMs(150);
    PtyClient client(server->linkPath());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ask(client, "GT"), "OK.R");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

TEST_F(SimServerTest, GarbageBadLengthAndTruncatedReplies)
{
    serve();
    PtyClient client(server->linkPath());
    server->setGarbage(true);
    client.sendCommand("GTR");
    std::string bytes = client.readReplyFrame();
    ASSERT_GT(bytes.find('<'), 1u);
    EXPECT_EQ(bytes.substr(bytes.find('<')), "<0004OK.R");
    server->setGarbage(false);

    server->setBadLength(true);
    client.sendCommand("GTR");
    bytes = client.readUntil([](const std::string& b) { return b.size() >= 10; });
    EXPECT_EQ(bytes, "=<?004OK.R");
    // Limited to one kind of command, the fault leaves the others whole.
    server->setFrameFaultPrefixes({"UR", "GC"});
    client.sendCommand("GTR");
    bytes = client.readUntil([](const std::string& b) { return b.size() >= 10; });
    EXPECT_EQ(bytes, "=<0004OK.R");
    client.sendCommand("URR");
    bytes = client.readUntil([](const std::string& b) { return b.size() >= 10; });
    EXPECT_EQ(bytes, "=<?004OK.R");
    server->setFrameFaultPrefixes({});
    server->setBadLength(false);

    server->setTruncate(true);
    client.sendCommand("GCR");
    ASSERT_TRUE(server->waitForFrames(5, 5000));
    server->setTruncate(false);
    client.sendCommand("GTR");
    bytes = client.readUntil([](const std::string& b) { return b.find("OK.R") != std::string::npos; });
    size_t second = bytes.rfind("=<0004OK.R");
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(bytes.substr(0, 5), "=<011");
    EXPECT_LT(second, 1u + 5u + 111u) << "the first reply is shorter than its length field";
}

TEST_F(SimServerTest, RefuseSwitch)
{
    sim::SimOptions o;
    o.refuse = {{"D", "Busy"}};
    serve(o);
    PtyClient client(server->linkPath());
    EXPECT_EQ(ask(client, "D1+00002E-3"), "ER:Busy");
    server->setRefuse({{"GT", ""}});
    EXPECT_EQ(ask(client, "GT"), "ER:Refused");
    EXPECT_EQ(ask(client, "D1+00002E-3"), "OK.+2.000E-3");
}

TEST_F(SimServerTest, BaudPacesBothDirections)
{
    sim::SimOptions o;
    o.baud = 38400;
    serve(o);
    auto byteTimes = [](int n) { return std::chrono::microseconds(n * 10'000'000LL / 38400); };
    PtyClient client(server->linkPath());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ask(client, "GC").size(), 111u);
    // Out: "=" and a frame of 116 bytes cannot cross the line in less than 117 byte times.
    EXPECT_GE(std::chrono::steady_clock::now() - start, byteTimes(117));

    // In: a long batch, which gets no reply, is taken in no faster than its bytes cross the line.
    std::string batch = "B";
    for (int i = 0; i < 333; ++i)
        batch += "MF1";
    start = std::chrono::steady_clock::now();
    client.sendCommand(batch);
    EXPECT_EQ(ask(client, "GT"), "OK.R");
    EXPECT_GE(std::chrono::steady_clock::now() - start, byteTimes(1 + 5 + 1000 + 1 + 8));
}

// A device with a full transmit buffer takes nothing more in, so a client
// that writes without reading finds the line full instead of making the
// simulator queue without end; nothing it wrote is lost.
TEST_F(SimServerTest, AClientThatDoesNotReadFillsTheLine)
{
    serve();
    PtyClient client(server->linkPath());
    const std::string block(4096, '=');
    size_t written = 0;
    while (size_t n = client.sendSome(block, 300)) {
        written += n;
        ASSERT_LT(written, size_t(1) << 20) << "the simulator keeps taking in what it cannot answer";
    }
    std::string answers = client.readUntil([&](const std::string& b) { return b.size() >= written; });
    EXPECT_EQ(answers, std::string(written, '='));
    EXPECT_EQ(ask(client, "GT"), "OK.R");
    EXPECT_EQ(server->attentionCount(), int(written) + 1);
}

// A console write cut short leaves a length field larger than the text after
// it; once no byte has come for the idle time, the frame is dropped and the
// next command is answered.
TEST_F(SimServerTest, AFrameCutShortIsDroppedWhenTheLineFallsIdle)
{
    sim::SimOptions o;
    o.frameIdleMs = 100;
    serve(o);
    PtyClient client(server->linkPath());
    client.send("=>0050D1+1.0");
    ASSERT_TRUE(server->waitForDroppedFrames(1, 5000));
    EXPECT_EQ(server->droppedFrames(), std::vector<std::string> {">0050D1+1.0"});
    EXPECT_EQ(ask(client, "GT"), "OK.R");
    EXPECT_EQ(server->frames(), std::vector<std::string> {"GTR"});
    EXPECT_EQ(server->state().cur().channels[0].duration, "+1.000E-3");
}

TEST_F(SimServerTest, HangupThenAFreshLine)
{
    sim::SimOptions o;
    o.hangupAfter = 2;
    o.reserveDelayMs = 50;
    serve(o);
    std::string firstSlave = server->slavePath();
    {
        PtyClient client(server->linkPath());
        EXPECT_EQ(ask(client, "GT"), "OK.R");
        // A third command right behind the second is lost with the line.
        client.sendCommand("UMR");
        client.sendCommand("USR");
        EXPECT_EQ(firstPayload(client.readReplyFrame()), "OK.M");
        EXPECT_TRUE(client.waitForHangup());
    }
    EXPECT_EQ(server->frames(), (std::vector<std::string> {"GTR", "UMR"}));
    ASSERT_TRUE(server->waitForLinesServed(2, 5000));
    EXPECT_EQ(server->linesServed(), 2);
    EXPECT_NE(server->slavePath(), "");
    PtyClient again(server->linkPath());
    ASSERT_TRUE(again.isOpen());
    EXPECT_EQ(ask(again, "GT"), "OK.M");  // same device, fresh line
    EXPECT_EQ(ask(again, "GT"), "OK.M");  // the hang-up happens once
}

TEST_F(SimServerTest, RefusesAPortServedByALiveSimulator)
{
    serve();
    sim::SimOptions o;
    o.portDir = dir.path();
    sim::SimServer second(o);
    try {
        second.start();
        FAIL() << "a second simulator started on COM9";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("COM9 is already served by a live simulator"), std::string::npos);
    }
    EXPECT_TRUE(exists(server->linkPath()));
    server->stop();
    EXPECT_NO_THROW(second.start());
}

// Only a link this simulator made may be replaced: one that leads nowhere, or
// one to the pseudo-terminal an earlier run names in the lock file it left.
// Any other entry is the operator's: the start is refused, naming it, and
// nothing in the folder changes.
TEST_F(SimServerTest, ReplacesOnlyALinkItMade)
{
    const std::string link = dir.path() + "/COM9";
    ASSERT_EQ(::symlink("/dev/pts/999999", link.c_str()), 0);
    serve();
    EXPECT_TRUE(PtyClient(server->linkPath()).isOpen());
    server->stop();

    ASSERT_EQ(::symlink("/dev/null", link.c_str()), 0);
    std::vector<std::string> before = entries(dir.path());
    try {
        serve();
        FAIL() << "started over a link to a live device";
    } catch (const std::runtime_error& e) {
        std::string message = e.what();
        EXPECT_NE(message.find(link + " is a link to /dev/null"), std::string::npos) << message;
        EXPECT_NE(message.find("--port N"), std::string::npos) << message;
    }
    server.reset();
    EXPECT_EQ(entries(dir.path()), before);
    EXPECT_EQ(linkTarget(link), "/dev/null");

    std::ofstream(dir.path() + "/COM4") << "not a port";
    sim::SimOptions o;
    o.port = 4;
    o.portDir = dir.path();
    sim::SimServer blocked(o);
    EXPECT_THROW(blocked.start(), std::runtime_error);

    // An earlier run killed outright left its link and lock file; the
    // pseudo-terminal number has since gone to someone else.
    sim::PtyLine reused;
    reused.open();
    ASSERT_EQ(::unlink(link.c_str()), 0);
    ASSERT_EQ(::symlink(reused.slavePath().c_str(), link.c_str()), 0);
    std::ofstream(dir.path() + "/.COM9.lock") << "1\n" << reused.slavePath() << "\n";
    serve();
    EXPECT_EQ(linkTarget(link), server->slavePath());
}

TEST_F(SimServerTest, CreatesAMissingPortFolderPrivately)
{
    sim::SimOptions o;
    o.portDir = dir.path() + "/a/b";
    sim::SimServer s(o);
    s.start();
    struct stat st {};
    ASSERT_EQ(::stat(o.portDir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SimServerTest, StateFileKeepsTheStoredParadigms)
{
    sim::SimOptions o;
    o.stateFile = dir.path() + "/device.state";
    serve(o);
    {
        PtyClient client(server->linkPath());
        EXPECT_EQ(ask(client, "Y3"), "OK.");
        EXPECT_EQ(ask(client, "D1+00002E-3"), "OK.+2.000E-3");
        EXPECT_EQ(ask(client, "X1B"), "OK.1B*");
    }
    server->stop();
    server.reset();

    serve(o);
    sim::SimState s = server->state();
    EXPECT_EQ(s.current, 3);
    EXPECT_EQ(s.paradigms[2].channels[0].duration, "+2.000E-3");
    EXPECT_EQ(s.paradigms[2].links[0][10], '*');
    EXPECT_EQ(s.paradigms[0].channels[0].duration, "+1.000E-3");
}

TEST(StateFile, DamagedFileIsReportedWithItsLine)
{
    TempDir dir;
    std::string path = dir.path() + "/state";
    sim::SimState s = sim::factoryState();
    sim::saveStateFile(path, s);
    sim::SimState loaded;
    ASSERT_TRUE(sim::loadStateFile(path, loaded));
    EXPECT_EQ(loaded.paradigms[4].channels[8].interval, s.paradigms[4].channels[8].interval);
    std::ofstream(path, std::ios::app) << "channel3=F,+1.0\n";
    try {
        sim::loadStateFile(path, loaded);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("line"), std::string::npos);
    }
    EXPECT_FALSE(sim::loadStateFile(dir.path() + "/none", loaded));
}
