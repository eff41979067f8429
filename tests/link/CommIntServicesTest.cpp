// The serial port component against a device in memory: what it asks of the
// system and what it makes of each answer, failures included.
#include "link/CommInt.h"
#include "FakeSerialServices.h"
#include "link/LineTermios.h"
#include "LinkTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

using TCalls = std::vector<std::string>;

bool SameLine(const termios& a, const termios& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A line in cooked mode, as a terminal starts, with hardware handshake on.
termios FreshLine()
{
    termios line {};
    line.c_iflag = ICRNL | IXON;
    line.c_cflag = CS8 | CREAD | CRTSCTS;
    line.c_lflag = ICANON | ECHO;
    line.c_cc[VMIN] = 1;
    cfsetspeed(&line, B9600);
    return line;
}

struct TOpenComm {
    TFakeSerialServices Device;
    TComm Comm { nullptr, Device };
    TOpenComm()
    {
        Device.Line = FreshLine();
        Comm.Open();
        Device.Calls.clear();
    }
};

} // namespace

TEST(CommIntServices, AppliesWhatTheSettingsMapToAtOpenAndOnEachChange)
{
    TFakeSerialServices device;
    device.Line = FreshLine();
    TComm comm(nullptr, device);
    comm.SetBaudRate(br19200);
    comm.SetParity(paOdd);
    comm.SetStopbits(sb20);
    comm.SetDatabits(da7);
    comm.SetFlowControl(fcSoftware);
    comm.SetOptions(CommBit(coParityCheck));
    comm.EventChars().SetXonChar(1);
    comm.EventChars().SetXoffChar(2);
    comm.EventChars().SetEofChar(3);
    EXPECT_TRUE(device.Calls.empty()); // closed: only stored

    comm.Open();
    TLineSettings wanted { br19200, paOdd, sb20, da7, fcSoftware, CommBit(coParityCheck), 1, 2, 3 };
    termios afterTimeouts = FreshLine();
    afterTimeouts.c_cc[VMIN] = 0;
    EXPECT_EQ(device.Calls, (TCalls { "GetLine", "SetLine", "GetLine", "SetLine" }));
    EXPECT_TRUE(SameLine(device.Line, LineTermios(afterTimeouts, wanted).Settings));

    // While open each change is applied at once, from what the device holds now;
    // a rate without a constant follows the rest of the settings.
    const termios before = device.Line;
    device.Calls.clear();
    comm.SetBaudRate(br14400);
    wanted.BaudRate = br14400;
    EXPECT_EQ(device.Calls, (TCalls { "GetLine", "SetLine", "SetCustomSpeed 14400" }));
    EXPECT_TRUE(SameLine(device.Line, LineTermios(before, wanted).Settings));
    device.Calls.clear();
    comm.EventChars().SetEofChar(4);
    EXPECT_EQ(device.Calls, (TCalls { "GetLine", "SetLine", "SetCustomSpeed 14400" }));
    EXPECT_EQ(device.Line.c_cc[VEOF], 4);
}

TEST(CommIntServices, LineSettingFailuresAndTheirMessages)
{
    TOpenComm port;
    TFakeSerialServices& device = port.Device;
    TComm& comm = port.Comm;
    device.GetLineError = EIO;
    EXPECT_EQ(MessageOf([&] { comm.SetParity(paEven); }), QStringLiteral("Error updating DataControlBlock (Error: 5) "));
    EXPECT_EQ(device.Calls, (TCalls { "GetLine" }));
    device.GetLineError = 0;

    device.Calls.clear();
    device.SetLineError = EINVAL;
    EXPECT_EQ(MessageOf([&] { comm.SetBaudRate(br56000); }), QStringLiteral("Error updating DataControlBlock (Error: 22) "));
    EXPECT_EQ(device.Calls, (TCalls { "GetLine", "SetLine" })); // no rate on a refused line
    device.SetLineError = 0;

    device.CustomSpeedError = EINVAL;
    EXPECT_EQ(MessageOf([&] { comm.SetBaudRate(br256000); }), QStringLiteral("Error updating DataControlBlock (Error: 22) "));
    device.CustomSpeedError = 0;

    device.Calls.clear();
    EXPECT_EQ(MessageOf([&] { comm.SetDatabits(da4); }), QStringLiteral("Error updating DataControlBlock (Error: 22) "));
    EXPECT_EQ(device.Calls, (TCalls { "GetLine" })); // nothing half applied
    comm.SetDatabits(da8);
    comm.Close();

    // A failure after the device was opened leaves it open for another try.
    device.CustomSpeedError = EINVAL;
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), QStringLiteral("Error updating DataControlBlock (Error: 22) "));
    EXPECT_TRUE(comm.Connected());
    comm.Close();
    device.SetLineError = EIO;
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), QStringLiteral("Error updating CommTimeouts (Error: 5) "));
    EXPECT_TRUE(comm.Connected());
}

TEST(CommIntServices, WriteOutcomes)
{
    TOpenComm port;
    TFakeSerialServices& device = port.Device;
    TComm& comm = port.Comm;
    comm.SetWriteTimeout(250);
    EXPECT_EQ(comm.Write("=>0003GTR", 9), 9);
    EXPECT_EQ(device.Written, "=>0003GTR");
    EXPECT_EQ(device.WriteTimeoutSeen, 250);
    // The line took part before the time ran out: that part is the answer.
    device.Room = 4;
    EXPECT_EQ(comm.Write("abcdefg", 7), 4);
    // The line stayed full (EAGAIN) for the whole time: a timed-out write.
    EXPECT_EQ(comm.Write("hij", 3), -1);
    EXPECT_EQ(device.Written, "=>0003GTRabcd");
    EXPECT_EQ(comm.Write("", 0), 0); // nothing to write is no time-out
    // The line failed (EIO: the other end gone), also after a part went out.
    device.WriteError = EIO;
    EXPECT_EQ(MessageOf([&] { comm.Write("k", 1); }), QStringLiteral("Write error (Error: 5) "));
    device.Room = 2;
    EXPECT_EQ(MessageOf([&] { comm.Write("lmn", 3); }), QStringLiteral("Write error (Error: 5) "));
}

TEST(CommIntServices, ReadOutcomes)
{
    TOpenComm port;
    TFakeSerialServices& device = port.Device;
    TComm& comm = port.Comm;
    char buffer[8] {};
    // Nothing waiting (EAGAIN below): zero bytes at once, no error.
    EXPECT_EQ(comm.Read(buffer, 8), 0);
    device.Incoming = "abcdefghij";
    EXPECT_EQ(comm.InQueCount(), 10);
    EXPECT_EQ(comm.Read(buffer, 8), 8);
    EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
    EXPECT_EQ(comm.InQueCount(), 2);
    // A line that failed (EIO) is a read error, and has nothing waiting.
    device.ReadError = EIO;
    device.WaitingError = EIO;
    EXPECT_EQ(MessageOf([&] { comm.Read(buffer, 8); }), QStringLiteral("Read error (Error: 5) "));
    EXPECT_EQ(comm.InQueCount(), -1);
}
