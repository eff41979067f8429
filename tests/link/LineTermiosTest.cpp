// The mapping of the port's line settings onto a terminal's settings.
#include "link/LineTermios.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// A line as a fresh terminal has it: cooked, echoing, with software handshake.
termios CookedLine()
{
    termios line {};
    line.c_iflag = ICRNL | IXON | INPCK;
    line.c_oflag = OPOST | ONLCR;
    line.c_cflag = CS7 | PARENB | CREAD;
    line.c_lflag = ICANON | ECHO | ISIG;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 5;
    cfsetspeed(&line, B9600);
    return line;
}

constexpr tcflag_t Handshake = IXON | IXOFF | IXANY;

// The usual framing, the device's own handshake, the usual XON/XOFF characters.
TLineSettings EightNoneOne() { return { br9600, paNone, sb10, da8, fcDefault, 0, 17, 19, 0 }; }

} // namespace

TEST(LineTermios, RawLineWithTheFramingAndCharactersAsked)
{
    TLineSettings wanted = EightNoneOne();
    wanted.XonChar = 1;
    wanted.XoffChar = 2;
    wanted.EofChar = 3;
    const termios line = LineTermios(CookedLine(), wanted).Settings;
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_iflag & ICRNL, 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
    EXPECT_EQ(line.c_cc[VSTART], 1);
    EXPECT_EQ(line.c_cc[VSTOP], 2);
    EXPECT_EQ(line.c_cc[VEOF], 3);

    const std::pair<TParity, tcflag_t> parities[] = {
        {paNone, 0}, {paOdd, PARENB | PARODD}, {paEven, PARENB},
        {paMark, PARENB | PARODD | CMSPAR}, {paSpace, PARENB | CMSPAR}};
    for (const auto& [parity, flags] : parities) {
        wanted.Parity = parity;
        EXPECT_EQ(LineTermios(CookedLine(), wanted).Settings.c_cflag & (PARENB | PARODD | CMSPAR), flags) << parity;
    }
    wanted.Parity = paNone;
    const std::pair<TStopbits, tcflag_t> stopbits[] = {{sb10, 0}, {sb15, CSTOPB}, {sb20, CSTOPB}};
    for (const auto& [stop, flags] : stopbits) {
        wanted.Stopbits = stop;
        EXPECT_EQ(LineTermios(CookedLine(), wanted).Settings.c_cflag & CSTOPB, flags) << stop;
    }
    const std::pair<TDatabits, tcflag_t> sizes[] = {{da5, CS5}, {da6, CS6}, {da7, CS7}, {da8, CS8}};
    for (const auto& [bits, size] : sizes) {
        wanted.Databits = bits;
        const TLineTermios mapped = LineTermios(CookedLine(), wanted);
        EXPECT_EQ(mapped.Error, 0);
        EXPECT_EQ(mapped.Settings.c_cflag & CSIZE, size) << bits;
    }
    wanted.Databits = da4; // no line carries four data bits
    EXPECT_EQ(LineTermios(CookedLine(), wanted).Error, EINVAL);
}

TEST(LineTermios, SpeedsWithAConstantOrSetApart)
{
    const std::pair<TBaudrate, speed_t> standard[] = {
        {br110, B110}, {br300, B300}, {br600, B600}, {br1200, B1200}, {br2400, B2400}, {br4800, B4800},
        {br9600, B9600}, {br19200, B19200}, {br38400, B38400}, {br57600, B57600}, {br115200, B115200}};
    TLineSettings wanted = EightNoneOne();
    for (const auto& [rate, speed] : standard) {
        wanted.BaudRate = rate;
        const TLineTermios mapped = LineTermios(CookedLine(), wanted);
        EXPECT_EQ(cfgetospeed(&mapped.Settings), speed) << rate;
        EXPECT_EQ(cfgetispeed(&mapped.Settings), speed) << rate;
        EXPECT_EQ(mapped.CustomSpeed, 0) << rate;
    }
    // Rates without a constant are set after the rest; the rest keeps the
    // line's rate meanwhile.
    for (const TBaudrate rate : {br14400, br56000, br128000, br256000}) {
        wanted.BaudRate = rate;
        const TLineTermios mapped = LineTermios(CookedLine(), wanted);
        EXPECT_EQ(mapped.CustomSpeed, BaudrateValue(rate));
        EXPECT_EQ(cfgetospeed(&mapped.Settings), speed_t(B9600)) << rate;
    }
    // After a rate set apart the line carries a separate input rate; a rate
    // with a constant must govern both directions again.
    termios custom = CookedLine();
    custom.c_cflag |= CIBAUD;
    wanted.BaudRate = br38400;
    EXPECT_EQ(LineTermios(custom, wanted).Settings.c_cflag & CIBAUD, 0u);
}

TEST(LineTermios, FlowControlAndOptions)
{
    termios handshaking = CookedLine();
    handshaking.c_iflag |= Handshake;
    handshaking.c_cflag |= CRTSCTS;
    termios plain = CookedLine();
    plain.c_iflag &= ~Handshake;
    TLineSettings wanted = EightNoneOne();
    for (const termios& current : {handshaking, plain}) {
        const auto flow = [&](TFlowControl control) {
            wanted.FlowControl = control;
            const termios line = LineTermios(current, wanted).Settings;
            return std::pair(line.c_cflag & CRTSCTS, line.c_iflag & Handshake);
        };
        EXPECT_EQ(flow(fcNone), std::pair(tcflag_t(0), tcflag_t(0)));
        EXPECT_EQ(flow(fcDTR), std::pair(tcflag_t(0), tcflag_t(0))); // no DTR/DSR handshake here
        EXPECT_EQ(flow(fcCTS), std::pair(tcflag_t(CRTSCTS), tcflag_t(0)));
        EXPECT_EQ(flow(fcSoftware).first, 0u);
        EXPECT_EQ(flow(fcSoftware).second & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
        EXPECT_EQ(flow(fcDefault), std::pair(current.c_cflag & CRTSCTS, current.c_iflag & Handshake));
    }
    // Parity is checked on input only when asked; no other option turns it on.
    wanted.Options = CommBit(coParityCheck);
    EXPECT_TRUE(LineTermios(plain, wanted).Settings.c_iflag & INPCK);
    wanted.Options = CommBit(coDsrSensitivity) | CommBit(coIgnoreXOff) | CommBit(coErrorChar) | CommBit(coNullStrip);
    EXPECT_FALSE(LineTermios(CookedLine(), wanted).Settings.c_iflag & INPCK);
}
