// The serial port component over real pseudo-terminals.
#include "link/CommInt.h"
#include "LinkTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// Exposes what the tests judge directly.
class TTestComm : public TComm {
public:
    using TComm::HandleCommEvent;
    using TComm::TComm;
    int Fd() const { return Handle(); }
};

} // namespace

TEST(CommInt, OpenCloseAndItsMessages)
{
    TPtyPair pty;
    TTestComm comm;
    EXPECT_EQ(comm.DeviceName(), QStringLiteral("Com2"));
    EXPECT_EQ(comm.InQueCount(), -1);
    EXPECT_EQ(MessageOf([&] { comm.SetDTR(true); }),
              QStringLiteral("Port not open, unable to complete operation (Error: -1) "));

    comm.SetDeviceName(pty.SlavePath());
    comm.Open();
    EXPECT_TRUE(comm.Connected());
    const int fd = comm.Fd();
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), QStringLiteral("Port already assigned (open) (Error: -1) "));
    EXPECT_EQ(comm.Fd(), fd);
    EXPECT_NO_THROW(comm.SetDeviceName(pty.SlavePath())); // unchanged value
    EXPECT_EQ(MessageOf([&] { comm.SetDeviceName(QStringLiteral("/dev/null")); }),
              QStringLiteral("Port already assigned (open) (Error: -1) "));
    EXPECT_EQ(MessageOf([&] { comm.SetReadBufSize(100); }),
              QStringLiteral("Port already assigned (open) (Error: -1) "));
    // A pseudo-terminal has no modem lines: raising them is no error.
    EXPECT_NO_THROW(comm.SetDTR(true));
    EXPECT_NO_THROW(comm.SetRTS(false));
    char buffer[8];
    EXPECT_EQ(comm.Read(buffer, 8), 0); // nothing waiting: at once
    EXPECT_EQ(comm.InQueCount(), 0);

    comm.Close();
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(comm.InQueCount(), -1);
    EXPECT_NO_THROW(comm.Close());
    EXPECT_EQ(MessageOf([&] { comm.Write("x", 1); }), QStringLiteral("Write error (Error: 9) "));
}

TEST(CommInt, RefusesWhatIsNotACharacterDevice)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain"));
    QFile(file).open(QIODevice::WriteOnly);
    TComm comm;
    comm.SetDeviceName(file);
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), QStringLiteral("Invalid device handle, access denied (Error: -1) "));
    EXPECT_FALSE(comm.Connected());
    comm.SetDeviceName(dir.filePath(QStringLiteral("missing")));
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), QStringLiteral("Error accessing specified device (Error: 2) "));
    EXPECT_FALSE(comm.Connected());
}

