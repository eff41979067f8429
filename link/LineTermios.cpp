#include "LineTermios.h"

#include <cerrno>

namespace {

speed_t StandardSpeed(int bitsPerSecond)
{
    switch (bitsPerSecond) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

constexpr tcflag_t SoftwareHandshake = IXON | IXOFF | IXANY;

void SetParity(termios& settings, TParity parity)
{
    settings.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case paNone: break;
    case paOdd: settings.c_cflag |= PARENB | PARODD; break;
    case paEven: settings.c_cflag |= PARENB; break;
    case paMark: settings.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case paSpace: settings.c_cflag |= PARENB | CMSPAR; break;
    }
}

// False when the line has no such framing.
bool SetDatabits(termios& settings, TDatabits databits)
{
    settings.c_cflag &= ~CSIZE;
    switch (databits) {
    case da4: return false;
    case da5: settings.c_cflag |= CS5; break;
    case da6: settings.c_cflag |= CS6; break;
    case da7: settings.c_cflag |= CS7; break;
    case da8: settings.c_cflag |= CS8; break;
    }
    return true;
}

void SetFlowControl(termios& settings, TFlowControl flow, const termios& current)
{
    switch (flow) {
    case fcNone:
    case fcDTR: // Linux has no DSR/DTR handshake: the lines stay under program control
        settings.c_cflag &= ~CRTSCTS;
        settings.c_iflag &= ~SoftwareHandshake;
        break;
    case fcCTS:
        settings.c_cflag |= CRTSCTS;
        settings.c_iflag &= ~SoftwareHandshake;
        break;
    case fcSoftware:
        settings.c_cflag &= ~CRTSCTS;
        settings.c_iflag |= IXON | IXOFF;
        break;
    case fcDefault: // the device's own handshake, which raw mode would have cleared
        settings.c_cflag = (settings.c_cflag & ~CRTSCTS) | (current.c_cflag & CRTSCTS);
        settings.c_iflag = (settings.c_iflag & ~SoftwareHandshake) | (current.c_iflag & SoftwareHandshake);
        break;
    }
}

} // namespace

TLineTermios LineTermios(const termios& current, const TLineSettings& wanted)
{
    TLineTermios line;
    termios& settings = line.Settings;
    settings = current;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    const int rate = BaudrateValue(wanted.BaudRate);
    const speed_t speed = StandardSpeed(rate);
    if (speed != B0) {
        // A rate set apart before left a separate input rate behind (CIBAUD);
        // without one the input follows the output.
        settings.c_cflag &= ~CIBAUD;
        cfsetspeed(&settings, speed);
    } else {
        line.CustomSpeed = rate;
    }

    SetParity(settings, wanted.Parity);
    // Linux has no 1.5 stop bits setting; the UART sends 1.5 for CSTOPB with
    // five data bits, as the line standard has it.
    if (wanted.Stopbits == sb10)
        settings.c_cflag &= ~CSTOPB;
    else
        settings.c_cflag |= CSTOPB;
    if (!SetDatabits(settings, wanted.Databits)) {
        line.Error = EINVAL;
        return line;
    }
    settings.c_cc[VSTART] = wanted.XonChar;
    settings.c_cc[VSTOP] = wanted.XoffChar;
    settings.c_cc[VEOF] = wanted.EofChar;
    // Reads return at once with whatever waits.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    SetFlowControl(settings, wanted.FlowControl, current);
    // Options (coNullStrip is done by Read; DSR sensitivity and XOFF
    // behaviour have no Linux counterpart and stay off).
    if (wanted.Options & CommBit(coParityCheck))
        settings.c_iflag |= INPCK;
    else
        settings.c_iflag &= ~INPCK;
    return line;
}
