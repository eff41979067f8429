// The simulator served on a real pseudo-terminal, judged from the wire.
#include "SimServer.h"
#include "StateFile.h"
#include "TestSupport.h"

#include <chrono>
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
    server->setBadLength(false);

    server->setTruncate(true);
    client.sendCommand("GCR");
    ASSERT_TRUE(server->waitForFrames(3, 5000));
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

TEST_F(SimServerTest, BaudPacesTheOutput)
{
    sim::SimOptions o;
    o.baud = 9600;  // about 1 ms a byte
    serve(o);
    PtyClient client(server->linkPath());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ask(client, "GC").size(), 111u);
    // "=" and a frame of 116 bytes cannot cross the line in less than 117 byte times.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(117 * 10'000'000 / 9600));
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
        EXPECT_EQ(ask(client, "UM"), "OK.M");
        EXPECT_TRUE(client.waitForHangup());
    }
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

TEST_F(SimServerTest, ReplacesADanglingLinkButNotAFile)
{
    ASSERT_EQ(::symlink("/dev/pts/999999", (dir.path() + "/COM9").c_str()), 0);
    serve();
    PtyClient client(server->linkPath());
    EXPECT_TRUE(client.isOpen());
    server->stop();

    std::ofstream(dir.path() + "/COM4") << "not a port";
    sim::SimOptions o;
    o.port = 4;
    o.portDir = dir.path();
    sim::SimServer blocked(o);
    EXPECT_THROW(blocked.start(), std::runtime_error);
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