TEST(CommInt, TwoOpenersNeverShareOneLine)
{
    TPtyPair pty;
    TPortFolder folder;
    folder.Link(4, pty.SlavePath());
    TComm first, second;
    first.SetDeviceName(pty.SlavePath());
    first.Open();
    // Also through a symbolic link, and also for root (flock, not only TIOCEXCL).
    second.SetDeviceName(folder.Path() + QStringLiteral("/COM4"));
    const QString message = MessageOf([&] { second.Open(); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Error accessing specified device (Error: "))) << message.toStdString();
    EXPECT_FALSE(second.Connected());
    first.Close();
    EXPECT_NO_THROW(second.Open());
}

TEST(CommInt, LineSettingsApplyAtOnceOrAtTheNextOpen)
{
    TPtyPair pty;
    TTestComm comm;
    comm.SetDeviceName(pty.SlavePath());
    comm.SetBaudRate(br19200); // closed: stored
    comm.SetFlowControl(fcNone);
    comm.Open();
    termios settings {};
    ASSERT_EQ(tcgetattr(comm.Fd(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), speed_t(B19200));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u); // raw
    EXPECT_EQ(settings.c_cflag & CSIZE, tcflag_t(CS8));

    comm.SetBaudRate(br38400);
    comm.SetStopbits(sb20);
    ASSERT_EQ(tcgetattr(comm.Fd(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), speed_t(B38400));
    EXPECT_TRUE(settings.c_cflag & CSTOPB);
    // A pseudo-terminal keeps no parity; the refusal is reported, not hidden.
    EXPECT_EQ(MessageOf([&] { comm.SetParity(paEven); }),
              QStringLiteral("Error updating DataControlBlock (Error: 22) "));
    comm.SetParity(paNone);
    EXPECT_NO_THROW(comm.SetBaudRate(br14400)); // no Bnnn constant
    EXPECT_EQ(MessageOf([&] { comm.SetDatabits(da4); }),
              QStringLiteral("Error updating DataControlBlock (Error: 22) "));
}

TEST(CommInt, ReportsBytesOncePerArrival)
{
    TPtyPair pty;
    TTestComm comm;
    comm.SetDeviceName(pty.SlavePath());
    QList<int> counts;
    comm.OnRxChar = [&](TComm*, int count) { counts << count; }; // leaves the bytes waiting
    comm.Open();
    pty.Write("abc");
    ASSERT_EVENTUALLY(counts.size() == 1);
    pty.Write("d");
    ASSERT_EVENTUALLY(counts.size() == 2);
    // Waiting bytes are not reported again: a third report comes only with new bytes.
    pty.Write("e");
    ASSERT_EVENTUALLY(counts.size() == 3);
    EXPECT_EQ(counts, (QList<int> { 3, 4, 5 })) << counts[0] << " " << counts[1] << " " << counts[2];

    char buffer[16] {};
    EXPECT_EQ(comm.Read(buffer, 16), 5);
    EXPECT_EQ(std::string(buffer), "abcde");
    // An rx event with an empty queue calls no handler.
    comm.HandleCommEvent(CommBit(evRxChar), false);
    EXPECT_EQ(counts.size(), 3);
}

TEST(CommInt, WritesReachTheOtherEndUntilTheLineIsFull)
{
    TPtyPair pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath());
    comm.Open();
    EXPECT_EQ(comm.Write("=>0003GTR", 9), 9);
    EXPECT_EQ(pty.ReadAtLeast(9, 2000), "=>0003GTR");
    // A line whose far end reads nothing fills up (EAGAIN): with no time to
    // wait for room, the write takes what fits and says how much, no error.
    comm.SetWriteTimeout(0);
    const std::string lot(1 << 20, 'x');
    const int taken = comm.Write(lot.data(), int(lot.size()));
    EXPECT_GT(taken, 0);
    EXPECT_LT(taken, int(lot.size()));
}

// A line that drains at its own pace: a write far longer than the line holds
// goes out whole, however long that takes, as long as the line keeps taking
// bytes; the write's limit is the time without progress, not the total.
TEST(CommInt, ALongWriteTakesAsLongAsTheLineKeepsTakingBytes)
{
    TPtyPair pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath());
    comm.Open();
    comm.SetWriteTimeout(500);
    const std::string lot(512 * 1024, 'x');
    std::atomic<bool> done {false};
    std::atomic<size_t> drained {0};
    std::thread line([&] {
        char chunk[1024];
        while (!done) {
            pollfd ready {pty.Master(), POLLIN, 0};
            if (::poll(&ready, 1, 10) == 1 && (ready.revents & POLLIN)) {
                const ssize_t got = ::read(pty.Master(), chunk, sizeof chunk);
                if (got > 0)
                    drained += size_t(got);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the line's pace
        }
    });
    const int taken = comm.Write(lot.data(), int(lot.size()));
    done = true;
    line.join();
    EXPECT_EQ(taken, int(lot.size()));
}

TEST(CommInt, NullStripDropsZeroBytes)
{
    TPtyPair pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath());
    comm.SetOptions(CommBit(coNullStrip));
    int waiting = 0;
    comm.OnRxChar = [&](TComm*, int count) { waiting = count; };
    comm.Open();
    pty.Write(std::string("a\0b", 3));
    ASSERT_EVENTUALLY(waiting == 3);
    char buffer[8] {};
    EXPECT_EQ(comm.Read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer, 2), "ab");
}

TEST(CommInt, HangUpIsReportedOnceAndEndsTheThread)
{
    auto pty = std::make_unique<TPtyPair>();
    TComm comm;
    comm.SetDeviceName(pty->SlavePath());
    int hangups = 0;
    comm.OnHangup = [&](TComm*) { ++hangups; };
    comm.Open();
    pty->CloseMaster();
    ASSERT_EVENTUALLY(hangups == 1);
    EXPECT_TRUE(comm.LineHungUp());
    EXPECT_EQ(comm.InQueCount(), -1);
    // The thread ends after its one report: no storm of events follows.
    ASSERT_EVENTUALLY(!comm.EventThreadRunning());
    QCoreApplication::processEvents();
    EXPECT_EQ(hangups, 1);
}

// Closing (and reopening) while the event thread is handing an event over
// must neither deadlock nor let the thread touch a closed line or a freed
// component.
TEST(CommInt, CloseDuringHandOverStress)
{
    TPtyPair pty;
    std::atomic<bool> stop { false };
    // The far end keeps sending and swallows what it gets.
    std::thread writer([&] {
        while (!stop) {
            [[maybe_unused]] auto put = ::write(pty.Master(), "xyz", 3);
            char sink[256];
            while (::read(pty.Master(), sink, sizeof sink) > 0) {
            }
            pollfd output { pty.Master(), POLLIN, 0 };
            ::poll(&output, 1, 1);
        }
    });
    struct TJoin {
        std::atomic<bool>& Stop;
        std::thread& Thread;
        ~TJoin() { Stop = true; Thread.join(); }
    } joinWriter { stop, writer };

    int closedInHandler = 0;
    for (int cycle = 0; cycle < 150; ++cycle) {
        auto comm = std::make_unique<TComm>();
        comm->SetDeviceName(pty.SlavePath());
        bool seen = false;
        comm->OnRxChar = [&](TComm* sender, int count) {
            seen = true;
            if (cycle % 2 == 0) {
                sender->Close(); // inside the hand-over
                ++closedInHandler;
            } else {
                char sink[4096];
                sender->Read(sink, qMin(count, 4096));
            }
        };
        comm->Open();
        if (cycle % 3 == 0) {
            comm->Close(); // the thread may be posting or waiting right now
            comm->Open();
        }
        ASSERT_TRUE(WaitUntil([&] { return seen; }, 5000)) << "cycle " << cycle;
        if (cycle % 5 == 0) {
            comm->Close();
            comm->Open();
            comm->Write("=", 1);
        }
        // Destroyed here, open or not, with events possibly still posted.
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(closedInHandler, 75);
}
